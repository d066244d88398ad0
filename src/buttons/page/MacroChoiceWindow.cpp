#include "buttons/page/MacroChoiceWindow.h"

#include "ui/ComboControl.h"

namespace corv {

int MacroChoiceWindow::run(QWidget* owner)
{
    if (!createWindow(owner, QStringLiteral("macroselect"), 800, 572, true))
        return 0;
    centerWindow();
    return showModal();
}

void MacroChoiceWindow::initWindow()
{
    ui::ComboControl combo(findControl(QString::fromUtf8(kMacroCombo)));
    for (const std::string& name : names_) {
        const QString text = QString::fromStdString(name);
        combo.addItem(text, text, kItemHeight);
    }
    combo.selectItem(-1);
    followZoomButtons();
}

void MacroChoiceWindow::notify(ui::Notification& msg)
{
    if (msg.type == ui::notify::kClick)
        onClick(msg);
}

void MacroChoiceWindow::onClick(ui::Notification& msg)
{
    const QString name = msg.senderName.toLower();
    if (name == QString::fromUtf8(kSaveButton)) {
        const int item = ui::ComboControl(findControl(QString::fromUtf8(kMacroCombo))).getCurSel();
        if (item < 0 || item > 255) {
            closeWindow(0);  // nothing chosen: as a cancel
            return;
        }
        chosen_ = ButtonAssignment{ButtonAssignment::kMacro, static_cast<std::uint8_t>(item), 0};
        closeWindow(1);
    } else if (name == QString::fromUtf8(kCancelButton)) {
        closeWindow(0);
    } else if (name != QStringLiteral("menubtn")) {
        ui::SkinWindow::onClick(msg);  // close, minimise, maximise, restore
    }
}

}  // namespace corv
