// The mouse's macro image: packing the library (layout, capacity, missing and broken
// files), and rebuilding the library from an image read from the mouse, which is not
// trusted.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "MacroTestSupport.h"
#include "macros/MacroImage.h"
#include "macros/MacroTransfer.h"

namespace corv {
namespace {

using test::readBytes;
using test::writeBytes;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

// An image built by hand from the layout: header, offset table, blocks.
Bytes imageOf(const std::vector<Bytes>& actionBytes)
{
    const std::size_t n = actionBytes.size();
    Bytes image(16 + 2 * n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t offset = image.size();
        image[16 + 2 * i] = static_cast<std::uint8_t>(offset & 0xFF);
        image[16 + 2 * i + 1] = static_cast<std::uint8_t>(offset >> 8);
        const std::size_t m = actionBytes[i].size() / 2;
        image.push_back(static_cast<std::uint8_t>(m & 0xFF));
        image.push_back(static_cast<std::uint8_t>(m >> 8));
        image.push_back(0);
        image.push_back(0);
        image.insert(image.end(), actionBytes[i].begin(), actionBytes[i].end());
    }
    image[0] = 0xAA;
    image[1] = 0x55;
    image[2] = static_cast<std::uint8_t>(image.size() & 0xFF);
    image[3] = static_cast<std::uint8_t>(image.size() >> 8);
    image[4] = static_cast<std::uint8_t>(n & 0xFF);
    image[5] = static_cast<std::uint8_t>(n >> 8);
    return image;
}

void putLe16(Bytes& image, std::size_t at, std::size_t value)
{
    image[at] = static_cast<std::uint8_t>(value & 0xFF);
    image[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// n delay lines of 10 ms each.
Lines delays(std::size_t n) { return Lines(n, "0,1,0,0,"); }

class MacroImageTest : public test::MacroLibraryTest {
protected:
    Bytes packLibrary() const { return MacroImage::pack(MacroImage::readLibrary(folder)); }
};

TEST_F(MacroImageTest, OneMacroOfFourActionsHasTheDocumentedBytes)
{
    writeIndex({"Tap"});
    writeMacro("Tap", test::tap("A", 4, 12));
    const Bytes image = packLibrary();
    ASSERT_EQ(image.size(), 30u);  // 16 + 6 + 8
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 6), (Bytes{0xAA, 0x55, 0x1E, 0x00, 0x01, 0x00}));
    EXPECT_EQ(Bytes(image.begin() + 6, image.begin() + 16), Bytes(10, 0));  // reserved
    EXPECT_EQ(image[16], 18);                                               // table entry 0
    EXPECT_EQ(image[17], 0);
    EXPECT_EQ(Bytes(image.begin() + 18, image.end()), (Bytes{0x04, 0x00, 0x00, 0x00, 4, 202, 12, 0, 4, 138, 0, 0}));
}

TEST_F(MacroImageTest, BlocksFollowEachOtherAndBrokenEntriesPackAsZeros)
{
    // Macro 0 has no file, macro 1 a missing and an unparsable line, macro 2 a name that
    // cannot be a file name; the file of macro 1 states 3 lines but holds 4.
    writeIndex({"Gone", "Odd", "../escape", "Last"});
    writeBytes(macroFile("Odd"), "[MACROACTIONCOUNT]\ncount=3\n[MACROACTION]\n0=1,4,202,1,A\n2=junk\n3=1,5,202,1,B\n");
    writeMacro("Last", {"0,44,1,0,"});
    const Bytes image = packLibrary();
    const std::size_t length = 16 + 6 * 4 + 2 * (0 + 3 + 0 + 1);
    ASSERT_EQ(image.size(), length);
    EXPECT_EQ(image[2], length);
    EXPECT_EQ(image[4], 4);
    const std::size_t table = 16, first = 16 + 8;
    EXPECT_EQ(image[table + 0], first);
    EXPECT_EQ(image[table + 2], first + 4);
    EXPECT_EQ(image[table + 4], first + 4 + 4 + 6);
    EXPECT_EQ(image[table + 6], first + 4 + 4 + 6 + 4);
    EXPECT_EQ(Bytes(image.begin() + first, image.begin() + first + 4), Bytes(4, 0));  // M = 0
    EXPECT_EQ(Bytes(image.begin() + first + 4, image.begin() + first + 14), (Bytes{3, 0, 0, 0, 4, 202, 0, 0, 0, 0}));
    EXPECT_EQ(Bytes(image.end() - 6, image.end()), (Bytes{1, 0, 0, 0, 44, 1}));
    EXPECT_EQ(MacroImage::lengthOf(MacroImage::readLibrary(folder)), length);
}

TEST_F(MacroImageTest, LinesThatDoNotFitTheirBytesNeverReachTheMouseAsKeyEvents)
{
    // Bit 7 of an action's second byte makes it a key event: the two delays below would be
    // played as key releases (1E 9F and FF FF) if their numbers were cut to bytes; the key
    // events have no bit 7, a type of no key, a usage the table does not have.
    const Lines lines = {"0,30,99999,1,A", "0,-1,-1,0,A",  "1,4,10,1,A",       "1,4,203,1,A",
                         "1,240,202,1,A",  "0,255,127,0,", "1,2,201,1,LShift", "1,4,138,0,A"};
    writeIndex({"Odd"});
    writeMacro("Odd", lines);
    const Bytes image = packLibrary();
    ASSERT_EQ(image.size(), 16u + 6u + 2u * lines.size());
    EXPECT_EQ(Bytes(image.begin() + 22, image.end()),
              (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 127, 0x02, 201, 0x04, 138}));

