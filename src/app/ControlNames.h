#pragma once
// Every control the program looks up or routes by name, with the kind it expects and the
// window (layout) it lives in. The skin test loads each layout and checks this list, so a
// name used in code but missing from the skin fails there. Code that looks a control up
// takes its name from here.
#include <span>

#include "ui/ControlKind.h"

namespace corv {

struct ControlRef {
    const char* layout;  // layout id or file: "XML_MAIN", "XML_MSG", "MsSingleKey.xml", ...
    const char* name;
    ui::ControlKind kind;
};

std::span<const ControlRef> lookedUpControls();

// Menu files and the item names the program routes.
struct MenuItemRef {
    const char* file;
    const char* name;
};
std::span<const MenuItemRef> routedMenuItems();

namespace names {
inline constexpr const char* kRoot = "root";
inline constexpr const char* kCloseBtn = "closebtn";
inline constexpr const char* kMaxBtn = "maxbtn";
inline constexpr const char* kRestoreBtn = "restorebtn";
inline constexpr const char* kMinBtn = "minbtn";
inline constexpr const char* kSkinBtn = "skinbtn";
inline constexpr const char* kPallet = "Pallet";
inline constexpr const char* kDengPallet = "ms_deng_Color_Pallet";
inline constexpr const char* kMacroCombo = "ms_marco_combo_profileSelect";
inline constexpr const char* kMacroList = "ms_Macro_list";
inline constexpr const char* kKeyProfileCombo = "ms_KEY_combo_profileSelect";
inline constexpr const char* kDpiProfileCombo = "ms_DPI_combo_profileSelect";
inline constexpr const char* kRegProfileCombo = "ms_REG_combo_profileSelect";
inline constexpr const char* kMsTabSwitch = "ms_tab_switch";
inline constexpr const char* kTabSwitch = "tab_switch";
inline constexpr const char* kMacroCheckTime = "ms_macro_check_time";
inline constexpr const char* kKeyNumPrefix = "ms_key_num_";
inline constexpr const char* kKeyOverNumPrefix = "ms_key_over_num_";
}  // namespace names

}  // namespace corv
