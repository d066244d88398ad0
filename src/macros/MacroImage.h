#pragma once
// The mouse's macro image: every macro of the library in one block of bytes, little-endian
// throughout.
//   0   2   signature 0x55AA (bytes AA 55)
//   2   2   total length L in bytes
//   4   2   number of macros N
//   6   10  reserved, zero
//   16  2N  offset table: entry i is the offset of macro block i from the image's start
//   ..      the blocks, macro 0 first, each directly after the previous one
// A block: 2 bytes action count M, 2 reserved zero bytes, then M actions of 2 bytes (the a
// and b fields of the macro file's lines). L = 16 + 6N + 2(M0 + M1 + ...).
// Macro i of the image is macro i of the library, so a button playing macro i plays it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "macros/MacroFile.h"

namespace corv {

class MacroImage {
public:
    static constexpr std::size_t kHeaderSize = 16;
    static constexpr std::size_t kTableEntrySize = 2;
    static constexpr std::size_t kBlockHeaderSize = 4;
    static constexpr std::size_t kActionSize = 2;
    static constexpr std::size_t kMaxLength = 0xFFFF;  // the length field's limit

    using Action = std::array<std::uint8_t, 2>;
    using Macro = std::vector<Action>;

    // The macros of the library in dataFolder, in index order, each read once from its
    // file (a macro without a file, or whose name cannot be a file name, has no actions).
    // names, when given, receives their names as the index gives them.
    static std::vector<MacroFile> readLibrary(const std::filesystem::path& dataFolder,
                                              std::vector<std::string>* names = nullptr);

    // L for these macros, from their files' stated counts.
    static std::size_t lengthOf(const std::vector<MacroFile>& macros);
    // The bytes of the image area that holds capacityUnits units of 128 bytes.
    static std::size_t capacityBytes(std::uint8_t capacityUnits);
    // 0 when an image of `length` bytes fits the area; else the number of actions the
    // user is asked to remove: (length - capacity) / 2 + 1.
    static long actionsOver(std::size_t length, std::uint8_t capacityUnits);

    // The image of these macros, sized and filled from the same data; an unparsable,
    // damaged (MacroAction::fits) or missing line is stored as a zero delay (0, 0), so an
    // action with bit 7 of its second byte set is always a key event of the key table.
    // Empty when the image would be longer than kMaxLength. damagedLines, when given, is
    // set to the number of lines held in the files that went in as zero delays.
    static std::vector<std::uint8_t> pack(const std::vector<MacroFile>& macros, std::size_t* damagedLines = nullptr);
    // The number of lines held in these files that cannot be parsed or are damaged.
    static std::size_t damagedLinesOf(const std::vector<MacroFile>& macros);

    // The macros of an image read from the mouse, after checking it against itself and the
    // size of the area read: signature, a length within the area and at least the header,
    // the offset table within the length, and every block with all its actions within the
    // length (and outside the header and table). nullopt when anything is inconsistent.
    static std::optional<std::vector<Macro>> parse(std::span<const std::uint8_t> area);

    // The macro file lines of one macro of the image. A key event (bit 7 of its second byte)
    // is named after the first recordable key-table row matching its code (modifier bit for
    // type 9, usage for type 10); with no match it takes the name of the key event before
    // it. A delay repeats the down flag and name of the key event before it (0 and empty
    // before the first one).
    static std::vector<std::string> toLines(const Macro& macro);
};

}  // namespace corv
