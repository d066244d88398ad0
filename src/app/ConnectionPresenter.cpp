#include "app/ConnectionPresenter.h"

#include <QLoggingCategory>
#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <utility>

#include "app/MainWindow.h"
#include "app/ShellNames.h"
#include "device/DeviceProtocol.h"
#include "feature/ProfileApplication.h"
#include "feature/WindowMessages.h"
#include "macros/MacroResult.h"
#include "macros/MacroTransfer.h"
#include "platform/AppPaths.h"
#include "platform/DebugLog.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "settings/SettingsSession.h"
#include "ui/MessageBox.h"
#include "ui/Notification.h"
#include "ui/OptionControl.h"
#include "ui/UiThread.h"

namespace corv {

Q_LOGGING_CATEGORY(lcConnection, "corv.debug.connection", QtWarningMsg)

namespace {

QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

unsigned ConnectionPresenter::messageFor(MouseEvent event)
{
    switch (event) {
    case MouseEvent::Sync:
        return msg::kDeviceSync;
    case MouseEvent::Reset:
        return msg::kDeviceReset;
    case MouseEvent::CalibrationEnd:
        return msg::kCalibrationEnd;
    case MouseEvent::CalibrationOk:
        return msg::kCalibrationOk;
    case MouseEvent::CalibrationFail:
        return msg::kCalibrationFail;
    }
    return 0;
}

void ConnectionPresenter::declare(FeatureRegistry& r)
{
    using Param = std::uintptr_t;
    using LParam = std::intptr_t;
    r.onPrefix(ui::notify::kClick, names::kOnboardRecordPrefix,
               [this](const ui::Notification&, int n) { selectOnboardRecord(n); });
    // The mouse is read on its command thread; the pages follow once it has answered.
    r.onMessage(msg::kDeviceReset, [this](Param, LParam) {
        wnd_.sendToMouse([this, profile = ProfileIndex::selectedProfilePath()](
                             DeviceChannel&) { wnd_.connection().readDeviceState(profile); },
                         [this] {
                             showModel(ModelShown::Reset);
                             wnd_.refreshSettings();
                         });
    });
    r.onMessage(msg::kDeviceSync, [this](Param, LParam) {
        wnd_.sendToMouse([this, profile = wnd_.settings().profilePath()](
                             DeviceChannel&) { wnd_.connection().syncFromDevice(profile); },
                         [this] { wnd_.refreshSettings(); });
    });
    // The mouse's state first; the features show the calibration's lift-off distance once it
    // is read (at once when the mouse answers within the wait, else when it does: never
    // from the state before, which the read would then overwrite).
    r.onMessage(msg::kCalibrationEnd, [this](Param, LParam) {
        wnd_.sendToMouse([this, profile = wnd_.settings().profilePath()](
                             DeviceChannel&) { wnd_.connection().syncFromDevice(profile); },
                         [this] { wnd_.registry().raise(msg::kCalibrationStateReadEvent, 0); });
    });
    const unsigned applyMessages[] = {msg::kApplyDpiProfile, msg::kApplyKeyProfile, msg::kApplyRegProfile};
    const int sources[] = {kFromDpiList, kFromKeyList, kFromRegList};
    for (int i = 0; i < 3; ++i) {
        const int source = sources[i];
        r.onMessage(applyMessages[i], [this, source](Param, LParam) { applyProfileFromOutside(source); });
    }
    r.onMessage(msg::kDeviceArrived, [this](Param wParam, LParam lParam) { deviceArrived(wParam, lParam); });
}

bool ConnectionPresenter::applyProfileFromOutside(int source)
{
    const bool applied = wnd_.applySelectedProfile(source);
    if (!applied)
        wnd_.refreshSettings();  // applySelectedProfile refreshes after an application itself
    return applied;
}

bool ConnectionPresenter::deviceArrived(std::uintptr_t wParam, std::intptr_t lParam)
{
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%jx,%jx,%x", static_cast<std::uintmax_t>(wParam),
                  static_cast<std::uintmax_t>(lParam), 0u);
    debugLine(numbers);
    debugLine("设备插入");
    if (wnd_.channel().isOpen()) {
        debugLine("找到设备");
        presentModel();
        return true;
    }
    debugLine("没有找到设备");
    wnd_.settings().update([](DeviceState& s) { s.DeviceInfo[kInfoDpiCount] = 0; });
    wnd_.showWindow(false, false);
    return false;
}

void ConnectionPresenter::showModel(ModelShown why)
{
    const ModelFacts* facts = findModel(wnd_.settings().modelId());
    if (facts == nullptr)
        return;
    wnd_.findControl(QLatin1String(names::kLogo)).setBkImage(text(facts->logo));
    wnd_.setTitleText(text(facts->title));
    wnd_.registry().modelShown(*facts, why);
}

void ConnectionPresenter::presentModel()
{
    wnd_.sendToMouse(
        [this](DeviceChannel&) { wnd_.connection().refreshIdentity(); },
        [this] {
            showModel(ModelShown::Connected);
            wnd_.registry().connected();
            ui::OptionControl(wnd_.findControl(QLatin1String(names::kFirstPageOption))).setSelected(true, false);
            wnd_.selectPage(names::kMsTabSwitch, 0);
            presented_ = true;
        });
}

void ConnectionPresenter::selectOnboardRecord(int n)
{
    auto selected = std::make_shared<std::atomic<bool>>(false);
    wnd_.sendToMouse([this, n, selected](DeviceChannel&) { *selected = wnd_.connection().selectOnboardRecord(n); },
                     [this, selected] {
                         if (!*selected)
                             return;
                         wnd_.findControl(QLatin1String(names::kFunctionPanel)).setVisible(false);
                         wnd_.refreshSettings();
                     });
}

bool ConnectionPresenter::windowAlive() { return wnd_.isAlive(); }

bool ConnectionPresenter::restoreMacroArea()
{
    // Connection thread, channel locked: the library goes into the mouse again as a save
    // and send would write it, and the area is not read back into files.
    const std::optional<MacroWriteOutcome> outcome = rewriteUnfinishedMacroArea(wnd_.channel(), dataFolderPath());
    if (!outcome)
        return false;
    if (outcome->result == MacroWriteResult::Written) {
        std::lock_guard<std::mutex> guard(rebuildMutex_);
        macrosRestored_ = true;
    } else if (outcome->result != MacroWriteResult::NothingToWrite) {
        qCWarning(lcConnection) << "the mouse's last macro write did not finish and its macros could not be written"
                                << "again (result" << static_cast<int>(outcome->result) << outcome->deviceResult
                                << "): the macro files are kept, the mouse's macros are not read";
    }
    return true;
}

void ConnectionPresenter::tellMacrosRestored()
{
    {
        std::lock_guard<std::mutex> guard(rebuildMutex_);
        if (!std::exchange(macrosRestored_, false))
            return;
    }
    // Not shown inside the connection's hand-over: the connection thread waits for that.
    QMetaObject::invokeMethod(
        &wnd_, [this] { wnd_.messageBox(QString::fromUtf8(kMsgMacrosRestored)); }, Qt::QueuedConnection);
}

void ConnectionPresenter::macroAreaRead(const std::vector<std::uint8_t>& area)
{
    // Connection thread, channel locked: file work only. The window learns of it once the
    // lock is released (connectSequenceDone).
    const std::filesystem::path folder = dataFolderPath();
    if (folder.empty())
        return;
    MacroRebuildOutcome outcome = rebuildLibraryFromImage(area, folder);
    if (outcome.result == MacroRebuildResult::InvalidImage) {
        qCWarning(lcConnection) << "the mouse's macro area is inconsistent: the macro files are left as they are";
        return;
    }
    if (outcome.result == MacroRebuildResult::WriteFailed)
        qCWarning(lcConnection) << "some macro files could not be rebuilt from the mouse";
    std::lock_guard<std::mutex> guard(rebuildMutex_);
    if (!pendingRebuild_) {
        pendingRebuild_ = std::move(outcome);
        return;
    }
    MacroRebuildOutcome& pending = *pendingRebuild_;
    pending.result = outcome.result;
    pending.macrosInImage = outcome.macrosInImage;
    pending.filesWritten += outcome.filesWritten;
    pending.skipped = outcome.skipped;
    pending.addedNames.insert(pending.addedNames.end(), outcome.addedNames.begin(), outcome.addedNames.end());
    pending.limitReached = pending.limitReached || outcome.limitReached;
}

void ConnectionPresenter::deliverMacroRebuild()
{
    std::optional<MacroRebuildOutcome> outcome;
    {
        std::lock_guard<std::mutex> guard(rebuildMutex_);
        outcome.swap(pendingRebuild_);
    }
    if (outcome)
        wnd_.registry().raise(kMacrosRebuiltEvent, *outcome);
}

std::filesystem::path ConnectionPresenter::connectProfilePath() { return ProfileIndex::selectedProfilePath(); }

void ConnectionPresenter::storeCapture(const DeviceCapture& capture) { writeDeviceCapture(capture); }

void ConnectionPresenter::connectSequenceDone()
{
    // The macro list first, so that the window shows the rebuilt library with the model.
    ui::sendToUiThread([this] {
        deliverMacroRebuild();
        presentModel();
        tellMacrosRestored();
    });
}

void ConnectionPresenter::mouseLost()
{
    ui::sendToUiThread([this] {
        presented_ = false;
        wnd_.showWindow(false, false);
    });
}

void ConnectionPresenter::openRefused()
{
    qCWarning(lcConnection) << "the mouse is present but this user may not open it: install 70-corvalantis.rules";
    // The connection thread only waits for the notice to be scheduled, not for it to be
    // closed: it goes on polling while the notice is open.
    ui::sendToUiThread([this] {
        QMetaObject::invokeMethod(
            &wnd_, [this] { ui::showMessageBox(&wnd_, QString::fromUtf8(MainWindow::kNoPermissionText)); },
            Qt::QueuedConnection);
    });
}

}  // namespace corv
