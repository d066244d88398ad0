// Macro file lines and the editor's operations on a macro file: parsing, delays and their
// units, moving, deleting and inserting rows, and what reaches the file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "MacroTestSupport.h"
#include "macros/MacroAction.h"
#include "macros/MacroFile.h"

namespace corv {
namespace {

using test::readBytes;
using test::writeBytes;
using Lines = std::vector<std::string>;

TEST(MacroAction, LinesParseFieldByFieldAndTheNameKeepsItsCommas)
{
    const std::optional<MacroAction> press = MacroAction::parse("1,4,202,1,A");
    ASSERT_TRUE(press);
    EXPECT_EQ(*press, (MacroAction{1, 4, 202, 1, "A"}));
    EXPECT_TRUE(press->isKeyEvent());
    EXPECT_EQ(press->toLine(), "1,4,202,1,A");

    const std::optional<MacroAction> wait = MacroAction::parse("0,12,0,1,A");
    ASSERT_TRUE(wait);
    EXPECT_FALSE(wait->isKeyEvent());
    EXPECT_EQ(wait->delayMs(), 120);

    // Everything after the fourth comma is the name.
    const std::optional<MacroAction> commas = MacroAction::parse("1,54,202,1,<,>");
    ASSERT_TRUE(commas);
    EXPECT_EQ(commas->name, "<,>");
    EXPECT_EQ(commas->down, 1);
    EXPECT_EQ(commas->toLine(), "1,54,202,1,<,>");

    EXPECT_EQ(MacroAction::parse(" 0 , 3 ,1,0,")->delayMs(), (256 + 3) * 10);
    EXPECT_EQ(MacroAction::parse("0,1,0,0,")->name, "");
    // Any kind other than 1 is a delay.
    EXPECT_FALSE(MacroAction::parse("7,1,0,0,x")->isKeyEvent());
}

TEST(MacroAction, LinesThatCannotBeParsedOrDoNotFitTheirBytesAreZeroDelays)
{
    for (const char* bad :
         {"0", "", "1,4,202,1", "1,4,x,1,A", "1,,202,1,A", "a,4,202,1,A", "1,4,202,1A,B", "1,+,202,1,A"}) {
        EXPECT_FALSE(MacroAction::parse(bad)) << bad;
        const MacroAction zero = MacroAction::parseOrZeroDelay(bad);
        EXPECT_FALSE(zero.isKeyEvent()) << bad;
        EXPECT_EQ(zero.byte0(), 0) << bad;
        EXPECT_EQ(zero.byte1(), 0) << bad;
    }

    // Numbers that the action's two bytes cannot hold: a delay's low part above 255 or high
    // part above 127 (its bit 7 would make a key event), a negative number anywhere, a key
    // event whose flags or code belong to no key of the table. Each is read as it stands but
    // played and shown as a zero delay.
    for (const char* damaged : {"0,30,99999,1,A", "0,-1,-1,0,A", "0,256,0,0,", "0,0,128,0,", "0,300,1,0,", "-1,0,0,0,",
                                "0,0,0,-1,", "1,4,10,1,A", "1,4,74,1,A", "1,4,203,1,A", "1,4,458,1,A", "1,240,202,1,A",
                                "1,0,202,1,A", "1,260,202,1,A", "1,-252,202,1,A", "1,3,201,1,LShift", "1,4,202,-1,A"}) {
        EXPECT_TRUE(MacroAction::parse(damaged)) << damaged;
        EXPECT_FALSE(MacroAction::parseFitting(damaged)) << damaged;
        EXPECT_EQ(MacroAction::parseOrZeroDelay(damaged), MacroAction{}) << damaged;
    }
    // The largest delay and the four kinds of key event fit.
    for (const char* good :
         {"0,255,127,0,", "7,0,0,1,x", "1,4,202,1,A", "1,4,138,0,A", "1,2,201,1,LShift", "1,2,137,0,LShift"})
        EXPECT_EQ(MacroAction::parseOrZeroDelay(good), MacroAction::parse(good)) << good;
}

TEST(MacroAction, DelaysAreStoredInTenMillisecondUnitsWithinTheirLimit)
{
    const MacroAction d = MacroAction::delay(1234);
    EXPECT_EQ(d.a, 123);
    EXPECT_EQ(d.b, 0);
    EXPECT_EQ(d.delayMs(), 1230);
    EXPECT_EQ(d.toLine(), "0,123,0,0,");
    EXPECT_EQ(MacroAction::delay(2560).a, 0);
    EXPECT_EQ(MacroAction::delay(2560).b, 1);
    const MacroAction max = MacroAction::delay(MacroAction::kMaxDelayMs);
    EXPECT_EQ(max.a, 255);
    EXPECT_EQ(max.b, 127);
    EXPECT_EQ(MacroAction::delay(10'000'000), max);
    EXPECT_EQ(MacroAction::delay(-50).delayMs(), 0);
    // The bytes for the mouse are the low 8 bits of each field.
    const MacroAction wide{0, 300, 513, 0, ""};
    EXPECT_EQ(wide.byte0(), 300 & 0xFF);
    EXPECT_EQ(wide.byte1(), 513 & 0xFF);
}

class MacroFileTest : public test::MacroLibraryTest {
protected:
    std::filesystem::path file = macroFile("Combo");
    // key A with 120 ms, then a 50 ms delay row, then B.
    const Lines rows{"1,4,202,1,A", "0,12,0,1,A", "1,4,138,0,A", "0,5,0,0,A", "1,5,202,1,B"};

