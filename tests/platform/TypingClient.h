#pragma once
// An application on a test's private X server: a window with the input focus that selects
// key events, and the hand that types on the server's keyboard through XTEST.
#include <cstdint>
#include <string>
#include <vector>

#include <xcb/xcb.h>

namespace corv::test {

struct ClientKey {
    std::uint8_t keycode;
    bool down;
    bool operator==(const ClientKey&) const = default;
};

class TypingClient {
public:
    explicit TypingClient(const std::string& display);
    ~TypingClient();
    TypingClient(const TypingClient&) = delete;
    TypingClient& operator=(const TypingClient&) = delete;

    bool ok() const { return ok_; }
    int fd() const { return xcb_get_file_descriptor(c_); }

    // The key that has the symbol on its first level; 0 when there is none.
    std::uint8_t keycodeOf(std::uint32_t keysym) const;
    void type(std::uint8_t keycode, bool down);
    void tap(std::uint8_t keycode)
    {
        type(keycode, true);
        type(keycode, false);
    }
    bool grabKeyboard();
    void ungrabKeyboard();
    // Gives the key the symbol on every level, as a switch of the keyboard layout does.
    void remap(std::uint8_t keycode, std::uint32_t keysym);
    // Takes the key events that have arrived into `keys`.
    void read();

    std::vector<ClientKey> keys;  // what the window received

private:
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_window_t window_ = 0;
    std::uint8_t minKeycode_ = 0;
    std::size_t perKeycode_ = 0;
    std::vector<xcb_keysym_t> symbols_;
    bool ok_ = false;
};

}  // namespace corv::test
