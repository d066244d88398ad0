#include "SessionBus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace corv::test {

namespace {

constexpr int kStartBoundMs = 20000;

}  // namespace

SessionBus::SessionBus()
{
    if (const char* old = std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        oldAddress_ = old;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error_ = std::strerror(errno);
        return;
    }
    // The daemon writes its address to the pipe once it listens.
    daemon_ = std::make_unique<ChildProcess>(std::vector<std::string>{"dbus-daemon", "--session", "--nofork",
                                                                      "--print-address=" + std::to_string(pipeFds[1])},
                                             pipeFds[1]);
    ::close(pipeFds[1]);
    if (!daemon_->started()) {
        error_ = std::string("dbus-daemon does not start: ") + std::strerror(daemon_->startError());
        ::close(pipeFds[0]);
        return;
    }
    std::string line;
    char buffer[256];
    while (line.find('\n') == std::string::npos) {
        pollfd fd{pipeFds[0], POLLIN, 0};
        const int ready = ::poll(&fd, 1, kStartBoundMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        line.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    const std::size_t end = line.find('\n');
    if (end == std::string::npos || end == 0) {
        error_ = "dbus-daemon told no address";
        daemon_->end(SIGTERM);
        return;
    }
    address_ = line.substr(0, end);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
}

SessionBus::~SessionBus()
{
    if (daemon_)
        daemon_->end(SIGTERM);
    if (oldAddress_)
        ::setenv("DBUS_SESSION_BUS_ADDRESS", oldAddress_->c_str(), 1);
    else
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

}  // namespace corv::test
