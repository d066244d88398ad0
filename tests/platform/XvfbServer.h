#pragma once
// A private X server for one test: Xvfb on a display number it picks itself among the free
// ones (-displayfd), reachable only through its local socket, stopped at the end. The
// constructor returns once the server accepts connections (Xvfb names its display only
// then), or with error() saying why it did not start. Xvfb must be on PATH: it is part of
// what scripts/install-deps.sh installs, and a missing one is a failure, not a skip.
#include <memory>
#include <string>

#include "ChildProcess.h"

namespace corv::test {

class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return process_ != nullptr && process_->started() && !display_.empty(); }
    const std::string& error() const { return error_; }
    // The display name, ":N".
    const std::string& display() const { return display_; }

    // Ends the server at once, as a crash would.
    void kill();

private:
    std::unique_ptr<ChildProcess> process_;
    std::string display_;
    std::string error_;
};

}  // namespace corv::test
