#include "macros/page/MacroPage.h"

#include <QString>

#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "feature/WindowMessages.h"
#include "macros/MacroIndex.h"
#include "macros/MacroTransfer.h"
#include "macros/page/MacroNames.h"
#include "ui/Control.h"
#include "ui/Notification.h"

namespace corv {

namespace mn = macro_names;

MacroPage::MacroPage(FeatureHost& host)
    : host_(host), library_(*this, host), editor_(*this, host), capture_(*this, host)
{ }

std::span<const ui::ControlRef> MacroPage::controls() const { return mn::macroPageControls(); }

std::span<const ui::MenuItemRef> MacroPage::menuItems() const
{
    static constexpr ui::MenuItemRef kItems[] = {
        {mn::kLibraryMenu, mn::kMenuCopy}, {mn::kLibraryMenu, mn::kMenuImport}, {mn::kLibraryMenu, mn::kMenuExport}};
    return kItems;
}

void MacroPage::windowInit() { library_.loadMacroList(); }

void MacroPage::declare(FeatureRegistry& r)
{
    registry_ = &r;
    using ui::notify::kClick;
    using ui::notify::kItemSelect;
    const auto click = [&r](const char* name, auto op) {
        r.on(kClick, name, [op](const ui::Notification&, int) { op(); });
    };
    MacroLibraryActions& library = library_;
    MacroRowEditor& editor = editor_;
    MacroKeyCapture& capture = capture_;
    click(mn::kAddButton, [&library] { library.newMacro(); });
    click(mn::kDeleteButton, [&library] { library.deleteSelected(); });
    click(mn::kRenameButton, [&library] { library.renameSelected(); });
    click(mn::kCopyButton, [&library] { library.openLibraryMenu(); });
    click(mn::kUpButton, [&editor] { editor.moveRowUp(); });
    click(mn::kDownButton, [&editor] { editor.moveRowDown(); });
    click(mn::kDeleteRowButton, [&editor] { editor.deleteRow(); });
    click(mn::kEditButton, [&editor] { editor.editRow(); });
    click(mn::kInsertButton, [&editor] { editor.insertDelay(); });
    click(mn::kStartInsertButton, [&capture] { capture.startInsertion(); });
    click(mn::kFinishInsertButton, [&capture] { capture.finishKeyInsertion(); });
    click(mn::kRecordButton, [&capture] { capture.toggleRecording(); });
    using KeyOp = void (MacroKeyCapture::*)(bool, std::uint16_t, std::optional<std::uint32_t>);
    const auto key = [&r, &capture](unsigned message, KeyOp op) {
        r.onMessage(message, [&capture, op](std::uintptr_t wParam, std::intptr_t lParam) {
            (capture.*op)(wParam == msg::kKeyDown, msg::keyOfParam(lParam), msg::keyTimeOfParam(lParam));
        });
    };
    key(msg::kKeyHookMacroRecord, &MacroKeyCapture::recordKey);
    r.onMessage(msg::kKeyHookMacroEdit, [&capture](std::uintptr_t wParam, std::intptr_t lParam) {
        capture.replaceKey(wParam == msg::kKeyDown, msg::keyOfParam(lParam));
    });
    key(msg::kKeyHookMacroInsert, &MacroKeyCapture::insertKey);
    r.onHooksEnding([&capture] { capture.endCaptures(); });
    r.onEvent<std::string>(kMacroLibraryChangedEvent, [this](const std::string& by) {
        if (by != name())
            library_.libraryChangedElsewhere();
    });
    r.on(kItemSelect, mn::kMacroCombo, [&editor](const ui::Notification& msg, int) {
        if (msg.wParam >= 0)
            editor.loadSelected();
    });
    r.on(kItemSelect, mn::kInsertModeCombo,
         [&editor](const ui::Notification& msg, int) { editor.showInsertPanel(static_cast<int>(msg.wParam)); });
    r.onMenu(mn::kMenuCopy, false, [&library](const ui::MenuCommand&) { library.copySelected(); });
    r.onMenu(mn::kMenuImport, false, [&library](const ui::MenuCommand&) { library.importIntoSelected(); });
    r.onMenu(mn::kMenuExport, false, [&library](const ui::MenuCommand&) { library.exportSelected(); });
    r.onEvent<MacroRebuildOutcome>(kMacrosRebuiltEvent,
                                   [&library](const MacroRebuildOutcome& outcome) { library.macrosRebuilt(outcome); });
}

void MacroPage::setLocked(bool locked)
{
    locked_ = locked;
    for (const char* name : mn::kLockedControls)
        host_.control(QString::fromUtf8(name)).setEnabled(!locked);
    for (const char* name : mn::kLockedCombos)
        host_.control(QString::fromUtf8(name)).setInputEnabled(!locked);
}

}  // namespace corv
