#pragma once
// The macro page's editor list: the rows are the lines of the shown macro's file, read once
// when the macro is selected. Rows move and go, delays are edited and inserted; every
// finished change saves the file at once, and a failed save puts the rows back as the file
// has them.
#include <cstddef>
#include <optional>

#include "macros/MacroFile.h"

class QString;

namespace corv {

class FeatureHost;
class MacroPage;

class MacroRowEditor {
public:
    MacroRowEditor(MacroPage& page, FeatureHost& host) : page_(page), host_(host) { }

    // Shows the selected macro's actions (the combo's selection); no row is selected. A
    // macro shown empty because its name cannot be a file name or its file cannot be read
    // says so.
    void loadSelected() { showSelected(true); }
    // loadSelected, with or without its message.
    void showSelected(bool tellWhyEmpty);
    // No macro shown: the list is empty.
    void clear();

    void moveRowUp();
    void moveRowDown();
    void deleteRow();
    // First click on a delay row: its delay goes into the delay edit and the page locks.
    // Second click: the typed delay is stored and the page unlocks. On a key row the key is
    // replaced by the keys typed until the second click (MacroKeyCapture).
    void editRow();
    // Inserts a delay of the typed length before or after the selected row (insert modes 0
    // and 1); modes 2 and 3 start a key insertion.
    void insertDelay();
    // The insert-mode combo's choice: the delay panel for modes 0 and 1, the key panel for
    // 2 and 3.
    void showInsertPanel(int mode);
    bool isEditingDelay() const { return editingRow_.has_value(); }

    // The macro shown in the editor list.
    MacroFile& shown() { return shown_; }
    const MacroFile& shown() const { return shown_; }
    std::optional<std::size_t> selectedRow() const;
    // Row at of the list made from the shown macro's line; a delay row shows shownDelay
    // when given.
    void insertRow(int at, std::size_t line, const QString* shownDelay = nullptr);
    // Saves the rows of a finished recording, key edit or insertion; says so when it fails.
    void saveShown();

    // The delay typed into an edit, in milliseconds: a decimal number (an optional sign,
    // reading stops at the first other character, no digits read 0), limited to
    // 0..MacroAction::kMaxDelayMs.
    static long typedDelay(const QString& text);

private:
    // Puts the editor list back to the shown macro's rows after a failed save, and says so.
    void restoreRows(std::optional<std::size_t> selected);
    void fillRows();
    // A row moved by one place in the list (the file's lines are already moved).
    void moveRow(std::size_t from, std::size_t to);

    MacroPage& page_;
    FeatureHost& host_;
    MacroFile shown_;
    std::optional<std::size_t> editingRow_;  // the delay row being edited
};

}  // namespace corv
