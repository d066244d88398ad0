#pragma once
// A private headless sway for one test (software rendering, no input devices), with
// Xwayland when asked. sway refuses to run as root: as root the session and its clients run
// as the unprivileged user that scripts/install-deps.sh creates (corv-desktop-test), through
// setpriv; as anyone else they run as that user. The constructor returns once sway ran its
// configuration's start-up command (it reports on a FIFO, so nothing waits a fixed time), or
// with error() saying why it did not start. sway must be on PATH (scripts/install-deps.sh).
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace corv::test {

class SwaySession {
public:
    explicit SwaySession(bool xwayland = false);
    ~SwaySession();
    SwaySession(const SwaySession&) = delete;
    SwaySession& operator=(const SwaySession&) = delete;

    bool running() const { return process_ != nullptr && error_.empty(); }
    const std::string& error() const { return error_; }
    // The IPC socket (SWAYSOCK), the private runtime folder, and Xwayland's DISPLAY.
    const std::string& ipcSocket() const { return ipcSocket_; }
    const std::string& runtimeDir() const { return runtimeDir_; }
    const std::string& xDisplay() const { return xDisplay_; }
    // The Wayland socket its clients connect to.
    std::string waylandSocket() const { return runtimeDir_ + "/wayland-1"; }

    // A Wayland client of the session, run as the session's user: program (copied into
    // the runtime folder under copyAs when that is not empty, so that two clients can be
    // two different executables) with its arguments.
    std::unique_ptr<ChildProcess> startClient(const std::string& program, const std::vector<std::string>& args,
                                              const std::string& copyAs = {});
    // Runs swaymsg with a command; true when it succeeded.
    bool command(const std::string& command);

private:
    std::vector<std::string> asUser(std::vector<std::string> argv) const;

    std::unique_ptr<ChildProcess> process_;
    std::string runtimeDir_;
    std::string ipcSocket_;
    std::string xDisplay_;
    std::string error_;
    unsigned uid_ = 0;
    unsigned gid_ = 0;
};

}  // namespace corv::test
