#pragma once
// The main window's routing tables: one ordered chain per notification type, the menu
// items, and the page structure. A feature adds its behaviour with one row in one table.
#include <span>
#include <string_view>

#include "app/Routing.h"
#include "ui/MenuWnd.h"

namespace corv {

struct PageSwitch {
    const char* tabLayout;
    const char* option;
    int page;
};

using MenuAction = void (*)(CMainWnd& wnd, const ui::MenuCommand& cmd);
struct MenuRow {
    std::string_view name;
    bool ignoreCase;
    MenuAction action;
};

class MainRoutes {
public:
    static const RouteTable& colorChanged();
    static const RouteTable& clickPrefix();  // rows name prefixes ("ms_key_")
    static const RouteTable& click();
    static const RouteTable& selectChanged();  // step 2 of "selectchanged"
    static const RouteTable& valueChanged();
    static const RouteTable& itemSelect();
    static const RouteTable& textChanged();
    static const RouteTable& killFocus();
    static std::span<const MenuRow> menu();
    // The options that switch the pages of the tab layouts.
    static std::span<const PageSwitch> pages();
    static const MenuRow* findMenuRow(const QString& name);
};

}  // namespace corv
