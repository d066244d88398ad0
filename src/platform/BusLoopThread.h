#pragma once
// A thread that serves one D-Bus connection from a GLib main loop of its own: the loop's
// context is the thread's default, so every handler, watch and call reply of the connection
// runs there, and an idle bus costs no wake-up. The program's services and the watchers that
// hear a desktop over the bus (KWin, GNOME Shell) are built on it.
#include <functional>
#include <string>
#include <thread>

typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;
typedef struct _GDBusConnection GDBusConnection;

namespace corv {

class BusLoopThread {
public:
    // Run on the thread with the connection open: subscribe, register, watch names. Returns
    // "" when it serves, else why it cannot (the thread then tears down and ends).
    using SetUp = std::function<std::string(GDBusConnection* connection)>;
    // Run on the thread when the loop has ended (or the set-up failed), the connection still
    // open; served tells whether the set-up succeeded. Afterwards the connection is closed and
    // whatever it still queued for the loop is dropped.
    using TearDown = std::function<void(GDBusConnection* connection, bool served)>;

    BusLoopThread() = default;
    ~BusLoopThread();
    BusLoopThread(const BusLoopThread&) = delete;
    BusLoopThread& operator=(const BusLoopThread&) = delete;

    // Connects to the bus at busAddress on a new thread, runs setUp there and waits for it:
    // "" when the loop runs, else why not (no connection, the set-up's reason, or already
    // running); the thread has then ended.
    std::string start(const std::string& busAddress, SetUp setUp, TearDown tearDown);
    // Ends the loop (also before it began to run), waits for the tear-down and the thread.
    // Nothing when not running.
    void stop();
    bool running() const { return thread_.joinable(); }
    // The loop's context, for timeouts and idle sources of the thread's own; null when not
    // running.
    GMainContext* context() const { return context_; }

private:
    void run(const std::string& busAddress, const SetUp& setUp, const TearDown& tearDown,
             const std::function<void(const std::string&)>& started);

    GMainContext* context_ = nullptr;
    GMainLoop* loop_ = nullptr;
    std::thread thread_;
};

}  // namespace corv
