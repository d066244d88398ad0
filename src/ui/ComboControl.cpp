#include "ui/ComboControl.h"

#include <QComboBox>
#include <QSize>

#include "ui/TypedControl.h"

namespace corv::ui {

namespace {
constexpr int kUserDataRole = Qt::UserRole;
}

ComboControl::ComboControl(const Control& control) : Control(checkedKind(control, ControlKind::Combo)) { }

int ComboControl::getCount() const
{
    auto* c = qobject_cast<QComboBox*>(usable("getCount"));
    return c != nullptr ? c->count() : 0;
}

int ComboControl::getCurSel() const
{
    auto* c = qobject_cast<QComboBox*>(usable("getCurSel"));
    return c != nullptr ? c->currentIndex() : -1;
}

bool ComboControl::selectItem(int index)
{
    auto* c = qobject_cast<QComboBox*>(usable("selectItem"));
    if (c == nullptr || index < -1 || index >= c->count())
        return false;
    if (index == -1) {
        const QSignalBlocker blocker(c);
        c->setCurrentIndex(-1);
        c->update();
        return true;
    }
    c->setCurrentIndex(index);  // raises "itemselect" through the adapter when it changes
    return true;
}

bool ComboControl::insertItem(int index, const QString& text, const QString& userData, int fixedHeight)
{
    auto* c = qobject_cast<QComboBox*>(usable("insertItem"));
    if (c == nullptr || index < 0 || index > c->count())
        return false;
    const int before = c->currentIndex();
    {
        const QSignalBlocker blocker(c);
        c->insertItem(index, text, userData);
        if (fixedHeight > 0)
            c->setItemData(index, QSize(0, fixedHeight), Qt::SizeHintRole);
        // Qt selects the first item of an empty combo, and shifts the selection: keep ours.
        c->setCurrentIndex(before < 0 ? -1 : (index <= before ? before + 1 : before));
    }
    return true;
}

int ComboControl::addItem(const QString& text, const QString& userData, int fixedHeight)
{
    const int index = getCount();
    return insertItem(index, text, userData, fixedHeight) ? index : -1;
}

bool ComboControl::removeAt(int index)
{
    auto* c = qobject_cast<QComboBox*>(usable("removeAt"));
    if (c == nullptr || index < 0 || index >= c->count())
        return false;
    const int before = c->currentIndex();
    const QSignalBlocker blocker(c);
    c->removeItem(index);
    c->setCurrentIndex(before == index || before < 0 ? -1 : (index < before ? before - 1 : before));
    return true;
}

void ComboControl::removeAll()
{
    auto* c = qobject_cast<QComboBox*>(usable("removeAll"));
    if (c == nullptr)
        return;
    const QSignalBlocker blocker(c);
    c->clear();
}

QString ComboControl::getItemText(int index) const
{
    auto* c = qobject_cast<QComboBox*>(usable("getItemText"));
    return c != nullptr && index >= 0 && index < c->count() ? c->itemText(index) : QString();
}

bool ComboControl::setItemText(int index, const QString& text)
{
    auto* c = qobject_cast<QComboBox*>(usable("setItemText"));
    if (c == nullptr || index < 0 || index >= c->count())
        return false;
    c->setItemText(index, text);
    return true;
}

QString ComboControl::getItemUserData(int index) const
{
    auto* c = qobject_cast<QComboBox*>(usable("getItemUserData"));
    return c != nullptr && index >= 0 && index < c->count() ? c->itemData(index, kUserDataRole).toString() : QString();
}

bool ComboControl::setItemUserData(int index, const QString& data)
{
    auto* c = qobject_cast<QComboBox*>(usable("setItemUserData"));
    if (c == nullptr || index < 0 || index >= c->count())
        return false;
    c->setItemData(index, data, kUserDataRole);
    return true;
}

int ComboControl::getItemHeight(int index) const
{
    auto* c = qobject_cast<QComboBox*>(usable("getItemHeight"));
    if (c == nullptr || index < 0 || index >= c->count())
        return 0;
    return c->itemData(index, Qt::SizeHintRole).toSize().height();
}

}  // namespace corv::ui
