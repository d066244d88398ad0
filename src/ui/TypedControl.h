#pragma once
// Helper for the typed control handles: a handle of kind K made from a control of another
// kind is null (with a warning).
#include "ui/Control.h"

namespace corv::ui {

// Returns the widget when it is of the kind, else null (and warns).
QWidget* checkedKind(const Control& control, ControlKind kind);

}  // namespace corv::ui
