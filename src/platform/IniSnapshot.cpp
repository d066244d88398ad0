#include "platform/IniSnapshot.h"

#include "platform/AtomicFile.h"
#include "platform/IniFile.h"
#include "platform/IniSyntax.h"
#include "platform/Utf.h"

namespace corv {

IniSnapshot IniSnapshot::load(const std::filesystem::path& file)
{
    IniSnapshot snapshot;
    FileBytes bytes;
    snapshot.status_ = readWholeFile(file, bytes);
    if (snapshot.status_ != ReadStatus::Ok)
        return snapshot;
    const ini::Encoding encoding = ini::detectEncoding(bytes.bytes);
    const std::string text = ini::decodeText(encoding, std::string_view(bytes.bytes).substr(ini::bomLength(encoding)));

    Keys* current = nullptr;  // the keys of the section being read, null when it is ignored
    ini::forEachLine(text, [&](std::string_view line) {
        const ini::LineInfo info = ini::classify(line);
        if (info.kind == ini::LineKind::Section) {
            // Only the first section of a name counts; a later one is skipped whole.
            const auto [it, added] = snapshot.sections_.try_emplace(utf::foldedKey(info.name));
            current = added ? &it->second : nullptr;
        } else if (info.kind == ini::LineKind::Key && current != nullptr) {
            current->try_emplace(utf::foldedKey(info.name),
                                 utf::truncateChars(ini::stripQuotes(info.value), ini::kMaxValueChars));
        }
        return true;
    });
    return snapshot;
}

std::optional<std::string> IniSnapshot::value(std::string_view section, std::string_view key) const
{
    section = ini::trim(section);
    key = ini::trim(key);
    if (section.empty() || key.empty())
        return std::nullopt;
    const auto sec = sections_.find(utf::foldedKey(section));
    if (sec == sections_.end())
        return std::nullopt;
    const auto found = sec->second.find(utf::foldedKey(key));
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

std::vector<std::string> IniSnapshot::numberedValues(std::string_view section, std::size_t count,
                                                     std::string_view defaultValue) const
{
    const std::string_view fallback = utf::truncateChars(defaultValue, ini::kMaxValueChars);
    std::vector<std::string> values;
    values.reserve(count);
    section = ini::trim(section);
    const auto sec = section.empty() ? sections_.end() : sections_.find(utf::foldedKey(section));
    for (std::size_t i = 0; i < count; ++i) {
        if (sec == sections_.end()) {
            values.emplace_back(fallback);
            continue;
        }
        const auto found = sec->second.find(utf::foldedKey(std::to_string(i)));
        values.emplace_back(found == sec->second.end() ? std::string(fallback) : found->second);
    }
    return values;
}

}  // namespace corv
