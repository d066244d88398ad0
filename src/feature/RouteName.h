#pragma once
// The routing machinery: ordered tables of sender names and actions, names compared without
// regard to case, and the split of indexed names ("ms_key_3" -> prefix "ms_key_", index 3).
#include <QString>
#include <span>
#include <string_view>

namespace corv {

class CMainWnd;
namespace ui {
struct TNotifyUI;
}

// An action gets the window, the notification and the sender's index (0 for full names).
using RouteAction = void (*)(CMainWnd& wnd, const ui::TNotifyUI& msg, int index);

struct RouteRow {
    std::string_view name;  // a full name, or a prefix ending in '_' in a prefix table
    RouteAction action;
};

// One ordered chain: the first row whose name matches wins.
class RouteTable {
public:
    constexpr explicit RouteTable(std::span<const RouteRow> rows) : rows_(rows) { }
    const RouteRow* find(const QString& name) const;
    std::span<const RouteRow> rows() const { return rows_; }

private:
    std::span<const RouteRow> rows_;
};

struct IndexedName {
    bool hasPrefix = false;
    QString prefix;  // up to and including the last underscore
    int index = 0;   // the decimal value of the rest; text that is not a number gives 0
};

IndexedName splitIndexedName(const QString& name);
bool sameName(const QString& a, std::string_view b);

}  // namespace corv
