#include "ui/ComboControl.h"

#include <QComboBox>
#include <QSize>

#include "ui/TypedControl.h"

namespace corv::ui {

namespace {
constexpr int kUserDataRole = Qt::UserRole;
}

ComboControl::ComboControl(const Control& control) : Control(checkedKind(control, ControlKind::Combo)) { }

int ComboControl::GetCount() const
{
    auto* c = qobject_cast<QComboBox*>(usable("GetCount"));
    return c != nullptr ? c->count() : 0;
}

int ComboControl::GetCurSel() const
{
    auto* c = qobject_cast<QComboBox*>(usable("GetCurSel"));
    return c != nullptr ? c->currentIndex() : -1;
}

bool ComboControl::SelectItem(int index)
{
    auto* c = qobject_cast<QComboBox*>(usable("SelectItem"));
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

bool ComboControl::InsertItem(int index, const QString& text, const QString& userData, int fixedHeight)
{
    auto* c = qobject_cast<QComboBox*>(usable("InsertItem"));
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

int ComboControl::AddItem(const QString& text, const QString& userData, int fixedHeight)
{
    const int index = GetCount();
    return InsertItem(index, text, userData, fixedHeight) ? index : -1;
}

bool ComboControl::RemoveAt(int index)
{
    auto* c = qobject_cast<QComboBox*>(usable("RemoveAt"));
    if (c == nullptr || index < 0 || index >= c->count())
        return false;
    const int before = c->currentIndex();
    const QSignalBlocker blocker(c);
    c->removeItem(index);
    c->setCurrentIndex(before == index || before < 0 ? -1 : (index < before ? before - 1 : before));
    return true;
}

void ComboControl::RemoveAll()
{
    auto* c = qobject_cast<QComboBox*>(usable("RemoveAll"));
    if (c == nullptr)
        return;
    const QSignalBlocker blocker(c);
    c->clear();
}

QString ComboControl::GetItemText(int index) const
{
    auto* c = qobject_cast<QComboBox*>(usable("GetItemText"));
    return c != nullptr && index >= 0 && index < c->count() ? c->itemText(index) : QString();
}

bool ComboControl::SetItemText(int index, const QString& text)
{
    auto* c = qobject_cast<QComboBox*>(usable("SetItemText"));
    if (c == nullptr || index < 0 || index >= c->count())
        return false;
    c->setItemText(index, text);
    return true;
}

QString ComboControl::GetItemUserData(int index) const
{
    auto* c = qobject_cast<QComboBox*>(usable("GetItemUserData"));
    return c != nullptr && index >= 0 && index < c->count() ? c->itemData(index, kUserDataRole).toString() : QString();
}

bool ComboControl::SetItemUserData(int index, const QString& data)
{
    auto* c = qobject_cast<QComboBox*>(usable("SetItemUserData"));
    if (c == nullptr || index < 0 || index >= c->count())
        return false;
    c->setItemData(index, data, kUserDataRole);
    return true;
}

int ComboControl::GetItemHeight(int index) const
{
    auto* c = qobject_cast<QComboBox*>(usable("GetItemHeight"));
    if (c == nullptr || index < 0 || index >= c->count())
        return 0;
    return c->itemData(index, Qt::SizeHintRole).toSize().height();
}

}  // namespace corv::ui
