#pragma once
// The one place where Qt's signals and events become the program's notifications. Attached
// to a window's control tree, it delivers to the window's notify, synchronously, on the UI
// thread:
//   "click"         push buttons and options, when the user activates them;
//   "selectchanged" options and check boxes, when their selection changes (by the user, or
//                   from code with notify); an option of a group raises it only when it
//                   becomes selected, its group partners are deselected silently;
//   "itemselect"    combos and lists, when the selection changes to an item (never for -1);
//   "valuechanged"  sliders, only when the user moves them (drag released, click, key, wheel);
//   "textchanged"   edits, only when the user types;
//   "killfocus"     edits, when they lose the focus;
//   "msenter"/"msleave" buttons and options, when the pointer enters or leaves them;
//   "colorchanged"  colour palettes, when the user picks a colour;
//   "windowinit"    once, sent by the window after its first layout.
#include <QObject>
#include <QPointer>

#include "ui/Notification.h"

class QAbstractButton;
class QSlider;

namespace corv::ui {

class NotifyAdapter : public QObject {
    Q_OBJECT
public:
    // Attaches to every control under root (root included); the adapter becomes a child of
    // root and lives as long as it.
    NotifyAdapter(QWidget* root, NotifyTarget* target);

    // Connects controls created under root after the attach (for example by a nested load).
    void attachTree(QWidget* subtree);

    // The adapter that serves a control (the nearest one up its parent chain), or null.
    static NotifyAdapter* of(const QWidget* control);

    QWidget* root() const { return root_; }
    void setTarget(NotifyTarget* target) { target_ = target; }

    // Delivers one notification now.
    void send(QWidget* sender, const QString& type, long long wParam = 0);

    // Option selection with the group rule; raises "selectchanged" only with notify.
    void setOptionSelected(QAbstractButton* option, bool selected, bool notify);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attachWidget(QWidget* w);
    void onButtonClicked(QAbstractButton* button);

    QPointer<QWidget> root_;
    NotifyTarget* target_ = nullptr;
};

// Marks the next value change of a slider as made by code, so that it raises nothing.
void markSliderChangeFromCode(QSlider* slider);

}  // namespace corv::ui
