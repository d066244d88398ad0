#include "profiles/page/ProfileNames.h"

namespace corv::profile_names {

namespace {

using ui::ControlKind;
constexpr const char* M = "XML_MAIN";

constexpr ui::ControlRef kProfile[] = {
    {M, kLists[0], ControlKind::Combo},          {M, kLists[1], ControlKind::Combo},
    {M, kLists[2], ControlKind::Combo},          {M, kNameEdits[0], ControlKind::Edit},
    {M, kNameEdits[1], ControlKind::Edit},       {M, kNameEdits[2], ControlKind::Edit},
    {M, kProgramEdits[0], ControlKind::Edit},    {M, kProgramEdits[1], ControlKind::Edit},
    {M, kProgramEdits[2], ControlKind::Edit},    {M, kLinkBoxes[0], ControlKind::Option},
    {M, kLinkBoxes[1], ControlKind::Option},     {M, kLinkBoxes[2], ControlKind::Option},
    {M, kLinkPanels[0], ControlKind::Any},       {M, kLinkPanels[1], ControlKind::Any},
    {M, kLinkPanels[2], ControlKind::Any},       {M, kChooseButtons[0], ControlKind::Button},
    {M, kChooseButtons[1], ControlKind::Button}, {M, kChooseButtons[2], ControlKind::Button},
    {M, kRenameButtons[0], ControlKind::Button}, {M, kRenameButtons[1], ControlKind::Button},
    {M, kRenameButtons[2], ControlKind::Button}, {M, kAddButton, ControlKind::Button},
    {M, kDeleteButton, ControlKind::Button},     {M, kMenuButton, ControlKind::Button},
};

}  // namespace

std::span<const ui::ControlRef> profileControls() { return kProfile; }

}  // namespace corv::profile_names
