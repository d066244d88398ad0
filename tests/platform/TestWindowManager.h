#pragma once
// Plays the window manager on a test's X server: creates client windows carrying the
// properties a program sets on its own windows, and announces the active window on the
// root as a window manager does. Every call has reached the server when it returns.
#include <sys/types.h>

#include <optional>
#include <string>

struct _XDisplay;

namespace corv::test {

class TestWindowManager {
public:
    explicit TestWindowManager(const std::string& display);
    ~TestWindowManager();
    TestWindowManager(const TestWindowManager&) = delete;
    TestWindowManager& operator=(const TestWindowManager&) = delete;

    bool connected() const { return display_ != nullptr; }

    // A new window with _NET_WM_PID = pid (no such property without one) and, when
    // machine is not empty, WM_CLIENT_MACHINE = machine.
    unsigned long createWindow(std::optional<pid_t> pid, const std::string& machine = {});
    void destroyWindow(unsigned long window);

    // _NET_ACTIVE_WINDOW on the root = window (0: no active window).
    void activate(unsigned long window);
    // Removes _NET_ACTIVE_WINDOW from the root.
    void removeActiveWindow();
    // WM_CLASS of a window: its instance and class names.
    void setClass(unsigned long window, const std::string& instance, const std::string& className);
    // Asks the real window manager running on the display (as a pager does): to activate
    // window, or to show the desktop (its windows hidden, the focus on the desktop).
    void requestActivation(unsigned long window);
    void requestShowingDesktop(bool show);
    // Any other root property, set to one CARDINAL.
    void setRootCardinal(const std::string& name, unsigned long value);

private:
    _XDisplay* display_ = nullptr;
};

}  // namespace corv::test
