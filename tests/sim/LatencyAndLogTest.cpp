// The USB latency model and the frame record of the virtual mouse.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "SimTestSupport.h"
#include "device/DeviceChannel.h"
#include "device/FrameLogFile.h"

namespace corv::sim::test {
namespace {

using namespace std::chrono_literals;
using Latency = SimTest;
using Log = SimTest;

TEST_F(Latency, NoLatencyByDefault)
{
    EXPECT_EQ(mouse->latencyMode(), LatencyMode::None);
    const Clock::time_point start = clock.now();
    send(CMD_GET_INFO, 0x21);
    ASSERT_TRUE(mouse->pressDpiButton());
    EXPECT_EQ(readReport(*vendor, 0).code, 3);
    EXPECT_EQ(clock.now(), start);
}

TEST_F(Latency, UsbModeCostsOneMillisecondEachWay)
{
    mouse->setLatencyMode(LatencyMode::UsbFullSpeed);
    vendor = openNode(kIf1);
    const Clock::time_point start = clock.now();
    const ReportFrame request = ReportFrame::request(CMD_GET_INFO, 0x21);
    ASSERT_EQ(vendor->write(request.bytes.data(), 64, 1000), 64);
    EXPECT_EQ(clock.now() - start, Clock::duration(1ms));     // the write completes after 1 ms
    EXPECT_EQ(readReport(*vendor, 0).code, kHidReadTimeout);  // the answer is not there yet
    EXPECT_EQ(readReport(*vendor, 1000).code, 64);
    EXPECT_EQ(clock.now() - start, Clock::duration(2ms));

    // An event is readable 1 ms after the press, its release 1 ms later.
    const Clock::time_point press = clock.now();
    ASSERT_TRUE(mouse->pressDpiButton());
    EXPECT_EQ(readReport(*vendor, 0).code, kHidReadTimeout);
    EXPECT_EQ(readReport(*vendor, 100).bytes, consumerReport(kEventSync));
    EXPECT_EQ(clock.now() - press, Clock::duration(1ms));
    EXPECT_EQ(readReport(*vendor, 100).bytes, consumerReport(0));
    EXPECT_EQ(clock.now() - press, Clock::duration(2ms));
}

TEST_F(Latency, ChannelExchangesTakeTwoMillisecondsPerFrame)
{
    mouse->setLatencyMode(LatencyMode::UsbFullSpeed);
    DeviceChannel channel(*backend, clock);
    ASSERT_TRUE(channel.device().enumerate());
    ASSERT_TRUE(channel.device().findChannelDevice(
        ChannelIdentity{kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage}));
    channel.setOpen(true);

    Clock::time_point start = clock.now();
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    ASSERT_EQ(channel.getInfo(info), kResultOk);
    EXPECT_EQ(clock.now() - start, Clock::duration(2ms));

    start = clock.now();
    std::array<std::uint8_t, kButtonTableSize> block{};
    ASSERT_EQ(channel.readButtons(1, block), kResultOk);  // three frames
    EXPECT_EQ(clock.now() - start, Clock::duration(6ms));
    EXPECT_EQ(block, mouse->buttonBlock(1));
}

TEST_F(Log, RecordsEveryRequestAndAnswerInOrder)
{
    const ReportFrame info = ReportFrame::request(CMD_GET_INFO, 0x21);
    const ReportFrame write = ReportFrame::request(CMD_WRITE_SETTINGS, 1, 23, std::vector<std::uint8_t>{3});
    vendor = openNode(kIf1);
    const ReportFrame infoAnswer = exchange(*vendor, info);
    clock.advance(5ms);
    const ReportFrame writeAnswer = exchange(*vendor, write);

    const std::vector<FrameRecord> entries = mouse->frameLog().entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].direction, FrameDirection::Request);
    EXPECT_EQ(entries[0].frame.bytes, info.bytes);
    EXPECT_EQ(entries[1].direction, FrameDirection::Answer);
    EXPECT_EQ(entries[1].frame.bytes, infoAnswer.bytes);
    EXPECT_EQ(entries[2].frame.bytes, write.bytes);
    EXPECT_EQ(entries[3].frame.bytes, writeAnswer.bytes);
    EXPECT_EQ(entries[2].time - entries[0].time, Clock::duration(5ms));
    EXPECT_EQ(FrameLogFile::formatLine(entries[0].direction, entries[0].frame).substr(0, 26),
              "> 04 24 00 03 21 00 00 00 ");

    // Events are not frames of the command collection.
    ASSERT_TRUE(mouse->pressDpiButton());
    EXPECT_EQ(mouse->frameLog().size(), 4u);
    mouse->frameLog().clear();
    EXPECT_EQ(mouse->frameLog().size(), 0u);
}

TEST_F(Log, SinkSeesEachFrameAsItMoves)
{
    std::vector<std::string> lines;
    mouse->frameLog().setSink([&](FrameDirection direction, const ReportFrame& frame) {
        lines.push_back(FrameLogFile::formatLine(direction, frame));
    });
    mouse->setAnswerDelay(100ms);
    vendor = openNode(kIf1);
    const ReportFrame request = ReportFrame::request(CMD_BEGIN);
    ASSERT_EQ(vendor->write(request.bytes.data(), 64, 1000), 64);
    ASSERT_EQ(lines.size(), 1u);  // the answer is still on its way
    EXPECT_EQ(lines[0].substr(0, 2), "> ");
    ASSERT_EQ(readReport(*vendor, 1000).code, 64);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(0, 26), "< 04 01 00 01 00 00 00 00 ");
    mouse->frameLog().setSink(nullptr);
    send(CMD_END);
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_EQ(mouse->frameLog().size(), 4u);
}

}  // namespace
}  // namespace corv::sim::test
