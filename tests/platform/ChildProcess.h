#pragma once
// A process started by a test and ended with it. Its standard input is a pipe that stays
// open while the object lives (so that a reader such as cat waits instead of ending), its
// standard output goes to /dev/null, its standard error is the test's.
#include <sys/types.h>

#include <string>
#include <vector>

namespace corv::test {

class ChildProcess {
public:
    // Starts argv[0], looked up on PATH (or file, when given: argv[0] is then only the name
    // the process is told, as Wine's loader sets it). inheritFd, when not -1, stays open in
    // the child under the same number. The program has replaced the child when it returns.
    // extraEnvironment ("NAME=value") is added to this process's environment for the child.
    explicit ChildProcess(const std::vector<std::string>& argv, int inheritFd = -1, const std::string& file = {},
                          const std::vector<std::string>& extraEnvironment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // The errno of the failed start, 0 after a successful one.
    int startError() const { return startError_; }
    pid_t pid() const { return pid_; }

    // Sends signal and waits for the process to end (up to a generous bound, after which
    // it is killed outright). The process is reaped: its pid no longer exists afterwards.
    // Does nothing when it was already ended.
    void end(int signal);

    // Waits (up to bound) for the process to end by itself and reaps it; its exit status
    // as waitpid gives it, or -1 when it is still running.
    int waitForExit(int boundMs);

private:
    pid_t pid_ = -1;
    int pidFd_ = -1;
    int stdinWrite_ = -1;
    int startError_ = 0;
};

}  // namespace corv::test
