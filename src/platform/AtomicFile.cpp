#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>

namespace corv {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTempMarker = ".tmp";

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes the content, sets the permission bits and flushes it to disk.
bool fillAndFlush(int fd, std::string_view bytes, const ReplaceOptions& options)
{
    bool ok = writeAll(fd, bytes);
    if (ok && options.mode)
        ok = ::fchmod(fd, *options.mode & 07777) == 0;
    if (ok)
        ok = ::fsync(fd) == 0;
    return ok;
}

// A fresh temporary name for target: ".NAME.tmpPID-COUNTER-STAMP" (NAME cut to keep the
// whole name well below the file-name limit).
std::string temporaryName(const fs::path& target)
{
    static std::atomic<unsigned> counter{0};
    const auto stamp =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFFF);
    return "." + target.filename().string().substr(0, 100) + std::string(kTempMarker) + std::to_string(::getpid()) +
           "-" + std::to_string(counter++) + "-" + std::to_string(stamp);
}

bool allDigits(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The PID in a temporary name of ours, or 0 when name is none.
pid_t temporaryOwner(std::string_view name)
{
    if (name.size() < 2 || name.front() != '.')
        return 0;
    const std::size_t marker = name.rfind(kTempMarker);
    if (marker == std::string_view::npos || marker < 2)
        return 0;
    const std::string_view numbers = name.substr(marker + kTempMarker.size());
    const std::size_t dash1 = numbers.find('-');
    const std::size_t dash2 = dash1 == std::string_view::npos ? dash1 : numbers.find('-', dash1 + 1);
    if (dash2 == std::string_view::npos)
        return 0;
    const std::string_view pid = numbers.substr(0, dash1);
    if (!allDigits(pid) || pid.size() > 9 || !allDigits(numbers.substr(dash1 + 1, dash2 - dash1 - 1)) ||
        !allDigits(numbers.substr(dash2 + 1)))
        return 0;
    return static_cast<pid_t>(std::stol(std::string(pid)));
}

bool processRuns(pid_t pid) { return ::kill(pid, 0) == 0 || errno != ESRCH; }

void syncFolder(const fs::path& folder)
{
    // Makes the rename itself durable; a failure here does not undo the write.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

enum class Outcome { Done, Failed, Unsupported };

// Gives the unnamed file fd the name `to` (which must not exist).
bool linkUnnamed(int fd, const fs::path& to)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    // Without /proc; needs CAP_DAC_READ_SEARCH.
    return errno != EEXIST && ::linkat(fd, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH) == 0;
}

// The unnamed temporary file: written and flushed without a name, then linked to the
// target when there is none, else to a temporary name that is renamed over the target at
// once.
Outcome replaceThroughUnnamedFile(const fs::path& folder, const fs::path& target, std::string_view bytes,
                                  const ReplaceOptions& options)
{
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        // EISDIR: a kernel without O_TMPFILE takes it for O_DIRECTORY.
        return (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOSYS) ? Outcome::Unsupported
                                                                                              : Outcome::Failed;
    }
    if (!fillAndFlush(fd, bytes, options)) {
        ::close(fd);  // the file vanishes with its descriptor
        return Outcome::Failed;
    }
    Outcome outcome = Outcome::Unsupported;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(target, ec)) && !ec && linkUnnamed(fd, target)) {
        outcome = Outcome::Done;
    } else {
        fs::path temp;
        bool linked = false;
        for (int attempt = 0; attempt < 16 && !linked; ++attempt) {
            temp = folder / temporaryName(target);
            linked = linkUnnamed(fd, temp);
            if (!linked && errno != EEXIST)
                break;
        }
        if (linked) {
            if (::rename(temp.c_str(), target.c_str()) == 0) {
                outcome = Outcome::Done;
            } else {
                ::unlink(temp.c_str());
                outcome = Outcome::Failed;
            }
        }
    }
    // The data was flushed before the link; a late close error changes nothing.
    ::close(fd);
    return outcome;
}

bool replaceThroughNamedFile(const fs::path& folder, const fs::path& target, std::string_view bytes,
                             const ReplaceOptions& options)
{
    int fd = -1;
    fs::path temp;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = folder / temporaryName(target);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = fillAndFlush(fd, bytes, options);
    if (::close(fd) != 0)
        ok = false;
    if (ok)
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

}  // namespace

ReadStatus readWholeFile(const fs::path& file, FileBytes& out, std::size_t limit)
{
    if (file.empty())
        return ReadStatus::Missing;
    // O_NONBLOCK: a FIFO in place of the file must not block the caller; only regular
    // files are read.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadStatus::Failed;
    }
    if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > limit) {
        ::close(fd);
        return ReadStatus::TooLarge;
    }
    out.mode = st.st_mode;
    out.bytes.clear();
    out.bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return ReadStatus::Failed;
        }
        if (n == 0)
            break;
        if (out.bytes.size() + static_cast<std::size_t>(n) > limit) {
            // It grew while we read it.
            ::close(fd);
            out.bytes.clear();
            return ReadStatus::TooLarge;
        }
        out.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ReadStatus::Ok;
}

bool replaceFileAtomically(const fs::path& target, std::string_view bytes, const ReplaceOptions& options)
{
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    removeStaleTemporaryFiles(folder);
    Outcome outcome = Outcome::Unsupported;
    if (options.unnamedTemporary)
        outcome = replaceThroughUnnamedFile(folder, target, bytes, options);
    if (outcome == Outcome::Unsupported)
        outcome = replaceThroughNamedFile(folder, target, bytes, options) ? Outcome::Done : Outcome::Failed;
    if (outcome != Outcome::Done)
        return false;
    syncFolder(folder);
    return true;
}

void removeStaleTemporaryFiles(const fs::path& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        const pid_t owner = temporaryOwner(name);
        if (owner <= 0 || owner == self || processRuns(owner))
            continue;
        ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace corv
