#include "ui/KeyboardSources.h"

#include "platform/DesktopSession.h"
#include "platform/KeyboardHook.h"
#include "platform/X11KeyboardSource.h"
#include "ui/KeyboardPump.h"
#include "ui/OwnWindowKeySource.h"

namespace corv::ui {

std::unique_ptr<KeyboardSource> makeKeyboardSource()
{
    // The session type decides, never DISPLAY alone: under Wayland, Xwayland's RECORD would
    // hear only the keys typed into X11 windows, and not those of our own window.
    const SessionEnvironment env = SessionEnvironment::current();
    if (chooseDesktopBackends(env).keyboard == KeyboardBackend::X11Record) {
        if (std::unique_ptr<KeyboardSource> desktop = X11KeyboardSource::open(env.display))
            return desktop;
    }
    return std::make_unique<OwnWindowKeySource>();
}

KeyboardCapture::KeyboardCapture() : KeyboardCapture(makeKeyboardSource()) { }

KeyboardCapture::KeyboardCapture(std::unique_ptr<KeyboardSource> source)
    : source_(std::move(source)), pump_(std::make_unique<KeyboardPump>(*source_))
{
    KeyboardHook::useSource(source_.get());
    // A listen() only ever drops an event held back, so the pump's timer needs no re-arming
    // when the hooks change how the source listens: a due deadline then finds nothing.
}

KeyboardCapture::~KeyboardCapture()
{
    KeyboardHook::useSource(nullptr);
    pump_.reset();
    source_.reset();
}

}  // namespace corv::ui
