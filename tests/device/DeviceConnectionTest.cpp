// The device connection and the event listener against the virtual mouse: the connect
// sequence and the profile it writes, reads that fail, unplugging, record switching and
// synchronisation, and the listener's events.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "../platform/TempFolder.h"
#include "device/DeviceChannel.h"
#include "device/DeviceConnection.h"
#include "device/InputListener.h"
#include "platform/Clock.h"
#include "platform/FakeDeviceNotices.h"
#include "platform/HotplugWatcher.h"
#include "platform/IniFile.h"
#include "profiles/ProfileFile.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"

namespace corv {
namespace {

using namespace std::chrono_literals;

struct RecordingHost : ConnectionHost {
    std::filesystem::path profile;
    bool alive = true;
    int connectedCalls = 0;
    int sequenceDone = 0;
    int lost = 0;
    int refused = 0;
    bool connected = false;
    std::vector<std::vector<std::uint8_t>> macroAreas;

    bool windowAlive() override { return alive; }
    void macroAreaRead(const std::vector<std::uint8_t>& area) override { macroAreas.push_back(area); }
    std::filesystem::path connectProfilePath() override { return profile; }
    void storeCapture(const DeviceCapture& capture) override { writeDeviceCapture(capture); }
    void setConnected(bool c) override
    {
        connected = c;
        ++connectedCalls;
    }
    void connectSequenceDone() override { ++sequenceDone; }
    void mouseLost() override { ++lost; }
    void openRefused() override { ++refused; }
};

class ConnectionTest : public ::testing::Test {
protected:
    void make(std::uint16_t model)
    {
        connection.reset();
        channel.reset();
        backend.reset();
        state = DeviceState{};
        sim::VirtualMouseConfig config;
        config.model = model;
        mouse = std::make_shared<sim::VirtualMouse>(clock, config);
        backend = std::make_unique<sim::VirtualHidBackend>(mouse);
        channel = std::make_unique<DeviceChannel>(*backend, clock);
        channel->setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
        host.profile = folder / "p.pro";
        connection = std::make_unique<DeviceConnection>(*channel, state, host, clock);
    }
    void SetUp() override { make(kModelR240); }

    std::vector<std::uint8_t> commands() const
    {
        std::vector<std::uint8_t> out;
        for (const ReportFrame& f : mouse->frameLog().frames(FrameDirection::Request))
            out.push_back(f.command());
        return out;
    }
    std::string key(const char* section, const char* name) const
    {
        return ini::readString(host.profile, section, name, "missing");
    }
    // Sets settings byte n of a record in the mouse's memory.
    void poke(std::size_t record, std::size_t n, std::uint8_t v)
    {
        ASSERT_TRUE(mouse->writeMemory(sim::MemoryArea::Settings, record * 64 + n, std::span(&v, 1)));
    }
    void connect()
    {
        std::stop_source stop;
        ASSERT_TRUE(connection->runCycle(stop.get_token()));
        ASSERT_EQ(connection->state(), DeviceConnection::State::Connected);
    }

