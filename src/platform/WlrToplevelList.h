#pragma once
// The windows a wlroots compositor lists through its foreign-toplevel protocol, as the
// compositor tells them: each window's app id and whether it is activated. Changes to a
// window wait for its "done" event, so that a half-told change is never seen. What the
// compositor sends is taken as it comes, hostile or broken: events for unknown windows are
// ignored, a state array of odd length is read up to its last whole entry, and an app id is
// cut to kMaxAppIdChars characters (malformed UTF-8 bytes are kept, each counting as one).
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/ForegroundWatcher.h"

namespace corv {

class WlrToplevelList {
public:
    static constexpr std::size_t kMaxAppIdChars = 255;
    // The protocol's value for an activated window in a state array.
    static constexpr std::uint32_t kActivated = 2;

    // A new window (id: any number unique among the windows listed; a repeated id starts over).
    void added(std::uint32_t id);
    void appIdChanged(std::uint32_t id, std::string_view appId);
    // states: the raw bytes of the protocol's array of 32-bit state values.
    void stateChanged(std::uint32_t id, const void* states, std::size_t bytes);
    // The window's pending changes become its state.
    void done(std::uint32_t id);
    void closed(std::uint32_t id);

    std::size_t size() const { return windows_.size(); }
    // The activated window: its app id, no pid, no executable (the protocol names neither);
    // an activated window without an app id gives none, as nothing could match it.
    // When several are activated (one per seat), the one activated last. None when no
    // window is activated.
    ForegroundProgram front() const;

private:
    struct Window {
        std::string appId;
        bool activated = false;
        std::string pendingAppId;
        bool pendingActivated = false;
        std::uint64_t activatedAt = 0;  // the order of activation, for several activated windows
    };
    std::map<std::uint32_t, Window> windows_;
    std::uint64_t activations_ = 0;
};

}  // namespace corv
