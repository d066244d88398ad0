#include "macros/page/MacroNames.h"

namespace corv::macro_names {

namespace {

using ui::ControlKind;
constexpr const char* M = "XML_MAIN";

constexpr ui::ControlRef kMacro[] = {
    {M, kMacroCombo, ControlKind::Combo},
    {M, kAddButton, ControlKind::Button},
    {M, kDeleteButton, ControlKind::Button},
    {M, kCopyButton, ControlKind::Button},
    {M, kNameEdit, ControlKind::Edit},
    {M, kRenameButton, ControlKind::Button},
    {M, kRecordButton, ControlKind::Button},
    {M, kFixedDelayEdit, ControlKind::Edit},
    {M, kRealDelayOption, ControlKind::Option},
    {M, kFixedDelayOption, ControlKind::Option},
    {M, kNoDelayOption, ControlKind::Option},
    {M, kMacroList, ControlKind::List},
    {M, kNameList, ControlKind::List},
    {M, kUpButton, ControlKind::Button},
    {M, kDownButton, ControlKind::Button},
    {M, kDeleteRowButton, ControlKind::Button},
    {M, kEditButton, ControlKind::Button},
    {M, kInsertButton, ControlKind::Button},
    {M, kStartInsertButton, ControlKind::Button},
    {M, kFinishInsertButton, ControlKind::Button},
    {M, kInsertModeCombo, ControlKind::Combo},
    {M, kDelayEdit, ControlKind::Edit},
    {M, kDelayPanel, ControlKind::Container},
    {M, kKeyPanel, ControlKind::Container},
    {M, kUsbHeader, ControlKind::Container},
    {M, kMsHeader, ControlKind::Container},
};

}  // namespace

std::span<const ui::ControlRef> macroPageControls() { return kMacro; }

}  // namespace corv::macro_names
