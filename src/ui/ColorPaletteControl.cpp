#include "ui/ColorPaletteControl.h"

#include "ui/CColorPaletteUI.h"
#include "ui/TypedControl.h"

namespace corv::ui {

ColorPaletteControl::ColorPaletteControl(const Control& control)
    : Control(checkedKind(control, ControlKind::ColorPalette))
{ }

std::uint32_t ColorPaletteControl::GetSelectColor() const
{
    auto* p = qobject_cast<CColorPaletteUI*>(usable("GetSelectColor"));
    return p != nullptr ? p->GetSelectColor() : 0;
}

void ColorPaletteControl::SetSelectColor(std::uint32_t argb)
{
    if (auto* p = qobject_cast<CColorPaletteUI*>(usable("SetSelectColor")))
        p->SetSelectColor(argb);
}

}  // namespace corv::ui
