#pragma once
// The keyboard source of the program: the X11 desktop's keyboard when a display with the
// RECORD extension is there, else the keys typed into the program's own windows.
#include <memory>

#include "platform/KeyboardSource.h"

namespace corv::ui {

std::unique_ptr<KeyboardSource> makeKeyboardSource();

}  // namespace corv::ui
