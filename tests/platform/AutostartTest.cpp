#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <optional>
#include <string>

#include "ScopedEnv.h"
#include "TempFolder.h"
#include "platform/Autostart.h"

namespace corv {
namespace {

using test::folderEntries;
using test::readBytes;
using test::ScopedEnv;
using test::TempFolder;
using test::writeBytes;

// desktop-file-validate's verdict on a file; nothing when the tool is not installed.
std::optional<std::string> validateDesktopFile(const std::filesystem::path& file)
{
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
        return std::nullopt;
    const std::string command = "desktop-file-validate '" + file.string() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return std::string("cannot run desktop-file-validate");
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        output += buffer;
    const int status = ::pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "exit status " + std::to_string(status) + ": " + output;
    return output;  // warnings only (or nothing)
}

class AutostartTest : public ::testing::Test {
protected:
    TempFolder home;
    ScopedEnv homeEnv{"HOME", home.path().string()};
    ScopedEnv configEnv{"XDG_CONFIG_HOME", std::nullopt};
};

TEST_F(AutostartTest, FolderFollowsXdgConfigHomeElseHome)
{
    EXPECT_EQ(autostartFolder(), home.path() / ".config" / "autostart");
    {
        ScopedEnv config("XDG_CONFIG_HOME", (home / "cfg").string());
        EXPECT_EQ(autostartFolder(), home.path() / "cfg" / "autostart");
        EXPECT_EQ(Autostart::forCurrentUser().entryPath(), home.path() / "cfg" / "autostart" / "corvalantis.desktop");
    }
    // A relative XDG_CONFIG_HOME is ignored, as the XDG base directory standard asks.
    ScopedEnv relative("XDG_CONFIG_HOME", "cfg");
    EXPECT_EQ(autostartFolder(), home.path() / ".config" / "autostart");
}

TEST_F(AutostartTest, WritesAValidEntryAndRemovesIt)
{
    // A program path that needs quoting in Exec: a space, a dollar, a percent sign.
    const std::filesystem::path program = home.path() / "my $apps" / "100% corvalantis";
    const Autostart autostart(home.path() / ".config" / "autostart", program);
    EXPECT_FALSE(autostart.isEnabled());

    ASSERT_TRUE(autostart.enable());
    EXPECT_TRUE(autostart.isEnabled());
    const std::string text = readBytes(autostart.entryPath());
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << text;
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nExec=\"" + home.path().string() + "/my \\\\$apps/100%% corvalantis\"\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("Hidden=true"), std::string::npos);
    if (const auto verdict = validateDesktopFile(autostart.entryPath()))
        EXPECT_EQ(*verdict, "") << text;
    else
        std::printf("desktop-file-validate is not installed: the entry's syntax was not validated\n");

    ASSERT_TRUE(autostart.disable());
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_FALSE(std::filesystem::exists(autostart.entryPath()));
    EXPECT_TRUE(autostart.disable()) << "removing a missing entry is no failure";
}

TEST_F(AutostartTest, ReplacesAnEntryAtomicallyAndReadsSwitchedOffEntriesAsOff)
{
    const std::filesystem::path folder = home.path() / ".config" / "autostart";
    const Autostart autostart(folder, "/usr/bin/corvalantis");
    std::filesystem::create_directories(folder);
    // An entry the desktop's own settings switched off is not "on"; enabling replaces it whole.
    writeBytes(autostart.entryPath(), "[Desktop Entry]\nType=Application\nExec=old\nHidden=true\n");
    EXPECT_FALSE(autostart.isEnabled());
    writeBytes(autostart.entryPath(), "[Desktop Entry]\nExec=old\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(autostart.isEnabled());
    // A key of another group does not count.
    writeBytes(autostart.entryPath(), "[Desktop Entry]\nExec=old\n[Desktop Action x]\nHidden=true\n");
    EXPECT_TRUE(autostart.isEnabled());

    ASSERT_TRUE(autostart.enable());
    EXPECT_TRUE(autostart.isEnabled());
    EXPECT_EQ(readBytes(autostart.entryPath()), autostart.entryText());
    EXPECT_NE(autostart.entryText().find("\nExec=/usr/bin/corvalantis\n"), std::string::npos);
    // The replacement leaves no temporary file behind.
    EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"corvalantis.desktop"});
}

TEST_F(AutostartTest, AFolderThatCannotBeMadeIsAFailureAndChangesNothing)
{
    const std::filesystem::path config = home.path() / ".config";
    std::filesystem::create_directories(config);
    writeBytes(config / "autostart", "a file where the folder should be");
    const Autostart autostart(config / "autostart", "/usr/bin/corvalantis");
    EXPECT_FALSE(autostart.enable());
    EXPECT_FALSE(autostart.isEnabled());
    EXPECT_EQ(readBytes(config / "autostart"), "a file where the folder should be");

    // Without any folder (no home is known) nothing is on and nothing can be written.
    const Autostart nowhere({}, "/usr/bin/corvalantis");
    EXPECT_FALSE(nowhere.enable());
    EXPECT_FALSE(nowhere.isEnabled());
}

TEST(DesktopExecArgument, QuotesOnlyWhatTheStandardReserves)
{
    EXPECT_EQ(desktopExecArgument("/usr/bin/corvalantis"), "/usr/bin/corvalantis");
    EXPECT_EQ(desktopExecArgument("/opt/a b/x"), "\"/opt/a b/x\"");
    EXPECT_EQ(desktopExecArgument("/opt/50%/x"), "/opt/50%%/x");
    // Inside quotes '"', '`', '$' and '\' get a backslash, and the file doubles backslashes.
    EXPECT_EQ(desktopExecArgument("/o\"p`t$"), "\"/o\\\\\"p\\\\`t\\\\$\"");
    EXPECT_EQ(desktopExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");
    EXPECT_EQ(desktopExecArgument(""), "\"\"");
}

}  // namespace
}  // namespace corv
