#include "XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace corv::test {

namespace {

// Xvfb usually names its display well within a second; a loaded machine gets much longer.
constexpr int kReadyBoundMs = 30000;

}  // namespace

XvfbServer::XvfbServer()
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error_ = std::string("cannot create a pipe: ") + std::strerror(errno);
        return;
    }
    const std::vector<std::string> argv = {
        "Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-nolisten", "tcp", "-noreset", "-screen", "0", "320x240x24"};
    process_ = std::make_unique<ChildProcess>(argv, pipeFds[1]);
    ::close(pipeFds[1]);
    if (!process_->started()) {
        error_ = process_->startError() == ENOENT
                     ? "Xvfb was not found on PATH; scripts/install-deps.sh installs it (package xvfb)"
                     : std::string("cannot start Xvfb: ") + std::strerror(process_->startError());
        ::close(pipeFds[0]);
        return;
    }

    // The display number and a newline arrive once the server is ready; an end of file
    // first means that it gave up.
    std::string number;
    for (;;) {
        pollfd fd{pipeFds[0], POLLIN, 0};
        const int ready = ::poll(&fd, 1, kReadyBoundMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            error_ = "Xvfb did not become ready within 30 s";
            break;
        }
        char buffer[32];
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = "Xvfb ended before it named its display (see its messages above)";
            break;
        }
        number.append(buffer, static_cast<std::size_t>(n));
        if (number.find('\n') != std::string::npos)
            break;
    }
    ::close(pipeFds[0]);
    if (!error_.empty()) {
        process_->end(SIGKILL);
        return;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
}

XvfbServer::~XvfbServer()
{
    if (process_)
        process_->end(SIGTERM);
}

void XvfbServer::kill()
{
    if (process_)
        process_->end(SIGKILL);
}

}  // namespace corv::test
