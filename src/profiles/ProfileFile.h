#pragma once
// Key-level access to profile files (.pro): every call reads or writes the file itself;
// nothing is cached. Single keys are written one by one, the keys of an image together.
// Numbers are decimal text; missing keys read as "0", button keys as "16,1,0"; byte keys
// keep the low 8 bits of the number.
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "device/DeviceProtocol.h"

namespace corv {

inline constexpr std::size_t kProfileSettingsSize = 56;  // bytes written to the mouse
inline constexpr std::size_t kProfileLedKeys = 33;       // LED0..LED32
inline constexpr std::size_t kProfileButtons = 9;        // KEY0..KEY8
inline constexpr std::size_t kProfileButtonBytes = 3 * kProfileButtons;

// "default.pro" in the resource folder: the factory profile, only read.
std::filesystem::path templatePath();

// The profile called name: dataFolderPath() / (name + ".pro"). A name that is empty,
// contains '/' or a NUL character, or is "." or "..", would leave the data folder: the
// result is then an empty path, which callers treat as "no profile" (reads give their
// defaults, writes fail).
std::filesystem::path profilePath(std::string_view name);

std::string readKey(const std::filesystem::path& file, std::string_view section, std::string_view key,
                    std::string_view def);
// The key as a number (default "0"), converted like wtol.
long readInt(const std::filesystem::path& file, std::string_view section, std::string_view key);
// The low 8 bits of readInt (300 reads as 44).
std::uint8_t readByte(const std::filesystem::path& file, std::string_view section, std::string_view key);

bool writeKey(const std::filesystem::path& file, std::string_view section, std::string_view key, std::string_view text);
bool writeInt(const std::filesystem::path& file, std::string_view section, std::string_view key, long value);

// [Setting] KEYn as three bytes (default "16,1,0"). A value that does not start with three
// comma-separated numbers gives the default triple 16,1,0 as a whole, so the button always
// keeps a valid function; each number keeps its low 8 bits.
std::array<std::uint8_t, 3> readKeyTriple(const std::filesystem::path& file, int n);
// Writes [Setting] KEYn as "%d,%d,%d".
bool writeKeyTriple(const std::filesystem::path& file, int n, std::array<std::uint8_t, 3> bytes);

// KEY0..KEY8 from the first 27 bytes of a button block, all or none of them.
bool writeButtonKeys(const std::filesystem::path& file, const std::uint8_t* buttonBlock);

// The byte image of a profile as it is sent to the mouse.
struct ProfileImage {
    std::array<std::uint8_t, kProfileSettingsSize> settings{};  // LED0..LED32, bytes 33..55 zero
    std::array<std::uint8_t, kProfileButtonBytes> buttons{};    // KEY0..KEY8, three bytes each
    long pointerSpeed = 0;                                      // PRO0 as stored
    long scrollLines = 0;                                       // PRO1 as stored (0 means 1)
};

// Reads the image. The DPI stage bytes 15..19 come from [3360] for the R240 (0x3360) and
// from [Setting] for every other model; range checks are the caller's.
ProfileImage readProfileImage(const std::filesystem::path& file, std::uint16_t modelId);

// Writes the mouse's state into a profile: settings bytes 0..32 (at least 33 bytes) to the
// LED keys, with bytes 15..19 going to [3360] for the R240, to [Setting] for the R210 and
// nowhere for any other model; when buttonBlock is given (27 bytes or more) its first 27
// bytes to KEY0..KEY8. The keys are written together, all or none of them (one atomic
// replacement of the file). Returns false if settings is too short or the file could not be
// written (it is then as it was).
bool writeDeviceImage(const std::filesystem::path& file, std::span<const std::uint8_t> settings, std::uint16_t modelId,
                      const std::uint8_t* buttonBlock);

struct DeviceCapture;
// Writes what a capture holds: the LED keys when its settings were read, KEY0..KEY8 when
// its button block was read; all of them or none. False when the file could not be written
// (it is then as it was).
bool writeDeviceCapture(const DeviceCapture& capture);

}  // namespace corv
