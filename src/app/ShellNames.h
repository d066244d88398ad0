#pragma once
// The controls and menu items of the window shell: the caption, the page structure it
// switches, and the windows of the ui layer it opens. Each feature lists its own
// (Feature::controls(), Feature::menuItems()); the skin test checks all of them.
#include <span>

#include "ui/ControlRef.h"
#include "ui/MenuItemRef.h"

namespace corv {

namespace names {
inline constexpr const char* kRoot = "root";
inline constexpr const char* kCloseBtn = "closebtn";
inline constexpr const char* kMaxBtn = "maxbtn";
inline constexpr const char* kRestoreBtn = "restorebtn";
inline constexpr const char* kMinBtn = "minbtn";
inline constexpr const char* kSkinBtn = "skinbtn";
inline constexpr const char* kTitleText = "titletext";
inline constexpr const char* kHomeText = "hometext";
inline constexpr const char* kLogo = "msloge";
inline constexpr const char* kMsTabSwitch = "ms_tab_switch";
inline constexpr const char* kTabSwitch = "tab_switch";
inline constexpr const char* kFirstPageOption = "ms_deng_Op_tab";
inline constexpr const char* kFunctionPanel = "ms_tab_function";
inline constexpr const char* kMacroCheckTime = "ms_macro_check_time";
inline constexpr const char* kOnboardRecordPrefix = "ms_profile_";
// The tray menu and its items.
inline constexpr const char* kTrayMenu = "menu.xml";
inline constexpr const char* kMenuLanguage = "lan";
inline constexpr const char* kMenuAutostart = "autostart";
inline constexpr const char* kMenuExit = "exit";
}  // namespace names

std::span<const ui::ControlRef> shellControls();
std::span<const ui::MenuItemRef> shellMenuItems();

}  // namespace corv
