#pragma once
// The macro page: the macro library in the macro combo (MacroLibraryActions), the selected
// macro's actions in the editor list (MacroRowEditor), and keys captured into it by a
// recording, a key edit or a key insertion (MacroKeyCapture). The page wires the skin's
// controls and the window's events to the three and owns the page's lock.
//
// The library's files are the truth: every operation goes through MacroIndex and changes
// the combo only when the index changed. The rows of the list are the lines of the shown
// macro's MacroFile, read once when the macro is selected; every finished change saves that
// file at once.
#include <string_view>

#include "feature/Feature.h"
#include "macros/page/MacroKeyCapture.h"
#include "macros/page/MacroLibraryActions.h"
#include "macros/page/MacroRowEditor.h"

namespace corv {

class FeatureHost;

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

    explicit MacroPage(FeatureHost& host);

    std::string_view name() const override { return "macros"; }
    void declare(FeatureRegistry& registry) override;
    std::span<const ui::ControlRef> controls() const override;
    std::span<const ui::MenuItemRef> menuItems() const override;
    void windowInit() override;

    MacroLibraryActions& library() { return library_; }
    MacroRowEditor& editor() { return editor_; }
    MacroKeyCapture& capture() { return capture_; }
    FeatureHost& host() { return host_; }
    // The registry the page declared itself to; null before.
    const FeatureRegistry* registry() const { return registry_; }

    // Packs the whole library into the mouse's macro area (MacroLibraryActions).
    bool writeLibraryToMouse() { return library_.writeLibraryToMouse(); }

    bool isRecording() const { return capture_.isRecording(); }
    bool isEditingKey() const { return capture_.isEditingKey(); }
    bool isInsertingKeys() const { return capture_.isInsertingKeys(); }
    bool isEditingDelay() const { return editor_.isEditingDelay(); }

    // Lock and unlock: the page's buttons and the window's page headers are disabled, the
    // two combos take no input.
    void setLocked(bool locked);
    bool isLocked() const { return locked_; }

private:
    FeatureHost& host_;
    const FeatureRegistry* registry_ = nullptr;
    bool locked_ = false;
    MacroLibraryActions library_;
    MacroRowEditor editor_;
    MacroKeyCapture capture_;
};

}  // namespace corv
