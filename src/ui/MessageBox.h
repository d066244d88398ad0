#pragma once
// showMessageBox: every notice and question of the program, in the skinned message window,
// modal over the main window, in the current language (the text is one of the program's own,
// written in Chinese: ui/ResourceManager.h). Returns 1 when the user pressed "confirm_btn",
// else 0.
//
// Tests install a responder instead of the real modal loop: the box is built as usual (the
// layout, the text), then the responder is asked which control to press.
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace corv::ui {

struct MessageBoxRequest {
    QString requestedText;  // what the caller passed
    QString shownText;      // what "MessageText" shows (the layout's own text for an empty request)
    bool hasMessageText = false;
};

// Returns the name of the control to press; a name that is not a button of the box closes
// it with 0.
using MessageBoxResponder = std::function<QString(const MessageBoxRequest&)>;

void setMessageBoxResponder(MessageBoxResponder responder);
bool hasMessageBoxResponder();

// UI thread only (a call from another thread is refused with a warning and returns 0). An
// empty text leaves the layout's text. Returns 0 as well when the layout cannot be loaded.
int showMessageBox(QWidget* parent, const QString& text);

}  // namespace corv::ui
