#pragma once
// Whole-file reads and writes for the macro library, done by the platform layer
// (platform/AtomicFile.h): a write goes to an unnamed temporary file in the same folder, is
// flushed and renamed over the file, so a crash, a kill or a full disk leaves either the old
// or the new content, never a mix, and no temporary file. Unlike the INI layer, a write never
// follows a symbolic link: the link itself is replaced, so nothing is written outside the
// folder of the path given.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace corv::files {

enum class ReadStatus {
    Ok,
    Missing,   // no such file
    Failed,    // not a regular file, or it cannot be read
    TooLarge,  // larger than the caller's limit
};

// Reads a regular file (a FIFO or device in its place never blocks the caller).
ReadStatus readWholeFile(const std::filesystem::path& file, std::string& out, std::size_t maxBytes);

// Replaces (or creates) file with bytes. A file whose permission bits forbid writing is not
// replaced. False on any failure; the old file is then unchanged.
bool writeWholeFile(const std::filesystem::path& file, std::string_view bytes);

// Removes file; a file that does not exist counts as removed.
bool removeFile(const std::filesystem::path& file);

enum class MoveStatus { Ok, TargetExists, SourceMissing, Failed };

// Renames from to to, never replacing an existing to.
MoveStatus moveNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// A name in the folder of file that no other file has yet (for a file set aside while a
// change is made): ".NAME.<tag>PID-N-STAMP"; empty when none could be found.
std::filesystem::path unusedSiblingName(const std::filesystem::path& file, std::string_view tag);

// A file set aside with unusedSiblingName by a process that no longer runs (it was killed
// in the middle of its change), and the file it was set aside from (empty when its name was
// too long to be kept whole in the sibling's name).
struct AbandonedSibling {
    std::filesystem::path path;
    std::filesystem::path original;
};
std::vector<AbandonedSibling> abandonedSiblings(const std::filesystem::path& folder, std::string_view tag);

}  // namespace corv::files
