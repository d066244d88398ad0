#include "platform/ForegroundWatcher.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/DebugLog.h"
#include "platform/DesktopSession.h"
#include "platform/GnomeShellForegroundWatcher.h"
#include "platform/HyprlandForegroundWatcher.h"
#include "platform/HyprlandIpc.h"
#include "platform/KwinForegroundWatcher.h"
#include "platform/SwayForegroundWatcher.h"
#include "platform/WlrToplevelForegroundWatcher.h"
#include "platform/X11ForegroundWatcher.h"

namespace corv {

namespace {

constexpr std::string_view kDeletedSuffix = " (deleted)";

std::unique_ptr<ForegroundWatcher> x11Watcher(const std::string& display)
{
    if (display.empty() || !X11ForegroundWatcher::canConnect(display)) {
        debugLine("foreground watcher: cannot open the X display " + display);
        return nullptr;
    }
    return std::make_unique<X11ForegroundWatcher>(display);
}

}  // namespace

std::string executableOfProcess(std::uint32_t pid)
{
    if (pid == 0)
        return {};
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(n));
            if (path.ends_with(kDeletedSuffix))
                path.resize(path.size() - kDeletedSuffix.size());
            if (path.empty() || path.front() != '/')
                return {};
            return path;
        }
        buffer.resize(buffer.size() * 2);  // the path may have been cut short: read it again
    }
}

std::unique_ptr<ForegroundWatcher> makeForegroundWatcher()
{
    const SessionEnvironment env = SessionEnvironment::current();
    const DesktopBackends chosen = chooseDesktopBackends(env);
    debugLine("foreground watcher: " + std::string(foregroundBackendName(chosen.foreground)) + " (" + chosen.reason +
              ")");
    switch (chosen.foreground) {
    case ForegroundBackend::None:
        return nullptr;
    case ForegroundBackend::X11:
        return x11Watcher(env.display);
    case ForegroundBackend::Sway:
        return std::make_unique<SwayForegroundWatcher>(env.swaySocket);
    case ForegroundBackend::Hyprland: {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        return std::make_unique<HyprlandForegroundWatcher>(
            hyprland::socketFolder(runtime == nullptr ? "" : runtime, env.hyprlandSignature));
    }
    case ForegroundBackend::Kwin:
        return std::make_unique<KwinForegroundWatcher>();
    case ForegroundBackend::GnomeShell:
        // X11 programs through Xwayland until the shell extension tells.
        return std::make_unique<GnomeShellForegroundWatcher>(std::string(),
                                                             env.display.empty() ? nullptr : x11Watcher(env.display));
    case ForegroundBackend::WlrToplevel:
        if (WlrToplevelForegroundWatcher::offered(env.waylandDisplay))
            return std::make_unique<WlrToplevelForegroundWatcher>(env.waylandDisplay);
        break;
    }
    // A desktop whose own backend is not there: Xwayland still tells which X11 program is in
    // front (games under Wine and Proton are X11 programs), and gives none for every native
    // Wayland window, so the user's choice applies while one of those is in front.
    debugLine("foreground watcher: no backend of this desktop here; X11 programs through Xwayland only");
    return env.display.empty() ? nullptr : x11Watcher(env.display);
}

}  // namespace corv
