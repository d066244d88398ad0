#pragma once
// The foreground program on Hyprland. The watcher sleeps on the event socket
// (.socket2.sock); on an activewindowv2 event it asks the request socket (.socket.sock) for
// "j/activewindow", which names the window's pid and class. An event without an address,
// or an answer without a process, reports none. When Hyprland goes away the thread ends
// quietly. Hyprland is not packaged for the test machines: the parsers are tested on
// recorded transcripts (tests/platform/HyprlandIpcTest.cpp) and fuzzed.
#include <optional>
#include <string>

#include "platform/ForegroundWatcher.h"
#include "platform/WatcherThread.h"

namespace corv {

class HyprlandForegroundWatcher final : public ForegroundWatcher {
public:
    // socketFolder: the folder holding .socket.sock and .socket2.sock (hyprland::socketFolder).
    explicit HyprlandForegroundWatcher(std::string socketFolder);
    ~HyprlandForegroundWatcher() override;
    HyprlandForegroundWatcher(const HyprlandForegroundWatcher&) = delete;
    HyprlandForegroundWatcher& operator=(const HyprlandForegroundWatcher&) = delete;

    bool start(Callback onForeground) override;
    void stop() override;

private:
    void run();
    ForegroundProgram askActiveWindow() const;
    void report(ForegroundProgram program);

    std::string folder_;
    int events_ = -1;
    Callback callback_;
    std::optional<ForegroundProgram> reported_;
    WatcherThread thread_;
};

}  // namespace corv
