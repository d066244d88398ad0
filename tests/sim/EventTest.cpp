// Events the virtual mouse sends by itself: calibration results after their delay, the DPI
// button, restore at the mouse, other consumer usages; and the timer thread that delivers them in real time.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SimTestSupport.h"
#include "device/HidDeviceInfo.h"
#include "sim/FactoryMemory.h"

namespace corv::sim::test {
namespace {

using namespace std::chrono_literals;
using Events = SimTest;

TEST_F(Events, CalibrationResultArrivesAfterTheDelayOfClockTime)
{
    auto listener = openNode(kIf1);
    const Clock::time_point start = clock.now();
    EXPECT_EQ(send(CMD_CALIBRATE).status(), 0x00);
    EXPECT_TRUE(mouse->calibrationPending());
    EXPECT_EQ(readReport(*listener, 0).code, 64);  // its copy of the answer
    EXPECT_EQ(readReport(*listener, 1000).code, kHidReadTimeout);
    EXPECT_EQ(clock.now() - start, Clock::duration(1000ms));

    // A long read wakes exactly when the result is due.
    EXPECT_EQ(readReport(*listener, 5000).bytes, consumerReport(kEventCalibrationOk));
    EXPECT_EQ(clock.now() - start, Clock::duration(2000ms));
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(0));
    EXPECT_FALSE(mouse->calibrationPending());
}

TEST_F(Events, CalibrationOutcomeIsConfigurableForTheNextRunOnly)
{
    auto listener = openNode(kIf1);
    mouse->setCalibrationDelay(500ms);
    mouse->setNextCalibrationOutcome(false, 3);
    EXPECT_EQ(send(CMD_CALIBRATE).status(), 0x00);
    ASSERT_EQ(readReport(*listener, 0).code, 64);
    clock.advance(499ms);
    mouse->tick();
    EXPECT_EQ(readReport(*listener, 0).code, kHidReadTimeout);
    clock.advance(1ms);
    mouse->tick();
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(kEventCalibrationFail));
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(0));
    EXPECT_EQ(mouse->settingsRecord(0)[23], 2);  // a failed calibration changes nothing

    // The next one succeeds again by default.
    EXPECT_EQ(send(CMD_CALIBRATE).status(), 0x00);
    ASSERT_EQ(readReport(*listener, 0).code, 64);
    EXPECT_EQ(readReport(*listener, 600).bytes, consumerReport(kEventCalibrationOk));
}

TEST_F(Events, SuccessfulCalibrationMaySetTheLiftOffOfTheActiveRecord)
{
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 0, {2}).status(), 0x00);
    mouse->setNextCalibrationOutcome(true, 3);
    EXPECT_FALSE(mouse->completePendingCalibration());
    EXPECT_EQ(send(CMD_CALIBRATE).status(), 0x00);
    EXPECT_TRUE(mouse->completePendingCalibration());
    EXPECT_EQ(mouse->settingsRecord(2)[23], 3);
    EXPECT_EQ(mouse->settingsRecord(0)[23], 2);
    EXPECT_EQ(readReport(*vendor, 0).bytes, consumerReport(kEventCalibrationOk));
    // Without a lift-off value the byte stays.
    EXPECT_EQ(send(CMD_CALIBRATE).status(), 0x00);
    EXPECT_TRUE(mouse->completePendingCalibration());
    EXPECT_EQ(mouse->settingsRecord(2)[23], 3);
}

TEST_F(Events, RecalibratingRestartsTheDelay)
{
    auto listener = openNode(kIf1);
    EXPECT_EQ(send(CMD_CALIBRATE).status(), 0x00);
    clock.advance(1500ms);
    EXPECT_EQ(send(CMD_CALIBRATE).status(), 0x00);
    ASSERT_EQ(readReport(*listener, 0).code, 64);
    ASSERT_EQ(readReport(*listener, 0).code, 64);
    clock.advance(1000ms);  // 2500 ms after the first
    mouse->tick();
    EXPECT_EQ(readReport(*listener, 0).code, kHidReadTimeout);
    clock.advance(1000ms);
    mouse->tick();
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(kEventCalibrationOk));
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(0));
    EXPECT_EQ(readReport(*listener, 0).code, kHidReadTimeout);  // only one result
}

TEST_F(Events, ListenerBlockedWithoutLimitReceivesTheResult)
{
    HidDeviceInfo listener(*backend, clock);
    ASSERT_TRUE(listener.enumerate());
    ASSERT_TRUE(listener.findListenerDevice());
    std::array<std::uint8_t, 3> report{};
    bool got = false;
    std::thread reader([&] { got = listener.read(report.data(), report.size(), -1); });
    EXPECT_EQ(send(CMD_CALIBRATE).status(), 0x00);
    reader.join();
    EXPECT_TRUE(got);
    EXPECT_EQ(std::vector<std::uint8_t>(report.begin(), report.end()), consumerReport(kEventCalibrationOk));
}

