// The X11 keyboard against a private X server. Another client of that server plays the
// application the user types into: it has a window with the input focus and sends the
// keys itself through XTEST, as if typed on the server's keyboard. Nothing waits a fixed
// time: each step pumps the source and the client until what it expects has arrived, with
// a generous bound that only fails the test.
#include <gtest/gtest.h>
#include <poll.h>

#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "ScopedEnv.h"
#include "TypingClient.h"
#include "XvfbServer.h"
#include "platform/X11KeyboardSource.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace corv {
namespace {

using namespace std::chrono_literals;
using test::XvfbServer;
using Listen = KeyboardSource::Listen;

constexpr auto kBound = 10s;

using test::ClientKey;
using OtherClient = test::TypingClient;

class X11Keyboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(xvfb.running()) << xvfb.error();
        client = std::make_unique<OtherClient>(xvfb.display());
        ASSERT_TRUE(client->ok()) << "cannot connect to " << xvfb.display();
        source = X11KeyboardSource::open(xvfb.display());
        ASSERT_TRUE(source) << "no keyboard source on " << xvfb.display();
        source->setSink([this](const KeyEvent& e) { reported.push_back(e); });
        a = client->keycodeOf(XK_a);
        b = client->keycodeOf(XK_b);
        ASSERT_NE(a, 0);
        ASSERT_NE(b, 0);
    }

    // Runs the source as the event loop would, and reads the client, until done() holds.
    bool pumpUntil(const std::function<bool()>& done)
    {
        const auto end = std::chrono::steady_clock::now() + kBound;
        while (!done()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            if (left <= 0)
                return false;
            int timeout = static_cast<int>(left);
            if (source->pendingMs() >= 0)
                timeout = std::min(timeout, source->pendingMs());
            pollfd fds[2] = {{source->descriptor(), POLLIN, 0}, {client->fd(), POLLIN, 0}};
            if (::poll(fds, 2, timeout) < 0)
                return false;
            if ((fds[0].revents & POLLIN) != 0)
                source->readable();
            if (source->pendingMs() == 0)
                source->deadline();
            client->read();
        }
        return true;
    }
    bool clientGot(std::size_t n)
    {
        return pumpUntil([&] { return client->keys.size() >= n; });
    }
    bool sourceGot(std::size_t n)
    {
        return pumpUntil([&] { return reported.size() >= n; });
    }
    static bool same(const std::vector<KeyEvent>& got, const std::vector<KeyEvent>& want)
    {
        return std::equal(got.begin(), got.end(), want.begin(), want.end(),
                          [](const KeyEvent& x, const KeyEvent& y) { return x.vk == y.vk && x.down == y.down; });
    }

    XvfbServer xvfb;
    std::unique_ptr<OtherClient> client;
    std::unique_ptr<X11KeyboardSource> source;
    std::vector<KeyEvent> reported;
    std::uint8_t a = 0;
    std::uint8_t b = 0;
};

TEST_F(X11Keyboard, PassOnReportsKeysTypedIntoAnotherApplicationThatStillReceivesThem)
{
    const std::uint8_t rightShift = client->keycodeOf(XK_Shift_R);
    const std::uint8_t keypadOne = client->keycodeOf(XK_KP_End);  // Num Lock is off
    ASSERT_NE(rightShift, 0);
    ASSERT_NE(keypadOne, 0);
    ASSERT_TRUE(source->listen(Listen::PassOn));
    client->tap(a);
    client->tap(rightShift);
    client->tap(keypadOne);

    ASSERT_TRUE(sourceGot(6)) << reported.size() << " reported";
    EXPECT_TRUE(
        same(reported, {{0x41, true}, {0x41, false}, {0xA1, true}, {0xA1, false}, {0x61, true}, {0x61, false}}));
    // Each key carries the server's time of its event, in the order typed.
    for (std::size_t i = 0; i < reported.size(); ++i) {
        ASSERT_TRUE(reported[i].timeMs.has_value()) << i;
        if (i > 0) {
            EXPECT_LE(*reported[i - 1].timeMs, *reported[i].timeMs) << i;
        }
    }
    ASSERT_TRUE(clientGot(6)) << client->keys.size() << " received";
    EXPECT_EQ(
        client->keys,
        (std::vector<ClientKey>{
            {a, true}, {a, false}, {rightShift, true}, {rightShift, false}, {keypadOne, true}, {keypadOne, false}}));

    // Everything is reported: the source is idle and does not wake the event loop.
    EXPECT_EQ(source->pendingMs(), -1);
    pollfd watch{source->descriptor(), POLLIN, 0};
    EXPECT_EQ(::poll(&watch, 1, 0), 0);
}

