#pragma once
// The foreground program on a wlroots compositor that has no IPC of its own that we speak
// (river, labwc, Wayfire, ...; sway too offers it). The watcher is a Wayland client on a
// connection of its own: it binds the compositor's foreign-toplevel list
// (zwlr_foreign_toplevel_manager_v1, versions 1 to 3) and sleeps on the connection. The list
// gives each window's app id and whether it is activated, but never its process: the report
// names the app id only (no pid, no executable), so a link matches by the app id against the
// linked program's file name. A compositor without the list makes start() fail (the caller
// then watches X11 programs through Xwayland). When the compositor goes away or ends the list,
// the thread ends quietly.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/ForegroundWatcher.h"
#include "platform/WatcherThread.h"
#include "platform/WlrToplevelList.h"

struct wl_display;
struct wl_registry;
struct wl_callback;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace corv {

class WlrToplevelForegroundWatcher final : public ForegroundWatcher {
public:
    // display: the compositor's socket, a name under XDG_RUNTIME_DIR ("wayland-1") or an
    // absolute path; empty: the value of WAYLAND_DISPLAY.
    explicit WlrToplevelForegroundWatcher(std::string display);
    ~WlrToplevelForegroundWatcher() override;
    WlrToplevelForegroundWatcher(const WlrToplevelForegroundWatcher&) = delete;
    WlrToplevelForegroundWatcher& operator=(const WlrToplevelForegroundWatcher&) = delete;

    // Whether the compositor at display answers and offers the list (one short connection).
    static bool offered(const std::string& display);

    // False when the compositor does not answer (within a bound), does not offer the list, or
    // the watcher runs already.
    bool start(Callback onForeground) override;
    void stop() override;

    const WatcherThread& thread() const { return thread_; }

private:
    struct Events;

    bool connect();
    void disconnect();
    void run();
    void report();

    std::string display_;
    // Touched by start() and stop(), and by the thread only while it runs.
    wl_display* connection_ = nullptr;
    wl_registry* registry_ = nullptr;
    std::uint32_t managerName_ = 0;
    std::uint32_t managerVersion_ = 0;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    wl_callback* initialSync_ = nullptr;
    bool listed_ = false;    // the windows open at start have all been told
    bool finished_ = false;  // the compositor ended the list
    std::map<std::uint32_t, zwlr_foreign_toplevel_handle_v1*> handles_;
    WlrToplevelList windows_;
    Callback callback_;
    std::optional<ForegroundProgram> reported_;
    WatcherThread thread_;
};

}  // namespace corv
