#include <gtest/gtest.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "ScopedEnv.h"
#include "TempFolder.h"
#include "platform/AppPaths.h"

namespace corv {
namespace {

using test::ScopedEnv;
using test::TempFolder;
using test::writeBytes;

class AppPathsTest : public ::testing::Test {
protected:
    TempFolder home;
    ScopedEnv homeEnv{"HOME", home.path().string()};
    ScopedEnv configEnv{"XDG_CONFIG_HOME", std::nullopt};

    void writeUserDirs(const std::filesystem::path& configFolder, const std::string& content)
    {
        std::filesystem::create_directories(configFolder);
        writeBytes(configFolder / "user-dirs.dirs", content);
    }
};

TEST_F(AppPathsTest, DocumentsFolderFallsBackToHomeDocuments)
{
    EXPECT_EQ(documentsFolder(), home.path() / "Documents");
    // A file without the entry, or with an unusable one, changes nothing.
    writeUserDirs(home / ".config", "# written by xdg-user-dirs-update\n"
                                    "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                    "XDG_DOCUMENTS_DIR=\"relative/path\"\n"
                                    "XDG_DOCUMENTS_DIRS=\"$HOME/Wrong\"\n"
                                    "XDG_DOCUMENTS_DIR=\"$HOMEX/Wrong\"\n"
                                    "XDG_DOCUMENTS_DIR=\"$HOME/unterminated\n");
    EXPECT_EQ(documentsFolder(), home.path() / "Documents");
}

TEST_F(AppPathsTest, DocumentsFolderHonoursUserDirs)
{
    writeUserDirs(home / ".config", "# comment\n"
                                    "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                    "  XDG_DOCUMENTS_DIR = \"$HOME/Eigene Dateien\"\n");
    EXPECT_EQ(documentsFolder(), home.path() / "Eigene Dateien");

    // Absolute paths, escapes, and the last assignment wins like in a shell.
    writeUserDirs(home / ".config", "XDG_DOCUMENTS_DIR=\"$HOME/first\"\n"
                                    "XDG_DOCUMENTS_DIR=\"/srv/docs/\\\"quoted\\\" 文档\"\n");
    EXPECT_EQ(documentsFolder(), std::filesystem::path("/srv/docs/\"quoted\" 文档"));
}

TEST_F(AppPathsTest, XdgConfigHomeIsWhereUserDirsIsLookedUp)
{
    TempFolder config;
    writeUserDirs(config.path(), "XDG_DOCUMENTS_DIR=\"$HOME/FromXdg\"\n");
    writeUserDirs(home / ".config", "XDG_DOCUMENTS_DIR=\"$HOME/FromDotConfig\"\n");
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", config.path().string());
        EXPECT_EQ(documentsFolder(), home.path() / "FromXdg");
    }
    {
        // A relative XDG_CONFIG_HOME is ignored.
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative");
        EXPECT_EQ(documentsFolder(), home.path() / "FromDotConfig");
    }
}

TEST_F(AppPathsTest, WithoutHomeThePasswordDatabaseGivesTheHomeFolder)
{
    ScopedEnv noHome("HOME", std::nullopt);
    const struct passwd* pw = ::getpwuid(::getuid());
    ASSERT_NE(pw, nullptr);
    const std::filesystem::path userHome = pw->pw_dir;
    if (std::filesystem::exists(userHome / ".config" / "user-dirs.dirs"))
        GTEST_SKIP() << "this user has a user-dirs.dirs of their own";
    EXPECT_EQ(documentsFolder(), userHome / "Documents");
}

TEST_F(AppPathsTest, ConfigFolderFollowsAnAbsoluteXdgConfigHomeOnly)
{
    EXPECT_EQ(configFolder(), home.path() / ".config");
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/somewhere/else");
        EXPECT_EQ(configFolder(), std::filesystem::path("/somewhere/else"));
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative");
        EXPECT_EQ(configFolder(), home.path() / ".config");
    }
    EXPECT_FALSE(std::filesystem::exists(home.path() / ".config")) << "configFolder() creates nothing";
}

TEST_F(AppPathsTest, DataFolderIsCreatedAndEndsWithASeparator)
{
    const std::filesystem::path expected = home.path() / "Documents" / "CORVALANTIS R210R240 Driver";
    ASSERT_FALSE(std::filesystem::exists(home.path() / "Documents"));
    const std::filesystem::path data = dataFolderPath();
    EXPECT_EQ(data, expected / "");
    EXPECT_EQ(data.string().back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(expected));
    // Built anew each time: a removed folder comes back.
    std::filesystem::remove(expected);
    EXPECT_EQ(dataFolderPath(), expected / "");
    EXPECT_TRUE(std::filesystem::is_directory(expected));
}

TEST_F(AppPathsTest, DataFolderThatCannotBeCreatedIsStillReturned)
{
    // Documents is a file: the folder cannot be created, and nothing is reported.
    writeBytes(home / "Documents", "not a folder");
    const std::filesystem::path data = dataFolderPath();
    EXPECT_EQ(data, home.path() / "Documents" / "CORVALANTIS R210R240 Driver" / "");
    EXPECT_FALSE(std::filesystem::exists(data));
}

TEST(AppPaths, ProgramAndResourceFolders)
{
    const std::filesystem::path program = programFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.string().back(), '/');
    EXPECT_TRUE(std::filesystem::exists(program / "test_platform"));

    // No default.pro, skin/ or ../share/corvalantis beside the test: the program folder.
    EXPECT_EQ(resourceFolder(), program);

    TempFolder resources;
    setResourceFolderOverride(resources.path());
    EXPECT_EQ(resourceFolder(), resources.path() / "");
    setResourceFolderOverride({});
    EXPECT_EQ(resourceFolder(), program);
}

}  // namespace
}  // namespace corv
