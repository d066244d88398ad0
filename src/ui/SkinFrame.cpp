#include "ui/SkinFrame.h"

#include "ui/Notification.h"
#include "ui/ObserverImpl.h"
#include "ui/TabLayoutControl.h"

namespace corv::ui {

SkinObserver& skinObserver()
{
    static SkinObserver observer;
    return observer;
}

SkinFrame* SkinFrame::open(QWidget* mainWindow, QWidget* skinButton)
{
    auto* frame = new SkinFrame;
    frame->mainWindow_ = mainWindow;
    frame->skinButton_ = skinButton;
    if (!frame->createWindow(nullptr, QStringLiteral("skinframe"), 0, 0, true)) {
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

void SkinFrame::notify(Notification& msg)
{
    if (msg.type == notify::kClick) {
        const QString name = msg.senderName;
        const Control sender(msg.sender.data());
        if (name.compare(QLatin1String(kImageButton), Qt::CaseInsensitive) == 0) {
            skinObserver().broadcast(SkinChangedParam{false, 0, sender.getUserData()});
        } else if (name.compare(QLatin1String(kColorButton), Qt::CaseInsensitive) == 0) {
            skinObserver().broadcast(SkinChangedParam{true, sender.getBkColor(), QString()});
        } else if (name.compare(QLatin1String(kColorTabButton), Qt::CaseInsensitive) == 0) {
            TabLayoutControl(findControl(QLatin1String(kTabs))).selectItem(1);
        } else if (name.compare(QLatin1String(kImageTabButton), Qt::CaseInsensitive) == 0) {
            TabLayoutControl(findControl(QLatin1String(kTabs))).selectItem(0);
        }
        return;  // the frame has no caption buttons
    }
    SkinWindow::notify(msg);
}

void SkinFrame::onClose(int /*result*/) { deleteLater(); }

}  // namespace corv::ui
