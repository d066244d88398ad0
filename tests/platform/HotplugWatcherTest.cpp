// Plug and unplug notices: the watcher's thread wakes the signal's waiters for hidraw
// notices, a stop wakes a waiter without limit, and a watcher that ends or loses its source
// leaves the waiters polling rather than asleep for good.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <stop_token>
#include <thread>

#include "platform/FakeDeviceNotices.h"
#include "platform/HotplugWatcher.h"

namespace corv {
namespace {

using namespace std::chrono_literals;

// Waits without limit, in a thread of its own, for the signal to move past `seen`.
std::future<bool> waitInThread(HotplugSignal& signal, std::uint64_t seen, std::stop_source& stop)
{
    return std::async(std::launch::async, [&signal, seen, token = stop.get_token()] {
        return signal.waitForChange(seen, std::nullopt, token);
    });
}

TEST(HotplugWatcher, NoticesAboutHidNodesWakeTheWaiters)
{
    HotplugSignal signal;
    auto owned = std::make_unique<FakeDeviceNotices>();
    FakeDeviceNotices& notices = *owned;
    auto watcher = std::make_unique<HotplugWatcher>(std::move(owned), signal);
    EXPECT_TRUE(signal.live());

    std::stop_source stop;
    for (const char* action : {"add", "remove", "change"}) {
        const std::uint64_t seen = signal.generation();
        std::future<bool> woken = waitInThread(signal, seen, stop);
        notices.send({action, "hidraw", "/dev/hidraw3"});
        ASSERT_EQ(woken.wait_for(20s), std::future_status::ready) << action;
        EXPECT_TRUE(woken.get());
        EXPECT_GT(signal.generation(), seen);
    }

    // Once the watcher is gone nobody tells the waiters: they are woken and look for
    // themselves from then on.
    std::future<bool> last = waitInThread(signal, signal.generation(), stop);
    watcher.reset();
    ASSERT_EQ(last.wait_for(20s), std::future_status::ready);
    EXPECT_FALSE(signal.live());
}

TEST(HotplugWatcher, AStopWakesAWaiterWithoutLimit)
{
    HotplugSignal signal(true);
    std::stop_source stop;
    std::future<bool> woken = waitInThread(signal, signal.generation(), stop);
    stop.request_stop();
    ASSERT_EQ(woken.wait_for(20s), std::future_status::ready);
    EXPECT_FALSE(woken.get());
    // A stop already requested returns at once.
    EXPECT_FALSE(signal.waitForChange(signal.generation(), std::nullopt, stop.get_token()));
}

TEST(HotplugWatcher, ASourceThatBreaksLeavesTheSignalNotLive)
{
    // A descriptor number nothing has open: poll reports it invalid.
    struct BrokenSource : DeviceNoticeSource {
        int descriptor() const override { return 999999; }
        std::optional<DeviceNotice> next() override { return std::nullopt; }
    };
    HotplugSignal signal;
    std::stop_source stop;
    std::future<bool> woken = waitInThread(signal, signal.generation(), stop);
    HotplugWatcher watcher(std::make_unique<BrokenSource>(), signal);
    ASSERT_EQ(woken.wait_for(20s), std::future_status::ready);
    EXPECT_FALSE(signal.live());
}

}  // namespace
}  // namespace corv