TEST_F(X11Keyboard, NothingIsReportedWhileOff)
{
    ASSERT_TRUE(source->listen(Listen::PassOn));
    ASSERT_TRUE(source->listen(Listen::Off));
    client->tap(a);
    // The client receives the key; the source, read all along, reports nothing. Then it
    // listens again and the next key is the first it reports.
    ASSERT_TRUE(clientGot(2));
    ASSERT_TRUE(source->listen(Listen::PassOn));
    client->tap(b);
    ASSERT_TRUE(sourceGot(2));
    EXPECT_TRUE(same(reported, {{0x42, true}, {0x42, false}}));
}

TEST_F(X11Keyboard, AskingForTheSameWayOfListeningKeepsAHeldRelease)
{
    ASSERT_TRUE(source->listen(Listen::PassOn));
    client->tap(a);
    ASSERT_TRUE(pumpUntil([&] { return source->pendingMs() >= 0 || reported.size() >= 2; }));
    // Another owner installs a hook of the same kind while the release is held back.
    ASSERT_TRUE(source->listen(Listen::PassOn));
    ASSERT_TRUE(sourceGot(2));
    EXPECT_TRUE(same(reported, {{0x41, true}, {0x41, false}}));
}

TEST_F(X11Keyboard, SwallowKeepsKeysFromOtherApplicationsUntilOff)
{
    ASSERT_TRUE(source->listen(Listen::Swallow));
    client->tap(a);
    ASSERT_TRUE(sourceGot(2));
    EXPECT_TRUE(same(reported, {{0x41, true}, {0x41, false}}));

    ASSERT_TRUE(source->listen(Listen::Off));
    client->tap(b);
    ASSERT_TRUE(clientGot(2));
    // Keys reach the client in the order they were typed: the swallowed A would come first.
    EXPECT_EQ(client->keys, (std::vector<ClientKey>{{b, true}, {b, false}}));
    EXPECT_EQ(reported.size(), 2U);
}

TEST_F(X11Keyboard, SwallowThenPassOnGivesTheKeysBack)
{
    ASSERT_TRUE(source->listen(Listen::Swallow));
    ASSERT_TRUE(source->listen(Listen::PassOn));
    client->tap(a);
    ASSERT_TRUE(clientGot(2));
    ASSERT_TRUE(sourceGot(2));
    EXPECT_TRUE(same(reported, {{0x41, true}, {0x41, false}}));
}

TEST_F(X11Keyboard, SwallowIsRefusedWhileAnotherApplicationHoldsTheKeyboard)
{
    ASSERT_TRUE(client->grabKeyboard());
    EXPECT_FALSE(source->listen(Listen::Swallow));
    EXPECT_EQ(source->listening(), Listen::Off);
    client->tap(a);
    ASSERT_TRUE(clientGot(2));
    EXPECT_TRUE(reported.empty());

    client->ungrabKeyboard();
    ASSERT_TRUE(source->listen(Listen::Swallow));
    client->tap(b);
    ASSERT_TRUE(sourceGot(2));
    EXPECT_TRUE(same(reported, {{0x42, true}, {0x42, false}}));
    EXPECT_EQ(client->keys.size(), 2U);
}

TEST_F(X11Keyboard, AChangedKeyMapNamesKeysByTheirNewSymbols)
{
    ASSERT_TRUE(source->listen(Listen::PassOn));
    client->remap(a, XK_q);
    client->tap(a);
    ASSERT_TRUE(sourceGot(2));
    EXPECT_TRUE(same(reported, {{0x51, true}, {0x51, false}}));
}

TEST_F(X11Keyboard, AVanishedServerLeavesAQuietSourceThatRefusesToListen)
{
    ASSERT_TRUE(source->listen(Listen::PassOn));
    const int fd = source->descriptor();
    xvfb.kill();
    ASSERT_TRUE(pumpUntil([&] { return !source->connected(); }));
    pollfd watch{fd, POLLIN, 0};
    EXPECT_EQ(::poll(&watch, 1, 0), 0) << "the descriptor still wakes the event loop";
    EXPECT_EQ(source->descriptor(), fd);
    EXPECT_FALSE(source->listen(Listen::PassOn));
    EXPECT_FALSE(source->listen(Listen::Swallow));
    EXPECT_TRUE(source->listen(Listen::Off));
    EXPECT_EQ(source->pendingMs(), -1);
    EXPECT_TRUE(reported.empty());
}

TEST(X11KeyboardFactory, NoDisplayGivesNoSource)
{
    {
        test::ScopedEnv display("DISPLAY", std::nullopt);
        EXPECT_EQ(makeX11KeyboardSource(), nullptr);
    }
    EXPECT_EQ(X11KeyboardSource::open(":9999"), nullptr);
}

}  // namespace
}  // namespace corv
