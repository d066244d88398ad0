// The games running now, as the choose button's menu lists them: from a proc folder laid out
// by the test, with Steam's manifests in a home of its own.
#include "profiles/RunningPrograms.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "../platform/TempFolder.h"
#include "platform/ProgramIdentity.h"

namespace corv {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

void fakeProcess(const fs::path& proc, int pid, const std::string& exe, const std::string& cmdline,
                 const std::string& environ)
{
    const fs::path p = proc / std::to_string(pid);
    fs::create_directories(p);
    fs::create_symlink(exe, p / "exe");
    std::ofstream(p / "cmdline", std::ios::binary) << cmdline;
    std::ofstream(p / "environ", std::ios::binary) << environ;
}

TEST(RunningProgramsTest, GamesAreListedOnceByTheirNameWithTheLinkThatMatchesThem)
{
    TempFolder dir;
    const fs::path proc = dir / "proc";
    const std::string home = (dir / "home").string();
    fs::create_directories(home + "/.steam/steam/steamapps");
    std::ofstream(home + "/.steam/steam/steamapps/appmanifest_620.acf")
        << "\"AppState\"\n{\n\t\"appid\"\t\t\"620\"\n\t\"name\"\t\t\"Portal 2\"\n}\n";
    using namespace std::string_literals;
    const std::string racer = "Z:\\games\\Racer\\Racer.exe\0"s;
    fakeProcess(proc, 100, "/usr/bin/wine64-preloader", racer, "");
    fakeProcess(proc, 101, "/usr/bin/wine64-preloader", racer, "");  // a second process of the game
    fakeProcess(proc, 102, "/opt/proton/files/bin/wine64-preloader", "C:\\portal2.exe\0"s, "SteamAppId=620\0"s);
    fakeProcess(proc, 103, "/usr/bin/native-game", "native-game\0"s, "SteamAppId=4000\0"s);
    fakeProcess(proc, 104, "/usr/bin/gimp", "gimp\0setup.exe\0"s, "");  // no game
    fs::create_directories(proc / "self");                              // not a process folder
    fs::create_directories(proc / "99999999999999999999");              // no pid

    const std::vector<RunningProgram> games = RunningPrograms::list(::getuid(), home, proc);
    ASSERT_EQ(games.size(), 3u);
    EXPECT_EQ(games[0].shownName, "Portal 2");
    EXPECT_EQ(games[0].link, "steam:620");
    EXPECT_EQ(games[1].shownName, "Racer.exe");
    EXPECT_EQ(games[1].link, "/games/Racer/Racer.exe");
    EXPECT_EQ(games[2].shownName, "Steam 4000");  // no manifest: the app id
    EXPECT_EQ(games[2].link, "steam:4000");
    // Another user's processes are not listed.
    EXPECT_TRUE(RunningPrograms::list(::getuid() + 1, home, proc).empty());
    // A manifest without a name, an app id that is no number: no name.
    std::ofstream(home + "/.steam/steam/steamapps/appmanifest_7.acf") << "\"AppState\" { \"name\" }";
    EXPECT_EQ(RunningPrograms::steamGameName("7", home), "");
    EXPECT_EQ(RunningPrograms::steamGameName("../7", home), "");
}

}  // namespace
}  // namespace corv
