#include "profiles/ProfileFile.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "device/DeviceConnection.h"
#include "platform/AppPaths.h"
#include "platform/IniEdit.h"
#include "platform/IniFile.h"

namespace corv {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSettingSection = "Setting";
constexpr std::string_view kDefaultKeyValue = "16,1,0";
constexpr std::array<std::uint8_t, 3> kDefaultKeyTriple{16, 1, 0};
constexpr std::size_t kDpiFirst = 15;
constexpr std::size_t kDpiLast = 19;

std::string ledKey(std::size_t n) { return "LED" + std::to_string(n); }

std::string keyKey(int n) { return "KEY" + std::to_string(n); }

std::uint8_t lowByte(long v) { return static_cast<std::uint8_t>(static_cast<unsigned long>(v) & 0xFFu); }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// One "%d" conversion at pos: blanks, optional sign, at least one digit.
std::optional<long> scanNumber(std::string_view text, std::size_t& pos)
{
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
    std::size_t digits = pos;
    if (digits < text.size() && (text[digits] == '+' || text[digits] == '-'))
        ++digits;
    if (digits >= text.size() || text[digits] < '0' || text[digits] > '9')
        return std::nullopt;
    const long value = ini::toLong(text.substr(pos));
    pos = digits;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
        ++pos;
    return value;
}

// "%d,%d,%d"; text after the third number is ignored.
std::optional<std::array<std::uint8_t, 3>> parseTriple(std::string_view text)
{
    std::array<std::uint8_t, 3> out{};
    std::size_t pos = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',')
                return std::nullopt;
            ++pos;
        }
        const std::optional<long> v = scanNumber(text, pos);
        if (!v)
            return std::nullopt;
        out[i] = lowByte(*v);
    }
    return out;
}

std::string tripleText(std::array<std::uint8_t, 3> bytes)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d,%d,%d", bytes[0], bytes[1], bytes[2]);
    return text;
}

// KEY0..KEY8 from the first 27 bytes of a button block.
void putButtonKeys(ini::IniEdit& edit, const std::uint8_t* buttonBlock)
{
    for (std::size_t n = 0; n < kProfileButtons; ++n) {
        const std::array<std::uint8_t, 3> triple{buttonBlock[3 * n], buttonBlock[3 * n + 1], buttonBlock[3 * n + 2]};
        edit.set(kSettingSection, keyKey(static_cast<int>(n)), tripleText(triple));
    }
}

// The LED keys of settings bytes 0..32 (settings holds at least 33 bytes).
void putDeviceImage(ini::IniEdit& edit, std::span<const std::uint8_t> settings, std::uint16_t modelId)
{
    for (std::size_t n = 0; n < kProfileLedKeys; ++n) {
        std::string_view section = kSettingSection;
        if (n >= kDpiFirst && n <= kDpiLast) {
            const ModelFacts* model = findModel(modelId);
            if (model == nullptr)
                continue;  // a model we do not know keeps both families' stages untouched
            section = model->stageSection;
        }
        edit.set(section, ledKey(n), std::to_string(settings[n]));
    }
}

}  // namespace

fs::path templatePath() { return resourceFolder() / "default.pro"; }

fs::path profilePath(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos)
        return {};
    const fs::path folder = dataFolderPath();
    if (folder.empty())
        return {};
    return folder / (std::string(name) + ".pro");
}

std::string readKey(const fs::path& file, std::string_view section, std::string_view key, std::string_view def)
{
    return ini::readString(file, section, key, def);
}

long readInt(const fs::path& file, std::string_view section, std::string_view key)
{
    return ini::toLong(ini::readString(file, section, key, "0"));
}

std::uint8_t readByte(const fs::path& file, std::string_view section, std::string_view key)
{
    return lowByte(readInt(file, section, key));
}

bool writeKey(const fs::path& file, std::string_view section, std::string_view key, std::string_view text)
{
    return ini::writeString(file, section, key, text);
}

bool writeInt(const fs::path& file, std::string_view section, std::string_view key, long value)
{
    return ini::writeString(file, section, key, std::to_string(value));
}

std::array<std::uint8_t, 3> readKeyTriple(const fs::path& file, int n)
{
    const std::string text = ini::readString(file, kSettingSection, keyKey(n), kDefaultKeyValue);
    return parseTriple(text).value_or(kDefaultKeyTriple);
}

bool writeKeyTriple(const fs::path& file, int n, std::array<std::uint8_t, 3> bytes)
{
    return ini::writeString(file, kSettingSection, keyKey(n), tripleText(bytes));
}

bool writeButtonKeys(const fs::path& file, const std::uint8_t* buttonBlock)
{
    ini::IniEdit edit(file);
    putButtonKeys(edit, buttonBlock);
    return edit.commit();
}

ProfileImage readProfileImage(const fs::path& file, std::uint16_t modelId)
{
    ProfileImage image;
    for (std::size_t n = 0; n < kProfileLedKeys; ++n)
        image.settings[n] = readByte(file, kSettingSection, ledKey(n));
    for (std::size_t n = 0; n < kProfileButtons; ++n) {
        const std::array<std::uint8_t, 3> triple = readKeyTriple(file, static_cast<int>(n));
        for (std::size_t k = 0; k < triple.size(); ++k)
            image.buttons[3 * n + k] = triple[k];
    }
    image.pointerSpeed = readInt(file, kSettingSection, "PRO0");
    image.scrollLines = readInt(file, kSettingSection, "PRO1");
    if (const ModelFacts* model = findModel(modelId); model != nullptr && model->stageSection != kSettingSection) {
        for (std::size_t n = kDpiFirst; n <= kDpiLast; ++n)
            image.settings[n] = readByte(file, model->stageSection, ledKey(n));
    }
    return image;
}

bool writeDeviceImage(const fs::path& file, std::span<const std::uint8_t> settings, std::uint16_t modelId,
                      const std::uint8_t* buttonBlock)
{
    if (settings.size() < kProfileLedKeys)
        return false;
    ini::IniEdit edit(file);
    putDeviceImage(edit, settings, modelId);
    if (buttonBlock != nullptr)
        putButtonKeys(edit, buttonBlock);
    return edit.commit();
}

bool writeDeviceCapture(const DeviceCapture& capture)
{
    ini::IniEdit edit(capture.file);
    if (capture.haveSettings)
        putDeviceImage(edit, capture.settings, capture.modelId);
    if (capture.haveButtons)
        putButtonKeys(edit, capture.buttons.data());
    return edit.commit();
}

}  // namespace corv
