#pragma once
// The desktop's keyboard as keyboard capture sees it: a source that, while told to listen,
// reports every key press and release as a virtual-key code (the numbering every key table
// of the program uses: 0x41 is A, 0xA1 is Right Shift).
//
// Two ways of listening:
// - PassOn: keys typed into any application are reported and still reach that application
//   (recording a macro, editing its keys);
// - Swallow: keys are reported and no application receives them (capturing the one key of
//   a button assignment).
//
// A source runs on the UI thread's event loop: the loop watches descriptor() for reading and
// calls readable(); when pendingMs() is not negative it calls deadline() that many
// milliseconds later (a source may hold an event back briefly, e.g. to tell an auto-repeat
// from a real release). Key events are handed to the sink from inside listen(), readable()
// or deadline(), never from another thread.
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace corv {

struct KeyEvent {
    KeyEvent() = default;
    KeyEvent(std::uint16_t code, bool press, std::optional<std::uint32_t> time = std::nullopt)
        : vk(code), down(press), timeMs(time)
    { }

    std::uint16_t vk = 0;  // virtual-key code
    bool down = true;      // press or release
    // When the key was typed, in milliseconds on the clock of the source's own events (the
    // X server's time, the window system's time of a Qt key event; 32 bits that wrap), so
    // that the delays between keys do not depend on when the events were handled. Empty
    // when the source does not know it (keys from scripts, synthesized events).
    std::optional<std::uint32_t> timeMs;
};

class KeyboardSource {
public:
    enum class Listen { Off, PassOn, Swallow };
    using Sink = std::function<void(const KeyEvent&)>;

    virtual ~KeyboardSource() = default;

    // Where the key events go.
    void setSink(Sink sink) { sink_ = std::move(sink); }

    // Switches the way of listening. False when it cannot listen that way (another program
    // holds the keyboard, the display lacks an extension, the connection is gone); the
    // source then reports nothing until the next successful call. Off always succeeds.
    virtual bool listen(Listen how) = 0;

    // Whether keys typed into other applications are seen. False for a source that only sees
    // the keys typed into this program's own windows.
    virtual bool desktopWide() const = 0;

    // Event-loop integration (see above). A descriptor is valid for the source's whole life.
    virtual int descriptor() const { return -1; }
    virtual void readable() { }
    virtual int pendingMs() const { return -1; }
    virtual void deadline() { }

protected:
    void emitKey(const KeyEvent& event) const
    {
        if (sink_)
            sink_(event);
    }

private:
    Sink sink_;
};

}  // namespace corv
