#include "ui/MultiColorControl.h"

#include "ui/MultiColorSelection.h"
#include "ui/TypedControl.h"

namespace corv::ui {

MultiColorControl::MultiColorControl(const Control& control)
    : Control(checkedKind(control, ControlKind::MultiColor)) { }

int MultiColorControl::getBarsCount() const
{
    auto* m = qobject_cast<MultiColorSelection*>(usable("getBarsCount"));
    return m != nullptr ? m->getBarsCount() : 0;
}

void MultiColorControl::setBarsCount(int n)
{
    if (auto* m = qobject_cast<MultiColorSelection*>(usable("setBarsCount")))
        m->setBarsCount(n);
}

void MultiColorControl::setBarsCountData(int i, std::int32_t value)
{
    if (auto* m = qobject_cast<MultiColorSelection*>(usable("setBarsCountData")))
        m->setBarsCountData(i, value);
}

std::uint32_t MultiColorControl::getBarsCountData(int i, std::int32_t& value) const
{
    auto* m = qobject_cast<MultiColorSelection*>(usable("getBarsCountData"));
    if (m == nullptr) {
        value = 0;
        return 0;
    }
    return m->getBarsCountData(i, value);
}

bool MultiColorControl::addBarsCount()
{
    auto* m = qobject_cast<MultiColorSelection*>(usable("addBarsCount"));
    return m != nullptr && m->addBarsCount();
}

bool MultiColorControl::subBarsCount()
{
    auto* m = qobject_cast<MultiColorSelection*>(usable("subBarsCount"));
    return m != nullptr && m->subBarsCount();
}

}  // namespace corv::ui
