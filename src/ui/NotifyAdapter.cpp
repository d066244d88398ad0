#include "ui/NotifyAdapter.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>

#include "ui/ColorPaletteWidget.h"

namespace corv::ui {

namespace {
const char* const kAttached = "corvAttached";
const char* const kUserAction = "corvUserAction";
const char* const kPressValue = "corvPressValue";
}  // namespace

void markSliderChangeFromCode(QSlider* slider)
{
    if (slider != nullptr)
        slider->setProperty(kUserAction, false);
}

NotifyAdapter::NotifyAdapter(QWidget* root, NotifyTarget* target) : QObject(root), root_(root), target_(target)
{
    setObjectName(QStringLiteral("corvNotifyAdapter"));
    attachTree(root);
}

NotifyAdapter* NotifyAdapter::of(const QWidget* control)
{
    for (const QWidget* w = control; w != nullptr; w = w->parentWidget()) {
        if (auto* a = w->findChild<NotifyAdapter*>(QStringLiteral("corvNotifyAdapter"), Qt::FindDirectChildrenOnly)) {
            return a;
        }
    }
    return nullptr;
}

void NotifyAdapter::attachTree(QWidget* subtree)
{
    if (subtree == nullptr)
        return;
    attachWidget(subtree);
    const auto children = subtree->findChildren<QWidget*>();
    for (QWidget* w : children)
        attachWidget(w);
}

void NotifyAdapter::attachWidget(QWidget* w)
{
    if (w->property(kAttached).toBool())
        return;
    w->setProperty(kAttached, true);

    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        // Selection is ours: Qt's exclusive groups would refuse to deselect an option.
        button->setAutoExclusive(false);
        connect(button, &QAbstractButton::clicked, this, [this, button] { onButtonClicked(button); });
        button->installEventFilter(this);
        return;
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        connect(combo, &QComboBox::currentIndexChanged, this, [this, combo](int index) {
            if (index >= 0)
                send(combo, notify::kItemSelect, index);
        });
        return;
    }
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        connect(list, &QListWidget::currentRowChanged, this, [this, list](int row) {
            if (row >= 0)
                send(list, notify::kItemSelect, row);
        });
        return;
    }
    if (auto* slider = qobject_cast<QSlider*>(w)) {
        // A user action that is not a drag (click on the groove, key, wheel) changes the value
        // right after actionTriggered; a drag reports once, when it is released.
        connect(slider, &QAbstractSlider::actionTriggered, this, [slider](int) {
            if (!slider->isSliderDown())
                slider->setProperty(kUserAction, true);
        });
        connect(slider, &QAbstractSlider::valueChanged, this, [this, slider](int value) {
            if (slider->property(kUserAction).toBool()) {
                slider->setProperty(kUserAction, false);
                send(slider, notify::kValueChanged, value);
            }
        });
        connect(slider, &QAbstractSlider::sliderPressed, this,
                [slider] { slider->setProperty(kPressValue, slider->value()); });
        connect(slider, &QAbstractSlider::sliderReleased, this, [this, slider] {
            if (slider->property(kPressValue).toInt() != slider->value())
                send(slider, notify::kValueChanged, slider->value());
        });
        return;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { send(edit, notify::kTextChanged); });
        edit->installEventFilter(this);
        return;
    }
    if (auto* palette = qobject_cast<ColorPaletteWidget*>(w)) {
        connect(palette, &ColorPaletteWidget::colorPicked, this,
                [this, palette] { send(palette, notify::kColorChanged); });
        return;
    }
}

void NotifyAdapter::send(QWidget* sender, const QString& type, long long wParam)
{
    if (target_ == nullptr)
        return;
    Notification msg;
    msg.type = type;
    msg.sender = sender;
    msg.senderName = sender != nullptr ? sender->objectName() : QString();
    msg.wParam = wParam;
    target_->notify(msg);
}

void NotifyAdapter::onButtonClicked(QAbstractButton* button)
{
    if (!button->isCheckable()) {
        send(button, notify::kClick);
        return;
    }
    // Qt has already toggled the option; undo that and apply our own rule after "click".
    const bool before = !button->isChecked();
    {
        const QSignalBlocker blocker(button);
        button->setChecked(before);
    }
    QPointer<QAbstractButton> guard(button);
    send(button, notify::kClick);
    if (guard.isNull())
        return;
    const bool grouped = !button->property("group").toString().isEmpty();
    setOptionSelected(button, grouped ? true : !before, true);
}

void NotifyAdapter::setOptionSelected(QAbstractButton* option, bool selected, bool notify)
{
    if (option == nullptr || !option->isCheckable() || option->isChecked() == selected)
        return;
    {
        const QSignalBlocker blocker(option);
        option->setChecked(selected);
    }
    const QString group = option->property("group").toString();
    if (group.isEmpty()) {
        if (notify)
            send(option, notify::kSelectChanged, selected ? 1 : 0);
        return;
    }
    if (!selected)
        return;
    if (root_ != nullptr) {
        const auto buttons = root_->findChildren<QAbstractButton*>();
        for (QAbstractButton* other : buttons) {
            if (other != option && other->isCheckable() && other->isChecked() &&
                other->property("group").toString() == group) {
                const QSignalBlocker blocker(other);
                other->setChecked(false);
            }
        }
    }
    if (notify)
        send(option, notify::kSelectChanged, 1);
}

bool NotifyAdapter::eventFilter(QObject* watched, QEvent* event)
{
    auto* w = qobject_cast<QWidget*>(watched);
    if (w == nullptr)
        return false;
    switch (event->type()) {
    case QEvent::Enter:
        if (qobject_cast<QAbstractButton*>(w))
            send(w, notify::kMouseEnter);
        break;
    case QEvent::Leave:
        if (qobject_cast<QAbstractButton*>(w))
            send(w, notify::kMouseLeave);
        break;
    case QEvent::FocusOut:
        if (qobject_cast<QLineEdit*>(w))
            send(w, notify::kKillFocus);
        break;
    default:
        break;
    }
    return false;
}

}  // namespace corv::ui
