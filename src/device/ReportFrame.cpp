#include "device/ReportFrame.h"

#include <algorithm>

namespace corv {

ReportFrame ReportFrame::request(std::uint8_t command, std::uint8_t length, std::uint16_t address,
                                 std::span<const std::uint8_t> data)
{
    ReportFrame frame;
    frame.bytes[0] = kFrameReportId;
    frame.bytes[kFrameOffsetCommand] = command;
    frame.setLength(length);
    frame.setAddress(address);
    std::copy_n(data.begin(), std::min(data.size(), kFrameDataSize), frame.bytes.begin() + kFrameOffsetData);
    frame.updateChecksum();
    return frame;
}

std::uint16_t ReportFrame::computeChecksum() const
{
    unsigned sum = 0;
    for (std::size_t i = kFrameOffsetCommand; i < kFrameSize; ++i)
        sum += bytes[i];
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

void ReportFrame::updateChecksum()
{
    const std::uint16_t sum = computeChecksum();
    bytes[kFrameOffsetChecksum] = static_cast<std::uint8_t>(sum & 0xFF);
    bytes[kFrameOffsetChecksum + 1] = static_cast<std::uint8_t>(sum >> 8);
}

}  // namespace corv
