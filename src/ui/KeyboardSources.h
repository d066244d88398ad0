#pragma once
// The keyboard source of the program, as the session decides (DesktopSession.h): on an X11
// session the X11 desktop's keyboard when its display has the RECORD extension; on Wayland,
// and wherever that fails, the keys typed into the program's own windows.
#include <memory>

#include "platform/KeyboardSource.h"

namespace corv::ui {

class KeyboardPump;

std::unique_ptr<KeyboardSource> makeKeyboardSource();

// The keyboard capture of the process for the lifetime of the object: a source (by default
// makeKeyboardSource()), run on the event loop by a pump and used by the hooks
// (KeyboardHook::useSource); the hooks let go of it before it is destroyed. createWindow it on
// the UI thread while no hook is installed.
class KeyboardCapture {
public:
    KeyboardCapture();
    explicit KeyboardCapture(std::unique_ptr<KeyboardSource> source);
    ~KeyboardCapture();
    KeyboardCapture(const KeyboardCapture&) = delete;
    KeyboardCapture& operator=(const KeyboardCapture&) = delete;

    KeyboardSource& source() const { return *source_; }

private:
    std::unique_ptr<KeyboardSource> source_;
    std::unique_ptr<KeyboardPump> pump_;
};

}  // namespace corv::ui
