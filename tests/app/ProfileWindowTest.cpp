// The profile page in the window on a virtual mouse: the buttons and the menu act on the
// lists, the index and the files; an import is applied; links through the check box are
// checked for duplicates, through the choose button not.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>

#include "AppFixture.h"
#include "ChildProcess.h"
#include "TempFolder.h"
#include "device/DeviceProtocol.h"
#include "platform/FakeForegroundWatcher.h"
#include "platform/IniFile.h"
#include "profiles/page/ProfilePage.h"
#include "ui/ComboControl.h"
#include "ui/FileDialog.h"
#include "ui/MenuWnd.h"
#include "ui/Notification.h"
#include "ui/OptionControl.h"

namespace corv::test {
namespace {

class ProfileWindowTest : public ConnectedWindowTest {
protected:
    void SetUp() override
    {
        ConnectedWindowTest::SetUp();
        ui::setFileDialogResponder([this](const ui::FileDialogRequest&) -> std::optional<QString> {
            if (files.isEmpty())
                return std::nullopt;
            return files.takeFirst();
        });
        answer = QStringLiteral("ok_btn");
    }
    void TearDown() override
    {
        harness.reset();  // before the watcher below goes
        ui::setFileDialogResponder({});
    }

    void writeProfiles(const std::vector<std::string>& names, const std::vector<std::string>& programs = {})
    {
        test::writeProfiles(env, names, programs);
    }
    std::filesystem::path index() const { return env.dataFolder() / "msProfile.ini"; }
    std::string key(const char* section, const std::string& k) { return ini::readString(index(), section, k, "-"); }
    ui::ComboControl list(int i)
    {
        static const char* const names[] = {"ms_DPI_combo_profileSelect", "ms_KEY_combo_profileSelect",
                                            "ms_REG_combo_profileSelect"};
        return ui::ComboControl(ctl(names[i]));
    }
    QStringList items(int i)
    {
        QStringList out;
        for (int j = 0; j < list(i).getCount(); ++j)
            out << list(i).getItemText(j);
        return out;
    }
    void menu(const char* item) { wnd().onMenuCommand({QLatin1String(item), QString(), QString(), false}); }

    QStringList files;  // the answers of the file dialogs, in order
    FakeForegroundWatcher watcher;
};

TEST_F(ProfileWindowTest, ButtonsAndMenuManageTheLibraryInEveryList)
{
    writeProfiles({"新配置文件1", "新配置文件3"});
    connect("R240");
    notify(ui::notify::kClick, "ms_Deng_add_btn");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(items(i), (QStringList{"新配置文件1", "新配置文件3", "新配置文件2"}));
    EXPECT_EQ(list(0).getCurSel(), 2);  // selected and so applied
    EXPECT_EQ(key("PROFILESELECT", "select"), "2");
    EXPECT_EQ(ctl("ms_KEY_edit_maname").getText(), QStringLiteral("新配置文件2"));

    menu("Menu_Copy");
    menu("Menu_Copy");
    EXPECT_EQ(items(1).mid(3), (QStringList{"新配置文件2 copy", "新配置文件2 copy copy"}));

    // Renaming to a name in the list (its own too) says so and changes nothing.
    ctl("ms_REG_edit_maname").setText(QStringLiteral("新配置文件1"));
    notify(ui::notify::kClick, "ms_reg_apply_btn");
    ctl("ms_dpi_edit_maname").setText(QStringLiteral("bad/name"));
    notify(ui::notify::kClick, "ms_dpi_apply_btn");
    EXPECT_EQ(shown, (QStringList{"存在同名的配置，请重新命名", "配置文件名不能用作文件名，请重新命名"}));
    ctl("ms_KEY_edit_maname").setText(QStringLiteral("Racing"));
    notify(ui::notify::kClick, "ms_Key_apply_btn");
    EXPECT_EQ(shown.size(), 2);
    const int sel = list(0).getCurSel();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list(i).getItemUserData(sel), QStringLiteral("Racing"));
    EXPECT_TRUE(std::filesystem::exists(env.dataFolder() / "Racing.pro"));
    EXPECT_EQ(key("PROFILENAME", std::to_string(sel)), "Racing");