    MacroFile loaded() const { return MacroFile::load(file); }
};

TEST_F(MacroFileTest, MissingAndBrokenFilesReadAsWhatTheyHold)
{
    EXPECT_TRUE(MacroFile::load(file).empty());
    EXPECT_TRUE(MacroFile::load({}).empty());

    writeBytes(file, "[MACROACTIONCOUNT]\ncount=-4\n[MACROACTION]\n0=1,4,202,1,A\n");
    EXPECT_TRUE(loaded().empty());

    // A missing line reads as "0"; names of sections and keys compare without case;
    // a UTF-16 file with its BOM is read too.
    writeBytes(file, "[macroactioncount]\nCOUNT=3\n[MacroAction]\n0=1,4,202,1,A\n2=0,9,0,1,A\n");
    EXPECT_EQ(loaded().lines(), (Lines{"1,4,202,1,A", "0", "0,9,0,1,A"}));
    EXPECT_EQ(loaded().action(1), MacroAction{});

    const std::string utf8 = "[MACROACTIONCOUNT]\r\ncount=1\r\n[MACROACTION]\r\n0=1,4,202,1,A\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : utf8) {
        utf16 += c;
        utf16 += '\0';
    }
    writeBytes(file, utf16);
    EXPECT_EQ(loaded().lines(), (Lines{"1,4,202,1,A"}));

    // A NUL byte or a lone carriage return ends its row, so that every row can be saved
    // again (the editor's save refuses them).
    writeBytes(file,
               std::string("[MACROACTIONCOUNT]\ncount=2\n[MACROACTION]\n0=1,4,202,1,A\0junk\n1=0,9,0\r1,B\n", 72));
    MacroFile cut = loaded();
    EXPECT_EQ(cut.lines(), (Lines{"1,4,202,1,A", "0,9,0"}));
    EXPECT_EQ(cut.moveDown(0).result, MacroEditResult::Saved);
    EXPECT_EQ(loaded().lines(), (Lines{"0,9,0", "1,4,202,1,A"}));