    test::TempFolder folder;
    ManualClock clock;
    std::shared_ptr<sim::VirtualMouse> mouse;
    std::unique_ptr<sim::VirtualHidBackend> backend;
    std::unique_ptr<DeviceChannel> channel;
    DeviceState state;
    RecordingHost host;
    std::unique_ptr<DeviceConnection> connection;
};

TEST_F(ConnectionTest, ConnectSequenceReadsTheMouseAndWritesTheSelectedProfile)
{
    poke(0, 17, 42);
    const auto start = clock.now();
    connect();
    EXPECT_GE(clock.now() - start, Clock::duration(2000ms));  // the two pauses
    EXPECT_TRUE(channel->isOpen());
    EXPECT_EQ(host.connectedCalls, 1);
    EXPECT_TRUE(host.connected);
    EXPECT_EQ(host.sequenceDone, 1);
    EXPECT_EQ(state.firmwareVersion, mouse->releaseNumber());
    EXPECT_EQ(state.modelId(), kModelR240);

    // Macro area (begin, header, whole area, end), then the state read in its own bracket.
    const std::vector<std::uint8_t> sent = commands();
    const std::vector<std::uint8_t> stateRead{CMD_BEGIN,
                                              CMD_GET_INFO,
                                              CMD_READ_DEFAULT_BUTTONS,
                                              CMD_READ_DEFAULT_BUTTONS,
                                              CMD_READ_DEFAULT_BUTTONS,
                                              CMD_READ_SETTINGS,
                                              CMD_READ_SETTINGS};
    // Then the five button blocks, three frames each, and the end of the bracket.
    ASSERT_GE(sent.size(), stateRead.size() + 16 + 3);
    EXPECT_EQ(sent.front(), CMD_BEGIN);
    EXPECT_EQ(sent[1], CMD_READ_MACROS);
    EXPECT_EQ(sent.back(), CMD_END);
    EXPECT_TRUE(std::all_of(sent.end() - 16, sent.end() - 1, [](std::uint8_t c) { return c == CMD_READ_BUTTONS; }));
    EXPECT_TRUE(std::equal(stateRead.rbegin(), stateRead.rend(), sent.rbegin() + 16));
    ASSERT_EQ(host.macroAreas.size(), 1u);

    // The R240's stages go to [3360], everything else to [Setting], buttons as "%d,%d,%d".
    EXPECT_EQ(key("3360", "LED17"), "42");
    EXPECT_EQ(key("Setting", "LED17"), "missing");
    EXPECT_EQ(key("Setting", "LED20"), std::to_string(mouse->settingsRecord(0)[20]));
    const auto block = mouse->buttonBlock(0);
    EXPECT_EQ(key("Setting", "KEY1"),
              std::to_string(block[3]) + "," + std::to_string(block[4]) + "," + std::to_string(block[5]));
    EXPECT_EQ(state.CurrentSettings[17], 42);

    // Connected: each further cycle is one probe and sends nothing.
    mouse->frameLog().clear();
    std::stop_source stop;
    EXPECT_TRUE(connection->runCycle(stop.get_token()));
    EXPECT_TRUE(commands().empty());
}

TEST_F(ConnectionTest, DpiStagesAreLimitedPerModelAndStageByStage)
{
    poke(0, 15, 200);
    poke(0, 16, 119);
    poke(0, 19, 120);
    connect();
    EXPECT_EQ(key("3360", "LED15"), "119");
    EXPECT_EQ(key("3360", "LED16"), "119");
    EXPECT_EQ(key("3360", "LED19"), "119");
    EXPECT_EQ(state.CurrentSettings[15], 119);

    make(kModelR210);
    std::filesystem::remove(host.profile);
    poke(0, 15, 200);
    poke(0, 16, 58);
    connect();
    EXPECT_EQ(key("Setting", "LED15"), "58");
    EXPECT_EQ(key("Setting", "LED16"), "58");
    EXPECT_EQ(key("3360", "LED15"), "missing");

    // A model without a table: stages and the active record byte become 0.
    std::array<std::uint8_t, 33> image{};
    image[0] = 3;
    image[15] = 7;
    image[19] = 9;
    clampDpiStages(image, 0x1234, true);
    EXPECT_EQ(image[0], 0);
    EXPECT_EQ(image[15], 0);
    EXPECT_EQ(image[19], 0);
}

TEST_F(ConnectionTest, AMacroAreaWithoutItsSignatureStopsWithoutEnd)
{
    const std::array<std::uint8_t, 2> bad{0x12, 0x34};
    ASSERT_TRUE(mouse->writeMemory(sim::MemoryArea::Macros, 0, bad));
    ASSERT_TRUE(channel->device().enumerate());
    ASSERT_TRUE(channel->device().findChannelDevice(channel->identity()));
    channel->setOpen(true);
    EXPECT_FALSE(connection->readMacroArea());
    EXPECT_EQ(commands(), (std::vector<std::uint8_t>{CMD_BEGIN, CMD_READ_MACROS}));
    EXPECT_TRUE(host.macroAreas.empty());
}

TEST_F(ConnectionTest, AFailedReadLeavesTheProfileAndTheCopiesAsTheyWere)
{
    connect();
    ini::writeString(host.profile, "Setting", "LED23", "3");
    const auto before = state.CurrentSettings;
    poke(0, 23, 2);  // the mouse changed, but its record will not be read
    // Fail the 56-byte settings read: the request after the one-byte active-record read.
    mouse->frameLog().clear();
    channel->setFrameObserver([&](FrameDirection d, const ReportFrame& f) {
        if (d == FrameDirection::Request && f.command() == CMD_READ_SETTINGS && f.length() == 1)
            mouse->failNextRequests(1, sim::kStatusInvalid);
    });
    connection->readDeviceState(host.profile);
    channel->setFrameObserver({});
    EXPECT_EQ(key("Setting", "LED23"), "3");
    EXPECT_EQ(state.CurrentSettings, before);
    EXPECT_EQ(commands().back(), CMD_END);  // the transaction is still closed
}

TEST_F(ConnectionTest, EveryRecordsButtonBlockIsReadAndOneThatCannotBeStaysUnknown)
{
    poke(0, 0, 2);
    std::array<std::uint8_t, 3> triple{0x20, 0x00, 0x04};
    ASSERT_TRUE(mouse->writeMemory(sim::MemoryArea::Buttons, 2 * 126, triple));
    std::array<std::uint8_t, 2> held{0xA5, 0x5A};  // past the nine buttons: the mouse's own
    ASSERT_TRUE(mouse->writeMemory(sim::MemoryArea::Buttons, 4 * 126 + 100, held));
    // The second frame of block 3's read is refused.
    channel->setFrameObserver([this](FrameDirection d, const ReportFrame& f) {
        if (d == FrameDirection::Request && f.command() == CMD_READ_BUTTONS && f.address() == 3 * 126)
            mouse->failNextRequests(1);
    });
    connect();
    channel->setFrameObserver({});
    EXPECT_EQ(state.activeRecord(), 2);
    EXPECT_EQ(key("Setting", "KEY0"), "32,0,4");  // the active record's buttons
    for (std::size_t b = 0; b < 5; ++b) {
        EXPECT_EQ(state.buttonsKnown(b), b != 3) << b;
        if (b != 3) {
            EXPECT_EQ(state.ButtonImage[b], mouse->buttonBlock(b)) << b;
        }
    }
    EXPECT_FALSE(state.buttonsKnown(5));  // record 5 has no block in the mouse

    // Choosing record 3 reads its block before anything shows it; a known one is not read.
    mouse->frameLog().clear();
    ASSERT_TRUE(connection->selectOnboardRecord(3));
    const std::vector<std::uint8_t> select3 = commands();
    EXPECT_EQ(std::count(select3.begin(), select3.end(), CMD_READ_BUTTONS), 3);
    EXPECT_TRUE(state.buttonsKnown(3));
    EXPECT_EQ(state.ButtonImage[3], mouse->buttonBlock(3));
    mouse->frameLog().clear();
    ASSERT_TRUE(connection->selectOnboardRecord(4));
    const std::vector<std::uint8_t> sent = commands();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), CMD_READ_BUTTONS), 0);

    // A profile whose block 3 would have been written from zeros: the block of a failed
    // read is not captured as KEY0..KEY8 when record 3 is active at connection.
    std::filesystem::remove(host.profile);
    poke(0, 0, 3);
    channel->setFrameObserver([this](FrameDirection d, const ReportFrame& f) {
        if (d == FrameDirection::Request && f.command() == CMD_READ_BUTTONS && f.address() == 3 * 126)
            mouse->failNextRequests(1);
    });
    connection->readDeviceState(host.profile);
    channel->setFrameObserver({});
    EXPECT_FALSE(state.buttonsKnown(3));
    EXPECT_EQ(key("Setting", "KEY0"), "missing");
    EXPECT_NE(key("Setting", "LED1"), "missing");
}

