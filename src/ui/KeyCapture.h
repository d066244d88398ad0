#pragma once
// The one place where key strokes meet whoever captures the keyboard (the macro recorder,
// the single-key window). A capture registers a sink; key events, from the keyboard listener
// or from a script, are delivered to the active capture, which is the one registered last.
// Removing a capture makes the one registered before it active again.
//
// UI thread only: registering, removing and delivering on another thread is refused with a
// warning (a listener thread hands its events to the UI thread first).
#include <functional>

namespace corv::ui {

struct KeyStroke {
    int vk = 0;        // virtual-key code, as the key table numbers keys (0x41 is A)
    bool down = true;  // press or release
};

using KeySink = std::function<void(const KeyStroke&)>;

class KeyCapture {
public:
    // Registers sink as the active capture for the life of this object.
    explicit KeyCapture(KeySink sink);
    ~KeyCapture();
    KeyCapture(const KeyCapture&) = delete;
    KeyCapture& operator=(const KeyCapture&) = delete;

    // Whether this capture receives the keys now.
    bool IsActive() const;

    // Whether any capture is registered.
    static bool AnyActive();
    // Hands a key stroke to the active capture. False (and nothing delivered) when none is
    // registered or off the UI thread. The sink may remove its own capture, or register a new
    // one, while it runs.
    static bool Deliver(const KeyStroke& key);

private:
    KeySink sink_;
    bool registered_ = false;
};

}  // namespace corv::ui
