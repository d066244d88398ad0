// The library and the virtual mouse: writing the library (frames, capacity, failures, the
// lock, the mark of a write under way and the write made again at connection while a mark
// is left), and a round trip that writes a library, reads the macro area back the way the
// connection does and rebuilds the files from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "MacroTestSupport.h"
#include "device/DeviceChannel.h"
#include "device/DeviceConnection.h"
#include "device/DeviceState.h"
#include "macros/MacroImage.h"
#include "macros/MacroTransfer.h"
#include "macros/MacroWriteMark.h"
#include "platform/Clock.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"

namespace corv {
namespace {

using test::readBytes;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

// The connection's view of the program: the macro area goes to the rebuild, as the window
// will hand it over.
struct RebuildHost final : ConnectionHost {
    std::filesystem::path folder;
    MacroRebuildOutcome outcome;
    int areas = 0;
    bool windowAlive() override { return true; }
    void macroAreaRead(const std::vector<std::uint8_t>& area) override
    {
        ++areas;
        outcome = rebuildLibraryFromImage(area, folder);
    }
    std::filesystem::path connectProfilePath() override { return {}; }
    void storeCapture(const DeviceCapture&) override { }
    void setConnected(bool) override { }
    void connectSequenceDone() override { }
    void mouseLost() override { }
    void openRefused() override { }
};

class MacroDeviceTest : public test::MacroLibraryTest {
protected:
    void SetUp() override { make(255); }

    void make(std::uint8_t units) { make(units, clock); }
    void make(std::uint8_t units, Clock& useClock)
    {
        channel.reset();
        backend.reset();
        sim::VirtualMouseConfig config;
        config.model = kModelR240;
        config.macroCapacityUnits = units;
        mouse = std::make_shared<sim::VirtualMouse>(useClock, config);
        backend = std::make_unique<sim::VirtualHidBackend>(mouse);
        channel = std::make_unique<DeviceChannel>(*backend, useClock);
        channel->setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
        std::lock_guard<std::recursive_mutex> guard(channel->lock());
        channel->device().nextIndex = 0;
        ASSERT_TRUE(channel->device().enumerate());
        ASSERT_TRUE(channel->device().findChannelDevice(channel->identity()));
        channel->setOpen(true);
    }

    std::vector<ReportFrame> requests() const { return mouse->frameLog().frames(FrameDirection::Request); }
    std::vector<std::uint8_t> commands() const
    {
        std::vector<std::uint8_t> out;
        for (const ReportFrame& f : requests())
            out.push_back(f.command());
        return out;
    }
    Bytes macroMemory(std::size_t length) const
    {
        const Bytes all = mouse->memory(sim::MemoryArea::Macros);
        return Bytes(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::min(length, all.size())));
    }

