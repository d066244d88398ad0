#include "ui/MultiColorControl.h"

#include "ui/CMultiColorSelectionUI.h"
#include "ui/TypedControl.h"

namespace corv::ui {

MultiColorControl::MultiColorControl(const Control& control)
    : Control(checkedKind(control, ControlKind::MultiColor)) { }

int MultiColorControl::GetBarsCount() const
{
    auto* m = qobject_cast<CMultiColorSelectionUI*>(usable("GetBarsCount"));
    return m != nullptr ? m->GetBarsCount() : 0;
}

void MultiColorControl::SetBarsCount(int n)
{
    if (auto* m = qobject_cast<CMultiColorSelectionUI*>(usable("SetBarsCount")))
        m->SetBarsCount(n);
}

void MultiColorControl::SetBarsCountData(int i, std::int32_t value)
{
    if (auto* m = qobject_cast<CMultiColorSelectionUI*>(usable("SetBarsCountData")))
        m->SetBarsCountData(i, value);
}

std::uint32_t MultiColorControl::GetBarsCountData(int i, std::int32_t& value) const
{
    auto* m = qobject_cast<CMultiColorSelectionUI*>(usable("GetBarsCountData"));
    if (m == nullptr) {
        value = 0;
        return 0;
    }
    return m->GetBarsCountData(i, value);
}

bool MultiColorControl::AddBarsCount()
{
    auto* m = qobject_cast<CMultiColorSelectionUI*>(usable("AddBarsCount"));
    return m != nullptr && m->AddBarsCount();
}

bool MultiColorControl::SubBarsCount()
{
    auto* m = qobject_cast<CMultiColorSelectionUI*>(usable("SubBarsCount"));
    return m != nullptr && m->SubBarsCount();
}

}  // namespace corv::ui
