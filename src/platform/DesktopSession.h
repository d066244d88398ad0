#pragma once
// Which desktop this process runs on, and so which foreground watcher and which keyboard
// source serve it. One place decides, from the environment alone (plus one probe that the
// caller passes in), so that the choice is a pure function that tests can give any
// environment:
//
// 1. XDG_SESSION_TYPE: "x11" is an X11 session, "wayland" a Wayland one. DISPLAY counts only
//    on an X11 session: every Wayland session has Xwayland, whose DISPLAY sees X11 windows
//    and X11 keys only.
// 2. On Wayland, XDG_CURRENT_DESKTOP names the family (KDE, GNOME, sway, Hyprland; a list
//    "ubuntu:GNOME" counts when any item matches), then SWAYSOCK and
//    HYPRLAND_INSTANCE_SIGNATURE name the compositor whose IPC is there.
// 3. Without a session type (a program started from a terminal of another session, or by
//    hand) WAYLAND_DISPLAY means Wayland and DISPLAY means X11; otherwise the probe (does
//    a Wayland compositor accept us?) decides.
//
// What each backend needs and cannot see is in docs/architecture.md ("The program in
// front, by desktop").
#include <functional>
#include <string>
#include <string_view>

namespace corv {

enum class SessionKind { None, X11, Wayland };

enum class ForegroundBackend {
    None,         // no graphical session, or none that tells the window in front
    X11,          // _NET_ACTIVE_WINDOW of the X server
    Sway,         // i3 IPC on SWAYSOCK
    Hyprland,     // Hyprland's event and request sockets
    Kwin,         // a KWin script calling our D-Bus service
    GnomeShell,   // our GNOME Shell extension's D-Bus signal
    WlrToplevel,  // zwlr_foreign_toplevel_manager_v1 (app id only)
};

enum class KeyboardBackend {
    X11Record,  // the X server's RECORD extension and a keyboard grab: the whole desktop
    OwnWindow,  // the keys typed into the program's own windows
};

// The environment the choice depends on: each field is the variable's value, empty when
// unset.
struct SessionEnvironment {
    std::string sessionType;        // XDG_SESSION_TYPE
    std::string currentDesktop;     // XDG_CURRENT_DESKTOP
    std::string display;            // DISPLAY
    std::string waylandDisplay;     // WAYLAND_DISPLAY
    std::string swaySocket;         // SWAYSOCK
    std::string hyprlandSignature;  // HYPRLAND_INSTANCE_SIGNATURE

    // This process's environment.
    static SessionEnvironment current();
};

struct DesktopBackends {
    SessionKind session = SessionKind::None;
    ForegroundBackend foreground = ForegroundBackend::None;
    KeyboardBackend keyboard = KeyboardBackend::OwnWindow;
    // How the choice was made, for doctor and the debug log.
    std::string reason;
};

// waylandProbe: asked only when nothing in the environment names the session; true when a
// Wayland compositor accepts a connection. Null counts as false.
DesktopBackends chooseDesktopBackends(const SessionEnvironment& env,
                                      const std::function<bool()>& waylandProbe = nullptr);

// Names for doctor and the log: "X11 (_NET_ACTIVE_WINDOW)", "sway (i3 IPC)", ...
std::string_view foregroundBackendName(ForegroundBackend backend);
std::string_view keyboardBackendName(KeyboardBackend backend);

}  // namespace corv
