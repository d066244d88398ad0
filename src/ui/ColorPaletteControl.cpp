#include "ui/ColorPaletteControl.h"

#include "ui/ColorPaletteWidget.h"
#include "ui/TypedControl.h"

namespace corv::ui {

ColorPaletteControl::ColorPaletteControl(const Control& control)
    : Control(checkedKind(control, ControlKind::ColorPalette))
{ }

std::uint32_t ColorPaletteControl::getSelectColor() const
{
    auto* p = qobject_cast<ColorPaletteWidget*>(usable("getSelectColor"));
    return p != nullptr ? p->getSelectColor() : 0;
}

void ColorPaletteControl::setSelectColor(std::uint32_t argb)
{
    if (auto* p = qobject_cast<ColorPaletteWidget*>(usable("setSelectColor")))
        p->setSelectColor(argb);
}

}  // namespace corv::ui