    ManualClock clock;
    std::shared_ptr<sim::VirtualMouse> mouse;
    std::unique_ptr<sim::VirtualHidBackend> backend;
    std::unique_ptr<DeviceChannel> channel;
};

TEST_F(MacroDeviceTest, TheLibraryIsSentInOneTransactionOfChunks)
{
    writeIndex({"Long"});
    writeMacro("Long", Lines(60, "0,7,0,0,"));  // L = 16 + 6 + 120 = 142: three chunks
    // The write is marked in the data folder from before CMD_BEGIN to after CMD_END.
    const MacroWriteMark mark(folder);
    std::vector<bool> marked;
    mouse->setRequestHook([&](const ReportFrame&) { marked.push_back(mark.isSet()); });
    const MacroWriteOutcome outcome = writeMacroLibrary(*channel, 255, folder);
    mouse->setRequestHook(nullptr);
    ASSERT_EQ(outcome.result, MacroWriteResult::Written);
    EXPECT_EQ(marked, std::vector<bool>(5, true));
    EXPECT_FALSE(mark.isSet());
    EXPECT_EQ(outcome.imageLength, 142u);
    EXPECT_EQ(outcome.macroCount, 1u);
    EXPECT_EQ(commands(),
              (std::vector<std::uint8_t>{CMD_BEGIN, CMD_WRITE_MACROS, CMD_WRITE_MACROS, CMD_WRITE_MACROS, CMD_END}));
    const std::vector<ReportFrame> frames = requests();
    EXPECT_EQ(frames[1].address(), 0);
    EXPECT_EQ(frames[2].address(), 56);
    EXPECT_EQ(frames[3].address(), 112);
    EXPECT_EQ(frames[3].length(), 30);
    EXPECT_EQ(macroMemory(142), MacroImage::pack(MacroImage::readLibrary(folder)));
    EXPECT_FALSE(mouse->transactionOpen());
}

TEST_F(MacroDeviceTest, AnEmptyLibraryOrOneThatDoesNotFitSendsNothing)
{
    EXPECT_EQ(writeMacroLibrary(*channel, 255, folder).result, MacroWriteResult::NothingToWrite);
    EXPECT_TRUE(requests().empty());

    // One unit of 128 bytes: 53 actions fit exactly, 54 and 55 do not.
    make(1);
    writeIndex({"M"});
    writeMacro("M", Lines(55, "0,1,0,0,"));
    MacroWriteOutcome outcome = writeMacroLibrary(*channel, mouse->macroCapacityUnits(), folder);
    EXPECT_EQ(outcome.result, MacroWriteResult::DoesNotFit);
    EXPECT_EQ(outcome.imageLength, 132u);
    EXPECT_EQ(outcome.actionsToRemove, 3);
    writeMacro("M", Lines(54, "0,1,0,0,"));
    DeviceState state;
    state.DeviceInfo[kInfoMacroCapacity] = 1;
    outcome = writeMacroLibrary(*channel, state, folder);
    EXPECT_EQ(outcome.result, MacroWriteResult::DoesNotFit);
    EXPECT_EQ(outcome.actionsToRemove, 2);
    EXPECT_TRUE(requests().empty());

    writeMacro("M", Lines(53, "0,1,0,0,"));
    outcome = writeMacroLibrary(*channel, state, folder);
    ASSERT_EQ(outcome.result, MacroWriteResult::Written);
    EXPECT_EQ(outcome.imageLength, 128u);
    EXPECT_EQ(macroMemory(128), MacroImage::pack(MacroImage::readLibrary(folder)));
}

TEST_F(MacroDeviceTest, DeviceFailuresAreReportedAndTheTransactionIsClosed)
{
    writeIndex({"Long"});
    writeMacro("Long", Lines(100, "0,7,0,0,"));  // 222 bytes: four chunks

    // The mouse refuses the opening command: nothing else is sent. Every failure below
    // leaves the mark of the write.
    const MacroWriteMark mark(folder);
    mouse->failNextRequests(1);
    MacroWriteOutcome outcome = writeMacroLibrary(*channel, 255, folder);
    EXPECT_EQ(outcome.result, MacroWriteResult::DeviceError);
    EXPECT_EQ(outcome.deviceResult, kResultStatusFF);
    EXPECT_EQ(commands(), (std::vector<std::uint8_t>{CMD_BEGIN}));
    EXPECT_TRUE(mark.isSet());

    // The third chunk is refused: the transfer stops there and CMD_END still follows.
    mouse->frameLog().clear();
    int chunks = 0;
    channel->setFrameObserver([&](FrameDirection direction, const ReportFrame& frame) {
        if (direction == FrameDirection::Request && frame.command() == CMD_WRITE_MACROS && ++chunks == 2)
            mouse->failNextRequests(1);
    });
    outcome = writeMacroLibrary(*channel, 255, folder);
    channel->setFrameObserver(nullptr);
    EXPECT_EQ(outcome.result, MacroWriteResult::DeviceError);
    EXPECT_EQ(outcome.deviceResult, kResultStatusFF);
    EXPECT_EQ(commands(),
              (std::vector<std::uint8_t>{CMD_BEGIN, CMD_WRITE_MACROS, CMD_WRITE_MACROS, CMD_WRITE_MACROS, CMD_END}));
    EXPECT_FALSE(mouse->transactionOpen());
    EXPECT_TRUE(mark.isSet());

    // A closed channel sends nothing.
    mouse->frameLog().clear();
    channel->setOpen(false);
    outcome = writeMacroLibrary(*channel, 255, folder);
    EXPECT_EQ(outcome.result, MacroWriteResult::DeviceError);
    EXPECT_EQ(outcome.deviceResult, kResultNoAnswer);
    EXPECT_TRUE(requests().empty());
    EXPECT_TRUE(mark.isSet());
    const std::optional<MacroWriteOutcome> unanswered = rewriteUnfinishedMacroArea(*channel, folder);
    ASSERT_TRUE(unanswered.has_value());
    EXPECT_EQ(unanswered->deviceResult, kResultNoAnswer);
    EXPECT_TRUE(mark.isSet());

    // Connected again, the mark makes the connection write the library once more, with the
    // capacity the mouse reports; the completed write removes the mark.
    channel->setOpen(true);
    mouse->frameLog().clear();
    const std::optional<MacroWriteOutcome> again = rewriteUnfinishedMacroArea(*channel, folder);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->result, MacroWriteResult::Written);
    EXPECT_EQ(commands().front(), CMD_GET_INFO);
    EXPECT_EQ(macroMemory(222), MacroImage::pack(MacroImage::readLibrary(folder)));
    EXPECT_FALSE(mark.isSet());
    EXPECT_FALSE(rewriteUnfinishedMacroArea(*channel, folder).has_value());
}

