#pragma once
// INI files with the semantics of the Windows private-profile functions that the
// program's files rely on:
// - section and key names compare without regard to (ASCII and Unicode simple) case;
// - names and values are trimmed of blanks; a value enclosed in matching single or double
//   quotes is returned without them; only whole lines whose first non-blank character is
//   ';' are comments (a ';' inside a value belongs to the value);
// - the first matching section and the first matching key in it win;
// - a missing file, section or key yields the caller's default;
// - a read returns at most 259 characters (code points), like a 260-character buffer;
// - a write replaces the value in place, appends a new key at the end of its section and a
//   new section at the end of the file, and keeps every other line byte for byte; writing
//   to a missing file creates it;
// - files we create are UTF-8 without BOM; a file that starts with a UTF-8 or UTF-16LE BOM
//   is read, and written back, in its own encoding; a name or value that is no well-formed
//   UTF-8 is not written into a UTF-16 file (the write fails), as it could not be kept;
// - every write replaces the file atomically (AtomicFile.h): a crash or a full disk leaves
//   either the old or the new content, and no temporary file; several keys that belong
//   together are written with one IniEdit (IniEdit.h), of which each write here is the
//   one-key case;
// - a file larger than kMaxReadBytes (16 MiB) is not read: reads give the default, lists
//   are empty and writes fail, leaving it untouched;
// - nothing is cached: every call reads the file again.
// All text arguments and results are UTF-8.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace corv::ini {

inline constexpr std::size_t kMaxValueChars = 259;

std::string readString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                       std::string_view defaultValue);
// Returns false when the file could not be written (the old file is then unchanged).
bool writeString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value);
// Removes a key (every matching line of the first matching section).
bool deleteKey(const std::filesystem::path& file, std::string_view section, std::string_view key);
// Removes the first matching section with all its lines.
bool deleteSection(const std::filesystem::path& file, std::string_view section);
// Section names in file order; key names of the first matching section in file order.
std::vector<std::string> sectionNames(const std::filesystem::path& file);
std::vector<std::string> keyNames(const std::filesystem::path& file, std::string_view section);

// Number conversion like wtol: optional leading blanks, optional sign, decimal digits;
// anything else ends the number; no digits gives 0. Out-of-range numbers saturate at the
// 32-bit limits, like the Windows runtime.
long toLong(std::string_view text);

}  // namespace corv::ini
