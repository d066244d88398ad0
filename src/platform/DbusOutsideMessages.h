#pragma once
// Messages from outside over the D-Bus session bus (docs/outside-messages.md).
//
// The running program owns the name kBusName and serves kInterface at kObjectPath:
//   Show()                                    show the main window
//   ApplyDpiProfile() -> (b applied)          apply the DPI page's selected profile again
//   ApplyKeyProfile() -> (b applied)          ... the button page's
//   ApplyRegProfile() -> (b applied)          ... the sensor page's
//   DeviceArrived()   -> (b mouseOpen)        present the mouse, or hide the window without one
//   SelectProfile(s name)                     select a profile as a user would (error
//                                             kErrorUnknownProfile for a name not listed)
//   GetState()        -> (b windowVisible, b mouseConnected)
// A request the program can no longer carry out gets the error kErrorClosing.
//
// The session bus is the one named by DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus
// when that socket exists; a bus is never launched.
#include <string>

#include "platform/BusLoopThread.h"
#include "platform/OutsideMessages.h"

typedef struct _GDBusConnection GDBusConnection;

namespace corv {

inline constexpr const char* kBusName = "org.corvalantis.Utility";
inline constexpr const char* kObjectPath = "/org/corvalantis/Utility";
inline constexpr const char* kInterface = "org.corvalantis.Utility";
inline constexpr const char* kErrorUnknownProfile = "org.corvalantis.Utility.Error.UnknownProfile";
inline constexpr const char* kErrorClosing = "org.corvalantis.Utility.Error.Closing";

// The session bus's address, or empty when there is none (see above).
std::string sessionBusAddress();

class DbusOutsideMessageService : public OutsideMessageService {
public:
    DbusOutsideMessageService() = default;
    ~DbusOutsideMessageService() override;
    DbusOutsideMessageService(const DbusOutsideMessageService&) = delete;
    DbusOutsideMessageService& operator=(const DbusOutsideMessageService&) = delete;

    // Connects to the session bus on a thread of its own, serves the object and takes the
    // name; returns once that has succeeded or failed (the reason then goes to the debug
    // output). The thread sleeps in its main loop between requests.
    bool start(Handler handler) override;
    void stop() override;

private:
    // On the service thread: serve the object and take the name ("" once serving, else why
    // not); give both back.
    std::string serve(GDBusConnection* connection);
    void endService(GDBusConnection* connection, bool served);

    Handler handler_;
    BusLoopThread thread_;
    unsigned registration_ = 0;  // the thread's
};

}  // namespace corv
