// The macro page in the window: the library's operations with their messages and limit,
// names that cannot be file names, renames that cannot complete, import and export through
// the file dialog, the editor list's rows and delay edits, the page's lock; and, on a
// connected virtual mouse, the library written to the mouse and rebuilt from it at the next
// connection, images that are inconsistent or hold more macros than the library may, a
// library too large for the mouse's macro area, and a macro write cut off by an unplug (at
// every part of the transfer) or by killing the program: the files stay, and the next
// connection writes them into the mouse again.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QMenu>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <map>

#include "AppFixture.h"
#include "ChildProcess.h"
#include "ScopedEnv.h"
#include "buttons/page/ButtonsPage.h"
#include "device/DeviceProtocol.h"
#include "macros/MacroFile.h"
#include "macros/MacroImage.h"
#include "macros/MacroIndex.h"
#include "macros/MacroResult.h"
#include "macros/MacroWriteMark.h"
#include "macros/page/MacroNames.h"
#include "macros/page/MacroPage.h"
#include "platform/AtomicFile.h"
#include "platform/FakeKeyboardSource.h"
#include "platform/KeyboardHook.h"
#include "ui/ComboControl.h"
#include "ui/FileDialog.h"
#include "ui/ListControl.h"
#include "ui/MenuWnd.h"
#include "ui/MessageBox.h"
#include "ui/Notification.h"
#include "ui/OptionControl.h"

namespace corv::test {
namespace {

namespace mn = macro_names;

// A key press, its delay, the release and a closing zero delay, as the recorder writes them.
std::vector<std::string> tap(const std::string& name, int usage, int delayUnits)
{
    return {"1," + std::to_string(usage) + ",202,1," + name, "0," + std::to_string(delayUnits) + ",0,1," + name,
            "1," + std::to_string(usage) + ",138,0," + name, "0,0,0,0," + name};
}

// What the page shows and what the library holds, for both kinds of window below.
class MacroPageChecks {
protected:
    virtual ~MacroPageChecks() = default;
    virtual MainWindow& window() = 0;
    virtual std::filesystem::path folder() const = 0;

    MacroPage& page() { return *window().findFeature<MacroPage>(); }
    ui::Control ctl(const char* name) { return window().findControl(QString::fromUtf8(name)); }
    ui::ComboControl combo() { return ui::ComboControl(ctl(mn::kMacroCombo)); }
    ui::ListControl list() { return ui::ListControl(ctl(mn::kMacroList)); }
    void click(const char* name) { notifyControl(window(), ui::notify::kClick, name); }
    void menu(const char* item)
    {
        ui::MenuCommand cmd;
        cmd.name = QString::fromUtf8(item);
        window().onMenuCommand(cmd);
    }
    void selectMacro(int item)
    {
        combo().selectItem(-1);
        combo().selectItem(item);
    }

    QStringList comboNames()
    {
        QStringList names;
        for (int i = 0; i < combo().getCount(); ++i)
            names << combo().getItemUserData(i);
        return names;
    }
    QStringList indexNames() const
    {
        QStringList names;
        for (const std::string& n : MacroIndex(folder()).names())
            names << QString::fromStdString(n);
        return names;
    }
    QStringList rowTexts()
    {
        QStringList texts;
        for (int i = 0; i < list().getCount(); ++i)
            texts << list().getItemText(i);
        return texts;
    }
    std::filesystem::path macroFile(const std::string& name) const { return folder() / (name + ".mac"); }
    std::vector<std::string> linesOf(const std::string& name) const { return MacroFile::load(macroFile(name)).lines(); }

    // The library written straight into the data folder (before the window starts).
    void writeLibrary(const std::vector<std::pair<std::string, std::vector<std::string>>>& macros) const
    {
        std::filesystem::create_directories(folder());
        std::string index = "[MACROCOUNT]\ncount=" + std::to_string(macros.size()) + "\n[MACRONAME]\n";
        for (std::size_t i = 0; i < macros.size(); ++i) {
            index += std::to_string(i) + "=" + macros[i].first + "\n";
            if (!macros[i].second.empty()) {
                EXPECT_TRUE(MacroFile::write(macroFile(macros[i].first), macros[i].second));
            }
        }
        std::ofstream(folder() / "msMacro.ini", std::ios::binary) << index;
    }
    // Every file of the data folder with its bytes.
    std::map<std::string, std::string> snapshot() const
    {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(folder()))
            if (e.is_regular_file())
                files[e.path().filename().string()] = AppEnvironment::readAll(e.path());
        return files;
    }
};

// The window without worker threads: the library's files and the page alone.
class MacroWindowTest : public ::testing::Test, public MacroPageChecks {
protected:
    void SetUp() override
    {
        ui::setMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
            shown << r.shownText;
            return QStringLiteral("confirm_btn");
        });
        ui::setFileDialogResponder([this](const ui::FileDialogRequest& r) -> std::optional<QString> {
            dialogs.push_back(r);
            return chosenFile;
        });
    }
    void TearDown() override { ui::setFileDialogResponder(nullptr); }

    MainWindow& window() override { return harness->wnd(); }
    std::filesystem::path folder() const override { return env.dataFolder(); }

    MainWindow& create(Clock& clock = Clock::system())
    {
        harness = std::make_unique<MainWindowHarness>(MainWindow::Options::withoutWorkers(false), "R210", clock);
        EXPECT_TRUE(harness->wnd().createMainWindow());
        return harness->wnd();
    }
    void rename(const QString& to)
    {
        ctl(mn::kNameEdit).setText(to);
        click(mn::kRenameButton);
    }

    AppEnvironment env;
    std::unique_ptr<MainWindowHarness> harness;
    QStringList shown;
    std::vector<ui::FileDialogRequest> dialogs;
    std::optional<QString> chosenFile;
};

QString limitMessage() { return QString::asprintf(kMsgMacroLimit, 50); }

