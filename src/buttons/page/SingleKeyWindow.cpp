#include "buttons/page/SingleKeyWindow.h"

#include <QTimer>

#include "keys/KeyTable.h"

namespace corv {

namespace {
QString qs(const char* text) { return QString::fromUtf8(text); }
}  // namespace

SingleKeyWindow::~SingleKeyWindow() { hook_.remove(); }

int SingleKeyWindow::run(QWidget* owner)
{
    if (!createWindow(owner, QStringLiteral("macroselect"), 800, 572, true))
        return 0;
    centerWindow();
    return showModal();
}

void SingleKeyWindow::initWindow()
{
    findControl(qs(kSaveButton)).setVisible(false);
    followZoomButtons();
    if (takeKeyboard())
        return;
    // A menu that has just closed may still hold the keyboard for a moment: one more try.
    QTimer::singleShot(kRetryMs, this, [this] {
        if (hook_.isInstalled() && !keyboardTaken_)
            takeKeyboard();
    });
}

bool SingleKeyWindow::takeKeyboard()
{
    keyboardTaken_ = hook_.install(kHookSingleKey, [this](unsigned, const KeyEvent& key) { keyEvent(key); });
    ui::Control hint = findControl(qs(kHint));
    if (!keyboardTaken_) {
        if (hintText_.isNull())
            hintText_ = hint.getText();
        hint.setProgramText(qs(kGrabRefusedText));
    } else if (const KeyboardSource* source = KeyboardHook::source(); source != nullptr && !source->desktopWide()) {
        if (hintText_.isNull())
            hintText_ = hint.getText();
        hint.setProgramText(qs(kOwnWindowText));
    } else if (!hintText_.isNull()) {
        hint.setText(hintText_);
    }
    return keyboardTaken_;
}

void SingleKeyWindow::keyEvent(const KeyEvent& key)
{
    findControl(qs(kSaveButton)).setVisible(true);
    const int row = findKeyByVirtualKey(key.vk);
    if (row < 0)
        return;
    const KeyTableRow& k = keyTable()[static_cast<std::size_t>(row)];
    if (k.kind != kKeyKindKeyboard)
        return;  // media, power and other keys outside the keyboard
    findControl(qs(kKeyEdit)).setText(qs(k.name));
    captured_ = CapturedKey{kKeyKindKeyboard, k.a, k.b, k.name};
}

void SingleKeyWindow::notify(ui::Notification& msg)
{
    if (msg.type == ui::notify::kClick)
        onClick(msg);
}

void SingleKeyWindow::onClick(ui::Notification& msg)
{
    const QString name = msg.senderName.toLower();
    if (name == qs(kSaveButton)) {
        hook_.remove();
        closeWindow(1);
    } else if (name == qs(kCancelButton) || name == QStringLiteral("closebtn")) {
        hook_.remove();
        closeWindow(0);
    } else if (name != QStringLiteral("menubtn")) {
        ui::SkinWindow::onClick(msg);  // minimise, maximise, restore
    }
}

void SingleKeyWindow::onClose(int) { hook_.remove(); }

void SingleKeyWindow::hideEvent(QHideEvent* event)
{
    // However the window goes away, the keyboard is given back.
    if (!isMinimized())
        hook_.remove();
    ui::SkinWindow::hideEvent(event);
}

}  // namespace corv
