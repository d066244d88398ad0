// The macro library's index and its operations: new names, the limit, copies, renames,
// deletions, import and export, and names that cannot be file names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "MacroTestSupport.h"
#include "macros/MacroIndex.h"

namespace corv {
namespace {

using test::readBytes;
using test::writeBytes;
using Names = std::vector<std::string>;

class MacroIndexTest : public test::MacroLibraryTest { };

TEST_F(MacroIndexTest, NewMacrosTakeTheSmallestFreeNumberAndGoToTheEnd)
{
    std::string name;
    ASSERT_EQ(index.addNew(&name), MacroResult::Ok);
    EXPECT_EQ(name, "新建宏1");
    ASSERT_EQ(index.addNew(), MacroResult::Ok);
    ASSERT_EQ(index.addNew(), MacroResult::Ok);
    EXPECT_EQ(index.names(), (Names{"新建宏1", "新建宏2", "新建宏3"}));
    EXPECT_FALSE(std::filesystem::exists(macroFile("新建宏1")));  // no file until it is saved

    ASSERT_EQ(index.remove(1), MacroResult::Ok);
    ASSERT_EQ(index.addNew(&name), MacroResult::Ok);
    EXPECT_EQ(name, "新建宏2");
    EXPECT_EQ(index.names(), (Names{"新建宏1", "新建宏3", "新建宏2"}));
    EXPECT_EQ(readBytes(index.indexPath()), "[MACROCOUNT]\ncount=3\n[MACRONAME]\n0=新建宏1\n1=新建宏3\n2=新建宏2\n");
}

TEST_F(MacroIndexTest, TheFiftiethMacroIsAllowedAndTheFiftyFirstRefused)
{
    Names names;
    for (int i = 0; i < 49; ++i)
        names.push_back("m" + std::to_string(i));
    writeIndex(names);
    ASSERT_EQ(index.addNew(), MacroResult::Ok);
    EXPECT_EQ(index.count(), 50u);
    const std::string full = readBytes(index.indexPath());

    EXPECT_EQ(index.addNew(), MacroResult::LimitReached);
    EXPECT_EQ(index.copy(0), MacroResult::LimitReached);
    EXPECT_EQ(readBytes(index.indexPath()), full);
    EXPECT_STREQ(macroResultMessage(MacroResult::LimitReached), "最多支持%d个宏");

    // growTo adds up to the limit and says when it had to stop there.
    writeIndex({"a"});
    std::vector<std::string> added;
    EXPECT_EQ(index.growTo(60, &added), MacroResult::LimitReached);
    EXPECT_EQ(added.size(), 49u);
    EXPECT_EQ(index.count(), 50u);
}

TEST_F(MacroIndexTest, TwoThreadsAddingMacrosLoseNoneOfThem)
{
    auto add = [this] {
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(index.addNew(), MacroResult::Ok);
    };
    std::thread first(add), second(add);
    first.join();
    second.join();
    const Names names = index.names();
    ASSERT_EQ(names.size(), 40u);
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(index.find(names[i]), static_cast<int>(i)) << names[i];  // each name once
}

// The id of a process that has ended.
pid_t endedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

TEST_F(MacroIndexTest, AFileSetAsideByAKilledRemovalGoesBackOrGoesAway)
{
    writeIndex({"kept", "other"});
    const std::string dead = std::to_string(endedProcess());
    // A removal of "kept" killed before the index was written: the index still lists it.
    writeBytes(index.folder() / (".kept.mac.removed" + dead + "-0-1"), "kept's actions");
    // A removal of "gone" killed after the index was written.
    writeBytes(index.folder() / (".gone.mac.removed" + dead + "-1-2"), "gone's actions");
    // A change under way in this process, and a name that is not a set-aside file.
    const std::string running = ".other.mac.removed" + std::to_string(::getpid()) + "-2-3";
    writeBytes(index.folder() / running, "x");
    writeBytes(index.folder() / ".note.removedsoon", "y");

    ASSERT_EQ(index.addNew(), MacroResult::Ok);  // any change tidies first
    EXPECT_EQ(readBytes(macroFile("kept")), "kept's actions");
    EXPECT_FALSE(std::filesystem::exists(index.folder() / (".kept.mac.removed" + dead + "-0-1")));
    EXPECT_FALSE(std::filesystem::exists(index.folder() / (".gone.mac.removed" + dead + "-1-2")));
    EXPECT_FALSE(std::filesystem::exists(macroFile("gone")));
    EXPECT_TRUE(std::filesystem::exists(index.folder() / running));
    EXPECT_TRUE(std::filesystem::exists(index.folder() / ".note.removedsoon"));

    // A set-aside file whose macro got a new file meanwhile is the older one: removed.
    writeBytes(index.folder() / (".kept.mac.removed" + dead + "-3-4"), "older");
    index.tidy();
    EXPECT_EQ(readBytes(macroFile("kept")), "kept's actions");
    EXPECT_FALSE(std::filesystem::exists(index.folder() / (".kept.mac.removed" + dead + "-3-4")));
}

TEST_F(MacroIndexTest, TheStoredIndexIsReadWithinItsLimits)
{
    writeBytes(index.indexPath(), "[MACROCOUNT]\ncount=999\n[MACRONAME]\n0=a\n");
    const Names names = index.names();
    ASSERT_EQ(names.size(), 50u);
    EXPECT_EQ(names[0], "a");
    EXPECT_EQ(names[1], "");  // no entry: no name, and no file
    EXPECT_TRUE(index.macroPathAt(1).empty());
    EXPECT_EQ(index.macroPathAt(0), folder / "a.mac");
    EXPECT_TRUE(index.macroPathAt(50).empty());

    writeBytes(index.indexPath(), "[MACROCOUNT]\ncount=-3\n");
    EXPECT_TRUE(index.names().empty());
    writeBytes(index.indexPath(), "garbage\n\x01\x02=\n");
    EXPECT_TRUE(index.names().empty());
}

TEST_F(MacroIndexTest, CopiesAppendCopyUntilTheNameIsFreeWithoutRegardToCase)
{
    writeIndex({"Combo"});
    writeMacro("Combo", test::tap("A", 4, 12));
    std::string name;
    ASSERT_EQ(index.copy(0, &name), MacroResult::Ok);
    EXPECT_EQ(name, "Combo copy");
    ASSERT_EQ(index.copy(0, &name), MacroResult::Ok);
    EXPECT_EQ(name, "Combo copy copy");
    EXPECT_EQ(index.names(), (Names{"Combo", "Combo copy", "Combo copy copy"}));
    EXPECT_EQ(readBytes(macroFile("Combo copy copy")), readBytes(macroFile("Combo")));

    writeIndex({"Fire", "FIRE COPY"});
    ASSERT_EQ(index.copy(0, &name), MacroResult::Ok);
    EXPECT_EQ(name, "Fire copy copy");
    // A macro without a file copies to an empty file.
    EXPECT_TRUE(std::filesystem::exists(macroFile("Fire copy copy")));
    EXPECT_EQ(readBytes(macroFile("Fire copy copy")), "");

    EXPECT_EQ(index.copy(7), MacroResult::NoSuchMacro);
}

TEST_F(MacroIndexTest, RenamesCompareWithoutCaseAndMoveTheFile)
{
    writeIndex({"Combo", "Fire"});
    writeMacro("Combo", test::tap("A", 4, 12));
    const std::string content = readBytes(macroFile("Combo"));
    const std::string indexBefore = readBytes(index.indexPath());

    EXPECT_EQ(index.rename(0, "COMBO"), MacroResult::Unchanged);
    EXPECT_EQ(index.rename(0, "fIRE"), MacroResult::NameTaken);
    EXPECT_EQ(index.rename(5, "x"), MacroResult::NoSuchMacro);
    EXPECT_EQ(readBytes(index.indexPath()), indexBefore);

    ASSERT_EQ(index.rename(0, "Blast"), MacroResult::Ok);
    EXPECT_EQ(index.names(), (Names{"Blast", "Fire"}));
    EXPECT_FALSE(std::filesystem::exists(macroFile("Combo")));
    EXPECT_EQ(readBytes(macroFile("Blast")), content);

    // A macro without a file is renamed in the index only.
    ASSERT_EQ(index.rename(1, "Ice"), MacroResult::Ok);
    EXPECT_EQ(index.names(), (Names{"Blast", "Ice"}));
    EXPECT_FALSE(std::filesystem::exists(macroFile("Ice")));
}

TEST_F(MacroIndexTest, ARenameThatCannotMoveItsFileKeepsTheOldName)
{
    writeIndex({"Combo", "Ghost"});
    writeMacro("Combo", test::tap("A", 4, 12));
    writeBytes(macroFile("Taken"), "someone else's file");
    const auto before = snapshot();

    // A file of the new name exists in the data folder (not in the index).
    EXPECT_EQ(index.rename(0, "Taken"), MacroResult::TargetExists);
    // The macro has no file of its own, but a stray file has the new name.
    EXPECT_EQ(index.rename(1, "Taken"), MacroResult::TargetExists);
    EXPECT_EQ(snapshot(), before);

    // The index cannot be written: the moved file goes back.
    ASSERT_EQ(::chmod(index.indexPath().c_str(), 0444), 0);
    EXPECT_EQ(index.rename(0, "Blast"), MacroResult::FileError);
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(std::filesystem::exists(macroFile("Blast")));
}

TEST_F(MacroIndexTest, NamesThatCannotBeFileNamesAreRefusedAndNothingIsWritten)
{
    writeIndex({"Combo"});
    writeMacro("Combo", test::tap("A", 4, 12));
    const auto before = snapshot();
    const std::string longest(NAME_MAX - 4, 'x');
    for (const std::string& bad :
         {std::string(), std::string("   "), std::string("a/b"), std::string("../up"), std::string("."),
          std::string(".."), std::string("tab\there"), std::string("line\nbreak"), std::string("nul\0x", 5),
          std::string("del\x7f"), std::string(" lead"), std::string("trail "), std::string("\"quoted\""),
          longest + "y"}) {
        EXPECT_FALSE(MacroIndex::isValidName(bad)) << bad;
        EXPECT_EQ(index.rename(0, bad), MacroResult::InvalidName) << bad;
        EXPECT_TRUE(index.macroPath(bad).empty()) << bad;
    }
    EXPECT_EQ(snapshot(), before);

    for (const std::string& good : {longest, std::string("My ..macro"), std::string("宏 #1, (fast)"),
                                    std::string("a'b"), std::string("back\\slash")})
        EXPECT_TRUE(MacroIndex::isValidName(good)) << good;
    ASSERT_EQ(index.rename(0, longest), MacroResult::Ok);
    EXPECT_TRUE(std::filesystem::exists(macroFile(longest)));

    // A copy whose name would grow too long is refused.
    EXPECT_EQ(index.copy(0), MacroResult::InvalidName);
    EXPECT_EQ(index.count(), 1u);
}

TEST_F(MacroIndexTest, RemovingAMacroRenumbersTheRestAndDeletesOnlyItsFile)
{
    writeIndex({"a", "b", "c"});
    writeMacro("a", test::tap("A", 4, 1));
    writeMacro("b", test::tap("B", 5, 1));
    ASSERT_EQ(index.remove(0), MacroResult::Ok);
    EXPECT_EQ(index.names(), (Names{"b", "c"}));
    EXPECT_FALSE(std::filesystem::exists(macroFile("a")));
    EXPECT_TRUE(std::filesystem::exists(macroFile("b")));
    EXPECT_EQ(index.remove(2), MacroResult::NoSuchMacro);

    // When the index cannot be written, the file stays where it was.
    ASSERT_EQ(::chmod(index.indexPath().c_str(), 0444), 0);
    const auto before = snapshot();
    EXPECT_EQ(index.remove(0), MacroResult::FileError);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(test::folderEntries(folder), (std::vector<std::string>{"b.mac", "msMacro.ini"}));
}

TEST_F(MacroIndexTest, ImportAndExportCopyFilesByteForByte)
{
    writeIndex({"Combo", "Empty"});
    writeMacro("Combo", test::tap("A", 4, 12));
    const std::filesystem::path outside = home / "exported.mac";
    ASSERT_EQ(index.exportFile(0, outside), MacroResult::Ok);
    EXPECT_EQ(readBytes(outside), readBytes(macroFile("Combo")));
    ASSERT_EQ(index.exportFile(1, home / "empty.mac"), MacroResult::Ok);
    EXPECT_EQ(readBytes(home / "empty.mac"), "");
    EXPECT_EQ(index.exportFile(0, home / "no-such-folder" / "x.mac"), MacroResult::FileError);

    // Whatever the chosen file holds is taken unchanged; the name stays.
    const std::string foreign("\xFF\xFE[\0M\0]\0not really a macro", 26);
    writeBytes(home / "foreign.mac", foreign);
    ASSERT_EQ(index.importFile(1, home / "foreign.mac"), MacroResult::Ok);
    EXPECT_EQ(readBytes(macroFile("Empty")), foreign);
    EXPECT_EQ(index.names(), (Names{"Combo", "Empty"}));

    const auto before = snapshot();
    EXPECT_EQ(index.importFile(0, home / "missing.mac"), MacroResult::SourceUnreadable);
    EXPECT_EQ(index.importFile(0, home.path()), MacroResult::SourceUnreadable);  // a folder
    EXPECT_EQ(index.importFile(9, home / "foreign.mac"), MacroResult::NoSuchMacro);
    EXPECT_EQ(snapshot(), before);
}

}  // namespace
}  // namespace corv
