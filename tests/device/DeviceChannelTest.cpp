// The channel's command set as the mouse sees it: frame layout, chunk addresses and lengths,
// where a transfer stops, and what a closed channel or a stale answer does.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "device/DeviceChannel.h"
#include "device/DeviceProtocol.h"
#include "platform/Clock.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"

namespace corv {
namespace {

using namespace std::chrono_literals;

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::VirtualMouseConfig config;
        config.model = kModelR240;
        mouse = std::make_shared<sim::VirtualMouse>(clock, config);
        backend = std::make_unique<sim::VirtualHidBackend>(mouse);
        channel = std::make_unique<DeviceChannel>(*backend, clock);
        channel->setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
        ASSERT_TRUE(channel->device().enumerate());
        ASSERT_TRUE(channel->device().findChannelDevice(channel->identity()));
        channel->setOpen(true);
    }
    std::vector<ReportFrame> requests() const { return mouse->frameLog().frames(FrameDirection::Request); }
    // (address, length) of every request since the log was cleared.
    std::vector<std::pair<unsigned, unsigned>> chunks() const
    {
        std::vector<std::pair<unsigned, unsigned>> out;
        for (const ReportFrame& f : requests())
            out.emplace_back(f.address(), f.length());
        return out;
    }

    ManualClock clock;
    std::shared_ptr<sim::VirtualMouse> mouse;
    std::unique_ptr<sim::VirtualHidBackend> backend;
    std::unique_ptr<DeviceChannel> channel;
};

using Chunks = std::vector<std::pair<unsigned, unsigned>>;

TEST_F(ChannelTest, SingleFramesCarryTheWorkedBytes)
{
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    ASSERT_EQ(channel->getInfo(info), kResultOk);
    ASSERT_EQ(channel->begin(), kResultOk);
    const std::uint8_t three = 3;
    ASSERT_EQ(channel->writeSettings(23, &three, 1), kResultOk);
    const std::vector<ReportFrame> sent = requests();
    ASSERT_EQ(sent.size(), 3u);
    const std::array<std::uint8_t, 8> getInfo{0x04, 0x24, 0x00, 0x03, 0x21, 0x00, 0x00, 0x00};
    const std::array<std::uint8_t, 8> beginCmd{0x04, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};
    EXPECT_TRUE(std::equal(getInfo.begin(), getInfo.end(), sent[0].bytes.begin()));
    EXPECT_TRUE(std::equal(beginCmd.begin(), beginCmd.end(), sent[1].bytes.begin()));
    for (std::size_t i = 8; i < kFrameSize; ++i) {
        EXPECT_EQ(sent[0].bytes[i], 0) << i;
        EXPECT_EQ(sent[1].bytes[i], 0) << i;
    }
    // One byte at record 0, offset 23: address 0x17 0x00, length 1, the value at offset 8.
    EXPECT_EQ(sent[2].bytes[5], 0x17);
    EXPECT_EQ(sent[2].bytes[6], 0x00);
    EXPECT_EQ(sent[2].length(), 1);
    EXPECT_EQ(sent[2].bytes[8], 3);
    EXPECT_EQ(mouse->settingsRecord(0)[23], 3);
}

TEST_F(ChannelTest, TransfersAreCutInto56ByteChunks)
{
    std::array<std::uint8_t, kButtonTableSize> block{};
    ASSERT_EQ(channel->readButtons(2, block), kResultOk);
    EXPECT_EQ(chunks(), (Chunks{{252, 56}, {308, 56}, {364, 14}}));
    EXPECT_EQ(block, mouse->buttonBlock(2));

    mouse->frameLog().clear();
    std::array<std::uint8_t, kColorTableSize> colours{};
    colours[63] = 0x5A;
    ASSERT_EQ(channel->writeColors(colours), kResultOk);
    EXPECT_EQ(chunks(), (Chunks{{0, 56}, {56, 8}}));
    EXPECT_EQ(mouse->memory(sim::MemoryArea::Colors)[63], 0x5A);

    mouse->frameLog().clear();
    std::vector<std::uint8_t> macros(130);
    ASSERT_EQ(channel->readMacros(macros.data(), macros.size()), kResultOk);
    EXPECT_EQ(chunks(), (Chunks{{0, 56}, {56, 56}, {112, 18}}));

    mouse->frameLog().clear();
    EXPECT_EQ(channel->readMacros(macros.data(), 0), kResultOk);
    EXPECT_EQ(channel->writeMacros(macros.data(), 0), kResultOk);
    EXPECT_TRUE(requests().empty());
}

