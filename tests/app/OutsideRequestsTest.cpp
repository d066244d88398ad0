// Requests of other programs over a private session bus, carried out by the window: the
// profile lists' profiles applied again (what the mouse receives), a profile selected by
// name, a device arrival with and without a mouse, showing the window, and requests that
// come while the window sits in a message box.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "AppFixture.h"
#include "SessionBus.h"
#include "app/OutsideRequests.h"
#include "device/DeviceProtocol.h"
#include "platform/DbusOutsideMessages.h"
#include "platform/IniFile.h"
#include "ui/ComboControl.h"
#include "ui/MessageBox.h"
#include "ui/TabLayoutControl.h"

namespace corv::test {
namespace {

// Sends a request from another thread while this, the UI thread, runs the event loop.
OutsideAnswer request(OutsideRequest r, const std::string& name = {})
{
    auto pending = std::async(std::launch::async, [r, name] { return sendOutsideRequest(OutsideCall{r, name}); });
    if (!waitFor([&] { return pending.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 20000)) {
        ADD_FAILURE() << "no answer to " << outsideRequestName(r);
        QApplication::processEvents();  // the caller's own bound ends the wait
    }
    return pending.get();
}

class OutsideRequestsTest : public ConnectedWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.up()) << bus.error();
        ConnectedWindowTest::SetUp();
    }
    void TearDown() override { outside.reset(); }
    void serve(MainWindow& w)
    {
        outside = std::make_unique<OutsideRequests>(w, service);
        ASSERT_TRUE(outside->start());
    }
    std::filesystem::path profile(int i) const { return env.dataFolder() / ("p" + std::to_string(i) + ".pro"); }
    ui::ComboControl combo(const char* name) { return ui::ComboControl(ctl(name)); }

    SessionBus bus;
    DbusOutsideMessageService service;
    std::unique_ptr<OutsideRequests> outside;
};

TEST_F(OutsideRequestsTest, TheListsProfilesAreAppliedAgainAndProfilesSelectedByName)
{
    writeProfiles(env, {"p0", "p1", "p2"}, {}, 0);
    MainWindow& w = connect("R210");
    serve(w);
    // The files change behind the window's back; applying again sends what they hold now.
    ini::writeString(profile(0), "Setting", "LED9", "77");
    harness->mouse().frameLog().clear();
    const OutsideAnswer dpi = request(OutsideRequest::ApplyDpiProfile);
    EXPECT_EQ(dpi.status, OutsideStatus::Done);
    EXPECT_TRUE(dpi.flag);
    EXPECT_EQ(harness->mouse().settingsRecord(0)[9], 77);
    EXPECT_FALSE(requestsOf(harness->mouse(), CMD_WRITE_BUTTONS).empty());
    ini::writeString(profile(0), "Setting", "LED9", "78");
    EXPECT_TRUE(request(OutsideRequest::ApplyKeyProfile).flag);
    EXPECT_EQ(harness->mouse().settingsRecord(0)[9], 78);
    ini::writeString(profile(0), "Setting", "LED9", "79");
    EXPECT_TRUE(request(OutsideRequest::ApplyRegProfile).flag);
    EXPECT_EQ(harness->mouse().settingsRecord(0)[9], 79);
    EXPECT_EQ(w.deviceState().CurrentSettings[9], 79);

    // By name, as a user's choice in the DPI list: applied, the other lists follow, remembered.
    ini::writeString(profile(2), "Setting", "LED9", "55");
    EXPECT_EQ(request(OutsideRequest::SelectProfile, "p2").status, OutsideStatus::Done);
    EXPECT_EQ(combo("ms_DPI_combo_profileSelect").getCurSel(), 2);
    EXPECT_EQ(combo("ms_KEY_combo_profileSelect").getCurSel(), 2);
    EXPECT_EQ(combo("ms_REG_combo_profileSelect").getCurSel(), 2);
    EXPECT_EQ(ini::readString(env.dataFolder() / "msProfile.ini", "PROFILESELECT", "select", ""), "2");
    EXPECT_EQ(harness->mouse().settingsRecord(0)[9], 55);
    EXPECT_EQ(ctl("ms_dpi_edit_maname").getText(), QStringLiteral("p2"));
    const OutsideAnswer unknown = request(OutsideRequest::SelectProfile, "P2");  // names are exact
    EXPECT_EQ(unknown.status, OutsideStatus::UnknownProfile);
    EXPECT_EQ(unknown.message, OutsideRequests::unknownProfileText("P2"));
    EXPECT_EQ(combo("ms_DPI_combo_profileSelect").getCurSel(), 2);

    // A device arrival with the mouse open presents it again (the first page comes back);
    // a hidden window stays hidden.
    w.showWindow(false, false);
    w.selectPage("ms_tab_switch", 3);
    const OutsideAnswer arrived = request(OutsideRequest::DeviceArrived);
    EXPECT_TRUE(arrived.flag);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("CORVALANTIS R210 Driver"));
    EXPECT_EQ(ui::TabLayoutControl(ctl("ms_tab_switch")).getCurSel(), 0);
    const OutsideAnswer state = request(OutsideRequest::GetState);
    EXPECT_FALSE(state.flag);
    EXPECT_TRUE(state.connected);
}

