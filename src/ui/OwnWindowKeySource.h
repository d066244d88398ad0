#pragma once
// The keyboard where the program cannot see the desktop's (no X11 display: Wayland without
// XWayland, or none at all): the keys typed while one of the program's own windows has the
// focus. While listening, an event filter on the application watches the key events as
// they reach a window, before any widget sees them; in Swallow mode the filter keeps them
// (and keeps shortcuts from firing), so the windows receive no keys. A press that fires one
// of the program's shortcuts is reported too. Auto-repeated presses are not reported (and
// in Swallow mode still kept).
#include <QObject>
#include <optional>

#include "platform/KeyboardSource.h"

namespace corv::ui {

class OwnWindowKeySource final : public QObject, public KeyboardSource {
    Q_OBJECT
public:
    explicit OwnWindowKeySource(QObject* parent = nullptr);
    ~OwnWindowKeySource() override;

    // False without a QApplication (Off always succeeds).
    bool listen(Listen how) override;
    bool desktopWide() const override { return false; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct PressedKey {
        int key;
        quint32 scanCode;
        bool operator==(const PressedKey&) const = default;
    };

    Listen mode_ = Listen::Off;
    bool installed_ = false;
    std::optional<PressedKey> announced_;  // a press reported from its shortcut override
};

}  // namespace corv::ui
