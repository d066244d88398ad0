// The button page on a connected virtual mouse: menu choices labelled, stored under the
// left-click rule and saved and sent (macro image, the record's block, KEY0..KEY8), the
// single-key and macro windows (also cancelled), a library too large for the mouse stopping
// the block, and the page locked while a transfer runs.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include "AppFixture.h"
#include "buttons/page/ButtonsPage.h"
#include "buttons/page/MacroChoiceWindow.h"
#include "buttons/page/SingleKeyWindow.h"
#include "device/DeviceProtocol.h"
#include "macros/MacroFile.h"
#include "platform/FakeKeyboardSource.h"
#include "platform/IniFile.h"
#include "platform/KeyboardHook.h"
#include "profiles/page/ProfilePage.h"
#include "ui/ComboControl.h"
#include "ui/ListControl.h"
#include "ui/SliderControl.h"

namespace corv::test {
namespace {

void markRecords(sim::VirtualMouse& mouse);

class ButtonWindowTest : public ConnectedWindowTest {
protected:
    void SetUp() override
    {
        ConnectedWindowTest::SetUp();
        answer = QStringLiteral("confirm_btn");
        KeyboardHook::useSource(&keyboard);
    }
    void TearDown() override
    {
        harness.reset();
        KeyboardHook::useSource(nullptr);
    }
    void start(const MacroList& macros = {})
    {
        if (!macros.empty())
            writeMacros(env, macros);
        connect("R210");
        ASSERT_TRUE(wnd().isPresented());
        profile = env.dataFolder() / "新配置文件1.pro";
        harness->mouse().frameLog().clear();
    }
    ButtonsPage& page() { return *wnd().findFeature<ButtonsPage>(); }
    void choose(int button, const char* item, const char* text = "")
    {
        chooseButtonFunction(wnd(), button, item, text);
        ASSERT_TRUE(waitFor([&] { return !page().isSending(); }, 20000));
    }
    ButtonAssignment assigned(int n)
    {
        std::lock_guard<std::recursive_mutex> guard(wnd().channel().lock());
        return ButtonAssignment::of(wnd().deviceState().ButtonImage[0], static_cast<std::size_t>(n));
    }
    QString label(int n) { return ctl(("ms_key_" + std::to_string(n)).c_str()).getText(); }
    std::string key(int n) { return ini::readString(profile, "Setting", "KEY" + std::to_string(n), "missing"); }
    std::vector<std::uint8_t> commands()
    {
        std::vector<std::uint8_t> out;
        for (const ReportFrame& f : harness->mouse().frameLog().frames(FrameDirection::Request))
            if (f.command() == CMD_BEGIN || f.command() == CMD_END || f.command() == CMD_WRITE_BUTTONS ||
                f.command() == CMD_WRITE_MACROS)
                out.push_back(f.command());
        return out;
    }
    // Clicks a button of the modal window that opens next, after the actions.
    void whenWindowOpens(const char* button, std::function<void()> actions = {})
    {
        QTimer::singleShot(0, [this, button, actions] {
            ASSERT_TRUE(waitFor([&] { return findButton(button, false) != nullptr; }));
            if (actions)
                actions();
            QAbstractButton* b = findButton(button, true);
            ASSERT_NE(b, nullptr) << button << " is not shown";
            b->click();
        });
    }
    static QAbstractButton* findButton(const char* name, bool shown)
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto* b = w->findChild<QAbstractButton*>(QString::fromUtf8(name));
                b != nullptr && (!shown || b->isVisible()))
                return b;
        }
        return nullptr;
    }

    // Clicks the button of onboard record r and waits until the mouse uses it and the page
    // shows it (button 8 labelled as expected: the marks of markRecords by default).
    void chooseRecord(int r, QString button8 = {})
    {
        if (button8.isEmpty())
            button8 = QString(QChar('A' + r));
        notify(ui::notify::kClick, ("ms_profile_" + std::to_string(r)).c_str());
        ASSERT_TRUE(waitFor([&] { return harness->mouse().activeRecord() == r && label(8) == button8; }))
            << "record " << r << ": button 8 shows " << label(8).toStdString();
    }

    // Records 1 to 4 show the mouse's own buttons; a change in one of them writes its block
    // with every other byte as the mouse had it, and after a re-plug the first record still
    // has its left click.
    void checkOnboardRecords(const char* model)
    {
        connect(model);
        profile = env.dataFolder() / "新配置文件1.pro";
        markRecords(harness->mouse());
        ASSERT_TRUE(replug());
        for (int r = 1; r < 5; ++r) {
            chooseRecord(r);
            EXPECT_EQ(label(8), QString(QChar('A' + r)));
            EXPECT_EQ(label(0), QStringLiteral("左键"));
            EXPECT_EQ(label(2), QStringLiteral("右键"));
        }
        chooseRecord(2);
        const auto before = harness->mouse().buttonBlock(2);
        choose(3, "msmenuscrollupkey", "滚轮向上");
        const auto after = harness->mouse().buttonBlock(2);
        EXPECT_EQ(ButtonAssignment::of(after, 3), (ButtonAssignment{0x12, 1, 0}));
        auto expected = before;
        ButtonAssignment{0x12, 1, 0}.storeIn(expected, 3);
        EXPECT_EQ(after, expected);  // every other byte of the block as the mouse had it
        EXPECT_EQ(key(0), "16,1,0");
        EXPECT_EQ(key(3), "18,1,0");
        EXPECT_EQ(key(8), "32,0,6");

        // Plugged in again, the profile goes to the first record: with the left click.
        ASSERT_TRUE(replug());
        EXPECT_TRUE(ButtonAssignment::of(harness->mouse().buttonBlock(0), 0).isLeftClick());
        EXPECT_EQ(harness->mouse().buttonBlock(2), after);
    }

    std::filesystem::path profile;
    FakeKeyboardSource keyboard;
};

