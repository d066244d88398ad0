#include "macros/page/MacroRowEditor.h"

#include <QLoggingCategory>
#include <QString>
#include <algorithm>

#include "feature/FeatureHost.h"
#include "macros/MacroAction.h"
#include "macros/MacroIndex.h"
#include "macros/MacroResult.h"
#include "macros/page/MacroNames.h"
#include "macros/page/MacroPage.h"
#include "platform/AppPaths.h"
#include "ui/ComboControl.h"
#include "ui/ListControl.h"

namespace corv {

namespace mn = macro_names;

namespace {

QString qs(const char* name) { return QString::fromUtf8(name); }
QString qs(const std::string& text) { return QString::fromStdString(text); }
QString delayText(long ms) { return QStringLiteral("%1 MS").arg(ms); }

}  // namespace

Q_LOGGING_CATEGORY(lcMacroRows, "corv.debug.macros.rows", QtWarningMsg)

void MacroRowEditor::clear()
{
    ui::ListControl(host_.control(qs(mn::kMacroList))).removeAll();
    shown_ = MacroFile();
}

std::optional<std::size_t> MacroRowEditor::selectedRow() const
{
    const int sel = ui::ListControl(host_.control(qs(mn::kMacroList))).getCurSel();
    if (sel < 0 || static_cast<std::size_t>(sel) >= shown_.size())
        return std::nullopt;
    return static_cast<std::size_t>(sel);
}

void MacroRowEditor::insertRow(int at, std::size_t line, const QString* shownDelay)
{
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    const MacroAction action = shown_.action(line);
    const QString data = qs(shown_.lines()[line]);
    if (action.isKeyEvent())
        list.insertActionRow(at, action.down != 0, qs(action.name), data);
    else
        list.insertTextRow(at, shownDelay != nullptr ? *shownDelay : delayText(action.delayMs()), data);
}

void MacroRowEditor::moveRow(std::size_t from, std::size_t to)
{
    // The moved row is made again from its line; the row it passed keeps what it shows.
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    list.removeAt(static_cast<int>(from));
    insertRow(static_cast<int>(to), to);
    list.selectItem(static_cast<int>(to));
}

void MacroRowEditor::fillRows()
{
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    list.removeAll();
    for (std::size_t i = 0; i < shown_.size(); ++i)
        insertRow(static_cast<int>(i), i);
    list.selectItem(-1);
}

void MacroRowEditor::restoreRows(std::optional<std::size_t> selected)
{
    fillRows();
    if (selected)
        ui::ListControl(host_.control(qs(mn::kMacroList))).selectItem(static_cast<int>(*selected));
    host_.messageBox(qs(kMsgMacroDataError));
}

void MacroRowEditor::showSelected(bool tellWhyEmpty)
{
    page_.capture().endCaptures();  // what was captured into the macro shown so far is saved there
    editingRow_.reset();
    if (page_.isLocked())
        page_.setLocked(false);
    ui::ComboControl combo(host_.control(qs(mn::kMacroCombo)));
    const int item = combo.getCurSel();
    if (item < 0)
        return;
    const QString name = combo.getItemUserData(item);
    host_.control(qs(mn::kNameEdit)).setText(name);
    const std::filesystem::path file = MacroIndex(dataFolderPath()).macroPath(name.toStdString());
    shown_ = MacroFile::load(file);
    fillRows();
    if (!tellWhyEmpty)
        return;
    // A macro shown without actions that its file may well hold: why.
    if (file.empty())
        host_.messageBox(qs(MacroPage::kMsgInvalidName));
    else if (shown_.readStatus() == ReadStatus::TooLarge)
        host_.messageBox(QString::asprintf(MacroPage::kMsgMacroFileTooLarge, static_cast<int>(kMaxReadBytes >> 20)));
    else if (shown_.readStatus() == ReadStatus::Failed)
        host_.messageBox(qs(MacroPage::kMsgMacroFileUnreadable));
}

void MacroRowEditor::moveRowUp()
{
    const auto row = selectedRow();
    const MacroEdit edit = shown_.moveUp(row);
    if (edit.result == MacroEditResult::WriteFailed) {
        restoreRows(row);
    } else if (edit.result == MacroEditResult::Saved && row && edit.selected && *edit.selected != *row) {
        moveRow(*row, *edit.selected);
    }
    page_.setLocked(false);
}

void MacroRowEditor::moveRowDown()
{
    const auto row = selectedRow();
    const MacroEdit edit = shown_.moveDown(row);
    if (edit.result == MacroEditResult::WriteFailed) {
        restoreRows(row);
    } else if (edit.result == MacroEditResult::Saved && row && edit.selected && *edit.selected != *row) {
        moveRow(*row, *edit.selected);
    }
    page_.setLocked(false);
}

void MacroRowEditor::deleteRow()
{
    const auto row = selectedRow();
    const std::size_t before = shown_.size();
    const MacroEdit edit = shown_.removeRow(row);
    if (edit.result == MacroEditResult::WriteFailed) {
        restoreRows(row);
    } else if (edit.result == MacroEditResult::Saved && row && shown_.size() < before) {
        ui::ListControl list(host_.control(qs(mn::kMacroList)));
        list.removeAt(static_cast<int>(*row));
        list.selectItem(-1);
    }
    page_.setLocked(false);
}

long MacroRowEditor::typedDelay(const QString& text)
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

void MacroRowEditor::editRow()
{
    ui::ListControl list(host_.control(qs(mn::kMacroList)));
    ui::Control delayEdit = host_.control(qs(mn::kDelayEdit));
    if (page_.capture().isEditingKey()) {
        // Second click: the key as it was last replaced is kept.
        page_.capture().finishKeyEdit();
        return;
    }
    if (editingRow_) {
        // Second click: the typed delay goes into the row being edited.
        const std::size_t row = *editingRow_;
        editingRow_.reset();
        const long ms = typedDelay(delayEdit.getText());
        const MacroEdit edit = shown_.setDelay(row, ms);
        if (edit.result == MacroEditResult::Saved) {
            // Shown as typed; a reload shows it in whole units of 10 ms.
            list.setItemText(static_cast<int>(row), delayText(ms));
            list.setItemUserData(static_cast<int>(row), qs(shown_.lines()[row]));
        } else if (edit.result == MacroEditResult::WriteFailed) {
            restoreRows(row);
        }
        page_.setLocked(false);
        return;
    }
    const auto row = selectedRow();
    if (!row)
        return;
    if (shown_.action(*row).isKeyEvent()) {
        // The key is replaced by each key released from now on, until the second click.
        page_.capture().beginKeyEdit();
        return;
    }
    editingRow_ = row;
    page_.setLocked(true);
    host_.control(qs(mn::kEditButton)).setEnabled(true);
    delayEdit.setText(QString::number(shown_.action(*row).delayMs()));
}

void MacroRowEditor::insertDelay()
{
    page_.setLocked(true);
    const int mode = ui::ComboControl(host_.control(qs(mn::kInsertModeCombo))).getCurSel();
    if (mode == MacroPage::kKeysBefore || mode == MacroPage::kKeysAfter) {
        // Typed keys are inserted from now on, with the page unlocked, until the finish
        // button.
        page_.capture().beginKeyInsertion();
        saveShown();
    } else if (mode == MacroPage::kDelayBefore || mode == MacroPage::kDelayAfter) {
        const auto row = selectedRow();
        const long ms = typedDelay(host_.control(qs(mn::kDelayEdit)).getText());
        const std::size_t before = shown_.size();
        const DelayInsertMode where =
            mode == MacroPage::kDelayBefore ? DelayInsertMode::Before : DelayInsertMode::After;
        const MacroEdit edit = shown_.insertDelay(row, ms, where);
        if (edit.result == MacroEditResult::WriteFailed) {
            restoreRows(row);
        } else if (edit.result == MacroEditResult::Saved && shown_.size() > before) {
            const std::size_t at = !row ? 0 : (where == DelayInsertMode::Before ? *row : *row + 1);
            const QString shownDelay = delayText(ms);
            insertRow(static_cast<int>(at), at, &shownDelay);
            ui::ListControl(host_.control(qs(mn::kMacroList)))
                .selectItem(edit.selected ? static_cast<int>(*edit.selected) : -1);
        }
    }
    page_.setLocked(false);
}

void MacroRowEditor::showInsertPanel(int mode)
{
    const bool delays = mode == MacroPage::kDelayBefore || mode == MacroPage::kDelayAfter;
    const bool keys = mode == MacroPage::kKeysBefore || mode == MacroPage::kKeysAfter;
    if (!delays && !keys)
        return;
    host_.control(qs(mn::kDelayPanel)).setVisible(delays);
    host_.control(qs(mn::kKeyPanel)).setVisible(keys);
}

void MacroRowEditor::saveShown()
{
    const MacroEditResult result = shown_.save();
    if (result != MacroEditResult::Saved) {
        // The rows stay in the list; the user can try again with the next change.
        qCWarning(lcMacroRows) << "the macro could not be saved";
        host_.messageBox(qs(kMsgMacroDataError));
    }
}

}  // namespace corv
