#pragma once
// The 64-byte request/answer frame of the mouse's vendor collection.
//   0      report id (0x04 in requests)
//   1..2   16-bit little-endian sum of bytes 3..63
//   3      command code
//   4      length (data bytes carried or asked for, at most 56)
//   5..6   address, little-endian
//   7      status (0 in requests; 0xFF / 0xFE are errors in answers)
//   8..63  data
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace corv {

inline constexpr std::size_t kFrameSize = 64;
inline constexpr std::size_t kFrameDataSize = 56;
inline constexpr std::uint8_t kFrameReportId = 0x04;

inline constexpr std::size_t kFrameOffsetChecksum = 1;
inline constexpr std::size_t kFrameOffsetCommand = 3;
inline constexpr std::size_t kFrameOffsetLength = 4;
inline constexpr std::size_t kFrameOffsetAddress = 5;
inline constexpr std::size_t kFrameOffsetStatus = 7;
inline constexpr std::size_t kFrameOffsetData = 8;

inline constexpr std::uint8_t kStatusErrorFF = 0xFF;
inline constexpr std::uint8_t kStatusErrorFE = 0xFE;

struct ReportFrame {
    std::array<std::uint8_t, kFrameSize> bytes{};

    // A finished request: report id, command, length, address, data, checksum.
    static ReportFrame request(std::uint8_t command, std::uint8_t length = 0, std::uint16_t address = 0,
                               std::span<const std::uint8_t> data = {});

    std::uint8_t command() const { return bytes[kFrameOffsetCommand]; }
    std::uint8_t length() const { return bytes[kFrameOffsetLength]; }
    std::uint16_t address() const
    {
        return static_cast<std::uint16_t>(bytes[kFrameOffsetAddress] | (bytes[kFrameOffsetAddress + 1] << 8));
    }
    std::uint8_t status() const { return bytes[kFrameOffsetStatus]; }
    std::uint16_t storedChecksum() const
    {
        return static_cast<std::uint16_t>(bytes[kFrameOffsetChecksum] | (bytes[kFrameOffsetChecksum + 1] << 8));
    }
    std::span<std::uint8_t, kFrameDataSize> data()
    {
        return std::span<std::uint8_t, kFrameDataSize>(bytes.data() + kFrameOffsetData, kFrameDataSize);
    }
    std::span<const std::uint8_t, kFrameDataSize> data() const
    {
        return std::span<const std::uint8_t, kFrameDataSize>(bytes.data() + kFrameOffsetData, kFrameDataSize);
    }

    void setLength(std::uint8_t length) { bytes[kFrameOffsetLength] = length; }
    void setAddress(std::uint16_t address)
    {
        bytes[kFrameOffsetAddress] = static_cast<std::uint8_t>(address & 0xFF);
        bytes[kFrameOffsetAddress + 1] = static_cast<std::uint8_t>(address >> 8);
    }
    // Low 16 bits of the sum of bytes 3..63.
    std::uint16_t computeChecksum() const;
    void updateChecksum();
};

}  // namespace corv
