#include "macros/AtomicFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>

namespace corv::files {

namespace fs = std::filesystem;

namespace {

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

fs::path folderOf(const fs::path& file)
{
    fs::path folder = file.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

std::string uniqueSuffix()
{
    static std::atomic<unsigned> counter{0};
    const auto stamp =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFFF);
    return std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" + std::to_string(stamp);
}

// The start of a hidden sibling name; kept well below the file-name limit.
std::string hiddenBase(const fs::path& file) { return "." + file.filename().string().substr(0, 100); }

}  // namespace

ReadStatus readWholeFile(const fs::path& file, std::string& out, std::size_t maxBytes)
{
    out.clear();
    if (file.empty())
        return ReadStatus::Missing;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadStatus::Failed;
    }
    if (static_cast<std::size_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return ReadStatus::TooLarge;
    }
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            out.clear();
            return ReadStatus::Failed;
        }
        if (n == 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
        if (out.size() > maxBytes) {  // the file grew while it was read
            ::close(fd);
            out.clear();
            return ReadStatus::TooLarge;
        }
    }
    ::close(fd);
    return ReadStatus::Ok;
}

bool writeWholeFile(const fs::path& file, std::string_view bytes)
{
    if (file.empty() || file.filename().empty())
        return false;
    // An existing file keeps its permission bits; one that may not be written is left alone.
    mode_t mode = 0666;
    bool keepMode = false;
    struct stat st { };
    if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(file.c_str(), W_OK) != 0)
            return false;
        mode = st.st_mode & 07777;
        keepMode = true;
    }
    const fs::path folder = folderOf(file);
    int fd = -1;
    fs::path temp;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = folder / (hiddenBase(file) + ".tmp" + uniqueSuffix());
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes);
    if (ok && keepMode)
        ok = ::fchmod(fd, mode) == 0;
    if (ok)
        ok = ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok)
        ok = ::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here does not undo the write.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool removeFile(const fs::path& file)
{
    if (file.empty())
        return false;
    return ::unlink(file.c_str()) == 0 || errno == ENOENT;
}

MoveStatus moveNoReplace(const fs::path& from, const fs::path& to)
{
    if (from.empty() || to.empty())
        return MoveStatus::Failed;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return MoveStatus::Ok;
    if (errno == EEXIST)
        return MoveStatus::TargetExists;
    if (errno == ENOENT) {
        struct stat st { };
        return ::lstat(from.c_str(), &st) != 0 ? MoveStatus::SourceMissing : MoveStatus::Failed;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return MoveStatus::Failed;
    // A file system without the no-replace rename: a hard link fails when the target exists.
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno == EEXIST ? MoveStatus::TargetExists : MoveStatus::Failed;
    if (::unlink(from.c_str()) != 0) {
        ::unlink(to.c_str());
        return MoveStatus::Failed;
    }
    return MoveStatus::Ok;
}

fs::path unusedSiblingName(const fs::path& file, std::string_view tag)
{
    const fs::path folder = folderOf(file);
    for (int attempt = 0; attempt < 16; ++attempt) {
        fs::path candidate = folder / (hiddenBase(file) + "." + std::string(tag) + uniqueSuffix());
        struct stat st { };
        if (::lstat(candidate.c_str(), &st) != 0 && errno == ENOENT)
            return candidate;
    }
    return {};
}

}  // namespace corv::files
