#pragma once
// The foreground program on sway (and other compositors that speak i3 IPC). The watcher
// subscribes to the window and workspace events on sway's IPC socket and sleeps on it: a
// focus event names the window's process (pid) and app id, or the X11 class of an Xwayland
// window. Where no event tells where the focus went (the focused window closed), it asks
// for the tree. An empty workspace in front, the last window closed, or a window without a
// process report none. When sway goes away the thread ends quietly.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/ForegroundWatcher.h"
#include "platform/WatcherThread.h"

namespace corv {

namespace sway {
struct FocusNews;
}

class SwayForegroundWatcher final : public ForegroundWatcher {
public:
    // socketPath: sway's IPC socket (empty: the value of SWAYSOCK).
    explicit SwayForegroundWatcher(std::string socketPath);
    ~SwayForegroundWatcher() override;
    SwayForegroundWatcher(const SwayForegroundWatcher&) = delete;
    SwayForegroundWatcher& operator=(const SwayForegroundWatcher&) = delete;

    // False when the socket does not accept a connection or the watcher runs already.
    bool start(Callback onForeground) override;
    void stop() override;

    const WatcherThread& thread() const { return thread_; }

private:
    void run();
    void take(const sway::FocusNews& news);

    std::string socketPath_;
    int fd_ = -1;
    Callback callback_;
    std::optional<ForegroundProgram> reported_;  // touched by the thread only while it runs
    WatcherThread thread_;
};

}  // namespace corv
