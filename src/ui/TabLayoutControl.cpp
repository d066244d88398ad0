#include "ui/TabLayoutControl.h"

#include <QStackedWidget>

#include "ui/TypedControl.h"

namespace corv::ui {

TabLayoutControl::TabLayoutControl(const Control& control) : Control(checkedKind(control, ControlKind::TabLayout)) { }

int TabLayoutControl::getCount() const
{
    auto* s = qobject_cast<QStackedWidget*>(usable("getCount"));
    return s != nullptr ? s->count() : 0;
}

int TabLayoutControl::getCurSel() const
{
    auto* s = qobject_cast<QStackedWidget*>(usable("getCurSel"));
    return s != nullptr ? s->currentIndex() : -1;
}

bool TabLayoutControl::selectItem(int page)
{
    auto* s = qobject_cast<QStackedWidget*>(usable("selectItem"));
    if (s == nullptr || page < 0 || page >= s->count())
        return false;
    s->setCurrentIndex(page);
    return true;
}

}  // namespace corv::ui
