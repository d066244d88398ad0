// The X11 keyboard on the Qt event loop, as the program runs it: a private X server, keys
// typed there through XTEST, and nothing but the event loop reading the source (its epoll
// descriptor through the socket notifier, the held-back release through the timer).
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <QTest>
#include <cstdlib>
#include <vector>

#include "XvfbServer.h"
#include "platform/X11KeyboardSource.h"
#include "ui/KeyboardPump.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace corv::ui {
namespace {

// The key code whose first level is keysym on the display; 0 when there is none.
std::uint8_t keycodeOf(xcb_connection_t* c, std::uint32_t keysym)
{
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    auto* map = xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), nullptr);
    if (map == nullptr)
        return 0;
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(map);
    const int length = xcb_get_keyboard_mapping_keysyms_length(map);
    const int per = map->keysyms_per_keycode;
    std::uint8_t found = 0;
    for (int i = 0; per > 0 && i + per <= length && found == 0; i += per) {
        if (symbols[i] == keysym)
            found = static_cast<std::uint8_t>(setup->min_keycode + i / per);
    }
    std::free(map);
    return found;
}

TEST(X11KeyboardOnTheEventLoop, KeysTypedOnTheDisplayArriveThroughThePump)
{
    test::XvfbServer xvfb;
    ASSERT_TRUE(xvfb.running()) << xvfb.error();
    const auto source = X11KeyboardSource::open(xvfb.display());
    ASSERT_NE(source, nullptr);
    std::vector<KeyEvent> reported;
    source->setSink([&](const KeyEvent& e) { reported.push_back(e); });
    KeyboardPump pump(*source);
    ASSERT_TRUE(source->listen(KeyboardSource::Listen::PassOn));
    pump.rearm();

    xcb_connection_t* typist = xcb_connect(xvfb.display().c_str(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(typist), 0);
    const std::uint8_t f5 = keycodeOf(typist, XK_F5);
    ASSERT_NE(f5, 0);
    xcb_test_fake_input(typist, XCB_KEY_PRESS, f5, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    xcb_test_fake_input(typist, XCB_KEY_RELEASE, f5, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    xcb_flush(typist);

    EXPECT_TRUE(QTest::qWaitFor([&] { return reported.size() >= 2; }, 10000)) << reported.size() << " reported";
    ASSERT_EQ(reported.size(), 2U);
    EXPECT_TRUE(reported[0].vk == 0x74 && reported[0].down);
    EXPECT_TRUE(reported[1].vk == 0x74 && !reported[1].down);
    EXPECT_FALSE(pump.timerActive()) << "nothing is held back any more";
    xcb_disconnect(typist);
    source->listen(KeyboardSource::Listen::Off);
}

}  // namespace
}  // namespace corv::ui
