#pragma once
// The two settings of the desktop that a profile carries besides the mouse's own: the
// pointer speed and the number of lines one wheel notch scrolls. They are applied to the
// desktop session the user runs:
// - pointer speed: GNOME through GSettings (org.gnome.desktop.peripherals.mouse speed);
//   an X11 session through the "libinput Accel Speed" property of every pointer device,
//   or the core pointer acceleration when no device has that property;
// - scroll lines: KDE through [KDE] WheelScrollLines in kdeglobals plus the change
//   notification KDE programs listen for. GNOME and plain X11 have no such setting.
// Every call may come from any thread.
#include <memory>
#include <string_view>
#include <vector>

namespace corv {

inline constexpr int kPointerSpeedMin = 1;
inline constexpr int kPointerSpeedDefault = 10;  // the desktop's own default speed
inline constexpr int kPointerSpeedMax = 20;
inline constexpr int kScrollLinesMin = 1;
inline constexpr int kScrollLinesMax = 100;

inline int clampPointerSpeed(int speed)
{
    return speed < kPointerSpeedMin ? kPointerSpeedMin : speed > kPointerSpeedMax ? kPointerSpeedMax : speed;
}

inline int clampScrollLines(int lines)
{
    return lines < kScrollLinesMin ? kScrollLinesMin : lines > kScrollLinesMax ? kScrollLinesMax : lines;
}

// A speed on the 1..20 scale (clamped first) as the -1..1 value of GSettings and libinput:
// 1 gives -1, 10 gives 0 (the default), 20 gives 1; linear in between on either side
// ((speed - 10) / 9 below 10, (speed - 10) / 10 above).
double pointerSpeedToUnit(int speed);

class DesktopSettings {
public:
    virtual ~DesktopSettings() = default;

    // Sets the pointer speed: 1 slowest, 10 the desktop's default, 20 fastest; values
    // outside 1..20 are clamped. True when the desktop's setting was written; false when
    // this desktop has no pointer-speed setting we can reach or writing it failed (a
    // debug line says which). Nothing else is changed.
    virtual bool setPointerSpeed(int speed) = 0;

    // Sets the lines scrolled per wheel notch, clamped to 1..100. Same outcome as above.
    virtual bool setWheelScrollLines(int lines) = 0;
};

// How a setting reaches the desktop; the methods of a session are tried in order until one
// succeeds.
enum class PointerSpeedMethod { GSettings, X11 };
enum class ScrollLinesMethod { KdeGlobals };

struct DesktopMethods {
    std::vector<PointerSpeedMethod> pointerSpeed;
    std::vector<ScrollLinesMethod> scrollLines;
    bool operator==(const DesktopMethods&) const = default;
};

// The methods for a session described by the values of XDG_CURRENT_DESKTOP,
// XDG_SESSION_TYPE and DISPLAY (empty when unset):
// - a desktop whose name contains GNOME: GSettings, then X11 on an X11 session;
// - an X11 session (type "x11", or DISPLAY set and the type is not "wayland"): X11;
// - any other session that names a desktop or is a Wayland session, KDE excepted:
//   GSettings (used only when the GNOME schema is installed);
// - a desktop whose name contains KDE: scroll lines through kdeglobals.
// Names compare without regard to case.
DesktopMethods chooseDesktopMethods(std::string_view currentDesktop, std::string_view sessionType,
                                    std::string_view display);

// The implementation for the session this process runs in, read from the environment
// (the variables above, plus XDG_CONFIG_HOME / HOME for kdeglobals) once, here.
std::unique_ptr<DesktopSettings> makeDesktopSettings();

}  // namespace corv
