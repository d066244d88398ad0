// Kill trials: the writer (writer/TrialWriter.cpp) is killed with SIGKILL at random points,
// again and again, on the same folder. After every kill each file must read, hold one write
// whole (every key of the write carries the same generation), and that write must be the
// last one the writer reported complete or the one it was making; no temporary file may be
// left. A kill in the middle of the macro write must leave its mark, a kill outside it none;
// a mark left is made good as the program's next connection does (the library written into
// a mouse again, the files unchanged). CORV_KILL_TRIALS sets the number of kills (100 unless
// set).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "../platform/TempFolder.h"
#include "TrialFiles.h"
#include "TrialMouse.h"
#include "macros/MacroFile.h"
#include "macros/MacroImage.h"
#include "macros/MacroIndex.h"
#include "macros/MacroTransfer.h"
#include "macros/MacroWriteMark.h"
#include "platform/AtomicFile.h"
#include "platform/IniFile.h"

namespace corv {
namespace {

namespace fs = std::filesystem;

int trialCount()
{
    const char* text = std::getenv("CORV_KILL_TRIALS");
    const int n = text != nullptr ? std::atoi(text) : 0;
    return n > 0 ? n : 100;
}

// The generations a file may hold: the last write known complete (reported, or found in the
// file after an earlier kill; none: -1, the file may still be missing) and the one under way
// when the writer died.
struct Expected {
    long done = -1;
    long next = -1;
    bool allows(long g) const { return g == done || g == next; }
    std::string text() const { return std::to_string(done) + " or " + std::to_string(next); }
};

class KillTrials : public ::testing::Test {
protected:
    // Starts the writer at generation first; returns its pid and the read end of its output.
    pid_t spawn(long first, int& out)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return -1;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            const std::string start = std::to_string(first);
            ::execl(CORV_TRIAL_WRITER, CORV_TRIAL_WRITER, folder.path().c_str(), start.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        out = fds[0];
        return pid;
    }

    // Takes one report line "<letter> <generation>" into done; false at the end of output.
    bool takeReport(int fd)
    {
        std::string line;
        char c = 0;
        while (true) {
            const ssize_t n = ::read(fd, &c, 1);
            if (n <= 0)
                return false;
            if (c == '\n')
                break;
            line += c;
        }
        std::istringstream in(line);
        char what = 0;
        long g = -1;
        in >> what >> g;
        done[what] = g;
        last = what;
        return true;
    }

    long profileGeneration(const fs::path& file, const Expected& expected)
    {
        // Every LED and KEY key holds the same byte; find the generation it stands for.
        const std::string first = ini::readString(file, "Setting", "LED0", "missing");
        for (int n = 0; n <= 32; ++n) {
            const char* section = (n >= 15 && n < 20) ? "3360" : "Setting";
            EXPECT_EQ(ini::readString(file, section, "LED" + std::to_string(n), "missing"), first) << "LED" << n;
        }
        for (int n = 0; n < 9; ++n)
            EXPECT_EQ(ini::readString(file, "Setting", "KEY" + std::to_string(n), "missing"),
                      first + "," + first + "," + first)
                << "KEY" << n;
        for (long g : {expected.done, expected.next})
            if (g >= 0 && std::to_string(trials::profileByte(g)) == first)
                return g;
        return -2;
    }

    long macroGeneration(const fs::path& file)
    {
        const MacroFile macro = MacroFile::load(file);
        if (macro.empty())
            return -2;
        const std::string name = macro.lines().front().substr(macro.lines().front().rfind(",G") + 2);
        const long g = std::atol(name.c_str());
        EXPECT_EQ(macro.lines(), trials::macroLines(g)) << file;
        EXPECT_EQ(macro.storedCount(), macro.size()) << file;
        return g;
    }

    long indexGeneration(const fs::path& file)
    {
        const long count = ini::toLong(ini::readString(file, "PROFILECOUNT", "count", "0"));
        const std::string name = ini::readString(file, "PROFILENAME", "0", "missing");
        const long g = std::atol(name.substr(1).c_str());
        EXPECT_EQ(count, trials::profileCount(g)) << name;
        for (int i = 0; i < trials::kMaxProfiles; ++i)
            EXPECT_EQ(ini::readString(file, "PROFILENAME", std::to_string(i), "missing"),
                      i < count ? trials::profileName(g) : "missing")
                << "entry " << i;
        EXPECT_EQ(ini::toLong(ini::readString(file, "PROFILESELECT", "select", "-1")), g % count);
        return g;
    }

