// The macro library as hostile input: an index and macro files of any content, and a macro
// area of any content read from the mouse.
// - reading a macro file gives at most kMaxLines single-line rows;
// - the image packed from the library has the length it announces and parses back into as
//   many macros, each with its file's actions;
// - no delay line reaches the mouse as a key event (bit 7 of an action's second byte): an
//   action with bit 7 set is a key event line of the key table with exactly those bytes,
//   and every other line is sent as the delay the macro page shows for it;
// - rebuilding the library from an image writes only NAME.mac files and the index inside
//   the data folder: nothing beside the folder changes, a symbolic link in the folder is
//   replaced and never followed, and each rebuilt file reads back as the image's macro.
#include <fuzzer/FuzzedDataProvider.h>

#include <fstream>
#include <map>
#include <set>

#include "FuzzSupport.h"
#include "keys/KeyTable.h"
#include "macros/MacroFile.h"
#include "macros/MacroImage.h"
#include "macros/MacroIndex.h"
#include "macros/MacroTransfer.h"

namespace {

namespace fs = std::filesystem;
using namespace corv;
using corv::fuzz::readAll;
using corv::fuzz::Scratch;
using corv::fuzz::writeAll;

constexpr const char* kSentinel = "not to be touched";

// The flags of a key press or release, of an ordinary key (10) or a modifier key (9).
bool keyEventFlags(std::uint8_t b) { return b == 137 || b == 138 || b == 201 || b == 202; }

// What the mouse gets for each line of a macro, against what the file and the page say.
void checkPacked(const MacroFile& macro, const MacroImage::Macro& packed)
{
    for (std::size_t j = 0; j < packed.size() && j < macro.size(); ++j) {
        const MacroImage::Action& bytes = packed[j];
        const std::string& line = macro.lines()[j];
        const std::optional<MacroAction> stated = MacroAction::parse(line);
        if ((bytes[1] & 0x80) != 0) {
            FUZZ_CHECK(stated && stated->isKeyEvent(), "a line that is no key event packed as one: " + line);
            FUZZ_CHECK(stated->a == bytes[0] && stated->b == bytes[1], "a key event packed with other bytes: " + line);
            FUZZ_CHECK(keyEventFlags(bytes[1]) &&
                           findKeyByMacroAction(static_cast<std::uint8_t>(bytes[1] & 0x3F), bytes[0]) >= 0,
                       "a key event of no key reaches the mouse: " + line);
            continue;
        }
        const MacroAction shown = macro.action(j);
        FUZZ_CHECK(!shown.isKeyEvent() && shown.delayMs() == (bytes[1] * 256 + bytes[0]) * 10,
                   "the page shows another delay than the one sent: " + line);
    }
}

void checkMacro(const MacroFile& macro, const std::string& where)
{
    FUZZ_CHECK(macro.size() <= MacroFile::kMaxLines, "more rows than a macro may have: " + where);
    for (const std::string& line : macro.lines())
        FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
                   "a row with a line break: " + where);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const fs::path outer = Scratch::get().fresh("macros");
    const fs::path folder = outer / "data";
    fs::create_directories(folder);
    writeAll(outer / "sentinel.txt", kSentinel);
    writeAll(outer / "target.txt", kSentinel);
    fs::create_symlink(outer / "target.txt", folder / "link.mac");
    fs::create_symlink(outer / "sentinel.txt", folder / "up.mac");

    const std::uint8_t mode = in.ConsumeIntegral<std::uint8_t>();
    writeAll(folder / "msMacro.ini", in.ConsumeRandomLengthString(2048));
    for (const char* name : {"a.mac", "b.mac", "新建宏1.mac"})
        writeAll(folder / name, in.ConsumeRandomLengthString(4096));

    // The reader and the packer.
    std::vector<MacroFile> library = MacroImage::readLibrary(folder);
    for (const MacroFile& macro : library)
        checkMacro(macro, macro.path().string());
    std::vector<std::uint8_t> image;
    const std::size_t length = MacroImage::lengthOf(library);
    if (length <= MacroImage::kMaxLength) {
        image = MacroImage::pack(library);
        FUZZ_CHECK(image.size() == length, "the packed image is not as long as announced");
        const auto parsed = MacroImage::parse(image);
        FUZZ_CHECK(parsed.has_value(), "a packed image does not parse");
        FUZZ_CHECK(parsed->size() == library.size(), "a packed image parses into another number of macros");
        for (std::size_t i = 0; i < library.size(); ++i)
            FUZZ_CHECK((*parsed)[i].size() == library[i].storedCount() ||
                           library[i].storedCount() > MacroFile::kMaxLines,
                       "a packed macro lost or gained actions");
        for (std::size_t i = 0; i < library.size(); ++i)
            checkPacked(library[i], (*parsed)[i]);
    }

    // The rebuild, from the packed image (changed here and there) or from raw bytes.
    std::vector<std::uint8_t> area;
    if ((mode & 1) != 0 || image.empty()) {
        area = in.ConsumeRemainingBytes<std::uint8_t>();
    } else {
        area = image;
        while (in.remaining_bytes() >= 3 && !area.empty()) {
            const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, area.size() - 1);
            area[at] = in.ConsumeIntegral<std::uint8_t>();
        }
    }
    std::set<fs::path> before;
    for (const fs::directory_entry& e : fs::directory_iterator(folder))
        before.insert(e.path().filename());

    const MacroRebuildOutcome outcome = rebuildLibraryFromImage(area, folder);

    // Beside the data folder nothing changed.
    std::set<fs::path> outside;
    for (const fs::directory_entry& e : fs::directory_iterator(outer))
        outside.insert(e.path().filename());
    FUZZ_CHECK((outside == std::set<fs::path>{"data", "sentinel.txt", "target.txt"}),
               "the rebuild made a file beside the data folder");
    FUZZ_CHECK(readAll(outer / "sentinel.txt") == kSentinel && readAll(outer / "target.txt") == kSentinel,
               "the rebuild wrote through a symbolic link");
    // Inside it: macro files, the index, nothing else; no folders.
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
        const fs::path name = e.path().filename();
        FUZZ_CHECK(e.path().parent_path() == folder, "the rebuild made a folder: " + e.path().string());
        FUZZ_CHECK(before.count(name) != 0 || name.extension() == ".mac",
                   "the rebuild made a file that is no macro: " + e.path().string());
    }
    if (outcome.result != MacroRebuildResult::Rebuilt || outcome.filesWritten == 0)
        return 0;

    // Each rebuilt file holds its macro (a name given twice holds the later macro).
    const auto macros = MacroImage::parse(area);
    FUZZ_CHECK(macros.has_value(), "a rebuild from an image that does not parse");
    const MacroIndex index(folder);
    const std::vector<std::string> names = index.names();
    std::map<fs::path, std::vector<std::string>> expected;
    for (std::size_t i = 0; i < std::min(names.size(), macros->size()); ++i)
        if (const fs::path file = index.macroPath(names[i]); !file.empty())
            expected[file] = MacroImage::toLines((*macros)[i]);
    for (const auto& [file, lines] : expected) {
        const MacroFile reread = MacroFile::load(file);
        checkMacro(reread, file.string());
        FUZZ_CHECK(reread.lines() == lines, "a rebuilt macro file does not read back: " + file.string());
    }
    return 0;
}
