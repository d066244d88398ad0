#pragma once
// A tab layout: a stack of pages of which one is shown, switched by index.
#include "ui/Control.h"

namespace corv::ui {

class TabLayoutControl : public Control {
public:
    TabLayoutControl() = default;
    explicit TabLayoutControl(const Control& control);

    int GetCount() const;
    int GetCurSel() const;
    // False for a page outside 0..count-1 (nothing changes then).
    bool SelectItem(int page);
};

}  // namespace corv::ui