TEST_F(MacroWindowTest, NewMacrosTakeTheSmallestFreeNumberAndDeletingRenumbersTheIndex)
{
    create();
    for (int i = 0; i < 3; ++i)
        click(mn::kAddButton);
    EXPECT_EQ(comboNames(), (QStringList{"新建宏1", "新建宏2", "新建宏3"}));
    EXPECT_EQ(indexNames(), comboNames());
    EXPECT_EQ(combo().getCurSel(), 2);
    EXPECT_EQ(ctl(mn::kNameEdit).getText(), QStringLiteral("新建宏3"));
    EXPECT_FALSE(std::filesystem::exists(macroFile("新建宏3")));  // a new macro has no file yet

    // Deleting the second: its file goes, the first macro is selected, the index is renumbered.
    ASSERT_TRUE(MacroFile::write(macroFile("新建宏2"), tap("A", 4, 1)));
    selectMacro(1);
    EXPECT_EQ(list().getCount(), 4);
    click(mn::kDeleteButton);
    EXPECT_FALSE(std::filesystem::exists(macroFile("新建宏2")));
    EXPECT_EQ(comboNames(), (QStringList{"新建宏1", "新建宏3"}));
    EXPECT_EQ(indexNames(), comboNames());
    EXPECT_EQ(combo().getCurSel(), 0);
    EXPECT_EQ(list().getCount(), 0);

    // The gap is filled, at the end of the list.
    click(mn::kAddButton);
    EXPECT_EQ(comboNames(), (QStringList{"新建宏1", "新建宏3", "新建宏2"}));
    EXPECT_EQ(indexNames(), comboNames());
    EXPECT_EQ(combo().getItemHeight(2), MacroPage::kAddedItemHeight);
    EXPECT_TRUE(shown.isEmpty());

    // With nothing selected, the operations on the selected macro do nothing.
    combo().selectItem(-1);
    const auto before = snapshot();
    click(mn::kDeleteButton);
    menu(mn::kMenuCopy);
    menu(mn::kMenuExport);
    rename(QStringLiteral("Other"));
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(dialogs.empty());
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(MacroWindowTest, TheFiftiethMacroIsAllowedTheFiftyFirstRefused)
{
    std::vector<std::pair<std::string, std::vector<std::string>>> macros;
    for (int i = 0; i < 49; ++i)
        macros.push_back({"m" + std::to_string(i), {}});
    macros[0].second = tap("A", 4, 2);
    writeLibrary(macros);
    create();
    ASSERT_EQ(combo().getCount(), 49);
    click(mn::kAddButton);
    EXPECT_EQ(combo().getCount(), 50);
    EXPECT_EQ(indexNames().size(), 50);
    EXPECT_TRUE(shown.isEmpty());

    const auto before = snapshot();
    click(mn::kAddButton);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.last(), limitMessage());
    selectMacro(0);
    menu(mn::kMenuCopy);  // a copy is a new macro too
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown.last(), limitMessage());
    EXPECT_EQ(combo().getCount(), 50);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(MacroWindowTest, CopiesAreNamedCopyCopyAndCarryTheSourceBytes)
{
    writeLibrary({{"Combo", tap("A", 4, 12)}, {"Empty", {}}});
    create();
    selectMacro(0);
    menu(mn::kMenuCopy);
    selectMacro(0);
    menu(mn::kMenuCopy);
    EXPECT_EQ(comboNames(), (QStringList{"Combo", "Empty", "Combo copy", "Combo copy copy"}));
    EXPECT_EQ(indexNames(), comboNames());
    EXPECT_EQ(combo().getCurSel(), 3);
    EXPECT_EQ(ctl(mn::kNameEdit).getText(), QStringLiteral("Combo copy copy"));
    EXPECT_EQ(AppEnvironment::readAll(macroFile("Combo copy copy")), AppEnvironment::readAll(macroFile("Combo")));
    EXPECT_EQ(list().getCount(), 4);  // the copy is shown

    // A macro without a file gives an empty file.
    selectMacro(1);
    menu(mn::kMenuCopy);
    EXPECT_TRUE(std::filesystem::exists(macroFile("Empty copy")));
    EXPECT_TRUE(linesOf("Empty copy").empty());
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(MacroWindowTest, RenamesThatCannotCompleteKeepTheOldNameEverywhere)
{
    writeLibrary({{"Combo", tap("A", 4, 12)}, {"Other", tap("B", 5, 1)}});
    create();
    selectMacro(1);
    const auto before = snapshot();
    const auto unchanged = [&](const char* what) {
        EXPECT_EQ(comboNames(), (QStringList{"Combo", "Other"})) << what;
        EXPECT_EQ(indexNames(), comboNames()) << what;
        EXPECT_EQ(ctl(mn::kNameEdit).getText(), QStringLiteral("Other")) << what;
        EXPECT_EQ(snapshot(), before) << what;
    };

    // Another macro's name in any case.
    rename(QStringLiteral("cOMBO"));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.last(), QString::fromUtf8(kMsgMacroNameTaken));
    unchanged("name taken");

    // Names that cannot be file names: nothing written, the old name shown again.
    for (const char* bad : {"a/b", "", "   ", "..", " lead", "\"quoted\"", "tab\tin"}) {
        rename(QString::fromUtf8(bad));
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_EQ(shown.last(), QString::fromUtf8(MacroPage::kMsgInvalidName)) << bad;
        unchanged(bad);
    }
    const qsizetype messages = shown.size();

    // Its own name in another case: nothing at all.
    rename(QStringLiteral("OTHER"));
    EXPECT_EQ(shown.size(), messages);
    EXPECT_EQ(indexNames(), (QStringList{"Combo", "Other"}));

    // A stray file of the new name in the data folder: the move cannot complete.
    std::ofstream(macroFile("Stray"), std::ios::binary) << "not a macro";
    const auto withStray = snapshot();
    rename(QStringLiteral("Stray"));
    EXPECT_EQ(shown.last(), QString::fromUtf8(MacroPage::kMsgFileExists));
    EXPECT_EQ(comboNames(), (QStringList{"Combo", "Other"}));
    EXPECT_EQ(indexNames(), comboNames());
    EXPECT_EQ(ctl(mn::kNameEdit).getText(), QStringLiteral("Other"));
    EXPECT_EQ(snapshot(), withStray);

    // A rename that can complete moves the file and keeps the rows.
    rename(QStringLiteral("Renamed"));
    EXPECT_EQ(comboNames(), (QStringList{"Combo", "Renamed"}));
    EXPECT_EQ(indexNames(), comboNames());
    EXPECT_FALSE(std::filesystem::exists(macroFile("Other")));
    EXPECT_EQ(linesOf("Renamed"), tap("B", 5, 1));
    // Edits after the rename go to the renamed file.
    list().selectItem(0);
    click(mn::kDownButton);
    EXPECT_EQ(linesOf("Renamed")[1], tap("B", 5, 1)[0]);
    EXPECT_FALSE(std::filesystem::exists(macroFile("Other")));
}

TEST_F(MacroWindowTest, ImportAndExportGoThroughTheFileDialog)
{
    writeLibrary({{"Combo", tap("A", 4, 12)}, {"Empty", {}}});
    create();
    const std::filesystem::path outside = env.home() / "shared.mac";

    selectMacro(0);
    chosenFile = QString::fromStdString(outside.string());
    menu(mn::kMenuExport);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs.back().kind, ui::FileDialogRequest::Kind::Save);
    EXPECT_EQ(dialogs.back().defaultSuffix, QStringLiteral("mac"));
    EXPECT_EQ(AppEnvironment::readAll(outside), AppEnvironment::readAll(macroFile("Combo")));

    // Imported into the other macro, which keeps its name and shows the new rows.
    selectMacro(1);
    EXPECT_EQ(list().getCount(), 0);
    menu(mn::kMenuImport);
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs.back().kind, ui::FileDialogRequest::Kind::Open);
    EXPECT_EQ(AppEnvironment::readAll(macroFile("Empty")), AppEnvironment::readAll(outside));
    EXPECT_EQ(rowTexts(), (QStringList{"A", "120 MS", "A", "0 MS"}));
    EXPECT_EQ(comboNames(), (QStringList{"Combo", "Empty"}));

    // Cancelled: nothing changes. A file that cannot be read: said so, nothing changes.
    const auto before = snapshot();
    chosenFile.reset();
    menu(mn::kMenuImport);
    EXPECT_EQ(snapshot(), before);
    chosenFile = QString::fromStdString((env.home() / "missing.mac").string());
    menu(mn::kMenuImport);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.last(), QString::fromUtf8(MacroPage::kMsgUnreadableFile));
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(list().getCount(), 4);
}

