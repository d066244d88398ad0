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
    return true;
}

bool OwnWindowKeySource::eventFilter(QObject* watched, QEvent* event)
{
    const Listen mode = mode_;
    if (mode == Listen::Off)
        return false;
    const QEvent::Type type = event->type();
    if (type == QEvent::ShortcutOverride) {
        // Accepted, the key goes to the focused window as a key press instead of firing a
        // shortcut; the press is then kept below.
        if (mode != Listen::Swallow)
            return false;
        event->accept();
        return true;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    // A key event reaches the window first, then the focused widget and its parents: only
    // the first delivery counts.
    if (!watched->isWindowType())
        return mode == Listen::Swallow;
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (!key->isAutoRepeat()) {
        const std::uint16_t vk =
            virtualKeyForQtKey(key->key(), key->modifiers(), key->nativeScanCode(), key->nativeVirtualKey());
        if (vk != 0)
            emitKey({vk, type == QEvent::KeyPress});
    }
    return mode == Listen::Swallow;
}

}  // namespace corv::ui