TEST_F(ChannelTest, BlockNumbersOutsideTheFiveBlocksSendNothing)
{
    std::array<std::uint8_t, kButtonTableSize> block{};
    block.fill(0xEE);
    EXPECT_EQ(channel->readButtons(5, block), kResultBadBlock);
    EXPECT_EQ(channel->writeButtons(5, block), kResultBadBlock);
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(block[0], 0xEE);
}

TEST_F(ChannelTest, AnErrorStatusEndsATransferAtItsChunk)
{
    std::array<std::uint8_t, kButtonTableSize> block{};
    block.fill(7);
    // The first chunk succeeds, the second is answered 0xFE: the third is never sent.
    int answers = 0;
    channel->setFrameObserver([&](FrameDirection d, const ReportFrame&) {
        if (d == FrameDirection::Answer && ++answers == 1)
            mouse->failNextRequests(1, sim::kStatusBadChecksum);
    });
    EXPECT_EQ(channel->writeButtons(1, block), kResultStatusFE);
    channel->setFrameObserver({});
    EXPECT_EQ(chunks(), (Chunks{{126, 56}, {182, 56}}));
    const auto written = mouse->buttonBlock(1);
    EXPECT_EQ(written[0], 7);
    EXPECT_EQ(written[55], 7);
    EXPECT_NE(written[56], 7);  // the refused chunk changed nothing

    // A read that fails keeps the part of the caller's buffer it had not reached.
    mouse->frameLog().clear();
    std::array<std::uint8_t, kButtonTableSize> out{};
    out.fill(0xCC);
    mouse->failNextRequests(1, sim::kStatusInvalid);
    EXPECT_EQ(channel->readDefaultButtons(out), kResultStatusFF);
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(out[0], 0xCC);
}

TEST_F(ChannelTest, ClosedChannelSendsNothing)
{
    channel->setOpen(false);
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    info.fill(0xAB);
    const std::uint8_t one = 1;
    EXPECT_EQ(channel->getInfo(info), kResultNoAnswer);
    EXPECT_EQ(channel->writeSettings(0, &one, 1), kResultNoAnswer);
    EXPECT_EQ(channel->begin(), kResultNoAnswer);
    EXPECT_EQ(channel->calibrate(), kResultNoAnswer);
    EXPECT_EQ(channel->restoreDefaults(), kResultNoAnswer);
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(info[0], 0xAB);  // only a successful get-info writes its output
}

TEST_F(ChannelTest, ALateAnswerIsNeverTakenForTheNextRequest)
{
    // The first answer comes after the channel gave up on all four attempts; the next
    // request must get its own answer, not the stale one.
    mouse->setAnswerDelay(4500ms);
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    EXPECT_EQ(channel->getInfo(info), kResultNoAnswer);
    mouse->setAnswerDelay(0ms);
    clock.advance(2000ms);
    mouse->tick();  // the late answers are now waiting in the node's queue
    std::vector<std::uint8_t> taken;
    channel->setFrameObserver([&](FrameDirection d, const ReportFrame& f) {
        if (d == FrameDirection::Answer)
            taken.push_back(f.command());
    });
    std::array<std::uint8_t, 1> active{0xEE};
    ASSERT_EQ(channel->readSettings(0, active.data(), 1), kResultOk);
    channel->setFrameObserver({});
    EXPECT_EQ(taken, std::vector<std::uint8_t>{CMD_READ_SETTINGS});
    EXPECT_EQ(active[0], mouse->activeRecord());
}

TEST_F(ChannelTest, SettleDelaysPrecedeEndAndCalibrate)
{
    const auto start = clock.now();
    ASSERT_EQ(channel->end(), kResultOk);
    EXPECT_EQ(clock.now() - start, Clock::duration(10ms));
    const auto second = clock.now();
    ASSERT_EQ(channel->calibrate(), kResultOk);
    EXPECT_EQ(clock.now() - second, Clock::duration(10ms));
}

TEST(ChannelCancel, CancelWakesAWaitingReadAtOnce)
{
    // The real clock: the read would wait without limit.
    sim::VirtualMouseConfig config;
    auto mouse = std::make_shared<sim::VirtualMouse>(Clock::system(), config);
    sim::VirtualHidBackend backend(mouse);
    DeviceChannel channel(backend, Clock::system());
    channel.setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
    ASSERT_TRUE(channel.device().enumerate());
    ASSERT_TRUE(channel.device().findChannelDevice(channel.identity()));
    channel.setOpen(true);
    std::atomic<bool> done{false};
    bool result = true;
    std::thread reader([&] {
        std::array<std::uint8_t, kFrameSize> buffer{};
        result = channel.read(buffer.size(), buffer.data(), -1);
        done = true;
    });
    while (!done.load()) {
        channel.cancel();
        std::this_thread::sleep_for(1ms);
    }
    reader.join();
    EXPECT_FALSE(result);
}

}  // namespace
}  // namespace corv
