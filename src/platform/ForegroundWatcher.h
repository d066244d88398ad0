#pragma once
// Which program the user is working with: a watcher reports the program behind the window in
// front, so that a profile linked to that program can be applied while it is in front and
// the user's own choice can come back when it leaves.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace corv {

// The program in front, as far as the desktop tells it. "None" (every field empty) means
// that no program of this machine is in front: no window has the focus, the desktop itself
// has it, the last window closed, a window of another machine (X11 forwarding), or a window
// the watcher cannot see (a native Wayland window seen through Xwayland). None is linked to
// no profile, so the user's own choice applies again.
struct ForegroundProgram {
    std::string executable;  // full path of the executable; empty when it cannot be read
    std::uint32_t pid = 0;   // the process of the window; 0 when the desktop does not say
    std::string appId;       // Wayland app id or the X11 window class (WM_CLASS); may be empty

    bool none() const { return executable.empty() && pid == 0 && appId.empty(); }
    bool operator==(const ForegroundProgram&) const = default;
};

class ForegroundWatcher {
public:
    using Callback = std::function<void(const ForegroundProgram& program)>;

    virtual ~ForegroundWatcher() = default;

    // Starts watching. The callback runs on the watcher's own thread, one call at a time,
    // and must not throw or call stop():
    // - once soon after start() returns, with the program in front at that moment (none
    //   when there is none);
    // - then each time that changes (a different program, or none after a program).
    // False when watching is not possible here (the caller then does without) or the
    // watcher is already running.
    virtual bool start(Callback onForeground) = 0;

    // Stops watching; no call of the callback runs or follows once it returns. Does
    // nothing when not running. start() may be called again afterwards.
    virtual void stop() = 0;

    // The desktop extension that this watcher needs and the desktop has not enabled (its
    // name, for the user to enable it); empty when none is needed, it runs, or the desktop has
    // not said yet. Any thread.
    virtual std::string missingExtension() const { return {}; }
};

// The full path of the executable of process pid (the target of /proc/PID/exe without the
// " (deleted)" the kernel appends to a replaced file); empty when it cannot be read (the
// process ended, or belongs to another user with a protected /proc entry).
std::string executableOfProcess(std::uint32_t pid);

// The watcher for the session this process runs in, chosen by chooseDesktopBackends()
// (DesktopSession.h) from the environment; null when there is none here (no graphical
// session, or a desktop whose backend cannot be reached).
std::unique_ptr<ForegroundWatcher> makeForegroundWatcher();

}  // namespace corv
