#include "script/DialogAnswers.h"

#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

namespace corv {

DialogAnswers::~DialogAnswers()
{
    if (installed_) {
        ui::setMessageBoxResponder(nullptr);
        ui::setFileDialogResponder(nullptr);
    }
}

void DialogAnswers::install()
{
    ui::setMessageBoxResponder([this](const ui::MessageBoxRequest& r) { return answerMessageBox(r.shownText); });
    ui::setFileDialogResponder([this](const ui::FileDialogRequest& r) {
        return answerFileDialog(r.kind == ui::FileDialogRequest::Kind::Save, r.title);
    });
    installed_ = true;
}

std::optional<QString> DialogAnswers::takeLastMessage()
{
    std::optional<QString> shown = std::move(lastMessage_);
    lastMessage_.reset();
    return shown;
}

QString DialogAnswers::answerMessageBox(const QString& text)
{
    log_(QStringLiteral("message: ") + oneLine(text));
    lastMessage_ = text;
    bool confirm = false;
    if (answers_.empty()) {
        log_(QStringLiteral("answer: 0 (no answer was queued)"));
    } else {
        confirm = answers_.front();
        answers_.pop_front();
        log_(QStringLiteral("answer: %1").arg(confirm ? 1 : 0));
    }
    return confirm ? QStringLiteral("confirm_btn") : QStringLiteral("cancel_btn");
}

std::optional<QString> DialogAnswers::answerFileDialog(bool save, const QString& title)
{
    const QString head =
        QStringLiteral("file dialog: %1 %2").arg(save ? QStringLiteral("save") : QStringLiteral("open"), quoted(title));
    if (files_.empty()) {
        log_(head + QStringLiteral(": cancelled (no answer was queued)"));
        return std::nullopt;
    }
    std::optional<QString> answer = files_.front();
    files_.pop_front();
    log_(head + (answer ? QStringLiteral(": ") + *answer : QStringLiteral(": cancelled")));
    return answer;
}

}  // namespace corv
