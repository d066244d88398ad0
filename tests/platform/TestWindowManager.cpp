#include "TestWindowManager.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace corv::test {

TestWindowManager::TestWindowManager(const std::string& display) : display_(XOpenDisplay(display.c_str())) { }

TestWindowManager::~TestWindowManager()
{
    if (display_ != nullptr)
        XCloseDisplay(display_);
}

unsigned long TestWindowManager::createWindow(std::optional<pid_t> pid, const std::string& machine)
{
    const Window window = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
    if (pid) {
        // Format 32 items are passed as longs, whatever their size.
        const long value = *pid;
        XChangeProperty(display_, window, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
    }
    if (!machine.empty())
        XChangeProperty(display_, window, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(machine.data()), static_cast<int>(machine.size()));
    XMapWindow(display_, window);
    XSync(display_, False);
    return window;
}

void TestWindowManager::destroyWindow(unsigned long window)
{
    XDestroyWindow(display_, window);
    XSync(display_, False);
}

void TestWindowManager::activate(unsigned long window)
{
    const long value = static_cast<long>(window);
    XChangeProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, "_NET_ACTIVE_WINDOW", False),
                    XA_WINDOW, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&value), 1);
    XSync(display_, False);
}

void TestWindowManager::removeActiveWindow()
{
    XDeleteProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, "_NET_ACTIVE_WINDOW", False));
    XSync(display_, False);
}

void TestWindowManager::setClass(unsigned long window, const std::string& instance, const std::string& className)
{
    std::string both = instance;
    both.push_back('\0');
    both += className;
    both.push_back('\0');
    XChangeProperty(display_, window, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(both.data()), static_cast<int>(both.size()));
    XSync(display_, False);
}

namespace {

void sendToRoot(Display* display, Window window, const char* message, long first)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, message, False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = first;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(display, False);
}

}  // namespace

void TestWindowManager::requestActivation(unsigned long window)
{
    sendToRoot(display_, window, "_NET_ACTIVE_WINDOW", 2);  // 2: from a pager, which a WM obeys
}

void TestWindowManager::requestShowingDesktop(bool show)
{
    sendToRoot(display_, DefaultRootWindow(display_), "_NET_SHOWING_DESKTOP", show ? 1 : 0);
}

void TestWindowManager::setRootCardinal(const std::string& name, unsigned long value)
{
    const long item = static_cast<long>(value);
    XChangeProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, name.c_str(), False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&item), 1);
    XSync(display_, False);
}

}  // namespace corv::test
