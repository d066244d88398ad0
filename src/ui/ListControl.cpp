#include "ui/ListControl.h"

#include <QIcon>
#include <QListWidget>

#include "ui/ResourceManager.h"
#include "ui/TypedControl.h"

namespace corv::ui {

namespace {
constexpr int kUserDataRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kDownRole = Qt::UserRole + 2;
constexpr int kNameRole = Qt::UserRole + 3;

QListWidgetItem* itemAt(QListWidget* l, int index)
{
    return l != nullptr && index >= 0 && index < l->count() ? l->item(index) : nullptr;
}

// Inserts a finished row silently; the selected row stays the selected row.
void insertKeepingSelection(QListWidget* l, int index, QListWidgetItem* item, const QString& userData, int height)
{
    item->setData(kUserDataRole, userData);
    item->setSizeHint(QSize(0, height));
    const QSignalBlocker blocker(l);
    const int before = l->currentRow();
    l->insertItem(index, item);
    l->setCurrentRow(before < 0 ? -1 : (index <= before ? before + 1 : before));
}
}  // namespace

ListControl::ListControl(const Control& control) : Control(checkedKind(control, ControlKind::List)) { }

int ListControl::getCount() const
{
    auto* l = qobject_cast<QListWidget*>(usable("getCount"));
    return l != nullptr ? l->count() : 0;
}

int ListControl::getCurSel() const
{
    auto* l = qobject_cast<QListWidget*>(usable("getCurSel"));
    return l != nullptr ? l->currentRow() : -1;
}

bool ListControl::selectItem(int index)
{
    auto* l = qobject_cast<QListWidget*>(usable("selectItem"));
    if (l == nullptr || index < -1 || index >= l->count())
        return false;
    if (index == -1) {
        const QSignalBlocker blocker(l);
        l->setCurrentRow(-1);
        l->clearSelection();
        return true;
    }
    l->setCurrentRow(index);  // raises "itemselect" through the adapter when it changes
    return true;
}

bool ListControl::insertTextRow(int index, const QString& text, const QString& userData, int height)
{
    auto* l = qobject_cast<QListWidget*>(usable("insertTextRow"));
    if (l == nullptr || index < 0 || index > l->count())
        return false;
    auto* item = new QListWidgetItem(text);
    item->setData(kKindRole, static_cast<int>(RowKind::Text));
    insertKeepingSelection(l, index, item, userData, height);
    return true;
}

bool ListControl::insertActionRow(int index, bool down, const QString& keyName, const QString& userData, int height)
{
    auto* l = qobject_cast<QListWidget*>(usable("insertActionRow"));
    if (l == nullptr || index < 0 || index > l->count())
        return false;
    auto* item = new QListWidgetItem(keyName);
    const QString icon = ResourceManager::instance().imagePath(down ? QStringLiteral("file='ms/macro_action_down.png'")
                                                                    : QStringLiteral("file='ms/macro_action_up.png'"));
    if (!icon.isEmpty())
        item->setIcon(QIcon(icon));
    item->setData(kKindRole, static_cast<int>(RowKind::Action));
    item->setData(kDownRole, down);
    item->setData(kNameRole, QStringLiteral("macro_action"));
    item->setForeground(Qt::white);
    insertKeepingSelection(l, index, item, userData, height);
    return true;
}

int ListControl::addTextRow(const QString& text, const QString& userData, int height)
{
    const int index = getCount();
    return insertTextRow(index, text, userData, height) ? index : -1;
}

int ListControl::addActionRow(bool down, const QString& keyName, const QString& userData, int height)
{
    const int index = getCount();
    return insertActionRow(index, down, keyName, userData, height) ? index : -1;
}

ListControl::RowKind ListControl::getRowKind(int index) const
{
    auto* item = itemAt(qobject_cast<QListWidget*>(usable("getRowKind")), index);
    return item != nullptr ? static_cast<RowKind>(item->data(kKindRole).toInt()) : RowKind::None;
}

QString ListControl::getRowName(int index) const
{
    auto* item = itemAt(qobject_cast<QListWidget*>(usable("getRowName")), index);
    return item != nullptr ? item->data(kNameRole).toString() : QString();
}

bool ListControl::isActionDown(int index) const
{
    auto* item = itemAt(qobject_cast<QListWidget*>(usable("isActionDown")), index);
    return item != nullptr && item->data(kDownRole).toBool();
}

QString ListControl::getItemText(int index) const
{
    auto* item = itemAt(qobject_cast<QListWidget*>(usable("getItemText")), index);
    return item != nullptr ? item->text() : QString();
}

bool ListControl::setItemText(int index, const QString& text)
{
    auto* item = itemAt(qobject_cast<QListWidget*>(usable("setItemText")), index);
    if (item == nullptr)
        return false;
    item->setText(text);
    return true;
}

QString ListControl::getItemUserData(int index) const
{
    auto* item = itemAt(qobject_cast<QListWidget*>(usable("getItemUserData")), index);
    return item != nullptr ? item->data(kUserDataRole).toString() : QString();
}

bool ListControl::setItemUserData(int index, const QString& data)
{
    auto* item = itemAt(qobject_cast<QListWidget*>(usable("setItemUserData")), index);
    if (item == nullptr)
        return false;
    item->setData(kUserDataRole, data);
    return true;
}

int ListControl::getItemHeight(int index) const
{
    auto* item = itemAt(qobject_cast<QListWidget*>(usable("getItemHeight")), index);
    return item != nullptr ? item->sizeHint().height() : 0;
}

bool ListControl::removeAt(int index)
{
    auto* l = qobject_cast<QListWidget*>(usable("removeAt"));
    if (itemAt(l, index) == nullptr)
        return false;
    const QSignalBlocker blocker(l);
    const int before = l->currentRow();
    delete l->takeItem(index);
    l->setCurrentRow(before == index || before < 0 ? -1 : (index < before ? before - 1 : before));
    if (l->currentRow() < 0)
        l->clearSelection();
    return true;
}

void ListControl::removeAll()
{
    auto* l = qobject_cast<QListWidget*>(usable("removeAll"));
    if (l == nullptr)
        return;
    const QSignalBlocker blocker(l);
    l->clear();
}

}  // namespace corv::ui