TEST_F(ButtonWindowTest, AMenuChoiceIsLabelledStoredAndSentWithTheProfileKeys)
{
    start({{"M", {"1,4,202,1,A", "0,1,0,1,A"}}});
    choose(2, "msmenutwoleftkey", "双击");
    EXPECT_EQ(assigned(2), (ButtonAssignment{0x14, 50, 2}));
    EXPECT_EQ(label(2), QStringLiteral("双击"));
    EXPECT_EQ(ctl("ms_key_2").widget()->toolTip(), QStringLiteral("双击"));
    // The macros, then the record's block (three chunks), each between BEGIN and END.
    EXPECT_EQ(commands(), (std::vector<std::uint8_t>{CMD_BEGIN, CMD_WRITE_MACROS, CMD_END, CMD_BEGIN, CMD_WRITE_BUTTONS,
                                                     CMD_WRITE_BUTTONS, CMD_WRITE_BUTTONS, CMD_END}));
    EXPECT_EQ(harness->mouse().buttonBlock(0)[6], 0x14);
    EXPECT_EQ(key(2), "20,50,2");
    EXPECT_EQ(key(0), "16,1,0");
    EXPECT_FALSE(page().isLocked());
    EXPECT_FALSE(ctl("ms_key_progress").isVisible());
    EXPECT_EQ(ui::SliderControl(ctl("ms_key_progress")).getValue(), 3);  // every part was done
}

TEST_F(ButtonWindowTest, TheOnlyLeftClickStaysUntilAnotherButtonHasOne)
{
    start();
    choose(0, "msmenuoffkey", "按钮关闭");
    EXPECT_EQ(shown.back(), QString::fromUtf8(ButtonsPage::kMsgKeepLeftClick));
    EXPECT_TRUE(assigned(0).isLeftClick());
    EXPECT_EQ(label(0), QStringLiteral("左键"));
    EXPECT_EQ(key(0), "16,1,0");  // still saved and sent, unchanged
    choose(2, "msmenuleftkey", "左键");
    choose(0, "msmenurightkey", "右键");
    EXPECT_EQ(assigned(0), (ButtonAssignment{0x10, 2, 0}));
    EXPECT_EQ(key(0), "16,2,0");
    // Now button 2 holds the only left click.
    shown.clear();
    choose(2, "msmenuleftkey", "左键");
    EXPECT_EQ(shown.size(), 1);
}

