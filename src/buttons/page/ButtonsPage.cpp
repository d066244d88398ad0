#include "buttons/page/ButtonsPage.h"

#include <QLoggingCategory>
#include <utility>

#include "buttons/page/ButtonNames.h"
#include "buttons/page/ButtonSender.h"
#include "buttons/page/MacroChoiceWindow.h"
#include "buttons/page/SingleKeyWindow.h"
#include "device/DeviceState.h"
#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "macros/MacroIndex.h"
#include "macros/MacroResult.h"
#include "platform/AppPaths.h"
#include "platform/IniFile.h"
#include "settings/SettingsSession.h"
#include "ui/ListControl.h"
#include "ui/MenuWnd.h"
#include "ui/Notification.h"
#include "ui/ResourceManager.h"
#include "ui/SliderControl.h"

namespace corv {

Q_LOGGING_CATEGORY(lcButtons, "corv.debug.buttons", QtWarningMsg)

namespace bn = button_names;

namespace {

QString qs(const char* text) { return QString::fromUtf8(text); }
QString qs(const std::string& text) { return QString::fromStdString(text); }
QString buttonName(int n) { return QLatin1String(bn::kButtonPrefix) + QString::number(n); }

// Where the function menu opens, from the window's top-left corner.
const QPoint kMenuAt(290, 150);

}  // namespace

ButtonsPage::ButtonsPage(FeatureHost& host) : host_(host) { }

ButtonsPage::~ButtonsPage() = default;

std::span<const ui::ControlRef> ButtonsPage::controls() const { return bn::buttonPageControls(); }

std::span<const ui::MenuItemRef> ButtonsPage::menuItems() const { return bn::functionMenuItems(); }

void ButtonsPage::windowInit()
{
    sender_ = std::make_unique<ButtonSender>(
        host_.channel(), host_.settings().state(), [this](const ButtonSendOutcome& outcome) { sent(outcome); },
        [this](int steps) { ui::SliderControl(host_.control(qs(bn::kProgress))).setValue(steps); });
}

void ButtonsPage::shutdown()
{
    if (sender_)
        sender_->stop();
}

void ButtonsPage::declare(FeatureRegistry& r)
{
    using namespace ui::notify;
    r.onPrefix(kMouseEnter, bn::kButtonPrefix, [this](const ui::Notification&, int n) { highlightButton(n, true); });
    r.onPrefix(kMouseLeave, bn::kButtonPrefix, [this](const ui::Notification&, int n) { highlightButton(n, false); });
    r.onPrefix(kClick, bn::kButtonPrefix, [this](const ui::Notification&, int n) { openMenu(n); });
    r.on(kClick, bn::kStoreButton, [this](const ui::Notification&, int) { storePending(); });
    r.on(kClick, bn::kDefaultButton, [this](const ui::Notification&, int) { resetToDefault(); });
    r.on(kClick, bn::kSaveSendButton, [this](const ui::Notification&, int) { saveAndSend(); });
    for (const char* item : bn::kFixedMenuItems) {
        const ButtonAssignment a = *menuAssignment(item);
        r.onMenu(item, false, [this, a](const ui::MenuCommand& cmd) { chooseFixed(a, cmd.text); });
    }
    r.onMenu(bn::kMenuSingleKey, false, [this](const ui::MenuCommand&) { chooseSingleKey(); });
    r.onMenu(bn::kMenuMacro, false, [this](const ui::MenuCommand&) { chooseMacro(); });
    r.onRefresh(kRefreshLabels, [this] { refreshLabels(); });
    r.on(kClick, bn::kCheckedDeleteButton, [this](const ui::Notification&, int) { deleteMacroChecked(); });
    // A renamed or removed macro changes the labels of the buttons that play macros.
    r.onEvent<std::string>(kMacroLibraryChangedEvent, [this](const std::string&) { refreshLabels(); });
    registry_ = &r;
    // A typed value above 255 becomes "255".
    for (const char* edit : bn::kByteEdits) {
        r.on(kTextChanged, edit, [](const ui::Notification& msg, int) {
            ui::Control c(msg.sender.data());
            if (ini::toLong(c.getText().toStdString()) > 255)
                c.setText(QStringLiteral("255"));
        });
    }
}

void ButtonsPage::highlightButton(int n, bool entered)
{
    const QString number = QString::number(n);
    const QString image =
        entered ? QStringLiteral("file='ms/over%1.png'").arg(number) : QStringLiteral("file='ms/%1.png'").arg(number);
    host_.control(QLatin1String(bn::kBadgePrefix) + number).setBkImage(image);
    host_.control(QLatin1String(bn::kBadgeOverPrefix) + number).setBkImage(image);
}

namespace {

// The record whose buttons the page shows: a number the mouse should never report is taken
// as record 0.
std::size_t recordOf(const DeviceState& s)
{
    const std::size_t record = s.activeRecord();
    return record < kSettingsRecordCount ? record : 0;
}

}  // namespace

std::size_t ButtonsPage::currentRecord() const
{
    return host_.settings().read([](const DeviceState& s) { return recordOf(s); });
}

bool ButtonsPage::currentRecordKnown() const
{
    return host_.settings().read([](const DeviceState& s) { return s.buttonsKnown(recordOf(s)); });
}

std::vector<std::string> ButtonsPage::macroNames() const
{
    const std::filesystem::path folder = dataFolderPath();
    return folder.empty() ? std::vector<std::string>{} : MacroIndex(folder).names();
}

void ButtonsPage::setLabel(int n, const QString& text, bool macroName)
{
    ui::Control button = host_.control(buttonName(n));
    // A function's name is the program's and follows the language; a macro's is the user's.
    if (macroName)
        button.setText(text);
    else
        button.setProgramText(text);
    button.setToolTip(macroName ? text : ui::programText(text));
}

void ButtonsPage::openMenu(int n)
{
    if (n < 0 || n >= static_cast<int>(kButtonsPerBlock) || isLocked() || !currentRecordKnown())
        return;
    pending_.button = static_cast<std::uint16_t>(n);
    pending_.assignment = host_.settings().read([n](const DeviceState& s) {
        return ButtonAssignment::of(s.ButtonImage[recordOf(s)], static_cast<std::size_t>(n));
    });
    host_.showPopupMenu(qs(bn::kFunctionMenu), kMenuAt);
}

bool ButtonsPage::storePending()
{
    enum class Stored { Yes, Refused, NotKnown };
    const Stored stored = host_.settings().update([this](DeviceState& s) {
        // A block that was not read from the mouse is not the mouse's: nothing goes into it.
        if (!s.buttonsKnown(recordOf(s)))
            return Stored::NotKnown;
        return storeKeepingLeftClick(s.ButtonImage[recordOf(s)], pending_.button, pending_.assignment)
                   ? Stored::Yes
                   : Stored::Refused;
    });
    if (stored == Stored::NotKnown)
        return false;
    if (stored == Stored::Refused) {
        host_.messageBox(qs(kMsgKeepLeftClick));
        setLabel(pending_.button, qs(kLeftClickLabel));
    }
    return true;
}

void ButtonsPage::chooseFixed(const ButtonAssignment& a, const QString& label)
{
    if (!currentRecordKnown())
        return;
    pending_.assignment = a;
    setLabel(pending_.button, label);
    storePending();
    saveAndSend();
}

void ButtonsPage::chooseSingleKey()
{
    if (!currentRecordKnown())
        return;
    SingleKeyWindow window;
    const int result = window.run(host_.window());
    // Saved without a keyboard key: the button keeps its function and its label.
    if (result == 1 && window.captured()) {
        const CapturedKey& key = *window.captured();
        pending_.assignment = {key.kind, key.p1, key.p2};
        setLabel(pending_.button, qs(key.name));
        storePending();
    }
    saveAndSend();
}

void ButtonsPage::chooseMacro()
{
    if (!currentRecordKnown())
        return;
    const std::vector<std::string> names = macroNames();
    MacroChoiceWindow window(names);
    if (window.run(host_.window()) == 1 && window.chosen()) {
        pending_.assignment = *window.chosen();
        if (pending_.assignment.p1 < names.size())
            setLabel(pending_.button, qs(names[pending_.assignment.p1]), true);
        storePending();
    }
    saveAndSend();
}

void ButtonsPage::resetToDefault()
{
    if (isLocked())
        return;
    const bool known = host_.settings().update([this](DeviceState& s) {
        if (!s.buttonsKnown(recordOf(s)))
            return false;
        pending_.assignment = defaultAssignment(s.DefaultButtonTable, pending_.button);
        pending_.assignment.storeIn(s.ButtonImage[recordOf(s)], pending_.button);
        return true;
    });
    if (!known)
        return;
    host_.showPopupMenu(qs(bn::kFunctionMenu), kMenuAt);
}

void ButtonsPage::refreshLabels()
{
    const auto [known, block] = host_.settings().read([](const DeviceState& s) {
        const std::size_t record = recordOf(s);
        return std::pair(s.buttonsKnown(record), s.ButtonImage[record]);
    });
    showRecordKnown(known);
    if (!known) {
        // What the image holds for this record is not what the mouse has: show nothing.
        for (int n = 0; n < static_cast<int>(kButtonsPerBlock); ++n)
            setLabel(n, qs(kNotReadLabel), true);
        return;
    }
    const std::vector<std::string> names = macroNames();
    for (std::size_t n = 0; n < kButtonsPerBlock; ++n) {
        const ButtonAssignment a = ButtonAssignment::of(block, n);
        if (const auto label = assignmentLabel(a, names))
            setLabel(static_cast<int>(n), qs(*label), a.isMacro());
    }
}

void ButtonsPage::deleteMacroChecked()
{
    const int selected = ui::ListControl(host_.control(qs(bn::kMacroNameList))).getCurSel();
    const std::filesystem::path folder = dataFolderPath();
    if (selected < 0 || folder.empty())
        return;
    const auto candidate = static_cast<std::size_t>(selected);
    // Every button of every record with a block: a macro on button 6, 7 or 8 would
    // otherwise play another macro, or none, afterwards.
    const bool used = host_.settings().read([candidate](const DeviceState& s) {
        for (std::size_t r = 0; r < kButtonBlockCount; ++r)
            if (s.buttonsKnown(r) && usesMacro(s.ButtonImage[r], candidate))
                return true;
        return false;
    });
    if (used && host_.messageBox(qs(kMsgMacroInUse)) != 1)
        return;
    // The macro goes first: if it cannot be deleted, the buttons keep naming the library as
    // it still is.
    const MacroResult result = MacroIndex(folder).remove(candidate);
    if (result != MacroResult::Ok) {
        if (result != MacroResult::NoSuchMacro)
            host_.messageBox(qs(kMsgMacroDataError));
        return;
    }
    host_.settings().update([candidate](DeviceState& s) {
        for (std::size_t r = 0; r < kButtonBlockCount; ++r)
            if (s.buttonsKnown(r))
                forgetMacro(s.ButtonImage[r], candidate, s.DefaultButtonTable);
    });
    refreshLabels();
    if (registry_ != nullptr)
        registry_->raise(kMacroLibraryChangedEvent, std::string(name()));
}

void ButtonsPage::saveAndSend()
{
    if (!sender_)
        return;
    ButtonSendJob job;
    // Never a block that was not read from the mouse, nor its keys into the profile.
    const bool known = host_.settings().read([&job](const DeviceState& s) {
        job.record = static_cast<unsigned>(recordOf(s));
        job.block = s.ButtonImage[job.record];
        job.stateReads = s.stateReads;
        return s.buttonsKnown(job.record);
    });
    if (!known)
        return;
    // Without a mouse there is no macro area to fill, and its size is unknown: the library
    // is not measured against it (that would report a full mouse).
    if (host_.isConnected())
        job.dataFolder = dataFolderPath();
    job.profile = host_.settings().profilePath();
    setLocked(true);
    sender_->send(std::move(job));
}

void ButtonsPage::sent(const ButtonSendOutcome& outcome)
{
    switch (outcome.macros.result) {
    case MacroWriteResult::DoesNotFit:
        host_.messageBox(QString::asprintf(kMsgMacroNoSpace, static_cast<int>(outcome.macros.actionsToRemove)));
        break;
    case MacroWriteResult::DataError:
        host_.messageBox(qs(kMsgMacroDataError));
        break;
    case MacroWriteResult::DeviceError:
        qCWarning(lcButtons) << "the mouse did not take the macros, result" << outcome.macros.deviceResult;
        break;
    case MacroWriteResult::Written:
    case MacroWriteResult::NothingToWrite:
        break;
    }
    if (!isSending())
        setLocked(false);
}

bool ButtonsPage::isSending() const { return sender_ && sender_->busy(); }

void ButtonsPage::showRecordKnown(bool known)
{
    recordKnown_ = known;
    ui::Control note = host_.control(qs(bn::kRecordNote));
    if (!known)
        note.setProgramText(qs(kRecordNotReadText));
    note.setVisible(!known);
    updateEnabled();
}

void ButtonsPage::updateEnabled()
{
    const bool enabled = !isLocked();
    for (int n = 0; n < static_cast<int>(kButtonsPerBlock); ++n)
        host_.control(buttonName(n)).setEnabled(enabled);
    for (const char* name : {bn::kStoreButton, bn::kDefaultButton, bn::kSaveSendButton})
        host_.control(qs(name)).setEnabled(enabled);
}

void ButtonsPage::setLocked(bool locked)
{
    locked_ = locked;
    updateEnabled();
    ui::Control progress = host_.control(qs(bn::kProgress));
    if (locked) {
        ui::SliderControl ring(progress);
        ring.setMinValue(0);
        ring.setMaxValue(ButtonSender::kSteps);
        ring.setValue(0);
    }
    progress.setVisible(locked);
}

}  // namespace corv
