#pragma once
// A menu item that code routes by name, and the menu file it lives in. Lists of them are
// checked against the menu files and both languages by a test.

namespace corv::ui {

struct MenuItemRef {
    const char* file;
    const char* name;
};

}  // namespace corv::ui
