#include "macros/MacroWriteMark.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "macros/AtomicFile.h"  // removeFile

namespace corv {

MacroWriteMark::MacroWriteMark(std::filesystem::path dataFolder) : folder_(std::move(dataFolder)) { }

std::filesystem::path MacroWriteMark::path() const { return folder_ / kFileName; }

bool MacroWriteMark::isSet() const
{
    // A folder that cannot be looked into holds no mark: no write could have made one there
    // (a write fails to make its mark and does not begin).
    struct stat st { };
    return ::lstat(path().c_str(), &st) == 0;
}

bool MacroWriteMark::set(std::size_t macroCount, std::size_t imageLength) const
{
    // Only the name counts, so the mark is made in place and the folder alone is flushed:
    // one flush before the mouse's first frame instead of the content's and the rename's.
    // A crash before the content is written leaves an empty mark, which is a mark all the same.
    const int fd = ::open(path().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return errno == EEXIST;  // a write that did not finish is still to be made good: the mark stays as it is
    const std::string text =
        "[MACROWRITE]\nmacros=" + std::to_string(macroCount) + "\nbytes=" + std::to_string(imageLength) + "\n";
    // The content is for a person looking into the folder; a short write leaves the mark valid.
    [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
    ::close(fd);
    const int folderFd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool durable = folderFd >= 0 && ::fsync(folderFd) == 0;
    if (folderFd >= 0)
        ::close(folderFd);
    if (!durable) {
        // A mark that a crash could lose protects nothing: the write must not begin.
        ::unlink(path().c_str());
        return false;
    }
    return true;
}

bool MacroWriteMark::clear() const { return files::removeFile(path()); }

}  // namespace corv
