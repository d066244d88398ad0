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

}  // namespace
}  // namespace corv::sim::test
