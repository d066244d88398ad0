#pragma once
// Diagnostic lines for whoever runs the program from a terminal: written to stderr only
// while the environment variable CORV_DEBUG is set to a non-empty value, and silent
// otherwise. Safe to call from any thread; each call writes one whole line.
#include <string_view>

namespace corv {

bool debugEnabled();

// Writes "corvalantis: " + text + newline when debugEnabled().
void debugLine(std::string_view text);

}  // namespace corv
