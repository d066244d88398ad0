#pragma once
// An option (checkable button, check box, tab option). Options with the same "group"
// property in one window form a group: selecting one deselects the others.
#include "ui/Control.h"

namespace corv::ui {

class OptionControl : public Control {
public:
    OptionControl() = default;
    explicit OptionControl(const Control& control);

    bool isSelected() const;
    // Selects or deselects; raises "selectchanged" (when the selection changes) only with
    // notify. In a group, only becoming selected raises it.
    void setSelected(bool selected, bool notify = true);
    // Check box form of setSelected.
    void setCheck(bool check, bool notify = true) { setSelected(check, notify); }
    bool getCheck() const { return isSelected(); }
    QString getGroup() const;
};

}  // namespace corv::ui