TEST_F(MacroWindowTest, RowsShowTheirActionsAndKeepTheirLines)
{
    std::vector<std::string> lines = tap("LShift", 2, 0);
    lines[0] = "1,2,201,1,LShift";  // a modifier key: type 9
    lines[2] = "1,2,137,0,LShift";
    lines[1] = "0,44,1,1,LShift";  // (1 * 256 + 44) * 10 ms
    lines.push_back("garbage");    // read as a zero delay, kept as it is
    // Numbers the action's bytes cannot hold: shown as the zero delays the mouse gets.
    lines.push_back("0,30,99999,1,A");
    lines.push_back("1,4,10,1,A");
    writeLibrary({{"Shift", lines}});
    create();
    selectMacro(0);
    ASSERT_EQ(list().getCount(), 7);
    EXPECT_EQ(list().getCurSel(), -1);
    EXPECT_EQ(list().getRowKind(0), ui::ListControl::RowKind::Action);
    EXPECT_EQ(list().getRowName(0), QStringLiteral("macro_action"));
    EXPECT_TRUE(list().isActionDown(0));
    EXPECT_FALSE(list().isActionDown(2));
    EXPECT_EQ(list().getItemText(2), QStringLiteral("LShift"));
    EXPECT_EQ(list().getRowKind(1), ui::ListControl::RowKind::Text);
    EXPECT_EQ(list().getRowKind(6), ui::ListControl::RowKind::Text);
    EXPECT_EQ(rowTexts(), (QStringList{"LShift", "3000 MS", "LShift", "0 MS", "0 MS", "0 MS", "0 MS"}));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(list().getItemUserData(i).toStdString(), lines[static_cast<std::size_t>(i)]) << i;
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(MacroWindowTest, AMacroShownEmptyForItsNameOrFileSaysWhy)
{
    writeLibrary({{"Fine", tap("A", 4, 1)}, {"Huge", {}}, {"Folder", {}}, {"Bad/Name", {}}});
    std::ofstream(macroFile("Huge")) << "[MACROACTIONCOUNT]\ncount=1\n";
    std::filesystem::resize_file(macroFile("Huge"), kMaxReadBytes + 1);
    std::filesystem::create_directory(macroFile("Folder"));
    create();

    selectMacro(0);
    EXPECT_TRUE(shown.isEmpty());
    const QStringList expected = {QString::asprintf(MacroPage::kMsgMacroFileTooLarge, 16),
                                  QString::fromUtf8(MacroPage::kMsgMacroFileUnreadable),
                                  QString::fromUtf8(MacroPage::kMsgInvalidName)};
    for (int i = 1; i <= 3; ++i) {
        selectMacro(i);
        EXPECT_EQ(list().getCount(), 0) << i;
        ASSERT_EQ(shown.size(), i);
        EXPECT_EQ(shown.last(), expected[i - 1]);
    }
    EXPECT_EQ(std::filesystem::file_size(macroFile("Huge")), kMaxReadBytes + 1);  // not rewritten
}

TEST_F(MacroWindowTest, DelayEditsStoreTenMillisecondUnitsAndLockThePage)
{
    writeLibrary({{"Combo", tap("A", 4, 0)}});
    create();
    selectMacro(0);
    list().selectItem(1);
    click(mn::kEditButton);
    EXPECT_TRUE(page().isEditingDelay());
    EXPECT_EQ(ctl(mn::kDelayEdit).getText(), QStringLiteral("0"));
    // Locked: the page's buttons and headers, and no input on the two combos; the edit
    // button itself finishes the edit.
    for (const char* name : mn::kLockedControls) {
        if (QLatin1String(name) != QLatin1String(mn::kEditButton)) {
            EXPECT_FALSE(ctl(name).isEnabled()) << name;
        }
    }
    EXPECT_TRUE(ctl(mn::kEditButton).isEnabled());
    EXPECT_FALSE(ctl(mn::kMacroCombo).isInputEnabled());
    EXPECT_FALSE(ctl(mn::kInsertModeCombo).isInputEnabled());

    ctl(mn::kDelayEdit).setText(QStringLiteral("1234"));
    list().selectItem(0);  // the edit stays with the row it started on
    click(mn::kEditButton);
    EXPECT_FALSE(page().isEditingDelay());
    EXPECT_EQ(list().getItemText(1), QStringLiteral("1234 MS"));
    EXPECT_EQ(linesOf("Combo")[1], "0,123,0,1,A");
    EXPECT_EQ(list().getItemUserData(1), QStringLiteral("0,123,0,1,A"));
    for (const char* name : mn::kLockedControls)
        EXPECT_TRUE(ctl(name).isEnabled()) << name;
    EXPECT_TRUE(ctl(mn::kMacroCombo).isInputEnabled());

    selectMacro(0);
    EXPECT_EQ(list().getItemText(1), QStringLiteral("1230 MS"));

    // Limits: above the largest delay, below zero, and text after the number.
    struct Case {
        const char* typed;
        const char* shown;
        const char* line;
    };
    for (const Case& c : {Case{"400000", "327670 MS", "0,255,127,1,A"}, Case{"-50", "0 MS", "0,0,0,1,A"},
                          Case{"25ms", "25 MS", "0,2,0,1,A"}, Case{"", "0 MS", "0,0,0,1,A"}}) {
        list().selectItem(1);
        click(mn::kEditButton);
        ctl(mn::kDelayEdit).setText(QString::fromUtf8(c.typed));
        click(mn::kEditButton);
        EXPECT_EQ(list().getItemText(1), QString::fromUtf8(c.shown)) << c.typed;
        EXPECT_EQ(linesOf("Combo")[1], c.line) << c.typed;
    }

    // A key event's row is not a delay: its key is edited instead.
    list().selectItem(0);
    click(mn::kEditButton);
    EXPECT_FALSE(page().isEditingDelay());
    EXPECT_TRUE(page().isEditingKey());
}

TEST_F(MacroWindowTest, MovesAndDeletionsChangeOneRowAndSave)
{
    writeLibrary({{"Combo", tap("A", 4, 12)}});
    create();
    selectMacro(0);
    const std::vector<std::string> original = tap("A", 4, 12);

    // The first row up and the last row down change nothing.
    list().selectItem(0);
    click(mn::kUpButton);
    EXPECT_EQ(list().getCurSel(), 0);
    list().selectItem(3);
    click(mn::kDownButton);
    EXPECT_EQ(list().getCurSel(), 3);
    EXPECT_EQ(rowTexts(), (QStringList{"A", "120 MS", "A", "0 MS"}));
    EXPECT_EQ(linesOf("Combo"), original);

    // Row 1 down: it and its selection move, and the file follows.
    list().selectItem(1);
    click(mn::kDownButton);
    EXPECT_EQ(list().getCurSel(), 2);
    EXPECT_EQ(rowTexts(), (QStringList{"A", "A", "120 MS", "0 MS"}));
    EXPECT_EQ(linesOf("Combo"), (std::vector<std::string>{original[0], original[2], original[1], original[3]}));
    click(mn::kUpButton);
    EXPECT_EQ(list().getCurSel(), 1);
    EXPECT_EQ(linesOf("Combo"), original);
    EXPECT_EQ(list().getRowKind(1), ui::ListControl::RowKind::Text);

    // Deleting removes only that row; nothing is selected afterwards.
    list().selectItem(0);
    click(mn::kDeleteRowButton);
    EXPECT_EQ(list().getCurSel(), -1);
    EXPECT_EQ(rowTexts(), (QStringList{"120 MS", "A", "0 MS"}));
    EXPECT_EQ(linesOf("Combo"), (std::vector<std::string>{original[1], original[2], original[3]}));
    // Nothing selected: nothing moves or goes.
    click(mn::kDeleteRowButton);
    click(mn::kUpButton);
    EXPECT_EQ(list().getCount(), 3);
    EXPECT_EQ(linesOf("Combo").size(), 3u);
}

TEST_F(MacroWindowTest, DelaysAreInsertedBeforeOrAfterTheSelectedRow)
{
    writeLibrary({{"Combo", tap("A", 4, 12)}, {"Empty", {}}});
    create();
    ui::ComboControl mode(ctl(mn::kInsertModeCombo));
    ASSERT_EQ(mode.getCount(), 4);

    // The insert-mode combo switches between the delay panel and the key panel.
    mode.selectItem(2);
    EXPECT_FALSE(ctl(mn::kDelayPanel).isVisible());
    EXPECT_TRUE(ctl(mn::kKeyPanel).isVisible());
    mode.selectItem(1);
    EXPECT_TRUE(ctl(mn::kDelayPanel).isVisible());
    EXPECT_FALSE(ctl(mn::kKeyPanel).isVisible());

    // Before row 0: the new delay comes first and the former row 0 stays selected.
    selectMacro(0);
    mode.selectItem(0);
    ctl(mn::kDelayEdit).setText(QStringLiteral("55"));
    list().selectItem(0);
    click(mn::kInsertButton);
    EXPECT_EQ(rowTexts(), (QStringList{"55 MS", "A", "120 MS", "A", "0 MS"}));
    EXPECT_EQ(list().getCurSel(), 1);
    EXPECT_EQ(linesOf("Combo")[0], "0,5,0,0,");
    EXPECT_FALSE(page().isLocked());

    // After row 2: inserted at 3, row 2 stays selected.
    mode.selectItem(1);
    ctl(mn::kDelayEdit).setText(QStringLiteral("2600"));
    list().selectItem(2);
    click(mn::kInsertButton);
    EXPECT_EQ(rowTexts(), (QStringList{"55 MS", "A", "120 MS", "2600 MS", "A", "0 MS"}));
    EXPECT_EQ(list().getCurSel(), 2);
    EXPECT_EQ(linesOf("Combo")[3], "0,4,1,0,");  // 260 units: 256 + 4

    // An empty macro, nothing selected: after inserts at the top, before inserts nothing.
    selectMacro(1);
    mode.selectItem(0);
    click(mn::kInsertButton);
    EXPECT_EQ(list().getCount(), 0);
    mode.selectItem(1);
    click(mn::kInsertButton);
    EXPECT_EQ(rowTexts(), (QStringList{"2600 MS"}));
    EXPECT_EQ(linesOf("Empty"), (std::vector<std::string>{"0,4,1,0,"}));
}

TEST_F(MacroWindowTest, TheCopyButtonOpensTheLibraryMenuWhoseItemsAreRouted)
{
    writeLibrary({{"Combo", tap("A", 4, 12)}});
    create();
    selectMacro(0);
    click(mn::kCopyButton);
    auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(open, nullptr);
    EXPECT_TRUE(ui::MenuWnd::triggerItem(open, QString::fromUtf8(mn::kMenuCopy)));
    open->close();
    EXPECT_EQ(comboNames(), (QStringList{"Combo", "Combo copy"}));
    EXPECT_TRUE(shown.isEmpty());  // an item nobody handles would show its text
    // Import and export are routed too (their dialogs are cancelled here).
    for (const char* item : {mn::kMenuImport, mn::kMenuExport}) {
        ui::MenuCommand cmd;
        cmd.name = QString::fromUtf8(item);
        EXPECT_TRUE(window().registry().menu(cmd)) << item;
    }
    EXPECT_EQ(dialogs.size(), 2u);
}

// Keys captured from the keyboard: the recorder, key replacement and key insertion, with the
// window's clock standing still unless a test moves it.
class MacroCaptureTest : public MacroWindowTest {
protected:
    void SetUp() override
    {
        MacroWindowTest::SetUp();
        KeyboardHook::useSource(&keyboard);
    }
    void TearDown() override
    {
        harness.reset();
        KeyboardHook::useSource(nullptr);
        MacroWindowTest::TearDown();
    }
    void open(const std::vector<std::pair<std::string, std::vector<std::string>>>& macros, int select = 0)
    {
        writeLibrary(macros);
        create(clock);
        selectMacro(select);
    }
    void delayChoice(const char* option) { ui::OptionControl(ctl(option)).setSelected(true, false); }
    void tapKey(std::uint16_t vk, std::chrono::milliseconds held = std::chrono::milliseconds(0))
    {
        keyboard.press(vk);
        clock.advance(held);
        keyboard.release(vk);
    }
    QString title() { return window().windowTitle(); }

    ManualClock clock;
    FakeKeyboardSource keyboard;
};

TEST_F(MacroCaptureTest, ARecordingAppendsKeysWithTheirMeasuredDelaysAndSavesWhenStopped)
{
    using namespace std::chrono_literals;
    open({{"Rec", {}}});
    delayChoice(mn::kRealDelayOption);
    click(mn::kRecordButton);
    ASSERT_TRUE(page().isRecording());
    EXPECT_EQ(ctl(mn::kRecordButton).getText(), QStringLiteral("停止"));
    EXPECT_EQ(keyboard.listening(), KeyboardSource::Listen::PassOn);
    EXPECT_TRUE(page().isLocked());
    EXPECT_FALSE(ctl(mn::kMacroList).isInputEnabled());
    EXPECT_TRUE(title().contains(QString::fromUtf8(MainWindow::kRecordingNotice)));

    clock.advance(5000ms);  // the first event of an empty macro: its wait is not kept
    keyboard.press(0x41);
    clock.advance(400ms);
    keyboard.press(0x41);  // auto-repeat
    clock.advance(600ms);
    keyboard.release(0x41);
    clock.advance(250ms);
    tapKey(0xAF);        // Volume Up: not a keyboard key
    tapKey(0xA3, 20ms);  // Right Ctrl
    EXPECT_EQ(rowTexts(), (QStringList{"A", "1000 MS", "A", "250 MS", "RCtrl", "20 MS", "RCtrl", "0 MS"}));
    EXPECT_TRUE(linesOf("Rec").empty());  // nothing is saved while recording

    click(mn::kRecordButton);
    EXPECT_FALSE(page().isRecording());
    EXPECT_EQ(ctl(mn::kRecordButton).getText(), QStringLiteral("录制"));
    EXPECT_FALSE(page().isLocked());
    EXPECT_TRUE(ctl(mn::kMacroList).isInputEnabled());
    EXPECT_EQ(keyboard.listening(), KeyboardSource::Listen::Off);
    EXPECT_FALSE(title().contains(QString::fromUtf8(MainWindow::kRecordingNotice)));
    EXPECT_EQ(linesOf("Rec"),
              (std::vector<std::string>{"1,4,202,1,A", "0,100,0,1,A", "1,4,138,0,A", "0,25,0,0,A", "1,16,201,1,RCtrl",
                                        "0,2,0,1,RCtrl", "1,16,137,0,RCtrl", "0,0,0,0,RCtrl"}));
    EXPECT_FALSE(keyboard.press(0x42));  // nothing is captured once stopped

    // A second recording appends; the old last delay becomes the wait until the first key.
    click(mn::kRecordButton);
    clock.advance(700ms);
    keyboard.press(0x42);
    click(mn::kRecordButton);
    const std::vector<std::string> lines = linesOf("Rec");
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[7], "0,70,0,0,RCtrl");
    EXPECT_EQ(lines[8], "1,5,202,1,B");
}

