#include "macros/page/MacroKeyCapture.h"

#include <QLoggingCategory>
#include <QString>
#include <chrono>

#include "feature/FeatureHost.h"
#include "macros/MacroAction.h"
#include "macros/page/MacroNames.h"
#include "macros/page/MacroPage.h"
#include "platform/Clock.h"
#include "platform/KeyboardHook.h"
#include "platform/KeyboardSource.h"
#include "ui/ComboControl.h"
#include "ui/ListControl.h"
#include "ui/OptionControl.h"

namespace corv {

namespace mn = macro_names;

namespace {

QString qs(const char* name) { return QString::fromUtf8(name); }
QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

Q_LOGGING_CATEGORY(lcMacroCapture, "corv.debug.macros.capture", QtWarningMsg)

void MacroKeyCapture::startInsertion()
{
    const int mode = ui::ComboControl(host_.control(qs(mn::kInsertModeCombo))).getCurSel();
    if (mode != MacroPage::kKeysBefore && mode != MacroPage::kKeysAfter) {
        // A delay is inserted as by the delay panel's button. Nothing is left running that
        // could unlock the page again, so it is not left locked.
        page_.editor().insertDelay();
        return;
    }
    page_.setLocked(true);
    beginKeyInsertion();
}

void MacroKeyCapture::beginKeyInsertion()
{
    host_.control(qs(mn::kFinishInsertButton)).setEnabled(true);
    inserter_.resetRepeatFilter();
    installHook(kHookMacroInsert);
    insertingKeys_ = true;
}

void MacroKeyCapture::beginKeyEdit()
{
    installHook(kHookMacroEdit);
    page_.setLocked(true);
    host_.control(qs(mn::kEditButton)).setEnabled(true);
    editingKey_ = true;
}

void MacroKeyCapture::finishKeyEdit()
{
    host_.removeKeyboardHook();
    editingKey_ = false;
    page_.setLocked(false);
    page_.editor().saveShown();
}

void MacroKeyCapture::finishKeyInsertion()
{
    page_.editor().saveShown();
    host_.removeKeyboardHook();
    insertingKeys_ = false;
    page_.setLocked(false);
}

void MacroKeyCapture::toggleRecording()
{
    MacroFile& shown = page_.editor().shown();
    ui::Control button = host_.control(qs(mn::kRecordButton));
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    if (recording_) {
        host_.removeKeyboardHook();
        recording_ = false;
        list.setInputEnabled(true);
        button.setProgramText(qs(MacroPage::kRecordText));
        page_.editor().saveShown();
        page_.setLocked(false);
        return;
    }
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    if (combo.getCount() == 0) {
        host_.messageBox(qs(MacroPage::kMsgNoMacroToRecord));
        return;
    }
    if (combo.getCurSel() < 0 || shown.path().empty()) {
        // Rows recorded into no macro could never be saved.
        host_.messageBox(qs(MacroPage::kMsgSelectMacroToRecord));
        return;
    }
    recorder_.resetRepeatFilter();
    installHook(kHookMacro);
    lastEventTick_ = tick();
    lastEventTime_.reset();
    recording_ = true;
    list.setInputEnabled(false);
    button.setProgramText(qs(MacroPage::kStopText));
    page_.setLocked(true);
}

void MacroKeyCapture::endCaptures()
{
    if (recording_)
        toggleRecording();
    if (editingKey_)
        finishKeyEdit();
    if (insertingKeys_)
        finishKeyInsertion();
}

void MacroKeyCapture::installHook(int mode)
{
    if (!host_.installKeyboardHook(mode))
        qCWarning(lcMacroCapture) << "the keyboard cannot be listened to: only keys from scripts arrive";
    const KeyboardSource* source = KeyboardHook::source();
    if (source != nullptr && !source->desktopWide() && !ownWindowsNoticeShown_) {
        ownWindowsNoticeShown_ = true;
        host_.messageBox(qs(MacroPage::kMsgOwnWindowsOnly));
    }
}

std::uint32_t MacroKeyCapture::tick() const
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(host_.clock().now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

long MacroKeyCapture::delayForTypedKey(std::optional<std::uint32_t> timeMs)
{
    if (ui::OptionControl(host_.control(qs(mn::kRealDelayOption))).isSelected()) {
        const std::uint32_t now = tick();
        const long delay = timeMs && lastEventTime_ ? MacroRecorder::measuredDelay(*lastEventTime_, *timeMs)
                                                    : MacroRecorder::measuredDelay(lastEventTick_, now);
        lastEventTick_ = now;
        lastEventTime_ = timeMs;
        return delay;
    }
    if (ui::OptionControl(host_.control(qs(mn::kNoDelayOption))).isSelected())
        return 0;
    ui::Control edit = host_.control(qs(mn::kFixedDelayEdit));
    bool limited = false;
    const long delay = MacroRecorder::fixedDelay(edit.getText().toStdString(), &limited);
    if (limited)
        edit.setText(QString::number(MacroAction::kMaxDelayMs));
    return delay;
}

void MacroKeyCapture::recordKey(bool down, std::uint16_t vk, std::optional<std::uint32_t> timeMs)
{
    MacroFile& shown = page_.editor().shown();
    if (!recording_)
        return;
    const std::optional<MacroAction> action = recorder_.keyEvent(vk, down);
    if (!action)
        return;
    const long delay = delayForTypedKey(timeMs);
    std::optional<std::size_t> completed;
    if (!shown.appendRecorded(*action, delay, &completed))
        return;  // the macro is full
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    const std::size_t rows = shown.size();
    list.addActionRow(down, qs(action->name), qs(shown.lines()[rows - 2]));
    list.addTextRow(MacroRowEditor::delayText(0), qs(shown.lines()[rows - 1]));
    if (completed) {
        // Shown as measured; the file keeps whole units of 10 ms.
        list.setItemText(static_cast<int>(*completed), MacroRowEditor::delayText(delay));
        list.setItemUserData(static_cast<int>(*completed), qs(shown.lines()[*completed]));
    }
}

void MacroKeyCapture::replaceKey(bool down, std::uint16_t vk)
{
    MacroFile& shown = page_.editor().shown();
    if (!editingKey_ || down)
        return;  // a key is chosen by its release
    const auto row = page_.editor().selectedRow();
    if (!row || !shown.action(*row).isKeyEvent())
        return;
    const std::optional<MacroAction> replaced = MacroRecorder::replacedKey(shown.action(*row), vk);
    if (!replaced || !shown.setLine(*row, *replaced))
        return;
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    list.removeAt(static_cast<int>(*row));
    page_.editor().insertRow(static_cast<int>(*row), *row);
    list.selectItem(static_cast<int>(*row));
}

void MacroKeyCapture::insertKey(bool down, std::uint16_t vk, std::optional<std::uint32_t> timeMs)
{
    MacroFile& shown = page_.editor().shown();
    if (!insertingKeys_)
        return;
    const std::optional<MacroAction> action = inserter_.keyEvent(vk, down);
    if (!action)
        return;
    const long delay = delayForTypedKey(timeMs);
    const auto row = page_.editor().selectedRow();
    const int mode = ui::ComboControl(host_.control(qs(mn::kInsertModeCombo))).getCurSel();
    // Keys go next to the selected row; with none selected (or an empty list) there is no
    // place for them.
    if (shown.empty() || !row || (mode != MacroPage::kKeysBefore && mode != MacroPage::kKeysAfter))
        return;
    const std::size_t at = mode == MacroPage::kKeysBefore ? *row : *row + 1;
    if (!shown.insertLines(at, {*action, MacroRecorder::delayAfter(delay, *action)}))
        return;
    const QString shownDelay = MacroRowEditor::delayText(delay);
    page_.editor().insertRow(static_cast<int>(at), at);
    page_.editor().insertRow(static_cast<int>(at + 1), at + 1, &shownDelay);
    // Before: the selected row moves down with the pair. After: the next key goes after this
    // one, so that keys typed in a row keep their order.
    ui::ListControl(host_.control(qs(mn::kMacroList)))
        .selectItem(static_cast<int>(mode == MacroPage::kKeysBefore ? *row + 2 : at + 1));
}

}  // namespace corv
