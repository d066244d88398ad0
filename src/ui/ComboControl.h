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

    int GetCount() const;
    int GetCurSel() const;
    // False for an index outside -1..count-1 (nothing changes then).
    bool SelectItem(int index);
    // Appends an item; returns its index (-1 on a null handle). height 0 keeps the default.
    int AddItem(const QString& text, const QString& userData, int fixedHeight = 0);
    bool InsertItem(int index, const QString& text, const QString& userData, int fixedHeight = 0);
    bool RemoveAt(int index);
    void RemoveAll();
    QString GetItemText(int index) const;
    bool SetItemText(int index, const QString& text);
    QString GetItemUserData(int index) const;
    bool SetItemUserData(int index, const QString& data);
    int GetItemHeight(int index) const;
};

}  // namespace corv::ui
