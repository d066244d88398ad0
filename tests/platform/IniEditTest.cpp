#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "TempFolder.h"
#include "platform/IniEdit.h"
#include "platform/IniFile.h"

namespace corv {
namespace {

using test::folderEntries;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

ino_t inodeOf(const std::filesystem::path& file)
{
    struct stat st { };
    return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
}

struct Change {
    enum Kind { Set, Remove, RemoveSection } kind;
    const char* section;
    const char* key;
    const char* value;
};

// Starting files of every shape the edits must keep: encodings, line endings, a last line
// without a line ending, an odd trailing byte, duplicate sections, comments and blanks.
std::vector<std::string> startingFiles()
{
    return {
        "",
        "[A]\na=1\n",
        "; head\n\n[A]\n  a = 1  \ntext\nb=\"2\"\n; tail of A\n\n[B]\nc=3\n[a]\na=9",
        "[A]\r\na=1\r\n[B]\r\nc=3",
        "\xEF\xBB\xBF[A]\na=1\n[\xC3\x84]\nx=1\n",
        std::string("\xFF\xFE[\0A\0]\0\r\0\n\0a\0=\0001\0\r\0\n\0[\0B\0]\0\r\0\n\0c\0=\0003\0", 38),
        std::string("\xFF\xFE[\0A\0]\0\n\0a\0=\0001\0Z", 17),
        std::string("\xFE\xFF\0[\0A\0]\0\n\0a\0=\0001\0\n\0[\0B\0]\0", 25),
        "orphan=1\n[B]\n[A]\n",
    };
}

// Changes that touch every path: in-place, appended keys, new sections (created and then
// changed again), removals of keys, of sections and of things that are not there.
std::vector<Change> changes()
{
    return {
        {Change::Set, "A", "a", "10"},
        {Change::Set, "a", "NEW", "x y"},
        {Change::Set, "C", "k", "v"},
        {Change::Set, "c", "K", "w"},
        {Change::Remove, "B", "c", nullptr},
        {Change::Set, "B", "d", "4"},
        {Change::RemoveSection, "absent", nullptr, nullptr},
        {Change::Remove, "A", "absent", nullptr},
        {Change::Set, "\xC3\xA4", "y", "\xE4\xB8\xAD"},
        {Change::RemoveSection, "a", nullptr, nullptr},
        {Change::Set, "A", "again", "1"},
        {Change::Set, "D", "q", "'quoted'"},
    };
}

// Applies one change with the single-key functions.
bool applySingly(const std::filesystem::path& file, const Change& c)
{
    switch (c.kind) {
    case Change::Set:
        return ini::writeString(file, c.section, c.key, c.value);
    case Change::Remove:
        return ini::deleteKey(file, c.section, c.key);
    case Change::RemoveSection:
        return ini::deleteSection(file, c.section);
    }
    return false;
}

bool addTo(ini::IniEdit& edit, const Change& c)
{
    switch (c.kind) {
    case Change::Set:
        return edit.set(c.section, c.key, c.value);
    case Change::Remove:
        return edit.remove(c.section, c.key);
    case Change::RemoveSection:
        return edit.removeSection(c.section);
    }
    return false;
}

TEST(IniEdit, ABatchWritesTheSameBytesAsTheSingleKeyCallsOneAfterTheOther)
{
    TempFolder dir;
    const auto single = dir / "single.ini";
    const auto batched = dir / "batched.ini";
    const std::vector<Change> all = changes();
    // Batches of these lengths (prefixes of the list) are compared with the single-key
    // calls' intermediate states.
    const std::vector<std::size_t> lengths{2, 5, 9, all.size()};
    for (const std::string& start : startingFiles()) {
        writeBytes(single, start);
        std::vector<std::string> singleStates{start};
        for (const Change& c : all) {
            ASSERT_TRUE(applySingly(single, c));
            singleStates.push_back(readBytes(single));
        }
        for (const std::size_t count : lengths) {
            writeBytes(batched, start);
            ini::IniEdit edit(batched);
            for (std::size_t i = 0; i < count; ++i)
                ASSERT_TRUE(addTo(edit, all[i]));
            EXPECT_EQ(readBytes(batched), start);  // nothing is written before commit
            ASSERT_TRUE(edit.commit());
            EXPECT_EQ(readBytes(batched), singleStates[count])
                << "start: " << testing::PrintToString(start) << " changes: " << count;
        }
    }
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"batched.ini", "single.ini"}));
}

