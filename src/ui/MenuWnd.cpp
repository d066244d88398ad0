#include "ui/MenuWnd.h"

#include <QAction>
#include <QLoggingCategory>
#include <QMenu>
#include <QXmlStreamReader>

#include "ui/ResourceManager.h"

namespace corv::ui {

Q_LOGGING_CATEGORY(lcMenu, "corv.menu", QtWarningMsg)

namespace {
bool isTrue(QStringView v)
{
    return v.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0 || v == QStringLiteral("1");
}
}  // namespace

std::optional<std::vector<MenuWnd::Item>> MenuWnd::parseMenuFile(const QString& file)
{
    const auto data = ResourceManager::readLimited(ResourceManager::instance().resolveFile(file));
    if (!data) {
        qCWarning(lcMenu) << "menu file missing:" << file;
        return std::nullopt;
    }
    std::vector<Item> items;
    QXmlStreamReader reader(*data);
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference) {
            qCWarning(lcMenu) << "menu file refused (document type declaration):" << file;
            return std::nullopt;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const auto attrs = reader.attributes();
        if (reader.name().compare(QStringLiteral("Separator"), Qt::CaseInsensitive) == 0) {
            Item item;
            item.separator = true;
            items.push_back(item);
        } else if (reader.name().compare(QStringLiteral("MenuElement"), Qt::CaseInsensitive) == 0) {
            Item item;
            item.name = attrs.value(QStringLiteral("name")).toString();
            item.text = attrs.value(QStringLiteral("text")).toString();
            item.userData = attrs.value(QStringLiteral("userdata")).toString();
            item.checkable = isTrue(attrs.value(QStringLiteral("checkable")));
            item.checked = isTrue(attrs.value(QStringLiteral("checked")));
            items.push_back(item);
        }
    }
    if (reader.hasError()) {
        qCWarning(lcMenu) << "menu file malformed:" << file << reader.errorString();
        return std::nullopt;
    }
    return items;
}

std::unique_ptr<QMenu> MenuWnd::buildMenu(const QString& file, MenuHandler handler, QWidget* parent)
{
    const auto items = parseMenuFile(file);
    if (!items)
        return nullptr;
    auto menu = std::make_unique<QMenu>(parent);
    menu->setObjectName(file);
    for (const Item& item : *items) {
        if (item.separator) {
            menu->addSeparator();
            continue;
        }
        const auto text = ResourceManager::instance().getText(item.name, QStringLiteral("menu"));
        QAction* action = menu->addAction(text.value_or(item.text));
        action->setObjectName(item.name);
        action->setData(item.userData);
        action->setCheckable(item.checkable);
        action->setChecked(item.checked);
        QObject::connect(action, &QAction::triggered, menu.get(), [action, handler](bool checked) {
            if (!handler)
                return;
            MenuCommand cmd;
            cmd.name = action->objectName();
            cmd.text = action->text();
            cmd.userData = action->data().toString();
            cmd.checked = checked;
            handler(cmd);
        });
    }
    return menu;
}

QMenu* MenuWnd::init(const QString& file, QPoint screenPoint, MenuHandler handler, QWidget* parent)
{
    auto menu = buildMenu(file, std::move(handler), parent);
    if (!menu)
        return nullptr;
    QMenu* shown = menu.release();
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->popup(screenPoint);
    return shown;
}

bool MenuWnd::triggerItem(QMenu* menu, const QString& name)
{
    if (menu == nullptr)
        return false;
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        if (!action->isSeparator() && action->objectName() == name) {
            action->trigger();
            return true;
        }
        // Items of submenus count as items of the menu.
        if (QMenu* sub = action->menu(); sub != nullptr && triggerItem(sub, name))
            return true;
    }
    return false;
}

}  // namespace corv::ui
