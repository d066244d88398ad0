#pragma once
// A tab layout: a stack of pages of which one is shown, switched by index.
#include "ui/Control.h"

namespace corv::ui {

class TabLayoutControl : public Control {
public:
    TabLayoutControl() = default;
    explicit TabLayoutControl(const Control& control);

    int getCount() const;
    int getCurSel() const;
    // False for a page outside 0..count-1 (nothing changes then).
    bool selectItem(int page);
};

}  // namespace corv::ui