TEST_F(ConnectionTest, UnplugIsNoticedByTheProbeAndReplugConnectsAgain)
{
    connect();
    std::stop_source stop;
    mouse->unplug();
    EXPECT_TRUE(connection->runCycle(stop.get_token()));
    EXPECT_EQ(host.lost, 1);
    EXPECT_FALSE(host.connected);
    EXPECT_FALSE(channel->isOpen());
    EXPECT_EQ(state.dpiLevelCount(), 0);
    EXPECT_EQ(connection->state(), DeviceConnection::State::Absent);

    EXPECT_TRUE(connection->runCycle(stop.get_token()));  // still absent
    EXPECT_EQ(host.sequenceDone, 1);
    mouse->plug();
    EXPECT_TRUE(connection->runCycle(stop.get_token()));
    EXPECT_EQ(host.sequenceDone, 2);
    EXPECT_TRUE(channel->isOpen());
    EXPECT_EQ(state.dpiLevelCount(), 120);
}

TEST_F(ConnectionTest, TheThreadEndsWhenEnumerationFailsOrTheWindowIsGone)
{
    std::stop_source stop;
    host.alive = false;
    EXPECT_FALSE(connection->runCycle(stop.get_token()));
    EXPECT_EQ(connection->state(), DeviceConnection::State::Ended);
    host.alive = true;
    backend->setEnumerationFails(true);
    EXPECT_FALSE(connection->runCycle(stop.get_token()));
    EXPECT_FALSE(channel->isOpen());
}

