#include "ui/CSkinFrame.h"

#include "ui/Notification.h"
#include "ui/ObserverImpl.h"
#include "ui/TabLayoutControl.h"

namespace corv::ui {

SkinObserver& skinObserver()
{
    static SkinObserver observer;
    return observer;
}

CSkinFrame* CSkinFrame::Open(QWidget* mainWindow, QWidget* skinButton)
{
    auto* frame = new CSkinFrame;
    frame->mainWindow_ = mainWindow;
    frame->skinButton_ = skinButton;
    if (!frame->Create(nullptr, QStringLiteral("skinframe"), 0, 0, true)) {
        delete frame;
        return nullptr;
    }
    // A pop-up: a click outside it, or another window taking the focus, closes it.
    frame->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    frame->adjustSize();
    if (skinButton != nullptr) {
        // Right edge on the button's right edge, top on its bottom edge.
        const QRect button = skinButton->rect();
        const QPoint bottomRight = skinButton->mapToGlobal(QPoint(button.right() + 1, button.bottom() + 1));
        frame->move(bottomRight.x() - frame->width(), bottomRight.y());
    }
    frame->show();
    return frame;
}

void CSkinFrame::Notify(TNotifyUI& msg)
{
    if (msg.sType == notify::kClick) {
        const QString name = msg.senderName;
        const Control sender(msg.pSender.data());
        if (name.compare(QLatin1String(kImageButton), Qt::CaseInsensitive) == 0) {
            skinObserver().Broadcast(SkinChangedParam{false, 0, sender.GetUserData()});
        } else if (name.compare(QLatin1String(kColorButton), Qt::CaseInsensitive) == 0) {
            skinObserver().Broadcast(SkinChangedParam{true, sender.GetBkColor(), QString()});
        } else if (name.compare(QLatin1String(kColorTabButton), Qt::CaseInsensitive) == 0) {
            TabLayoutControl(FindControl(QLatin1String(kTabs))).SelectItem(1);
        } else if (name.compare(QLatin1String(kImageTabButton), Qt::CaseInsensitive) == 0) {
            TabLayoutControl(FindControl(QLatin1String(kTabs))).SelectItem(0);
        }
        return;  // the frame has no caption buttons
    }
    SkinWindow::Notify(msg);
}

void CSkinFrame::OnClose(int /*result*/) { deleteLater(); }

}  // namespace corv::ui
