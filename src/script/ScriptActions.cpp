#include "script/ScriptActions.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSlider>
#include <algorithm>

#include "platform/KeyboardHook.h"
#include "script/ScriptHost.h"
#include "sim/VirtualMouse.h"
#include "ui/ColorPaletteWidget.h"
#include "ui/Control.h"
#include "ui/TrayIcon.h"

namespace corv {

namespace {

using Outcome = StepResult::Outcome;

// Why a person could not use this control now; empty when they could. A control counts as
// shown when it would be seen with its window on screen: the main window hides itself into
// the tray at start, and its controls stay usable as on the screen.
QString unusable(QWidget* w)
{
    if (w != w->window() && !w->isVisibleTo(w->window()))
        return QStringLiteral("it is hidden");
    if (!w->isEnabled())
        return QStringLiteral("it is disabled");
    if (!ui::Control(w).isInputEnabled())
        return QStringLiteral("it takes no input");
    return QString();
}

void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             const QString& text = QString())
{
    QPointer<QWidget> guard(target);
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
    if (guard.isNull())
        return;
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(target, &release);
}

// The Qt key and modifiers a person presses for one character.
std::pair<int, Qt::KeyboardModifiers> keyFor(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        return {Qt::Key_A + static_cast<int>(c - U'a'), Qt::NoModifier};
    if (c >= U'A' && c <= U'Z')
        return {Qt::Key_A + static_cast<int>(c - U'A'), Qt::ShiftModifier};
    if (c >= U'0' && c <= U'9')
        return {Qt::Key_0 + static_cast<int>(c - U'0'), Qt::NoModifier};
    if (c == U' ')
        return {Qt::Key_Space, Qt::NoModifier};
    if (c < 0x80)
        return {static_cast<int>(c), Qt::NoModifier};  // punctuation: Qt's key codes are ASCII
    return {Qt::Key_unknown, Qt::NoModifier};
}

void clickAt(QWidget* target, QPoint pos)
{
    const QPointF local(pos);
    const QPointF global(target->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QPointer<QWidget> guard(target);
    QCoreApplication::sendEvent(target, &press);
    if (guard.isNull())
        return;
    QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

// The actions leading to a menu item: the submenus to open, then the item.
bool findMenuPath(QMenu* menu, const QString& name, Qt::CaseSensitivity cs, QList<QAction*>& path)
{
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        if (action->objectName().compare(name, cs) == 0) {
            path << action;
            return true;
        }
        if (QMenu* sub = action->menu()) {
            path << action;
            if (findMenuPath(sub, name, cs, path))
                return true;
            path.removeLast();
        }
    }
    return false;
}

QList<QAction*> menuPath(QMenu* menu, const QString& name)
{
    QList<QAction*> path;
    if (menu == nullptr)
        return path;
    if (!findMenuPath(menu, name, Qt::CaseSensitive, path)) {
        path.clear();
        findMenuPath(menu, name, Qt::CaseInsensitive, path);
    }
    return path;
}

QStringList menuItemNames(QMenu* menu)
{
    QStringList names;
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        names << action->objectName();
        if (action->menu() != nullptr)
            names << menuItemNames(action->menu());
    }
    return names;
}

}  // namespace

StepResult ScriptActions::click(const ScriptStep& step, QWidget* w)
{
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (button == nullptr)
        return {Outcome::Error,
                QStringLiteral("%1 is a %2; click needs a button or an option").arg(step.name, kindOf(w))};
    if (const QString why = unusable(w); !why.isEmpty())
        return {Outcome::Failed, QStringLiteral("cannot click %1: %2").arg(step.name, why)};
    button->click();
    return {};
}

StepResult ScriptActions::check(const ScriptStep& step, QWidget* w)
{
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (button == nullptr || !button->isCheckable()) {
        return {Outcome::Error,
                QStringLiteral("%1 is a %2; check needs an option or a check box").arg(step.name, kindOf(w))};
    }
    if (button->isChecked() == step.flag)
        return {Outcome::Done, QStringLiteral("already %1").arg(onOff(step.flag))};
    if (const QString why = unusable(w); !why.isEmpty())
        return {Outcome::Failed, QStringLiteral("cannot click %1: %2").arg(step.name, why)};
    QPointer<QAbstractButton> guard(button);
    button->click();
    if (guard.isNull())
        return {};
    if (button->isChecked() != step.flag)
        return {Outcome::Failed, QStringLiteral("%1 stays %2 when clicked").arg(step.name, onOff(!step.flag))};
    return {};
}

