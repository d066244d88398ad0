#include "ui/KeyboardAccess.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <functional>

#include "ui/AccessibleButton.h"
#include "ui/ResourceManager.h"

namespace corv::ui {

namespace {

constexpr int kRowHeight = 16;
constexpr const char* kKeyboardFocus =
    "keyboardFocus";  // the theme's selector of the focus frame  // controls whose middles lie this close count as one row

// Reading order of two places: by row, then from the left.
bool readsBefore(const QPoint& a, const QPoint& b)
{
    const int rowA = a.y() / kRowHeight;
    const int rowB = b.y() / kRowHeight;
    return rowA != rowB ? rowA < rowB : a.x() < b.x();
}

QPoint middleOf(const QWidget* w, const QWidget* root) { return w->mapTo(root, w->rect().center()); }

// The interactive controls under w in reading order: siblings by their places, each one's
// own controls together, so a side bar is read whole before the page beside it.
void collectInReadingOrder(QWidget* w, QList<QWidget*>& out)
{
    QList<QWidget*> children;
    for (QObject* child : w->children()) {
        if (auto* cw = qobject_cast<QWidget*>(child); cw != nullptr && !cw->isWindow())
            children << cw;
    }
    std::stable_sort(children.begin(), children.end(), [](const QWidget* a, const QWidget* b) {
        return readsBefore(a->geometry().center(), b->geometry().center());
    });
    for (QWidget* child : children) {
        if (KeyboardAccess::isInteractive(child))
            out << child;
        else
            collectInReadingOrder(child, out);
    }
}

// The label that names a control the way a person reads the page: on its row just left of
// it, or else just above it, within its own part of the window.
const QLabel* labelBeside(const QWidget* w)
{
    const QWidget* parent = w->parentWidget();
    if (parent == nullptr)
        return nullptr;
    const QRect place = w->geometry();
    const QLabel* best = nullptr;
    int bestDistance = 0;
    for (const QLabel* label : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        const QString text = label->text().trimmed();
        if (text.isEmpty() || label->isHidden())
            continue;
        const QRect r = label->geometry();
        int distance = -1;
        if (std::abs(r.center().y() - place.center().y()) <= kRowHeight && r.right() <= place.left())
            distance = place.left() - r.right();  // on the row, to the left
        else if (r.bottom() <= place.top() && place.top() - r.bottom() <= 2 * kRowHeight && r.left() < place.right() &&
                 r.right() > place.left())
            distance = place.top() - r.bottom() + 1000;  // above it: only when nothing is to the left
        if (distance >= 0 && (best == nullptr || distance < bestDistance)) {
            best = label;
            bestDistance = distance;
        }
    }
    return best;
}

QString groupOf(const QWidget* w)
{
    const QString keyGroup = w->property("keygroup").toString();
    if (!keyGroup.isEmpty())
        return keyGroup;
    const auto* b = qobject_cast<const QAbstractButton*>(w);
    return b != nullptr && b->isCheckable() ? w->property("group").toString() : QString();
}

}  // namespace

bool KeyboardAccess::isInteractive(const QWidget* w)
{
    if (w == nullptr)
        return false;
    if (qobject_cast<const QLineEdit*>(w) != nullptr)
        return qobject_cast<const QComboBox*>(w->parentWidget()) == nullptr;  // a combo's own edit is the combo
    return qobject_cast<const QAbstractButton*>(w) != nullptr || qobject_cast<const QComboBox*>(w) != nullptr ||
           qobject_cast<const QAbstractSlider*>(w) != nullptr || qobject_cast<const QAbstractItemView*>(w) != nullptr;
}

void KeyboardAccess::apply(QWidget* root)
{
    if (root == nullptr)
        return;
    AccessibleButton::install();
    auto* filter = new KeyboardAccess(root);
    QList<QWidget*> controls;
    collectInReadingOrder(root, controls);
    QWidget* previous = nullptr;
    for (QWidget* w : controls) {
        const bool typedInto = qobject_cast<QLineEdit*>(w) != nullptr || qobject_cast<QAbstractItemView*>(w) != nullptr;
        w->setFocusPolicy(typedInto ? Qt::StrongFocus : Qt::TabFocus);
        w->installEventFilter(filter);
        if (previous != nullptr)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

void KeyboardAccess::names(QWidget* root)
{
    if (root == nullptr)
        return;
    const ResourceManager& rm = ResourceManager::instance();
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (!isInteractive(w))
            continue;
        QString id = w->property("textid").toString();
        if (id.isEmpty())
            id = w->objectName();
        QString name;
        if (const auto own = rm.getText(id + QStringLiteral(".name"), QStringLiteral("name")); own && !own->isEmpty())
            name = *own;
        else if (const auto* b = qobject_cast<const QAbstractButton*>(w); b != nullptr && !b->text().isEmpty())
            name = b->text().remove(QLatin1Char('&'));
        else if (!w->toolTip().isEmpty())
            name = w->toolTip();
        else if (const QLabel* label = labelBeside(w))
            name = label->text();
        else if (const auto* edit = qobject_cast<const QLineEdit*>(w))
            name = edit->placeholderText();
        w->setAccessibleName(name);
    }
}

bool KeyboardAccess::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        // The theme frames the focus only when the keyboard moved it there: the window's first
        // focus at its activation, or a click into an edit, shows nothing new.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool keyboard =
            event->type() == QEvent::FocusIn &&
            (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason);
        auto* w = static_cast<QWidget*>(watched);
        if (w->property(kKeyboardFocus).toBool() != keyboard) {
            w->setProperty(kKeyboardFocus, keyboard);
            w->style()->unpolish(w);
            w->style()->polish(w);
            w->update();
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (button == nullptr || !button->isEnabled())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        button->click();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: {
        const QString group = groupOf(button);
        if (group.isEmpty())
            return false;
        QWidget* window = button->window();
        QList<QAbstractButton*> members;
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
            if (groupOf(b) == group && b->isVisible() && b->isEnabled())
                members << b;
        }
        std::stable_sort(members.begin(), members.end(), [window](const QWidget* a, const QWidget* b) {
            return readsBefore(middleOf(a, window), middleOf(b, window));
        });
        const qsizetype at = members.indexOf(button);
        const bool back = key->key() == Qt::Key_Left || key->key() == Qt::Key_Up;
        const qsizetype next = back ? at - 1 : at + 1;
        if (at < 0 || next < 0 || next >= members.size())
            return true;  // the first or last of its group: nothing further
        QAbstractButton* target = members[next];
        target->setFocus(Qt::TabFocusReason);
        target->click();
        return true;
    }
    default:
        return false;
    }
}

}  // namespace corv::ui
