#pragma once
// The button page: each of the nine buttons of the current record is given a function from
// the function menu (fixed functions, one keyboard key from the single-key window, a macro
// from the macro selection window), labelled after it, stored under the rule that one button
// keeps the left click, and saved and sent: the macro library, the record's button block and
// the selected profile's KEY0..KEY8. The transfer runs off the UI thread with the page
// locked. A record whose block was not read from the mouse stays locked, and says so: its
// buttons are neither shown as the mouse's nor written. Also: the number badges that light up under the pointer, reset to default, and the
// byte edits of the function panels.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "buttons/ButtonAssignment.h"
#include "feature/Feature.h"
#include "feature/FeatureRegistry.h"

class QString;

namespace corv {

class ButtonSender;
class FeatureHost;
struct ButtonSendOutcome;

class ButtonsPage : public Feature {
public:
    // Its step of the settings refresh.
    static constexpr StepOrder kRefreshLabels = 60;
    static constexpr const char* kMsgKeepLeftClick = "必须存在一个左键设置";
    static constexpr const char* kLeftClickLabel = "左键";
    static constexpr const char* kMsgMacroInUse = "检查到有按键设定为该宏，是否确认删除？";
    static constexpr const char* kRecordNotReadText = "未能读取此记录的按键，无法更改";
    static constexpr const char* kNotReadLabel = "—";

    explicit ButtonsPage(FeatureHost& host);
    ~ButtonsPage() override;

    std::string_view name() const override { return "buttons"; }
    void declare(FeatureRegistry& registry) override;
    std::span<const ui::ControlRef> controls() const override;
    std::span<const ui::MenuItemRef> menuItems() const override;
    void windowInit() override;
    void shutdown() override;

    // The pointer entered (or left) button n: its two number badges change their image.
    void highlightButton(int n, bool entered);
    // Loads the pending assignment with button n's function and opens the function menu.
    void openMenu(int n);
    // A fixed item of the function menu (its text becomes the label), then store and send.
    void chooseFixed(const ButtonAssignment& a, const QString& label);
    // The single-key and macro selection windows, then store and send (also when cancelled).
    void chooseSingleKey();
    void chooseMacro();
    // Stores the pending assignment in the current record (left-click rule); false when
    // refused (with its message; the button is labelled as a left click again).
    bool storePending();
    // The selected button gets its default in the record and the pending assignment; the
    // menu opens again.
    void resetToDefault();
    // Starts a save and send of the current record.
    void saveAndSend();
    // The nine labels of the current record.
    void refreshLabels();
    // Deletes the macro selected in the library's name list; when a button of a record uses
    // it, only after confirmation, and those buttons then get their defaults (later macros
    // move down by one). Nothing is sent.
    void deleteMacroChecked();

    const PendingAssignment& pending() const { return pending_; }
    bool isSending() const;
    // Locked while a save and send runs, or while the current record's button block is
    // not known (it could not be read from the mouse): nothing can be chosen or sent then.
    bool isLocked() const { return locked_ || !recordKnown_; }

private:
    std::size_t currentRecord() const;
    // Whether the current record's block was read from the mouse.
    bool currentRecordKnown() const;
    void showRecordKnown(bool known);
    void updateEnabled();
    std::vector<std::string> macroNames() const;
    void setLabel(int n, const QString& text, bool macroName = false);
    void setLocked(bool locked);
    void sent(const ButtonSendOutcome& outcome);

    FeatureHost& host_;
    const FeatureRegistry* registry_ = nullptr;
    PendingAssignment pending_;
    std::unique_ptr<ButtonSender> sender_;
    bool locked_ = false;
    bool recordKnown_ = true;
};

}  // namespace corv
