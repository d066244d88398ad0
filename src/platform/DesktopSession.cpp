#include "platform/DesktopSession.h"

#include <cstdlib>

#include "platform/Utf.h"

namespace corv {

namespace {

std::string variable(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// Whether one item of a colon-separated XDG_CURRENT_DESKTOP is name (without regard to case).
bool desktopIs(std::string_view list, std::string_view name)
{
    while (!list.empty()) {
        const std::size_t cut = list.find(':');
        if (utf::equalNoCase(list.substr(0, cut), name))
            return true;
        if (cut == std::string_view::npos)
            break;
        list.remove_prefix(cut + 1);
    }
    return false;
}

ForegroundBackend waylandForeground(const SessionEnvironment& env, std::string* reason)
{
    const std::string& d = env.currentDesktop;
    if (desktopIs(d, "KDE")) {
        *reason = "XDG_CURRENT_DESKTOP names KDE";
        return ForegroundBackend::Kwin;
    }
    if (desktopIs(d, "GNOME") || desktopIs(d, "GNOME-Classic") || desktopIs(d, "ubuntu")) {
        *reason = "XDG_CURRENT_DESKTOP names GNOME";
        return ForegroundBackend::GnomeShell;
    }
    if (desktopIs(d, "sway") && !env.swaySocket.empty()) {
        *reason = "XDG_CURRENT_DESKTOP names sway and SWAYSOCK is set";
        return ForegroundBackend::Sway;
    }
    if (desktopIs(d, "Hyprland") && !env.hyprlandSignature.empty()) {
        *reason = "XDG_CURRENT_DESKTOP names Hyprland and HYPRLAND_INSTANCE_SIGNATURE is set";
        return ForegroundBackend::Hyprland;
    }
    if (!env.swaySocket.empty()) {
        *reason = "SWAYSOCK is set";
        return ForegroundBackend::Sway;
    }
    if (!env.hyprlandSignature.empty()) {
        *reason = "HYPRLAND_INSTANCE_SIGNATURE is set";
        return ForegroundBackend::Hyprland;
    }
    *reason = "another Wayland compositor: its foreign-toplevel list";
    return ForegroundBackend::WlrToplevel;
}

}  // namespace

SessionEnvironment SessionEnvironment::current()
{
    SessionEnvironment env;
    env.sessionType = variable("XDG_SESSION_TYPE");
    env.currentDesktop = variable("XDG_CURRENT_DESKTOP");
    env.display = variable("DISPLAY");
    env.waylandDisplay = variable("WAYLAND_DISPLAY");
    env.swaySocket = variable("SWAYSOCK");
    env.hyprlandSignature = variable("HYPRLAND_INSTANCE_SIGNATURE");
    return env;
}

DesktopBackends chooseDesktopBackends(const SessionEnvironment& env, const std::function<bool()>& waylandProbe)
{
    DesktopBackends chosen;
    std::string how;
    if (utf::equalNoCase(env.sessionType, "x11")) {
        chosen.session = SessionKind::X11;
        how = "XDG_SESSION_TYPE=x11";
    } else if (utf::equalNoCase(env.sessionType, "wayland")) {
        chosen.session = SessionKind::Wayland;
        how = "XDG_SESSION_TYPE=wayland";
    } else if (!env.waylandDisplay.empty()) {
        chosen.session = SessionKind::Wayland;
        how = "WAYLAND_DISPLAY is set";
    } else if (!env.swaySocket.empty() || !env.hyprlandSignature.empty()) {
        chosen.session = SessionKind::Wayland;
        how = env.swaySocket.empty() ? "HYPRLAND_INSTANCE_SIGNATURE is set" : "SWAYSOCK is set";
    } else if (!env.display.empty()) {
        chosen.session = SessionKind::X11;
        how = "DISPLAY is set (no session type)";
    } else if (waylandProbe && waylandProbe()) {
        chosen.session = SessionKind::Wayland;
        how = "a Wayland compositor answered";
    } else {
        chosen.reason = "no graphical session (no XDG_SESSION_TYPE, WAYLAND_DISPLAY or DISPLAY)";
        return chosen;
    }

    if (chosen.session == SessionKind::X11) {
        // An X11 session: the X server sees every window and every key (KWin and GNOME on
        // X11 publish _NET_ACTIVE_WINDOW like any window manager).
        chosen.foreground = env.display.empty() ? ForegroundBackend::None : ForegroundBackend::X11;
        chosen.keyboard = env.display.empty() ? KeyboardBackend::OwnWindow : KeyboardBackend::X11Record;
        chosen.reason = how + (env.display.empty() ? ", but DISPLAY is unset" : "");
        return chosen;
    }
    // Wayland: Xwayland's DISPLAY sees only X11 programs, so it chooses nothing.
    std::string which;
    chosen.foreground = waylandForeground(env, &which);
    chosen.keyboard = KeyboardBackend::OwnWindow;
    chosen.reason = how + "; " + which;
    return chosen;
}

std::string_view foregroundBackendName(ForegroundBackend backend)
{
    switch (backend) {
    case ForegroundBackend::None:
        return "none";
    case ForegroundBackend::X11:
        return "X11 (_NET_ACTIVE_WINDOW)";
    case ForegroundBackend::Sway:
        return "sway (i3 IPC window events)";
    case ForegroundBackend::Hyprland:
        return "Hyprland (activewindowv2 events)";
    case ForegroundBackend::Kwin:
        return "KWin (a KWin script)";
    case ForegroundBackend::GnomeShell:
        return "GNOME Shell (the program's shell extension)";
    case ForegroundBackend::WlrToplevel:
        return "wlroots foreign-toplevel list (app id only)";
    }
    return "none";
}

std::string_view keyboardBackendName(KeyboardBackend backend)
{
    return backend == KeyboardBackend::X11Record ? "X11 RECORD and keyboard grab (the whole desktop)"
                                                 : "the program's own windows only";
}

}  // namespace corv
