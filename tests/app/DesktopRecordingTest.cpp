// Keys typed into another application of a real X server (Xvfb), through the X11 keyboard on
// the window's event loop: recorded into the selected macro with their delays, saved, and a
// row's key edited; the application still receives every key.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "AppFixture.h"
#include "TypingClient.h"
#include "XvfbServer.h"
#include "macros/MacroFile.h"
#include "macros/page/MacroPage.h"
#include "platform/IniFile.h"
#include "platform/X11KeyboardSource.h"
#include "ui/ComboControl.h"
#include "ui/KeyboardSources.h"
#include "ui/ListControl.h"
#include "ui/OptionControl.h"

namespace corv::test {
namespace {

TEST(DesktopRecordingTest, KeysTypedIntoAnotherApplicationAreRecordedSavedAndEdited)
{
    XvfbServer xvfb;
    ASSERT_TRUE(xvfb.running()) << xvfb.error();
    TypingClient app(xvfb.display());
    ASSERT_TRUE(app.ok());
    const std::uint8_t a = app.keycodeOf(XK_a);
    const std::uint8_t b = app.keycodeOf(XK_b);
    const std::uint8_t c = app.keycodeOf(XK_c);
    ASSERT_TRUE(a != 0 && b != 0 && c != 0);

    AppEnvironment env;
    std::filesystem::create_directories(env.dataFolder());
    ini::writeString(env.dataFolder() / "msMacro.ini", "MACROCOUNT", "count", "1");
    ini::writeString(env.dataFolder() / "msMacro.ini", "MACRONAME", "0", "Typed");
    std::unique_ptr<X11KeyboardSource> source = X11KeyboardSource::open(xvfb.display());
    ASSERT_TRUE(source);
    ui::KeyboardCapture keyboard(std::move(source));
    MainWindowHarness harness(MainWindow::Options::withoutWorkers(false));
    MainWindow& wnd = harness.wnd();
    ASSERT_TRUE(wnd.createMainWindow());
    const auto ctl = [&](const char* name) { return wnd.findControl(QLatin1String(name)); };
    ui::ListControl rows(ctl("ms_Macro_list"));
    ui::ComboControl(ctl("ms_marco_combo_profileSelect")).selectItem(0);
    ui::OptionControl(ctl("ms_Macro_write_img")).setSelected(true, false);

    notifyControl(wnd, ui::notify::kClick, "ms_Macro_record");
    ASSERT_TRUE(wnd.findFeature<MacroPage>()->isRecording());
    app.tap(a);
    app.tap(b);
    ASSERT_TRUE(waitFor([&] { return rows.getCount() == 8; }, 10000)) << rows.getCount() << " rows";
    notifyControl(wnd, ui::notify::kClick, "ms_Macro_record");
    const std::vector<std::string> lines = MacroFile::load(env.dataFolder() / "Typed.mac").lines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "1,4,202,1,A");
    EXPECT_EQ(lines[2], "1,4,138,0,A");
    EXPECT_EQ(lines[4], "1,5,202,1,B");
    EXPECT_EQ(lines[6], "1,5,138,0,B");
    EXPECT_TRUE(MacroAction::parse(lines[1]).has_value());
    // The application got every key: recording passes them on.
    ASSERT_TRUE(waitFor([&] {
        app.read();
        return app.keys.size() >= 4;
    }));
    EXPECT_EQ(app.keys, (std::vector<ClientKey>{{a, true}, {a, false}, {b, true}, {b, false}}));

    // The first row's key becomes C, from the next key released anywhere.
    rows.selectItem(0);
    notifyControl(wnd, ui::notify::kClick, "ms_macro_btn_edit");
    app.tap(c);
    ASSERT_TRUE(waitFor([&] { return rows.getItemText(0) == QStringLiteral("C"); }, 10000));
    notifyControl(wnd, ui::notify::kClick, "ms_macro_btn_edit");
    EXPECT_EQ(MacroFile::load(env.dataFolder() / "Typed.mac").lines()[0], "1,6,202,1,C");
}

}  // namespace
}  // namespace corv::test
