#pragma once
// What typed keys become in a macro: the steps that recording and key insertion share.
//
// A key event is turned into a macro action through the key table's keyboard rows (keys
// outside them, such as media keys, give nothing), after an auto-repeat filter: a press of
// the key that went down last, with no release of it in between, is a repeat and gives
// nothing. Each user of the steps (the recorder, the editor's key insertion) keeps its own
// filter.
//
// Delays are measured on a 32-bit millisecond tick (differences wrap as unsigned numbers)
// and limited to MacroAction::kMaxDelayMs.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "macros/MacroAction.h"

namespace corv {

// How the delay before a key event is chosen.
enum class RecordDelay {
    Measured,  // the time since the previous event
    None,      // 0
    Fixed,     // the typed delay
};

class MacroRecorder {
public:
    // The key event action for a press or release of the virtual key vk, after the
    // auto-repeat filter; nothing for a repeat or a key that cannot be recorded.
    std::optional<MacroAction> keyEvent(std::uint16_t vk, bool down);
    // Forgets the key that went down last.
    void resetRepeatFilter() { lastDown_ = 0; }

    // The key event action of a key table row with the given direction.
    static MacroAction keyAction(int row, bool down);
    // The key of a key event action replaced by the recordable key vk, keeping the action's
    // direction; nothing when vk is no recordable key.
    static std::optional<MacroAction> replacedKey(const MacroAction& action, std::uint16_t vk);

    // The typed fixed delay: a decimal number (optional sign; reading stops at the first
    // other character; no digits read 0). Above the limit, or negative, it is the limit, and
    // *limited says so (the edit then shows the limit).
    static long fixedDelay(const std::string& text, bool* limited);
    // The measured delay from the previous tick to now, limited.
    static long measuredDelay(std::uint32_t previous, std::uint32_t now);

    // A delay row for the given delay with the key event's direction and name.
    static MacroAction delayAfter(long ms, const MacroAction& keyEvent);

    // Recording: the rows of the list after a key event was appended (its action and a delay
    // row of 0). When the list then holds more than two rows, the delay row before the new
    // action gets the delay (with the direction and name of the row before it); returns the
    // index of that row, or nothing when no row was completed (the first event of an empty
    // macro, or a row before the new action that is not a delay).
    static std::optional<std::size_t> appendRecorded(std::vector<std::string>& lines, const MacroAction& action,
                                                     long delayMs);

private:
    std::uint16_t lastDown_ = 0;
};

}  // namespace corv