TEST_F(ConnectionTest, APermissionProblemIsReportedOncePerAbsence)
{
    backend->setOpenFailure(mouse->interfacePath(1), HidOpenError::PermissionDenied);
    std::stop_source stop;
    EXPECT_TRUE(connection->runCycle(stop.get_token()));
    EXPECT_TRUE(connection->runCycle(stop.get_token()));
    EXPECT_EQ(host.refused, 1);
    EXPECT_FALSE(channel->isOpen());
    backend->setOpenFailure(mouse->interfacePath(1), HidOpenError::None);
    EXPECT_TRUE(connection->runCycle(stop.get_token()));
    EXPECT_TRUE(channel->isOpen());
}

TEST_F(ConnectionTest, SelectingTheActiveRecordSendsOneReadOnly)
{
    connect();
    mouse->frameLog().clear();
    EXPECT_FALSE(connection->selectOnboardRecord(0));
    EXPECT_EQ(commands(), std::vector<std::uint8_t>{CMD_READ_SETTINGS});
    EXPECT_FALSE(connection->selectOnboardRecord(6));
    EXPECT_FALSE(connection->selectOnboardRecord(-1));
    EXPECT_EQ(commands().size(), 1u);

    poke(3, 20, 4);
    state.CurrentSettings[20] = 2;  // a change the program made to record 0
    mouse->frameLog().clear();
    EXPECT_TRUE(connection->selectOnboardRecord(3));
    const std::vector<ReportFrame> sent = mouse->frameLog().frames(FrameDirection::Request);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].command(), CMD_WRITE_SETTINGS);
    EXPECT_EQ(sent[1].address(), 0);
    EXPECT_EQ(sent[1].data()[0], 3);
    EXPECT_EQ(sent[2].address(), 3 * 64);
    EXPECT_EQ(sent[2].length(), 56);
    EXPECT_EQ(mouse->activeRecord(), 3);
    EXPECT_EQ(state.activeRecord(), 3);
    EXPECT_EQ(state.CurrentSettings[20], 4);
    EXPECT_EQ(state.SettingsImage[0][20], 2);  // the previous record kept the program's change
}

