// The profile library's operations on the index and the files: names, copies, renames that
// cannot complete, deletes that keep the other profiles' links, links compared without case,
// and an index edited by hand.
#include <gtest/gtest.h>

#include "../platform/TempFolder.h"
#include "platform/IniFile.h"
#include "profiles/ProfileManager.h"

#include "platform/ProgramIdentity.h"
#include "profiles/ProgramLink.h"

namespace corv {
namespace {

using test::readBytes;
using test::TempFolder;
using test::writeBytes;

class ProfileManagerTest : public ::testing::Test {
protected:
    TempFolder dir;
    std::filesystem::path index = dir / "msProfile.ini";
    ProfileManager library{dir.path()};

    // An index of these names (each with a file holding its name) and links.
    void make(const std::vector<std::string>& names, const std::vector<std::string>& programs = {})
    {
        ini::writeString(index, "PROFILECOUNT", "count", std::to_string(names.size()));
        for (std::size_t i = 0; i < names.size(); ++i) {
            ini::writeString(index, "PROFILENAME", std::to_string(i), names[i]);
            writeBytes(dir / (names[i] + ".pro"), "[Setting]\nNAME=" + names[i] + "\n");
            if (i < programs.size() && !programs[i].empty()) {
                ini::writeString(index, "PROFILELIKEEXE", std::to_string(i), "1");
                ini::writeString(index, "PROCESS", std::to_string(i), programs[i]);
            }
        }
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const ProfileEntry& e : library.entries())
            out.push_back(e.name);
        return out;
    }
};

TEST_F(ProfileManagerTest, NewProfilesTakeTheSmallestFreeNumberAndCopiesAppendCopy)
{
    make({"新配置文件1", "新配置文件3", "Game"});
    writeBytes(dir / "template.pro", "[Setting]\nLED1=7\n");
    std::string name;
    ASSERT_EQ(library.create(dir / "template.pro", &name), ProfileResult::Ok);
    EXPECT_EQ(name, "新配置文件2");
    EXPECT_EQ(readBytes(dir / "新配置文件2.pro"), "[Setting]\nLED1=7\n");

    ASSERT_EQ(library.copy(2, &name), ProfileResult::Ok);
    EXPECT_EQ(name, "Game copy");
    ASSERT_EQ(library.copy(2, &name), ProfileResult::Ok);
    EXPECT_EQ(name, "Game copy copy");
    EXPECT_EQ(readBytes(dir / "Game copy copy.pro"), readBytes(dir / "Game.pro"));
    EXPECT_EQ(names(), (std::vector<std::string>{"新配置文件1", "新配置文件3", "Game", "新配置文件2", "Game copy",
                                                 "Game copy copy"}));
    EXPECT_EQ(library.entries()[4].linkFlag, "0");  // a copy starts unlinked
}

TEST_F(ProfileManagerTest, RenamesThatCannotCompleteChangeNothing)
{
    make({"A", "Game"}, {"", "/usr/games/x"});
    EXPECT_EQ(library.rename(1, "game"), ProfileResult::NameTaken);  // its own name, any case
    EXPECT_EQ(library.rename(1, "a"), ProfileResult::NameTaken);
    for (const char* bad : {"", " ", "a/b", ".", "..", " lead", "tab\there"})
        EXPECT_EQ(library.rename(1, bad), ProfileResult::InvalidName) << bad;
    EXPECT_EQ(library.rename(1, std::string(300, 'x')), ProfileResult::InvalidName);
    // The new file cannot be written (a folder stands in its place): the old name stays.
    std::filesystem::create_directory(dir / "Blocked.pro");
    EXPECT_EQ(library.rename(1, "Blocked"), ProfileResult::FileError);
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "Game"}));
    EXPECT_TRUE(std::filesystem::exists(dir / "Game.pro"));

    ASSERT_EQ(library.rename(1, "Racing"), ProfileResult::Ok);
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "Racing"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "Game.pro"));
    EXPECT_EQ(readBytes(dir / "Racing.pro"), "[Setting]\nNAME=Game\n");
    EXPECT_EQ(library.entries()[1].program, "/usr/games/x");  // the link stays with it
}

