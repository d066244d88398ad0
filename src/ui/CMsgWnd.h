#pragma once
// The program's message window (layout "XML_MSG"): a text control "MessageText" and the
// buttons "confirm_btn" (result 1), "cancel_btn" and "closebtn" (result 0).
#include "ui/SkinWindow.h"

namespace corv::ui {

class CMsgWnd : public SkinWindow {
    Q_OBJECT
public:
    CMsgWnd() = default;

    QString GetWindowClassName() const override { return QStringLiteral("MsgWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("XML_MSG"); }
    void Notify(TNotifyUI& msg) override;

    // Presses a control of the box as the user would; false when there is no such button.
    bool ClickControl(const QString& name);

protected:
    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;

private:
    Control closeButton_;
};

}  // namespace corv::ui
