#include "macros/MacroImage.h"

#include <algorithm>

#include "device/DeviceProtocol.h"
#include "keys/KeyTable.h"
#include "macros/MacroIndex.h"

namespace corv {

namespace {

void putLe16(std::uint8_t* at, std::size_t value)
{
    at[0] = static_cast<std::uint8_t>(value & 0xFFu);
    at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFFu);
}

std::size_t le16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::size_t>(bytes[at]) | (static_cast<std::size_t>(bytes[at + 1]) << 8);
}

constexpr std::uint8_t kKeyEventBit = 0x80;
constexpr std::uint8_t kPressedBit = 0x40;
constexpr std::uint8_t kTypeBits = 0x3F;

}  // namespace

std::vector<MacroFile> MacroImage::readLibrary(const std::filesystem::path& dataFolder, std::vector<std::string>* names)
{
    const MacroIndex index(dataFolder);
    const std::vector<std::string> listed = index.names();
    std::vector<MacroFile> macros;
    for (const std::string& name : listed)
        macros.push_back(MacroFile::load(index.macroPath(name)));
    if (names != nullptr)
        *names = listed;
    return macros;
}

std::size_t MacroImage::lengthOf(const std::vector<MacroFile>& macros)
{
    std::size_t length = kHeaderSize;
    for (const MacroFile& macro : macros)
        length += kTableEntrySize + kBlockHeaderSize + kActionSize * macro.storedCount();
    return length;
}

std::size_t MacroImage::capacityBytes(std::uint8_t capacityUnits) { return std::size_t{capacityUnits} * kMacroUnit; }

long MacroImage::actionsOver(std::size_t length, std::uint8_t capacityUnits)
{
    const std::size_t capacity = capacityBytes(capacityUnits);
    if (length <= capacity)
        return 0;
    return static_cast<long>((length - capacity) / kActionSize) + 1;
}

std::size_t MacroImage::damagedLinesOf(const std::vector<MacroFile>& macros)
{
    std::size_t damaged = 0;
    for (const MacroFile& macro : macros) {
        damaged += static_cast<std::size_t>(
            std::count_if(macro.lines().begin(), macro.lines().end(),
                          [](const std::string& line) { return !MacroAction::parseFitting(line).has_value(); }));
    }
    return damaged;
}

std::vector<std::uint8_t> MacroImage::pack(const std::vector<MacroFile>& macros, std::size_t* damagedLines)
{
    if (damagedLines != nullptr)
        *damagedLines = 0;
    const std::size_t length = lengthOf(macros);
    if (length > kMaxLength)
        return {};
    std::vector<std::uint8_t> image(length, 0);
    putLe16(image.data(), kMacroSignature);
    putLe16(image.data() + 2, length);
    putLe16(image.data() + 4, macros.size());
    std::size_t offset = kHeaderSize + kTableEntrySize * macros.size();
    for (std::size_t i = 0; i < macros.size(); ++i) {
        const MacroFile& macro = macros[i];
        // Within kMaxLength, so the stated count is the number of lines held.
        const std::size_t count = macro.storedCount();
        putLe16(image.data() + kHeaderSize + kTableEntrySize * i, offset);
        putLe16(image.data() + offset, count);
        std::uint8_t* action = image.data() + offset + kBlockHeaderSize;
        const std::vector<std::string>& lines = macro.lines();
        for (std::size_t j = 0; j < count; ++j, action += kActionSize) {
            // Each line is parsed once: the bytes and the count of damaged lines come from it.
            std::optional<MacroAction> parsed = j < lines.size() ? MacroAction::parseFitting(lines[j]) : std::nullopt;
            if (!parsed && j < lines.size() && damagedLines != nullptr)
                ++*damagedLines;
            const MacroAction stored = parsed ? std::move(*parsed) : MacroAction{};
            action[0] = stored.byte0();
            action[1] = stored.byte1();
        }
        offset += kBlockHeaderSize + kActionSize * count;
    }
    return image;
}

std::optional<std::vector<MacroImage::Macro>> MacroImage::parse(std::span<const std::uint8_t> area)
{
    if (area.size() < kHeaderSize || le16(area, 0) != kMacroSignature)
        return std::nullopt;
    const std::size_t length = le16(area, 2);
    if (length < kHeaderSize || length > area.size())
        return std::nullopt;
    const std::size_t count = le16(area, 4);
    const std::size_t tableEnd = kHeaderSize + kTableEntrySize * count;
    if (tableEnd > length)
        return std::nullopt;
    std::vector<Macro> macros;
    macros.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = le16(area, kHeaderSize + kTableEntrySize * i);
        if (offset < tableEnd || offset + kBlockHeaderSize > length)
            return std::nullopt;
        const std::size_t actions = le16(area, offset);
        if (offset + kBlockHeaderSize + kActionSize * actions > length)
            return std::nullopt;
        Macro macro(actions);
        for (std::size_t j = 0; j < actions; ++j) {
            const std::size_t at = offset + kBlockHeaderSize + kActionSize * j;
            macro[j] = {area[at], area[at + 1]};
        }
        macros.push_back(std::move(macro));
    }
    return macros;
}

std::vector<std::string> MacroImage::toLines(const Macro& macro)
{
    std::vector<std::string> lines;
    lines.reserve(macro.size());
    long lastDown = 0;
    std::string lastName;
    for (const Action& bytes : macro) {
        MacroAction line;
        line.a = bytes[0];
        line.b = bytes[1];
        if (bytes[1] & kKeyEventBit) {
            line.kind = MacroAction::kKeyEvent;
            line.down = (bytes[1] & kPressedBit) ? 1 : 0;
            const int row = findKeyByMacroAction(static_cast<std::uint8_t>(bytes[1] & kTypeBits), bytes[0]);
            if (row >= 0)
                lastName = keyTable()[static_cast<std::size_t>(row)].name;
            line.name = lastName;
            lastDown = line.down;
        } else {
            line.kind = MacroAction::kDelay;
            line.down = lastDown;
            line.name = lastName;
        }
        lines.push_back(line.toLine());
    }
    return lines;
}

}  // namespace corv
