// The program against a mouse that misbehaves, end to end: the connection thread runs as in
// the window program while this thread does what the window does (write the macro library,
// apply a profile, read the state again after a reset), and the virtual mouse stops
// answering, answers with an error status, is unplugged in the middle of a transfer,
// answers too late, sends garbage or resets itself. Each case must end (no hang: every wait
// below is for a condition, with a generous limit that only a hang reaches), leave every
// file whole and readable, and connect again when the mouse is back. A macro write that did
// not finish is never read back into the files: the next connection writes them again.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <stop_token>
#include <thread>

#include "../platform/TempFolder.h"
#include "device/DeviceChannel.h"
#include "device/DeviceConnection.h"
#include "device/DeviceState.h"
#include "macros/MacroFile.h"
#include "macros/MacroImage.h"
#include "macros/MacroIndex.h"
#include "macros/MacroTransfer.h"
#include "macros/MacroWriteMark.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "profiles/ProfileApply.h"
#include "profiles/ProfileFile.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"

namespace corv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Only a hang takes this long; the cases themselves take a fraction of a second.
constexpr auto kHangLimit = 60s;

// Waits (in real time) until pred holds; false when it never did.
bool waitFor(const std::function<bool()>& pred)
{
    const auto limit = std::chrono::steady_clock::now() + kHangLimit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::yield();
    }
    return true;
}

std::string bytesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the window does for the connection, counted for the test.
struct Host final : ConnectionHost {
    DeviceChannel* channel = nullptr;
    fs::path folder;
    fs::path profile;
    std::atomic<int> sequences{0};
    std::atomic<int> lost{0};
    std::atomic<int> captures{0};
    std::atomic<bool> captureFailed{false};
    std::atomic<int> areasRead{0};
    std::atomic<int> restored{0};

    bool windowAlive() override { return true; }
    bool restoreMacroArea() override
    {
        const std::optional<MacroWriteOutcome> outcome = rewriteUnfinishedMacroArea(*channel, folder);
        if (outcome && outcome->result == MacroWriteResult::Written)
            ++restored;
        return outcome.has_value();
    }
    void macroAreaRead(const std::vector<std::uint8_t>& area) override
    {
        ++areasRead;
        rebuildLibraryFromImage(area, folder);
    }
    fs::path connectProfilePath() override { return profile; }
    void storeCapture(const DeviceCapture& capture) override
    {
        if (!writeDeviceCapture(capture))
            captureFailed = true;
        ++captures;
    }
    void setConnected(bool) override { }
    void connectSequenceDone() override { ++sequences; }
    void mouseLost() override { ++lost; }
    void openRefused() override { }
};

