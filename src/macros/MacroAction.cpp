#include "macros/MacroAction.h"

#include <algorithm>

#include "keys/KeyTable.h"
#include "platform/IniFile.h"

namespace corv {

namespace {

constexpr long kKeyEventFlag = 0x80;
constexpr long kPressedFlag = 0x40;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A decimal number with optional blanks around it and an optional sign.
std::optional<long> decimal(std::string_view field)
{
    while (!field.empty() && isBlank(field.front()))
        field.remove_prefix(1);
    while (!field.empty() && isBlank(field.back()))
        field.remove_suffix(1);
    std::string_view digits = field;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return ini::toLong(field);  // saturates at the 32-bit limits
}

}  // namespace

std::optional<MacroAction> MacroAction::parse(std::string_view line)
{
    MacroAction action;
    long* const targets[] = {&action.kind, &action.a, &action.b, &action.down};
    std::size_t pos = 0;
    for (long* target : targets) {
        const std::size_t comma = line.find(',', pos);
        if (comma == std::string_view::npos)
            return std::nullopt;
        const std::optional<long> value = decimal(line.substr(pos, comma - pos));
        if (!value)
            return std::nullopt;
        *target = *value;
        pos = comma + 1;
    }
    action.name = std::string(line.substr(pos));
    return action;
}

std::optional<MacroAction> MacroAction::parseFitting(std::string_view line)
{
    std::optional<MacroAction> action = parse(line);
    if (action && !action->fits())
        return std::nullopt;
    return action;
}

MacroAction MacroAction::parseOrZeroDelay(std::string_view line)
{
    if (std::optional<MacroAction> action = parseFitting(line))
        return std::move(*action);
    return MacroAction{};
}

bool MacroAction::fits() const
{
    if (kind < 0 || a < 0 || b < 0 || down < 0)
        return false;
    if (!isKeyEvent())
        return a <= 0xFF && b <= 0x7F;
    if (a > 0xFF || b > 0xFF || (b & kKeyEventFlag) == 0)
        return false;
    // 0x80, + 0x40 when pressed, + the type: 137, 138, 201 or 202. Other types match no key.
    const long type = b & ~(kKeyEventFlag | kPressedFlag);
    return findKeyByMacroAction(static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(a)) >= 0;
}

MacroAction MacroAction::delay(long ms, long down, std::string name)
{
    const long units = std::clamp(ms, 0L, kMaxDelayMs) / 10;
    MacroAction action;
    action.kind = kDelay;
    action.a = units % 256;
    action.b = (units / 256) % 128;
    action.down = down;
    action.name = std::move(name);
    return action;
}

std::string MacroAction::toLine() const
{
    return std::to_string(kind) + "," + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(down) + "," +
           name;
}

}  // namespace corv
