#pragma once
// Shared set-up of the virtual mouse tests: a ManualClock, one mouse, its backend, and
// helpers that speak raw frames to a handle.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceProtocol.h"
#include "device/ReportFrame.h"
#include "platform/Clock.h"
#include "platform/HidBackend.h"
#include "sim/FactoryMemory.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"

namespace corv::sim::test {

inline const std::string kIf0 = "virtual://corvalantis/if0";
inline const std::string kIf1 = "virtual://corvalantis/if1";

// One report read from a handle, or the read's result code when nothing arrived.
struct ReadResult {
    int code = 0;
    std::vector<std::uint8_t> bytes;
};

inline ReadResult readReport(HidHandle& handle, int timeoutMs)
{
    std::array<std::uint8_t, 256> buffer{};
    const int got = handle.read(buffer.data(), buffer.size(), timeoutMs);
    ReadResult result;
    result.code = got;
    if (got > 0)
        result.bytes.assign(buffer.begin(), buffer.begin() + got);
    return result;
}

inline std::optional<ReportFrame> toFrame(const ReadResult& r)
{
    if (r.code != static_cast<int>(kFrameSize) || r.bytes.size() != kFrameSize)
        return std::nullopt;
    ReportFrame frame;
    std::copy(r.bytes.begin(), r.bytes.end(), frame.bytes.begin());
    return frame;
}

inline std::vector<std::uint8_t> consumerReport(std::uint16_t usage)
{
    return {3, static_cast<std::uint8_t>(usage & 0xFF), static_cast<std::uint8_t>(usage >> 8)};
}

class SimTest : public ::testing::Test {
protected:
    void SetUp() override { makeMouse(VirtualMouseConfig{}); }

    void makeMouse(const VirtualMouseConfig& config)
    {
        backend.reset();
        mouse = std::make_shared<VirtualMouse>(clock, config);
        backend = std::make_unique<VirtualHidBackend>(mouse);
    }

    std::unique_ptr<HidHandle> openNode(const std::string& path)
    {
        HidOpenError error = HidOpenError::Other;
        std::unique_ptr<HidHandle> handle = backend->open(path, &error);
        EXPECT_TRUE(handle != nullptr) << path;
        EXPECT_EQ(error, HidOpenError::None);
        return handle;
    }

    // Writes a request and reads the handle's next vendor report (consumer events that the
    // node also carries are skipped); fails the test when no 64-byte answer comes.
    ReportFrame exchange(HidHandle& handle, const ReportFrame& request, int timeoutMs = 1000)
    {
        EXPECT_EQ(handle.write(request.bytes.data(), request.bytes.size(), 1000), static_cast<int>(kFrameSize));
        std::optional<ReportFrame> answer;
        for (;;) {
            const ReadResult r = readReport(handle, timeoutMs);
            if (r.code <= 0 || r.bytes[0] == kFrameReportId) {
                answer = toFrame(r);
                break;
            }
        }
        EXPECT_TRUE(answer.has_value()) << "no answer to command " << int(request.command());
        return answer.value_or(ReportFrame{});
    }

    ReportFrame send(std::uint8_t command, std::uint8_t length = 0, std::uint16_t address = 0,
                     std::vector<std::uint8_t> data = {})
    {
        if (!vendor)
            vendor = openNode(kIf1);
        return exchange(*vendor, ReportFrame::request(command, length, address, data));
    }

    // After a restore of the defaults: record 0 active, the given record back to the
    // factory settings, button block 0, the colour table, no open transaction, and the
    // macro area still holding what was written there before.
    void expectFactoryStateKeepingMacros(int record, const std::vector<std::uint8_t>& macroImage)
    {
        EXPECT_EQ(mouse->activeRecord(), 0);
        EXPECT_EQ(mouse->settingsRecord(record), FactoryMemory::settingsRecord(*findModel(kModelR210)));
        EXPECT_EQ(mouse->buttonBlock(0), FactoryMemory::buttonTable());
        const auto colours = mouse->memory(MemoryArea::Colors);
        EXPECT_TRUE(std::equal(colours.begin(), colours.end(), FactoryMemory::colorTable().begin()));
        EXPECT_FALSE(mouse->transactionOpen());
        const auto macros = mouse->memory(MemoryArea::Macros);
        EXPECT_TRUE(std::equal(macroImage.begin(), macroImage.end(), macros.begin()));
    }

    ManualClock clock;
    std::shared_ptr<VirtualMouse> mouse;
    std::unique_ptr<VirtualHidBackend> backend;
    std::unique_ptr<HidHandle> vendor;
};

}  // namespace corv::sim::test