class FaultSuite : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::VirtualMouseConfig config;
        config.model = kModelR240;
        mouse = std::make_shared<sim::VirtualMouse>(clock, config);
        backend = std::make_unique<sim::VirtualHidBackend>(mouse);
        channel = std::make_unique<DeviceChannel>(*backend, clock);
        channel->setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
        channel->setFrameObserver([this](FrameDirection direction, const ReportFrame& frame) {
            if (direction == FrameDirection::Request && onRequest)
                onRequest(frame);
        });
        host.channel = channel.get();
        host.folder = folder.path();
        host.profile = folder / "connect.pro";
        connection = std::make_unique<DeviceConnection>(*channel, state, host, clock);
        makeLibrary();
        ASSERT_TRUE(ini::writeString(applied, "Setting", "LED0", "0"));
        for (int n = 15; n < 20; ++n)
            ASSERT_TRUE(ini::writeString(applied, "3360", "LED" + std::to_string(n), std::to_string(n * 5)));
    }

    void TearDown() override
    {
        setHook(nullptr);
        thread.request_stop();
        channel->cancel();
        if (thread.joinable())
            thread.join();
        checkFiles();
    }

    // Three macros of 300 actions: an image of a little over 1.8 KB, 33 frames.
    void makeLibrary()
    {
        MacroIndex index(folder.path());
        std::vector<std::string> lines;
        for (int i = 0; i < 150; ++i) {
            lines.push_back("1,4,202,1,A");
            lines.push_back("0," + std::to_string(i % 200) + ",0,1,A");
        }
        for (int m = 0; m < 3; ++m) {
            std::string name;
            ASSERT_EQ(index.addNew(&name), MacroResult::Ok);
            ASSERT_TRUE(MacroFile::write(index.macroPath(name), lines));
        }
    }

    // Sets what happens at each request the channel writes (under the channel's lock, as
    // the observer is called).
    void setHook(std::function<void(const ReportFrame&)> hook)
    {
        std::lock_guard<std::recursive_mutex> guard(channel->lock());
        onRequest = std::move(hook);
    }
    // A hook that runs action once, at the n-th request with this command (1-based).
    void atRequest(std::uint8_t command, int n, std::function<void()> action)
    {
        auto seen = std::make_shared<int>(0);
        setHook([command, n, seen, action](const ReportFrame& frame) {
            if (frame.command() == command && ++*seen == n)
                action();
        });
    }

    void start()
    {
        thread = std::jthread([this](std::stop_token stop) { connection->run(stop); });
        ASSERT_TRUE(waitFor([&] { return host.sequences >= 1; })) << "the first connection never completed";
    }
    void unplugAndWaitUntilLost()
    {
        const int before = host.lost;
        mouse->unplug();
        ASSERT_TRUE(waitFor([&] { return host.lost > before; })) << "the unplug was never noticed";
    }
    void replugAndWaitForConnection()
    {
        const int before = host.sequences;
        mouse->plug();
        ASSERT_TRUE(waitFor([&] { return host.sequences > before; })) << "no new connection after the re-plug";
        EXPECT_EQ(connection->state(), DeviceConnection::State::Connected);
    }

    // The library and the profiles (the mark of a macro write is looked at by itself).
    std::map<fs::path, std::string> snapshotFiles() const
    {
        std::map<fs::path, std::string> files;
        for (const fs::directory_entry& e : fs::directory_iterator(folder.path()))
            if (e.path().filename() != MacroWriteMark::kFileName)
                files[e.path()] = bytesOf(e.path());
        return files;
    }
    std::map<fs::path, std::string> libraryFiles() const
    {
        std::map<fs::path, std::string> files = snapshotFiles();
        std::erase_if(files, [](const auto& file) { return file.first.extension() == ".pro"; });
        return files;
    }
    bool writeMarked() const { return MacroWriteMark(folder.path()).isSet(); }

    // Every file whole: no temporary file, the macro index and every macro file readable with
    // all the lines they state, the LED and KEY keys of a profile all there or all missing.
    void checkFiles() const
    {
        for (const fs::directory_entry& e : fs::directory_iterator(folder.path())) {
            const fs::path name = e.path().filename();
            EXPECT_NE(name.string().front(), '.') << "a temporary file was left: " << name;
            EXPECT_TRUE(name == "msMacro.ini" || name == MacroWriteMark::kFileName || name.extension() == ".mac" ||
                        name.extension() == ".pro")
                << name;
            if (name.extension() == ".mac") {
                const MacroFile macro = MacroFile::load(e.path());
                for (std::size_t i = 0; i < macro.storedCount(); ++i)
                    EXPECT_NE(ini::readString(e.path(), "MACROACTION", std::to_string(i), "missing"), "missing")
                        << name << " lacks line " << i;
            } else if (name.extension() == ".pro") {
                int led = 0, key = 0;
                for (int n = 0; n <= 32; ++n) {
                    const std::string section = (n >= 15 && n < 20) ? "3360" : "Setting";
                    const std::string v = ini::readString(e.path(), section, "LED" + std::to_string(n), "missing");
                    if (v != "missing") {
                        ++led;
                        EXPECT_GE(ini::toLong(v), 0);
                        EXPECT_LE(ini::toLong(v), 255);
                    }
                }
                for (int n = 0; n < 9; ++n)
                    key += ini::readString(e.path(), "Setting", "KEY" + std::to_string(n), "missing") != "missing";
                if (name == "connect.pro") {
                    EXPECT_TRUE(led == 0 || led == 33) << name << " holds " << led << " of the 33 LED keys";
                    EXPECT_TRUE(key == 0 || key == 9) << name << " holds " << key << " of the 9 KEY keys";
                }
            }
        }
        const MacroIndex index(folder.path());
        EXPECT_EQ(static_cast<long>(index.names().size()),
                  ini::toLong(ini::readString(index.indexPath(), "MACROCOUNT", "count", "0")));
    }

    // The program's copies hold what the mouse holds, and the profile of the connection too.
    void expectStateMatchesMouse()
    {
        std::lock_guard<std::recursive_mutex> guard(channel->lock());
        const auto record = mouse->settingsRecord(mouse->activeRecord());
        EXPECT_EQ(state.activeRecord(), mouse->activeRecord());
        for (std::size_t n = 1; n < kProfileByteCount; ++n)
            EXPECT_EQ(state.CurrentSettings[n], record[n]) << "byte " << n;
        const ProfileImage image = readProfileImage(host.profile, kModelR240);
        for (std::size_t n = 1; n < kProfileByteCount; ++n)
            EXPECT_EQ(image.settings[n], record[n]) << "profile byte " << n;
    }
    void expectStateUsable()
    {
        std::lock_guard<std::recursive_mutex> guard(channel->lock());
        EXPECT_LT(state.activeRecord(), kSettingsRecordCount);
        const int limit = dpiStageLimit(state.modelId());
        for (std::size_t n = kDpiStageByte; n < kDpiStageByte + kDpiStageCount; ++n)
            EXPECT_LE(static_cast<int>(state.CurrentSettings[n]), std::max(limit, 0)) << "stage byte " << n;
    }
    // The macro area holds the library's image.
    void expectLibraryInMouse()
    {
        const std::vector<std::uint8_t> image = MacroImage::pack(MacroImage::readLibrary(folder.path()));
        const std::vector<std::uint8_t> area = mouse->memory(sim::MemoryArea::Macros);
        ASSERT_GE(area.size(), image.size());
        EXPECT_TRUE(std::equal(image.begin(), image.end(), area.begin()));
    }

    test::TempFolder folder;
    fs::path applied = folder / "applied.pro";
    ManualClock clock;
    std::shared_ptr<sim::VirtualMouse> mouse;
    std::unique_ptr<sim::VirtualHidBackend> backend;
    std::unique_ptr<DeviceChannel> channel;
    DeviceState state;
    Host host;
    std::unique_ptr<DeviceConnection> connection;
    std::function<void(const ReportFrame&)> onRequest;
    std::jthread thread;
};

