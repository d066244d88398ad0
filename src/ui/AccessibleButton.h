#pragma once
// How a screen reader sees and presses a button or option of the skin: its press is a click,
// as the mouse's and the keyboard's are, so an option it presses switches its page (a toggle
// alone would check the option without telling the window). An option says whether it is
// checked. Installed once for the process by install().
#include <QAccessibleWidget>

class QAbstractButton;

namespace corv::ui {

class AccessibleButton : public QAccessibleWidget {
public:
    explicit AccessibleButton(QWidget* w);
    static void install();

    QAccessible::Role role() const override;  // an option is a check box, as Qt's own buttons say
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QAbstractButton* button() const;
};

}  // namespace corv::ui