TEST_F(ProfileManagerTest, DeletingAProfileKeepsTheOtherLinksAndTheSelectionFollows)
{
    make({"P0", "P1", "P2"}, {"/bin/zero", "/bin/one", "/bin/two"});
    ini::writeString(index, "PROFILESELECT", "select", "2");
    ASSERT_EQ(library.remove(1), ProfileResult::Ok);
    const auto all = library.entries();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "P0");
    EXPECT_EQ(all[0].program, "/bin/zero");
    EXPECT_EQ(all[1].name, "P2");
    EXPECT_EQ(all[1].linkFlag, "1");
    EXPECT_EQ(all[1].program, "/bin/two");
    EXPECT_EQ(library.selected(), 1);  // P2 moved from 2 to 1
    EXPECT_FALSE(std::filesystem::exists(dir / "P1.pro"));
    EXPECT_EQ(library.linkedTo("/bin/two"), std::optional<std::size_t>(1));
    EXPECT_FALSE(library.linkedTo("/bin/one"));
    // No stale key of the old third entry is left behind.
    EXPECT_EQ(ini::readString(index, "PROCESS", "2", "none"), "none");

    ini::writeString(index, "PROFILESELECT", "select", "0");
    ASSERT_EQ(library.remove(0), ProfileResult::Ok);  // the selected one: the last becomes selected
    EXPECT_EQ(library.selected(), 0);
    EXPECT_EQ(library.remove(0), ProfileResult::LastProfile);
    EXPECT_EQ(names(), (std::vector<std::string>{"P2"}));
}

TEST_F(ProfileManagerTest, LinksCompareWithoutCaseAndTheLowestIndexWins)
{
    make({"A", "B", "C"});
    ASSERT_EQ(library.link(2, "C:\\Games\\X.exe", true), ProfileResult::Ok);
    EXPECT_EQ(library.link(1, "c:\\games\\x.EXE", true), ProfileResult::LinkTaken);
    EXPECT_EQ(library.link(2, "C:\\GAMES\\X.EXE", true), ProfileResult::LinkTaken);  // its own link too
    EXPECT_EQ(library.entries()[1].linkFlag, "0");
    // The choose button does not look: two profiles may then name one program.
    ASSERT_EQ(library.link(1, "c:\\games\\x.EXE", false), ProfileResult::Ok);
    EXPECT_EQ(library.linkedTo("C:\\Games\\X.exe"), std::optional<std::size_t>(1));
    ASSERT_EQ(library.unlink(1), ProfileResult::Ok);
    EXPECT_EQ(library.linkedTo("C:\\Games\\X.exe"), std::optional<std::size_t>(2));
}