TEST_F(FaultSuite, AMouseThatNeverAnswersCostsTimeoutsOnlyAndIsUsedAgainAfterARePlug)
{
    mouse->dropNextAnswers(1 << 30);
    start();
    EXPECT_EQ(host.captures, 0) << "nothing read, nothing written";
    EXPECT_FALSE(fs::exists(host.profile));

    const auto library = snapshotFiles();
    // The capacity was never read: the library does not fit into nothing.
    EXPECT_EQ(writeMacroLibrary(*channel, state, folder.path()).result, MacroWriteResult::DoesNotFit);
    const MacroWriteOutcome write = writeMacroLibrary(*channel, 255, folder.path());
    EXPECT_EQ(write.result, MacroWriteResult::DeviceError);
    EXPECT_EQ(write.deviceResult, kResultNoAnswer);
    applyProfileToDevice(*channel, state, applied);
    expectStateUsable();
    EXPECT_EQ(snapshotFiles(), library);

    mouse->clearFaults();
    unplugAndWaitUntilLost();
    replugAndWaitForConnection();
    EXPECT_FALSE(host.captureFailed);
    expectStateMatchesMouse();
    EXPECT_EQ(writeMacroLibrary(*channel, state, folder.path()).result, MacroWriteResult::Written);
    expectLibraryInMouse();
}