    // The rows show what is sent, and the file keeps its lines.
    const MacroFile odd = MacroFile::load(macroFile("Odd"));
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_FALSE(odd.action(i).isKeyEvent()) << lines[i];
        EXPECT_EQ(odd.action(i).delayMs(), 0) << lines[i];
    }
    EXPECT_EQ(odd.lines(), lines);
}

TEST_F(MacroImageTest, WhatThePackedLibraryLeavesOutIsNoted)
{
    // 52 entries: the first 50 are packed. Among them a name that cannot be a file name, a
    // file above the read limit, a folder in place of a file, and two damaged lines.
    std::vector<std::string> names = {"Odd", "../escape", "Huge", "Folder"};
    for (int i = 0; names.size() < 52; ++i)
        names.push_back("m" + std::to_string(i));
    writeIndex(names);
    writeMacro("Odd", {"0,30,99999,1,A", "1,4,202,1,A", "junk"});
    writeBytes(macroFile("Huge"), "[MACROACTIONCOUNT]\ncount=1\n");
    std::filesystem::resize_file(macroFile("Huge"), kMaxReadBytes + 1);
    std::filesystem::create_directory(macroFile("Folder"));

    Bytes image;
    const MacroWriteOutcome outcome = packMacroLibrary(255, folder, image);
    ASSERT_EQ(outcome.result, MacroWriteResult::Written);
    EXPECT_EQ(outcome.macroCount, 50u);
    EXPECT_EQ(image[4], 50);
    EXPECT_EQ(outcome.macrosLeftOut, 2u);
    EXPECT_EQ(outcome.unusableNames, (std::vector<std::string>{"../escape"}));
    EXPECT_EQ(outcome.unreadableFiles, (std::vector<std::pair<std::string, ReadStatus>>{
                                           {"Huge", ReadStatus::TooLarge}, {"Folder", ReadStatus::Failed}}));
    EXPECT_EQ(outcome.damagedLines, 2u);

    // An index that cannot be read is no empty library.
    std::filesystem::resize_file(folder / "msMacro.ini", kMaxReadBytes + 1);
    const MacroWriteOutcome unread = packMacroLibrary(255, folder, image);
    EXPECT_EQ(unread.result, MacroWriteResult::NothingToWrite);
    EXPECT_EQ(unread.indexStatus, ReadStatus::TooLarge);
    std::filesystem::remove(folder / "msMacro.ini");
    EXPECT_EQ(packMacroLibrary(255, folder, image).indexStatus, ReadStatus::Missing);
}

TEST_F(MacroImageTest, CapacityEdgesGiveTheNumberOfActionsToRemove)
{
    // One unit holds 128 bytes: L = 128 fits; 130 and 132 ask for 2 and 3 fewer actions.
    EXPECT_EQ(MacroImage::capacityBytes(1), 128u);
    EXPECT_EQ(MacroImage::capacityBytes(255), 32640u);
    EXPECT_EQ(MacroImage::actionsOver(128, 1), 0);
    EXPECT_EQ(MacroImage::actionsOver(130, 1), 2);
    EXPECT_EQ(MacroImage::actionsOver(132, 1), 3);
    EXPECT_EQ(MacroImage::actionsOver(22, 0), 12);

    // The length is that of the files as read: one macro of 53 actions is 128 bytes.
    writeIndex({"M"});
    writeMacro("M", delays(53));
    EXPECT_EQ(MacroImage::lengthOf(MacroImage::readLibrary(folder)), 128u);
    writeMacro("M", delays(55));
    EXPECT_EQ(MacroImage::actionsOver(MacroImage::lengthOf(MacroImage::readLibrary(folder)), 1), 3);

    // A file stating an absurd count is sized by it (and never packed).
    writeBytes(macroFile("M"), "[MACROACTIONCOUNT]\ncount=100000\n");
    const std::vector<MacroFile> huge = MacroImage::readLibrary(folder);
    EXPECT_EQ(MacroImage::lengthOf(huge), 16u + 6u + 200000u);
    EXPECT_TRUE(MacroImage::pack(huge).empty());
}

