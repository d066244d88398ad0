#include "app/ShellNames.h"

#include "ui/SkinFrame.h"

namespace corv {

namespace {

using ui::ControlKind;
constexpr const char* M = "XML_MAIN";
constexpr const char* kMsg = "XML_MSG";
using Frame = ui::SkinFrame;

constexpr ui::ControlRef kControls[] = {
    // Caption and frame.
    {M, names::kRoot, ControlKind::Any},
    {M, names::kCloseBtn, ControlKind::Button},
    {M, names::kMaxBtn, ControlKind::Button},
    {M, names::kRestoreBtn, ControlKind::Button},
    {M, names::kMinBtn, ControlKind::Button},
    {M, names::kSkinBtn, ControlKind::Button},
    {M, names::kLogo, ControlKind::Label},
    {M, names::kTitleText, ControlKind::Label},
    {M, names::kHomeText, ControlKind::Label},
    // The page structure the shell switches.
    {M, names::kTabSwitch, ControlKind::TabLayout},
    {M, names::kMsTabSwitch, ControlKind::TabLayout},
    {M, names::kFirstPageOption, ControlKind::Option},
    {M, names::kFunctionPanel, ControlKind::Any},
    {M, names::kMacroCheckTime, ControlKind::Option},
    {M, "ms_profile_0", ControlKind::Button},  // kOnboardRecordPrefix + record
    // The message box.
    {kMsg, "MessageText", ControlKind::Label},
    {kMsg, "confirm_btn", ControlKind::Button},
    {kMsg, "cancel_btn", ControlKind::Button},
    {kMsg, "closebtn", ControlKind::Button},
    // The skin frame.
    {Frame::kLayout, Frame::kTabs, ControlKind::TabLayout},
    {Frame::kLayout, Frame::kImageTabButton, ControlKind::Any},
    {Frame::kLayout, Frame::kColorTabButton, ControlKind::Any},
    {Frame::kLayout, Frame::kImageButton, ControlKind::Button},
    {Frame::kLayout, Frame::kColorButton, ControlKind::Button},
};

constexpr ui::MenuItemRef kMenuItems[] = {
    {names::kTrayMenu, names::kMenuLanguage},
    {names::kTrayMenu, names::kMenuAutostart},
    {names::kTrayMenu, names::kMenuExit},
};

}  // namespace

std::span<const ui::ControlRef> shellControls() { return kControls; }

std::span<const ui::MenuItemRef> shellMenuItems() { return kMenuItems; }

}  // namespace corv
