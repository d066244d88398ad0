#include "TypingClient.h"

#include <cstdlib>

#include <xcb/xtest.h>

namespace corv::test {

TypingClient::TypingClient(const std::string& display)
{
    int screen = 0;
    c_ = xcb_connect(display.c_str(), &screen);
    if (xcb_connection_has_error(c_) != 0)
        return;
    const xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    root_ = s->root;
    window_ = xcb_generate_id(c_);
    const std::uint32_t mask = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE;
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, root_, 0, 0, 100, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      s->root_visual, XCB_CW_EVENT_MASK, &mask);
    xcb_map_window(c_, window_);
    xcb_set_input_focus(c_, XCB_INPUT_FOCUS_POINTER_ROOT, window_, XCB_CURRENT_TIME);
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));  // all of it has happened

    const xcb_setup_t* setup = xcb_get_setup(c_);
    minKeycode_ = setup->min_keycode;
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    auto* map = xcb_get_keyboard_mapping_reply(c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, count), nullptr);
    if (map != nullptr) {
        const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(map);
        symbols_.assign(symbols, symbols + xcb_get_keyboard_mapping_keysyms_length(map));
        perKeycode_ = map->keysyms_per_keycode;
        std::free(map);
    }
    ok_ = perKeycode_ > 0;
}

TypingClient::~TypingClient()
{
    if (c_ != nullptr)
        xcb_disconnect(c_);
}

std::uint8_t TypingClient::keycodeOf(std::uint32_t keysym) const
{
    for (std::size_t i = 0; i + perKeycode_ <= symbols_.size(); i += perKeycode_) {
        if (symbols_[i] == keysym)
            return static_cast<std::uint8_t>(minKeycode_ + i / perKeycode_);
    }
    return 0;
}

void TypingClient::type(std::uint8_t keycode, bool down)
{
    xcb_test_fake_input(c_, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0,
                        0);
    xcb_flush(c_);
}

bool TypingClient::grabKeyboard()
{
    auto* reply = xcb_grab_keyboard_reply(
        c_, xcb_grab_keyboard(c_, 0, root_, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr);
    const bool granted = reply != nullptr && reply->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(reply);
    return granted;
}

void TypingClient::ungrabKeyboard()
{
    xcb_ungrab_keyboard(c_, XCB_CURRENT_TIME);
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

void TypingClient::remap(std::uint8_t keycode, std::uint32_t keysym)
{
    const std::vector<xcb_keysym_t> levels(perKeycode_, keysym);
    xcb_change_keyboard_mapping(c_, 1, keycode, static_cast<std::uint8_t>(perKeycode_), levels.data());
    xcb_flush(c_);
}

void TypingClient::read()
{
    while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
        const std::uint8_t type = event->response_type & 0x7F;
        if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE)
            keys.push_back({reinterpret_cast<xcb_key_press_event_t*>(event)->detail, type == XCB_KEY_PRESS});
        std::free(event);
    }
}

}  // namespace corv::test