    // Delete down to one profile; the last one stays.
    for (int n = list(0).getCount(); n > 1; --n)
        notify(ui::notify::kClick, "ms_Deng_delete_btn");
    shown.clear();
    notify(ui::notify::kClick, "ms_Deng_delete_btn");
    EXPECT_EQ(shown, (QStringList{"必须保留一个配置文件"}));
    EXPECT_EQ(list(2).getCount(), 1);
    EXPECT_EQ(key("PROFILECOUNT", "count"), "1");
}

TEST_F(ProfileWindowTest, DeletingAProfileKeepsTheOthersLinked)
{
    writeProfiles({"p0", "p1", "p2"}, {"/usr/bin/zero", "/usr/bin/one", "/usr/bin/two"});
    connect("R210");
    list(1).selectItem(1);
    notify(ui::notify::kClick, "ms_Deng_delete_btn");
    EXPECT_EQ(items(0), (QStringList{"p0", "p2"}));
    EXPECT_EQ(key("PROFILELIKEEXE", "0"), "1");
    EXPECT_EQ(key("PROCESS", "0"), "/usr/bin/zero");
    EXPECT_EQ(key("PROFILELIKEEXE", "1"), "1");
    EXPECT_EQ(key("PROCESS", "1"), "/usr/bin/two");
    // The last profile was selected and applied: its link is shown.
    EXPECT_EQ(list(2).getCurSel(), 1);
    EXPECT_EQ(ctl("ms_DPI_edit_cxname").getText(), QStringLiteral("two"));
}

TEST_F(ProfileWindowTest, AnImportIsAppliedAndAnExportCopiesTheFile)
{
    writeProfiles({"p0", "p1"});
    connect("R210");
    const auto imported = env.home() / "imported.pro";
    std::filesystem::copy_file(env.resources() / "default.pro", imported);
    ini::writeString(imported, "Setting", "LED14", "2");  // report rate 500 Hz
    list(1).selectItem(0);
    harness->mouse().frameLog().clear();
    files << QString::fromStdString(imported.string());
    menu("Menu_Import");
    EXPECT_EQ(ini::readString(env.dataFolder() / "p0.pro", "Setting", "LED14", ""), "2");
    // Applied: the whole settings record went to the mouse with the imported byte.
    bool sent = false;
    for (const ReportFrame& f : requestsOf(harness->mouse(), CMD_WRITE_SETTINGS))
        sent = sent || (f.length() == 56 && f.data()[14] == 2);
    EXPECT_TRUE(sent);
    EXPECT_EQ(list(1).getCurSel(), 0);

    const auto exported = env.home() / "out.pro";
    files << QString::fromStdString(exported.string());
    menu("Menu_Export");
    EXPECT_EQ(AppEnvironment::readAll(exported), AppEnvironment::readAll(env.dataFolder() / "p0.pro"));
    menu("Menu_Export");  // cancelled: nothing happens
}

TEST_F(ProfileWindowTest, TheCheckBoxRefusesAProgramLinkedElsewhereTheChooseButtonDoesNot)
{
    writeProfiles({"p0", "p1", "p2", "p3"}, {"", "", "", "/opt/Games/X"});
    connect("R210");
    list(0).selectItem(1);
    files << QStringLiteral("/opt/games/x");  // the same program, in another case
    ui::OptionControl(ctl("ms_DPI_write_lian")).setSelected(true, true);
    EXPECT_EQ(shown.last(), QStringLiteral("另一个配置文件已链接到同一程序,请选择其他程序"));
    EXPECT_FALSE(ui::OptionControl(ctl("ms_Key_write_lian")).isSelected());
    EXPECT_EQ(key("PROFILELIKEEXE", "1"), "0");

    files << QStringLiteral("/usr/games/tetris");
    ui::OptionControl(ctl("ms_Key_write_lian")).setSelected(true, true);
    EXPECT_EQ(key("PROFILELIKEEXE", "1"), "1");
    EXPECT_EQ(key("PROCESS", "1"), "/usr/games/tetris");
    EXPECT_EQ(ctl("ms_REG_edit_cxname").getText(), QStringLiteral("tetris"));
    EXPECT_TRUE(ctl("ms_DPI_Layout_cxname").isVisible());

    const auto messages = shown.size();
    files << QStringLiteral("/opt/Games/X");
    notify(ui::notify::kClick, "ms_REG_btn_cxname");
    menu("Menu_ProgramFile");
    EXPECT_EQ(shown.size(), messages);
    EXPECT_EQ(key("PROCESS", "1"), "/opt/Games/X");
    EXPECT_EQ(ctl("ms_Key_edit_cxname").getText(), QStringLiteral("X"));

    ui::OptionControl(ctl("ms_REG_write_lian")).setSelected(false, true);
    EXPECT_EQ(key("PROFILELIKEEXE", "1"), "0");
    EXPECT_FALSE(ctl("ms_Key_Layout_cxname").isVisible());
}

TEST_F(ProfileWindowTest, TheProgramInFrontAppliesItsProfileAndTheUsersChoiceComesBack)
{
    foreground = &watcher;
    writeProfiles({"p0", "p1", "p2"}, {"", "/usr/games/racer", ""});
    ini::writeString(index(), "PROFILELIKEEXE", "2", "1");
    ini::writeString(index(), "PROCESS", "2", "/usr/games/RACER");  // a second link: the lower index wins
    ini::writeString(env.dataFolder() / "p1.pro", "Setting", "LED14", "1");
    connect("R210");
    ASSERT_TRUE(harness->wnd().findFeature<ProfilePage>()->switchesByProgram());
    EXPECT_EQ(list(0).getCurSel(), 0);

    harness->mouse().frameLog().clear();
    watcher.announce("/usr/games/Racer");
    EXPECT_EQ(list(0).getCurSel(), 1);
    EXPECT_EQ(list(2).getCurSel(), 1);
    bool sent = false;  // profile 1's record went to the mouse
    for (const ReportFrame& f : requestsOf(harness->mouse(), CMD_WRITE_SETTINGS))
        sent = sent || (f.length() == 56 && f.data()[14] == 1);
    EXPECT_TRUE(sent);
    EXPECT_EQ(key("PROFILESELECT", "select"), "0");  // the user's choice stays
    // The page says which of the two links applies.
    EXPECT_EQ(ctl("ms_DPI_edit_cxname").widget()->toolTip(),
              QString::fromUtf8(ProfilePage::kMsgSeveralLinks).arg(QStringLiteral("p1")));

    watcher.announce("/usr/bin/editor");
    EXPECT_EQ(list(0).getCurSel(), 0);
    EXPECT_TRUE(ctl("ms_DPI_edit_cxname").widget()->toolTip().isEmpty());
    EXPECT_EQ(key("PROFILESELECT", "select"), "0");
    // The same program again, or no program, changes nothing.
    harness->mouse().frameLog().clear();
    watcher.announce("/usr/bin/editor");
    watcher.announce("");
    EXPECT_TRUE(requestsOf(harness->mouse(), CMD_WRITE_SETTINGS).empty());

    // No program in front (the desktop, the last window closed) links to nothing: the
    // user's choice comes back after a linked program.
    watcher.announce("/usr/games/Racer");
    EXPECT_EQ(list(0).getCurSel(), 1);
    watcher.announce(ForegroundProgram{});
    EXPECT_EQ(list(0).getCurSel(), 0);
    // A desktop that names only an app id (no pid, no path): matched against the linked
    // file's name without regard to case. With a pid whose executable could not be read,
    // the app id alone links nothing.
    watcher.announce(ForegroundProgram{"", 0, "racer"});
    EXPECT_EQ(list(0).getCurSel(), 1);
    watcher.announce(ForegroundProgram{"", 4242, "racer"});
    EXPECT_EQ(list(0).getCurSel(), 0);
    EXPECT_EQ(key("PROFILESELECT", "select"), "0");
}

// The choose button's "running programs": a Windows game run by Wine's loader (here a copy
// of sleep under the loader's name, told its Windows path as Wine tells it) is offered by
// name, and picking it links the profile to the game, not to the loader.
TEST_F(ProfileWindowTest, ARunningWindowsGameCanBeLinkedFromTheChooseMenu)
{
    TempFolder bin;
    const std::filesystem::path loader = bin / "wine64-preloader";
    std::filesystem::copy_file("/bin/sleep", loader);
    std::filesystem::permissions(loader, std::filesystem::perms::owner_all);
    ChildProcess game({"Z:\\tmp\\games\\Racer\\Racer.exe", "1000"}, -1, loader.string());
    ASSERT_TRUE(game.started());
    writeProfiles({"p0", "p1"});
    connect("R210");

    notify(ui::notify::kClick, "ms_DPI_btn_cxname");
    menu("Menu_RunningPrograms");
    auto* running = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(running, nullptr);
    QString item;
    for (QAction* action : running->actions())
        item = action->text() == QStringLiteral("Racer.exe") ? action->objectName() : item;
    ASSERT_FALSE(item.isEmpty());
    ASSERT_TRUE(ui::MenuWnd::triggerItem(running, item));
    EXPECT_EQ(key("PROCESS", "0"), "/tmp/games/Racer/Racer.exe");
    EXPECT_EQ(key("PROFILELIKEEXE", "0"), "1");
    EXPECT_EQ(ctl("ms_DPI_edit_cxname").getText(), QStringLiteral("Racer.exe"));
    running->close();
}

TEST_F(ProfileWindowTest, WithoutAWatcherLinksAreKeptAndTheUserIsToldOnce)
{
    writeProfiles({"p0", "p1"});
    connect("R210");
    files << QStringLiteral("/usr/games/racer") << QStringLiteral("/usr/games/other");
    ui::OptionControl(ctl("ms_DPI_write_lian")).setSelected(true, true);
    notify(ui::notify::kClick, "ms_DPI_btn_cxname");
    menu("Menu_ProgramFile");
    EXPECT_EQ(shown, (QStringList{QString::fromUtf8(ProfilePage::kNoSwitchingText)}));
    EXPECT_EQ(key("PROCESS", "0"), "/usr/games/other");
}

TEST_F(ProfileWindowTest, AWatcherWaitingForADesktopExtensionSaysOnceHowToEnableIt)
{
    foreground = &watcher;
    watcher.setMissingExtension("program-in-front@corvalantis.org");
    writeProfiles({"p0", "p1"});
    connect("R210");
    ASSERT_TRUE(harness->wnd().findFeature<ProfilePage>()->switchesByProgram());
    files << QStringLiteral("/usr/games/racer") << QStringLiteral("/usr/games/other");
    ui::OptionControl(ctl("ms_DPI_write_lian")).setSelected(true, true);
    notify(ui::notify::kClick, "ms_DPI_btn_cxname");
    menu("Menu_ProgramFile");
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("桌面扩展 program-in-front@corvalantis.org 未启用")));
    EXPECT_TRUE(shown[0].endsWith(QStringLiteral("gnome-extensions enable program-in-front@corvalantis.org")));
    EXPECT_EQ(key("PROCESS", "0"), "/usr/games/other");

    // Said once: another link says nothing.
    list(0).selectItem(1);
    files << QStringLiteral("/usr/games/third");
    notify(ui::notify::kClick, "ms_DPI_btn_cxname");
    menu("Menu_ProgramFile");
    EXPECT_EQ(key("PROCESS", "1"), "/usr/games/third");
    EXPECT_EQ(shown.size(), 1);
}

}  // namespace
}  // namespace corv::test