StepResult ScriptActions::select(const ScriptStep& step, QWidget* w)
{
    auto* combo = qobject_cast<QComboBox*>(w);
    auto* list = qobject_cast<QListWidget*>(w);
    if (combo == nullptr && list == nullptr) {
        return {Outcome::Error, QStringLiteral("%1 is a %2; select needs a combo or a list").arg(step.name, kindOf(w))};
    }
    if (const QString why = unusable(w); !why.isEmpty())
        return {Outcome::Failed, QStringLiteral("cannot use %1: %2").arg(step.name, why)};
    const int count = combo != nullptr ? combo->count() : list->count();
    if (step.number < 0 || step.number >= count) {
        return {Outcome::Failed,
                QStringLiteral("%1 has no item %2 (it has %3)").arg(step.name).arg(step.number).arg(count)};
    }
    const int index = static_cast<int>(step.number);
    if (combo != nullptr) {
        // open the list, point at the item and take it, as with the keyboard in the pop-up.
        const QModelIndex item = combo->model()->index(index, combo->modelColumn(), combo->rootModelIndex());
        if (!item.flags().testFlag(Qt::ItemIsEnabled))
            return {Outcome::Failed, QStringLiteral("item %1 of %2 is disabled").arg(index).arg(step.name)};
        QPointer<QComboBox> guard(combo);
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        view->setCurrentIndex(item);
        QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &shortcut);
        if (!guard.isNull() && view->isVisible())
            sendKey(view, Qt::Key_Return);
        if (guard.isNull())
            return {};
        if (view->isVisible())
            combo->hidePopup();
        if (combo->currentIndex() != index) {
            return {Outcome::Failed,
                    QStringLiteral("%1 shows item %2 after the choice").arg(step.name).arg(combo->currentIndex())};
        }
        return {};
    }
    QListWidgetItem* item = list->item(index);
    if (!item->flags().testFlag(Qt::ItemIsEnabled))
        return {Outcome::Failed, QStringLiteral("item %1 of %2 is disabled").arg(index).arg(step.name)};
    list->scrollToItem(item);
    const QRect rect = list->visualItemRect(item);
    if (!rect.isValid() || !list->viewport()->rect().contains(rect.center())) {
        return {Outcome::Failed,
                QStringLiteral("item %1 of %2 cannot be reached with the pointer").arg(index).arg(step.name)};
    }
    QPointer<QListWidget> guard(list);
    clickAt(list->viewport(), rect.center());
    if (guard.isNull())
        return {};
    if (list->currentRow() != index) {
        return {Outcome::Failed,
                QStringLiteral("%1 shows row %2 after the click").arg(step.name).arg(list->currentRow())};
    }
    return {};
}

StepResult ScriptActions::slide(const ScriptStep& step, QWidget* w)
{
    auto* slider = qobject_cast<QSlider*>(w);
    if (slider == nullptr)
        return {Outcome::Error, QStringLiteral("%1 is a %2; slide needs a slider").arg(step.name, kindOf(w))};
    if (const QString why = unusable(w); !why.isEmpty())
        return {Outcome::Failed, QStringLiteral("cannot drag %1: %2").arg(step.name, why)};
    // The handle is pressed, dragged and released: a drag past an end stops at the end.
    const int target = static_cast<int>(std::clamp<long long>(step.number, slider->minimum(), slider->maximum()));
    QPointer<QSlider> guard(slider);
    // Whether the handle got there: the program may then move it on (a slider of levels).
    bool reached = slider->value() == target;
    const QMetaObject::Connection watch = QObject::connect(
        slider, &QSlider::valueChanged, slider, [&reached, target](int v) { reached = reached || v == target; });
    slider->setSliderDown(true);
    if (!guard.isNull())
        slider->setSliderPosition(target);
    if (!guard.isNull())
        slider->setSliderDown(false);
    QObject::disconnect(watch);
    if (guard.isNull())
        return {};
    if (slider->value() != target) {
        if (!reached)
            return {Outcome::Failed, QStringLiteral("%1 is at %2 after the drag").arg(step.name).arg(slider->value())};
        return {Outcome::Done, QStringLiteral("the program moved it to %1").arg(slider->value())};
    }
    return target == step.number ? StepResult{}
                                 : StepResult{Outcome::Done, QStringLiteral("stopped at %1").arg(target)};
}

