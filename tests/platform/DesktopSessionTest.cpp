// The choice of the foreground watcher and the keyboard source, as a function of the
// environment alone.
#include <gtest/gtest.h>

#include "platform/DesktopSession.h"

namespace corv {
namespace {

DesktopBackends choose(SessionEnvironment env, bool compositorAnswers = false)
{
    return chooseDesktopBackends(env, [compositorAnswers] { return compositorAnswers; });
}

TEST(DesktopBackendChoice, TheSessionTypeDecidesAndDisplayCountsOnlyOnX11)
{
    // Every Wayland session has Xwayland's DISPLAY: it must not make X11 the choice.
    for (const char* desktop : {"KDE", "GNOME", "ubuntu:GNOME", "sway", "Hyprland", "labwc", ""}) {
        const DesktopBackends w = choose({"wayland", desktop, ":0", "wayland-0", "", ""});
        EXPECT_EQ(w.session, SessionKind::Wayland) << desktop;
        EXPECT_EQ(w.keyboard, KeyboardBackend::OwnWindow) << desktop;
        EXPECT_NE(w.foreground, ForegroundBackend::X11) << desktop;
        // KWin and GNOME on X11 publish _NET_ACTIVE_WINDOW like any window manager.
        const DesktopBackends x = choose({"x11", desktop, ":0", "", "", ""});
        EXPECT_EQ(x.foreground, ForegroundBackend::X11) << desktop;
        EXPECT_EQ(x.keyboard, KeyboardBackend::X11Record) << desktop;
    }
    // An X11 session whose DISPLAY is missing has nothing to watch.
    const DesktopBackends broken = choose({"X11", "", "", "", "", ""});
    EXPECT_EQ(broken.session, SessionKind::X11);
    EXPECT_EQ(broken.foreground, ForegroundBackend::None);
    EXPECT_EQ(broken.keyboard, KeyboardBackend::OwnWindow);
}

TEST(DesktopBackendChoice, OnWaylandTheDesktopThenTheCompositorsSocketsNameTheBackend)
{
    using B = ForegroundBackend;
    EXPECT_EQ(choose({"wayland", "KDE", "", "", "", ""}).foreground, B::Kwin);
    EXPECT_EQ(choose({"wayland", "ubuntu:GNOME", "", "", "", ""}).foreground, B::GnomeShell);
    EXPECT_EQ(choose({"wayland", "sway", "", "", "/run/user/1/sway-ipc.sock", ""}).foreground, B::Sway);
    EXPECT_EQ(choose({"wayland", "Hyprland", "", "", "", "abc"}).foreground, B::Hyprland);
    // A desktop name that is not sway's, on sway (a session started by hand), and the reverse:
    // sway's name without its socket is no sway we can reach.
    EXPECT_EQ(choose({"wayland", "", "", "", "/run/user/1/sway-ipc.sock", ""}).foreground, B::Sway);
    EXPECT_EQ(choose({"wayland", "", "", "", "", "abc"}).foreground, B::Hyprland);
    EXPECT_EQ(choose({"wayland", "sway", "", "", "", ""}).foreground, B::WlrToplevel);
    EXPECT_EQ(choose({"wayland", "river", "", "", "", ""}).foreground, B::WlrToplevel);
    // KDE's name wins over a stray SWAYSOCK inherited from another session.
    EXPECT_EQ(choose({"wayland", "KDE", "", "", "/tmp/stale.sock", ""}).foreground, B::Kwin);
}

TEST(DesktopBackendChoice, WithoutASessionTypeTheDisplaysThenTheProbeDecide)
{
    EXPECT_EQ(choose({"", "", ":0", "wayland-0", "", ""}).session, SessionKind::Wayland);
    EXPECT_EQ(choose({"", "", "", "", "/s.sock", ""}).foreground, ForegroundBackend::Sway);
    EXPECT_EQ(choose({"", "", ":1", "", "", ""}).foreground, ForegroundBackend::X11);
    EXPECT_EQ(choose({"tty", "", "", "", "", ""}, true).session, SessionKind::Wayland);
    const DesktopBackends none = choose({"tty", "", "", "", "", ""}, false);
    EXPECT_EQ(none.session, SessionKind::None);
    EXPECT_EQ(none.foreground, ForegroundBackend::None);
    EXPECT_EQ(none.keyboard, KeyboardBackend::OwnWindow);
    EXPECT_FALSE(chooseDesktopBackends({}, nullptr).reason.empty());
}

}  // namespace
}  // namespace corv
