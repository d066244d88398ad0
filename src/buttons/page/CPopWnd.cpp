#include "buttons/page/CPopWnd.h"

#include "ui/ComboControl.h"

namespace corv {

int CPopWnd::Run(QWidget* owner)
{
    if (!Create(owner, QStringLiteral("macroselect"), 800, 572, true))
        return 0;
    CenterWindow();
    return ShowModal();
}

void CPopWnd::InitWindow()
{
    ui::ComboControl combo(FindControl(QString::fromUtf8(kMacroCombo)));
    for (const std::string& name : names_) {
        const QString text = QString::fromStdString(name);
        combo.AddItem(text, text, kItemHeight);
    }
    combo.SelectItem(-1);
    FollowZoomButtons();
}

void CPopWnd::Notify(ui::TNotifyUI& msg)
{
    if (msg.sType == ui::notify::kClick)
        OnClick(msg);
}

void CPopWnd::OnClick(ui::TNotifyUI& msg)
{
    const QString name = msg.senderName.toLower();
    if (name == QString::fromUtf8(kSaveButton)) {
        const int item = ui::ComboControl(FindControl(QString::fromUtf8(kMacroCombo))).GetCurSel();
        if (item < 0 || item > 255) {
            Close(0);  // nothing chosen: as a cancel
            return;
        }
        chosen_ = ButtonAssignment{ButtonAssignment::kMacro, static_cast<std::uint8_t>(item), 0};
        Close(1);
    } else if (name == QString::fromUtf8(kCancelButton)) {
        Close(0);
    } else if (name != QStringLiteral("menubtn")) {
        ui::SkinWindow::OnClick(msg);  // close, minimise, maximise, restore
    }
}

}  // namespace corv
