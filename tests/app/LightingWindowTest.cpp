// The lighting page in the window, on a connected virtual mouse: zones, effects and their
// parameter groups, levels, directions, colours, the seven-colour flags, lights off, the
// reset, the page redrawn from the mouse's state, and the custom palette with .COL files.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <optional>

#include "AppFixture.h"
#include "feature/WindowMessages.h"
#include "lighting/LightingPage.h"
#include "platform/AtomicFile.h"
#include "platform/IniFile.h"
#include "ui/ComboControl.h"
#include "ui/FileDialog.h"
#include "ui/MultiColorControl.h"
#include "ui/Notification.h"
#include "ui/OptionControl.h"
#include "ui/SliderControl.h"

namespace corv::test {
namespace {

using ui::notify::kClick;
using ui::notify::kItemSelect;
using ui::notify::kSelectChanged;
using ui::notify::kTextChanged;
using ui::notify::kValueChanged;

class LightingWindowTest : public ConnectedWindowTest {
protected:
    void SetUp() override
    {
        ConnectedWindowTest::SetUp();
        answer = QStringLiteral("confirm_btn");
        connect(model());
        ASSERT_TRUE(wnd().isPresented());
        profile = env.dataFolder() / "新配置文件1.pro";
        harness->mouse().frameLog().clear();
    }
    void TearDown() override { ui::setFileDialogResponder({}); }
    virtual const char* model() const { return "R240"; }

    LightingPage& page() { return *wnd().findFeature<LightingPage>(); }
    void click(const char* name) { notify(kClick, name); }
    std::string key(const std::string& k, const char* section = "Setting")
    {
        return ini::readString(profile, section, k, "missing");
    }
    std::uint8_t sent(std::size_t n) { return harness->mouse().settingsRecord(0)[n]; }
    std::uint8_t& current(std::size_t n) { return wnd().deviceState().CurrentSettings[n]; }
    std::vector<ReportFrame> writes() { return requestsOf(harness->mouse(), CMD_WRITE_SETTINGS); }
    // The addresses of the settings writes since the log was cleared, in order.
    std::vector<int> writtenAddresses()
    {
        std::vector<int> out;
        for (const ReportFrame& f : writes())
            out.push_back(f.address());
        return out;
    }
    bool wrote(int address)
    {
        const auto a = writtenAddresses();
        return std::find(a.begin(), a.end(), address) != a.end();
    }
    void selectMain(int m) { ui::ComboControl(ctl("ms_dengxiao_combo_modeSelect")).selectItem(m); }
    void selectWheel(int w) { ui::ComboControl(ctl("ms_dengxiao_wheel_combo_modeSelect")).selectItem(w); }
    void zone(int z)
    {
        static const char* options[] = {"ms_Deng_All", "ms_Deng_bar", "ms_Deng_Wheel"};
        ui::OptionControl(ctl(options[z])).setSelected(true, true);
    }
    void slide(const char* slider, int value)
    {
        ui::SliderControl(ctl(slider)).setValue(value);
        notify(kValueChanged, slider);
    }
    void type(const char* edit, const QString& text)
    {
        ctl(edit).setText(text);
        notify(kTextChanged, edit);
    }
    // The next file dialogs take these answers in turn (nothing: cancelled); later ones cancel.
    void answerFiles(std::vector<std::optional<QString>> answers)
    {
        auto queue = std::make_shared<std::vector<std::optional<QString>>>(std::move(answers));
        auto next = std::make_shared<std::size_t>(0);
        ui::setFileDialogResponder([queue, next](const ui::FileDialogRequest&) {
            return *next < queue->size() ? (*queue)[(*next)++] : std::optional<QString>();
        });
    }
    ui::MultiColorControl bars() { return ui::MultiColorControl(ctl("Pallet123")); }
    std::vector<std::uint8_t> colourTable() { return harness->mouse().memory(sim::MemoryArea::Colors); }