    void checkFolder(const std::map<char, Expected>& expected, pid_t killed)
    {
        // Nothing hidden but what the killed writer can leave for an instant: a macro file set
        // aside by a removal (the next change of the library puts it back or removes it), or
        // a replacement's temporary file in the instant between getting its name and the
        // rename (the next replacement in the folder removes it). Both are then gone.
        const std::string owner = std::to_string(killed) + "-";
        for (const fs::directory_entry& e : fs::directory_iterator(folder.path())) {
            const std::string name = e.path().filename().string();
            if (name.front() != '.')
                continue;
            const bool setAside = name.find(".mac.removed" + owner) != std::string::npos;
            const bool temporary = name.find(".tmp" + owner) != std::string::npos;
            EXPECT_TRUE(setAside || temporary) << "left behind: " << name;
            ++leftovers[setAside ? "set aside" : "temporary"];
        }
        removeStaleTemporaryFiles(folder.path());
        MacroIndex library(folder.path());
        library.tidy();
        for (const fs::directory_entry& e : fs::directory_iterator(folder.path()))
            EXPECT_NE(e.path().filename().string().front(), '.') << "left behind: " << e.path();

        const auto check = [&](char what, const char* file, long g) {
            const Expected& x = expected.at(what);
            EXPECT_TRUE(x.allows(g)) << file << " holds generation " << g << ", expected " << x.text();
            // A write the writer finished but could not report any more is the file's content
            // from now on.
            done[what] = g;
        };
        const fs::path profile = folder / trials::kProfile;
        if (fs::exists(profile))
            check('P', trials::kProfile, profileGeneration(profile, expected.at('P')));
        else
            EXPECT_EQ(expected.at('P').done, -1);
        const fs::path macro = folder / trials::kMacro;
        if (fs::exists(macro))
            check('M', trials::kMacro, macroGeneration(macro));
        else
            EXPECT_EQ(expected.at('M').done, -1);
        const fs::path index = folder / trials::kProfileIndex;
        if (fs::exists(index))
            check('I', trials::kProfileIndex, indexGeneration(index));
        else
            EXPECT_EQ(expected.at('I').done, -1);

        // The library: at most three macros, each file (where there is one) whole.
        const std::vector<std::string> names = library.names();
        EXPECT_LE(names.size(), trials::kLibrarySize);
        for (const std::string& name : names)
            if (fs::exists(library.macroPath(name)))
                macroGeneration(library.macroPath(name));
        checkMacroWrite();
    }

    // The mark of the macro write: there after the mouse took the write's first macro frame
    // and before it took CMD_END, gone once the writer reported the write or began another
    // generation (the mark of an earlier kill is made good before the next run). A mark is
    // then made good as the next connection would: the library goes into a fresh mouse,
    // no file changes, the mark goes.
    void checkMacroWrite()
    {
        const MacroWriteMark mark(folder.path());
        if (last == 'B') {
            EXPECT_TRUE(mark.isSet()) << "killed in the middle of the macro write, and no mark";
        } else if (last != 'X' && last != 'E') {
            EXPECT_FALSE(mark.isSet()) << "killed after report " << last << ", and a mark";
        }
        if (!mark.isSet())
            return;
        ++macroWritesCut;
        std::map<std::string, std::string> before;
        for (const fs::directory_entry& e : fs::directory_iterator(folder.path()))
            if (e.path().filename() != MacroWriteMark::kFileName)
                before[e.path().filename().string()] = test::readBytes(e.path());
        ManualClock clock;
        trials::TrialMouse next;
        ASSERT_TRUE(next.open(clock, sim::LatencyMode::None));
        const std::optional<MacroWriteOutcome> outcome = rewriteUnfinishedMacroArea(*next.channel, folder.path());
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(outcome->result, MacroWriteResult::Written);
        EXPECT_FALSE(mark.isSet());
        const std::vector<std::uint8_t> image = MacroImage::pack(MacroImage::readLibrary(folder.path()));
        const std::vector<std::uint8_t> area = next.mouse->memory(sim::MemoryArea::Macros);
        EXPECT_TRUE(std::equal(image.begin(), image.end(), area.begin()));
        for (const auto& [name, bytes] : before)
            EXPECT_EQ(test::readBytes(folder / name), bytes) << name;
    }

    test::TempFolder folder;
    std::map<char, long> done = {{'P', -1}, {'M', -1}, {'I', -1}, {'X', -1}};
    char last = 0;  // the writer's last report in this run (0: none)
    std::map<std::string, int> leftovers;
    int macroWritesCut = 0;
};

TEST_F(KillTrials, EveryFileHoldsTheOldOrTheNewWriteWholeAfterEachKill)
{
    const int trials = trialCount();
    std::mt19937 random(static_cast<unsigned>(::getpid()));
    for (int trial = 0; trial < trials; ++trial) {
        SCOPED_TRACE("kill " + std::to_string(trial + 1) + " of " + std::to_string(trials));
        const long first = (trial + 1) * 100000L;
        last = 0;
        int out = -1;
        const pid_t pid = spawn(first, out);
        ASSERT_GT(pid, 0);
        // Kill after a random number of reports (0: while it starts or writes its first
        // file); seven a generation.
        const int reports = static_cast<int>(random() % 21);
        for (int i = 0; i < reports && takeReport(out); ++i) { }
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself with " << WEXITSTATUS(status);
        while (takeReport(out)) { }  // reports written before it died
        ::close(out);

        std::map<char, Expected> expected;
        for (const auto& [what, g] : done) {
            // The write under way: the next of this run, or its first when it made none.
            const long next = g >= first ? g + 1 : first;
            expected[what] = Expected{g, next};
        }
        checkFolder(expected, pid);
        if (HasFailure())
            return;
    }
    for (const auto& [what, n] : leftovers)
        std::printf("%d kills left a %s file, cleaned up by the next change\n", n, what.c_str());
    std::printf("%d kills cut a macro write off: each left its mark, the library went into the mouse again and "
                "no file changed\n",
                macroWritesCut);
}

}  // namespace
}  // namespace corv
