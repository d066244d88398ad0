#include "ui/OptionControl.h"

#include <QAbstractButton>

#include "ui/NotifyAdapter.h"
#include "ui/TypedControl.h"

namespace corv::ui {

OptionControl::OptionControl(const Control& control) : Control(checkedKind(control, ControlKind::Option)) { }

bool OptionControl::IsSelected() const
{
    auto* b = qobject_cast<QAbstractButton*>(usable("IsSelected"));
    return b != nullptr && b->isChecked();
}

void OptionControl::Selected(bool selected, bool notify)
{
    auto* b = qobject_cast<QAbstractButton*>(usable("Selected"));
    if (b == nullptr)
        return;
    if (NotifyAdapter* adapter = NotifyAdapter::of(b)) {
        adapter->setOptionSelected(b, selected, notify);
    } else {
        const QSignalBlocker blocker(b);
        b->setChecked(selected);
    }
}

QString OptionControl::GetGroup() const
{
    auto* w = usable("GetGroup");
    return w != nullptr ? w->property("group").toString() : QString();
}

}  // namespace corv::ui
