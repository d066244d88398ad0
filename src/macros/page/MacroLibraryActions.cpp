#include "macros/page/MacroLibraryActions.h"

#include <QCursor>
#include <QLoggingCategory>
#include <QMetaObject>
#include <QString>
#include <memory>

#include "device/DeviceChannel.h"
#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "macros/MacroIndex.h"
#include "macros/MacroTransfer.h"
#include "macros/page/MacroNames.h"
#include "macros/page/MacroPage.h"
#include "platform/AppPaths.h"
#include "settings/SettingsSession.h"
#include "ui/ComboControl.h"
#include "ui/FileDialog.h"
#include "ui/ListControl.h"
#include "ui/MenuWnd.h"
#include "ui/ResourceManager.h"

namespace corv {

namespace mn = macro_names;

namespace {

QString qs(const char* name) { return QString::fromUtf8(name); }
QString qs(const std::string& text) { return QString::fromStdString(text); }

// Import and export dialogs.
const QString kImportTitle = QStringLiteral("导入宏");
const QString kExportTitle = QStringLiteral("导出宏");
const QString kMacroFilter = QStringLiteral("宏文件 (*.mac);;所有文件 (*)");

}  // namespace

Q_LOGGING_CATEGORY(lcMacroLibrary, "corv.debug.macros.library", QtWarningMsg)

void MacroLibraryActions::loadMacroList()
{
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    page_.editor().clear();
    const std::filesystem::path folder = dataFolderPath();
    if (folder.empty()) {
        qCWarning(lcMacroLibrary) << "no data folder (no home folder): macros are not available";
        return;
    }
    const std::vector<std::string> names = MacroIndex(folder).names();
    for (const std::string& name : names)
        combo.addItem(qs(name), qs(name), MacroPage::kLoadedItemHeight);
    combo.selectItem(-1);
    fillNameList(names);
}

void MacroLibraryActions::fillNameList(const std::vector<std::string>& names)
{
    ui::ListControl list(host_.control(qs(mn::kNameList)));
    list.removeAll();
    for (const std::string& name : names)
        list.addTextRow(qs(name), qs(name));
}

void MacroLibraryActions::libraryChanged()
{
    fillNameList(MacroIndex(dataFolderPath()).names());
    if (page_.registry() != nullptr)
        page_.registry()->raise(kMacroLibraryChangedEvent, std::string(page_.name()));
}

void MacroLibraryActions::libraryChangedElsewhere()
{
    page_.capture().endCaptures();
    const std::filesystem::path folder = dataFolderPath();
    if (folder.empty())
        return;
    const std::vector<std::string> names = MacroIndex(folder).names();
    if (!showLibrary(names))
        host_.control(qs(mn::kNameEdit)).setText(QString());
    fillNameList(names);
}

bool MacroLibraryActions::showLibrary(const std::vector<std::string>& names)
{
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    const QString selected = combo.getCurSel() >= 0 ? combo.getItemUserData(combo.getCurSel()) : QString();
    combo.selectItem(-1);
    combo.removeAll();
    page_.editor().clear();
    int keep = -1;
    for (const std::string& n : names) {
        const int item = combo.addItem(qs(n), qs(n), MacroPage::kLoadedItemHeight);
        if (!selected.isEmpty() && qs(n) == selected)
            keep = item;
    }
    combo.selectItem(keep);
    return keep >= 0;
}

std::optional<std::size_t> MacroLibraryActions::selectedMacro(const MacroIndex& index) const
{
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    const int sel = combo.getCurSel();
    if (sel < 0)
        return std::nullopt;
    const int found = index.find(combo.getItemUserData(sel).toStdString());
    if (found < 0)
        return std::nullopt;
    return static_cast<std::size_t>(found);
}

void MacroLibraryActions::report(MacroResult result)
{
    switch (result) {
    case MacroResult::LimitReached:
        host_.messageBox(QString::asprintf(kMsgMacroLimit, static_cast<int>(kMaxMacros)));
        break;
    case MacroResult::NameTaken:
        host_.messageBox(qs(kMsgMacroNameTaken));
        break;
    case MacroResult::InvalidName:
        host_.messageBox(qs(MacroPage::kMsgInvalidName));
        break;
    case MacroResult::TargetExists:
        host_.messageBox(qs(MacroPage::kMsgFileExists));
        break;
    case MacroResult::SourceUnreadable:
        host_.messageBox(qs(MacroPage::kMsgUnreadableFile));
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

void MacroLibraryActions::newMacro()
{
    const std::filesystem::path folder = dataFolderPath();
    if (folder.empty())
        return;
    std::string name;
    const MacroResult result = MacroIndex(folder).addNew(&name);
    if (result != MacroResult::Ok) {
        report(result);
        return;
    }
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    const int item = combo.addItem(qs(name), qs(name), MacroPage::kAddedItemHeight);
    combo.selectItem(item);  // shows the new, empty macro
    libraryChanged();
}

void MacroLibraryActions::deleteSelected()
{
    MacroIndex index(dataFolderPath());
    const auto macro = selectedMacro(index);
    if (!macro)
        return;
    const MacroResult result = index.remove(*macro);
    if (result != MacroResult::Ok) {
        report(result);
        return;
    }
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    combo.removeAt(combo.getCurSel());
    page_.editor().clear();
    host_.control(qs(mn::kNameEdit)).setText(QString());
    combo.selectItem(0);  // the first macro, when one is left
    libraryChanged();
}

void MacroLibraryActions::renameSelected()
{
    MacroIndex index(dataFolderPath());
    const auto macro = selectedMacro(index);
    if (!macro)
        return;
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    ui::Control edit = host_.control(qs(mn::kNameEdit));
    const int item = combo.getCurSel();
    const QString oldName = combo.getItemUserData(item);
    const QString newName = edit.getText();
    // The list is saved at every change, so the file already holds what the list shows and
    // is moved as it is.
    const MacroResult result = index.rename(*macro, newName.toStdString());
    if (result == MacroResult::Unchanged)
        return;
    if (result != MacroResult::Ok) {
        report(result);
        edit.setText(oldName);
        return;
    }
    combo.setItemUserData(item, newName);
    combo.setItemText(item, newName);
    combo.needUpdate();
    page_.editor().shown() = MacroFile::load(index.macroPathAt(*macro));
    libraryChanged();
}

void MacroLibraryActions::copySelected()
{
    MacroIndex index(dataFolderPath());
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
    const int item = combo.addItem(qs(copyName), qs(copyName), MacroPage::kAddedItemHeight);
    combo.selectItem(item);
    host_.control(qs(mn::kNameEdit)).setText(qs(copyName));
    libraryChanged();
}

void MacroLibraryActions::importIntoSelected()
{
    MacroIndex index(dataFolderPath());
    const auto macro = selectedMacro(index);
    if (!macro)
        return;
    const QString file =
        ui::getOpenFileName(host_.window(), ui::programText(kImportTitle),
                            QString::fromStdString(index.folder().string()), ui::programText(kMacroFilter));
    if (file.isEmpty())
        return;
    const MacroResult result = index.importFile(*macro, file.toStdString());
    if (result != MacroResult::Ok) {
        report(result);
        return;
    }
    page_.editor().loadSelected();
}

void MacroLibraryActions::exportSelected()
{
    MacroIndex index(dataFolderPath());
    const auto macro = selectedMacro(index);
    if (!macro)
        return;
    const QString file = ui::getSaveFileName(host_.window(), ui::programText(kExportTitle),
                                             QString::fromStdString(index.folder().string()),
                                             ui::programText(kMacroFilter), QStringLiteral("mac"));
    if (file.isEmpty())
        return;
    report(index.exportFile(*macro, file.toStdString()));
}

void MacroLibraryActions::openLibraryMenu()
{
    const FeatureRegistry* registry = page_.registry();
    ui::MenuWnd::init(
        qs(mn::kLibraryMenu), QCursor::pos(),
        [registry](const ui::MenuCommand& cmd) {
            if (registry != nullptr)
                registry->menu(cmd);
        },
        host_.window());
}

bool MacroLibraryActions::writeLibraryToMouse()
{
    const std::filesystem::path folder = dataFolderPath();
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
                    qCWarning(lcMacroLibrary) << "the mouse did not take the macros, result" << sent.deviceResult;
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
        qCWarning(lcMacroLibrary) << "the mouse did not take the macros, result" << outcome.deviceResult;
        return true;
    case MacroWriteResult::Written:
    case MacroWriteResult::NothingToWrite:
        return true;
    }
    return true;
}

void MacroLibraryActions::macrosRebuilt(const MacroRebuildOutcome& outcome)
{
    const std::filesystem::path folder = dataFolderPath();
    if (folder.empty())
        return;
    const std::vector<std::string> names = MacroIndex(folder).names();
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    const int shownCount = combo.getCount();
    bool inStep = static_cast<std::size_t>(shownCount) <= names.size();
    for (int i = 0; inStep && i < shownCount; ++i)
        inStep = combo.getItemUserData(i) == qs(names[static_cast<std::size_t>(i)]);
    if (inStep) {
        // The usual case: the rebuild appended new macros to what the combo shows.
        for (std::size_t i = static_cast<std::size_t>(shownCount); i < names.size(); ++i)
            combo.addItem(qs(names[i]), qs(names[i]), MacroPage::kAddedItemHeight);
        if (outcome.filesWritten > 0 && combo.getCurSel() >= 0)
            page_.editor().showSelected(false);  // its file may have been replaced; no message inside the hand-over
    } else {
        // The index changed in another way while the window was changing it: show it as it
        // is, keeping the selected macro when it is still there.
        showLibrary(names);
    }
    fillNameList(names);
    if (page_.registry() != nullptr)
        page_.registry()->raise(kMacroLibraryChangedEvent, std::string(page_.name()));
    if (outcome.limitReached) {
        // Not shown from inside the connection's hand-over: the connection thread waits for it.
        QMetaObject::invokeMethod(
            host_.window(),
            [this] { host_.messageBox(QString::asprintf(kMsgMacroLimit, static_cast<int>(kMaxMacros))); },
            Qt::QueuedConnection);
    }
}

}  // namespace corv