TEST_F(ButtonWindowTest, TheSingleKeyWindowGivesAKeyAndCancellingStillSends)
{
    start();
    whenWindowOpens(SingleKeyWindow::kSaveButton, [this] {
        keyboard.press(0x74);
        keyboard.release(0x74);
    });
    choose(3, "msmenusinglekey");
    EXPECT_EQ(assigned(3), (ButtonAssignment{0x20, 0, 0x3E}));
    EXPECT_EQ(label(3), QStringLiteral("F5"));
    EXPECT_EQ(key(3), "32,0,62");
    EXPECT_EQ(keyboard.listening(), KeyboardSource::Listen::Off);

    harness->mouse().frameLog().clear();
    whenWindowOpens(SingleKeyWindow::kCancelButton, [this] { keyboard.press(0x41); });
    choose(3, "msmenusinglekey");
    EXPECT_EQ(assigned(3), (ButtonAssignment{0x20, 0, 0x3E}));
    EXPECT_EQ(label(3), QStringLiteral("F5"));
    const std::vector<std::uint8_t> sent = commands();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), CMD_WRITE_BUTTONS), 3);
}

TEST_F(ButtonWindowTest, TheMacroWindowGivesTheChosenIndexAndALibraryTooLargeStopsTheBlock)
{
    start({{"One", {"1,4,202,1,A", "0,1,0,1,A"}},
           {"Two", {"1,5,202,1,B", "0,1,0,1,B"}},
           {"Three", {"1,6,202,1,C", "0,1,0,1,C"}}});
    whenWindowOpens(MacroChoiceWindow::kSaveButton, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* combo = w->findChild<QWidget*>(QString::fromUtf8(MacroChoiceWindow::kMacroCombo));
                combo && w->isVisible())
                ui::ComboControl(ui::Control(combo)).selectItem(2);
    });
    choose(4, "msmenumacrokey");
    EXPECT_EQ(assigned(4), (ButtonAssignment{0x70, 2, 0}));
    EXPECT_EQ(label(4), QStringLiteral("Three"));
    EXPECT_EQ(key(4), "112,2,0");

    // Saving with nothing selected is a cancel: nothing changes, everything is sent again.
    whenWindowOpens(MacroChoiceWindow::kSaveButton);
    choose(4, "msmenumacrokey");
    EXPECT_EQ(assigned(4), (ButtonAssignment{0x70, 2, 0}));

    // A library the mouse cannot hold: its message, and neither the block nor the keys.
    std::vector<std::string> huge;
    for (int i = 0; i < 20000; ++i)
        huge.push_back(i % 2 == 0 ? "1,4,202,1,A" : "0,1,0,1,A");
    ASSERT_TRUE(MacroFile::write(env.dataFolder() / "Two.mac", huge));
    harness->mouse().frameLog().clear();
    shown.clear();
    choose(5, "msmenuscrollupkey", "滚轮向上");
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("硬件空间不足")));
    EXPECT_TRUE(commands().empty());
    EXPECT_NE(key(5), "18,1,0");
    EXPECT_EQ(label(5), QStringLiteral("滚轮向上"));  // the page shows what was chosen
}

TEST_F(ButtonWindowTest, LabelsFollowTheRecordAndUnknownFunctionsKeepTheirLabel)
{
    start({{"Only", {"1,4,202,1,A", "0,1,0,1,A"}}});
    {
        std::lock_guard<std::recursive_mutex> guard(wnd().channel().lock());
        auto& block = wnd().deviceState().ButtonImage[0];
        ButtonAssignment{0x20, 0x01, 0}.storeIn(block, 1);  // LCtrl
        ButtonAssignment{0x20, 0, 0x32}.storeIn(block, 2);  // no key of the table
        ButtonAssignment{0x71, 0, 9}.storeIn(block, 3);     // the second macro kind
        ButtonAssignment{0x70, 1, 0}.storeIn(block, 4);     // beyond the library
        ButtonAssignment{0x05, 0, 0}.storeIn(block, 5);
    }
    ctl("ms_key_2").setText(QStringLiteral("before"));
    ctl("ms_key_4").setText(QStringLiteral("before"));
    wnd().refreshSettings();
    EXPECT_EQ(label(1), QStringLiteral("LCtrl"));
    EXPECT_EQ(label(2), QStringLiteral("before"));
    EXPECT_EQ(label(3), QStringLiteral("Only"));
    EXPECT_EQ(label(4), QStringLiteral("before"));
    EXPECT_EQ(label(5), QStringLiteral("按钮关闭"));
}

