#pragma once
// A private D-Bus session bus for one test: dbus-daemon started with posix_spawn, its
// address in DBUS_SESSION_BUS_ADDRESS while the object lives (the old value comes back
// afterwards), the daemon ended with it.
#include <memory>
#include <optional>
#include <string>

#include "ChildProcess.h"

namespace corv::test {

class SessionBus {
public:
    SessionBus();
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // Whether the daemon runs and told its address.
    bool up() const { return !address_.empty(); }
    const std::string& address() const { return address_; }
    // Why it is not up.
    const std::string& error() const { return error_; }

private:
    std::unique_ptr<ChildProcess> daemon_;
    std::string address_;
    std::string error_;
    std::optional<std::string> oldAddress_;
};

}  // namespace corv::test
