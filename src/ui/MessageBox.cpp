#include "ui/MessageBox.h"

#include <QLoggingCategory>
#include <memory>

#include "ui/CMsgWnd.h"
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

void SetMessageBoxResponder(MessageBoxResponder r) { responder() = std::move(r); }

bool HasMessageBoxResponder() { return static_cast<bool>(responder()); }

int ShowMessageBox(QWidget* parent, const QString& text)
{
    if (!onUiThread()) {
        qCWarning(lcMsg) << "message box requested outside the UI thread; refused:" << text;
        return 0;
    }
    auto box = std::make_unique<CMsgWnd>();
    QWidget* owner = parent != nullptr ? parent->window() : nullptr;
    if (!box->Create(owner, QStringLiteral("msgwnd"), 0, 0, true)) {
        qCWarning(lcMsg) << "message box layout missing; not shown:" << text;
        return 0;
    }
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->CenterWindow();
    Control message = box->FindControl(QStringLiteral("MessageText"));
    if (!text.isEmpty())
        message.SetProgramText(text);  // in the language shown

    if (responder()) {
        MessageBoxRequest request;
        request.requestedText = text;
        request.hasMessageText = static_cast<bool>(message);
        request.shownText = message.GetText();
        const QString press = responder()(request);
        box->ClickControl(press);
        // A press that does not close the box counts as closing it without confirmation.
        if (!box->WasClosed())
            box->Close(0);
        return box->LastResult();
    }
    return box->ShowModal();
}

}  // namespace corv::ui