    // A count far beyond what a macro can hold does not make the reader allocate it.
    writeBytes(file, "[MACROACTIONCOUNT]\ncount=2000000000\n");
    const MacroFile huge = loaded();
    EXPECT_EQ(huge.storedCount(), 2000000000u);
    EXPECT_EQ(huge.size(), MacroFile::kMaxLines);
}

TEST_F(MacroFileTest, SavingWritesCountAndLinesAndReadsBackTheSame)
{
    MacroFile macro(file);
    ASSERT_EQ(macro.replaceLines(rows), MacroEditResult::Saved);
    EXPECT_EQ(readBytes(file), "[MACROACTIONCOUNT]\ncount=5\n[MACROACTION]\n0=1,4,202,1,A\n1=0,12,0,1,A\n"
                               "2=1,4,138,0,A\n3=0,5,0,0,A\n4=1,5,202,1,B\n");
    EXPECT_EQ(loaded().lines(), rows);
    // Fewer lines replace the file whole: no line of the longer list stays behind.
    ASSERT_EQ(macro.replaceLines({"0,1,0,0,"}), MacroEditResult::Saved);
    EXPECT_EQ(readBytes(file).find("4="), std::string::npos);
    EXPECT_EQ(loaded().lines(), (Lines{"0,1,0,0,"}));

    // A line break would split a line in two: refused, the file keeps its content.
    EXPECT_EQ(macro.replaceLines({"1,4,202,1,A\n5=0,0,0,0,"}), MacroEditResult::InvalidLine);
    EXPECT_EQ(loaded().lines(), (Lines{"0,1,0,0,"}));
}

TEST_F(MacroFileTest, EditingADelayStoresTenMillisecondUnitsAndKeepsItsOwnFields)
{
    MacroFile macro(file);
    ASSERT_EQ(macro.replaceLines({"1,4,202,1,A", "0,0,0,1,A", "1,4,138,0,A"}), MacroEditResult::Saved);
    const MacroEdit edit = macro.setDelay(1, 1234);
    EXPECT_EQ(edit.result, MacroEditResult::Saved);
    EXPECT_EQ(edit.selected, 1u);
    EXPECT_EQ(macro.lines()[1], "0,123,0,1,A");
    const MacroFile reloaded = loaded();
    EXPECT_EQ(reloaded.action(1).a, 123);
    EXPECT_EQ(reloaded.action(1).b, 0);
    EXPECT_EQ(reloaded.action(1).delayMs(), 1230);

    EXPECT_EQ(macro.setDelay(1, 400000).result, MacroEditResult::Saved);
    EXPECT_EQ(loaded().action(1).delayMs(), MacroAction::kMaxDelayMs);
    EXPECT_EQ(macro.setDelay(1, -7).result, MacroEditResult::Saved);
    EXPECT_EQ(loaded().lines()[1], "0,0,0,1,A");

    // Only delay rows take a delay; a row that is not there is refused too.
    const std::string before = readBytes(file);
    EXPECT_EQ(macro.setDelay(0, 100).result, MacroEditResult::NotADelay);
    EXPECT_EQ(macro.setDelay(3, 100).result, MacroEditResult::NoSuchRow);
    EXPECT_EQ(readBytes(file), before);
}

TEST_F(MacroFileTest, DelaysAreInsertedBeforeOrAfterTheSelectedRow)
{
    MacroFile macro(file);
    ASSERT_EQ(macro.replaceLines({"1,4,202,1,A", "1,4,138,0,A"}), MacroEditResult::Saved);

    // Before row 0: the new delay comes first and the former row 0 stays selected.
    MacroEdit edit = macro.insertDelay(0, 250, DelayInsertMode::Before);
    EXPECT_EQ(edit.result, MacroEditResult::Saved);
    EXPECT_EQ(edit.selected, 1u);
    EXPECT_EQ(loaded().lines(), (Lines{"0,25,0,0,", "1,4,202,1,A", "1,4,138,0,A"}));

    // After row 1: inserted at 2, row 1 stays selected.
    edit = macro.insertDelay(1, 30, DelayInsertMode::After);
    EXPECT_EQ(edit.selected, 1u);
    EXPECT_EQ(loaded().lines(), (Lines{"0,25,0,0,", "1,4,202,1,A", "0,3,0,0,", "1,4,138,0,A"}));

    // After the last row appends.
    edit = macro.insertDelay(3, 10, DelayInsertMode::After);
    EXPECT_EQ(loaded().lines().back(), "0,1,0,0,");

    // Nothing selected: After inserts at the top, Before inserts nothing.
    edit = macro.insertDelay(std::nullopt, 20, DelayInsertMode::After);
    EXPECT_EQ(edit.result, MacroEditResult::Saved);
    EXPECT_FALSE(edit.selected);
    EXPECT_EQ(loaded().lines().front(), "0,2,0,0,");
    const std::size_t rowsNow = loaded().size();
    edit = macro.insertDelay(std::nullopt, 20, DelayInsertMode::Before);
    EXPECT_EQ(edit.result, MacroEditResult::Saved);
    EXPECT_EQ(loaded().size(), rowsNow);

    // An insertion into an empty macro with After.
    MacroFile fresh(macroFile("Fresh"));
    EXPECT_EQ(fresh.insertDelay(std::nullopt, 5000, DelayInsertMode::After).result, MacroEditResult::Saved);
    EXPECT_EQ(MacroFile::load(macroFile("Fresh")).lines(), (Lines{"0,244,1,0,"}));

    // A selection outside the list never places a row.
    EXPECT_EQ(macro.insertDelay(99, 10, DelayInsertMode::After).result, MacroEditResult::NoSuchRow);
    EXPECT_EQ(loaded().size(), rowsNow);
}

TEST_F(MacroFileTest, MovingAndDeletingRows)
{
    MacroFile macro(file);
    ASSERT_EQ(macro.replaceLines(rows), MacroEditResult::Saved);

    // The first row up and the last row down change nothing (and still save).
    MacroEdit edit = macro.moveUp(0);
    EXPECT_EQ(edit.result, MacroEditResult::Saved);
    EXPECT_EQ(edit.selected, 0u);
    edit = macro.moveDown(rows.size() - 1);
    EXPECT_EQ(edit.selected, rows.size() - 1);
    EXPECT_EQ(loaded().lines(), rows);
    EXPECT_EQ(macro.moveUp(std::nullopt).result, MacroEditResult::Saved);
    EXPECT_EQ(loaded().lines(), rows);

    edit = macro.moveDown(1);
    EXPECT_EQ(edit.selected, 2u);
    EXPECT_EQ(loaded().lines(), (Lines{rows[0], rows[2], rows[1], rows[3], rows[4]}));
    edit = macro.moveUp(2);
    EXPECT_EQ(edit.selected, 1u);
    EXPECT_EQ(loaded().lines(), rows);

    // Deleting a key event leaves its delay row.
    edit = macro.removeRow(2);
    EXPECT_FALSE(edit.selected);
    EXPECT_EQ(loaded().lines(), (Lines{rows[0], rows[1], rows[3], rows[4]}));
    EXPECT_EQ(macro.removeRow(std::nullopt).result, MacroEditResult::Saved);
    EXPECT_EQ(loaded().size(), 4u);

    // Rows outside the list are refused without writing.
    const std::string before = readBytes(file);
    EXPECT_EQ(macro.moveUp(4).result, MacroEditResult::NoSuchRow);
    EXPECT_EQ(macro.moveDown(9).result, MacroEditResult::NoSuchRow);
    EXPECT_EQ(macro.removeRow(4).result, MacroEditResult::NoSuchRow);
    EXPECT_EQ(readBytes(file), before);
}

TEST_F(MacroFileTest, AFailedSaveLeavesFileAndRowsAsTheyWere)
{
    MacroFile macro(file);
    ASSERT_EQ(macro.replaceLines(rows), MacroEditResult::Saved);
    const std::string before = readBytes(file);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);  // read-only for everybody

    EXPECT_EQ(macro.moveDown(0).result, MacroEditResult::WriteFailed);
    EXPECT_EQ(macro.lines(), rows);
    EXPECT_EQ(macro.removeRow(0).result, MacroEditResult::WriteFailed);
    EXPECT_EQ(macro.insertDelay(0, 10, DelayInsertMode::Before).result, MacroEditResult::WriteFailed);
    EXPECT_EQ(macro.setDelay(1, 10).result, MacroEditResult::WriteFailed);
    EXPECT_EQ(macro.lines(), rows);
    EXPECT_EQ(readBytes(file), before);
    // No temporary file is left behind.
    EXPECT_EQ(test::folderEntries(folder), (std::vector<std::string>{"Combo.mac"}));
}

}  // namespace
}  // namespace corv
