#pragma once
// The program's message window (layout "XML_MSG"): a text control "MessageText" and the
// buttons "confirm_btn" (result 1), "cancel_btn" and "closebtn" (result 0).
#include "ui/SkinWindow.h"

namespace corv::ui {

class MessageWindow : public SkinWindow {
    Q_OBJECT
public:
    MessageWindow() = default;

    QString getWindowClassName() const override { return QStringLiteral("MsgWnd"); }
    QString getSkinFile() const override { return QStringLiteral("XML_MSG"); }
    void notify(Notification& msg) override;

    // Presses a control of the box as the user would; false when there is no such button.
    bool clickControl(const QString& name);

protected:
    void initWindow() override;
    void onClick(Notification& msg) override;

private:
    Control closeButton_;
};

}  // namespace corv::ui