TEST_F(OutsideRequestsTest, WithoutAMouseArrivalHidesTheWindowShowBringsItBackAndNothingIsApplied)
{
    writeProfiles(env, {"p0", "p1"}, {}, 0);
    harness = std::make_unique<MainWindowHarness>();  // no worker threads: the channel stays closed
    MainWindow& w = harness->wnd();
    ASSERT_TRUE(w.createMainWindow());
    w.showWindow(true, false);
    ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }));  // "windowinit" hid it (there is a tray)
    w.showWindow(true, false);
    serve(w);
    w.deviceState().DeviceInfo[kInfoDpiCount] = 5;

    const OutsideAnswer arrived = request(OutsideRequest::DeviceArrived);
    EXPECT_EQ(arrived.status, OutsideStatus::Done);
    EXPECT_FALSE(arrived.flag);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.deviceState().DeviceInfo[kInfoDpiCount], 0);
    EXPECT_FALSE(request(OutsideRequest::GetState).flag);

    EXPECT_EQ(request(OutsideRequest::ShowWindow).status, OutsideStatus::Done);
    EXPECT_TRUE(w.isVisible());
    const OutsideAnswer state = request(OutsideRequest::GetState);
    EXPECT_TRUE(state.flag);
    EXPECT_FALSE(state.connected);

    const OutsideAnswer dpi = request(OutsideRequest::ApplyDpiProfile);
    EXPECT_EQ(dpi.status, OutsideStatus::Done);
    EXPECT_FALSE(dpi.flag);
    EXPECT_TRUE(harness->mouse().frameLog().frames(FrameDirection::Request).empty());
    // Without a mouse a selection by name still selects (it is applied once a mouse connects).
    EXPECT_EQ(request(OutsideRequest::SelectProfile, "p1").status, OutsideStatus::Done);
    EXPECT_EQ(combo("ms_DPI_combo_profileSelect").getCurSel(), 1);

    // Once the window is shutting down, requests are refused instead of carried out.
    w.onMenuCommand({QStringLiteral("exit"), QString(), QString(), false});
    EXPECT_EQ(request(OutsideRequest::ShowWindow).status, OutsideStatus::Closing);
}

TEST_F(OutsideRequestsTest, RequestsComingWhileAMessageBoxIsOpenAreCarriedOutInIt)
{
    writeProfiles(env, {"p0"}, {}, 0);
    harness = std::make_unique<MainWindowHarness>();
    MainWindow& w = harness->wnd();
    ASSERT_TRUE(w.createMainWindow());
    w.showWindow(true, false);
    ASSERT_TRUE(waitFor([&] { return !w.isVisible(); }));  // "windowinit" hid it (there is a tray)
    serve(w);
    // The tray click without a mouse opens a message box; while it is open (its event loop
    // running), another program asks for the window and its state.
    OutsideAnswer shownAnswer;
    OutsideAnswer state;
    ui::setMessageBoxResponder([&](const ui::MessageBoxRequest& r) {
        shownAnswer = request(OutsideRequest::ShowWindow);
        state = request(OutsideRequest::GetState);
        EXPECT_EQ(r.shownText, QString::fromUtf8(MainWindow::kNoDeviceText));
        return QStringLiteral("confirm_btn");
    });
    w.onTrayLeftClick();
    EXPECT_EQ(shownAnswer.status, OutsideStatus::Done);
    EXPECT_EQ(state.status, OutsideStatus::Done);
    EXPECT_TRUE(state.flag);
    EXPECT_TRUE(w.isVisible());
}

}  // namespace
}  // namespace corv::test
