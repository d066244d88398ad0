#pragma once
// The controls the shell looks up or routes by name, and the skin's controls that the
// features still to come will use, each with the kind expected and the layout it lives in.
// Each feature lists its own (Feature::controls()). The skin test loads each layout and
// checks both, so a name used in code but missing from the skin fails there.
#include <span>

#include "ui/ControlRef.h"

namespace corv {

using ui::ControlRef;

std::span<const ControlRef> shellControls();

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
inline constexpr const char* kLogo = "msloge";
inline constexpr const char* kMsTabSwitch = "ms_tab_switch";
inline constexpr const char* kTabSwitch = "tab_switch";
inline constexpr const char* kFirstPageOption = "ms_deng_Op_tab";
inline constexpr const char* kFunctionPanel = "ms_tab_function";
inline constexpr const char* kMacroCheckTime = "ms_macro_check_time";
inline constexpr const char* kOnboardRecordPrefix = "ms_profile_";
}  // namespace names

}  // namespace corv
