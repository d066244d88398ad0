#include "ui/AccessibleButton.h"

#include <QAbstractButton>

namespace corv::ui {

namespace {

QAccessibleInterface* buttonFactory(const QString& className, QObject* object)
{
    // Check boxes and radio buttons keep Qt's own; the skin's buttons and options are ours.
    if (className != QLatin1String("QPushButton") || !object->isWidgetType())
        return nullptr;
    return new AccessibleButton(static_cast<QWidget*>(object));
}

}  // namespace

AccessibleButton::AccessibleButton(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) { }

QAccessible::Role AccessibleButton::role() const
{
    // read each time: the layout makes a button checkable after it was created.
    const QAbstractButton* b = button();
    return b != nullptr && b->isCheckable() ? QAccessible::CheckBox : QAccessible::Button;
}

void AccessibleButton::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(buttonFactory);
        return true;
    }();
    (void)installed;
}

QAbstractButton* AccessibleButton::button() const { return qobject_cast<QAbstractButton*>(widget()); }

QString AccessibleButton::text(QAccessible::Text t) const
{
    QString out = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && out.isEmpty() && button() != nullptr)
        out = button()->text().remove(QLatin1Char('&'));
    return out;
}

QAccessible::State AccessibleButton::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    if (QAbstractButton* b = button()) {
        s.checkable = b->isCheckable();
        s.checked = b->isChecked();
        s.pressed = b->isDown();
    }
    return s;
}

QStringList AccessibleButton::actionNames() const
{
    QAbstractButton* b = button();
    if (b == nullptr || !b->isEnabled())
        return {};
    return {b->isCheckable() ? toggleAction() : pressAction()};
}

void AccessibleButton::doAction(const QString& actionName)
{
    QAbstractButton* b = button();
    if (b == nullptr || !b->isEnabled())
        return;
    if (actionName == pressAction() || actionName == toggleAction())
        b->click();  // the window hears of it as of a click
}

QStringList AccessibleButton::keyBindingsForAction(const QString&) const { return {}; }

}  // namespace corv::ui
