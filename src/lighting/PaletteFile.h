#pragma once
// The custom palette as it is stored, the same way in a profile and in a .COL palette file:
// [COLORCOUNT] count and [COLORVALUE] 0..19, decimal. A value is the bar control's own
// encoding of one bar; its colour is what the control gives back for it.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace corv::lighting {

inline constexpr int kPaletteMaxBars = 20;
inline constexpr std::size_t kColourTableBytes = 64;

struct PaletteKeys {
    int count = 0;  // 0..20
    std::array<std::int32_t, kPaletteMaxBars> values{};
    bool operator==(const PaletteKeys&) const = default;
};

// Reads the 21 keys in one pass. A missing file, section or key reads as 0; a count above 20
// counts as 20 and one below 0 as 0; values keep the 32-bit range (a longer number stops at
// its limit). Values past the count are read as they stand.
PaletteKeys readPaletteKeys(const std::filesystem::path& file);
// The same for a palette file the user chose: nothing when it is missing or cannot be read
// (a file without the two sections reads as no bars, every value 0); *tooLarge, when
// given, then tells whether it was refused for being larger than kMaxReadBytes.
std::optional<PaletteKeys> readPaletteFile(const std::filesystem::path& file, bool* tooLarge = nullptr);

// Writes all 21 keys with one replacement of the file; other sections and keys of the file
// stay. False (the file as it was) when it could not be written or the path is empty.
bool writePaletteKeys(const std::filesystem::path& file, const PaletteKeys& keys);

// The colour table the mouse gets: bits 0..7, 8..15 and 16..23 of colour i at bytes 3i,
// 3i + 1 and 3i + 2 for the first 20 colours at most; every other byte 0.
std::array<std::uint8_t, kColourTableBytes> colourTable(std::span<const std::uint32_t> colours);

}  // namespace corv::lighting
