// Pointer speed on an X11 session: the libinput acceleration of every pointer device, or
// the core pointer acceleration when no device is driven by libinput.
#include <cstring>
#include <mutex>
#include <numeric>
#include <string>

#include "platform/DebugLog.h"
#include "platform/DesktopBackends.h"
#include "platform/DesktopSettings.h"

// Xlib's macros (None, Bool, Status, ...) stay inside this file.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace corv::desktop {

namespace {

// The core pointer acceleration for a speed: speed/5 (10 gives 2/1, the X server's own
// default; 20 gives 4/1; 1 gives 1/5, slower than the hand above the threshold).
constexpr int kCoreAccelDenominator = 5;
constexpr int kCoreAccelThreshold = 4;  // pixels per motion event before acceleration starts

// One X conversation at a time in this process: the error handler below is process-wide.
std::mutex& xMutex()
{
    static std::mutex m;
    return m;
}

// Guarded by xMutex() while a conversation runs. Errors of our display are counted instead
// of ending the program (Xlib's default handler exits); errors of any other display of the
// process go to whatever handler was installed before.
Display* g_ourDisplay = nullptr;
int g_errorCount = 0;
XErrorHandler g_previousHandler = nullptr;

int countError(Display* display, XErrorEvent* event)
{
    if (display == g_ourDisplay) {
        ++g_errorCount;
        return 0;
    }
    return g_previousHandler != nullptr ? g_previousHandler(display, event) : 0;
}

class Conversation {
public:
    explicit Conversation(const std::string& name) : lock_(xMutex()), display_(XOpenDisplay(name.c_str()))
    {
        if (display_ == nullptr)
            return;
        g_ourDisplay = display_;
        g_errorCount = 0;
        g_previousHandler = XSetErrorHandler(countError);
    }
    ~Conversation()
    {
        if (display_ == nullptr)
            return;
        XSync(display_, False);
        XSetErrorHandler(g_previousHandler);
        XCloseDisplay(display_);
        g_ourDisplay = nullptr;
        g_previousHandler = nullptr;
    }
    Conversation(const Conversation&) = delete;
    Conversation& operator=(const Conversation&) = delete;

    Display* display() const { return display_; }

    // Waits for every request so far to be processed; true when none of them failed.
    bool syncWithoutErrors()
    {
        const int before = g_errorCount;
        XSync(display_, False);
        return g_errorCount == before;
    }

private:
    std::lock_guard<std::mutex> lock_;
    Display* display_;
};

bool hasXInput2(Display* display)
{
    int opcode = 0, event = 0, error = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error))
        return false;
    int major = 2, minor = 0;
    return XIQueryVersion(display, &major, &minor) == Success;
}

// True when the device has the property as one 32-bit float.
bool hasFloatProperty(Display* display, int device, Atom property, Atom floatType)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    const Status status =
        XIGetProperty(display, device, property, 0, 1, False, AnyPropertyType, &type, &format, &items, &after, &data);
    if (data != nullptr)
        XFree(data);
    return status == Success && type == floatType && format == 32 && items >= 1;
}

// The number of pointer devices whose libinput speed was set.
int setLibinputSpeed(Conversation& x, float unit)
{
    Display* display = x.display();
    if (!hasXInput2(display)) {
        debugLine("X11: the server has no XInput2");
        return 0;
    }
    // Atoms that do not exist yet mean that no device has the property.
    const Atom property = XInternAtom(display, "libinput Accel Speed", True);
    const Atom floatType = XInternAtom(display, "FLOAT", True);
    if (property == None || floatType == None)
        return 0;

    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    if (devices == nullptr)
        return 0;
    int changed = 0;
    for (int i = 0; i < count; ++i) {
        const XIDeviceInfo& device = devices[i];
        if (device.use != XISlavePointer || !hasFloatProperty(display, device.deviceid, property, floatType))
            continue;
        // Format 32 items travel as 4 bytes each, whatever the size of long.
        unsigned char bytes[4];
        static_assert(sizeof(float) == sizeof(bytes));
        std::memcpy(bytes, &unit, sizeof(bytes));
        XIChangeProperty(display, device.deviceid, property, floatType, 32, XIPropModeReplace, bytes, 1);
        if (x.syncWithoutErrors())
            ++changed;
        else
            debugLine(std::string("X11: the pointer speed of \"") + device.name + "\" cannot be set");
    }
    XIFreeDeviceInfo(devices);
    return changed;
}

}  // namespace

bool x11SetPointerSpeed(const std::string& displayName, int speed)
{
    speed = clampPointerSpeed(speed);
    if (displayName.empty()) {
        debugLine("pointer speed not set through X11: no X display (DISPLAY is unset)");
        return false;
    }
    Conversation x(displayName);
    if (x.display() == nullptr) {
        debugLine("pointer speed not set through X11: cannot open the display " + displayName);
        return false;
    }
    if (setLibinputSpeed(x, static_cast<float>(pointerSpeedToUnit(speed))) > 0)
        return true;

    const int divisor = std::gcd(speed, kCoreAccelDenominator);
    XChangePointerControl(x.display(), True, True, speed / divisor, kCoreAccelDenominator / divisor,
                          kCoreAccelThreshold);
    if (!x.syncWithoutErrors()) {
        debugLine("pointer speed not set through X11: the server refused the pointer acceleration");
        return false;
    }
    return true;
}

}  // namespace corv::desktop
