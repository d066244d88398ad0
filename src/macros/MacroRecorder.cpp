#include "macros/MacroRecorder.h"

#include <algorithm>

#include "keys/KeyTable.h"

namespace corv {

namespace {

constexpr long kKeyFlags = 0x80;
constexpr long kDownFlag = 0x40;

}  // namespace

std::optional<MacroAction> MacroRecorder::keyEvent(std::uint16_t vk, bool down)
{
    if (down && vk == lastDown_)
        return std::nullopt;  // auto-repeat
    if (down)
        lastDown_ = vk;
    else if (vk == lastDown_)
        lastDown_ = 0;
    const int row = findKeyByVirtualKeyRecordable(vk);
    if (row < 0)
        return std::nullopt;
    return keyAction(row, down);
}

MacroAction MacroRecorder::keyAction(int row, bool down)
{
    const KeyTableRow& key = keyTable()[static_cast<std::size_t>(row)];
    MacroAction action;
    action.kind = MacroAction::kKeyEvent;
    const bool modifier = key.b == 0;
    action.a = modifier ? key.a : key.b;
    action.b = kKeyFlags + (down ? kDownFlag : 0) + (modifier ? kMacroTypeModifier : kMacroTypeKey);
    action.down = down ? 1 : 0;
    action.name = key.name;
    return action;
}

std::optional<MacroAction> MacroRecorder::replacedKey(const MacroAction& action, std::uint16_t vk)
{
    const int row = findKeyByVirtualKeyRecordable(vk);
    if (row < 0)
        return std::nullopt;
    return keyAction(row, action.down != 0);
}

long MacroRecorder::fixedDelay(const std::string& text, bool* limited)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long value = 0;
    bool digits = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        digits = true;
        value = std::min(value * 10 + (text[i] - '0'), MacroAction::kMaxDelayMs + 1);
    }
    const bool over = (negative && digits && value > 0) || value > MacroAction::kMaxDelayMs;
    if (limited != nullptr)
        *limited = over;
    return over ? MacroAction::kMaxDelayMs : value;
}

long MacroRecorder::measuredDelay(std::uint32_t previous, std::uint32_t now)
{
    const std::uint32_t elapsed = now - previous;
    return static_cast<long>(std::min<std::uint32_t>(elapsed, static_cast<std::uint32_t>(MacroAction::kMaxDelayMs)));
}

MacroAction MacroRecorder::delayAfter(long ms, const MacroAction& keyEvent)
{
    return MacroAction::delay(ms, keyEvent.down, keyEvent.name);
}

std::optional<std::size_t> MacroRecorder::appendRecorded(std::vector<std::string>& lines, const MacroAction& action,
                                                         long delayMs)
{
    lines.push_back(action.toLine());
    lines.push_back(delayAfter(0, action).toLine());
    if (lines.size() <= 2)
        return std::nullopt;
    const std::size_t row = lines.size() - 3;
    // Only a delay row takes the delay: in a list whose rows the user rearranged, the row
    // before the new action may be a key event, which must not be overwritten.
    if (MacroAction::parseOrZeroDelay(lines[row]).isKeyEvent())
        return std::nullopt;
    MacroAction before;
    if (row >= 1)
        before = MacroAction::parseOrZeroDelay(lines[row - 1]);
    lines[row] = MacroAction::delay(delayMs, before.down, before.name).toLine();
    return row;
}

}  // namespace corv
