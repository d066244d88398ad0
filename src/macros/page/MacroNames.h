#pragma once
// The controls the macro page looks up or routes.
#include <span>

#include "ui/ControlRef.h"

namespace corv::macro_names {

inline constexpr const char* kMacroCombo = "ms_marco_combo_profileSelect";
inline constexpr const char* kMacroList = "ms_Macro_list";

std::span<const ui::ControlRef> macroPageControls();

}  // namespace corv::macro_names
