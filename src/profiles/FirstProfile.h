#pragma once
// The first profile of a first run: a byte copy of the profile template.
#include <string_view>

namespace corv {

// Copies "default.pro" to the profile called name in the data folder, replacing it. A missing
// template gives an empty profile. False when the profile file cannot be written.
bool copyTemplateToProfile(std::string_view name);

}  // namespace corv