TEST_F(Events, DpiButtonAdvancesTheStageOfTheActiveRecordAndWraps)
{
    auto listener = openNode(kIf1);
    auto bootMouse = openNode(kIf0);
    EXPECT_EQ(mouse->currentStage(), 1);
    ASSERT_TRUE(mouse->pressDpiButton());
    EXPECT_EQ(mouse->currentStage(), 2);
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(kEventSync));
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(0));
    EXPECT_EQ(readReport(*bootMouse, 0).code, kHidReadTimeout);

    ASSERT_TRUE(mouse->pressDpiButton());
    ASSERT_TRUE(mouse->pressDpiButton());
    EXPECT_EQ(mouse->currentStage(), 4);
    ASSERT_TRUE(mouse->pressDpiButton());
    EXPECT_EQ(mouse->currentStage(), 0);
    EXPECT_EQ(send(CMD_READ_SETTINGS, 1, 20).data()[0], 0);

    // Another active record: its own byte 20 moves.
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 0, {4}).status(), 0x00);
    const std::uint8_t before = mouse->settingsRecord(4)[20];
    ASSERT_TRUE(mouse->pressDpiButton());
    EXPECT_EQ(mouse->settingsRecord(4)[20], (before + 1) % 5);
    EXPECT_EQ(mouse->settingsRecord(0)[20], 0);

    // A corrupt stage value restarts at 0.
    const std::uint8_t corrupt[1] = {9};
    ASSERT_TRUE(mouse->writeMemory(MemoryArea::Settings, 4 * 64 + 20, corrupt));
    ASSERT_TRUE(mouse->pressDpiButton());
    EXPECT_EQ(mouse->currentStage(), 0);
}

TEST_F(Events, OtherConsumerUsagesAndUnpluggedUserActions)
{
    auto listener = openNode(kIf1);
    ASSERT_TRUE(mouse->sendConsumerUsage(0x00E9));
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(0x00E9));
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(0));
    mouse->unplug();
    EXPECT_FALSE(mouse->pressDpiButton());
    EXPECT_FALSE(mouse->sendConsumerUsage(0x00E9));
    EXPECT_EQ(mouse->currentStage(), 1);
}

TEST_F(Events, RestoreAtTheMouseResetsLikeTheCommandAndSendsTheResetEvent)
{
    auto listener = openNode(kIf1);
    const std::vector<std::uint8_t> macroImage = {0xAA, 0x55, 0x1E};
    ASSERT_TRUE(mouse->writeMemory(MemoryArea::Macros, 0, macroImage));
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 0, {2}).status(), 0x00);
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 2 * 64 + 20, {4}).status(), 0x00);
    EXPECT_EQ(send(CMD_WRITE_BUTTONS, 3, 0, {0, 0, 0}).status(), 0x00);
    EXPECT_EQ(send(CMD_WRITE_COLORS, 2, 0, {9, 9}).status(), 0x00);
    EXPECT_EQ(send(CMD_BEGIN).status(), 0x00);
    while (readReport(*listener, 0).code == 64) { }

    ASSERT_TRUE(mouse->restoreDefaultsAtMouse());
    // No answer: only the event, on every handle of the vendor interface.
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(kEventReset));
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(0));
    EXPECT_EQ(readReport(*listener, 0).code, kHidReadTimeout);
    expectFactoryStateKeepingMacros(2, macroImage);

    mouse->unplug();
    EXPECT_FALSE(mouse->restoreDefaultsAtMouse());
}

TEST(EventsRealTime, TimerThreadDeliversWithoutAnyReader)
{
    auto mouse = std::make_shared<VirtualMouse>(Clock::system());
    VirtualHidBackend backend(mouse);
    mouse->setCalibrationDelay(20ms);
    mouse->startTimerThread();
    HidOpenError error = HidOpenError::None;
    auto handle = backend.open(kIf1, &error);
    ASSERT_TRUE(handle);
    const ReportFrame request = ReportFrame::request(CMD_CALIBRATE);
    ASSERT_EQ(handle->write(request.bytes.data(), 64, 1000), 64);
    ASSERT_TRUE(mouse->calibrationPending());
    const auto giveUp = std::chrono::steady_clock::now() + 5s;
    while (mouse->calibrationPending() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(mouse->calibrationPending());
    EXPECT_EQ(readReport(*handle, 0).code, 64);
    EXPECT_EQ(readReport(*handle, 0).bytes, consumerReport(kEventCalibrationOk));
    mouse->stopTimerThread();
}

}  // namespace
}  // namespace corv::sim::test
