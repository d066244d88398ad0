// The table of models and what every model shares: the USB ids as the system writes them,
// and the identity block a mouse answers with.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "device/DeviceProtocol.h"
#include "device/ModelFacts.h"

namespace corv {
namespace {

TEST(ModelFacts, EveryModelIsFoundByIdAndNameAndTakesItsOwnPackage)
{
    std::set<std::string_view> packages;
    for (const ModelFacts& model : knownModels()) {
        SCOPED_TRACE(std::string(model.name));
        EXPECT_EQ(findModel(model.id), &model);
        EXPECT_EQ(findModel(model.name), &model);
        EXPECT_FALSE(model.firmwarePackage.empty());
        EXPECT_NE(model.firmwarePackage.find(model.name), std::string_view::npos);
        packages.insert(model.firmwarePackage);
    }
    EXPECT_EQ(packages.size(), knownModels().size());
    EXPECT_EQ(findModel("r240"), findModel(kModelR240));
    EXPECT_EQ(findModel(std::uint16_t{0}), nullptr);
    EXPECT_EQ(findModel("R2400"), nullptr);
    // Before a mouse is identified the window shows the R210; an unknown mouse gets the
    // larger DPI table.
    EXPECT_EQ(modelShownFirst().title, "CORVALANTIS R210 Driver");
    EXPECT_EQ(modelOrFallback(0x1234).dpiLevels, 120);
}

TEST(ModelFacts, UsbIdsAreWrittenAsLsusbAndUdevWriteThem)
{
    EXPECT_EQ(usbVendorText(), "0c45");
    EXPECT_EQ(usbProductText(), "6711");
    EXPECT_EQ(usbIdText(), "0c45:6711");
}

TEST(ModelFacts, IdentityBlockGivesModelMacroAreaAndDpiLevels)
{
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    info[kInfoModelId] = 0x60;  // little-endian 0x3360
    info[kInfoModelId + 1] = 0x33;
    info[kInfoMacroCapacity] = 255;
    info[kInfoDpiCount] = 120;
    const ReportedIdentity identity = readIdentity(info);
    EXPECT_EQ(identity.modelId, kModelR240);
    EXPECT_EQ(identity.macroCapacityUnits, 255);
    EXPECT_EQ(identity.macroCapacityBytes(), 32640u);
    EXPECT_EQ(identity.dpiLevels, 120);

    // A block that ends early leaves what it does not hold at zero.
    const std::vector<std::uint8_t> shortBlock(info.begin(), info.begin() + kInfoModelId + 1);
    const ReportedIdentity partial = readIdentity(shortBlock);
    EXPECT_EQ(partial.macroCapacityUnits, 255);
    EXPECT_EQ(partial.modelId, 0);
    EXPECT_EQ(partial.dpiLevels, 0);
    EXPECT_EQ(readIdentity({}).macroCapacityBytes(), 0u);
}

}  // namespace
}  // namespace corv