    std::filesystem::path profile;
};

TEST_F(LightingWindowTest, SlidersSnapToThreeLevelsAndSpeedIsStoredReversed)
{
    zone(0);
    const struct {
        int value, snapped, level;
    } cases[] = {{24, 0, 0}, {25, 50, 1}, {75, 50, 1}, {76, 100, 2}};
    for (const auto& c : cases) {
        slide("ms_deng_light_slider", c.value);
        EXPECT_EQ(ui::SliderControl(ctl("ms_deng_light_slider")).getValue(), c.snapped) << c.value;
        EXPECT_EQ(key("LED2"), std::to_string(c.level)) << c.value;
        EXPECT_EQ(sent(2), c.level) << c.value;
        EXPECT_EQ(current(2), c.level) << c.value;
    }
    slide("ms_deng_speed_slider", 100);
    EXPECT_EQ(key("LED3"), "0");
    EXPECT_EQ(sent(3), 0);
    slide("ms_deng_speed_slider", 3);
    EXPECT_EQ(key("LED3"), "2");
    EXPECT_EQ(sent(3), 2);

    // On the wheel the same sliders store the wheel's bytes; the main set stays.
    zone(2);
    slide("ms_deng_light_slider", 40);
    slide("ms_deng_speed_slider", 90);
    EXPECT_EQ(key("LED27"), "1");
    EXPECT_EQ(key("LED26"), "0");
    EXPECT_EQ(sent(27), 1);
    EXPECT_EQ(key("LED2"), "2");
    EXPECT_EQ(key("LED3"), "2");
}

TEST_F(LightingWindowTest, EffectsSetTheirParameterGroups)
{
    zone(0);
    selectMain(4);
    EXPECT_FALSE(ctl("ms_deng_color_layout").isEnabled());
    EXPECT_FALSE(ctl("ms_deng_speed_layout").isEnabled());
    EXPECT_FALSE(ctl("ms_deng_Light_layout").isEnabled());
    EXPECT_EQ(key("LED1"), "4");
    EXPECT_EQ(sent(1), 4);
    selectMain(3);
    EXPECT_TRUE(ctl("ms_deng_fx_layout").isVisible());
    EXPECT_TRUE(ctl("ms_deng_mixcolor").isVisible());
    EXPECT_TRUE(ctl("ms_deng_color_layout").isEnabled());
    EXPECT_EQ(ctl("ms_deng_butt_fclock").getText(), QStringLiteral("逆时针"));
    selectMain(11);
    EXPECT_TRUE(ctl("ms_deng_Custom_layout").isEnabled());
    EXPECT_FALSE(ctl("ms_deng_fx_layout").isVisible());

    zone(2);
    EXPECT_TRUE(ctl("ms_dengxiao_wheel_combo_modeSelect").isVisible());
    EXPECT_FALSE(ctl("ms_dengxiao_combo_modeSelect").isVisible());
    selectWheel(3);
    EXPECT_FALSE(ctl("ms_deng_fx_layout").isVisible());
    EXPECT_FALSE(ctl("ms_deng_color_layout").isEnabled());
    EXPECT_FALSE(ctl("ms_deng_mixcolor").isVisible());
    EXPECT_FALSE(ctl("ms_deng_Custom_layout").isEnabled());
    EXPECT_FALSE(ctl("ms_deng_speed_layout").isEnabled());
    EXPECT_FALSE(ctl("ms_deng_Light_layout").isEnabled());
    EXPECT_EQ(key("LED25"), "3");
    EXPECT_EQ(sent(25), 3);
    EXPECT_EQ(key("LED1"), "11");  // the main set stays as it was
    selectWheel(1);
    EXPECT_TRUE(ctl("ms_deng_mixcolor").isVisible());
    EXPECT_TRUE(ctl("ms_deng_color_layout").isEnabled());
}

TEST_F(LightingWindowTest, DirectionOfEffectSixGoesToByte21AndTheProfileKeepsLed4)
{
    zone(0);
    selectMain(6);
    EXPECT_EQ(ctl("ms_deng_butt_kclock").getText(), QStringLiteral("左蓝右红"));
    const std::uint8_t before4 = sent(4);
    harness->mouse().frameLog().clear();
    click("ms_deng_butt_kclock");
    EXPECT_EQ(writtenAddresses(), std::vector<int>{21});
    EXPECT_EQ(sent(21), 1);
    EXPECT_EQ(sent(4), before4);
    EXPECT_EQ(key("LED4"), "1");
    EXPECT_EQ(current(4), 1);
    EXPECT_EQ(ctl("ms_deng_butt_kclock").getNormalImage(), QStringLiteral("file='ms/msKey_disable.png'"));
    EXPECT_EQ(ctl("ms_deng_butt_fclock").getNormalImage(), QStringLiteral("file='ms/msKey_normal.png'"));

    selectMain(3);
    harness->mouse().frameLog().clear();
    click("ms_deng_butt_fclock");
    EXPECT_EQ(writtenAddresses(), std::vector<int>{4});
    EXPECT_EQ(sent(4), 0);
    EXPECT_EQ(key("LED4"), "0");
    EXPECT_EQ(ctl("ms_deng_butt_fclock").getNormalImage(), QStringLiteral("file='ms/ssz1.png'"));

    // Other effects have no direction: a click sends nothing and keeps LED4.
    for (int m : {0, 1, 2, 4, 5, 8, 9, 10, 11}) {
        selectMain(m);
        harness->mouse().frameLog().clear();
        click("ms_deng_butt_kclock");
        EXPECT_TRUE(writes().empty()) << m;
        EXPECT_EQ(key("LED4"), "0") << m;
        EXPECT_EQ(current(4), 0) << m;
    }
}

TEST_F(LightingWindowTest, BackFromTheWheelShowsTheMainSetAndResendsItsEffectZoneAndDirection)
{
    zone(0);
    selectMain(7);
    click("ms_deng_butt_kclock");
    slide("ms_deng_light_slider", 0);
    slide("ms_deng_speed_slider", 50);
    click("ms_Deng_color_btn_1");  // red
    zone(2);
    selectWheel(2);
    slide("ms_deng_light_slider", 100);
    slide("ms_deng_speed_slider", 0);
    click("ms_Deng_color_btn_7");  // blue
    EXPECT_EQ(ctl("ms_Deng_colordp_btn").getBkColor(), 0xFF0000FFu);

    harness->mouse().frameLog().clear();
    zone(0);
    EXPECT_TRUE(wrote(1));
    EXPECT_TRUE(wrote(24));
    EXPECT_TRUE(wrote(4));  // the direction of effect 7
    EXPECT_EQ(sent(24), 0);
    EXPECT_EQ(key("LED24"), "0");
    EXPECT_TRUE(ctl("ms_dengxiao_combo_modeSelect").isVisible());
    EXPECT_FALSE(ctl("ms_dengxiao_wheel_combo_modeSelect").isVisible());
    EXPECT_EQ(ui::ComboControl(ctl("ms_dengxiao_combo_modeSelect")).getCurSel(), 7);
    EXPECT_EQ(ui::SliderControl(ctl("ms_deng_light_slider")).getValue(), 0);
    EXPECT_EQ(ui::SliderControl(ctl("ms_deng_speed_slider")).getValue(), 50);
    EXPECT_EQ(ctl("ms_Deng_colordp_btn").getBkColor(), 0xFFFF0000u);
    EXPECT_EQ(ctl("ms_Deng_edit_R").getText(), QStringLiteral("255"));
    EXPECT_EQ(ctl("ms_Deng_edit_B").getText(), QStringLiteral("0"));
    EXPECT_TRUE(ctl("ms_deng_fx_layout").isVisible());
    // The main colour is stored, not re-sent, by the display.
    EXPECT_FALSE(wrote(6));
}

TEST_F(LightingWindowTest, MainEffectChangesLeaveTheWheelSetAlone)
{
    zone(2);
    selectWheel(1);
    slide("ms_deng_speed_slider", 0);  // wheel speed byte 2
    zone(0);
    selectMain(5);
    selectMain(9);
    zone(2);
    EXPECT_EQ(ui::SliderControl(ctl("ms_deng_speed_slider")).getValue(), 0);
    EXPECT_EQ(ui::ComboControl(ctl("ms_dengxiao_wheel_combo_modeSelect")).getCurSel(), 1);
    EXPECT_EQ(key("LED26"), "2");
    EXPECT_EQ(key("LED25"), "1");
    EXPECT_EQ(sent(25), 1);
    EXPECT_EQ(key("LED1"), "9");
    // The groups shown are the wheel's, whatever the main effect.
    EXPECT_TRUE(ctl("ms_deng_mixcolor").isVisible());
    EXPECT_FALSE(ctl("ms_deng_fx_layout").isVisible());
}

TEST_F(LightingWindowTest, ChannelEditsAreLimitedAndEndTheSevenColourCycle)
{
    zone(0);
    ui::OptionControl(ctl("ms_Deng_7color_check")).setSelected(true, true);
    EXPECT_EQ(key("LED5"), "1");
    EXPECT_EQ(sent(5), 1);

    type("ms_Deng_edit_R", QStringLiteral("300"));
    EXPECT_EQ(ctl("ms_Deng_edit_R").getText(), QStringLiteral("255"));
    EXPECT_EQ(key("LED6"), "255");
    EXPECT_EQ(sent(6), 255);
    EXPECT_EQ(current(6), 255);
    EXPECT_EQ(key("LED5"), "0");
    EXPECT_EQ(sent(5), 0);
    EXPECT_EQ(current(5), 0);
    EXPECT_FALSE(ui::OptionControl(ctl("ms_Deng_7color_check")).isSelected());
    EXPECT_EQ(ctl("ms_Deng_colordp_btn").getBkColor() & 0x00FF0000u, 0x00FF0000u);

    type("ms_Deng_edit_G", QString());
    EXPECT_EQ(key("LED7"), "0");
    EXPECT_EQ(sent(7), 0);
    EXPECT_EQ(ctl("ms_Deng_edit_G").getText(), QString());
    type("ms_Deng_edit_B", QStringLiteral("-9"));
    EXPECT_EQ(ctl("ms_Deng_edit_B").getText(), QStringLiteral("0"));
    EXPECT_EQ(key("LED8"), "0");
    EXPECT_EQ(sent(8), 0);
    EXPECT_EQ(ctl("ms_Deng_colordp_btn").getBkColor(), 0xFFFF0000u);

    // On the wheel the channel goes to 28..30.
    zone(2);
    selectWheel(2);
    type("ms_Deng_edit_G", QStringLiteral("17"));
    EXPECT_EQ(key("LED29"), "17");
    EXPECT_EQ(sent(29), 17);
    EXPECT_EQ(key("LED7"), "0");
}

TEST_F(LightingWindowTest, APresetOnTheWheelClearsItsCycleOnlyInEffectOne)
{
    zone(2);
    for (int w : {0, 1, 2, 3}) {
        selectWheel(1);  // the cycle can be switched on in effect 1
        ui::OptionControl(ctl("ms_Deng_7color_check")).setSelected(true, true);
        ASSERT_EQ(key("LED31"), "1");
        if (w != 1)
            selectWheel(w);
        click("ms_Deng_color_btn_4");  // green
        EXPECT_EQ(key("LED28"), "0") << w;
        EXPECT_EQ(key("LED29"), "255") << w;
        EXPECT_EQ(sent(29), 255) << w;
        EXPECT_EQ(current(29), 255) << w;
        const bool cleared = w == 1;
        EXPECT_EQ(key("LED31"), cleared ? "0" : "1") << w;
        EXPECT_EQ(sent(31), cleared ? 0 : 1) << w;
        EXPECT_EQ(current(31), cleared ? 0 : 1) << w;
        EXPECT_EQ(ui::OptionControl(ctl("ms_Deng_7color_check")).isSelected(), !cleared) << w;
        ui::OptionControl(ctl("ms_Deng_7color_check")).setSelected(false, true);
    }
    EXPECT_EQ(ctl("ms_Deng_colordp_btn").getBkColor(), 0xFF00FF00u);
    EXPECT_EQ(ctl("ms_Deng_edit_G").getText(), QStringLiteral("255"));
    // A preset number outside the table does nothing.
    harness->mouse().frameLog().clear();
    notify(kClick, "ms_Deng_color_btn_30");
    notify(kClick, "ms_Deng_color_btn_-1");
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(ctl("ms_Deng_colordp_btn").getBkColor(), 0xFF00FF00u);
}

TEST_F(LightingWindowTest, LightsOffAndTheSwitchesRedrawnFromTheMouse)
{
    ui::OptionControl off(ctl("ms_led_off"));
    off.setSelected(true, true);
    EXPECT_EQ(key("LED22"), "0");
    EXPECT_EQ(sent(22), 0);
    off.setSelected(false, true);
    EXPECT_EQ(key("LED22"), "1");
    EXPECT_EQ(sent(22), 1);

    // The refresh shows the stored state and the stored zone.
    {
        std::lock_guard<std::recursive_mutex> guard(wnd().channel().lock());
        current(5) = 1;
        current(22) = 0;
        current(24) = 2;
        current(25) = 2;
        current(26) = 0;
    }
    wnd().refreshSettings();
    EXPECT_TRUE(ui::OptionControl(ctl("ms_Deng_7color_check")).isSelected());
    EXPECT_TRUE(off.isSelected());
    EXPECT_TRUE(ui::OptionControl(ctl("ms_Deng_Wheel")).isSelected());
    EXPECT_FALSE(ui::OptionControl(ctl("ms_Deng_All")).isSelected());
    EXPECT_TRUE(ctl("ms_dengxiao_wheel_combo_modeSelect").isVisible());
    EXPECT_EQ(ui::ComboControl(ctl("ms_dengxiao_wheel_combo_modeSelect")).getCurSel(), 2);
    EXPECT_EQ(ui::SliderControl(ctl("ms_deng_speed_slider")).getValue(), 100);
    EXPECT_EQ(key("LED24"), "2");
    EXPECT_EQ(sent(24), 2);

    // A zone the page does not know is shown, and stored, as zone 0.
    {
        std::lock_guard<std::recursive_mutex> guard(wnd().channel().lock());
        current(24) = 9;
    }
    wnd().refreshSettings();
    EXPECT_TRUE(ui::OptionControl(ctl("ms_Deng_All")).isSelected());
    EXPECT_EQ(key("LED24"), "0");
    EXPECT_EQ(sent(24), 0);
}

TEST_F(LightingWindowTest, TheSecondComboSendsTheEffectAndChoosesItInTheMainCombo)
{
    zone(0);
    selectMain(2);
    harness->mouse().frameLog().clear();
    ui::ComboControl(ctl("ms_deng_combo_modeSelect")).selectItem(8);
    EXPECT_EQ(ui::ComboControl(ctl("ms_dengxiao_combo_modeSelect")).getCurSel(), 8);
    EXPECT_EQ(writtenAddresses().front(), 1);  // sent before the main combo follows
    EXPECT_EQ(sent(1), 8);
    EXPECT_EQ(key("LED1"), "8");
    EXPECT_TRUE(ctl("ms_deng_color_layout").isEnabled());
    EXPECT_FALSE(ctl("ms_deng_speed_layout").isEnabled());

    // Already chosen in the main combo: only the mouse gets it.
    harness->mouse().frameLog().clear();
    ui::ComboControl(ctl("ms_deng_combo_modeSelect")).selectItem(-1);
    ui::ComboControl(ctl("ms_deng_combo_modeSelect")).selectItem(8);
    EXPECT_EQ(writtenAddresses(), std::vector<int>{1});
}

TEST_F(LightingWindowTest, ASyncFromTheMouseRedrawsThePage)
{
    zone(0);
    const std::uint8_t wheelState[] = {2, 3, 0, 2};  // bytes 24..27: zone 2, wheel effect 3, speed 0, brightness 2
    ASSERT_TRUE(harness->mouse().writeMemory(sim::MemoryArea::Settings, 24, wheelState));
    const std::uint8_t on[] = {0};
    ASSERT_TRUE(harness->mouse().writeMemory(sim::MemoryArea::Settings, 22, on));
    wnd().handleCustomMessage(msg::kDeviceSync, 0, 0);
    EXPECT_TRUE(ui::OptionControl(ctl("ms_Deng_Wheel")).isSelected());
    EXPECT_TRUE(ui::OptionControl(ctl("ms_led_off")).isSelected());
    EXPECT_EQ(ui::ComboControl(ctl("ms_dengxiao_wheel_combo_modeSelect")).getCurSel(), 3);
    EXPECT_FALSE(ctl("ms_deng_Light_layout").isEnabled());
    EXPECT_EQ(ui::SliderControl(ctl("ms_deng_speed_slider")).getValue(), 100);
    EXPECT_EQ(ui::SliderControl(ctl("ms_deng_light_slider")).getValue(), 100);
    EXPECT_EQ(key("LED25"), "3");
    EXPECT_EQ(key("LED24"), "2");
}

TEST_F(LightingWindowTest, ResetAsksThenRestoresTheTemplateButKeepsTheDpiStages)
{
    zone(0);
    selectMain(4);
    click("ms_Deng_color_btn_1");
    bars().setBarsCount(2);
    click("ms_deng_butt_prosave");
    ASSERT_EQ(key("count", "COLORCOUNT"), "2");
    const std::string stage17 = key("LED17", "3360");
    const std::string current20 = key("LED20");

    answer = QStringLiteral("cancel_btn");
    harness->mouse().frameLog().clear();
    click("ms_deng_reset");
    EXPECT_EQ(shown.back(), QStringLiteral("是否要恢复灯光设置？"));
    EXPECT_TRUE(harness->mouse().frameLog().frames(FrameDirection::Request).empty());
    EXPECT_EQ(key("LED1"), "4");
    EXPECT_EQ(bars().getBarsCount(), 2);

    answer = QStringLiteral("confirm_btn");
    click("ms_deng_reset");
    const auto tmpl = env.resources() / "default.pro";
    for (int n : {1, 2, 3, 6, 7, 8, 22, 24, 25})
        EXPECT_EQ(key("LED" + std::to_string(n)), ini::readString(tmpl, "Setting", "LED" + std::to_string(n), "")) << n;
    EXPECT_EQ(key("LED17", "3360"), stage17);
    EXPECT_EQ(key("LED20"), current20);
    EXPECT_EQ(sent(1), 1);  // the template's effect reached the mouse
    // The page is redrawn: effect, colour, and the palette from the template (no bars).
    EXPECT_EQ(ui::ComboControl(ctl("ms_dengxiao_combo_modeSelect")).getCurSel(), 1);
    EXPECT_EQ(ctl("ms_Deng_colordp_btn").getBkColor(), 0xFF0199CBu);
    EXPECT_EQ(key("count", "COLORCOUNT"), "0");
    EXPECT_EQ(bars().getBarsCount(), 0);
    EXPECT_EQ(colourTable(), std::vector<std::uint8_t>(64, 0));
}

TEST_F(LightingWindowTest, PaletteSendsItsBarsAndStoresThem)
{
    ui::MultiColorControl b = bars();
    b.setBarsCount(0);
    for (int i = 0; i < 3; ++i)
        click("ms_key_butt_add");
    ASSERT_EQ(b.getBarsCount(), 3);
    b.setBarsCountData(0, 0x000000FF);  // red
    b.setBarsCountData(1, 0x0000FF00);  // green
    b.setBarsCountData(2, 0x00563412);
    harness->mouse().frameLog().clear();
    const auto before = colourTable();
    click("ms_deng_butt_prosave");
    std::vector<std::uint8_t> expected(64, 0);
    const std::uint8_t head[] = {0xFF, 0, 0, 0, 0xFF, 0, 0x12, 0x34, 0x56};
    std::copy(std::begin(head), std::end(head), expected.begin());
    EXPECT_NE(before, expected);
    EXPECT_EQ(colourTable(), expected);
    EXPECT_EQ(key("count", "COLORCOUNT"), "3");
    EXPECT_EQ(key("0", "COLORVALUE"), "255");
    EXPECT_EQ(key("2", "COLORVALUE"), std::to_string(0x563412));
    EXPECT_EQ(key("19", "COLORVALUE"), "0");

    // No bars: count 0 stored and 64 zeros sent.
    for (int i = 0; i < 5; ++i)
        click("ms_key_butt_del");
    EXPECT_EQ(b.getBarsCount(), 0);
    click("ms_deng_butt_prosave");
    EXPECT_EQ(key("count", "COLORCOUNT"), "0");
    EXPECT_EQ(key("0", "COLORVALUE"), "0");
    EXPECT_EQ(colourTable(), std::vector<std::uint8_t>(64, 0));

    // A 21st bar is refused.
    for (int i = 0; i < 25; ++i)
        click("ms_key_butt_add");
    EXPECT_EQ(b.getBarsCount(), 20);
    click("ms_deng_butt_prosave");
    EXPECT_EQ(key("count", "COLORCOUNT"), "20");
}

TEST_F(LightingWindowTest, PaletteFilesTravelBothWaysAndImportChoosesTheCustomEffect)
{
    zone(0);
    selectMain(0);
    bars().setBarsCount(3);
    bars().setBarsCountData(0, 0x00102030);
    bars().setBarsCountData(1, 0x00405060);
    bars().setBarsCountData(2, 0x00708090);
    click("ms_deng_butt_prosave");

    // Export into a file that holds other sections: they stay.
    const auto file = env.dataFolder() / "mine.COL";
    ini::writeString(file, "Note", "kept", "yes");
    answerFiles({QString::fromStdString(file.string())});
    click("ms_deng_keep");
    EXPECT_EQ(ini::readString(file, "Note", "kept", ""), "yes");
    EXPECT_EQ(ini::readString(file, "COLORCOUNT", "count", ""), "3");
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(ini::readString(file, "COLORVALUE", std::to_string(i), "missing"),
                  key(std::to_string(i), "COLORVALUE"))
            << i;

    // The profile's palette is changed, then the file brings it back.
    bars().setBarsCount(0);
    click("ms_deng_butt_prosave");
    ASSERT_EQ(key("count", "COLORCOUNT"), "0");
    harness->mouse().frameLog().clear();
    const auto tableBefore = colourTable();
    answerFiles({QString::fromStdString(file.string())});
    click("ms_deng_import");
    EXPECT_EQ(key("count", "COLORCOUNT"), "3");
    EXPECT_EQ(key("0", "COLORVALUE"), std::to_string(0x102030));
    EXPECT_EQ(key("2", "COLORVALUE"), std::to_string(0x708090));
    EXPECT_EQ(bars().getBarsCount(), 3);
    std::int32_t value = 0;
    EXPECT_EQ(bars().getBarsCountData(1, value), 0x405060u);
    EXPECT_EQ(ui::ComboControl(ctl("ms_dengxiao_combo_modeSelect")).getCurSel(), 11);
    EXPECT_EQ(key("LED1"), "11");
    EXPECT_EQ(sent(1), 11);
    EXPECT_TRUE(ctl("ms_deng_Custom_layout").isEnabled());
    EXPECT_EQ(colourTable(), tableBefore);  // the table waits for the send

    // A cancelled dialog changes nothing and says nothing; a file that is not there or is
    // above the read limit changes nothing and says why.
    bars().setBarsCount(1);
    const auto huge = env.dataFolder() / "huge.COL";
    std::filesystem::copy_file(file, huge);
    std::filesystem::resize_file(huge, kMaxReadBytes + 1);
    shown.clear();
    answerFiles({std::nullopt, QString::fromStdString((env.dataFolder() / "gone.COL").string()),
                 QString::fromStdString(huge.string())});
    click("ms_deng_import");
    EXPECT_TRUE(shown.isEmpty());
    click("ms_deng_import");
    click("ms_deng_import");
    EXPECT_EQ(shown, (QStringList{QString::fromUtf8(LightingPage::kMsgUnreadableFile),
                                  QString::asprintf(LightingPage::kMsgPaletteTooLarge, 16)}));
    EXPECT_EQ(key("count", "COLORCOUNT"), "3");
    EXPECT_EQ(bars().getBarsCount(), 1);

    // An export cancelled writes nothing; one that cannot be written says so.
    answerFiles({std::nullopt, QString::fromStdString((env.dataFolder() / "no folder" / "x.COL").string())});
    const auto other = env.dataFolder() / "other.COL";
    click("ms_deng_keep");
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_EQ(shown.size(), 2);
    click("ms_deng_keep");
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown.last(), QString::fromUtf8(LightingPage::kMsgFileNotWritten));
}

TEST_F(LightingWindowTest, AnImportedCountAboveTwentyCountsAsTwenty)
{
    const auto file = env.dataFolder() / "big.COL";
    ini::writeString(file, "COLORCOUNT", "count", "99");
    ini::writeString(file, "COLORVALUE", "19", "255");
    answerFiles({QString::fromStdString(file.string())});
    click("ms_deng_import");
    EXPECT_EQ(key("count", "COLORCOUNT"), "20");
    EXPECT_EQ(key("19", "COLORVALUE"), "255");
    EXPECT_EQ(bars().getBarsCount(), 20);
    click("ms_deng_butt_prosave");
    EXPECT_EQ(colourTable()[57], 255);
    EXPECT_EQ(colourTable()[60], 0);
}

TEST_F(LightingWindowTest, ApplyingAProfileShowsAndSendsItsPalette)
{
    ini::writeString(profile, "COLORCOUNT", "count", "2");
    ini::writeString(profile, "COLORVALUE", "0", std::to_string(0x00AABBCC));
    ini::writeString(profile, "COLORVALUE", "1", std::to_string(0x00010203));
    ASSERT_TRUE(wnd().applySelectedProfile(1));
    EXPECT_EQ(bars().getBarsCount(), 2);
    const auto table = colourTable();
    const std::vector<std::uint8_t> head(table.begin(), table.begin() + 7);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{0xCC, 0xBB, 0xAA, 0x03, 0x02, 0x01, 0}));
}

