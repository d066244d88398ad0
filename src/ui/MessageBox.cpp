#include "ui/MessageBox.h"

#include <QLoggingCategory>
#include <memory>

#include "ui/MessageWindow.h"
#include "ui/UiThread.h"

namespace corv::ui {

Q_LOGGING_CATEGORY(lcMsg, "corv.msgbox", QtWarningMsg)

namespace {
MessageBoxResponder& responder()
{
    static MessageBoxResponder r;
    return r;
}
}  // namespace

void setMessageBoxResponder(MessageBoxResponder r) { responder() = std::move(r); }

bool hasMessageBoxResponder() { return static_cast<bool>(responder()); }

int showMessageBox(QWidget* parent, const QString& text)
{
    if (!onUiThread()) {
        qCWarning(lcMsg) << "message box requested outside the UI thread; refused:" << text;
        return 0;
    }
    auto box = std::make_unique<MessageWindow>();
    QWidget* owner = parent != nullptr ? parent->window() : nullptr;
    if (!box->createWindow(owner, QStringLiteral("msgwnd"), 0, 0, true)) {
        qCWarning(lcMsg) << "message box layout missing; not shown:" << text;
        return 0;
    }
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->centerWindow();
    Control message = box->findControl(QStringLiteral("MessageText"));
    if (!text.isEmpty())
        message.setProgramText(text);  // in the language shown

    if (responder()) {
        MessageBoxRequest request;
        request.requestedText = text;
        request.hasMessageText = static_cast<bool>(message);
        request.shownText = message.getText();
        const QString press = responder()(request);
        box->clickControl(press);
        // A press that does not close the box counts as closing it without confirmation.
        if (!box->wasClosed())
            box->closeWindow(0);
        return box->lastResult();
    }
    return box->showModal();
}

}  // namespace corv::ui
