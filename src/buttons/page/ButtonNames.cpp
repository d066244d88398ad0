#include "buttons/page/ButtonNames.h"

#include <array>
#include <iterator>

#include "buttons/page/MacroChoiceWindow.h"
#include "buttons/page/SingleKeyWindow.h"

namespace corv::button_names {

namespace {

using ui::ControlKind;
constexpr const char* M = "XML_MAIN";

constexpr ui::ControlRef kButtons[] = {
    {M, "ms_key_0", ControlKind::Button},
    {M, "ms_key_num_0", ControlKind::Any},
    {M, "ms_key_over_num_0", ControlKind::Any},
    {M, "ms_key_8", ControlKind::Button},
    {M, "ms_key_num_8", ControlKind::Any},
    {M, "ms_key_over_num_8", ControlKind::Any},
    {M, kByteEdits[0], ControlKind::Edit},
    {M, kByteEdits[1], ControlKind::Edit},
    {M, kByteEdits[2], ControlKind::Edit},
    {M, kStoreButton, ControlKind::Button},
    {M, kDefaultButton, ControlKind::Button},
    {M, kSaveSendButton, ControlKind::Button},
    {M, kProgress, ControlKind::Progress},
    {M, kRecordNote, ControlKind::Label},
    {M, kMacroNameList, ControlKind::List},
    {M, kCheckedDeleteButton, ControlKind::Button},
    {M, "ms_key_1", ControlKind::Button},
    {M, "ms_key_5", ControlKind::Button},
    // The macro selection window.
    {MacroChoiceWindow::kSkinFile, MacroChoiceWindow::kMacroCombo, ControlKind::Combo},
    {MacroChoiceWindow::kSkinFile, MacroChoiceWindow::kSaveButton, ControlKind::Button},
    {MacroChoiceWindow::kSkinFile, MacroChoiceWindow::kCancelButton, ControlKind::Button},
    {MacroChoiceWindow::kSkinFile, "closebtn", ControlKind::Button},
    {MacroChoiceWindow::kSkinFile, "maxbtn", ControlKind::Button},
    {MacroChoiceWindow::kSkinFile, "restorebtn", ControlKind::Button},
    // The single-key window.
    {SingleKeyWindow::kSkinFile, SingleKeyWindow::kKeyEdit, ControlKind::Edit},
    {SingleKeyWindow::kSkinFile, SingleKeyWindow::kSaveButton, ControlKind::Button},
    {SingleKeyWindow::kSkinFile, SingleKeyWindow::kCancelButton, ControlKind::Button},
    {SingleKeyWindow::kSkinFile, SingleKeyWindow::kHint, ControlKind::Label},
    {SingleKeyWindow::kSkinFile, "closebtn", ControlKind::Button},
    {SingleKeyWindow::kSkinFile, "maxbtn", ControlKind::Button},
    {SingleKeyWindow::kSkinFile, "restorebtn", ControlKind::Button},
};

constexpr auto kMenuItems = [] {
    std::array<ui::MenuItemRef, std::size(kFixedMenuItems) + 2> items{};
    std::size_t n = 0;
    for (const char* item : kFixedMenuItems)
        items[n++] = {kFunctionMenu, item};
    items[n++] = {kFunctionMenu, kMenuSingleKey};
    items[n++] = {kFunctionMenu, kMenuMacro};
    return items;
}();

}  // namespace

std::span<const ui::ControlRef> buttonPageControls() { return kButtons; }

std::span<const ui::MenuItemRef> functionMenuItems() { return kMenuItems; }

}  // namespace corv::button_names
