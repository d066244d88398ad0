#include "platform/IniFile.h"

#include <climits>
#include <cstdint>
#include <optional>
#include <unordered_set>
#include <utility>

#include "platform/AtomicFile.h"
#include "platform/IniEdit.h"
#include "platform/IniSyntax.h"
#include "platform/Utf.h"

namespace corv::ini {

namespace {

namespace fs = std::filesystem;

// The file's text as UTF-8 (BOM removed, UTF-16 converted); nullopt when it cannot be read.
std::optional<std::string_view> readText(const fs::path& file, FileBytes& raw, std::string& decoded)
{
    if (readWholeFile(file, raw) != ReadStatus::Ok)
        return std::nullopt;
    const Encoding e = detectEncoding(raw.bytes);
    const std::string_view body = std::string_view(raw.bytes).substr(bomLength(e));
    if (!isUtf16(e))
        return body;
    decoded = decodeText(e, body);
    return std::string_view(decoded);
}

// Names in file order, each case-insensitively once (the first spelling).
class UniqueNames {
public:
    void add(std::string_view name)
    {
        if (seen_.insert(utf::foldedKey(name)).second)
            names_.emplace_back(name);
    }
    std::vector<std::string> take() { return std::move(names_); }

private:
    std::vector<std::string> names_;
    std::unordered_set<std::u32string> seen_;
};

}  // namespace

// ---------------------------------------------------------------------------------------

std::string readString(const fs::path& file, std::string_view section, std::string_view key,
                       std::string_view defaultValue)
{
    const std::string fallback(utf::truncateChars(defaultValue, kMaxValueChars));
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty())
        return fallback;
    FileBytes raw;
    std::string decoded;
    const std::optional<std::string_view> text = readText(file, raw, decoded);
    if (!text)
        return fallback;
    bool inSection = false;
    std::optional<std::string_view> found;
    forEachLine(*text, [&](std::string_view line) {
        // Outside the wanted section only section headers matter.
        if (!inSection && !startsSection(line))
            return true;
        const LineInfo info = classify(line);
        if (info.kind == LineKind::Section) {
            if (inSection)
                return false;  // only the first matching section counts
            inSection = utf::equalNoCase(info.name, section);
        } else if (inSection && info.kind == LineKind::Key && utf::equalNoCase(info.name, key)) {
            found = info.value;
            return false;
        }
        return true;
    });
    if (!found)
        return fallback;
    return std::string(utf::truncateChars(stripQuotes(*found), kMaxValueChars));
}

bool writeString(const fs::path& file, std::string_view section, std::string_view key, std::string_view value)
{
    IniEdit edit(file);
    return edit.set(section, key, value) && edit.commit();
}

bool deleteKey(const fs::path& file, std::string_view section, std::string_view key)
{
    IniEdit edit(file);
    return edit.remove(section, key) && edit.commit();
}

bool deleteSection(const fs::path& file, std::string_view section)
{
    IniEdit edit(file);
    return edit.removeSection(section) && edit.commit();
}

std::vector<std::string> sectionNames(const fs::path& file)
{
    UniqueNames names;  // a later duplicate is never used
    FileBytes raw;
    std::string decoded;
    const std::optional<std::string_view> text = readText(file, raw, decoded);
    if (!text)
        return {};
    forEachLine(*text, [&](std::string_view line) {
        if (!startsSection(line))
            return true;
        const LineInfo info = classify(line);
        if (info.kind == LineKind::Section && !info.name.empty())
            names.add(info.name);
        return true;
    });
    return names.take();
}

std::vector<std::string> keyNames(const fs::path& file, std::string_view section)
{
    section = trim(section);
    if (section.empty())
        return {};
    UniqueNames names;
    FileBytes raw;
    std::string decoded;
    const std::optional<std::string_view> text = readText(file, raw, decoded);
    if (!text)
        return {};
    bool inSection = false;
    forEachLine(*text, [&](std::string_view line) {
        if (!inSection && !startsSection(line))
            return true;
        const LineInfo info = classify(line);
        if (info.kind == LineKind::Section) {
            if (inSection)
                return false;
            inSection = utf::equalNoCase(info.name, section);
            return true;
        }
        if (inSection && info.kind == LineKind::Key && !info.name.empty())
            names.add(info.name);
        return true;
    });
    return names.take();
}

long toLong(std::string_view text)
{
    constexpr std::int64_t kMaxMagnitude = std::int64_t{INT32_MAX} + 1;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                               text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kMaxMagnitude)
            magnitude = kMaxMagnitude;  // saturated; keep reading the digits
    }
    if (negative)
        return static_cast<long>(-magnitude);
    return static_cast<long>(magnitude > INT32_MAX ? std::int64_t{INT32_MAX} : magnitude);
}

}  // namespace corv::ini
