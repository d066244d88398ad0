#pragma once
// sway's i3 IPC as the sway foreground watcher reads it: the framing of the socket and the
// parts of the window and workspace events and of the tree that tell which window has the
// focus. Pure functions over bytes, so that recorded transcripts and hostile input test them.
//
// A message is "i3-ipc", a 32-bit payload length and a 32-bit type (both in the machine's
// byte order), then the JSON payload. Events have the high bit of the type set.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ForegroundWatcher.h"

namespace corv::sway {

constexpr std::uint32_t kRunCommand = 0;
constexpr std::uint32_t kSubscribe = 2;
constexpr std::uint32_t kGetTree = 4;
constexpr std::uint32_t kEventFlag = 0x80000000U;
constexpr std::uint32_t kWorkspaceEvent = kEventFlag | 0;
constexpr std::uint32_t kWindowEvent = kEventFlag | 3;
// A payload longer than this is taken for a broken stream (a tree of thousands of windows
// stays far below it).
constexpr std::uint32_t kMaxPayload = 16U << 20;

// One message to send.
std::string encode(std::uint32_t type, std::string_view payload);

struct Message {
    std::uint32_t type = 0;
    std::string payload;
};

// Cuts the byte stream of the socket into messages.
class Framer {
public:
    // Appends bytes read from the socket.
    void feed(std::string_view bytes);
    // The next whole message, if one is there. Once the stream is found broken (a wrong
    // magic, or a length above kMaxPayload) nothing more comes out.
    std::optional<Message> next();
    bool broken() const { return broken_; }

private:
    std::string buffer_;
    bool broken_ = false;
};

// What an event or the tree says about the focus.
struct FocusNews {
    enum Kind {
        Nothing,    // unrelated (a title changed, a window opened without the focus, ...)
        Window,     // this window has the focus now: program
        NoWindow,   // nothing has the focus (an empty workspace is in front)
        AskTheTree  // the focus may have moved where no event says (a focused window closed)
    };
    Kind kind = Nothing;
    ForegroundProgram program;   // pid and app id (or X11 class); no executable yet
    std::int64_t container = 0;  // sway's id of the window, for Window
};

// A window event ("focus", "close", ...); malformed JSON, or a focus event without a
// window of a process (pid 0), gives Nothing or NoWindow, never a throw.
FocusNews readWindowEvent(std::string_view payload);
// A workspace event: a focused workspace without windows is NoWindow; any other is
// Nothing (the window event of its focused window follows).
FocusNews readWorkspaceEvent(std::string_view payload);
// The reply of GET_TREE: the focused window, or NoWindow when a workspace (or nothing) has
// the focus. Nesting beyond a sane depth counts as no focused window.
FocusNews readTree(std::string_view payload);

}  // namespace corv::sway
