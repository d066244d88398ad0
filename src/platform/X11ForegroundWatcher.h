#pragma once
// The foreground program on an X11 session. The window manager publishes the active window
// in the root window's _NET_ACTIVE_WINDOW property; the watcher asks the X server to tell
// it of every change of the root's properties and sleeps on the connection until one comes
// (an idle desktop costs no wake-up). On a change of the active window it reads the
// window's _NET_WM_PID (where the window has none, the X-Resource extension names the pid
// of the client that made it), its WM_CLASS class, and resolves /proc/PID/exe.
//
// None is reported (see ForegroundWatcher) for no active window (the desktop has the focus,
// the last window closed, or, under Xwayland, a native Wayland window is in front), a
// window that is already gone, and a window of another machine (its WM_CLIENT_MACHINE
// names another host, so its pid means nothing here). A process whose executable cannot be
// read (it ended, or belongs to another user with a protected /proc entry) is reported with
// its pid and class and an empty path. An executable replaced or deleted while it runs is
// reported by the path it was started from. The watcher is also told when the window in
// front is destroyed: a window manager that leaves _NET_ACTIVE_WINDOW naming a closed window
// (openbox does, for the last one) then gives none as well.
//
// The watcher has its own thread and its own connection to the X server, so it shares no
// Xlib state (error handlers included) with the rest of the process; a failing request
// ends in an error reply for that request only. When the X server goes away the thread
// ends quietly and reports nothing more. start() and stop() are called from one thread.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/ForegroundWatcher.h"
#include "platform/WatcherThread.h"

struct xcb_connection_t;

namespace corv {

class X11ForegroundWatcher final : public ForegroundWatcher {
public:
    // displayName: as in DISPLAY (":0"); empty means the value of DISPLAY.
    explicit X11ForegroundWatcher(std::string displayName);
    ~X11ForegroundWatcher() override;
    X11ForegroundWatcher(const X11ForegroundWatcher&) = delete;
    X11ForegroundWatcher& operator=(const X11ForegroundWatcher&) = delete;

    // False when the display cannot be opened, its window manager properties cannot be
    // named, or the watcher is already running (also after its thread ended by itself:
    // stop() first).
    bool start(Callback onForeground) override;
    void stop() override;

    // True when a connection to the display can be opened now.
    static bool canConnect(const std::string& displayName);

    // What the thread did, for tests and measurements. A change that arrives while the
    // thread is busy is handled in the same pass, without a wake-up of its own; the thread
    // ends when stopped or when the X server goes away.
    const WatcherThread& thread() const { return thread_; }
    // The kernel's id of the running thread (as in /proc/self/task/ID), 0 before it runs.
    int threadId() const { return threadId_.load(); }

private:
    void run();
    void reportIfNew(bool always);
    ForegroundProgram foregroundProgram();
    std::uint32_t pidOfClient(std::uint32_t window);

    std::string displayName_;
    WatcherThread thread_;
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint32_t activeWindowAtom_ = 0;
    std::uint32_t pidAtom_ = 0;
    bool resources_ = false;           // the server has X-Resource 1.2
    std::uint32_t watchedWindow_ = 0;  // the window in front, whose destruction we are told of
    std::string hostName_;
    Callback callback_;
    ForegroundProgram lastReported_;  // touched by the thread only while it runs
    std::atomic<int> threadId_{0};
};

}  // namespace corv
