#pragma once
// Handle on a colour palette control (ColorPaletteWidget).
#include <cstdint>

#include "ui/Control.h"

namespace corv::ui {

class ColorPaletteControl : public Control {
public:
    ColorPaletteControl() = default;
    explicit ColorPaletteControl(const Control& control);

    std::uint32_t getSelectColor() const;  // 0xAARRGGBB; 0 on a null handle
    void setSelectColor(std::uint32_t argb);
};

}  // namespace corv::ui
