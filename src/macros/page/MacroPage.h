#pragma once
// The macro page: the macro library in the macro combo (new, delete, rename, copy, import,
// export), the selected macro's actions in the editor list (move, delete, delay edits and
// delay insertion), the page's lock while an edit is in progress, the library written to the
// mouse, and the combo brought up to date after the connection rebuilt the library from the
// mouse.
//
// The library's files are the truth: every operation goes through MacroIndex and changes
// the combo only when the index changed. The rows of the list are the lines of the shown
// macro's MacroFile, read once when the macro is selected; every finished change saves that
// file at once.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "feature/Feature.h"
#include "macros/MacroFile.h"
#include "macros/MacroRecorder.h"
#include "macros/MacroResult.h"

class QString;

namespace corv {

class FeatureHost;
class MacroIndex;
struct MacroRebuildOutcome;

class MacroPage : public Feature {
public:
    // Messages of the page beyond the library's own (MacroResult.h).
    static constexpr const char* kMsgInvalidName = "宏名称不能用作文件名，请重新命名";
    static constexpr const char* kMsgFileExists = "数据文件夹中已有同名的宏文件，宏名称未更改";
    static constexpr const char* kMsgUnreadableFile = "无法读取所选文件";
    // Said when a macro is selected whose file is there but is read as an empty macro.
    static constexpr const char* kMsgMacroFileTooLarge = "此宏的文件大于%d MB，无法读取：显示为空宏，编辑将替换该文件";
    static constexpr const char* kMsgMacroFileUnreadable = "无法读取此宏的文件：显示为空宏";
    static constexpr const char* kMsgNoMacroToRecord = "请新建一个宏，然后录制";
    static constexpr const char* kMsgSelectMacroToRecord = "请先选择一个宏，然后录制";
    // Said once when keys can be captured only from this program's own windows.
    static constexpr const char* kMsgOwnWindowsOnly =
        "此桌面不允许读取其他程序的键盘输入：只有在本窗口获得焦点时按下的键才会被录制";
    // The record button's texts.
    static constexpr const char* kRecordText = "录制";
    static constexpr const char* kStopText = "停止";

    // Row heights of the combo: items read at start-up, items added afterwards.
    static constexpr int kLoadedItemHeight = 30;
    static constexpr int kAddedItemHeight = 25;

    // The insert modes of the insert-mode combo.
    enum InsertMode { kDelayBefore = 0, kDelayAfter = 1, kKeysBefore = 2, kKeysAfter = 3 };

    explicit MacroPage(FeatureHost& host) : host_(host) { }

    std::string_view name() const override { return "macros"; }
    void declare(FeatureRegistry& registry) override;
    std::span<const ui::ControlRef> controls() const override;
    void windowInit() override;

    // Fills the macro combo from the macro index and empties the editor list; nothing is
    // selected.
    void loadMacroList();

    // Library operations. Those on the selected macro do nothing when none is selected.
    void newMacro();
    void deleteSelected();
    // Renames the selected macro to the text of the name edit.
    void renameSelected();
    void copySelected();
    void importIntoSelected();
    void exportSelected();
    // The pop-up menu of copy, import and export at the pointer.
    void openLibraryMenu();

    // Packs the whole library into the mouse's macro area. False, after its message, when
    // the library does not fit the area or its image cannot be built; the mouse then keeps
    // what it had.
    bool writeLibraryToMouse();

    // Editor.
    // Shows the selected macro's actions (the combo's selection); no row is selected. A
    // macro shown empty because its name cannot be a file name or its file cannot be read
    // says so.
    void loadSelected();
    void moveRowUp();
    void moveRowDown();
    void deleteRow();
    // First click on a delay row: its delay goes into the delay edit and the page locks.
    // Second click: the typed delay is stored and the page unlocks.
    void editRow();
    // Inserts a delay of the typed length before or after the selected row (insert modes 0
    // and 1).
    void insertDelay();
    // The insert-mode combo's choice: the delay panel for modes 0 and 1, the key panel for
    // 2 and 3.
    void showInsertPanel(int mode);
    // The key panel's insert button: delays are inserted at once; typed keys are inserted
    // until finishKeyInsertion, with the page locked.
    void startInsertion();
    void finishKeyInsertion();

