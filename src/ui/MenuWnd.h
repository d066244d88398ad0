#pragma once
// Pop-up menus built from the skin's menu files:
//   <Menu>
//     <MenuElement name="lan" text="English" userdata="" checkable="false" checked="false"/>
//     <Separator/>
//   </Menu>
// An item's text comes from the language texts (id = the item's name) or else the file.
// Choosing an item reports its name, text, user data and check state.
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QWidget;

namespace corv::ui {

struct MenuCommand {
    QString name;
    QString text;
    QString userData;
    bool checked = false;
};

using MenuHandler = std::function<void(const MenuCommand&)>;

class MenuWnd {
public:
    struct Item {
        bool separator = false;
        QString name;
        QString text;
        QString userData;
        bool checkable = false;
        bool checked = false;
    };

    // The items of a menu file of the skin; nothing when missing or malformed.
    static std::optional<std::vector<Item>> parseMenuFile(const QString& file);
    // A menu of the file's items whose choice goes to handler; null when the file fails.
    static std::unique_ptr<QMenu> buildMenu(const QString& file, MenuHandler handler, QWidget* parent = nullptr);
    // Shows a menu file at a screen point; the menu deletes itself when closed. Returns it
    // (null when the file fails).
    static QMenu* init(const QString& file, QPoint screenPoint, MenuHandler handler, QWidget* parent = nullptr);
    // Chooses the item of that name (submenus included) as the user would; false when
    // there is none.
    static bool triggerItem(QMenu* menu, const QString& name);
};

}  // namespace corv::ui
