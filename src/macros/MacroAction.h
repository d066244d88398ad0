#pragma once
// One line of a macro file: "kind,a,b,down,name".
// - A key event (kind 1): a is the key's HID usage or its modifier bit, b its flags
//   (0x80, + 0x40 when pressed, + 10 for an ordinary key or 9 for a modifier key), down 1
//   for a press and 0 for a release, name the key's name in the key table.
// - A delay (any other kind): a and b are the low 8 and high 7 bits of the delay in 10 ms
//   units; down and name repeat those of the key event before it (0 and empty in delays
//   inserted by the editor) and are not played.
// A line whose numbers do not fit the two bytes the mouse stores is damaged (see fits()):
// like a line that cannot be parsed, it is played and shown as a delay of 0. Clamping it
// instead would turn a typing slip into a pause of five minutes, and a key event with
// flags of no key has no nearest value at all.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corv {

struct MacroAction {
    static constexpr long kKeyEvent = 1;
    static constexpr long kDelay = 0;
    static constexpr long kMaxDelayMs = 327670;  // b = 127, a = 255

    long kind = kDelay;
    long a = 0;
    long b = 0;
    long down = 0;
    std::string name;

    // The four numbers are read from the left, each up to its comma; the name is all the
    // text after the fourth comma, so a name with commas in it survives. Blanks around a
    // number are allowed. nullopt when a comma is missing or a number is not decimal.
    static std::optional<MacroAction> parse(std::string_view line);
    // parse(), and nullopt too for a damaged line (one that does not fit()).
    static std::optional<MacroAction> parseFitting(std::string_view line);
    // parseFitting(), with a line it refuses read as a zero delay (0, 0): how a line is
    // played and shown when it is not understood.
    static MacroAction parseOrZeroDelay(std::string_view line);

    // A delay of ms milliseconds (below 0 counts as 0, above kMaxDelayMs as kMaxDelayMs),
    // stored in 10 ms units, rounded down.
    static MacroAction delay(long ms, long down = 0, std::string name = {});

    bool isKeyEvent() const { return kind == kKeyEvent; }
    // Whether the numbers fit the action's two bytes: none below 0; a delay with a in
    // 0..255 and b in 0..127 (bit 7 of the second byte marks a key event); a key event with
    // the flags of a press or release of an ordinary or modifier key and a code the key
    // table has for that type among the keys a macro records.
    bool fits() const;
    // (b * 256 + a) * 10: the delay as it is shown.
    long delayMs() const { return (b * 256 + a) * 10; }
    // The two bytes the mouse stores: the low 8 bits of a and of b.
    std::uint8_t byte0() const { return static_cast<std::uint8_t>(static_cast<unsigned long>(a) & 0xFFu); }
    std::uint8_t byte1() const { return static_cast<std::uint8_t>(static_cast<unsigned long>(b) & 0xFFu); }

    // "%d,%d,%d,%d,%s".
    std::string toLine() const;

    bool operator==(const MacroAction&) const = default;
};

}  // namespace corv