TEST_F(MacroDeviceTest, AMarkLeftWithNothingToWriteOrTooMuchStays)
{
    // A library emptied (or grown past the area) since the write that was cut off: nothing
    // goes to the mouse, and its area stays untrusted.
    const MacroWriteMark mark(folder);
    ASSERT_TRUE(mark.set(1, 142));
    std::optional<MacroWriteOutcome> outcome = rewriteUnfinishedMacroArea(*channel, folder);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->result, MacroWriteResult::NothingToWrite);
    EXPECT_TRUE(mark.isSet());
    make(1);
    writeIndex({"M"});
    writeMacro("M", Lines(54, "0,1,0,0,"));
    outcome = rewriteUnfinishedMacroArea(*channel, folder);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->result, MacroWriteResult::DoesNotFit);
    EXPECT_EQ(commands(), (std::vector<std::uint8_t>{CMD_GET_INFO}));
    EXPECT_TRUE(mark.isSet());
}

TEST_F(MacroDeviceTest, AFolderThatCannotTakeTheMarkOfAWriteSendsNothing)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    writeIndex({"M"});
    writeMacro("M", Lines(53, "0,1,0,0,"));
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const MacroWriteOutcome refused = writeMacroLibrary(*channel, 1, folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    EXPECT_EQ(refused.result, MacroWriteResult::DataError);
    EXPECT_TRUE(requests().empty());
    EXPECT_FALSE(MacroWriteMark(folder).isSet());
}

TEST_F(MacroDeviceTest, TheChannelStaysLockedFromBeginToEnd)
{
    // On the real clock CMD_END really waits its settle time: a writer that took the lock
    // frame by frame would leave it free for those 10 ms, inside the transaction.
    make(255, Clock::system());
    writeIndex({"Long"});
    writeMacro("Long", Lines(2000, "0,7,0,0,"));  // 72 chunks
    // The observer runs with the lock held, so `open` is read consistently under the lock.
    bool open = false;
    channel->setFrameObserver([&](FrameDirection direction, const ReportFrame& frame) {
        if (direction == FrameDirection::Request && frame.command() == CMD_BEGIN)
            open = true;
        if (direction == FrameDirection::Answer && frame.command() == CMD_END)
            open = false;
    });
    // Another thread takes the lock whenever it is free: it must never find the
    // transaction open.
    std::atomic<bool> done{false};
    std::atomic<int> intrusions{0};
    std::atomic<int> grabs{0};
    std::thread other([&] {
        while (!done.load()) {
            if (channel->lock().try_lock()) {
                ++grabs;
                if (open)
                    ++intrusions;
                channel->lock().unlock();
            }
            std::this_thread::yield();
        }
    });
    while (grabs.load() == 0)
        std::this_thread::yield();
    const MacroWriteOutcome outcome = writeMacroLibrary(*channel, 255, folder);
    done = true;
    other.join();
    channel->setFrameObserver(nullptr);
    ASSERT_EQ(outcome.result, MacroWriteResult::Written);
    EXPECT_EQ(intrusions.load(), 0);
    const std::vector<std::uint8_t> sent = commands();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), CMD_WRITE_MACROS), 72);
}

TEST_F(MacroDeviceTest, ALibraryWrittenToTheMouseIsRebuiltIntoEqualFiles)
{
    writeIndex({"Combo", "Shifted", "Empty", "Long"});
    writeMacro("Combo", {"1,4,202,1,A", "0,12,0,1,A", "1,4,138,0,A", "0,30,0,0,A", "1,5,202,1,B", "0,1,0,1,B",
                         "1,5,138,0,B", "0,0,0,0,B"});
    writeMacro("Shifted", {"1,2,201,1,LShift", "0,3,0,1,LShift", "1,30,202,1,1", "0,255,127,1,1", "1,30,138,0,1",
                           "0,0,0,0,1", "1,2,137,0,LShift", "0,0,0,0,LShift"});
    writeMacro("Empty", {});
    Lines long_;
    for (int i = 0; i < 300; ++i) {
        long_.push_back("1,64,201,1,RAlt");
        long_.push_back("0," + std::to_string(i % 256) + "," + std::to_string(i % 128) + ",1,RAlt");
    }
    writeMacro("Long", long_);
    ASSERT_EQ(writeMacroLibrary(*channel, 255, folder).result, MacroWriteResult::Written);

    // The connection reads the area back and hands it to the rebuild of another folder.
    test::TempFolder other;
    DeviceState state;
    RebuildHost host;
    host.folder = other.path();
    DeviceConnection connection(*channel, state, host, clock);
    ASSERT_TRUE(connection.readMacroArea());
    ASSERT_EQ(host.areas, 1);
    EXPECT_EQ(host.outcome.result, MacroRebuildResult::Rebuilt);
    EXPECT_EQ(host.outcome.filesWritten, 4u);

    const MacroIndex rebuilt(other.path());
    const std::vector<std::string> names = rebuilt.names();
    ASSERT_EQ(names.size(), 4u);
    const std::vector<std::string> originals = index.names();
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(readBytes(rebuilt.macroPath(names[i])), readBytes(macroFile(originals[i]))) << originals[i];
}

}  // namespace
}  // namespace corv
