// The auto-repeat filter on event sequences as the X server sends them.
#include <gtest/gtest.h>

#include <vector>

#include "platform/KeyRepeatFilter.h"

namespace corv {
namespace {

RawKeyEvent press(std::uint8_t keycode, std::uint32_t time) { return {keycode, true, time}; }
RawKeyEvent release(std::uint8_t keycode, std::uint32_t time) { return {keycode, false, time}; }

// Feeds events at the given local times and collects what comes out, expiring a held
// release whenever its time is up before the next event.
class Feed {
public:
    void at(std::int64_t now, const RawKeyEvent& event)
    {
        expireUntil(now);
        for (const RawKeyEvent& e : filter.push(event, now))
            out.push_back(e);
    }
    void expireUntil(std::int64_t now)
    {
        const int wait = filter.pendingMs(clock);
        if (wait >= 0 && clock + wait <= now) {
            if (const auto e = filter.expire(clock + wait))
                out.push_back(*e);
        }
        clock = now;
    }
    KeyRepeatFilter filter;
    std::vector<RawKeyEvent> out;
    std::int64_t clock = 0;
};

TEST(KeyRepeatFilter, AHeldKeyGivesOnePressAndOneRelease)
{
    Feed feed;
    feed.at(0, press(38, 1000));
    // The server repeats every 40 ms: release and press with one server time.
    for (std::uint32_t i = 1; i <= 5; ++i) {
        feed.at(500 + 40 * i, release(38, 1500 + 40 * i));
        feed.at(500 + 40 * i, press(38, 1500 + 40 * i));
    }
    feed.at(900, release(38, 1900));
    EXPECT_TRUE(feed.out.size() == 1 && feed.out[0] == press(38, 1000)) << "the release is held back";
    EXPECT_EQ(feed.filter.pendingMs(900), KeyRepeatFilter::kHoldMs);
    EXPECT_FALSE(feed.filter.expire(900 + KeyRepeatFilter::kHoldMs - 1));
    feed.expireUntil(900 + KeyRepeatFilter::kHoldMs);
    EXPECT_EQ(feed.out, (std::vector<RawKeyEvent>{press(38, 1000), release(38, 1900)}));
    EXPECT_EQ(feed.filter.pendingMs(1000), -1);
}

TEST(KeyRepeatFilter, ARealReleaseAndPressAreKept)
{
    Feed feed;
    feed.at(0, press(38, 100));
    feed.at(10, release(38, 110));
    // Pressed again at another server time: typed twice, not repeated.
    feed.at(12, press(38, 112));
    // Another key pressed at the release's time does not hide the release.
    feed.at(20, release(38, 120));
    feed.at(20, press(56, 120));
    // The held release comes out before an event of another kind too.
    feed.at(25, release(56, 125));
    feed.at(26, release(38, 126));
    feed.expireUntil(1000);
    EXPECT_EQ(feed.out, (std::vector<RawKeyEvent>{press(38, 100), release(38, 110), press(38, 112), release(38, 120),
                                                  press(56, 120), release(56, 125), release(38, 126)}));
}

TEST(KeyRepeatFilter, ClearForgetsTheHeldRelease)
{
    KeyRepeatFilter filter;
    EXPECT_TRUE(filter.push(release(38, 5), 0).empty());
    EXPECT_EQ(filter.pendingMs(10), KeyRepeatFilter::kHoldMs - 10);
    EXPECT_EQ(filter.pendingMs(1000), 0);
    filter.clear();
    EXPECT_EQ(filter.pendingMs(1000), -1);
    EXPECT_FALSE(filter.expire(1000));
    EXPECT_EQ(filter.push(press(38, 5), 1000), (std::vector<RawKeyEvent>{press(38, 5)}));
}

}  // namespace
}  // namespace corv
