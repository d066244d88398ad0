// Who the program in front is, for Windows games run by Wine or Proton: read from a proc
// folder the tests lay out themselves, and from real processes started under a loader's
// name.
#include "platform/ProgramIdentity.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "ChildProcess.h"
#include "TempFolder.h"

namespace corv {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

class ProgramIdentityTest : public ::testing::Test {
protected:
    TempFolder dir;
    fs::path proc = dir / "proc";

    // Process pid of the fake proc folder: its exe link, and its NUL-separated cmdline and
    // environ (each left out when null).
    void process(int pid, const std::string& exe, const std::string* cmdline, const std::string* environ)
    {
        const fs::path p = proc / std::to_string(pid);
        fs::create_directories(p);
        fs::create_symlink(exe, p / "exe");
        if (cmdline != nullptr)
            std::ofstream(p / "cmdline", std::ios::binary) << *cmdline;
        if (environ != nullptr)
            std::ofstream(p / "environ", std::ios::binary) << *environ;
    }
    static std::string nul(std::initializer_list<std::string> parts)
    {
        std::string out;
        for (const std::string& part : parts)
            out += part + '\0';
        return out;
    }
};

TEST_F(ProgramIdentityTest, WindowsPathsMapThroughZAndThePrefixOrKeepTheFileName)
{
    const fs::path prefix = dir / "pfx";
    fs::create_directories(prefix / "dosdevices");
    fs::create_directories(prefix / "drive_c");
    fs::create_symlink("../drive_c", prefix / "dosdevices" / "c:");
    fs::create_symlink("/mnt/games", prefix / "dosdevices" / "d:");

    EXPECT_EQ(ProgramIdentity::mapWindowsPath("Z:\\tmp\\games\\Racer\\Racer.exe", {}), "/tmp/games/Racer/Racer.exe");
    EXPECT_EQ(ProgramIdentity::mapWindowsPath("z:/opt/x.exe", prefix), "/opt/x.exe");
    EXPECT_EQ(ProgramIdentity::mapWindowsPath("C:\\Games\\Racer.exe", prefix),
              (prefix / "drive_c/Games/Racer.exe").string());
    EXPECT_EQ(ProgramIdentity::mapWindowsPath("d:\\Racer\\Racer.exe", prefix), "/mnt/games/Racer/Racer.exe");
    // No such drive, no prefix, no drive at all: the bare file name.
    EXPECT_EQ(ProgramIdentity::mapWindowsPath("E:\\Racer.exe", prefix), "Racer.exe");
    EXPECT_EQ(ProgramIdentity::mapWindowsPath("C:\\Games\\Racer.exe", {}), "Racer.exe");
    EXPECT_EQ(ProgramIdentity::mapWindowsPath("Racer.exe", prefix), "Racer.exe");
    EXPECT_EQ(ProgramIdentity::mapWindowsPath("..\\bin\\Racer.exe", prefix), "Racer.exe");

    EXPECT_EQ(ProgramIdentity::steamAppOfWindowClass("steam_app_1234"), "1234");
    EXPECT_EQ(ProgramIdentity::steamAppOfWindowClass("Steam_App_77"), "77");
    EXPECT_EQ(ProgramIdentity::steamAppOfWindowClass("steam_app_"), "");
    EXPECT_EQ(ProgramIdentity::steamAppOfWindowClass("steam_app_12x"), "");
    EXPECT_EQ(ProgramIdentity::steamAppOfWindowClass("steam"), "");
}

TEST_F(ProgramIdentityTest, WineAndProtonProcessesNameTheirWindowsProgramAndSteamGame)
{
    const fs::path prefix = dir / "prefix";
    fs::create_directories(prefix / "dosdevices");
    fs::create_symlink(prefix / "drive_c", prefix / "dosdevices" / "c:");
    const fs::path compat = dir / "compatdata" / "620";
    fs::create_directories(compat / "pfx" / "dosdevices");
    fs::create_symlink("../drive_c", compat / "pfx" / "dosdevices" / "c:");

    const std::string zCmd = nul({"Z:\\tmp\\games\\Racer\\Racer.exe", "-windowed"});
    process(10, "/usr/lib/wine/wine64-preloader", &zCmd, nullptr);
    const std::string cCmd = nul({"/usr/bin/wine64", "C:\\Games\\Racer.EXE"});
    const std::string cEnv = nul({"HOME=/home/u", "WINEPREFIX=" + prefix.string()});
    process(11, "/usr/bin/wine64", &cCmd, &cEnv);
    const std::string pCmd = nul({"C:\\Program Files\\Portal\\portal2.exe"});
    const std::string pEnv = nul({"STEAM_COMPAT_DATA_PATH=" + compat.string(), "SteamAppId=620"});
    process(12, "/home/u/.steam/steam/steamapps/common/Proton 8.0/files/bin/wine-preloader", &pCmd, &pEnv);
    const std::string homeCmd = nul({"C:\\x.exe"});
    const std::string homeEnv = nul({"HOME=" + dir.path().string()});
    process(13, "/usr/bin/wine", &homeCmd, &homeEnv);

    const ProgramIdentity z = ProgramIdentity::ofProcess(10, {}, proc);
    EXPECT_EQ(z.executable, "/usr/lib/wine/wine64-preloader");
    EXPECT_EQ(z.windowsExecutable, "/tmp/games/Racer/Racer.exe");
    const ProgramIdentity c = ProgramIdentity::ofProcess(11, "racer.exe", proc);
    EXPECT_EQ(c.windowsExecutable, (prefix / "drive_c/Games/Racer.EXE").string());
    EXPECT_EQ(c.windowClass, "racer.exe");
    EXPECT_EQ(c.steamAppId, "");
    const ProgramIdentity p = ProgramIdentity::ofProcess(12, {}, proc);
    EXPECT_EQ(p.windowsExecutable, (compat / "pfx/drive_c/Program Files/Portal/portal2.exe").string());
    EXPECT_EQ(p.steamAppId, "620");
    // Without WINEPREFIX, Wine's default prefix in the process's home: here it has no
    // dosdevices, so only the file name is known.
    EXPECT_EQ(ProgramIdentity::ofProcess(13, {}, proc).windowsExecutable, "x.exe");
    // A window class names the Steam game when the environment does not.
    EXPECT_EQ(ProgramIdentity::ofProcess(10, "steam_app_480", proc).steamAppId, "480");
}

TEST_F(ProgramIdentityTest, WhatCannotBeReadOrIsNoWindowsProgramNamesLess)
{
    // A loader running no .exe, a native program with an .exe argument: no Windows program.
    const std::string noExe = nul({"wineserver", "-p"});
    process(20, "/usr/bin/wine64", &noExe, nullptr);
    const std::string native = nul({"7z", "x", "setup.exe"});
    process(21, "/usr/bin/7z", &native, nullptr);
    EXPECT_FALSE(ProgramIdentity::ofProcess(20, {}, proc).isWindowsProgram());
    const ProgramIdentity archiver = ProgramIdentity::ofProcess(21, {}, proc);
    EXPECT_FALSE(archiver.isWindowsProgram());
    EXPECT_EQ(archiver.executable, "/usr/bin/7z");

    // A process we may not read (gone, another user's, hidepid): nothing but the window's
    // class, and no error.
    const ProgramIdentity gone = ProgramIdentity::ofProcess(999, {}, proc);
    EXPECT_TRUE(gone.empty());
    EXPECT_TRUE(ProgramIdentity::ofProcess(0, {}, proc).empty());
    EXPECT_EQ(ProgramIdentity::ofProcess(999, "steam_app_5", proc).steamAppId, "5");

    // A huge command line and environment are read only up to their limits; an argument
    // cut by the limit is taken as far as it was read.
    std::string hugeCmd = nul({std::string(ProgramIdentity::kMaxCmdlineBytes - 9, 'a'), "C:\\far\\beyond.exe"});
    std::string hugeEnv = std::string(ProgramIdentity::kMaxEnvironBytes + 10, 'x') + '\0' + nul({"SteamAppId=9"});
    process(22, "/usr/bin/wine", &hugeCmd, &hugeEnv);
    const ProgramIdentity huge = ProgramIdentity::ofProcess(22, {}, proc);
    EXPECT_FALSE(huge.isWindowsProgram());
    EXPECT_EQ(huge.steamAppId, "");
}

// A real process whose executable is named like Wine's loader and whose argv[0] is a
// Windows path, as Wine sets it: read from the real proc file system.
TEST_F(ProgramIdentityTest, ARealProcessUnderTheLoadersNameIsTold)
{
    const fs::path loader = dir / "wine64-preloader";
    fs::copy_file("/bin/sleep", loader);
    fs::permissions(loader, fs::perms::owner_all);
    test::ChildProcess game({"Z:\\tmp\\games\\Racer\\Racer.exe", "60"}, -1, loader.string());
    ASSERT_TRUE(game.started());
    // The spawn returns once the loader replaced the child; the kernel sets up its arguments
    // a moment later: wait for them (bounded), as a window comes only after that anyway.
    ProgramIdentity identity = ProgramIdentity::ofProcess(game.pid());
    for (int i = 0; i < 100000 && !identity.isWindowsProgram(); ++i)
        identity = ProgramIdentity::ofProcess(game.pid());
    EXPECT_EQ(identity.executable, loader.string());
    EXPECT_EQ(identity.windowsExecutable, "/tmp/games/Racer/Racer.exe");
    EXPECT_FALSE(ProgramIdentity::ofProcess(::getpid()).isWindowsProgram());
    game.end(SIGTERM);
}

}  // namespace
}  // namespace corv
