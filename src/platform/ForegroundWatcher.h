#pragma once
// Which program the user is working with: a watcher reports the full path of the executable
// behind the foreground window, so that a profile linked to that program can be applied
// while it is in front and the user's own choice can come back when it leaves.
#include <functional>
#include <memory>
#include <string>

namespace corv {

class ForegroundWatcher {
public:
    // Receives the full path of the foreground program's executable.
    using Callback = std::function<void(const std::string& executable)>;

    virtual ~ForegroundWatcher() = default;

    // Starts watching. The callback runs on the watcher's own thread, one call at a time,
    // and must not throw or call stop():
    // - once soon after start() returns, with the program in front at that moment, or an
    //   empty string when no program can be named (no active window, or one that cannot be
    //   traced to an executable);
    // - then each time a different program comes to the front.
    // A foreground window that cannot be traced to an executable reports nothing: the
    // program reported last stays the foreground program, so its user re-applies nothing.
    // False when watching is not possible here (the caller then does without) or the
    // watcher is already running.
    virtual bool start(Callback onForeground) = 0;

    // Stops watching; no call of the callback runs or follows once it returns. Does
    // nothing when not running. start() may be called again afterwards.
    virtual void stop() = 0;
};

// The watcher for the session this process runs in: the X11 one when DISPLAY is set and
// that display accepts a connection; null otherwise (no session in which we can tell which
// program is in front).
std::unique_ptr<ForegroundWatcher> makeForegroundWatcher();

}  // namespace corv
