#pragma once
// The mark that a write of the mouse's macro area is under way: a small file in the data
// folder ("msMacroWrite.ini"), made before CMD_BEGIN of the write and removed only after
// CMD_END of a write that completed.
//
// A write cut off by an unplug, a failed command, a crash or a kill leaves the mark behind.
// The area then holds the first part of the new image over the rest of the old one, which
// can pass every check of a complete image; so while the mark is there, the library is never
// rebuilt from the mouse: the files are the truth, and the next connection writes them into
// the mouse again.
//
// The mark is created in place (never over anything, never through a link) and the folder
// is flushed to disk, so a crash right after it still finds it. Only the file's presence
// counts; its content says what was being written, for a person looking into the folder.
#include <cstddef>
#include <filesystem>
#include <string_view>

namespace corv {

class MacroWriteMark {
public:
    static constexpr std::string_view kFileName = "msMacroWrite.ini";

    explicit MacroWriteMark(std::filesystem::path dataFolder);

    std::filesystem::path path() const;
    // Whether a write of the macro area did not finish. Anything in the mark's place counts,
    // also a file that cannot be read: the mouse's macros are then not trusted.
    bool isSet() const;
    // Records that an image of this size is about to be written. False when the mark could
    // not be made: the write must then not begin.
    bool set(std::size_t macroCount, std::size_t imageLength) const;
    // The write completed: the mark goes. False when it could not be removed (it then stays,
    // and the next connection writes the library once more).
    bool clear() const;

private:
    std::filesystem::path folder_;
};

}  // namespace corv
