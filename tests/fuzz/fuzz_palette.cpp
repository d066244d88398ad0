// Palette files (.COL) as hostile input, imported into a profile of any content:
// - an import reads at most 20 bars, a count between 0 and 20;
// - storing the imported keys into the profile reads them back exactly, and every other key
//   of the profile reads as before;
// - the colour table of the bars is 64 bytes with nothing past the 20th colour.
#include <fuzzer/FuzzedDataProvider.h>

#include <fstream>
#include <vector>

#include "FuzzSupport.h"
#include "lighting/PaletteFile.h"
#include "platform/IniFile.h"
#include "platform/IniSyntax.h"
#include "platform/Utf.h"

namespace {

namespace fs = std::filesystem;
using corv::fuzz::Scratch;
using corv::fuzz::writeAll;
using namespace corv;

constexpr const char* kDefault = "\x01missing\x01";

struct Entry {
    std::string section, key, value;
};

std::vector<Entry> snapshot(const fs::path& file)
{
    std::vector<Entry> entries;
    for (const std::string& section : ini::sectionNames(file))
        for (const std::string& key : ini::keyNames(file, section))
            entries.push_back({section, key, ini::readString(file, section, key, kDefault)});
    return entries;
}

bool paletteSection(const std::string& section)
{
    return utf::equalNoCase(ini::trim(section), "COLORCOUNT") || utf::equalNoCase(ini::trim(section), "COLORVALUE");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const fs::path folder = Scratch::get().fresh("palette");
    const fs::path col = folder / "chosen.COL";
    const fs::path profile = folder / "profile.pro";
    const int colourCount = in.ConsumeIntegralInRange<int>(0, 40);
    writeAll(col, in.ConsumeRandomLengthString(4096));
    writeAll(profile, in.ConsumeRemainingBytesAsString());

    const std::optional<lighting::PaletteKeys> imported = lighting::readPaletteFile(col);
    FUZZ_CHECK(imported.has_value(), "an existing palette file could not be read");
    FUZZ_CHECK(imported->count >= 0 && imported->count <= lighting::kPaletteMaxBars,
               "count " + std::to_string(imported->count));

    const std::vector<Entry> before = snapshot(profile);
    if (lighting::writePaletteKeys(profile, *imported)) {
        const lighting::PaletteKeys stored = lighting::readPaletteKeys(profile);
        FUZZ_CHECK(stored == *imported, "the stored palette reads back differently");
        for (const Entry& e : before) {
            if (!paletteSection(e.section))
                FUZZ_CHECK(ini::readString(profile, e.section, e.key, kDefault) == e.value,
                           "changed: [" + e.section + "] " + e.key);
        }
    }

    std::vector<std::uint32_t> colours;
    for (int i = 0; i < colourCount; ++i)
        colours.push_back(static_cast<std::uint32_t>(imported->values[static_cast<std::size_t>(i) % 20]));
    const auto table = lighting::colourTable(colours);
    for (std::size_t b = 60; b < table.size(); ++b)
        FUZZ_CHECK(table[b] == 0, "byte " + std::to_string(b) + " past the 20th colour");
    return 0;
}