// Keys that carry the time they were typed: the delays are the differences of those times
// (wrapping at 32 bits), however late the window handles them; between a key with a time
// and one without (a key from a script), the window's clock measures.
TEST_F(MacroCaptureTest, MeasuredDelaysComeFromTheKeysOwnTimes)
{
    using namespace std::chrono_literals;
    open({{"Rec", {}}});
    delayChoice(mn::kRealDelayOption);
    click(mn::kRecordButton);
    clock.advance(3000ms);  // the window's clock runs on regardless of the keys' times
    keyboard.press(0x41, 0xFFFF'FF00U);
    clock.advance(3000ms);
    keyboard.release(0x41, 0x40);  // the source's clock wrapped: 0x140 ms later
    keyboard.press(0x42, 0x40 + 1234);
    clock.advance(50ms);
    keyboard.release(0x42);  // no time: the window's clock, 50 ms
    clock.advance(70ms);
    keyboard.press(0x43, 5000);  // the one before had none: the window's clock again
    clock.advance(1000ms);
    keyboard.release(0x43, 5007);
    EXPECT_EQ(rowTexts(),
              (QStringList{"A", "320 MS", "A", "1234 MS", "B", "50 MS", "B", "70 MS", "C", "7 MS", "C", "0 MS"}));
    click(mn::kRecordButton);
    EXPECT_EQ(linesOf("Rec")[1], "0,32,0,1,A");
}

TEST_F(MacroCaptureTest, FixedAndNoDelaysRepeatsOfAnotherHeldKeyAndWhatCannotBeRecorded)
{
    open({{"Rec", {}}, {"Other", {}}});
    delayChoice(mn::kFixedDelayOption);
    ctl(mn::kFixedDelayEdit).setText(QStringLiteral("400000"));
    click(mn::kRecordButton);
    tapKey(0x41);
    tapKey(0x42);
    EXPECT_EQ(ctl(mn::kFixedDelayEdit).getText(), QStringLiteral("327670"));
    EXPECT_EQ(rowTexts(), (QStringList{"A", "327670 MS", "A", "327670 MS", "B", "327670 MS", "B", "0 MS"}));
    click(mn::kRecordButton);
    EXPECT_EQ(linesOf("Rec")[1], "0,255,127,1,A");

    // Holding A, then B, then releasing A: B's repeats are dropped, A's release is kept.
    selectMacro(1);
    delayChoice(mn::kNoDelayOption);
    click(mn::kRecordButton);
    keyboard.press(0x41);
    keyboard.press(0x42);
    keyboard.press(0x42);
    keyboard.release(0x41);
    click(mn::kRecordButton);
    EXPECT_EQ(linesOf("Other"), (std::vector<std::string>{"1,4,202,1,A", "0,0,0,1,A", "1,5,202,1,B", "0,0,0,1,B",
                                                          "1,4,138,0,A", "0,0,0,0,A"}));

    // No macro to record into: told, nothing starts.
    combo().selectItem(-1);
    click(mn::kRecordButton);
    EXPECT_FALSE(page().isRecording());
    EXPECT_EQ(shown.back(), QString::fromUtf8(MacroPage::kMsgSelectMacroToRecord));
    EXPECT_EQ(keyboard.listening(), KeyboardSource::Listen::Off);
}

TEST_F(MacroCaptureTest, AnEmptyLibraryRefusesAndAnySelectionChangeEndsTheRecordingSaved)
{
    create(clock);
    click(mn::kRecordButton);
    EXPECT_FALSE(page().isRecording());
    EXPECT_EQ(shown.back(), QString::fromUtf8(MacroPage::kMsgNoMacroToRecord));

    click(mn::kAddButton);
    delayChoice(mn::kNoDelayOption);
    click(mn::kRecordButton);
    tapKey(0x41);
    // Another page's option: the window removes its hooks, and the recording ends as if stopped.
    notifyControl(window(), ui::notify::kSelectChanged, "ms_Deng_Wheel", 1);
    EXPECT_FALSE(page().isRecording());
    EXPECT_FALSE(page().isLocked());
    EXPECT_EQ(ctl(mn::kRecordButton).getText(), QStringLiteral("录制"));
    EXPECT_EQ(linesOf("新建宏1").size(), 4u);
    EXPECT_EQ(keyboard.listening(), KeyboardSource::Listen::Off);
}

TEST_F(MacroCaptureTest, EditingAKeyRowTakesTheLastReleasedKeyAndKeepsTheDirection)
{
    open({{"Keys", {"1,2,201,1,LShift", "0,5,0,1,LShift", "1,4,138,0,A", "0,0,0,0,A"}}});
    list().selectItem(0);
    click(mn::kEditButton);
    ASSERT_TRUE(page().isEditingKey());
    EXPECT_TRUE(page().isLocked());
    EXPECT_TRUE(ctl(mn::kEditButton).isEnabled());
    keyboard.press(0x41);  // presses change nothing
    EXPECT_EQ(list().getItemUserData(0), QStringLiteral("1,2,201,1,LShift"));
    keyboard.release(0x41);
    keyboard.release(0xAF);  // Volume Up: ignored
    EXPECT_EQ(list().getItemUserData(0), QStringLiteral("1,4,202,1,A"));
    EXPECT_EQ(list().getItemText(0), QStringLiteral("A"));
    EXPECT_TRUE(list().isActionDown(0));
    EXPECT_EQ(list().getCurSel(), 0);
    click(mn::kEditButton);
    EXPECT_FALSE(page().isEditingKey());
    EXPECT_FALSE(page().isLocked());
    EXPECT_EQ(keyboard.listening(), KeyboardSource::Listen::Off);
    EXPECT_EQ(linesOf("Keys")[0], "1,4,202,1,A");

    list().selectItem(2);
    click(mn::kEditButton);
    tapKey(0xA5);  // Right Alt
    click(mn::kEditButton);
    EXPECT_EQ(linesOf("Keys")[2], "1,64,137,0,RAlt");
}

TEST_F(MacroCaptureTest, TypedKeysAreInsertedInOrderBeforeOrAfterTheSelectedRowOnlyWhereThereIsOne)
{
    open({{"Ins", {"1,4,202,1,A", "0,1,0,1,A", "1,4,138,0,A", "0,0,0,0,A"}}, {"Empty", {}}});
    delayChoice(mn::kFixedDelayOption);
    ctl(mn::kFixedDelayEdit).setText(QStringLiteral("30"));
    ui::ComboControl modes(ctl(mn::kInsertModeCombo));

    // After row 1: B then C keep their order.
    modes.selectItem(MacroPage::kKeysAfter);
    list().selectItem(1);
    click(mn::kStartInsertButton);
    ASSERT_TRUE(page().isInsertingKeys());
    EXPECT_TRUE(page().isLocked());
    EXPECT_TRUE(ctl(mn::kFinishInsertButton).isEnabled());
    keyboard.press(0x42);
    keyboard.press(0x43);
    EXPECT_EQ(rowTexts(), (QStringList{"A", "10 MS", "B", "30 MS", "C", "30 MS", "A", "0 MS"}));
    EXPECT_EQ(linesOf("Ins").size(), 4u);  // saved when finished
    click(mn::kFinishInsertButton);
    EXPECT_FALSE(page().isInsertingKeys());
    EXPECT_FALSE(page().isLocked());
    EXPECT_EQ(keyboard.listening(), KeyboardSource::Listen::Off);
    const std::vector<std::string> after = linesOf("Ins");
    ASSERT_EQ(after.size(), 8u);
    EXPECT_EQ(after[2], "1,5,202,1,B");
    EXPECT_EQ(after[3], "0,3,0,1,B");
    EXPECT_EQ(after[4], "1,6,202,1,C");

    // Before row 0, through the delay panel's button: the page is unlocked while keys go in.
    modes.selectItem(MacroPage::kKeysBefore);
    list().selectItem(0);
    click(mn::kInsertButton);
    EXPECT_TRUE(page().isInsertingKeys());
    EXPECT_FALSE(page().isLocked());
    keyboard.release(0x44);
    keyboard.release(0x45);
    EXPECT_EQ(rowTexts().mid(0, 5), (QStringList{"D", "30 MS", "E", "30 MS", "A"}));
    EXPECT_EQ(list().getCurSel(), 4);  // still the row that was selected

    // No row selected: nothing is inserted anywhere.
    list().selectItem(-1);
    keyboard.press(0x46);
    EXPECT_EQ(list().getCount(), 12);
    click(mn::kFinishInsertButton);
    EXPECT_EQ(linesOf("Ins").size(), 12u);

    // An empty macro takes no keys.
    selectMacro(1);
    modes.selectItem(MacroPage::kKeysAfter);
    click(mn::kStartInsertButton);
    keyboard.press(0x41);
    click(mn::kFinishInsertButton);
    EXPECT_EQ(list().getCount(), 0);
}

TEST_F(MacroCaptureTest, KeysSeenOnlyInThisProgramsWindowsAreSaidOnceAndAGrabOverRecordingGivesKeysBack)
{
    keyboard.setDesktopWide(false);
    open({{"Rec", {}}});
    delayChoice(mn::kNoDelayOption);
    click(mn::kRecordButton);
    click(mn::kRecordButton);
    click(mn::kRecordButton);
    EXPECT_EQ(shown.count(QString::fromUtf8(MacroPage::kMsgOwnWindowsOnly)), 1);

    // A single-key capture on top takes the keys, swallowed, and gives them back when it ends.
    {
        KeyboardHook single;
        int taken = 0;
        single.install(kHookSingleKey, [&](unsigned, const KeyEvent&) { ++taken; });
        EXPECT_EQ(keyboard.listening(), KeyboardSource::Listen::Swallow);
        EXPECT_TRUE(title().contains(QString::fromUtf8(MainWindow::kSingleKeyNotice)));
        tapKey(0x41);
        EXPECT_EQ(taken, 2);
    }
    EXPECT_EQ(keyboard.listening(), KeyboardSource::Listen::PassOn);
    tapKey(0x42);
    EXPECT_EQ(rowTexts(), (QStringList{"B", "0 MS", "B", "0 MS"}));
    click(mn::kRecordButton);
}

// ---- On a connected virtual mouse ----

class MacroDeviceWindowTest : public ConnectedWindowTest, public MacroPageChecks {
protected:
    using MacroPageChecks::ctl;
    MainWindow& window() override { return wnd(); }
    std::filesystem::path folder() const override { return env.dataFolder(); }

    using Block = std::vector<std::array<std::uint8_t, 2>>;
    // An image of these macros as the mouse stores it.
    static std::vector<std::uint8_t> image(const std::vector<Block>& macros)
    {
        std::size_t length = 16 + 2 * macros.size();
        for (const Block& b : macros)
            length += 4 + 2 * b.size();
        std::vector<std::uint8_t> bytes(length, 0);
        const auto put16 = [&](std::size_t at, std::size_t v) {
            bytes[at] = static_cast<std::uint8_t>(v & 0xFF);
            bytes[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
        };
        put16(0, 0x55AA);
        put16(2, length);
        put16(4, macros.size());
        std::size_t at = 16 + 2 * macros.size();
        for (std::size_t i = 0; i < macros.size(); ++i) {
            put16(16 + 2 * i, at);
            put16(at, macros[i].size());
            for (std::size_t j = 0; j < macros[i].size(); ++j) {
                bytes[at + 4 + 2 * j] = macros[i][j][0];
                bytes[at + 5 + 2 * j] = macros[i][j][1];
            }
            at += 4 + 2 * macros[i].size();
        }
        return bytes;
    }
    void putImage(const std::vector<std::uint8_t>& bytes)
    {
        ASSERT_TRUE(harness->mouse().writeMemory(sim::MemoryArea::Macros, 0, bytes));
    }

    // 50 macros of 320 actions (80 taps of changing keys and delays): 32316 bytes, 578 frames.
    MacroList bigLibrary() const
    {
        MacroList macros;
        for (int m = 0; m < 50; ++m) {
            std::vector<std::string> lines;
            for (int i = 0; i < 80; ++i) {
                const int key = (m + i) % 26;
                const std::vector<std::string> t = tap(std::string(1, static_cast<char>('A' + key)), 4 + key, 1 + i);
                lines.insert(lines.end(), t.begin(), t.end());
            }
            macros.emplace_back("Big" + std::to_string(m), lines);
        }
        return macros;
    }
    // The macro files and the index with their bytes.
    std::map<std::string, std::string> libraryFiles() const
    {
        std::map<std::string, std::string> files = snapshot();
        std::erase_if(files, [](const auto& f) { return f.first != "msMacro.ini" && !f.first.ends_with(".mac"); });
        return files;
    }
    // The names of the files of before whose bytes are not what they were (or that are gone).
    std::vector<std::string> changedSince(const std::map<std::string, std::string>& before) const
    {
        const std::map<std::string, std::string> now = libraryFiles();
        std::vector<std::string> changed;
        for (const auto& [name, bytes] : before)
            if (const auto it = now.find(name); it == now.end() || it->second != bytes)
                changed.push_back(name);
        return changed;
    }
    bool writeMarked() const { return MacroWriteMark(folder()).isSet(); }
    bool mouseHolds(const std::vector<std::uint8_t>& bytes)
    {
        const std::vector<std::uint8_t> area = harness->mouse().memory(sim::MemoryArea::Macros);
        return area.size() >= bytes.size() && std::equal(bytes.begin(), bytes.end(), area.begin());
    }
    static QString restoredMessage() { return QString::fromUtf8(kMsgMacrosRestored); }
};

TEST_F(MacroDeviceWindowTest, TheLibraryWrittenToTheMouseComesBackAtTheNextConnection)
{
    const std::vector<std::string> first = tap("A", 4, 12);
    std::vector<std::string> second = tap("B", 5, 200);
    second.insert(second.end(), {"1,1,201,1,LCtrl", "0,44,1,1,LCtrl", "1,1,137,0,LCtrl", "0,0,0,0,LCtrl"});
    writeLibrary({{"First", first}, {"Second", second}});
    connect("R210");
    ASSERT_EQ(comboNames(), (QStringList{"First", "Second"}));  // the factory image holds no macros
    const std::string firstBytes = AppEnvironment::readAll(macroFile("First"));
    const std::string secondBytes = AppEnvironment::readAll(macroFile("Second"));

    EXPECT_TRUE(page().writeLibraryToMouse());
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_FALSE(requestsOf(harness->mouse(), CMD_WRITE_MACROS).empty());

    // The library changes on this side: the second macro is deleted, the first edited.
    selectMacro(1);
    click(mn::kDeleteButton);
    selectMacro(0);
    list().selectItem(0);
    click(mn::kDeleteRowButton);
    ASSERT_NE(AppEnvironment::readAll(macroFile("First")), firstBytes);
    ASSERT_EQ(comboNames(), (QStringList{"First"}));

    // The next connection: the mouse's macros are the truth. The library grows by a new
    // macro for the second one, the combo shows it, and both files are as they were written.
    ASSERT_TRUE(replug());
    EXPECT_EQ(indexNames(), (QStringList{"First", "新建宏1"}));
    EXPECT_EQ(comboNames(), indexNames());
    EXPECT_EQ(AppEnvironment::readAll(macroFile("First")), firstBytes);
    EXPECT_EQ(AppEnvironment::readAll(macroFile("新建宏1")), secondBytes);
    // The macro on show is read again.
    EXPECT_EQ(combo().getCurSel(), 0);
    EXPECT_EQ(list().getCount(), 4);
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(MacroDeviceWindowTest, AnInconsistentImageLeavesTheLibraryUntouched)
{
    writeLibrary({{"First", tap("A", 4, 12)}});
    connect("R210");
    const auto before = snapshot();
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    {
        auto b = image({{{4, 202}, {1, 0}}, {{5, 202}}});
        b[16] = 0xF0;  // macro 0's block lies beyond the image
        cases.push_back({"block outside", b});
    }
    {
        auto b = image({{{4, 202}, {1, 0}}, {{5, 202}}});
        b[b.size() - 6] = 0x40;  // macro 1 claims more actions than the image holds
        cases.push_back({"count too large", b});
    }
    {
        auto b = image({{{4, 202}}, {{5, 202}}, {{6, 202}}});
        b[18] = 2;  // macro 1's block inside the header
        b[19] = 0;
        cases.push_back({"block in the header", b});
    }
    {
        auto b = image({{{4, 202}}});
        b[2] = 8;  // a length shorter than the header
        b[3] = 0;
        cases.push_back({"length too short", b});
    }
    for (const Case& c : cases) {
        putImage(c.bytes);
        ASSERT_TRUE(replug()) << c.what;
        EXPECT_EQ(snapshot(), before) << c.what;
        EXPECT_EQ(comboNames(), (QStringList{"First"})) << c.what;
    }
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(MacroDeviceWindowTest, AnImageOfMoreThanFiftyMacrosFillsTheLibraryToItsLimit)
{
    writeLibrary({{"First", tap("A", 4, 12)}});
    connect("R210");
    std::vector<Block> macros(52, Block{{4, 202}, {3, 0}, {4, 138}, {0, 0}});
    macros[49] = Block{{5, 202}};
    macros[50] = Block{{6, 202}};
    putImage(image(macros));
    ASSERT_TRUE(replug());
    EXPECT_TRUE(waitFor([&] { return !shown.isEmpty(); }));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.last(), limitMessage());
    EXPECT_EQ(indexNames().size(), 50);
    EXPECT_EQ(comboNames(), indexNames());
    EXPECT_EQ(indexNames()[1], QStringLiteral("新建宏1"));
    EXPECT_EQ(linesOf("First"), (std::vector<std::string>{"1,4,202,1,A", "0,3,0,1,A", "1,4,138,0,A", "0,0,0,0,A"}));
    EXPECT_EQ(linesOf("新建宏49"), (std::vector<std::string>{"1,5,202,1,B"}));
    // Nothing of macros 51 and 52 was written anywhere.
    for (const auto& [file, bytes] : snapshot())
        EXPECT_EQ(bytes.find(",6,202,"), std::string::npos) << file;
}

TEST_F(MacroDeviceWindowTest, ALibraryTooLargeForTheMacroAreaIsNotSent)
{
    // With a macro area of one unit (128 bytes): 16 + 6 + 2 * 54 = 130 bytes is one action
    // too many, so the message asks for 2.
    std::vector<std::string> lines;
    for (int i = 0; i < 27; ++i) {
        lines.push_back("1,4,202,1,A");
        lines.push_back("0,1,0,1,A");
    }
    writeLibrary({{"Long", lines}});
    connect("R210");
    {
        std::lock_guard<std::recursive_mutex> guard(wnd().channel().lock());
        wnd().deviceState().DeviceInfo[kInfoMacroCapacity] = 1;
    }
    harness->mouse().frameLog().clear();
    EXPECT_FALSE(page().writeLibraryToMouse());
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.last(), QString::asprintf(kMsgMacroNoSpace, 2));
    EXPECT_TRUE(requestsOf(harness->mouse(), CMD_WRITE_MACROS).empty());
    EXPECT_TRUE(requestsOf(harness->mouse(), CMD_BEGIN).empty());

    // One action fewer fits exactly (128 bytes) and is sent.
    lines.pop_back();
    ASSERT_TRUE(MacroFile::write(macroFile("Long"), lines));
    EXPECT_TRUE(page().writeLibraryToMouse());
    EXPECT_EQ(shown.size(), 1);
    EXPECT_FALSE(requestsOf(harness->mouse(), CMD_WRITE_MACROS).empty());
    std::array<std::uint8_t, 4> head{};
    ASSERT_TRUE(harness->mouse().readMemory(sim::MemoryArea::Macros, 0, head));
    EXPECT_EQ(head[2] | (head[3] << 8), 128);
}

TEST_F(MacroDeviceWindowTest, AnUnplugAnywhereInAMacroWriteKeepsEveryFileAndTheNextConnectionWritesThemAgain)
{
    writeLibrary(bigLibrary());
    connect("R240");
    const auto files = libraryFiles();
    const std::vector<std::uint8_t> packed = MacroImage::pack(MacroImage::readLibrary(folder()));
    ASSERT_EQ(packed.size(), 32316u);
    const int frames = static_cast<int>((packed.size() + kFrameDataSize - 1) / kFrameDataSize);
    ASSERT_EQ(frames, 578);
    // Before each write the mouse holds an older library of the same shape (the same header
    // and offsets, delays where the keys are): a write cut off after its first frames leaves
    // an area that passes every check of a whole image.
    const std::vector<std::uint8_t> older = image(std::vector<Block>(50, Block(320, {9, 0})));
    ASSERT_EQ(older.size(), packed.size());
    ButtonsPage& buttons = *wnd().findFeature<ButtonsPage>();

    // The unplug comes right after the mouse carried out this request of the save and send.
    struct Point {
        std::uint8_t command;
        int n;
    };
    std::vector<Point> points = {{CMD_BEGIN, 1}};
    for (int n : {1, 2, 3, 4, 57, 200, frames / 2, 400, frames - 2, frames - 1, frames})
        points.push_back({CMD_WRITE_MACROS, n});
    points.push_back({CMD_END, 1});
    int kept = 0;
    for (const Point& p : points) {
        SCOPED_TRACE("unplugged at request " + std::to_string(p.n) + " of command " + std::to_string(p.command));
        putImage(older);
        shown.clear();
        sim::VirtualMouse& mouse = harness->mouse();
        auto seen = std::make_shared<int>(0);
        mouse.setRequestHook([&mouse, p, seen](const ReportFrame& frame) {
            if (frame.command() == p.command && ++*seen == p.n)
                mouse.unplug();
        });
        chooseButtonFunction(wnd(), 3, "msmenuscrollupkey", "滚轮向上");
        ASSERT_TRUE(waitFor([&] { return !buttons.isSending() && !wnd().isPresented(); }, 20000));
        mouse.setRequestHook(nullptr);
        EXPECT_TRUE(writeMarked());
        EXPECT_EQ(changedSince(files), std::vector<std::string>{});

        mouse.plug();
        ASSERT_TRUE(waitFor([&] { return wnd().isPresented(); }, 20000));
        const std::vector<std::string> changed = changedSince(files);
        EXPECT_EQ(changed, std::vector<std::string>{});
        if (changed.empty() && libraryFiles().size() == files.size())
            ++kept;
        EXPECT_TRUE(mouseHolds(packed));
        EXPECT_FALSE(writeMarked());
        EXPECT_TRUE(waitFor([&] { return !shown.isEmpty(); }));
        EXPECT_EQ(shown, QStringList{restoredMessage()});
    }
    EXPECT_EQ(kept, static_cast<int>(points.size()));
    std::printf("an unplug at %zu points of a macro write: the files were kept at %d\n", points.size(), kept);
    EXPECT_EQ(comboNames(), indexNames());
}

TEST_F(MacroDeviceWindowTest, AProgramKilledInTheMiddleOfAMacroWriteLeavesItsMarkAndTheNextStartWritesAgain)
{
    writeLibrary(bigLibrary());
    const auto files = libraryFiles();
    const std::vector<std::uint8_t> packed = MacroImage::pack(MacroImage::readLibrary(folder()));

    // The program logs every frame into a pipe that this test reads: once the test stops
    // reading, the program stops at one of the next frames of its macro write, and is killed.
    const std::filesystem::path pipe = env.home() / "frames";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int log = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(log, 0);
    ::fcntl(log, F_SETPIPE_SZ, 4096);
    const std::filesystem::path script = env.home() / "save.script";
    std::ofstream(script) << "wait-connected\nclick ms_rich_Op_tab\nclick ms_key_3\nmenu msmenuscrollupkey\n"
                             "wait-until ms_key_3 enabled on 60000\n";
    const std::filesystem::path runtime = env.home() / "run";
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtime.string());
    ScopedEnv platformEnv("QT_QPA_PLATFORM", std::string("offscreen"));
    ChildProcess program(
        {CORV_APP_EXECUTABLE, "--virtual-mouse=R240", "--frame-log=" + pipe.string(), "--script=" + script.string()});
    ASSERT_TRUE(program.started());

    // The macro frames that reached the mouse, as the log shows them, up to the 100th.
    std::vector<ReportFrame> written;
    std::string pending;
    while (written.size() < 100) {
        pollfd waiting{log, POLLIN, 0};
        ASSERT_EQ(::poll(&waiting, 1, 60000), 1) << "the program wrote no more frames";
        char chunk[4096];
        const ssize_t n = ::read(log, chunk, sizeof chunk);
        ASSERT_GT(n, 0) << "the program ended before its macro write";
        pending.append(chunk, static_cast<std::size_t>(n));
        for (std::size_t end; written.size() < 100 && (end = pending.find('\n')) != std::string::npos;
             pending.erase(0, end + 1)) {
            if (pending.compare(0, 2, "> ") != 0)
                continue;
            ReportFrame frame;
            for (std::size_t i = 0; i < kFrameSize; ++i)
                frame.bytes[i] = static_cast<std::uint8_t>(std::stoul(pending.substr(2 + 3 * i, 2), nullptr, 16));
            if (frame.command() == CMD_WRITE_MACROS)
                written.push_back(frame);
        }
    }
    program.end(SIGKILL);
    ::close(log);
    EXPECT_TRUE(writeMarked());
    EXPECT_EQ(changedSince(files), std::vector<std::string>{});

    // The next start, on the mouse as the killed program left it: the first 100 frames of
    // the new image over an empty area, which would pass for a whole image.
    const auto halfWritten = [&](sim::VirtualMouse& mouse) {
        for (const ReportFrame& f : written)
            ASSERT_TRUE(mouse.writeMemory(sim::MemoryArea::Macros, f.address(),
                                          std::span<const std::uint8_t>(f.data().data(), f.length())));
        EXPECT_TRUE(MacroImage::parse(mouse.memory(sim::MemoryArea::Macros)).has_value());
    };
    connect("R240", halfWritten);
    EXPECT_EQ(changedSince(files), std::vector<std::string>{});
    EXPECT_EQ(libraryFiles().size(), files.size());
    EXPECT_TRUE(mouseHolds(packed));
    EXPECT_FALSE(writeMarked());
    EXPECT_TRUE(waitFor([&] { return !shown.isEmpty(); }));
    EXPECT_EQ(shown, QStringList{restoredMessage()});
}

}  // namespace
}  // namespace corv::test