TEST_F(ButtonWindowTest, DeletingAMacroInUseAsksAndRenumbersEveryButtonThePlainDeleteDoesNot)
{
    start({{"One", {"1,4,202,1,A", "0,1,0,1,A"}},
           {"Two", {"1,5,202,1,B", "0,1,0,1,B"}},
           {"Three", {"1,6,202,1,C", "0,1,0,1,C"}},
           {"Four", {"1,7,202,1,D", "0,1,0,1,D"}}});
    ui::ListControl names(ctl("ms_MacroName_list"));
    ASSERT_EQ(names.getCount(), 4);
    ButtonAssignment defaultOf6;
    {
        std::lock_guard<std::recursive_mutex> guard(wnd().channel().lock());
        auto& state = wnd().deviceState();
        defaultOf6 = defaultAssignment(state.DefaultButtonTable, 6);
        ButtonAssignment{0x70, 2, 0}.storeIn(state.ButtonImage[0], 7);  // Three, on a button past 5
        ButtonAssignment{0x71, 1, 0}.storeIn(state.ButtonImage[0], 6);  // Two
        ButtonAssignment{0x70, 3, 0}.storeIn(state.ButtonImage[3], 8);  // Four, in another record
    }

    // Refused: nothing changes.
    answer = QStringLiteral("cancel_btn");
    names.selectItem(1);
    notify(ui::notify::kClick, "ms_macro_btn_name_sub");
    EXPECT_EQ(shown.back(), QString::fromUtf8(ButtonsPage::kMsgMacroInUse));
    EXPECT_EQ(assigned(6), (ButtonAssignment{0x71, 1, 0}));
    EXPECT_EQ(names.getCount(), 4);

    answer = QStringLiteral("confirm_btn");
    notify(ui::notify::kClick, "ms_macro_btn_name_sub");
    EXPECT_EQ(assigned(6), defaultOf6);
    EXPECT_EQ(assigned(7), (ButtonAssignment{0x70, 1, 0}));
    {
        std::lock_guard<std::recursive_mutex> guard(wnd().channel().lock());
        EXPECT_EQ(ButtonAssignment::of(wnd().deviceState().ButtonImage[3], 8), (ButtonAssignment{0x70, 2, 0}));
    }
    EXPECT_EQ(label(7), QStringLiteral("Three"));
    // The library, the name list and the macro page's combo all lost "Two".
    EXPECT_FALSE(std::filesystem::exists(env.dataFolder() / "Two.mac"));
    ASSERT_EQ(names.getCount(), 3);
    EXPECT_EQ(names.getItemText(1), QStringLiteral("Three"));
    ui::ComboControl combo(ctl("ms_marco_combo_profileSelect"));
    ASSERT_EQ(combo.getCount(), 3);
    EXPECT_EQ(combo.getItemText(1), QStringLiteral("Three"));

    // The macro page's own delete leaves the buttons as they are.
    combo.selectItem(0);
    notify(ui::notify::kClick, "ms_macro_delete_btn");
    EXPECT_EQ(assigned(7), (ButtonAssignment{0x70, 1, 0}));
    EXPECT_EQ(names.getCount(), 2);
    EXPECT_EQ(label(7), QStringLiteral("Four"));  // the label follows the library
}

// Each record's block in the mouse gets a key of its own on button 8 (A for record 0, B for
// record 1, ...) and bytes of the mouse's own past the nine buttons.
void markRecords(sim::VirtualMouse& mouse)
{
    for (std::size_t r = 0; r < 5; ++r) {
        const std::array<std::uint8_t, 3> key{0x20, 0, static_cast<std::uint8_t>(0x04 + r)};
        ASSERT_TRUE(mouse.writeMemory(sim::MemoryArea::Buttons, r * 126 + 24, key));
        const std::array<std::uint8_t, 3> held{static_cast<std::uint8_t>(0xA0 + r), 0x5A, 0xC3};
        ASSERT_TRUE(mouse.writeMemory(sim::MemoryArea::Buttons, r * 126 + 60, held));
    }
}

TEST_F(ButtonWindowTest, EveryOnboardRecordShowsAndKeepsTheMousesOwnBlockR210) { checkOnboardRecords("R210"); }
TEST_F(ButtonWindowTest, EveryOnboardRecordShowsAndKeepsTheMousesOwnBlockR240) { checkOnboardRecords("R240"); }