StepResult ScriptActions::type(const ScriptStep& step, QWidget* w)
{
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (edit == nullptr)
        return {Outcome::Error, QStringLiteral("%1 is a %2; type needs an edit").arg(step.name, kindOf(w))};
    if (const QString why = unusable(w); !why.isEmpty())
        return {Outcome::Failed, QStringLiteral("cannot type into %1: %2").arg(step.name, why)};
    if (edit->isReadOnly())
        return {Outcome::Failed, QStringLiteral("cannot type into %1: it is read-only").arg(step.name)};
    QPointer<QLineEdit> guard(edit);
    // Click into the edit, select all of it, and type over the selection.
    edit->setFocus(Qt::MouseFocusReason);
    sendKey(edit, Qt::Key_A, Qt::ControlModifier);
    if (step.text.isEmpty()) {
        if (!guard.isNull() && !edit->text().isEmpty())
            sendKey(edit, Qt::Key_Backspace);
    } else {
        const auto codePoints = step.text.toUcs4();
        for (const char32_t c : codePoints) {
            if (guard.isNull())
                break;
            const auto [key, modifiers] = keyFor(c);
            sendKey(edit, key, modifiers, QString::fromUcs4(&c, 1));
        }
    }
    if (guard.isNull())
        return {};
    if (edit->text() != step.text)
        return {Outcome::Done, QStringLiteral("the edit shows %1").arg(quoted(edit->text()))};
    return {};
}

StepResult ScriptActions::leave(const ScriptStep& step, QWidget* w)
{
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (edit == nullptr)
        return {Outcome::Error, QStringLiteral("%1 is a %2; leave needs an edit").arg(step.name, kindOf(w))};
    if (edit->hasFocus()) {
        edit->clearFocus();  // the focus goes elsewhere: Qt sends the focus-out itself
        return {};
    }
    if (edit->window()->focusWidget() != edit)
        return {Outcome::Done, QStringLiteral("it did not have the focus")};
    // The window is not the active one (hidden into the tray, or offscreen): the edit has the
    // window's focus without the application's, so the focus-out is delivered to it here.
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QPointer<QLineEdit> guard(edit);
    QCoreApplication::sendEvent(edit, &out);
    if (!guard.isNull())
        edit->clearFocus();
    return {};
}

