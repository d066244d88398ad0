#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "platform/AtomicFile.h"
#include "platform/IniEdit.h"
#include "platform/IniFile.h"

namespace corv {
namespace {

using test::folderEntries;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

bool unnamedFilesWork(const std::filesystem::path& folder)
{
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// The PID of a process that has ended.
pid_t endedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

// Runs a replacement in a child process that the kernel kills (SIGXFSZ) in the middle of
// writing the temporary file, as a crash or kill -9 would.
void replaceAndDie(const std::filesystem::path& file, bool unnamed)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rlimit noCore { };
        ::setrlimit(RLIMIT_CORE, &noCore);
        struct rlimit small { };
        ::getrlimit(RLIMIT_FSIZE, &small);
        small.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &small);
        ::signal(SIGXFSZ, SIG_DFL);
        ReplaceOptions options;
        options.unnamedTemporary = unnamed;
        replaceFileAtomically(file, std::string(65536, 'x'), options);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "status " << status;
}

TEST(AtomicFile, AProcessKilledWhileWritingLeavesNoTemporaryFile)
{
    TempFolder dir;
    if (!unnamedFilesWork(dir.path()))
        GTEST_SKIP() << "this file system has no O_TMPFILE";
    const auto file = dir / "f.ini";
    writeBytes(file, "[S]\nk=1\n");
    replaceAndDie(file, true);
    EXPECT_EQ(readBytes(file), "[S]\nk=1\n");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"f.ini"});
}

TEST(AtomicFile, TheNamedTemporaryFileOfAKilledProcessIsRemovedByTheNextWrite)
{
    TempFolder dir;
    const auto file = dir / "f.ini";
    writeBytes(file, "[S]\nk=1\n");
    replaceAndDie(file, false);
    EXPECT_EQ(readBytes(file), "[S]\nk=1\n");
    ASSERT_EQ(folderEntries(dir.path()).size(), 2u);  // the file and the dead writer's temporary file

    ReplaceOptions named;
    named.unnamedTemporary = false;
    ASSERT_TRUE(replaceFileAtomically(file, "[S]\nk=2\n", named));
    EXPECT_EQ(readBytes(file), "[S]\nk=2\n");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"f.ini"});
}

TEST(AtomicFile, OnlyTemporaryFilesOfEndedProcessesAreRemoved)
{
    TempFolder dir;
    const auto file = dir / "f.ini";
    const std::string dead = std::to_string(endedProcess());
    const std::string self = std::to_string(::getpid());
    const std::vector<std::string> stale = {".f.ini.tmp" + dead + "-0-123", ".other.pro.tmp" + dead + "-17-9"};
    std::vector<std::string> kept = {
        ".f.ini.tmp" + self + "-0-1",  // a running process (this one)
        ".f.ini.tmp1-0-1",             // init runs too
        ".f.ini.tmp" + dead + "-x-1",  // not our pattern
        ".f.ini.tmp" + dead + "-1",    // not our pattern
        "f.ini.tmp" + dead + "-0-1",   // no leading dot
        ".tmp" + dead + "-0-1",        // no file name
        "notes.txt",
    };
    for (const std::string& name : stale)
        writeBytes(dir / name, "partial");
    for (const std::string& name : kept)
        writeBytes(dir / name, "keep");
    ASSERT_TRUE(ini::writeString(file, "S", "k", "1"));
    kept.push_back("f.ini");
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(folderEntries(dir.path()), kept);
}

TEST(AtomicFile, TheNamedFallbackKeepsContentAndPermissions)
{
    TempFolder dir;
    const auto file = dir / "f.ini";
    ReplaceOptions options;
    options.unnamedTemporary = false;
    options.mode = 0640;
    ASSERT_TRUE(replaceFileAtomically(file, "one", options));
    ASSERT_TRUE(replaceFileAtomically(file, "two", options));
    EXPECT_EQ(readBytes(file), "two");
    struct stat st { };
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"f.ini"});
    EXPECT_FALSE(replaceFileAtomically(dir / "no-folder" / "f.ini", "x", options));
}

TEST(AtomicFile, ReadsStopAtTheSizeLimit)
{
    TempFolder dir;
    const auto file = dir / "f.ini";
    writeBytes(file, "0123456789");
    FileBytes out;
    EXPECT_EQ(readWholeFile(file, out, 10), ReadStatus::Ok);
    EXPECT_EQ(out.bytes, "0123456789");
    EXPECT_EQ(readWholeFile(file, out, 9), ReadStatus::TooLarge);
    EXPECT_EQ(readWholeFile(dir / "missing", out), ReadStatus::Missing);
    EXPECT_EQ(readWholeFile(dir.path(), out), ReadStatus::Failed);
}

TEST(AtomicFile, AnIniFileAboveTheLimitIsNeitherReadNorReplaced)
{
    TempFolder dir;
    const auto file = dir / "huge.ini";
    writeBytes(file, "[S]\nk=1\n");
    // Sparse: the size costs no disk and no time.
    ASSERT_EQ(::truncate(file.c_str(), static_cast<off_t>(kMaxReadBytes) + 1), 0);
    EXPECT_EQ(ini::readString(file, "S", "k", "def"), "def");
    EXPECT_TRUE(ini::sectionNames(file).empty());
    EXPECT_TRUE(ini::keyNames(file, "S").empty());
    EXPECT_FALSE(ini::writeString(file, "S", "k", "2"));
    EXPECT_FALSE(ini::deleteKey(file, "S", "k"));
    EXPECT_FALSE(ini::deleteSection(file, "S"));
    ini::IniEdit edit(file);
    edit.set("S", "k", "3");
    EXPECT_EQ(edit.get("S", "j", "def"), "def");
    EXPECT_FALSE(edit.commit());

    struct stat st { };
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(static_cast<std::size_t>(st.st_size), kMaxReadBytes + 1);
    std::string head(8, '\0');
    FILE* in = std::fopen(file.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(std::fread(head.data(), 1, head.size(), in), head.size());
    std::fclose(in);
    EXPECT_EQ(head, "[S]\nk=1\n");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"huge.ini"});
}

}  // namespace
}  // namespace corv
