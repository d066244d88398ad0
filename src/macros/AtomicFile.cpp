#include "macros/AtomicFile.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>

#include "platform/AtomicFile.h"

namespace corv::files {

namespace fs = std::filesystem;

namespace {

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

constexpr std::size_t kKeptNameBytes = 100;

// The start of a hidden sibling name; kept well below the file-name limit.
std::string hiddenBase(const fs::path& file) { return "." + file.filename().string().substr(0, kKeptNameBytes); }

bool allDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

ReadStatus readWholeFile(const fs::path& file, std::string& out, std::size_t maxBytes)
{
    out.clear();
    FileBytes read;
    switch (corv::readWholeFile(file, read, maxBytes)) {
    case corv::ReadStatus::Ok:
        out = std::move(read.bytes);
        return ReadStatus::Ok;
    case corv::ReadStatus::Missing:
        return ReadStatus::Missing;
    case corv::ReadStatus::TooLarge:
        return ReadStatus::TooLarge;
    case corv::ReadStatus::Failed:
        break;
    }
    return ReadStatus::Failed;
}

bool writeWholeFile(const fs::path& file, std::string_view bytes)
{
    if (file.empty() || file.filename().empty())
        return false;
    // An existing file keeps its permission bits; one that may not be written is left alone.
    // lstat, not stat: a symbolic link in the file's place is replaced by the new file (the
    // replacement renames over the link itself), so nothing is written where it points.
    ReplaceOptions options;
    struct stat st { };
    if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(file.c_str(), W_OK) != 0)
            return false;
        options.mode = st.st_mode & 07777;
    }
    return replaceFileAtomically(file, bytes, options);
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

std::vector<AbandonedSibling> abandonedSiblings(const fs::path& folder, std::string_view tag)
{
    std::vector<AbandonedSibling> found;
    const std::string marker = "." + std::string(tag);
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        const std::size_t at = name.rfind(marker);
        if (name.size() < 2 || name.front() != '.' || at == std::string::npos || at < 2)
            continue;
        // PID-N-STAMP after the tag.
        const std::string_view numbers = std::string_view(name).substr(at + marker.size());
        const std::size_t dash1 = numbers.find('-');
        const std::size_t dash2 = dash1 == std::string_view::npos ? dash1 : numbers.find('-', dash1 + 1);
        if (dash2 == std::string_view::npos || !allDigits(numbers.substr(0, dash1)) || dash1 > 9 ||
            !allDigits(numbers.substr(dash1 + 1, dash2 - dash1 - 1)) || !allDigits(numbers.substr(dash2 + 1)))
            continue;
        const auto pid = static_cast<pid_t>(std::stol(std::string(numbers.substr(0, dash1))));
        if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;  // its process still runs: the change may still be under way
        const std::string original = name.substr(1, at - 1);
        found.push_back({entry.path(), original.size() < kKeptNameBytes ? folder / original : fs::path()});
    }
    return found;
}

}  // namespace corv::files