TEST(IniEdit, GetReadsThePendingState)
{
    TempFolder dir;
    const auto file = dir / "f.ini";
    writeBytes(file, "[S]\nk=\"1\"\nold=2\n[T]\nt=3\n");
    ini::IniEdit edit(file);
    EXPECT_EQ(edit.get("s", "K", "def"), "1");  // quotes come off, like readString
    edit.set("S", "k", "5");
    edit.set("New", "n", std::string(300, 'x'));
    edit.remove("S", "old");
    EXPECT_EQ(edit.get("S", "k", "def"), "5");
    EXPECT_EQ(edit.get("new", "N", "def"), std::string(259, 'x'));
    EXPECT_EQ(edit.get("S", "old", "def"), "def");
    // Changes after the first get are seen too.
    edit.removeSection("T");
    EXPECT_EQ(edit.get("T", "t", "def"), "def");
    EXPECT_EQ(edit.get("", "k", "def"), "def");
    // The file itself is unchanged until the commit.
    EXPECT_EQ(ini::readString(file, "S", "k", "def"), "1");
    EXPECT_EQ(ini::readString(file, "T", "t", "def"), "3");
    ASSERT_TRUE(edit.commit());
    EXPECT_TRUE(edit.empty());
    EXPECT_EQ(ini::readString(file, "S", "k", "def"), "5");
    EXPECT_EQ(ini::sectionNames(file), (std::vector<std::string>{"S", "New"}));
    EXPECT_EQ(edit.get("S", "k", "def"), "5");
}

TEST(IniEdit, OneCommitIsOneReplacementAndAnUnchangedFileIsNotReplaced)
{
    TempFolder dir;
    const auto file = dir / "f.ini";
    writeBytes(file, "[Setting]\nLED0=0\n");
    const ino_t before = inodeOf(file);
    ini::IniEdit edit(file);
    for (int n = 0; n < 42; ++n)
        edit.set("Setting", "LED" + std::to_string(n), std::to_string(n));
    ASSERT_TRUE(edit.commit());
    EXPECT_NE(inodeOf(file), before);
    EXPECT_EQ(ini::keyNames(file, "Setting").size(), 42u);
    EXPECT_EQ(ini::readString(file, "Setting", "LED41", ""), "41");

    // The same values again: nothing to write, the file stays the same file.
    const ino_t written = inodeOf(file);
    for (int n = 0; n < 42; ++n)
        edit.set("setting", "led" + std::to_string(n), std::to_string(n));
    ASSERT_TRUE(edit.commit());
    EXPECT_EQ(inodeOf(file), written);

    // Removals from a missing file create nothing.
    const auto missing = dir / "missing.ini";
    ini::IniEdit removal(missing);
    removal.remove("S", "k");
    removal.removeSection("T");
    EXPECT_TRUE(removal.commit());
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"f.ini"});
}

TEST(IniEdit, ARefusedChangeFailsTheWholeEdit)
{
    TempFolder dir;
    const auto file = dir / "f.ini";
    const std::string before = "[S]\nk=1\n";
    writeBytes(file, before);
    ini::IniEdit edit(file);
    EXPECT_TRUE(edit.set("S", "k", "2"));
    EXPECT_FALSE(edit.set("S", "bad", "two\nlines"));
    EXPECT_TRUE(edit.set("S", "j", "3"));
    EXPECT_FALSE(edit.commit());
    EXPECT_EQ(readBytes(file), before);

    ini::IniEdit emptyNames(file);
    EXPECT_FALSE(emptyNames.remove(" ", "k"));
    EXPECT_FALSE(emptyNames.removeSection(""));
    EXPECT_FALSE(emptyNames.commit());

    ini::IniEdit noFile("");
    EXPECT_TRUE(noFile.set("S", "k", "v"));
    EXPECT_FALSE(noFile.commit());
    EXPECT_EQ(readBytes(file), before);
}

TEST(IniEdit, AFailedCommitKeepsTheFileAndTheChanges)
{
    TempFolder dir;
    const auto file = dir / "f.ini";
    const std::string before = "[S]\nk=1\n";
    writeBytes(file, before);
    ::chmod(file.c_str(), 0444);
    ini::IniEdit edit(file);
    edit.set("S", "k", "2");
    edit.set("T", "t", "3");
    EXPECT_FALSE(edit.commit());
    EXPECT_EQ(readBytes(file), before);
    EXPECT_FALSE(edit.empty());
    // Once the file may be written, the same edit goes through with all its changes.
    ::chmod(file.c_str(), 0644);
    ASSERT_TRUE(edit.commit());
    EXPECT_EQ(readBytes(file), "[S]\nk=2\n[T]\nt=3\n");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"f.ini"});
}

TEST(IniEdit, AChangeMadeBetweenTheEditsStartAndItsCommitIsKept)
{
    TempFolder dir;
    const auto file = dir / "f.ini";
    writeBytes(file, "[S]\nk=1\n");
    ini::IniEdit edit(file);
    EXPECT_EQ(edit.get("S", "k", ""), "1");
    edit.set("S", "mine", "a");
    std::thread other([&] { EXPECT_TRUE(ini::writeString(file, "S", "theirs", "b")); });
    other.join();
    ASSERT_TRUE(edit.commit());
    EXPECT_EQ(readBytes(file), "[S]\nk=1\ntheirs=b\nmine=a\n");
}

}  // namespace
}  // namespace corv
