// The DPI tables, the preset colours and the system-settings workers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "device/DeviceProtocol.h"
#include "feature/PresetColours.h"
#include "platform/FakeDesktopSettings.h"
#include "sensor/DpiTable.h"
#include "sensor/SystemSettingWorkers.h"

namespace corv {
namespace {

using Call = FakeDesktopSettings::Call;
using Setting = FakeDesktopSettings::Setting;

TEST(DpiTable, EntriesOfEachModel)
{
    const DpiTable& r210 = DpiTable::forModel(kModelR210);
    EXPECT_EQ(r210.size(), 59);
    EXPECT_EQ(r210.text(0), QStringLiteral("200"));
    EXPECT_EQ(r210.text(48), QStringLiteral("5000"));
    EXPECT_EQ(r210.text(49), QStringLiteral("5200"));
    EXPECT_EQ(r210.text(58), QStringLiteral("7000"));
    EXPECT_TRUE(r210.text(59).isEmpty());
    EXPECT_TRUE(r210.text(-1).isEmpty());

    // The R240 and every model without its own table.
    for (std::uint16_t model : {kModelR240, std::uint16_t{0}, std::uint16_t{0x1234}}) {
        const DpiTable& t = DpiTable::forModel(model);
        EXPECT_EQ(t.size(), 120);
        EXPECT_EQ(t.text(0), QStringLiteral("100"));
        EXPECT_EQ(t.text(10), QStringLiteral("1100"));
        EXPECT_EQ(t.text(119), QStringLiteral("12000"));
    }
}

TEST(DpiTable, TypedValuesAreLimitedAndRoundedOntoTableSteps)
{
    const DpiTable& r210 = DpiTable::forModel(kModelR210);
    bool clamped = false;
    EXPECT_EQ(r210.roundTyped(5150, &clamped), QStringLiteral("5000"));
    EXPECT_FALSE(clamped);
    EXPECT_EQ(r210.roundTyped(5300), QStringLiteral("5200"));
    EXPECT_EQ(r210.roundTyped(5399), QStringLiteral("5200"));
    EXPECT_EQ(r210.roundTyped(5099), QStringLiteral("5000"));
    EXPECT_EQ(r210.roundTyped(50, &clamped), QStringLiteral("200"));
    EXPECT_TRUE(clamped);
    EXPECT_EQ(r210.roundTyped(9000, &clamped), QStringLiteral("7000"));
    EXPECT_TRUE(clamped);
    EXPECT_EQ(r210.roundTyped(-5), QStringLiteral("200"));

    const DpiTable& r240 = DpiTable::forModel(kModelR240);
    EXPECT_EQ(r240.roundTyped(12345), QStringLiteral("12000"));
    EXPECT_EQ(r240.roundTyped(150), QStringLiteral("100"));
    EXPECT_EQ(r240.roundTyped(5150), QStringLiteral("5100"));
}

TEST(DpiTable, LookUpStopsAtTheLevelsTheMouseOffers)
{
    const DpiTable& r210 = DpiTable::forModel(kModelR210);
    EXPECT_EQ(r210.find(QStringLiteral("5200"), 59), 49);
    EXPECT_EQ(r210.find(QStringLiteral("5200"), 49), -1);  // the mouse offers fewer levels
    EXPECT_EQ(r210.find(QStringLiteral("200"), 0), -1);    // no mouse: nothing matches
    EXPECT_EQ(r210.find(QStringLiteral("250"), 59), -1);
    EXPECT_EQ(r210.find(QStringLiteral("7000"), 500), 58);
}

TEST(PresetColours, ThirtyOpaqueColours)
{
    EXPECT_EQ(presetColour(0), 0xFF000000u);
    EXPECT_EQ(presetColour(1), 0xFFFF0000u);
    EXPECT_EQ(presetColour(6), 0xFF0080FFu);
    EXPECT_EQ(presetColour(9), 0xFFA0005Au);
    EXPECT_EQ(presetColour(19), 0xFF34D5FFu);
    EXPECT_EQ(presetColour(29), 0xFF48D1A3u);
    EXPECT_FALSE(presetColour(30).has_value());
    EXPECT_FALSE(presetColour(-1).has_value());
}

// A desktop whose pointer-speed call blocks until released, to hold a worker busy.
class GatedDesktop final : public DesktopSettings {
public:
    bool setPointerSpeed(int speed) override
    {
        std::unique_lock<std::mutex> lock(mutex_);
        entered_ = true;
        cv_.notify_all();
        cv_.wait(lock, [&] { return open_; });
        speeds.push_back(speed);
        return true;
    }
    bool setWheelScrollLines(int lines) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(lines);
        return true;
    }
    void waitEntered()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [&] { return entered_; });
    }
    void open()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        cv_.notify_all();
    }
    std::vector<int> speeds;
    std::vector<int> lines_;

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool entered_ = false;
    bool open_ = false;
};

