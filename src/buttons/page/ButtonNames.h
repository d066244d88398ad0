#pragma once
// The controls the button page looks up or routes.
#include <span>

#include "ui/ControlRef.h"
#include "ui/MenuItemRef.h"

namespace corv::button_names {

inline constexpr const char* kButtonPrefix = "ms_key_";              // + button number
inline constexpr const char* kBadgePrefix = "ms_key_num_";           // + button number
inline constexpr const char* kBadgeOverPrefix = "ms_key_over_num_";  // + button number
inline constexpr const char* kStoreButton = "ms_key_butt_keysave";
inline constexpr const char* kDefaultButton = "ms_key_butt_keydefalut";
inline constexpr const char* kSaveSendButton = "ms_key_butt_prosave";
inline constexpr const char* kProgress = "ms_key_progress";  // shown while a save and send runs
// Says that the current record's buttons could not be read from the mouse.
inline constexpr const char* kRecordNote = "ms_key_record_note";
// Edits that hold a byte.
inline constexpr const char* kByteEdits[3] = {"ms_key_fct_edit_11", "ms_key_fct_edit_12", "ms_key_fct_edit_25"};

// Deleting a macro with a check of the buttons that use it: the macro selected in the
// library's name list.
inline constexpr const char* kMacroNameList = "ms_MacroName_list";
inline constexpr const char* kCheckedDeleteButton = "ms_macro_btn_name_sub";

// The function menu and its two items that open windows.
inline constexpr const char* kFunctionMenu = "mskeySet.xml";
inline constexpr const char* kMenuSingleKey = "msmenusinglekey";
inline constexpr const char* kMenuMacro = "msmenumacrokey";
inline constexpr const char* kFixedMenuItems[] = {
    "msmenuleftkey",     "msmenurightkey",      "msmenumiddlekey", "msmenutwoleftkey", "msmenu4tkey",  "msmenu5key",
    "msmenuscrollupkey", "msmenuscrolldownkey", "msmenuDPIupkey",  "msmenuDPIdownkey", "msmenuoffkey",
};

std::span<const ui::ControlRef> buttonPageControls();
// The function menu's items.
std::span<const ui::MenuItemRef> functionMenuItems();

}  // namespace corv::button_names
