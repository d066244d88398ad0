#pragma once
// Every key of one INI file, read in a single pass with the rules of ini::readString: section
// and key names compare without regard to case, the first matching section and the first
// matching key in it win, names and values are trimmed, a value in matching quotes loses
// them, values keep at most 259 characters, and UTF-8 (with or without BOM) and UTF-16 files
// are read alike. For files of many keys (a macro file holds one per action, the profile
// index several per profile), which key by key would be read once per key.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/AtomicFile.h"

namespace corv {

class IniSnapshot {
public:
    // An empty snapshot when the file is missing or cannot be read (every key then reads
    // its default, as with ini::readString).
    static IniSnapshot load(const std::filesystem::path& file);

    // True when the file existed and could be read.
    bool loaded() const { return status_ == ReadStatus::Ok; }
    // How reading the file went: Ok, Missing, Failed (no regular file, or no permission) or
    // TooLarge (above kMaxReadBytes).
    ReadStatus status() const { return status_; }
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string read(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // The values of the keys "0", "1", ... "count - 1" of section (a list stored one key per
    // entry), each as read() gives it; the section's name is looked up once.
    std::vector<std::string> numberedValues(std::string_view section, std::size_t count,
                                            std::string_view defaultValue) const;

private:
    using Keys = std::unordered_map<std::u32string, std::string>;  // by case-folded name
    ReadStatus status_ = ReadStatus::Missing;
    std::unordered_map<std::u32string, Keys> sections_;  // by case-folded name
};

}  // namespace corv