TEST_F(ButtonWindowTest, ARecordWhoseBlockCannotBeReadStaysLockedAndIsNeverWritten)
{
    start();
    markRecords(harness->mouse());
    // Every read of block 2 loses its second frame to an error status.
    {
        std::lock_guard<std::recursive_mutex> guard(wnd().channel().lock());
        wnd().channel().setFrameObserver([this](FrameDirection d, const ReportFrame& f) {
            if (d == FrameDirection::Request && f.command() == CMD_READ_BUTTONS && f.address() == 2 * 126)
                harness->mouseWithoutWaiting().failNextRequests(1);
        });
    }
    ASSERT_TRUE(replug());
    const std::string keysBefore = AppEnvironment::readAll(profile);
    chooseRecord(2, QString::fromUtf8(ButtonsPage::kNotReadLabel));
    EXPECT_TRUE(page().isLocked());
    EXPECT_TRUE(ctl("ms_key_record_note").isVisible());
    EXPECT_EQ(ctl("ms_key_record_note").getText(), QString::fromUtf8(ButtonsPage::kRecordNotReadText));
    EXPECT_FALSE(ctl("ms_key_3").isEnabled());
    EXPECT_FALSE(ctl("ms_key_butt_prosave").isEnabled());

    // Whatever reaches the page, nothing is chosen, stored or sent.
    harness->mouse().frameLog().clear();
    notify(ui::notify::kClick, "ms_key_3");
    notify(ui::notify::kClick, "ms_key_butt_prosave");
    notify(ui::notify::kClick, "ms_key_butt_keydefalut");
    page().chooseFixed({0x12, 1, 0}, QStringLiteral("滚轮向上"));
    EXPECT_FALSE(page().isSending());
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(AppEnvironment::readAll(profile), keysBefore);
    for (int n = 0; n < 9; ++n)
        EXPECT_EQ(label(n), QString::fromUtf8(ButtonsPage::kNotReadLabel)) << n;

    // Once the block can be read, choosing the record again shows it.
    {
        std::lock_guard<std::recursive_mutex> guard(wnd().channel().lock());
        wnd().channel().setFrameObserver(nullptr);
    }
    chooseRecord(1);
    chooseRecord(2);
    EXPECT_FALSE(page().isLocked());
    EXPECT_FALSE(ctl("ms_key_record_note").isVisible());
    EXPECT_TRUE(ctl("ms_key_3").isEnabled());
}

TEST_F(ButtonWindowTest, AProfileWithoutALeftClickGetsItBackOnceBeforeItReachesTheMouse)
{
    writeProfiles(env, {"Good", "Broken"});
    const std::filesystem::path broken = env.dataFolder() / "Broken.pro";
    for (int n = 0; n < 9; ++n)
        ASSERT_TRUE(ini::writeString(broken, "Setting", "KEY" + std::to_string(n), n == 4 ? "18,1,0" : "0,0,0"));
    connect("R240");
    ui::ComboControl(ctl("ms_KEY_combo_profileSelect")).selectItem(1);
    ASSERT_TRUE(waitFor([&] { return shown.contains(QString::fromUtf8(ProfilePage::kMsgLeftClickRestored)); }));
    EXPECT_EQ(shown.count(QString::fromUtf8(ProfilePage::kMsgLeftClickRestored)), 1);
    EXPECT_EQ(ini::readString(broken, "Setting", "KEY0", ""), "16,1,0");
    EXPECT_EQ(ini::readString(broken, "Setting", "KEY4", ""), "18,1,0");
    const auto block = harness->mouse().buttonBlock(0);
    EXPECT_TRUE(ButtonAssignment::of(block, 0).isLeftClick());
    EXPECT_EQ(ButtonAssignment::of(block, 4), (ButtonAssignment{0x12, 1, 0}));
    EXPECT_EQ(label(0), QStringLiteral("左键"));

    // Mended in the file: applied again, it says nothing more.
    shown.clear();
    ui::ComboControl(ctl("ms_KEY_combo_profileSelect")).selectItem(0);
    ui::ComboControl(ctl("ms_KEY_combo_profileSelect")).selectItem(1);
    EXPECT_TRUE(ButtonAssignment::of(harness->mouse().buttonBlock(0), 0).isLeftClick());
    EXPECT_FALSE(shown.contains(QString::fromUtf8(ProfilePage::kMsgLeftClickRestored)));
}

}  // namespace
}  // namespace corv::test
