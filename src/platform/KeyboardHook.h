#pragma once
// Keyboard capture for the windows of the program: an owner (the main window, the single-key
// window) installs a hook with a HookMode and a target, and the key events of the desktop's
// keyboard are handed to that target as the mode's message until the owner removes it.
//
// Installations stack: the most recent one decides where events go and whether they are
// swallowed; removing it gives the keys back to the installation before it (an owner that
// installs again moves to the top). With no installation the keyboard source is off:
// nothing is captured at any other time.
//
// The keyboard source is chosen once by the program's entry (useSource); key events from it,
// and from the script driver (deliver), take the same path. UI thread only: the first thread
// that uses the hooks owns them, and calls from any other thread are refused.
#include <functional>

#include "platform/KeyboardSource.h"

namespace corv {

enum HookMode : int {
    kHookNone = 0,
    kHookKeySingleKey = 1,  // swallowed
    kHookKeyHitKey = 2,
    kHookKeyMacro = 4,
    kHookSingleKey = 16,  // swallowed: the single-key capture
    kHookHitKey = 32,
    kHookMacro = 64,         // recording a macro
    kHookMacroEdit = 128,    // replacing the key of a macro row
    kHookMacroInsert = 129,  // inserting typed keys into a macro
};

// The message a mode sends (0 for a mode that sends none), and whether it swallows keys.
unsigned hookMessage(int mode);
bool hookSwallows(int mode);

// Receives (message, key event) on the UI thread.
using HookTarget = std::function<void(unsigned message, const KeyEvent& event)>;

class KeyboardHook {
public:
    KeyboardHook() = default;
    ~KeyboardHook();
    KeyboardHook(const KeyboardHook&) = delete;
    KeyboardHook& operator=(const KeyboardHook&) = delete;

    // Removes this owner's hook, then installs it on top. The installation always stands
    // (keys from scripts reach it); the result says whether the keyboard source listens as
    // the mode asks (false without a source, or when it refused, e.g. a keyboard grab held by
    // another program).
    bool install(int mode, HookTarget target);
    // Removes this owner's hook; nothing when it has none.
    void remove();
    bool isInstalled() const { return installed_; }

    // The keyboard source of the process (null: none, keys come only from deliver). Set it
    // while no hook is installed, and clear it before the source is destroyed.
    static void useSource(KeyboardSource* source);
    static KeyboardSource* source();
    // Hands a key event to the most recent installation as its mode's message. False when
    // no hook is installed or its mode sends no message. The target may remove its own hook
    // or install another one while it runs.
    static bool deliver(const KeyEvent& event);
    // The mode of the most recent installation (kHookNone when none).
    static int activeMode();
    // Called (UI thread) each time the active mode changes, with the new mode; for saying
    // what is being captured. One observer; an empty function removes it.
    static void setObserver(std::function<void(int activeMode)> observer);

private:
    bool installed_ = false;
};

}  // namespace corv