TEST_F(FaultSuite, AnErrorStatusInTheMiddleOfAMacroWriteStopsItAndTheNextWriteSucceeds)
{
    start();
    for (const std::uint8_t status : {sim::kStatusInvalid, sim::kStatusBadChecksum}) {
        SCOPED_TRACE(static_cast<int>(status));
        const auto library = snapshotFiles();
        atRequest(CMD_WRITE_MACROS, 10, [&] { mouse->failNextRequests(1, status); });
        const MacroWriteOutcome write = writeMacroLibrary(*channel, state, folder.path());
        EXPECT_EQ(write.result, MacroWriteResult::DeviceError);
        EXPECT_EQ(write.deviceResult, status == sim::kStatusInvalid ? kResultStatusFF : kResultStatusFE);
        EXPECT_EQ(snapshotFiles(), library);
        EXPECT_TRUE(writeMarked());
        setHook(nullptr);
        EXPECT_EQ(writeMacroLibrary(*channel, state, folder.path()).result, MacroWriteResult::Written);
        expectLibraryInMouse();
        EXPECT_FALSE(writeMarked());
    }
    // The same statuses in the state read keep what was known.
    mouse->failNextRequests(3, sim::kStatusInvalid);
    connection->readDeviceState(host.profile);
    expectStateUsable();
    connection->readDeviceState(host.profile);
    expectStateMatchesMouse();
}

TEST_F(FaultSuite, AnUnplugInTheMiddleOfAMacroWriteKeepsTheFilesAndTheNextConnectionWritesThemAgain)
{
    start();
    // The mouse holds an earlier library of the same shape (the same header and offsets,
    // other actions), so the area that the cut-off write leaves passes every check of a
    // whole image: rebuilt from it, the first macro would keep the new actions and the
    // others would get the old ones.
    ASSERT_EQ(writeMacroLibrary(*channel, state, folder.path()).result, MacroWriteResult::Written);
    const MacroIndex index(folder.path());
    for (const std::string& name : index.names()) {
        std::vector<std::string> lines = MacroFile::load(index.macroPath(name)).lines();
        for (std::string& line : lines)
            if (line.starts_with("0,"))
                line = "0,7,0,1,A";
        ASSERT_TRUE(MacroFile::write(index.macroPath(name), lines));
    }
    const auto library = libraryFiles();
    atRequest(CMD_WRITE_MACROS, 12, [&] { mouse->unplug(); });
    const MacroWriteOutcome write = writeMacroLibrary(*channel, state, folder.path());
    EXPECT_EQ(write.result, MacroWriteResult::DeviceError);
    setHook(nullptr);
    EXPECT_EQ(libraryFiles(), library) << "a failed transfer changed the library";
    EXPECT_TRUE(writeMarked());
    EXPECT_TRUE(MacroImage::parse(mouse->memory(sim::MemoryArea::Macros)).has_value());
    ASSERT_TRUE(waitFor([&] { return host.lost >= 1; }));

    // Back again: the area is not read, the library goes into the mouse again, and the
    // mark goes with the write that completed.
    const int read = host.areasRead;
    replugAndWaitForConnection();
    EXPECT_EQ(host.areasRead, read);
    EXPECT_EQ(host.restored, 1);
    EXPECT_EQ(libraryFiles(), library);
    expectLibraryInMouse();
    EXPECT_FALSE(writeMarked());

    // The next connection trusts the mouse again.
    unplugAndWaitUntilLost();
    replugAndWaitForConnection();
    EXPECT_EQ(host.areasRead, read + 1);
    EXPECT_EQ(host.restored, 1);
    EXPECT_EQ(libraryFiles(), library);
}