    // Recording: starts, or stops and saves. Keys typed anywhere on the desktop are appended
    // to the selected macro with their delays while it runs.
    void toggleRecording();
    bool isRecording() const { return recording_; }
    bool isEditingKey() const { return editingKey_; }
    bool isInsertingKeys() const { return insertingKeys_; }
    // The window's hooks end: a recording, key edit or key insertion finishes as its own
    // stop would (saved, page unlocked).
    void endCaptures();

    // Key events of the window's keyboard hook (wParam WM_KEYDOWN/WM_KEYUP, vk).
    void recordKey(bool down, std::uint16_t vk);
    void replaceKey(bool down, std::uint16_t vk);
    void insertKey(bool down, std::uint16_t vk);

    // Lock and unlock: the page's buttons and the window's page headers are disabled, the
    // two combos take no input.
    void setLocked(bool locked);
    bool isLocked() const { return locked_; }
    bool isEditingDelay() const { return editingRow_.has_value(); }

    // The library changed through another feature: the combo shows it again, keeping the
    // selected macro when it is still there.
    void libraryChangedElsewhere();

    // The library was rebuilt from the mouse: the combo follows the index, the shown macro
    // is read again, and a library that could not take every macro of the mouse says so.
    void macrosRebuilt(const MacroRebuildOutcome& outcome);

    // The macro shown in the editor list.
    const MacroFile& shownMacro() const { return shown_; }

    // The delay typed into an edit, in milliseconds: a decimal number (an optional sign,
    // reading stops at the first other character, no digits read 0), limited to
    // 0..MacroAction::kMaxDelayMs.
    static long typedDelay(const QString& text);

private:
    std::filesystem::path dataFolder() const;
    // The index position of the macro selected in the combo, when its name is in the index.
    std::optional<std::size_t> selectedMacro(const MacroIndex& index) const;
    std::optional<std::size_t> selectedRow() const;
    // Shows a failed library operation's message (nothing for results without one).
    void report(MacroResult result);
    // Puts the editor list back to the shown macro's rows after a failed save, and says so.
    void restoreRows(std::optional<std::size_t> selected);
    void fillRows();
    // loadSelected, with or without its message.
    void showSelected(bool tellWhyEmpty);
    // The name list shows the library; the other features hear of the change.
    void libraryChanged();
    void fillNameList(const std::vector<std::string>& names);
    // The combo shows names, keeping the selected macro when it is among them (then true);
    // the editor list is emptied until the selection loads it again.
    bool showLibrary(const std::vector<std::string>& names);
    void insertRow(int at, std::size_t line, const QString* delayText = nullptr);
    // A row moved by one place in the list (the file's lines are already moved).
    void moveRow(std::size_t from, std::size_t to);
    // Saves the rows of a finished recording, key edit or insertion; says so when it fails.
    void saveShown();
    // The delay of a typed key by the recorder's delay choice (measured, none, or the fixed
    // delay edit, which shows the limit when the typed value was beyond it).
    long delayForTypedKey();
    std::uint32_t tick() const;
    // Installs the window's hook; says once when only this program's own keys can be seen.
    void installHook(int mode);

    FeatureHost& host_;
    const FeatureRegistry* registry_ = nullptr;
    MacroFile shown_;
    std::optional<std::size_t> editingRow_;  // the delay row being edited
    bool locked_ = false;
    bool recording_ = false;
    bool editingKey_ = false;
    bool insertingKeys_ = false;
    bool ownWindowsNoticeShown_ = false;
    MacroRecorder recorder_;           // the recording's auto-repeat filter
    MacroRecorder inserter_;           // the key insertion's own
    std::uint32_t lastEventTick_ = 0;  // the previous recorded or inserted event
};

}  // namespace corv