TEST_F(LightingWindowTest, TheR240ShowsItsExtraLabels)
{
    EXPECT_TRUE(ctl("ms_deng_la0").isVisible());
    EXPECT_TRUE(ctl("ms_deng_la1").isVisible());
}

class LightingWindowR210Test : public LightingWindowTest {
protected:
    const char* model() const override { return "R210"; }
};

TEST_F(LightingWindowR210Test, TheR210HidesTheLabelsAndTakesEveryChangeAtOnce)
{
    EXPECT_FALSE(ctl("ms_deng_la0").isVisible());
    EXPECT_FALSE(ctl("ms_deng_la1").isVisible());
    zone(1);
    EXPECT_EQ(key("LED24"), "1");
    EXPECT_EQ(sent(24), 1);
    selectMain(2);
    EXPECT_FALSE(ctl("ms_deng_color_layout").isEnabled());
    slide("ms_deng_light_slider", 50);
    EXPECT_EQ(sent(2), 1);
    click("ms_Deng_color_btn_3");
    EXPECT_EQ(sent(6), 0xFF);
    EXPECT_EQ(sent(7), 0xFF);
    EXPECT_EQ(sent(8), 0);
    EXPECT_EQ(key("LED8"), "0");
}

}  // namespace
}  // namespace corv::test
