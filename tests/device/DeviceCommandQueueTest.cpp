// The command thread the window hands its mouse commands to: the hand-over of a job that
// outlasts the caller's wait, the order of jobs, and stopping with jobs still waiting, at
// once or after letting them finish for a bounded time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "device/DeviceCommandQueue.h"

namespace corv {
namespace {

using namespace std::chrono_literals;

// A job that runs until the test opens the gate.
struct Gate {
    std::mutex mutex;
    std::condition_variable cv;
    bool open = false;
    bool entered = false;
    void pass()
    {
        std::unique_lock lock(mutex);
        entered = true;
        cv.notify_all();
        cv.wait(lock, [this] { return open; });
    }
    void waitEntered()
    {
        std::unique_lock lock(mutex);
        cv.wait(lock, [this] { return entered; });
    }
    void release()
    {
        std::lock_guard lock(mutex);
        open = true;
        cv.notify_all();
    }
};

TEST(DeviceCommandQueueTest, AQuickJobIsWaitedForAndASlowOneIsHandedBackOnceWhenItEnds)
{
    DeviceCommandQueue queue;
    std::atomic<int> late{0};
    bool ran = false;
    EXPECT_TRUE(queue.runWithin([&] { ran = true; }, 10s, [&] { ++late; }));
    EXPECT_TRUE(ran);

    Gate gate;
    EXPECT_FALSE(queue.runWithin([&] { gate.pass(); }, 20ms, [&] { ++late; }));
    EXPECT_EQ(late.load(), 0);  // still running: nothing handed back yet
    // Behind a busy job the caller does not wait at all, and the jobs keep their order.
    std::vector<int> order;
    EXPECT_FALSE(queue.runWithin([&] { order.push_back(1); }, 10s, [&] { ++late; }));
    queue.post([&] { order.push_back(2); });
    gate.release();
    ASSERT_TRUE(queue.waitIdle(10s));
    EXPECT_EQ(late.load(), 2);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(DeviceCommandQueueTest, StoppingDropsTheJobsNotStartedAndLetsTheRunningOneEnd)
{
    auto queue = std::make_unique<DeviceCommandQueue>();
    Gate gate;
    std::atomic<int> ran{0};
    std::atomic<int> late{0};
    queue->post([&] {
        gate.pass();
        ++ran;
    });
    gate.waitEntered();
    queue->post([&] { ++ran; });
    EXPECT_FALSE(queue->runWithin([&] { ++ran; }, 10ms, [&] { ++late; }));
    // The running job ends only once stop() has dropped the others.
    std::thread releaser([&] {
        while (!queue->stopped())
            std::this_thread::yield();
        gate.release();
    });
    EXPECT_EQ(queue->stop(), 2u);
    releaser.join();
    EXPECT_EQ(ran.load(), 1);
    EXPECT_EQ(late.load(), 0);
    // Once stopped, nothing more is taken.
    EXPECT_FALSE(queue->runWithin([&] { ++ran; }, 10ms, [&] { ++late; }));
    EXPECT_EQ(queue->stop(), 0u);
    queue.reset();
    EXPECT_EQ(ran.load(), 1);
}

TEST(DeviceCommandQueueTest, StoppingWithTimeLetsTheJobsHandedOverFinishAndTakesNoNewOnes)
{
    DeviceCommandQueue queue;
    Gate gate;
    std::vector<int> order;
    std::atomic<int> late{0};
    std::atomic<int> extra{0};
    std::atomic<int> wakes{0};
    queue.post([&] {
        gate.pass();
        order.push_back(1);
    });
    gate.waitEntered();
    EXPECT_FALSE(queue.runWithin([&] { order.push_back(2); }, 10ms, [&] { ++late; }));
    queue.post([&] { order.push_back(3); });
    // The running job ends only once the stop has begun: the two behind it are still queued.
    std::thread releaser([&] {
        while (!queue.stopped())
            std::this_thread::yield();
        queue.post([&] { ++extra; });  // too late: not taken
        gate.release();
    });
    EXPECT_EQ(queue.stop(10s, [&] { ++wakes; }), 0u);
    releaser.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(late.load(), 1);  // the follow-up of a job that finished during the stop
    EXPECT_EQ(extra.load(), 0);
    EXPECT_EQ(wakes.load(), 0);  // nothing had to be cut short
    EXPECT_FALSE(queue.runWithin([&] { ++extra; }, 10ms));
    EXPECT_EQ(queue.stop(10s, [&] { ++wakes; }), 0u);
    EXPECT_EQ(wakes.load(), 0);
}

TEST(DeviceCommandQueueTest, ASilentMouseHoldsTheStopOnlyForItsTimeThenItsJobIsWoken)
{
    // A job waiting for an answer that never comes, as an exchange with a silent mouse does,
    // until the channel is cancelled under it; far longer than the stop may take.
    struct SilentMouse {
        std::mutex mutex;
        std::condition_variable cv;
        bool cancelled = false;
        bool sawCancel = false;
        void awaitAnswer()
        {
            std::unique_lock lock(mutex);
            sawCancel = cv.wait_for(lock, 30s, [this] { return cancelled; });
        }
        void cancel()
        {
            std::lock_guard lock(mutex);
            cancelled = true;
            cv.notify_all();
        }
    } mouse;
    DeviceCommandQueue queue;
    std::vector<int> ran;
    std::atomic<int> wakes{0};
    queue.post([&] { ran.push_back(1); });
    queue.post([&] {
        mouse.awaitAnswer();
        ran.push_back(2);
    });
    queue.post([&] { ran.push_back(3); });
    queue.post([&] { ran.push_back(4); });

    constexpr auto bound = 300ms;
    const auto begin = std::chrono::steady_clock::now();
    const std::size_t dropped = queue.stop(bound, [&] {
        ++wakes;
        mouse.cancel();
    });
    const auto took = std::chrono::steady_clock::now() - begin;
    EXPECT_EQ(dropped, 2u);
    EXPECT_EQ(wakes.load(), 1);
    EXPECT_TRUE(mouse.sawCancel);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_GE(took, bound);
    // The stop ends right after its time: the silent job is woken, not waited for.
    EXPECT_LT(took, bound + 5s);
    EXPECT_EQ(queue.stop(bound, [&] { ++wakes; }), 0u);
    EXPECT_EQ(wakes.load(), 1);
}

}  // namespace
}  // namespace corv
