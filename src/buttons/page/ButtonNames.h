#pragma once
// The controls the button page looks up or routes.
#include <span>

#include "ui/ControlRef.h"

namespace corv::button_names {

inline constexpr const char* kButtonPrefix = "ms_key_";              // + button number
inline constexpr const char* kBadgePrefix = "ms_key_num_";           // + button number
inline constexpr const char* kBadgeOverPrefix = "ms_key_over_num_";  // + button number
// Edits that hold a byte.
inline constexpr const char* kByteEdits[3] = {"ms_key_fct_edit_11", "ms_key_fct_edit_12", "ms_key_fct_edit_25"};

std::span<const ui::ControlRef> buttonPageControls();

}  // namespace corv::button_names
