#include "ui/TabLayoutControl.h"

#include <QStackedWidget>

#include "ui/TypedControl.h"

namespace corv::ui {

TabLayoutControl::TabLayoutControl(const Control& control) : Control(checkedKind(control, ControlKind::TabLayout)) { }

int TabLayoutControl::GetCount() const
{
    auto* s = qobject_cast<QStackedWidget*>(usable("GetCount"));
    return s != nullptr ? s->count() : 0;
}

int TabLayoutControl::GetCurSel() const
{
    auto* s = qobject_cast<QStackedWidget*>(usable("GetCurSel"));
    return s != nullptr ? s->currentIndex() : -1;
}

bool TabLayoutControl::SelectItem(int page)
{
    auto* s = qobject_cast<QStackedWidget*>(usable("SelectItem"));
    if (s == nullptr || page < 0 || page >= s->count())
        return false;
    s->setCurrentIndex(page);
    return true;
}

}  // namespace corv::ui
