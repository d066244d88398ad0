// Fault injection, unplugging, cancellation and concurrent use of the virtual mouse.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "SimTestSupport.h"
#include "device/DeviceChannel.h"
#include "device/HidDeviceInfo.h"

namespace corv::sim::test {
namespace {

using namespace std::chrono_literals;

class Faults : public SimTest {
protected:
    void openChannel()
    {
        channel = std::make_unique<DeviceChannel>(*backend, clock);
        ASSERT_TRUE(channel->device().enumerate());
        ASSERT_TRUE(channel->device().findChannelDevice(
            ChannelIdentity{kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage}));
        channel->setOpen(true);
    }
    std::size_t requestsLogged() const { return mouse->frameLog().frames(FrameDirection::Request).size(); }
    std::size_t answersLogged() const { return mouse->frameLog().frames(FrameDirection::Answer).size(); }

    std::unique_ptr<DeviceChannel> channel;
};

// Waits until cond holds (a condition, not a pause); fails the test after ten seconds.
template <class Cond> void waitUntil(Cond cond)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!cond() && std::chrono::steady_clock::now() < limit)
        std::this_thread::yield();
    ASSERT_TRUE(cond());
}

TEST_F(Faults, DroppedAnswersStillExecuteTheRequest)
{
    vendor = openNode(kIf1);
    mouse->dropNextAnswers(2);
    const ReportFrame write = ReportFrame::request(CMD_WRITE_SETTINGS, 1, 23, std::vector<std::uint8_t>{3});
    ASSERT_EQ(vendor->write(write.bytes.data(), 64, 1000), 64);
    EXPECT_EQ(readReport(*vendor, 1000).code, kHidReadTimeout);
    EXPECT_EQ(mouse->settingsRecord(0)[23], 3);
    ASSERT_EQ(vendor->write(write.bytes.data(), 64, 1000), 64);
    EXPECT_EQ(readReport(*vendor, 1000).code, kHidReadTimeout);
    EXPECT_EQ(send(CMD_READ_SETTINGS, 1, 23).data()[0], 3);
    EXPECT_EQ(requestsLogged(), 3u);
    EXPECT_EQ(answersLogged(), 1u);  // a lost answer was never sent
}

TEST_F(Faults, ChannelRetriesDroppedAnswersUpToFourAttempts)
{
    openChannel();
    const std::uint8_t value = 3;
    mouse->dropNextAnswers(3);
    Clock::time_point start = clock.now();
    EXPECT_EQ(channel->writeSettings(23, &value, 1), kResultOk);
    EXPECT_EQ(requestsLogged(), 4u);
    EXPECT_EQ(clock.now() - start, Clock::duration(3000ms));

    mouse->frameLog().clear();
    mouse->dropNextAnswers(4);
    start = clock.now();
    EXPECT_EQ(channel->writeSettings(23, &value, 1), kResultNoAnswer);
    EXPECT_EQ(requestsLogged(), 4u);
    EXPECT_EQ(clock.now() - start, Clock::duration(4000ms));
}

TEST_F(Faults, ForcedErrorStatusesDoNotExecute)
{
    mouse->failNextRequests(2, 0xFF);
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 23, {3}).status(), 0xFF);
    const ReportFrame answer = send(CMD_GET_INFO, 0x21);
    EXPECT_EQ(answer.status(), 0xFF);
    EXPECT_EQ(answer.data()[kInfoDpiCount], 0);  // no data with an error
    EXPECT_EQ(send(CMD_READ_SETTINGS, 1, 23).data()[0], 2);

    mouse->failNextRequests(1, 0xFE);
    EXPECT_EQ(send(CMD_RESTORE_DEFAULTS).status(), 0xFE);
    EXPECT_EQ(readReport(*vendor, 0).code, kHidReadTimeout);  // no reset event either

    vendor.reset();
    openChannel();
    const std::uint8_t value = 3;
    mouse->failNextRequests(1, 0xFF);
    EXPECT_EQ(channel->writeSettings(23, &value, 1), kResultStatusFF);
    mouse->failNextRequests(1, 0xFE);
    EXPECT_EQ(channel->writeSettings(23, &value, 1), kResultStatusFE);
    EXPECT_EQ(mouse->settingsRecord(0)[23], 2);
    EXPECT_EQ(channel->writeSettings(23, &value, 1), kResultOk);
    EXPECT_EQ(mouse->settingsRecord(0)[23], 3);
}

