#include "ui/CMsgWnd.h"

#include <QAbstractButton>

namespace corv::ui {

void CMsgWnd::InitWindow() { closeButton_ = FindControl(QStringLiteral("closebtn")); }

void CMsgWnd::Notify(TNotifyUI& msg)
{
    if (msg.sType == notify::kClick)
        OnClick(msg);
}

void CMsgWnd::OnClick(TNotifyUI& msg)
{
    const QString name = msg.senderName.toLower();
    if (closeButton_ && msg.pSender == closeButton_.widget()) {
        Close(0);
    } else if (name == QStringLiteral("confirm_btn")) {
        Close(1);
    } else if (name == QStringLiteral("cancel_btn")) {
        Close(0);
    }
}

bool CMsgWnd::ClickControl(const QString& name)
{
    auto* button = qobject_cast<QAbstractButton*>(FindControl(name).widget());
    if (button == nullptr)
        return false;
    button->click();
    return true;
}

}  // namespace corv::ui
