#include "ui/OptionControl.h"

#include <QAbstractButton>

#include "ui/NotifyAdapter.h"
#include "ui/TypedControl.h"

namespace corv::ui {

OptionControl::OptionControl(const Control& control) : Control(checkedKind(control, ControlKind::Option)) { }

bool OptionControl::isSelected() const
{
    auto* b = qobject_cast<QAbstractButton*>(usable("isSelected"));
    return b != nullptr && b->isChecked();
}

void OptionControl::setSelected(bool selected, bool notify)
{
    auto* b = qobject_cast<QAbstractButton*>(usable("selected"));
    if (b == nullptr)
        return;
    if (NotifyAdapter* adapter = NotifyAdapter::of(b)) {
        adapter->setOptionSelected(b, selected, notify);
    } else {
        const QSignalBlocker blocker(b);
        b->setChecked(selected);
    }
}

QString OptionControl::getGroup() const
{
    auto* w = usable("getGroup");
    return w != nullptr ? w->property("group").toString() : QString();
}

}  // namespace corv::ui
