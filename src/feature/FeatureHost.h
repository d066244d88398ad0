#pragma once
// What a feature needs of the main window: its controls, the settings (the selected profile
// and the program's copies of the mouse's state), the link to the mouse, and a few window
// services. The main window implements it; tests may implement it over a small window of
// their own.
//
// Features run on the UI thread. They read and change the settings only through the
// settings session (which takes its lock for moments itself), and never talk to the mouse
// themselves: their commands go to the mouse's command thread (sendToMouse, or the
// session's sends), so a mouse that answers late or not at all never holds up the window.
#include <QPoint>
#include <QString>
#include <filesystem>
#include <functional>
#include <optional>

#include "ui/Control.h"

class QWidget;

namespace corv {

class Clock;
class DeviceChannel;
class SettingsSession;

class FeatureHost {
public:
    virtual ~FeatureHost() = default;

    // A control of the main window by name (a null handle when absent).
    virtual ui::Control control(const QString& name) const = 0;
    // The window, as the parent of dialogs.
    virtual QWidget* window() = 0;
    virtual DeviceChannel& channel() = 0;
    // The selected profile and the mouse's state; every change of a setting goes through it.
    virtual SettingsSession& settings() = 0;
    // Runs job on the mouse's command thread, after the jobs given before. Waits for it a
    // little (kMouseWaitMs) when nothing else was waiting; `done` then runs on the UI thread:
    // at once when the job finished within the wait, else when it finishes (not at all when
    // the window shuts down first).
    virtual void sendToMouse(std::function<void(DeviceChannel&)> job, std::function<void()> done = {}) = 0;
    static constexpr int kMouseWaitMs = 250;
    // Whether the connect sequence has finished and the mouse is still there.
    virtual bool isConnected() const = 0;

    // The program's message box; 1 when confirmed.
    virtual int messageBox(const QString& text) = 0;
    // Shows a page of a tab layout; false when there is no such page.
    virtual bool selectPage(const char* tabLayout, int page) = 0;
    // Applies the profile selected in the settings session through every feature's step,
    // then refreshes the pages; source is the list the choice came from (0 DPI, 1 KEY, 2
    // REG). False when nothing was applied (no selection, no mouse, or an application
    // already running).
    virtual bool applySelectedProfile(int source) = 0;
    // Redraws every page from CurrentSettings (every feature's refresh step, in order).
    virtual void refreshSettings() = 0;
    // Shows the pop-up menu of a menu file at the pointer, or at a point of the window
    // (from its top-left corner); its items go to the menu rows the features declared.
    virtual void showPopupMenu(const QString& menuFile, std::optional<QPoint> at = std::nullopt) = 0;
    // The window's keyboard hook (platform/KeyboardHook.h, modes kHook...): while installed,
    // key events arrive as the mode's window message (feature/WindowMessages.h) with wParam
    // kKeyDown or kKeyUp and lParam the virtual-key code. Installing replaces the
    // window's previous mode; false when the desktop's keyboard cannot be listened to (keys
    // from scripts still arrive).
    virtual bool installKeyboardHook(int mode) = 0;
    virtual void removeKeyboardHook() = 0;
    // The window's clock (injected by tests).
    virtual Clock& clock() = 0;
};

}  // namespace corv
