#pragma once
// Whole-file reads with a size limit, and atomic replacement of a file.
//
// A replacement never leaves the old content half overwritten: the new bytes go to a
// temporary file in the target's folder, which is flushed to disk and then renamed over the
// target; the folder is flushed too. The temporary file is created without a name
// (O_TMPFILE) and gets one only for the instant before the rename, so a process killed
// while writing leaves nothing behind. Where the file system cannot create unnamed files,
// a named temporary file ".NAME.tmpPID-N-STAMP" is used instead; such files left by a
// process that no longer runs are removed by the next replacement in that folder.
#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace corv {

// Files above this size are refused: they are no file of ours.
inline constexpr std::size_t kMaxReadBytes = std::size_t{16} * 1024 * 1024;

enum class ReadStatus { Ok, Missing, Failed, TooLarge };

struct FileBytes {
    std::string bytes;
    mode_t mode = 0;
};

// Reads a regular file whole. Missing: the file (or a folder on its path) does not exist.
// Failed: it cannot be read or is no regular file (a FIFO is not opened for a blocking
// read). TooLarge: it holds more than limit bytes; nothing of it is read.
ReadStatus readWholeFile(const std::filesystem::path& file, FileBytes& out, std::size_t limit = kMaxReadBytes);

struct ReplaceOptions {
    // Permission bits of the new file; without them a new file gets 0666 less the umask.
    std::optional<mode_t> mode;
    // False forces the named temporary file (for file systems without O_TMPFILE; tests).
    bool unnamedTemporary = true;
};

// Replaces (or creates) target with bytes. False when that failed: target is then as it
// was and no temporary file is left.
bool replaceFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                           const ReplaceOptions& options = {});

// Removes the named temporary files in folder that a process which no longer runs left
// behind. Files of running processes and files of any other name are kept.
void removeStaleTemporaryFiles(const std::filesystem::path& folder);

}  // namespace corv
