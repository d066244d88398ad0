#pragma once
// A slider or progress control: value within a minimum and a maximum. Values set from code
// never raise "valuechanged"; only the user's moves of a slider do.
#include "ui/Control.h"

namespace corv::ui {

class SliderControl : public Control {
public:
    SliderControl() = default;
    explicit SliderControl(const Control& control);

    int getValue() const;
    void setValue(int value);  // limited to the range
    int getMinValue() const;
    int getMaxValue() const;
    void setMinValue(int value);
    void setMaxValue(int value);
};

}  // namespace corv::ui