TEST_F(FaultSuite, AnUnplugInTheMiddleOfApplyingAProfileLeavesItAndTheNextConnectionWorks)
{
    start();
    const std::string before = bytesOf(applied);
    atRequest(CMD_WRITE_BUTTONS, 2, [&] { mouse->unplug(); });
    applyProfileToDevice(*channel, state, applied);
    setHook(nullptr);
    EXPECT_EQ(bytesOf(applied), before);
    expectStateUsable();
    ASSERT_TRUE(waitFor([&] { return host.lost >= 1; }));

    replugAndWaitForConnection();
    expectStateMatchesMouse();
    applyProfileToDevice(*channel, state, applied);
    const auto record = mouse->settingsRecord(0);
    for (std::size_t n = 15; n < 20; ++n)
        EXPECT_EQ(record[n], n * 5);
}

TEST_F(FaultSuite, AnswersLaterThanTheTimeoutEndEveryCommandAndARePlugRecovers)
{
    start();
    mouse->setAnswerDelay(1500ms);
    const auto library = snapshotFiles();
    writeMacroLibrary(*channel, state, folder.path());
    applyProfileToDevice(*channel, state, applied);
    connection->readDeviceState(host.profile);
    connection->syncFromDevice(host.profile);
    expectStateUsable();
    EXPECT_EQ(bytesOf(applied), library.at(applied));

    mouse->clearFaults();
    unplugAndWaitUntilLost();  // drops what is still on its way
    replugAndWaitForConnection();
    expectStateMatchesMouse();
}

TEST_F(FaultSuite, GarbageInFrontOfEveryAnswerNeverLeavesABrokenFileOrState)
{
    start();
    std::mt19937 random(20240611);
    mouse->setAnswerDelay(5ms);  // so the garbage comes first
    setHook([&](const ReportFrame&) {
        std::vector<std::uint8_t> junk(1 + random() % 80);
        for (std::uint8_t& b : junk)
            b = static_cast<std::uint8_t>(random());
        switch (random() % 3) {
        case 0:
            junk[0] = 4;  // the answer's report id: taken for the answer
            break;
        case 1:
            junk[0] = 3;  // the consumer collection's: not the channel's
            break;
        default:
            break;
        }
        mouse->sendInputReport(sim::kVendorInterface, junk);
    });
    for (int round = 0; round < 3; ++round) {
        connection->readDeviceState(host.profile);
        connection->syncFromDevice(host.profile);
        connection->selectOnboardRecord(round + 1);
        connection->readMacroArea();
        writeMacroLibrary(*channel, state, folder.path());
        applyProfileToDevice(*channel, state, applied);
        expectStateUsable();
    }
    setHook(nullptr);
    checkFiles();

    mouse->clearFaults();
    unplugAndWaitUntilLost();
    replugAndWaitForConnection();
    expectStateMatchesMouse();
}

TEST_F(FaultSuite, AMouseThatResetsItselfDuringASaveIsReadAgainWhole)
{
    start();
    // The mouse restores its defaults between the settings record and the button block.
    atRequest(CMD_WRITE_BUTTONS, 1, [&] { mouse->restoreDefaultsAtMouse(); });
    applyProfileToDevice(*channel, state, applied);
    setHook(nullptr);
    // What the window does on the reset event.
    connection->readDeviceState(host.profile);
    expectStateMatchesMouse();

    // And in the middle of a macro write: the transfer goes on (the mouse keeps its macro
    // area through a reset), the library arrives whole.
    atRequest(CMD_WRITE_MACROS, 5, [&] { mouse->restoreDefaultsAtMouse(); });
    EXPECT_EQ(writeMacroLibrary(*channel, state, folder.path()).result, MacroWriteResult::Written);
    setHook(nullptr);
    expectLibraryInMouse();
    connection->readDeviceState(host.profile);
    expectStateMatchesMouse();
    EXPECT_FALSE(host.captureFailed);
}

}  // namespace
}  // namespace corv
