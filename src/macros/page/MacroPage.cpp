#include "macros/page/MacroPage.h"
#include "settings/SettingsSession.h"

#include <QCursor>
#include <QLoggingCategory>
#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>
#include <mutex>

#include "device/DeviceChannel.h"
#include "device/DeviceState.h"
#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "feature/WindowMessages.h"
#include "macros/MacroAction.h"
#include "macros/MacroIndex.h"
#include "macros/MacroTransfer.h"
#include "macros/page/MacroNames.h"
#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/CDeviceHook.h"
#include "platform/Clock.h"
#include "platform/KeyboardSource.h"
#include "ui/ComboControl.h"
#include "ui/FileDialog.h"
#include "ui/ListControl.h"
#include "ui/MenuWnd.h"
#include "ui/Notification.h"
#include "ui/OptionControl.h"
#include "ui/ResourceManager.h"

namespace corv {

Q_LOGGING_CATEGORY(lcMacroPage, "corv.debug.macros", QtWarningMsg)

namespace mn = macro_names;

namespace {

QString qs(const char* name) { return QString::fromUtf8(name); }
QString qs(const std::string& text) { return QString::fromStdString(text); }
QString delayText(long ms) { return QStringLiteral("%1 MS").arg(ms); }

// Import and export dialogs.
const QString kImportTitle = QStringLiteral("导入宏");
const QString kExportTitle = QStringLiteral("导出宏");
const QString kMacroFilter = QStringLiteral("宏文件 (*.mac);;所有文件 (*)");

}  // namespace

std::span<const ui::ControlRef> MacroPage::controls() const { return mn::macroPageControls(); }

void MacroPage::windowInit() { loadMacroList(); }

void MacroPage::declare(FeatureRegistry& r)
{
    registry_ = &r;
    using ui::notify::kClick;
    using ui::notify::kItemSelect;
    const auto click = [&r](const char* name, void (MacroPage::*op)(), MacroPage* page) {
        r.on(kClick, name, [page, op](const ui::TNotifyUI&, int) { (page->*op)(); });
    };
    click(mn::kAddButton, &MacroPage::newMacro, this);
    click(mn::kDeleteButton, &MacroPage::deleteSelected, this);
    click(mn::kRenameButton, &MacroPage::renameSelected, this);
    click(mn::kCopyButton, &MacroPage::openLibraryMenu, this);
    click(mn::kUpButton, &MacroPage::moveRowUp, this);
    click(mn::kDownButton, &MacroPage::moveRowDown, this);
    click(mn::kDeleteRowButton, &MacroPage::deleteRow, this);
    click(mn::kEditButton, &MacroPage::editRow, this);
    click(mn::kInsertButton, &MacroPage::insertDelay, this);
    click(mn::kStartInsertButton, &MacroPage::startInsertion, this);
    click(mn::kFinishInsertButton, &MacroPage::finishKeyInsertion, this);
    click(mn::kRecordButton, &MacroPage::toggleRecording, this);
    const auto key = [&r](unsigned message, void (MacroPage::*op)(bool, std::uint16_t), MacroPage* page) {
        r.onMessage(message, [page, op](std::uintptr_t wParam, std::intptr_t lParam) {
            (page->*op)(wParam == msg::WM_KEYDOWN, static_cast<std::uint16_t>(lParam));
        });
    };
    key(msg::WM_HOOK_MOU_MACRO, &MacroPage::recordKey, this);
    key(msg::WM_HOOK_MACRO_EDIT, &MacroPage::replaceKey, this);
    key(msg::WM_HOOK_MACRO_INSERT, &MacroPage::insertKey, this);
    r.onHooksEnding([this] { endCaptures(); });
    r.onMacroLibraryChanged([this](std::string_view by) {
        if (by != name())
            libraryChangedElsewhere();
    });
    r.on(kItemSelect, mn::kMacroCombo, [this](const ui::TNotifyUI& msg, int) {
        if (msg.wParam >= 0)
            loadSelected();
    });
    r.on(kItemSelect, mn::kInsertModeCombo,
         [this](const ui::TNotifyUI& msg, int) { showInsertPanel(static_cast<int>(msg.wParam)); });
    r.onMenu(mn::kMenuCopy, false, [this](const ui::MenuCommand&) { copySelected(); });
    r.onMenu(mn::kMenuImport, false, [this](const ui::MenuCommand&) { importIntoSelected(); });
    r.onMenu(mn::kMenuExport, false, [this](const ui::MenuCommand&) { exportSelected(); });
    r.onMacrosRebuilt([this](const MacroRebuildOutcome& outcome) { macrosRebuilt(outcome); });
}

std::filesystem::path MacroPage::dataFolder() const { return dataFolderPath(); }

void MacroPage::loadMacroList()
{
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    ui::ListControl(host_.control(qs(mn::kMacroList))).RemoveAll();
    shown_ = MacroFile();
    const std::filesystem::path folder = dataFolder();
    if (folder.empty()) {
        qCWarning(lcMacroPage) << "no data folder (no home folder): macros are not available";
        return;
    }
    const std::vector<std::string> names = MacroIndex(folder).names();
    for (const std::string& name : names)
        combo.AddItem(qs(name), qs(name), kLoadedItemHeight);
    combo.SelectItem(-1);
    fillNameList(names);
}

void MacroPage::fillNameList(const std::vector<std::string>& names)
{
    ui::ListControl list(host_.control(qs(mn::kNameList)));
    list.RemoveAll();
    for (const std::string& name : names)
        list.AddTextRow(qs(name), qs(name));
}

void MacroPage::libraryChanged()
{
    fillNameList(MacroIndex(dataFolder()).names());
    if (registry_ != nullptr)
        registry_->macroLibraryChanged(name());
}

void MacroPage::libraryChangedElsewhere()
{
    endCaptures();
    const std::filesystem::path folder = dataFolder();
    if (folder.empty())
        return;
    const std::vector<std::string> names = MacroIndex(folder).names();
    if (!showLibrary(names))
        host_.control(qs(mn::kNameEdit)).SetText(QString());
    fillNameList(names);
}

bool MacroPage::showLibrary(const std::vector<std::string>& names)
{
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    const QString selected = combo.GetCurSel() >= 0 ? combo.GetItemUserData(combo.GetCurSel()) : QString();
    combo.SelectItem(-1);
    combo.RemoveAll();
    ui::ListControl(host_.control(qs(mn::kMacroList))).RemoveAll();
    shown_ = MacroFile();
    int keep = -1;
    for (const std::string& n : names) {
        const int item = combo.AddItem(qs(n), qs(n), kLoadedItemHeight);
        if (!selected.isEmpty() && qs(n) == selected)
            keep = item;
    }
    combo.SelectItem(keep);
    return keep >= 0;
}

std::optional<std::size_t> MacroPage::selectedMacro(const MacroIndex& index) const
{
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    const int sel = combo.GetCurSel();
    if (sel < 0)
        return std::nullopt;
    const int found = index.find(combo.GetItemUserData(sel).toStdString());
    if (found < 0)
        return std::nullopt;
    return static_cast<std::size_t>(found);
}

std::optional<std::size_t> MacroPage::selectedRow() const
{
    const int sel = ui::ListControl(host_.control(qs(mn::kMacroList))).GetCurSel();
    if (sel < 0 || static_cast<std::size_t>(sel) >= shown_.size())
        return std::nullopt;
    return static_cast<std::size_t>(sel);
}

void MacroPage::report(MacroResult result)
{
    switch (result) {
    case MacroResult::LimitReached:
        host_.messageBox(QString::asprintf(kMsgMacroLimit, static_cast<int>(kMaxMacros)));
        break;
    case MacroResult::NameTaken:
        host_.messageBox(qs(kMsgMacroNameTaken));
        break;
    case MacroResult::InvalidName:
        host_.messageBox(qs(kMsgInvalidName));
        break;
    case MacroResult::TargetExists:
        host_.messageBox(qs(kMsgFileExists));
        break;
    case MacroResult::SourceUnreadable:
        host_.messageBox(qs(kMsgUnreadableFile));
        break;
    case MacroResult::FileError:
        host_.messageBox(qs(kMsgMacroDataError));
        break;
    case MacroResult::Ok:
    case MacroResult::Unchanged:
    case MacroResult::NoSuchMacro:
        break;
    }
}

// ---- The library ----

void MacroPage::newMacro()
{
    const std::filesystem::path folder = dataFolder();
    if (folder.empty())
        return;
    std::string name;
    const MacroResult result = MacroIndex(folder).addNew(&name);
    if (result != MacroResult::Ok) {
        report(result);
        return;
    }
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    const int item = combo.AddItem(qs(name), qs(name), kAddedItemHeight);
    combo.SelectItem(item);  // shows the new, empty macro
    libraryChanged();
}

void MacroPage::deleteSelected()
{
    MacroIndex index(dataFolder());
    const auto macro = selectedMacro(index);
    if (!macro)
        return;
    const MacroResult result = index.remove(*macro);
    if (result != MacroResult::Ok) {
        report(result);
        return;
    }
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    combo.RemoveAt(combo.GetCurSel());
    ui::ListControl(host_.control(qs(mn::kMacroList))).RemoveAll();
    shown_ = MacroFile();
    host_.control(qs(mn::kNameEdit)).SetText(QString());
    combo.SelectItem(0);  // the first macro, when one is left
    libraryChanged();
}

void MacroPage::renameSelected()
{
    MacroIndex index(dataFolder());
    const auto macro = selectedMacro(index);
    if (!macro)
        return;
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    ui::Control edit = host_.control(qs(mn::kNameEdit));
    const int item = combo.GetCurSel();
    const QString oldName = combo.GetItemUserData(item);
    const QString newName = edit.GetText();
    // The list is saved at every change, so the file already holds what the list shows and
    // is moved as it is.
    const MacroResult result = index.rename(*macro, newName.toStdString());
    if (result == MacroResult::Unchanged)
        return;
    if (result != MacroResult::Ok) {
        report(result);
        edit.SetText(oldName);
        return;
    }
    combo.SetItemUserData(item, newName);
    combo.SetItemText(item, newName);
    combo.NeedUpdate();
    shown_ = MacroFile::load(index.macroPathAt(*macro));
    libraryChanged();
}

void MacroPage::copySelected()
{
    MacroIndex index(dataFolder());
    const auto macro = selectedMacro(index);
    if (!macro)
        return;
    std::string copyName;
    const MacroResult result = index.copy(*macro, &copyName);
    if (result != MacroResult::Ok) {
        report(result);
        return;
    }
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    const int item = combo.AddItem(qs(copyName), qs(copyName), kAddedItemHeight);
    combo.SelectItem(item);
    host_.control(qs(mn::kNameEdit)).SetText(qs(copyName));
    libraryChanged();
}

void MacroPage::importIntoSelected()
{
    MacroIndex index(dataFolder());
    const auto macro = selectedMacro(index);
    if (!macro)
        return;
    const QString file =
        ui::GetOpenFileName(host_.window(), ui::programText(kImportTitle),
                            QString::fromStdString(index.folder().string()), ui::programText(kMacroFilter));
    if (file.isEmpty())
        return;
    const MacroResult result = index.importFile(*macro, file.toStdString());
    if (result != MacroResult::Ok) {
        report(result);
        return;
    }
    loadSelected();
}

void MacroPage::exportSelected()
{
    MacroIndex index(dataFolder());
    const auto macro = selectedMacro(index);
    if (!macro)
        return;
    const QString file = ui::GetSaveFileName(host_.window(), ui::programText(kExportTitle),
                                             QString::fromStdString(index.folder().string()),
                                             ui::programText(kMacroFilter), QStringLiteral("mac"));
    if (file.isEmpty())
        return;
    report(index.exportFile(*macro, file.toStdString()));
}

void MacroPage::openLibraryMenu()
{
    const FeatureRegistry* registry = registry_;
    ui::MenuWnd::Init(
        qs(mn::kLibraryMenu), QCursor::pos(),
        [registry](const ui::MenuCommand& cmd) {
            if (registry != nullptr)
                registry->menu(cmd);
        },
        host_.window());
}

bool MacroPage::writeLibraryToMouse()
{
    const std::filesystem::path folder = dataFolder();
    if (folder.empty())
        return true;  // no library: nothing to write
    std::vector<std::uint8_t> image;
    const MacroWriteOutcome outcome = packMacroLibrary(host_.settings().macroCapacityUnits(), folder, image);
    if (outcome.result == MacroWriteResult::Written) {
        auto result = std::make_shared<MacroWriteResult>(MacroWriteResult::Written);
        host_.sendToMouse(
            [image = std::move(image), sent = outcome, folder, result](DeviceChannel& channel) mutable {
                sendMacroImage(channel, image, folder, sent);
                *result = sent.result;
                if (sent.result == MacroWriteResult::DeviceError)
                    qCWarning(lcMacroPage) << "the mouse did not take the macros, result" << sent.deviceResult;
            },
            [this, result] {
                // The data folder could not record the write: nothing was sent.
                if (*result == MacroWriteResult::DataError)
                    host_.messageBox(qs(kMsgMacroDataError));
            });
        return true;
    }
    switch (outcome.result) {
    case MacroWriteResult::DoesNotFit:
        host_.messageBox(QString::asprintf(kMsgMacroNoSpace, static_cast<int>(outcome.actionsToRemove)));
        return false;
    case MacroWriteResult::DataError:
        host_.messageBox(qs(kMsgMacroDataError));
        return false;
    case MacroWriteResult::DeviceError:
        // Like every other write to the mouse, a failed send is not reported to the user.
        qCWarning(lcMacroPage) << "the mouse did not take the macros, result" << outcome.deviceResult;
        return true;
    case MacroWriteResult::Written:
    case MacroWriteResult::NothingToWrite:
        return true;
    }
    return true;
}

void MacroPage::macrosRebuilt(const MacroRebuildOutcome& outcome)
{
    const std::filesystem::path folder = dataFolder();
    if (folder.empty())
        return;
    const std::vector<std::string> names = MacroIndex(folder).names();
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    const int shownCount = combo.GetCount();
    bool inStep = static_cast<std::size_t>(shownCount) <= names.size();
    for (int i = 0; inStep && i < shownCount; ++i)
        inStep = combo.GetItemUserData(i) == qs(names[static_cast<std::size_t>(i)]);
    if (inStep) {
        // The usual case: the rebuild appended new macros to what the combo shows.
        for (std::size_t i = static_cast<std::size_t>(shownCount); i < names.size(); ++i)
            combo.AddItem(qs(names[i]), qs(names[i]), kAddedItemHeight);
        if (outcome.filesWritten > 0 && combo.GetCurSel() >= 0)
            showSelected(false);  // its file may have been replaced; no message inside the hand-over
    } else {
        // The index changed in another way while the window was changing it: show it as it
        // is, keeping the selected macro when it is still there.
        showLibrary(names);
    }
    fillNameList(names);
    if (registry_ != nullptr)
        registry_->macroLibraryChanged(name());
    if (outcome.limitReached) {
        // Not shown from inside the connection's hand-over: the connection thread waits for it.
        QMetaObject::invokeMethod(
            host_.window(),
            [this] { host_.messageBox(QString::asprintf(kMsgMacroLimit, static_cast<int>(kMaxMacros))); },
            Qt::QueuedConnection);
    }
}

// ---- The editor ----

void MacroPage::insertRow(int at, std::size_t line, const QString* shownDelay)
{
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    const MacroAction action = shown_.action(line);
    const QString data = qs(shown_.lines()[line]);
    if (action.isKeyEvent())
        list.InsertActionRow(at, action.down != 0, qs(action.name), data);
    else
        list.InsertTextRow(at, shownDelay != nullptr ? *shownDelay : delayText(action.delayMs()), data);
}

void MacroPage::moveRow(std::size_t from, std::size_t to)
{
    // The moved row is made again from its line; the row it passed keeps what it shows.
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    list.RemoveAt(static_cast<int>(from));
    insertRow(static_cast<int>(to), to);
    list.SelectItem(static_cast<int>(to));
}

void MacroPage::fillRows()
{
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    list.RemoveAll();
    for (std::size_t i = 0; i < shown_.size(); ++i)
        insertRow(static_cast<int>(i), i);
    list.SelectItem(-1);
}

void MacroPage::restoreRows(std::optional<std::size_t> selected)
{
    fillRows();
    if (selected)
        ui::ListControl(host_.control(qs(mn::kMacroList))).SelectItem(static_cast<int>(*selected));
    host_.messageBox(qs(kMsgMacroDataError));
}

void MacroPage::loadSelected() { showSelected(true); }

void MacroPage::showSelected(bool tellWhyEmpty)
{
    endCaptures();  // what was captured into the macro shown so far is saved there
    editingRow_.reset();
    if (locked_)
        setLocked(false);
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    const int item = combo.GetCurSel();
    if (item < 0)
        return;
    const QString name = combo.GetItemUserData(item);
    host_.control(qs(mn::kNameEdit)).SetText(name);
    const std::filesystem::path file = MacroIndex(dataFolder()).macroPath(name.toStdString());
    shown_ = MacroFile::load(file);
    fillRows();
    if (!tellWhyEmpty)
        return;
    // A macro shown without actions that its file may well hold: why.
    if (file.empty())
        host_.messageBox(qs(kMsgInvalidName));
    else if (shown_.readStatus() == ReadStatus::TooLarge)
        host_.messageBox(QString::asprintf(kMsgMacroFileTooLarge, static_cast<int>(kMaxReadBytes >> 20)));
    else if (shown_.readStatus() == ReadStatus::Failed)
        host_.messageBox(qs(kMsgMacroFileUnreadable));
}

void MacroPage::moveRowUp()
{
    const auto row = selectedRow();
    const MacroEdit edit = shown_.moveUp(row);
    if (edit.result == MacroEditResult::WriteFailed) {
        restoreRows(row);
    } else if (edit.result == MacroEditResult::Saved && row && edit.selected && *edit.selected != *row) {
        moveRow(*row, *edit.selected);
    }
    setLocked(false);
}

void MacroPage::moveRowDown()
{
    const auto row = selectedRow();
    const MacroEdit edit = shown_.moveDown(row);
    if (edit.result == MacroEditResult::WriteFailed) {
        restoreRows(row);
    } else if (edit.result == MacroEditResult::Saved && row && edit.selected && *edit.selected != *row) {
        moveRow(*row, *edit.selected);
    }
    setLocked(false);
}

void MacroPage::deleteRow()
{
    const auto row = selectedRow();
    const std::size_t before = shown_.size();
    const MacroEdit edit = shown_.removeRow(row);
    if (edit.result == MacroEditResult::WriteFailed) {
        restoreRows(row);
    } else if (edit.result == MacroEditResult::Saved && row && shown_.size() < before) {
        ui::ListControl list(host_.control(qs(mn::kMacroList)));
        list.RemoveAt(static_cast<int>(*row));
        list.SelectItem(-1);
    }
    setLocked(false);
}

long MacroPage::typedDelay(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    long value = 0;
    for (; i < t.size() && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (t[i].unicode() - u'0');
        if (value > MacroAction::kMaxDelayMs)
            value = MacroAction::kMaxDelayMs + 1;  // stays above the limit without overflowing
    }
    if (negative)
        return 0;
    return std::min(value, MacroAction::kMaxDelayMs);
}

void MacroPage::editRow()
{
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    ui::Control delayEdit = host_.control(qs(mn::kDelayEdit));
    if (editingKey_) {
        // Second click: the key as it was last replaced is kept.
        host_.removeKeyboardHook();
        editingKey_ = false;
        setLocked(false);
        saveShown();
        return;
    }
    if (editingRow_) {
        // Second click: the typed delay goes into the row being edited.
        const std::size_t row = *editingRow_;
        editingRow_.reset();
        const long ms = typedDelay(delayEdit.GetText());
        const MacroEdit edit = shown_.setDelay(row, ms);
        if (edit.result == MacroEditResult::Saved) {
            // Shown as typed; a reload shows it in whole units of 10 ms.
            list.SetItemText(static_cast<int>(row), delayText(ms));
            list.SetItemUserData(static_cast<int>(row), qs(shown_.lines()[row]));
        } else if (edit.result == MacroEditResult::WriteFailed) {
            restoreRows(row);
        }
        setLocked(false);
        return;
    }
    const auto row = selectedRow();
    if (!row)
        return;
    if (shown_.action(*row).isKeyEvent()) {
        // The key is replaced by each key released from now on, until the second click.
        installHook(kHookMacroEdit);
        setLocked(true);
        host_.control(qs(mn::kEditButton)).SetEnabled(true);
        editingKey_ = true;
        return;
    }
    editingRow_ = row;
    setLocked(true);
    host_.control(qs(mn::kEditButton)).SetEnabled(true);
    delayEdit.SetText(QString::number(shown_.action(*row).delayMs()));
}

void MacroPage::insertDelay()
{
    setLocked(true);
    const int mode = ui::ComboControl(host_.control(qs(mn::kInsertModeCombo))).GetCurSel();
    if (mode == kKeysBefore || mode == kKeysAfter) {
        // Typed keys are inserted from now on, with the page unlocked, until the finish
        // button.
        host_.control(qs(mn::kFinishInsertButton)).SetEnabled(true);
        inserter_.resetRepeatFilter();
        installHook(kHookMacroInsert);
        insertingKeys_ = true;
        saveShown();
    } else if (mode == kDelayBefore || mode == kDelayAfter) {
        const auto row = selectedRow();
        const long ms = typedDelay(host_.control(qs(mn::kDelayEdit)).GetText());
        const std::size_t before = shown_.size();
        const DelayInsertMode where = mode == kDelayBefore ? DelayInsertMode::Before : DelayInsertMode::After;
        const MacroEdit edit = shown_.insertDelay(row, ms, where);
        if (edit.result == MacroEditResult::WriteFailed) {
            restoreRows(row);
        } else if (edit.result == MacroEditResult::Saved && shown_.size() > before) {
            const std::size_t at = !row ? 0 : (where == DelayInsertMode::Before ? *row : *row + 1);
            const QString shownDelay = delayText(ms);
            insertRow(static_cast<int>(at), at, &shownDelay);
            ui::ListControl(host_.control(qs(mn::kMacroList)))
                .SelectItem(edit.selected ? static_cast<int>(*edit.selected) : -1);
        }
    }
    setLocked(false);
}

void MacroPage::showInsertPanel(int mode)
{
    const bool delays = mode == kDelayBefore || mode == kDelayAfter;
    const bool keys = mode == kKeysBefore || mode == kKeysAfter;
    if (!delays && !keys)
        return;
    host_.control(qs(mn::kDelayPanel)).SetVisible(delays);
    host_.control(qs(mn::kKeyPanel)).SetVisible(keys);
}

void MacroPage::setLocked(bool locked)
{
    locked_ = locked;
    for (const char* name : mn::kLockedControls)
        host_.control(qs(name)).SetEnabled(!locked);
    for (const char* name : mn::kLockedCombos)
        host_.control(qs(name)).SetInputEnabled(!locked);
}

void MacroPage::startInsertion()
{
    const int mode = ui::ComboControl(host_.control(qs(mn::kInsertModeCombo))).GetCurSel();
    if (mode != kKeysBefore && mode != kKeysAfter) {
        // A delay is inserted as by the delay panel's button. Nothing is left running that
        // could unlock the page again, so it is not left locked.
        insertDelay();
        return;
    }
    setLocked(true);
    host_.control(qs(mn::kFinishInsertButton)).SetEnabled(true);
    inserter_.resetRepeatFilter();
    installHook(kHookMacroInsert);
    insertingKeys_ = true;
}

void MacroPage::finishKeyInsertion()
{
    saveShown();
    host_.removeKeyboardHook();
    insertingKeys_ = false;
    setLocked(false);
}

void MacroPage::toggleRecording()
{
    ui::Control button = host_.control(qs(mn::kRecordButton));
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    if (recording_) {
        host_.removeKeyboardHook();
        recording_ = false;
        list.SetInputEnabled(true);
        button.SetProgramText(qs(kRecordText));
        saveShown();
        setLocked(false);
        return;
    }
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    if (combo.GetCount() == 0) {
        host_.messageBox(qs(kMsgNoMacroToRecord));
        return;
    }
    if (combo.GetCurSel() < 0 || shown_.path().empty()) {
        // Rows recorded into no macro could never be saved.
        host_.messageBox(qs(kMsgSelectMacroToRecord));
        return;
    }
    recorder_.resetRepeatFilter();
    installHook(kHookMacro);
    lastEventTick_ = tick();
    recording_ = true;
    list.SetInputEnabled(false);
    button.SetProgramText(qs(kStopText));
    setLocked(true);
}

void MacroPage::endCaptures()
{
    if (recording_)
        toggleRecording();
    if (editingKey_)
        editRow();
    if (insertingKeys_)
        finishKeyInsertion();
}

void MacroPage::installHook(int mode)
{
    if (!host_.installKeyboardHook(mode))
        qCWarning(lcMacroPage) << "the keyboard cannot be listened to: only keys from scripts arrive";
    const KeyboardSource* source = CDeviceHook::Source();
    if (source != nullptr && !source->desktopWide() && !ownWindowsNoticeShown_) {
        ownWindowsNoticeShown_ = true;
        host_.messageBox(qs(kMsgOwnWindowsOnly));
    }
}

std::uint32_t MacroPage::tick() const
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(host_.clock().now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

long MacroPage::delayForTypedKey()
{
    if (ui::OptionControl(host_.control(qs(mn::kRealDelayOption))).IsSelected()) {
        const std::uint32_t now = tick();
        const long delay = MacroRecorder::measuredDelay(lastEventTick_, now);
        lastEventTick_ = now;
        return delay;
    }
    if (ui::OptionControl(host_.control(qs(mn::kNoDelayOption))).IsSelected())
        return 0;
    ui::Control edit = host_.control(qs(mn::kFixedDelayEdit));
    bool limited = false;
    const long delay = MacroRecorder::fixedDelay(edit.GetText().toStdString(), &limited);
    if (limited)
        edit.SetText(QString::number(MacroAction::kMaxDelayMs));
    return delay;
}

void MacroPage::saveShown()
{
    const MacroEditResult result = shown_.save();
    if (result != MacroEditResult::Saved) {
        // The rows stay in the list; the user can try again with the next change.
        qCWarning(lcMacroPage) << "the macro could not be saved";
        host_.messageBox(qs(kMsgMacroDataError));
    }
}

void MacroPage::recordKey(bool down, std::uint16_t vk)
{
    if (!recording_)
        return;
    const std::optional<MacroAction> action = recorder_.keyEvent(vk, down);
    if (!action)
        return;
    const long delay = delayForTypedKey();
    std::optional<std::size_t> completed;
    if (!shown_.appendRecorded(*action, delay, &completed))
        return;  // the macro is full
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    const std::size_t rows = shown_.size();
    list.AddActionRow(down, qs(action->name), qs(shown_.lines()[rows - 2]));
    list.AddTextRow(delayText(0), qs(shown_.lines()[rows - 1]));
    if (completed) {
        // Shown as measured; the file keeps whole units of 10 ms.
        list.SetItemText(static_cast<int>(*completed), delayText(delay));
        list.SetItemUserData(static_cast<int>(*completed), qs(shown_.lines()[*completed]));
    }
}

void MacroPage::replaceKey(bool down, std::uint16_t vk)
{
    if (!editingKey_ || down)
        return;  // a key is chosen by its release
    const auto row = selectedRow();
    if (!row || !shown_.action(*row).isKeyEvent())
        return;
    const std::optional<MacroAction> replaced = MacroRecorder::replacedKey(shown_.action(*row), vk);
    if (!replaced || !shown_.setLine(*row, *replaced))
        return;
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    list.RemoveAt(static_cast<int>(*row));
    insertRow(static_cast<int>(*row), *row);
    list.SelectItem(static_cast<int>(*row));
}

void MacroPage::insertKey(bool down, std::uint16_t vk)
{
    if (!insertingKeys_)
        return;
    const std::optional<MacroAction> action = inserter_.keyEvent(vk, down);
    if (!action)
        return;
    const long delay = delayForTypedKey();
    const auto row = selectedRow();
    const int mode = ui::ComboControl(host_.control(qs(mn::kInsertModeCombo))).GetCurSel();
    // Keys go next to the selected row; with none selected (or an empty list) there is no
    // place for them.
    if (shown_.empty() || !row || (mode != kKeysBefore && mode != kKeysAfter))
        return;
    const std::size_t at = mode == kKeysBefore ? *row : *row + 1;
    if (!shown_.insertLines(at, {*action, MacroRecorder::delayAfter(delay, *action)}))
        return;
    const QString shownDelay = delayText(delay);
    insertRow(static_cast<int>(at), at);
    insertRow(static_cast<int>(at + 1), at + 1, &shownDelay);
    // Before: the selected row moves down with the pair. After: the next key goes after this
    // one, so that keys typed in a row keep their order.
    ui::ListControl(host_.control(qs(mn::kMacroList)))
        .SelectItem(static_cast<int>(mode == kKeysBefore ? *row + 2 : at + 1));
}

}  // namespace corv