TEST_F(ConnectionTest, SelectingARecordLimitsItsDpiStagesLikeEveryOtherRead)
{
    make(kModelR210);
    connect();
    for (std::size_t n = 15; n <= 19; ++n)
        poke(4, n, 200);
    poke(4, 20, 3);
    ASSERT_TRUE(connection->selectOnboardRecord(4));
    for (std::size_t n = 15; n <= 19; ++n) {
        EXPECT_EQ(state.CurrentSettings[n], 58) << n;  // the R210's last table index
        EXPECT_EQ(state.SettingsImage[4][n], 58) << n;
    }
    EXPECT_EQ(state.CurrentSettings[20], 3);  // the bytes around the stages stay as read
    EXPECT_EQ(state.activeRecord(), 4);

    // A synchronisation from that record agrees.
    ASSERT_TRUE(connection->syncFromDevice(folder / "sync.pro"));
    EXPECT_EQ(state.CurrentSettings[15], 58);
    EXPECT_EQ(ini::readString(folder / "sync.pro", "Setting", "LED15", ""), "58");
}

TEST_F(ConnectionTest, SynchronisationFollowsTheMousesDpiButton)
{
    connect();
    const std::uint8_t stage = mouse->currentStage();
    ASSERT_TRUE(mouse->pressDpiButton());
    const std::filesystem::path dpiProfile = folder / "dpi.pro";
    ASSERT_TRUE(connection->syncFromDevice(dpiProfile));
    const std::uint8_t next = static_cast<std::uint8_t>((stage + 1) % 5);
    EXPECT_EQ(state.CurrentSettings[20], next);
    EXPECT_EQ(ini::readString(dpiProfile, "Setting", "LED20", ""), std::to_string(next));
    EXPECT_EQ(ini::readString(dpiProfile, "Setting", "LED0", ""), "0");
    EXPECT_EQ(ini::readString(dpiProfile, "Setting", "KEY0", "none"), "none");  // no button keys
}

// ---- the connection thread on plug and unplug notices -----------------------------------

// The virtual mouse's nodes, with plug notices from a hand-fed notice source through the
// watcher (as udev's would arrive) instead of the virtual mouse's own.
struct NoticedBackend : HidBackend {
    explicit NoticedBackend(HidBackend& b) : inner(b)
    {
        auto owned = std::make_unique<FakeDeviceNotices>();
        notices = owned.get();
        watcher = std::make_unique<HotplugWatcher>(std::move(owned), signal);
    }
    bool enumerate(std::vector<HidInterfaceEntry>& out) override { return inner.enumerate(out); }
    std::unique_ptr<HidHandle> open(const std::string& path, HidOpenError* error) override
    {
        return inner.open(path, error);
    }
    bool isPresent(const std::string& path) override { return inner.isPresent(path); }
    HotplugSignal* hotplug() override { return &signal; }

    HidBackend& inner;
    HotplugSignal signal;
    FakeDeviceNotices* notices = nullptr;
    std::unique_ptr<HotplugWatcher> watcher;
};

// The host's calls come from the connection thread here.
struct LockedHost : RecordingHost {
    std::mutex mutex;
    std::condition_variable changed;

    void setConnected(bool c) override
    {
        locked([&] { RecordingHost::setConnected(c); });
    }
    void connectSequenceDone() override
    {
        locked([&] { RecordingHost::connectSequenceDone(); });
    }
    void mouseLost() override
    {
        locked([&] { RecordingHost::mouseLost(); });
    }
    template <class F> void locked(F f)
    {
        {
            std::lock_guard<std::mutex> guard(mutex);
            f();
        }
        changed.notify_all();
    }
    template <class Pred> bool waitUntil(Pred pred)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, 20s, pred);
    }
};

