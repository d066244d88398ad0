#pragma once
// The single-instance rule: an exclusive lock on a file named after the program in the
// user's runtime folder ($XDG_RUNTIME_DIR, else the temporary folder with the user id in the
// name). The lock lives as long as the object (and so the process); the operating system
// drops it when the process ends, however it ends.
#include <filesystem>
#include <string>
#include <string_view>

namespace corv {

class SingleInstanceLock {
public:
    enum class Result {
        Acquired,       // this is the only instance
        HeldElsewhere,  // another instance holds the lock
        Unavailable,    // the lock file cannot be opened or locked: carry on without the rule
    };

    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Takes the lock named name (characters unsafe in file names become '_').
    Result acquire(std::string_view name);
    void release();
    const std::filesystem::path& path() const { return path_; }

    // The folder the lock file goes to.
    static std::filesystem::path lockFolder();
    static std::string fileNameFor(std::string_view name);

private:
    int fd_ = -1;
    std::filesystem::path path_;
};

}  // namespace corv