StepResult ScriptActions::hover(const ScriptStep& step, QWidget* w)
{
    if (step.command == ScriptCommand::Hover) {
        if (const QString why = unusable(w); !why.isEmpty())
            return {Outcome::Failed, QStringLiteral("cannot point at %1: %2").arg(step.name, why)};
        const QPointF local(w->rect().center());
        QEnterEvent enter(local, local, QPointF(w->mapToGlobal(local.toPoint())));
        QCoreApplication::sendEvent(w, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(w, &leave);
    }
    return {};
}

StepResult ScriptActions::color(const ScriptStep& step, QWidget* w)
{
    auto* palette = qobject_cast<ui::ColorPaletteWidget*>(w);
    if (palette == nullptr)
        return {Outcome::Error, QStringLiteral("%1 is a %2; color needs a colour palette").arg(step.name, kindOf(w))};
    if (const QString why = unusable(w); !why.isEmpty())
        return {Outcome::Failed, QStringLiteral("cannot pick in %1: %2").arg(step.name, why)};
    QPointer<ui::ColorPaletteWidget> guard(palette);
    palette->pickColor(static_cast<std::uint32_t>(step.number));
    if (guard.isNull())
        return {};
    const std::uint32_t shown = palette->getSelectColor();
    if (shown != static_cast<std::uint32_t>(step.number))
        return {Outcome::Done, QStringLiteral("the palette shows %1").arg(colourText(shown))};
    return {};
}

StepResult ScriptActions::menu(const ScriptStep& step)
{
    QMenu* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ui::TrayIcon* tray = host_.trayIcon();
    QMenu* trayMenu = tray != nullptr && tray->isCreated() ? tray->contextMenu() : nullptr;
    if (open == nullptr && trayMenu == nullptr)
        return {Outcome::Failed, QStringLiteral("no menu is open and there is no tray menu")};

    QMenu* menu = open;
    QList<QAction*> path = menuPath(open, step.name);
    if (path.isEmpty() && trayMenu != nullptr && trayMenu != open) {
        if (open != nullptr)
            open->close();  // the person closes the open menu first
        menu = trayMenu;
        path = menuPath(trayMenu, step.name);
    }
    if (path.isEmpty()) {
        QMenu* shown = menu != nullptr ? menu : trayMenu;
        return {Outcome::Error, QStringLiteral("the menu has no item %1 (its items: %2)")
                                    .arg(quoted(step.name), menuItemNames(shown).join(QStringLiteral(", ")))};
    }
    QPointer<QMenu> current(menu);
    if (!current->isVisible())
        current->popup(QCursor::pos());  // the tray's right click
    for (QAction* action : std::as_const(path)) {
        if (!action->isVisible() || !action->isEnabled()) {
            if (current)
                current->close();
            return {Outcome::Failed,
                    QStringLiteral("the menu item %1 is %2")
                        .arg(quoted(action->objectName()),
                             action->isVisible() ? QStringLiteral("disabled") : QStringLiteral("hidden"))};
        }
        QPointer<QMenu> submenu(action->menu());
        current->setActiveAction(action);
        sendKey(current, Qt::Key_Return);  // opens a submenu, or chooses the item
        if (submenu.isNull())
            break;
        current = submenu;
        if (current.isNull())
            break;
    }
    return {};
}

StepResult ScriptActions::tray(const ScriptStep& step)
{
    ui::TrayIcon* tray = host_.trayIcon();
    if (tray == nullptr || !tray->isCreated())
        return {Outcome::Failed, QStringLiteral("there is no tray icon")};
    tray->clickIcon(step.flag ? ui::TrayIcon::Click::Left : ui::TrayIcon::Click::Right);
    if (!step.flag) {
        QMenu* menu = tray->contextMenu();
        if (menu == nullptr)
            return {Outcome::Done, QStringLiteral("the tray has no menu")};
        if (!menu->isVisible())
            return {Outcome::Failed, QStringLiteral("the tray menu did not open")};
    }
    return {};
}

StepResult ScriptActions::key(const ScriptStep& step)
{
    KeyEvent key;
    key.vk = static_cast<std::uint16_t>(step.number);
    key.down = step.flag;
    if (!KeyboardHook::deliver(key)) {
        log_(QStringLiteral("key: no keyboard capture is active"));
        return {};
    }
    return {};
}

StepResult ScriptActions::mouse(const ScriptStep& step)
{
    sim::VirtualMouse* mouse = host_.virtualMouse();
    if (mouse == nullptr)
        return {Outcome::Error, QStringLiteral("mouse commands need the virtual mouse")};
    switch (step.mouse) {
    case MouseAction::DpiButton:
        if (!mouse->pressDpiButton())
            return {Outcome::Failed, QStringLiteral("the mouse is unplugged")};
        return {Outcome::Done, QStringLiteral("stage %1").arg(mouse->currentStage())};
    case MouseAction::Reset:
        if (!mouse->restoreDefaultsAtMouse())
            return {Outcome::Failed, QStringLiteral("the mouse is unplugged")};
        return {};
    case MouseAction::Unplug:
        if (!mouse->isPlugged())
            return {Outcome::Done, QStringLiteral("it was unplugged already")};
        mouse->unplug();
        return {};
    case MouseAction::Replug:
        if (mouse->isPlugged())
            return {Outcome::Done, QStringLiteral("it was plugged in already")};
        mouse->plug();
        return {};
    case MouseAction::CalibrationOk:
        mouse->setNextCalibrationOutcome(true);
        return {};
    case MouseAction::CalibrationFail:
        mouse->setNextCalibrationOutcome(false);
        return {};
    }
    return {};
}

}  // namespace corv