TEST(ConnectionNotices, UnplugAndReplugAreSeenAtTheirNoticesEvenWithinOneCycle)
{
    test::TempFolder folder;
    ManualClock clock;
    auto mouse = std::make_shared<sim::VirtualMouse>(clock);
    sim::VirtualHidBackend virtualNodes(mouse);
    NoticedBackend backend(virtualNodes);
    DeviceChannel channel(backend, clock);
    channel.setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
    DeviceState state;
    LockedHost host;
    host.profile = folder / "p.pro";
    DeviceConnection connection(channel, state, host, clock);
    std::jthread thread([&](std::stop_token stop) { connection.run(stop); });
    ASSERT_TRUE(host.waitUntil([&] { return host.sequenceDone == 1; }));

    // Unplugged: the removal notice makes the thread look.
    mouse->unplug();
    backend.notices->send({"remove", "hidraw", "/dev/hidraw1"});
    ASSERT_TRUE(host.waitUntil([&] { return host.lost == 1; }));
    EXPECT_FALSE(host.connected);
    mouse->plug();
    backend.notices->send({"add", "hidraw", "/dev/hidraw1"});
    ASSERT_TRUE(host.waitUntil([&] { return host.sequenceDone == 2; }));
    EXPECT_TRUE(host.connected);

    // Out and back in before the thread looked: the node is present again under its old
    // name, but the open handle belongs to the device that went away.
    mouse->unplug();
    mouse->plug();
    backend.notices->send({"remove", "hidraw", "/dev/hidraw1"});
    backend.notices->send({"add", "hidraw", "/dev/hidraw1"});
    ASSERT_TRUE(host.waitUntil([&] { return host.sequenceDone == 3; }));
    EXPECT_EQ(host.lost, 2);
    EXPECT_TRUE(host.connected);
    EXPECT_TRUE(channel.isOpen());

    thread.request_stop();  // wakes the wait for the next notice
    thread.join();
    EXPECT_EQ(connection.state(), DeviceConnection::State::Ended);
}

// ---- the listener ----------------------------------------------------------------------

class ListenerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mouse = std::make_shared<sim::VirtualMouse>(Clock::system());
        backend = std::make_unique<sim::VirtualHidBackend>(mouse);
        InputListener::Callbacks callbacks;
        callbacks.windowAlive = [this] { return alive.load(); };
        callbacks.deliver = [this](MouseEvent e) {
            std::lock_guard<std::mutex> guard(mutex);
            events.push_back(e);
        };
        listener = std::make_unique<InputListener>(*backend, Clock::system(), callbacks);
    }
    void TearDown() override
    {
        if (thread.joinable()) {
            thread.request_stop();
            thread.join();
        }
    }
    void start()
    {
        thread = std::jthread([this](std::stop_token st) { listener->run(st); });
        waitFor([&] { return listener->state() == InputListener::State::Reading; });
    }
    template <class Pred> bool waitFor(Pred pred)
    {
        for (int i = 0; i < 5000 && !pred(); ++i)
            std::this_thread::sleep_for(1ms);
        return pred();
    }
    std::vector<MouseEvent> seen()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return events;
    }

    std::shared_ptr<sim::VirtualMouse> mouse;
    std::unique_ptr<sim::VirtualHidBackend> backend;
    std::unique_ptr<InputListener> listener;
    std::atomic<bool> alive{true};
    std::mutex mutex;
    std::vector<MouseEvent> events;
    std::jthread thread;
};

TEST(ListenerEvents, UsagesMapToTheirEventsInOrder)
{
    EXPECT_EQ(eventsForUsage(0x0401), std::vector<MouseEvent>{MouseEvent::Sync});
    EXPECT_EQ(eventsForUsage(0x0402), std::vector<MouseEvent>{MouseEvent::Reset});
    EXPECT_EQ(eventsForUsage(0x0403), (std::vector<MouseEvent>{MouseEvent::CalibrationEnd, MouseEvent::CalibrationOk}));
    EXPECT_EQ(eventsForUsage(0x0404),
              (std::vector<MouseEvent>{MouseEvent::CalibrationEnd, MouseEvent::CalibrationFail}));
    EXPECT_TRUE(eventsForUsage(0).empty());
    EXPECT_TRUE(eventsForUsage(0x00E9).empty());
}

TEST_F(ListenerTest, EventsOfTheMouseArriveInOrderAndOtherUsagesAreIgnored)
{
    start();
    ASSERT_TRUE(mouse->sendConsumerUsage(0x00E9));  // volume up: nothing
    ASSERT_TRUE(mouse->pressDpiButton());
    mouse->setCalibrationDelay(0ms);
    mouse->setNextCalibrationOutcome(false);
    // Calibration is started on the command collection.
    DeviceChannel channel(*backend, Clock::system());
    channel.setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
    ASSERT_TRUE(channel.device().enumerate());
    ASSERT_TRUE(channel.device().findChannelDevice(channel.identity()));
    channel.setOpen(true);
    mouse->startTimerThread();
    ASSERT_EQ(channel.calibrate(), kResultOk);
    ASSERT_TRUE(waitFor([&] { return seen().size() >= 3; }));
    mouse->stopTimerThread();
    EXPECT_EQ(seen(),
              (std::vector<MouseEvent>{MouseEvent::Sync, MouseEvent::CalibrationEnd, MouseEvent::CalibrationFail}));
}

