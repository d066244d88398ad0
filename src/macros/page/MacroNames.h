#pragma once
// The controls the macro page looks up or routes, and the kinds it expects.
#include <array>
#include <span>

#include "ui/ControlRef.h"

namespace corv::macro_names {

// The library.
inline constexpr const char* kMacroCombo = "ms_marco_combo_profileSelect";
inline constexpr const char* kAddButton = "ms_macro_add_btn";
inline constexpr const char* kDeleteButton = "ms_macro_delete_btn";
inline constexpr const char* kCopyButton = "ms_macro_copy_btn";  // opens kLibraryMenu
inline constexpr const char* kNameEdit = "ms_macro_edit_newname";
inline constexpr const char* kRenameButton = "ms_hong_apply_btn";

// The library's pop-up menu and its items.
inline constexpr const char* kLibraryMenu = "macro_fuction.xml";
inline constexpr const char* kMenuCopy = "Menu_CopyMarco";
inline constexpr const char* kMenuImport = "Menu_MacroImport";
inline constexpr const char* kMenuExport = "Menu_MacroExport";

// The recorder.
inline constexpr const char* kRecordButton = "ms_Macro_record";
inline constexpr const char* kFixedDelayEdit = "ms_macro_edit_delay";  // also used by key insertion

// The recorder's delay choice (locked with the page).
inline constexpr const char* kRealDelayOption = "ms_Macro_write_img";
inline constexpr const char* kFixedDelayOption = "ms_Macro_default_img";
inline constexpr const char* kNoDelayOption = "ms_Macro_cancledelay_img";

// The editor.
inline constexpr const char* kMacroList = "ms_Macro_list";
inline constexpr const char* kUpButton = "ms_macro_btn_up";
inline constexpr const char* kDownButton = "ms_macro_btn_down";
inline constexpr const char* kDeleteRowButton = "ms_macro_btn_delete";
inline constexpr const char* kEditButton = "ms_macro_btn_edit";
inline constexpr const char* kInsertButton = "ms_macro_btn_inset";        // delay insertion (modes 0, 1)
inline constexpr const char* kStartInsertButton = "ms_macro_btn_inset1";  // key insertion (modes 2, 3)
inline constexpr const char* kFinishInsertButton = "ms_macro_btn_cancel";
inline constexpr const char* kInsertModeCombo = "ms_deng_combo_delaySelect1";
inline constexpr const char* kDelayEdit = "ms_macro_edit_delayname";
inline constexpr const char* kDelayPanel = "ms_macro_edit_hor_0";  // shown for modes 0 and 1
inline constexpr const char* kKeyPanel = "ms_macro_edit_hor_1";    // shown for modes 2 and 3

// The library's names in index order (on the second macro page), for deleting a macro with
// a check of the buttons that use it.
inline constexpr const char* kNameList = "ms_MacroName_list";

// The window's page headers (locked with the page).
inline constexpr const char* kUsbHeader = "tab_usb_header";
inline constexpr const char* kMsHeader = "tab_ms_header";

// Enabled and disabled by the page's lock.
inline constexpr std::array<const char*, 16> kLockedControls = {
    kUsbHeader,        kMsHeader,      kAddButton,         kDeleteButton,       kCopyButton,      kRealDelayOption,
    kFixedDelayOption, kNoDelayOption, kRenameButton,      kEditButton,         kDeleteRowButton, kUpButton,
    kDownButton,       kInsertButton,  kStartInsertButton, kFinishInsertButton,
};
// Whose input (the combo and its items) the page's lock blocks.
inline constexpr std::array<const char*, 2> kLockedCombos = {kMacroCombo, kInsertModeCombo};

std::span<const ui::ControlRef> macroPageControls();

}  // namespace corv::macro_names
