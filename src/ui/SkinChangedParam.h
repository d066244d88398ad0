#pragma once
// A background chosen in the skin frame: a colour (0xAARRGGBB) or an image description.
#include <QString>
#include <cstdint>

namespace corv::ui {

struct SkinChangedParam {
    bool colorChosen = false;  // true: a colour was chosen
    std::uint32_t color = 0;   // meaningful when colorChosen is set
    QString bgimage;           // meaningful when colorChosen is clear
};

}  // namespace corv::ui
