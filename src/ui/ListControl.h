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

    int getCount() const;
    int getCurSel() const;
    bool selectItem(int index);

    // Insert at index (0..count); return false on a bad index or a null handle.
    bool insertTextRow(int index, const QString& text, const QString& userData, int height = kDefaultRowHeight);
    bool insertActionRow(int index, bool down, const QString& keyName, const QString& userData,
                         int height = kDefaultRowHeight);
    int addTextRow(const QString& text, const QString& userData, int height = kDefaultRowHeight);
    int addActionRow(bool down, const QString& keyName, const QString& userData, int height = kDefaultRowHeight);

    RowKind getRowKind(int index) const;
    QString getRowName(int index) const;  // "macro_action" for action rows
    bool isActionDown(int index) const;
    QString getItemText(int index) const;
    bool setItemText(int index, const QString& text);
    QString getItemUserData(int index) const;
    bool setItemUserData(int index, const QString& data);
    int getItemHeight(int index) const;
    bool removeAt(int index);
    void removeAll();
};

}  // namespace corv::ui