class MacroRebuildTest : public MacroImageTest { };

TEST_F(MacroRebuildTest, AnImageOfThreeMacrosGrowsALibraryOfOneAndOverwritesAllThree)
{
    writeIndex({"Combo"});
    writeMacro("Combo", delays(9));
    // LShift press (modifier bit 0x02, flags 201), 120 ms, release (137); then A press, an
    // unknown usage 0xF0 (keeps the name A), a delay; then nothing.
    const Bytes image = imageOf({{0x02, 201, 12, 0, 0x02, 137, 0, 0}, {4, 202, 0xF0, 202, 5, 0}, {}});
    const MacroRebuildOutcome outcome = rebuildLibraryFromImage(image, folder);
    EXPECT_EQ(outcome.result, MacroRebuildResult::Rebuilt);
    EXPECT_EQ(outcome.macrosInImage, 3u);
    EXPECT_EQ(outcome.filesWritten, 3u);
    EXPECT_EQ(outcome.addedNames, (std::vector<std::string>{"新建宏1", "新建宏2"}));
    EXPECT_FALSE(outcome.limitReached);
    EXPECT_EQ(index.names(), (std::vector<std::string>{"Combo", "新建宏1", "新建宏2"}));

    EXPECT_EQ(MacroFile::load(macroFile("Combo")).lines(),
              (Lines{"1,2,201,1,LShift", "0,12,0,1,LShift", "1,2,137,0,LShift", "0,0,0,0,LShift"}));
    EXPECT_EQ(MacroFile::load(macroFile("新建宏1")).lines(), (Lines{"1,4,202,1,A", "1,240,202,1,A", "0,5,0,1,A"}));
    EXPECT_EQ(readBytes(macroFile("新建宏2")), "[MACROACTIONCOUNT]\ncount=0\n[MACROACTION]\n");
}

