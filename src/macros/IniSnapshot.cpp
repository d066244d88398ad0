#include "macros/IniSnapshot.h"

#include <algorithm>

#include "macros/AtomicFile.h"
#include "platform/IniFile.h"
#include "platform/Utf.h"

namespace corv {

namespace {

// Large enough for any macro library file; a larger file is not a file of ours.
constexpr std::size_t kMaxIniBytes = std::size_t{64} << 20;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view stripQuotes(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// The case-folded form of a name: two names are equal without regard to case exactly when
// their folded forms are equal (malformed bytes are kept as they are).
std::string fold(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    // Most names are ASCII (every key of a macro file is a number).
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        for (char c : name)
            out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
        return out;
    }
    std::size_t pos = 0;
    while (pos < name.size()) {
        const std::size_t start = pos;
        const char32_t c = utf::next(name, pos);
        if (c >= utf::kInvalidByteBase)
            out.append(name.substr(start, pos - start));
        else
            utf::appendUtf8(out, utf::foldCase(c));
    }
    return out;
}

// The file's text as UTF-8: BOM removed, UTF-16 converted.
std::string decode(const std::string& bytes)
{
    std::string_view body = bytes;
    if (body.substr(0, 3) == "\xEF\xBB\xBF")
        return std::string(body.substr(3));
    if (body.substr(0, 2) == "\xFF\xFE")
        return utf::utf16ToUtf8(body.substr(2), false);
    if (body.substr(0, 2) == "\xFE\xFF")
        return utf::utf16ToUtf8(body.substr(2), true);
    return bytes;
}

}  // namespace

IniSnapshot IniSnapshot::load(const std::filesystem::path& file)
{
    IniSnapshot snapshot;
    std::string bytes;
    if (files::readWholeFile(file, bytes, kMaxIniBytes) != files::ReadStatus::Ok)
        return snapshot;
    snapshot.loaded_ = true;
    const std::string text = decode(bytes);
    const std::string_view all = text;

    Keys* current = nullptr;  // the keys of the section being read, null when it is ignored
    std::size_t pos = 0;
    while (pos < all.size()) {
        const std::size_t nl = all.find('\n', pos);
        const std::size_t end = nl == std::string_view::npos ? all.size() : nl;
        std::string_view line = all.substr(pos, end - pos);
        pos = nl == std::string_view::npos ? all.size() : nl + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        const std::string_view t = trim(line);
        if (t.empty() || t.front() == ';')
            continue;
        if (t.front() == '[') {
            const std::size_t close = t.rfind(']');
            if (close != std::string_view::npos) {
                // Only the first section of a name counts; a later one is skipped whole.
                const auto [it, added] = snapshot.sections_.try_emplace(fold(trim(t.substr(1, close - 1))));
                current = added ? &it->second : nullptr;
                continue;
            }
        }
        const std::size_t eq = t.find('=');
        if (current == nullptr || eq == std::string_view::npos)
            continue;
        const std::string_view name = trim(t.substr(0, eq));
        if (name.empty())
            continue;
        const std::string_view value = utf::truncateChars(stripQuotes(trim(t.substr(eq + 1))), ini::kMaxValueChars);
        current->try_emplace(fold(name), value);
    }
    return snapshot;
}

std::optional<std::string> IniSnapshot::value(std::string_view section, std::string_view key) const
{
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty())
        return std::nullopt;
    const auto sec = sections_.find(fold(section));
    if (sec == sections_.end())
        return std::nullopt;
    const auto found = sec->second.find(fold(key));
    if (found == sec->second.end())
        return std::nullopt;
    return found->second;
}

std::string IniSnapshot::read(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    if (std::optional<std::string> v = value(section, key))
        return std::move(*v);
    return std::string(utf::truncateChars(defaultValue, ini::kMaxValueChars));
}

}  // namespace corv
