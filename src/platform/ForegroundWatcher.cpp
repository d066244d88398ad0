#include "platform/ForegroundWatcher.h"

#include <cstdlib>

#include "platform/DebugLog.h"
#include "platform/X11ForegroundWatcher.h"

namespace corv {

std::unique_ptr<ForegroundWatcher> makeForegroundWatcher()
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        debugLine("foreground watcher: no X display (DISPLAY is unset)");
        return nullptr;
    }
    if (!X11ForegroundWatcher::canConnect(display)) {
        debugLine(std::string("foreground watcher: cannot open the X display ") + display);
        return nullptr;
    }
    return std::make_unique<X11ForegroundWatcher>(display);
}

}  // namespace corv
