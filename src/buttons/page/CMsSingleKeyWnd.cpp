#include "buttons/page/CMsSingleKeyWnd.h"

#include <QTimer>

#include "keys/KeyTable.h"

namespace corv {

namespace {
QString qs(const char* text) { return QString::fromUtf8(text); }
}  // namespace

CMsSingleKeyWnd::~CMsSingleKeyWnd() { hook_.Remove(); }

int CMsSingleKeyWnd::Run(QWidget* owner)
{
    if (!Create(owner, QStringLiteral("macroselect"), 800, 572, true))
        return 0;
    CenterWindow();
    return ShowModal();
}

void CMsSingleKeyWnd::InitWindow()
{
    FindControl(qs(kSaveButton)).SetVisible(false);
    FollowZoomButtons();
    if (takeKeyboard())
        return;
    // A menu that has just closed may still hold the keyboard for a moment: one more try.
    QTimer::singleShot(kRetryMs, this, [this] {
        if (hook_.IsInstalled() && !keyboardTaken_)
            takeKeyboard();
    });
}

bool CMsSingleKeyWnd::takeKeyboard()
{
    keyboardTaken_ = hook_.Install(kHookSingleKey, [this](unsigned, const KeyEvent& key) { keyEvent(key); });
    ui::Control hint = FindControl(qs(kHint));
    if (!keyboardTaken_) {
        if (hintText_.isNull())
            hintText_ = hint.GetText();
        hint.SetProgramText(qs(kGrabRefusedText));
    } else if (const KeyboardSource* source = CDeviceHook::Source(); source != nullptr && !source->desktopWide()) {
        if (hintText_.isNull())
            hintText_ = hint.GetText();
        hint.SetProgramText(qs(kOwnWindowText));
    } else if (!hintText_.isNull()) {
        hint.SetText(hintText_);
    }
    return keyboardTaken_;
}

void CMsSingleKeyWnd::keyEvent(const KeyEvent& key)
{
    FindControl(qs(kSaveButton)).SetVisible(true);
    const int row = findKeyByVirtualKey(key.vk);
    if (row < 0)
        return;
    const KeyTableRow& k = keyTable()[static_cast<std::size_t>(row)];
    if (k.kind != kKeyKindKeyboard)
        return;  // media, power and other keys outside the keyboard
    FindControl(qs(kKeyEdit)).SetText(qs(k.name));
    captured_ = CapturedKey{kKeyKindKeyboard, k.a, k.b, k.name};
}

void CMsSingleKeyWnd::Notify(ui::TNotifyUI& msg)
{
    if (msg.sType == ui::notify::kClick)
        OnClick(msg);
}

void CMsSingleKeyWnd::OnClick(ui::TNotifyUI& msg)
{
    const QString name = msg.senderName.toLower();
    if (name == qs(kSaveButton)) {
        hook_.Remove();
        Close(1);
    } else if (name == qs(kCancelButton) || name == QStringLiteral("closebtn")) {
        hook_.Remove();
        Close(0);
    } else if (name != QStringLiteral("menubtn")) {
        ui::SkinWindow::OnClick(msg);  // minimise, maximise, restore
    }
}

void CMsSingleKeyWnd::OnClose(int) { hook_.Remove(); }

void CMsSingleKeyWnd::hideEvent(QHideEvent* event)
{
    // However the window goes away, the keyboard is given back.
    if (!isMinimized())
        hook_.Remove();
    ui::SkinWindow::hideEvent(event);
}

}  // namespace corv
