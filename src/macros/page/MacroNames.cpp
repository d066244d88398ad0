#include "macros/page/MacroNames.h"

namespace corv::macro_names {

namespace {

using ui::ControlKind;
constexpr const char* M = "XML_MAIN";

constexpr ui::ControlRef kMacro[] = {
    {M, kMacroCombo, ControlKind::Combo},
    {M, kMacroList, ControlKind::List},
};

}  // namespace

std::span<const ui::ControlRef> macroPageControls() { return kMacro; }

}  // namespace corv::macro_names