TEST_F(ListenerTest, StopWakesTheWaitingReadAndUnplugEndsReading)
{
    start();
    mouse->unplug();
    // The pending read fails at once; the probe then finds the node gone.
    ASSERT_TRUE(waitFor([&] { return listener->state() == InputListener::State::Searching; }));
    mouse->plug();
    ASSERT_TRUE(waitFor([&] { return listener->state() == InputListener::State::Reading; }));
    ASSERT_TRUE(mouse->pressDpiButton());
    ASSERT_TRUE(waitFor([&] { return seen().size() == 1; }));
    thread.request_stop();
    thread.join();  // returns although the read waits without limit
    EXPECT_EQ(listener->state(), InputListener::State::Ended);
}

// A stop that arrives while the listener is still opening the collection has no read to
// wake; the listener must notice it before it starts waiting without limit.
TEST_F(ListenerTest, AStopDuringTheOpenEndsTheThreadBeforeItWaitsForReports)
{
    struct GatedOpen : HidBackend {
        HidBackend& inner;
        std::mutex m;
        std::condition_variable cv;
        bool entered = false;
        bool released = false;
        explicit GatedOpen(HidBackend& b) : inner(b) { }
        bool enumerate(std::vector<HidInterfaceEntry>& out) override { return inner.enumerate(out); }
        bool isPresent(const std::string& path) override { return inner.isPresent(path); }
        std::unique_ptr<HidHandle> open(const std::string& path, HidOpenError* error) override
        {
            std::unique_lock lock(m);
            entered = true;
            cv.notify_all();
            cv.wait(lock, [&] { return released; });
            return inner.open(path, error);
        }
    } gated(*backend);
    InputListener gatedListener(gated, Clock::system(), {});
    std::promise<void> ended;
    std::jthread runner([&](std::stop_token st) {
        gatedListener.run(st);
        ended.set_value();
    });
    {
        std::unique_lock lock(gated.m);
        gated.cv.wait(lock, [&] { return gated.entered; });
    }
    runner.request_stop();  // nothing to cancel yet
    {
        std::lock_guard lock(gated.m);
        gated.released = true;
    }
    gated.cv.notify_all();
    const bool endedByItself = ended.get_future().wait_for(20s) == std::future_status::ready;
    if (!endedByItself)
        gatedListener.cancel();  // free the thread so that the test can end
    EXPECT_TRUE(endedByItself) << "the listener kept waiting for reports after the stop";
}

TEST_F(ListenerTest, AQuickReplugIsNoticedWithoutAProbeFailing)
{
    start();
    const std::string node = mouse->interfacePath(sim::kVendorInterface);
    const std::size_t opened = backend->openCount(node);
    // Unplugged and back before the listener's probe could see the node gone: the node is
    // there again under its name, the listener's handle is dead. It must open the node again
    // (how long it spends between the two is its own business).
    mouse->unplug();
    mouse->plug();
    ASSERT_TRUE(waitFor(
        [&] { return backend->openCount(node) > opened && listener->state() == InputListener::State::Reading; }));
    ASSERT_TRUE(mouse->pressDpiButton());
    EXPECT_TRUE(waitFor([&] { return seen().size() == 1; }));
}

TEST_F(ListenerTest, AReportAfterTheWindowIsGoneEndsTheThread)
{
    start();
    alive = false;
    ASSERT_TRUE(mouse->pressDpiButton());
    ASSERT_TRUE(waitFor([&] { return listener->state() == InputListener::State::Ended; }));
    EXPECT_TRUE(seen().empty());
}

}  // namespace
}  // namespace corv