TEST_F(MacroRebuildTest, MacrosBeyondTheImageKeepTheirFilesAndAnEmptyImageChangesNothing)
{
    writeIndex({"a", "b"});
    writeMacro("a", delays(2));
    writeMacro("b", delays(3));
    const std::string b = readBytes(macroFile("b"));
    EXPECT_EQ(rebuildLibraryFromImage(imageOf({{4, 202}}), folder).filesWritten, 1u);
    EXPECT_EQ(MacroFile::load(macroFile("a")).lines(), (Lines{"1,4,202,1,A"}));
    EXPECT_EQ(readBytes(macroFile("b")), b);

    const auto before = snapshot();
    const MacroRebuildOutcome empty = rebuildLibraryFromImage(imageOf({}), folder);
    EXPECT_EQ(empty.result, MacroRebuildResult::Rebuilt);
    EXPECT_EQ(empty.filesWritten, 0u);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(MacroRebuildTest, InconsistentImagesLeaveTheLibraryUntouched)
{
    writeIndex({"a"});
    writeMacro("a", delays(2));
    const Bytes good = imageOf({{4, 202, 4, 138}, {5, 202}});
    std::vector<std::pair<std::string, Bytes>> bad;
    auto variant = [&](const std::string& what, auto change) {
        Bytes image = good;
        change(image);
        bad.emplace_back(what, image);
    };
    variant("signature", [](Bytes& i) { i[0] = 0xAB; });
    variant("shorter than its header", [](Bytes& i) { i.resize(10); });
    variant("length beyond the area", [](Bytes& i) { putLe16(i, 2, i.size() + 1); });
    variant("length below the header", [](Bytes& i) { putLe16(i, 2, 8); });
    variant("count whose table overflows the image", [](Bytes& i) { putLe16(i, 4, 0xFFFF); });
    variant("offset past the end", [](Bytes& i) { putLe16(i, 18, i.size()); });
    variant("offset into the table", [](Bytes& i) { putLe16(i, 16, 16); });
    // Its reserved zero bytes would read as an empty block that is within the length.
    variant("offset into the header", [](Bytes& i) { putLe16(i, 18, 6); });
    variant("block header cut by the end", [](Bytes& i) { putLe16(i, 18, i.size() - 2); });
    variant("block length past the end", [](Bytes& i) { putLe16(i, i[18], 2); });
    variant("block length that overflows", [](Bytes& i) { putLe16(i, i[16], 0xFFFF); });
    variant("blocks cut by a shorter length", [](Bytes& i) { putLe16(i, 2, i.size() - 1); });

    const auto before = snapshot();
    for (const auto& [what, image] : bad) {
        EXPECT_FALSE(MacroImage::parse(image)) << what;
        const MacroRebuildOutcome outcome = rebuildLibraryFromImage(image, folder);
        EXPECT_EQ(outcome.result, MacroRebuildResult::InvalidImage) << what;
        EXPECT_EQ(snapshot(), before) << what;
    }
    EXPECT_TRUE(rebuildLibraryFromImage(Bytes{}, folder).result == MacroRebuildResult::InvalidImage);

    // The area may be longer than the image (the rest is ignored).
    Bytes padded = good;
    padded.resize(good.size() + 40, 0xEE);
    ASSERT_TRUE(MacroImage::parse(padded));
    EXPECT_EQ(MacroImage::parse(padded)->size(), 2u);
}

TEST_F(MacroRebuildTest, OnlyTheMacrosTheLibraryHoldsAreRebuiltAndNothingLeavesTheDataFolder)
{
    // 52 macros into an empty library: 50 entries and files, no more.
    std::vector<Bytes> many(52, Bytes{4, 202});
    const MacroRebuildOutcome outcome = rebuildLibraryFromImage(imageOf(many), folder);
    EXPECT_EQ(outcome.result, MacroRebuildResult::Rebuilt);
    EXPECT_TRUE(outcome.limitReached);
    EXPECT_EQ(outcome.filesWritten, 50u);
    EXPECT_EQ(index.count(), 50u);
    EXPECT_EQ(test::folderEntries(folder).size(), 51u);  // 50 macros and the index
    EXPECT_EQ(index.names().back(), "新建宏50");

    // Entries without a usable name are skipped: no "0.mac", no ".mac", nothing above.
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    writeBytes(folder / "msMacro.ini", "[MACROCOUNT]\ncount=4\n[MACRONAME]\n0=ok\n2=../../outside\n3=..\n");
    const MacroRebuildOutcome skipped =
        rebuildLibraryFromImage(imageOf({{4, 202}, {5, 202}, {6, 202}, {7, 202}}), folder);
    EXPECT_EQ(skipped.result, MacroRebuildResult::Rebuilt);
    EXPECT_EQ(skipped.filesWritten, 1u);
    EXPECT_EQ(skipped.skipped, 3u);
    EXPECT_EQ(test::folderEntries(folder), (std::vector<std::string>{"msMacro.ini", "ok.mac"}));
    EXPECT_FALSE(std::filesystem::exists(home / "outside.mac"));

    // A macro file that is a link to a file elsewhere: the link is replaced, the file it
    // pointed to is not written.
    writeBytes(home / "target.txt", "keep me");
    std::filesystem::remove(folder / "ok.mac");
    std::filesystem::create_symlink(home / "target.txt", folder / "ok.mac");
    EXPECT_EQ(rebuildLibraryFromImage(imageOf({{4, 202}}), folder).filesWritten, 1u);
    EXPECT_EQ(readBytes(home / "target.txt"), "keep me");
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "ok.mac"));
    EXPECT_EQ(MacroFile::load(folder / "ok.mac").lines(), (Lines{"1,4,202,1,A"}));
}

TEST_F(MacroRebuildTest, AFileThatCannotBeWrittenIsReportedAndTheOthersAreStillWritten)
{
    writeIndex({"a", "b"});
    writeMacro("a", delays(1));
    ASSERT_EQ(::chmod(macroFile("a").c_str(), 0444), 0);
    const std::string a = readBytes(macroFile("a"));
    const MacroRebuildOutcome outcome = rebuildLibraryFromImage(imageOf({{4, 202}, {5, 202}}), folder);
    EXPECT_EQ(outcome.result, MacroRebuildResult::WriteFailed);
    EXPECT_EQ(outcome.filesWritten, 1u);
    EXPECT_EQ(readBytes(macroFile("a")), a);
    EXPECT_EQ(MacroFile::load(macroFile("b")).lines(), (Lines{"1,5,202,1,B"}));
}

}  // namespace
}  // namespace corv
