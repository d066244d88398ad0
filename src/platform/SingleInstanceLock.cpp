#include "platform/SingleInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace corv {

SingleInstanceLock::~SingleInstanceLock() { release(); }

std::filesystem::path SingleInstanceLock::lockFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        std::error_code ec;
        if (std::filesystem::is_directory(runtime, ec))
            return runtime;
    }
    return std::filesystem::temp_directory_path() / ("corvalantis-" + std::to_string(::getuid()));
}

std::string SingleInstanceLock::fileNameFor(std::string_view name)
{
    std::string out;
    for (const char c : name) {
        const bool unsafe = c == '/' || c == '\\' || c == '\0' || static_cast<unsigned char>(c) < 0x20;
        out.push_back(unsafe ? '_' : c);
    }
    if (out.empty() || out == "." || out == "..")
        out = "_";
    return out + ".lock";
}

SingleInstanceLock::Result SingleInstanceLock::acquire(std::string_view name)
{
    release();
    const std::filesystem::path folder = lockFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    ::chmod(folder.c_str(), 0700);  // the fallback folder is private to the user
    path_ = folder / fileNameFor(name);
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0)
        return Result::Unavailable;
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd_);
        fd_ = -1;
        return err == EWOULDBLOCK ? Result::HeldElsewhere : Result::Unavailable;
    }
    return Result::Acquired;
}

void SingleInstanceLock::release()
{
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace corv
