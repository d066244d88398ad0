#pragma once
// A drop-down list whose items carry text, user data and a fixed height.
// Adding items never selects one (an empty combo stays without selection). Selecting an
// item from code raises "itemselect" when the selection changes; selecting -1 only clears.
// Removing the selected item leaves no selection, silently.
#include "ui/Control.h"

namespace corv::ui {

class ComboControl : public Control {
public:
    ComboControl() = default;
    explicit ComboControl(const Control& control);

    int getCount() const;
    int getCurSel() const;
    // False for an index outside -1..count-1 (nothing changes then).
    bool selectItem(int index);
    // Appends an item; returns its index (-1 on a null handle). height 0 keeps the default.
    int addItem(const QString& text, const QString& userData, int fixedHeight = 0);
    bool insertItem(int index, const QString& text, const QString& userData, int fixedHeight = 0);
    bool removeAt(int index);
    void removeAll();
    QString getItemText(int index) const;
    bool setItemText(int index, const QString& text);
    QString getItemUserData(int index) const;
    bool setItemUserData(int index, const QString& data);
    int getItemHeight(int index) const;
};

}  // namespace corv::ui
