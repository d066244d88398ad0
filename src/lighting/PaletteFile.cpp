#include "lighting/PaletteFile.h"

#include <algorithm>
#include <string>

#include "platform/IniEdit.h"
#include "platform/IniFile.h"
#include "platform/IniSnapshot.h"

namespace corv::lighting {

namespace {
constexpr const char* kCountSection = "COLORCOUNT";
constexpr const char* kCountKey = "count";
constexpr const char* kValueSection = "COLORVALUE";

PaletteKeys fromSnapshot(const IniSnapshot& ini)
{
    PaletteKeys keys;
    // toLong already stops at the 32-bit limits.
    keys.count =
        static_cast<int>(std::clamp<long>(ini::toLong(ini.read(kCountSection, kCountKey, "0")), 0, kPaletteMaxBars));
    for (int i = 0; i < kPaletteMaxBars; ++i)
        keys.values[static_cast<std::size_t>(i)] =
            static_cast<std::int32_t>(ini::toLong(ini.read(kValueSection, std::to_string(i), "0")));
    return keys;
}

}  // namespace

PaletteKeys readPaletteKeys(const std::filesystem::path& file) { return fromSnapshot(IniSnapshot::load(file)); }

std::optional<PaletteKeys> readPaletteFile(const std::filesystem::path& file, bool* tooLarge)
{
    const IniSnapshot ini = IniSnapshot::load(file);
    if (tooLarge != nullptr)
        *tooLarge = ini.status() == ReadStatus::TooLarge;
    if (!ini.loaded())
        return std::nullopt;
    return fromSnapshot(ini);
}

bool writePaletteKeys(const std::filesystem::path& file, const PaletteKeys& keys)
{
    if (file.empty())
        return false;
    ini::IniEdit edit(file);
    edit.set(kCountSection, kCountKey, std::to_string(std::clamp(keys.count, 0, kPaletteMaxBars)));
    for (int i = 0; i < kPaletteMaxBars; ++i)
        edit.set(kValueSection, std::to_string(i), std::to_string(keys.values[static_cast<std::size_t>(i)]));
    return edit.commit();
}

std::array<std::uint8_t, kColourTableBytes> colourTable(std::span<const std::uint32_t> colours)
{
    std::array<std::uint8_t, kColourTableBytes> table{};
    const std::size_t n = std::min<std::size_t>(colours.size(), kPaletteMaxBars);
    for (std::size_t i = 0; i < n; ++i) {
        table[3 * i] = static_cast<std::uint8_t>(colours[i] & 0xFF);
        table[3 * i + 1] = static_cast<std::uint8_t>((colours[i] >> 8) & 0xFF);
        table[3 * i + 2] = static_cast<std::uint8_t>((colours[i] >> 16) & 0xFF);
    }
    return table;
}

}  // namespace corv::lighting