TEST(SystemSettingWorkers, SpeedIsLimitedToTheDesktopsScale)
{
    FakeDesktopSettings desktop;
    SystemSettingWorkers workers(desktop);
    for (int request : {21, 1, 0, -9, 11}) {
        workers.setPointerSpeedRequest(request);
        workers.startPointerSpeedWorker();
        workers.waitIdle();
    }
    workers.setScrollLinesRequest(3);
    workers.startScrollLinesWorker();
    workers.waitIdle();
    EXPECT_EQ(desktop.calls(), (std::vector<Call>{{Setting::PointerSpeed, 20},
                                                  {Setting::PointerSpeed, 1},
                                                  {Setting::PointerSpeed, 1},
                                                  {Setting::PointerSpeed, 1},
                                                  {Setting::PointerSpeed, 11},
                                                  {Setting::WheelScrollLines, 3}}));
    EXPECT_EQ(workers.pointerSpeedRequest(), 11);  // the limited value is stored back
}

TEST(SystemSettingWorkers, AStartWhileBusyIsAppliedByTheBusyWorker)
{
    GatedDesktop desktop;
    SystemSettingWorkers workers(desktop);
    workers.setPointerSpeedRequest(5);
    workers.startPointerSpeedWorker();
    desktop.waitEntered();
    EXPECT_TRUE(workers.pointerSpeedBusy());
    workers.setPointerSpeedRequest(17);
    workers.startPointerSpeedWorker();  // busy: no second worker
    workers.setPointerSpeedRequest(19);
    desktop.open();
    workers.waitIdle();
    EXPECT_FALSE(workers.pointerSpeedBusy());
    // The first value, then the newest one; 17 was overtaken before it could be applied.
    EXPECT_EQ(desktop.speeds, (std::vector<int>{5, 19}));
}

TEST(SystemSettingWorkers, TheLastRequestIsAppliedHoweverQuicklyStartsFollow)
{
    // Starts that arrive while the worker is finishing must not be lost: whatever the
    // interleaving, the desktop ends with the last value asked for.
    FakeDesktopSettings desktop;
    SystemSettingWorkers workers(desktop);
    for (int round = 0; round < 2000; ++round) {
        for (int speed = 1; speed <= 20; ++speed) {
            workers.setPointerSpeedRequest(speed);
            workers.startPointerSpeedWorker();
            workers.setScrollLinesRequest(speed);
            workers.startScrollLinesWorker();
        }
        const int last = 1 + round % 20;
        workers.setPointerSpeedRequest(last);
        workers.startPointerSpeedWorker();
        workers.setScrollLinesRequest(last);
        workers.startScrollLinesWorker();
        workers.waitIdle();
        ASSERT_FALSE(workers.pointerSpeedBusy());
        const auto calls = desktop.calls();
        const auto lastOf = [&](Setting s) {
            auto it = std::find_if(calls.rbegin(), calls.rend(), [&](const Call& c) { return c.setting == s; });
            return it == calls.rend() ? -1 : it->value;
        };
        ASSERT_EQ(lastOf(Setting::PointerSpeed), last) << "round " << round;
        ASSERT_EQ(lastOf(Setting::WheelScrollLines), last) << "round " << round;
        desktop.clearCalls();
    }
}

}  // namespace
}  // namespace corv