TEST_F(Faults, DelayedAnswersArriveLate)
{
    vendor = openNode(kIf1);
    mouse->setAnswerDelay(1500ms);
    const Clock::time_point start = clock.now();
    const ReportFrame request = ReportFrame::request(CMD_BEGIN);
    ASSERT_EQ(vendor->write(request.bytes.data(), 64, 1000), 64);
    EXPECT_TRUE(mouse->transactionOpen());  // executed at once, only the answer waits
    EXPECT_EQ(readReport(*vendor, 1000).code, kHidReadTimeout);
    const auto late = toFrame(readReport(*vendor, 1000));
    ASSERT_TRUE(late.has_value());
    EXPECT_EQ(late->command(), CMD_BEGIN);
    EXPECT_EQ(clock.now() - start, Clock::duration(1500ms));

    // The reset event waits for its answer.
    auto listener = openNode(kIf1);
    EXPECT_EQ(readReport(*listener, 0).code, kHidReadTimeout);
    const ReportFrame restore = ReportFrame::request(CMD_RESTORE_DEFAULTS);
    ASSERT_EQ(vendor->write(restore.bytes.data(), 64, 1000), 64);
    EXPECT_EQ(readReport(*listener, 5000).code, 64);
    EXPECT_EQ(readReport(*listener, 0).bytes, consumerReport(kEventReset));

    mouse->clearFaults();
    ASSERT_EQ(readReport(*vendor, 0).code, 64);
    ASSERT_EQ(readReport(*vendor, 0).code, 3);
    ASSERT_EQ(readReport(*vendor, 0).code, 3);
    EXPECT_EQ(send(CMD_END).status(), 0x00);
    EXPECT_EQ(clock.now() - start, Clock::duration(3000ms));
}

TEST_F(Faults, FailedWritesCostTheirTimeoutAndNeverReachTheMouse)
{
    vendor = openNode(kIf1);
    mouse->failNextWrites(1);
    const ReportFrame request = ReportFrame::request(CMD_WRITE_SETTINGS, 1, 23, std::vector<std::uint8_t>{3});
    const Clock::time_point start = clock.now();
    EXPECT_EQ(vendor->write(request.bytes.data(), 64, 1000), -1);
    EXPECT_EQ(clock.now() - start, Clock::duration(1000ms));
    EXPECT_EQ(requestsLogged(), 0u);
    EXPECT_EQ(mouse->settingsRecord(0)[23], 2);
    EXPECT_EQ(readReport(*vendor, 0).code, kHidReadTimeout);

    vendor.reset();
    openChannel();
    const std::uint8_t value = 3;
    mouse->failNextWrites(1);
    EXPECT_EQ(channel->writeSettings(23, &value, 1), kResultWriteFailed);
    EXPECT_EQ(requestsLogged(), 0u);
    EXPECT_EQ(channel->writeSettings(23, &value, 1), kResultOk);
}