// The program in front as a game run by Wine or Proton is told: links to the game's .exe,
// by path or (where the prefix could not be followed) by file name, and steam:APPID links.
TEST_F(ProfileManagerTest, LinksMatchWindowsGamesAndSteamAppsAndSeveralMatchesListLowestFirst)
{
    const auto wine = [](std::string windows, std::string appId = {}) {
        ProgramIdentity p;
        p.executable = "/usr/lib/wine/wine64-preloader";
        p.windowsExecutable = std::move(windows);
        p.steamAppId = std::move(appId);
        return p;
    };
    const std::string racer = (dir / "steamapps/common/Racer/Racer.exe").string();
    make({"Plain", "Racer", "ByName", "Steam", "Loader", "Racer2"},
         {"/usr/bin/gimp", racer, "/elsewhere/Shooter.EXE", "steam:620", "/usr/lib/wine/wine64-preloader", ""});

    using V = std::vector<std::size_t>;
    ProgramIdentity gimp;
    gimp.executable = "/USR/BIN/GIMP";
    EXPECT_EQ(library.linkedTo(gimp), V{0});
    // The loader itself is a program a profile may link; a game under it matches its own
    // link first only by index order.
    EXPECT_EQ(library.linkedTo(wine(racer)), (V{1, 4}));
    // A prefix that could not be followed gives the file name: links of any folder match.
    EXPECT_EQ(library.linkedTo(wine("shooter.exe")), (V{2, 4}));
    EXPECT_EQ(library.linkedTo(wine("/other/place/Shooter.exe")), V{4});  // a mapped path must be the path
    EXPECT_EQ(library.linkedTo(wine("/x/portal2.exe", "620")), (V{3, 4}));
    ProgramIdentity steamOnly;  // a process we may not read, known by its window class
    steamOnly.steamAppId = "620";
    EXPECT_EQ(library.linkedTo(steamOnly), V{3});
    steamOnly.steamAppId = "6200";
    EXPECT_EQ(library.linkedTo(steamOnly), V{});
    EXPECT_EQ(library.linkedTo(ProgramIdentity{}), V{});

    // The same file reached through a symbolic link (a Steam library behind a link).
    std::filesystem::create_directories(dir / "steamapps/common/Racer");
    writeBytes(racer, "MZ");
    std::filesystem::create_directory_symlink(dir / "steamapps", dir / "library");
    EXPECT_EQ(library.linkedTo(wine((dir / "library/common/Racer/Racer.exe").string())), (V{1, 4}));
    // A link not ending in .exe never matches by the Windows program.
    EXPECT_FALSE(ProgramLink::matches("/usr/bin/gimp", wine("/usr/bin/gimp")));
    EXPECT_FALSE(ProgramLink::matches("steam:", wine("x.exe", "")));
    EXPECT_FALSE(ProgramLink::matches(" ", gimp));
    EXPECT_EQ(ProgramLink::steamLink("620"), "steam:620");
    // A desktop that gives only an app id: the link's file name, any case; a Steam window
    // class names its game.
    EXPECT_EQ(library.linkedTo(ProgramIdentity::ofAppId("GIMP")), V{0});
    EXPECT_EQ(library.linkedTo(ProgramIdentity::ofAppId("steam_app_620")), V{3});
    EXPECT_EQ(library.linkedTo(ProgramIdentity::ofAppId("")), V{});
}

TEST_F(ProfileManagerTest, AnEntryWithoutANameIsNoProfileAndTheIndexIsRepaired)
{
    make({"A", "B", "C"}, {"", "", "/bin/c"});
    ini::deleteKey(index, "PROFILENAME", "1");
    writeBytes(dir / "0.pro", "someone else's file");
    bool skipped = false;
    EXPECT_EQ(library.entries(&skipped).size(), 2u);
    EXPECT_TRUE(skipped);
    ASSERT_TRUE(library.repairIndex());
    EXPECT_EQ(ini::readString(index, "PROFILECOUNT", "count", ""), "2");
    EXPECT_EQ(names(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(library.entries()[1].program, "/bin/c");  // C's link moved with it
    EXPECT_EQ(readBytes(dir / "0.pro"), "someone else's file");
}

TEST_F(ProfileManagerTest, ImportAndExportCopyWholeFiles)
{
    make({"A"});
    writeBytes(dir / "in.pro", "[Setting]\nLED1=3\n");
    ASSERT_EQ(library.importInto(0, dir / "in.pro"), ProfileResult::Ok);
    EXPECT_EQ(readBytes(dir / "A.pro"), "[Setting]\nLED1=3\n");
    ASSERT_EQ(library.exportTo(0, dir / "out.pro"), ProfileResult::Ok);
    EXPECT_EQ(readBytes(dir / "out.pro"), "[Setting]\nLED1=3\n");
    EXPECT_EQ(library.importInto(0, dir / "missing.pro"), ProfileResult::FileError);
    EXPECT_EQ(readBytes(dir / "A.pro"), "[Setting]\nLED1=3\n");
}

}  // namespace
}  // namespace corv
