#pragma once
// A control that code looks up by name: the layout it lives in, its name, and the kind of
// control the code expects. Lists of them are checked against the skin by a test.
#include "ui/ControlKind.h"

namespace corv::ui {

struct ControlRef {
    const char* layout;  // layout id or file: "XML_MAIN", "XML_MSG", "MsSingleKey.xml", ...
    const char* name;
    ControlKind kind;
};

}  // namespace corv::ui
