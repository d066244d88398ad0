#pragma once
// A list of rows with user data and fixed heights. Two row kinds:
//  - text rows (a plain line of text, e.g. a delay row "120 MS" or a name);
//  - action rows, named "macro_action": a down or up arrow ("ms/macro_action_down.png",
//    "ms/macro_action_up.png") and a key name.
// Selecting a row from code raises "itemselect" when the selection changes; -1 only clears.
#include "ui/Control.h"

namespace corv::ui {

class ListControl : public Control {
public:
    enum class RowKind { None, Text, Action };
    static constexpr int kDefaultRowHeight = 25;

    ListControl() = default;
    explicit ListControl(const Control& control);

    int GetCount() const;
    int GetCurSel() const;
    bool SelectItem(int index);

    // Insert at index (0..count); return false on a bad index or a null handle.
    bool InsertTextRow(int index, const QString& text, const QString& userData, int height = kDefaultRowHeight);
    bool InsertActionRow(int index, bool down, const QString& keyName, const QString& userData,
                         int height = kDefaultRowHeight);
    int AddTextRow(const QString& text, const QString& userData, int height = kDefaultRowHeight);
    int AddActionRow(bool down, const QString& keyName, const QString& userData, int height = kDefaultRowHeight);

    RowKind GetRowKind(int index) const;
    QString GetRowName(int index) const;  // "macro_action" for action rows
    bool IsActionDown(int index) const;
    QString GetItemText(int index) const;
    bool SetItemText(int index, const QString& text);
    QString GetItemUserData(int index) const;
    bool SetItemUserData(int index, const QString& data);
    int GetItemHeight(int index) const;
    bool RemoveAt(int index);
    void RemoveAll();
};

}  // namespace corv::ui
