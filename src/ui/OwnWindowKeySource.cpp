#include "ui/OwnWindowKeySource.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include "ui/QtKeyCodes.h"

namespace corv::ui {

OwnWindowKeySource::OwnWindowKeySource(QObject* parent) : QObject(parent) { }

OwnWindowKeySource::~OwnWindowKeySource() { listen(Listen::Off); }

bool OwnWindowKeySource::listen(Listen how)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (how == Listen::Off || app == nullptr) {
        if (installed_ && app != nullptr)
            app->removeEventFilter(this);
        installed_ = false;
        mode_ = Listen::Off;
        return how == Listen::Off;
    }
    if (!installed_)
        app->installEventFilter(this);
    installed_ = true;
    mode_ = how;
    announced_.reset();
    return true;
}

bool OwnWindowKeySource::eventFilter(QObject* watched, QEvent* event)
{
    const Listen mode = mode_;
    if (mode == Listen::Off)
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    const bool swallow = mode == Listen::Swallow;
    // Accepted, a shortcut override keeps the key from firing a shortcut: it comes to the
    // window as a key press instead (and is kept there when swallowing).
    if (type == QEvent::ShortcutOverride && swallow)
        event->accept();
    // A key event reaches the window first, then the focused widget and its parents: only
    // the first delivery counts.
    if (!watched->isWindowType())
        return swallow;

    const auto* key = static_cast<const QKeyEvent*>(event);
    const PressedKey pressed{key->key(), key->nativeScanCode()};
    bool report = !key->isAutoRepeat();
    if (type == QEvent::ShortcutOverride) {
        // Before a press the window is asked whether a shortcut may take the key; when one
        // does, no press follows. The press is reported here, and not again when it follows.
        announced_ = report ? std::optional<PressedKey>(pressed) : std::nullopt;
    } else {
        if (type == QEvent::KeyPress && announced_ == pressed)
            report = false;
        announced_.reset();
    }
    if (report) {
        const std::uint16_t vk =
            virtualKeyForQtKey(key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey());
        // The window system's time of the event (Wayland's and X11's are milliseconds); a
        // synthesized event has none.
        const quint64 at = key->timestamp();
        if (vk != 0)
            emitKey({vk, type != QEvent::KeyRelease,
                     at == 0 ? std::nullopt : std::optional<std::uint32_t>(static_cast<std::uint32_t>(at))});
    }
    return swallow;
}

}  // namespace corv::ui
