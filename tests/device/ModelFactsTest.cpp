// The table of models and what every model shares.
#include <gtest/gtest.h>

#include <set>
#include <string>

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

}  // namespace
}  // namespace corv
