#include "platform/DesktopSettings.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "platform/AppPaths.h"
#include "platform/DebugLog.h"
#include "platform/DesktopBackends.h"

namespace corv {

namespace {

bool containsNoCase(std::string_view text, std::string_view word)
{
    const auto it = std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(a) == lower(b);
    });
    return it != text.end();
}

bool equalsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && containsNoCase(a, b); }

std::string envValue(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

class SessionDesktopSettings final : public DesktopSettings {
public:
    SessionDesktopSettings(DesktopMethods methods, std::string display, std::filesystem::path kdeglobals,
                           std::string sessionText)
        : methods_(std::move(methods)), display_(std::move(display)), kdeglobals_(std::move(kdeglobals)),
          sessionText_(std::move(sessionText))
    { }

    bool setPointerSpeed(int speed) override
    {
        speed = clampPointerSpeed(speed);
        if (methods_.pointerSpeed.empty()) {
            debugLine("pointer speed not changed: this desktop has no pointer-speed setting we can reach (" +
                      sessionText_ + ")");
            return false;
        }
        for (const PointerSpeedMethod method : methods_.pointerSpeed) {
            switch (method) {
            case PointerSpeedMethod::GSettings:
                if (desktop::gsettingsSetPointerSpeed(speed))
                    return true;
                break;
            case PointerSpeedMethod::X11:
                if (desktop::x11SetPointerSpeed(display_, speed))
                    return true;
                break;
            }
        }
        return false;
    }

    bool setWheelScrollLines(int lines) override
    {
        lines = clampScrollLines(lines);
        if (methods_.scrollLines.empty()) {
            debugLine("wheel scroll lines not changed: this desktop has no such setting (" + sessionText_ + ")");
            return false;
        }
        for (const ScrollLinesMethod method : methods_.scrollLines) {
            switch (method) {
            case ScrollLinesMethod::KdeGlobals:
                if (kdeglobals_.empty()) {
                    debugLine("wheel scroll lines not changed: no configuration folder (HOME and XDG_CONFIG_HOME "
                              "are unset)");
                    break;
                }
                if (desktop::kdeSetWheelScrollLines(kdeglobals_, lines))
                    return true;
                break;
            }
        }
        return false;
    }

private:
    const DesktopMethods methods_;
    const std::string display_;
    const std::filesystem::path kdeglobals_;
    const std::string sessionText_;  // the environment values, for debug lines
};

}  // namespace

double pointerSpeedToUnit(int speed)
{
    const int s = clampPointerSpeed(speed) - kPointerSpeedDefault;
    const double below = kPointerSpeedDefault - kPointerSpeedMin;  // 9 steps down to -1
    const double above = kPointerSpeedMax - kPointerSpeedDefault;  // 10 steps up to 1
    return s < 0 ? s / below : s / above;
}

DesktopMethods chooseDesktopMethods(std::string_view currentDesktop, std::string_view sessionType,
                                    std::string_view display)
{
    const bool gnome = containsNoCase(currentDesktop, "gnome");
    const bool kde = containsNoCase(currentDesktop, "kde");
    const bool wayland = equalsNoCase(sessionType, "wayland");
    // Under Wayland, DISPLAY names Xwayland, whose devices the compositor does not read.
    const bool x11 = equalsNoCase(sessionType, "x11") || (!wayland && !display.empty());

    DesktopMethods methods;
    if (gnome) {
        methods.pointerSpeed.push_back(PointerSpeedMethod::GSettings);
        if (x11)
            methods.pointerSpeed.push_back(PointerSpeedMethod::X11);
    } else if (x11) {
        methods.pointerSpeed.push_back(PointerSpeedMethod::X11);
    } else if (!kde && (wayland || !currentDesktop.empty())) {
        methods.pointerSpeed.push_back(PointerSpeedMethod::GSettings);
    }
    if (kde)
        methods.scrollLines.push_back(ScrollLinesMethod::KdeGlobals);
    return methods;
}

std::unique_ptr<DesktopSettings> makeDesktopSettings()
{
    const std::string desktop = envValue("XDG_CURRENT_DESKTOP");
    const std::string session = envValue("XDG_SESSION_TYPE");
    std::string display = envValue("DISPLAY");
    DesktopMethods methods = chooseDesktopMethods(desktop, session, display);
    const std::filesystem::path config = configFolder();
    std::filesystem::path kdeglobals = config.empty() ? config : config / "kdeglobals";
    std::string sessionText =
        "XDG_CURRENT_DESKTOP=" + desktop + ", XDG_SESSION_TYPE=" + session + ", DISPLAY=" + display;
    return std::make_unique<SessionDesktopSettings>(std::move(methods), std::move(display), std::move(kdeglobals),
                                                    std::move(sessionText));
}

}  // namespace corv
