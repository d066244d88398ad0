#pragma once
// What the feature handlers (DPI, sensor, lighting, buttons, macros, profiles) need of the
// main window: its controls, the link to the mouse with the program's copies of the mouse's
// state, the current profile, the system settings workers, and a few window services.
// The main window implements it; tests may implement it over a small window of their own.
//
// Handlers run on the UI thread. They hold the channel's lock while they read or change
// the device state (the lock is recursive: the commands they send take it again).
#include <QString>
#include <filesystem>

#include "ui/Control.h"

namespace corv {

class DeviceChannel;
struct DeviceState;
class SystemSettingWorkers;

class FeatureHost {
public:
    virtual ~FeatureHost() = default;

    // A control of the main window by name (a null handle when absent).
    virtual ui::Control control(const QString& name) const = 0;
    virtual DeviceChannel& channel() = 0;
    virtual DeviceState& deviceState() = 0;
    // Whether the connect sequence has finished and the mouse is still there.
    virtual bool isConnected() const = 0;

    // The current profile: the item selected in the KEY page's profile list.
    virtual std::filesystem::path currentProfilePath() const = 0;
    // The item selected in the DPI page's profile list (the lists hold the same selection).
    virtual std::filesystem::path dpiProfilePath() const = 0;

    virtual SystemSettingWorkers& systemSettings() = 0;

    // The program's message box; 1 when confirmed.
    virtual int messageBox(const QString& text) = 0;
    // Shows a page of a tab layout; false when there is no such page.
    virtual bool selectPage(const char* tabLayout, int page) = 0;
    virtual void setTimer(int id, int milliseconds) = 0;
    virtual void killTimer(int id) = 0;

    // Redraws owned by features that plug in later; the page refresh calls them.
    virtual void redrawButtonLabels() = 0;
    virtual void redrawLightingPage(int zone) = 0;
};

}  // namespace corv
