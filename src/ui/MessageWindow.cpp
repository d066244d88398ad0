#include "ui/MessageWindow.h"

#include <QAbstractButton>

namespace corv::ui {

void MessageWindow::initWindow() { closeButton_ = findControl(QStringLiteral("closebtn")); }

void MessageWindow::notify(Notification& msg)
{
    if (msg.type == notify::kClick)
        onClick(msg);
}

void MessageWindow::onClick(Notification& msg)
{
    const QString name = msg.senderName.toLower();
    if (closeButton_ && msg.sender == closeButton_.widget()) {
        closeWindow(0);
    } else if (name == QStringLiteral("confirm_btn")) {
        closeWindow(1);
    } else if (name == QStringLiteral("cancel_btn")) {
        closeWindow(0);
    }
}

bool MessageWindow::clickControl(const QString& name)
{
    auto* button = qobject_cast<QAbstractButton*>(findControl(name).widget());
    if (button == nullptr)
        return false;
    button->click();
    return true;
}

}  // namespace corv::ui