TEST_F(Faults, UnplugWakesWaitingReadsAndReplugNeedsNewHandles)
{
    vendor = openNode(kIf1);
    EXPECT_EQ(send(CMD_WRITE_SETTINGS, 1, 23, {3}).status(), 0x00);
    EXPECT_EQ(send(CMD_BEGIN).status(), 0x00);
    auto bootMouse = openNode(kIf0);
    HidDeviceInfo listener(*backend, clock);
    ASSERT_TRUE(listener.enumerate());
    ASSERT_TRUE(listener.findListenerDevice());

    std::atomic<int> rawResult{1};
    std::atomic<bool> listenerResult{true};
    std::thread rawReader([&] { rawResult = readReport(*bootMouse, -1).code; });
    std::thread listenerThread([&] {
        std::array<std::uint8_t, 3> report{};
        listenerResult = listener.read(report.data(), report.size(), -1);
    });
    waitUntil([&] { return mouse->blockedReads() == 2; });  // both reads wait (either order is valid)
    mouse->unplug();
    rawReader.join();
    listenerThread.join();
    EXPECT_EQ(rawResult.load(), kHidReadError);
    EXPECT_FALSE(listenerResult.load());
    EXPECT_FALSE(listener.probe());

    // Everything about the old handles is dead, and the mouse is gone from the system.
    const ReportFrame request = ReportFrame::request(CMD_BEGIN);
    EXPECT_EQ(vendor->write(request.bytes.data(), 64, 1000), -1);
    EXPECT_EQ(readReport(*vendor, 0).code, kHidReadError);
    std::vector<HidInterfaceEntry> entries;
    ASSERT_TRUE(backend->enumerate(entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(backend->isPresent(kIf0));
    EXPECT_FALSE(backend->isPresent(kIf1));
    HidOpenError error = HidOpenError::None;
    EXPECT_EQ(backend->open(kIf1, &error), nullptr);
    EXPECT_EQ(error, HidOpenError::NotFound);
    EXPECT_FALSE(mouse->transactionOpen());

    mouse->plug();
    ASSERT_TRUE(backend->enumerate(entries));
    EXPECT_EQ(entries.size(), 4u);
    EXPECT_TRUE(backend->isPresent(kIf1));
    EXPECT_EQ(vendor->write(request.bytes.data(), 64, 1000), -1);
    EXPECT_EQ(readReport(*vendor, 0).code, kHidReadError);
    vendor = openNode(kIf1);
    EXPECT_EQ(send(CMD_READ_SETTINGS, 1, 23).data()[0], 3);  // memory survives
}

TEST_F(Faults, UnplugDropsWhatIsStillOnItsWay)
{
    vendor = openNode(kIf1);
    mouse->setAnswerDelay(500ms);
    const ReportFrame request = ReportFrame::request(CMD_CALIBRATE);
    ASSERT_EQ(vendor->write(request.bytes.data(), 64, 1000), 64);
    EXPECT_TRUE(mouse->calibrationPending());
    mouse->unplug();
    EXPECT_FALSE(mouse->calibrationPending());
    mouse->plug();
    vendor = openNode(kIf1);
    EXPECT_EQ(readReport(*vendor, 5000).code, kHidReadTimeout);
}

TEST_F(Faults, RawInputReportsArriveAsSentAndBeforeALateAnswer)
{
    vendor = openNode(kIf1);
    EXPECT_FALSE(mouse->sendInputReport(2, {4, 1}));
    EXPECT_FALSE(mouse->sendInputReport(kVendorInterface, {}));

    // A short report with the vendor's id comes as it was sent, byte for byte.
    ASSERT_TRUE(mouse->sendInputReport(kVendorInterface, {4, 0xFF, 0x00, 0x13}));
    ReadResult r = readReport(*vendor, 0);
    ASSERT_EQ(r.code, 4);
    EXPECT_EQ(r.bytes, (std::vector<std::uint8_t>{4, 0xFF, 0x00, 0x13}));

    // Sent while an answer is still on its way, it comes first.
    mouse->setAnswerDelay(20ms);
    const ReportFrame request = ReportFrame::request(CMD_GET_INFO, 33);
    ASSERT_EQ(vendor->write(request.bytes.data(), 64, 1000), 64);
    ASSERT_TRUE(mouse->sendInputReport(kVendorInterface, {9, 9}));
    r = readReport(*vendor, 1000);
    EXPECT_EQ(r.bytes, (std::vector<std::uint8_t>{9, 9}));
    r = readReport(*vendor, 1000);
    ASSERT_EQ(r.code, 64);
    EXPECT_EQ(r.bytes[3], CMD_GET_INFO);

    mouse->unplug();
    EXPECT_FALSE(mouse->sendInputReport(kVendorInterface, {4}));
}

TEST_F(Faults, CancelWakesAWaitingReadOrTheNextOne)
{
    vendor = openNode(kIf1);
    auto other = openNode(kIf1);
    vendor->cancel();
    EXPECT_EQ(readReport(*vendor, 1000).code, kHidReadCancelled);
    EXPECT_EQ(readReport(*vendor, 0).code, kHidReadTimeout);  // the cancel is used up
    ASSERT_TRUE(mouse->pressDpiButton());
    EXPECT_EQ(readReport(*other, 0).bytes, consumerReport(kEventSync));  // other handles are not affected
    EXPECT_EQ(readReport(*other, 0).bytes, consumerReport(0));

    std::atomic<int> result{1};
    std::thread reader([&] { result = readReport(*other, -1).code; });
    waitUntil([&] { return mouse->blockedReads() == 1; });
    other->cancel();
    reader.join();
    EXPECT_EQ(result.load(), kHidReadCancelled);
}

TEST_F(Faults, AHandleQueueHoldsSixtyFourReports)
{
    vendor = openNode(kIf1);
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(mouse->sendConsumerUsage(static_cast<std::uint16_t>(0x100 + i)));
    int count = 0;
    ReadResult first = readReport(*vendor, 0);
    EXPECT_EQ(first.bytes, consumerReport(0x100));
    for (ReadResult r = first; r.code > 0; r = readReport(*vendor, 0))
        ++count;
    EXPECT_EQ(count, 64);
}

TEST_F(Faults, CommandsAndEventsFromSeveralThreads)
{
    vendor = openNode(kIf1);
    auto listenerHandle = openNode(kIf1);
    std::atomic<bool> stop{false};
    std::atomic<int> malformed{0};
    std::atomic<int> reports{0};
    std::thread listener([&] {
        for (;;) {
            const bool last = stop.load();  // after the stop, drain what is queued and end
            const ReadResult r = readReport(*listenerHandle, last ? 0 : 50);
            if (r.code <= 0) {
                if (last)
                    break;
                continue;
            }
            ++reports;
            const bool consumer = r.bytes.size() == 3 && r.bytes[0] == 3;
            const auto frame = toFrame(r);
            const bool answer = frame && frame->bytes[0] == 4 && frame->storedChecksum() == frame->computeChecksum();
            if (!consumer && !answer)
                ++malformed;
        }
    });
    // The presser keeps pace with the commands, as a hand would: a node holds only 64
    // reports, and a flood faster than the reader would (like hidraw) drop answers. Each
    // side waits when it is more than one step ahead of the other.
    std::atomic<int> exchanged{0};
    std::atomic<int> pressed{0};
    std::thread presser([&] {
        for (int i = 0; i < 50; ++i) {
            while (exchanged.load() < 4 * i)
                std::this_thread::yield();
            mouse->pressDpiButton();
            ++pressed;
        }
    });
    int mismatched = 0;
    for (int i = 0; i < 200; ++i, ++exchanged) {
        while (pressed.load() < i / 4 - 1)
            std::this_thread::yield();
        const std::uint16_t address = static_cast<std::uint16_t>(64 + i % 56);
        const ReportFrame answer = send(CMD_READ_SETTINGS, 1, address);
        if (answer.command() != CMD_READ_SETTINGS || answer.address() != address || answer.status() != 0)
            ++mismatched;
    }
    presser.join();
    stop = true;
    listener.join();
    EXPECT_EQ(mismatched, 0);
    EXPECT_EQ(malformed.load(), 0);
    EXPECT_GT(reports.load(), 0);
    EXPECT_EQ(mouse->currentStage(), (1 + 50) % 5);
}

}  // namespace
}  // namespace corv::sim::test
