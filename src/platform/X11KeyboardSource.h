#pragma once
// The desktop's keyboard on an X11 session.
//
// - PassOn: the RECORD extension reports every key event the server processes, whichever
//   application receives it; the keys still reach that application. RECORD sends its data
//   on a connection of its own (the server answers the enabling request with a stream of
//   replies), so the source holds two connections: one for its requests, key map and
//   keyboard grab, and one that carries the recorded data.
// - Swallow: an active grab of the keyboard on the root window; the server then sends every
//   key event to this source and to no application. A grab the server refuses (another
//   program holds one, the keyboard is frozen) makes listen() false.
//
// Nothing is recorded or grabbed while the source is off. Key codes become virtual-key
// codes through the key symbol of their first level (see X11KeySymbols.h), and the
// server's auto-repeat is filtered out (see KeyRepeatFilter.h).
//
// Both connections are watched through one epoll descriptor, read on the UI thread. When
// the X server goes away the source stops watching them, reports nothing more and refuses
// to listen; the descriptor stays valid (and quiet) until the source is destroyed.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/KeyRepeatFilter.h"
#include "platform/KeyboardSource.h"

struct xcb_connection_t;

namespace corv {

class X11KeyboardSource final : public KeyboardSource {
public:
    // displayName: as in DISPLAY (":0"); empty means the value of DISPLAY. Null when the
    // display cannot be opened or lacks the RECORD extension.
    static std::unique_ptr<X11KeyboardSource> open(const std::string& displayName);
    ~X11KeyboardSource() override;
    X11KeyboardSource(const X11KeyboardSource&) = delete;
    X11KeyboardSource& operator=(const X11KeyboardSource&) = delete;

    bool listen(Listen how) override;
    bool desktopWide() const override { return true; }
    int descriptor() const override { return epollFd_; }
    void readable() override;
    int pendingMs() const override;
    void deadline() override;

    // False once either connection to the X server failed.
    bool connected() const { return !broken_; }
    Listen listening() const { return mode_; }

private:
    X11KeyboardSource() = default;
    bool loadKeyMap();
    std::uint32_t keySymbolOf(std::uint8_t keycode) const;
    bool startRecording();
    void stopRecording();
    bool grabKeyboard();
    void releaseGrab();
    bool checkConnections();
    void readControl();
    void readRecorded();
    void takeRecordedData(const std::uint8_t* data, std::size_t size);
    void take(const RawKeyEvent& event, std::uint64_t generation);
    void report(const std::vector<RawKeyEvent>& events, std::uint64_t generation);

    xcb_connection_t* control_ = nullptr;  // requests, key map, grab and grabbed key events
    xcb_connection_t* data_ = nullptr;     // the replies of RECORD
    int epollFd_ = -1;
    std::uint32_t root_ = 0;
    std::uint32_t context_ = 0;          // the RECORD context: key presses and releases of all clients
    std::optional<unsigned> recording_;  // the sequence number of the enabling request
    bool grabbed_ = false;
    bool broken_ = false;
    Listen mode_ = Listen::Off;
    std::uint64_t generation_ = 0;  // counts listen() calls: a key event belongs to one

    std::uint8_t minKeycode_ = 0;
    std::uint8_t symbolsPerKeycode_ = 0;
    std::vector<std::uint32_t> keySymbols_;

    KeyRepeatFilter repeats_;
};

// The X11 keyboard of DISPLAY; null when DISPLAY is unset, the display refuses the
// connection or lacks RECORD.
std::unique_ptr<KeyboardSource> makeX11KeyboardSource();

// Whether the X display displayName offers what recording keys needs (RECORD 1.13).
enum class RecordSupport { NoDisplay, Present, Missing };
RecordSupport x11RecordSupport(const std::string& displayName);

}  // namespace corv
