#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace corv::test {

namespace {

constexpr int kEndBoundMs = 10000;

int openPidFd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, int inheritFd, const std::string& file,
                           const std::vector<std::string>& extraEnvironment)
{
    int stdinPipe[2];
    if (::pipe2(stdinPipe, O_CLOEXEC) != 0) {
        startError_ = errno;
        return;
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    std::vector<char*> environment;
    for (char** e = environ; *e != nullptr; ++e)
        environment.push_back(*e);
    for (const std::string& e : extraEnvironment)
        environment.push_back(const_cast<char*>(e.c_str()));
    environment.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, stdinPipe[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (inheritFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, inheritFd, inheritFd);  // clears close-on-exec
    pid_t pid = -1;
    const int rc =
        ::posix_spawnp(&pid, file.empty() ? args[0] : file.c_str(), &actions, nullptr, args.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(stdinPipe[0]);
    if (rc != 0) {
        ::close(stdinPipe[1]);
        startError_ = rc;
        return;
    }
    pid_ = pid;
    pidFd_ = openPidFd(pid);
    stdinWrite_ = stdinPipe[1];
}

ChildProcess::~ChildProcess() { end(SIGKILL); }

int ChildProcess::waitForExit(int boundMs)
{
    if (pid_ <= 0)
        return -1;
    if (pidFd_ >= 0) {
        pollfd fd{pidFd_, POLLIN, 0};
        int ready = 0;
        do {
            ready = ::poll(&fd, 1, boundMs);
        } while (ready < 0 && errno == EINTR);
        if (ready == 0)
            return -1;
    }
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) { }
    if (pidFd_ >= 0)
        ::close(pidFd_);
    if (stdinWrite_ >= 0)
        ::close(stdinWrite_);
    pid_ = -1;
    pidFd_ = -1;
    stdinWrite_ = -1;
    return status;
}

void ChildProcess::end(int signal)
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, signal);
    if (waitForExit(kEndBoundMs) == -1 && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        waitForExit(kEndBoundMs);
    }
}

}  // namespace corv::test
