#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "device/DeviceChannel.h"
#include "device/FrameLogFile.h"
#include "device/ReportFrame.h"

namespace corv {
namespace {

TEST(ReportFrame, BeginRequestMatchesTheWorkedExample)
{
    const ReportFrame f = ReportFrame::request(CMD_BEGIN);
    const std::vector<std::uint8_t> head(f.bytes.begin(), f.bytes.begin() + 8);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{0x04, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}));
    for (std::size_t i = 8; i < kFrameSize; ++i)
        EXPECT_EQ(f.bytes[i], 0) << "byte " << i;
}

TEST(ReportFrame, GetInfoChecksumCoversCommandAndLength)
{
    const ReportFrame f = ReportFrame::request(CMD_GET_INFO, 0x21);
    EXPECT_EQ(f.bytes[1], 0x24);
    EXPECT_EQ(f.bytes[2], 0x00);
    EXPECT_EQ(f.storedChecksum(), 0x0024);
}

TEST(ReportFrame, ChecksumIsSixteenBitSumOfBytesThreeOnward)
{
    std::vector<std::uint8_t> data(kFrameDataSize, 0xFF);
    const ReportFrame f = ReportFrame::request(CMD_WRITE_MACROS, 56, 0x1234, data);
    // 0x14 + 56 + 0x34 + 0x12 + 56 * 0xFF; the report id and the checksum bytes are not summed.
    const unsigned expected = (0x14u + 56u + 0x34u + 0x12u + 56u * 0xFFu) & 0xFFFFu;
    EXPECT_EQ(f.storedChecksum(), expected);
    EXPECT_EQ(f.address(), 0x1234);
    EXPECT_EQ(f.bytes[5], 0x34);
    EXPECT_EQ(f.bytes[6], 0x12);
    EXPECT_EQ(f.status(), 0);
}

TEST(ReportFrame, ChecksumIgnoresReportIdAndChecksumBytes)
{
    ReportFrame f;
    f.bytes.fill(0xFF);
    // Bytes 3..63 only: 61 * 0xFF.
    EXPECT_EQ(f.computeChecksum(), 61u * 0xFFu);
    f.updateChecksum();
    EXPECT_EQ(f.bytes[0], 0xFF);
    EXPECT_EQ(f.storedChecksum(), 61u * 0xFFu);
}

TEST(ReportFrame, DataLongerThanAFrameIsCut)
{
    std::vector<std::uint8_t> data(100);
    std::iota(data.begin(), data.end(), std::uint8_t{1});
    const ReportFrame f = ReportFrame::request(CMD_WRITE_SETTINGS, 56, 0, data);
    EXPECT_EQ(f.bytes[8], 1);
    EXPECT_EQ(f.bytes[63], 56);
}

TEST(ResultCodes, StatusByteMapping)
{
    EXPECT_EQ(statusToResult(0xFF), kResultStatusFF);
    EXPECT_EQ(statusToResult(0xFE), kResultStatusFE);
    EXPECT_EQ(statusToResult(0x00), kResultOk);
    EXPECT_EQ(statusToResult(0x01), kResultOk);
    EXPECT_EQ(statusToResult(0xFD), kResultOk);
}

TEST(FrameLogFile, LineFormat)
{
    const ReportFrame f = ReportFrame::request(CMD_GET_INFO, 0x21);
    const std::string line = FrameLogFile::formatLine(FrameDirection::Request, f);
    EXPECT_EQ(line.substr(0, 25), "> 04 24 00 03 21 00 00 00");
    EXPECT_EQ(line.size(), 2u + 64u * 3u - 1u);
    ReportFrame answer = f;
    answer.bytes[7] = 0xFE;
    EXPECT_EQ(FrameLogFile::formatLine(FrameDirection::Answer, answer).substr(0, 25), "< 04 24 00 03 21 00 00 FE");
}

}  // namespace
}  // namespace corv
