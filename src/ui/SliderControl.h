#pragma once
// A slider or progress control: value within a minimum and a maximum. Values set from code
// never raise "valuechanged"; only the user's moves of a slider do.
#include "ui/Control.h"

namespace corv::ui {

class SliderControl : public Control {
public:
    SliderControl() = default;
    explicit SliderControl(const Control& control);

    int GetValue() const;
    void SetValue(int value);  // limited to the range
    int GetMinValue() const;
    int GetMaxValue() const;
    void SetMinValue(int value);
    void SetMaxValue(int value);
};

}  // namespace corv::ui
