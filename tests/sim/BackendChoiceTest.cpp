// Choosing between the hardware and a virtual mouse by the --virtual-mouse value.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "sim/BackendChoice.h"

namespace corv::sim::test {
namespace {

TEST(BackendChoice, ModelNamesInAnyCaseGiveAVirtualMouse)
{
    for (const auto& [name, modelId] : {std::pair<const char*, std::uint16_t>{"R210", 0x3325}, {"r240", 0x3360}}) {
        SCOPED_TRACE(name);
        DeviceBackend chosen;
        std::string error;
        ASSERT_TRUE(chooseBackend(name, Clock::system(), chosen, &error));
        ASSERT_TRUE(chosen.mouse);
        ASSERT_TRUE(chosen.backend);
        EXPECT_EQ(chosen.mouse->modelId(), modelId);
        std::vector<HidInterfaceEntry> entries;
        ASSERT_TRUE(chosen.backend->enumerate(entries));
        EXPECT_EQ(entries.size(), 4u);
    }
}

TEST(BackendChoice, UnknownModelIsRefusedWithAMessage)
{
    DeviceBackend chosen;
    std::string error;
    EXPECT_FALSE(chooseBackend("R300", Clock::system(), chosen, &error));
    EXPECT_NE(error.find("R300"), std::string::npos);
    EXPECT_FALSE(chosen.backend);
    EXPECT_FALSE(chosen.mouse);

    ASSERT_TRUE(chooseBackend("", Clock::system(), chosen, &error));
    EXPECT_TRUE(chosen.backend);
    EXPECT_FALSE(chosen.mouse);  // the hardware
}

TEST(BackendChoice, FirmwareVersionAfterTheModelReachesAttributesAndIdentity)
{
    for (const auto& [choice, version] :
         {std::pair<const char*, std::uint16_t>{"R240:0x0105", 0x0105}, {"r210:0201", 0x0201}, {"R210:FFFF", 0xFFFF}}) {
        SCOPED_TRACE(choice);
        DeviceBackend chosen;
        std::string error;
        ASSERT_TRUE(chooseBackend(choice, Clock::system(), chosen, &error)) << error;
        ASSERT_TRUE(chosen.mouse);
        EXPECT_EQ(chosen.mouse->releaseNumber(), version);
        EXPECT_EQ(chosen.mouse->attributes().versionNumber, version);
        const auto info = chosen.mouse->deviceInfo();
        EXPECT_EQ(info[7] | (info[8] << 8), version);
    }
    // A smaller macro area, with or without a version (an area of 0 units counts as 1).
    for (const auto& [choice, units] :
         {std::pair<const char*, std::uint8_t>{"R210,macro-area=2", 2}, {"R240:0x0105,macro-area=0", 1}}) {
        SCOPED_TRACE(choice);
        DeviceBackend chosen;
        std::string error;
        ASSERT_TRUE(chooseBackend(choice, Clock::system(), chosen, &error)) << error;
        EXPECT_EQ(chosen.mouse->deviceInfo()[6], units);
    }
    for (const char* bad : {"R240:", "R240:0x", "R240:10000", "R240:12g", "R240:-1", "R300:0105",
                            "R210,macro-area=", "R210,macro-area=256", "R210,macro-area=1x", "R210,area=1"}) {
        SCOPED_TRACE(bad);
        DeviceBackend chosen;
        std::string error;
        EXPECT_FALSE(chooseBackend(bad, Clock::system(), chosen, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(chosen.mouse);
    }
}

}  // namespace
}  // namespace corv::sim::test
