#pragma once
// The single-key window: captures one key of the real keyboard for a keyboard-key function.
// While it is open its keyboard hook swallows every key typed on the desktop (no program
// receives them, this one included) and reports them here; the last key event of a
// keyboard key (press or release) decides. The save button appears with the first key event
// of any key. Closing the window in any way removes the hook.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/KeyboardHook.h"
#include "ui/SkinWindow.h"

namespace corv {

// A keyboard key as a button function: kind 0x20, the modifier bit and the HID usage.
struct CapturedKey {
    std::uint8_t kind = 0;
    std::uint8_t p1 = 0;
    std::uint8_t p2 = 0;
    std::string name;
};

class SingleKeyWindow : public ui::SkinWindow {
public:
    static constexpr const char* kSkinFile = "MsSingleKey.xml";
    static constexpr const char* kKeyEdit = "ms_key_edit";
    static constexpr const char* kSaveButton = "ms_single_save_btn";
    static constexpr const char* kCancelButton = "ms_single_cancel_btn";
    static constexpr const char* kHint = "lbl_single_hint";
    // Shown in the hint when the keyboard cannot be taken from the other programs.
    static constexpr const char* kGrabRefusedText = "无法独占键盘（可能有其他程序正在使用），按键不会被捕获";
    // Shown in the hint when the desktop lets the program see only the keys typed into its
    // own windows (a Wayland session).
    static constexpr const char* kOwnWindowText = "此桌面只允许读取在本窗口中按下的键：请在此窗口获得焦点时按键";

    SingleKeyWindow() = default;
    ~SingleKeyWindow() override;

    QString getWindowClassName() const override { return QStringLiteral("MsSingleKey"); }
    QString getSkinFile() const override { return QString::fromUtf8(kSkinFile); }
    void notify(ui::Notification& msg) override;

    // Creates the window owned by owner, centres it and runs it modally: 1 saved, 0 cancelled.
    int run(QWidget* owner);

    // The last keyboard key reported; nothing while none was.
    const std::optional<CapturedKey>& captured() const { return captured_; }
    // Whether the keyboard is being captured (the hook is installed).
    bool isCapturing() const { return hook_.isInstalled(); }
    // Whether the desktop's keyboard was taken (false: only keys from scripts arrive).
    bool keyboardTaken() const { return keyboardTaken_; }
    // A key event as the hook reports it.
    void keyEvent(const KeyEvent& key);

protected:
    void initWindow() override;
    void onClick(ui::Notification& msg) override;
    void onClose(int result) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Installs the hook; the hint says when the keyboard could not be taken.
    bool takeKeyboard();

    static constexpr int kRetryMs = 250;

    KeyboardHook hook_;
    QString hintText_;  // the hint as the skin gives it
    std::optional<CapturedKey> captured_;
    bool keyboardTaken_ = false;
};

}  // namespace corv
