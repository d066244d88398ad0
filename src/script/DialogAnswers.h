#pragma once
// The answers a script queues for the message boxes and file dialogs still to come, given in
// order as the program asks; and the text of the last message box, for expect-message.
#include <QString>
#include <cstddef>
#include <deque>
#include <optional>

#include "script/ScriptLog.h"

namespace corv {

class DialogAnswers {
public:
    explicit DialogAnswers(ScriptLog log) : log_(std::move(log)) { }
    ~DialogAnswers();
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    // Answers the program's message boxes and file dialogs from here on, until destroyed.
    void install();

    void queueAnswer(bool confirm) { answers_.push_back(confirm); }
    // A file to choose, or none: the dialog is cancelled.
    void queueFile(std::optional<QString> file) { files_.push_back(std::move(file)); }
    std::size_t unusedAnswers() const { return answers_.size(); }
    std::size_t unusedFiles() const { return files_.size(); }
    // The text of the last message box since the last call, taken once.
    std::optional<QString> takeLastMessage();

    // The button a message box's text gets pressed ("confirm_btn", "cancel_btn").
    QString answerMessageBox(const QString& text);
    std::optional<QString> answerFileDialog(bool save, const QString& title);

private:
    ScriptLog log_;
    bool installed_ = false;
    std::deque<bool> answers_;
    std::deque<std::optional<QString>> files_;
    std::optional<QString> lastMessage_;
};

}  // namespace corv
