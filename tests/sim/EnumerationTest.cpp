// Enumeration, opening and the report descriptors of the virtual mouse, and the matching
// procedures of the device layer running against it.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "device/HidDeviceInfo.h"
#include "device/HidReportDescriptor.h"
#include "sim/VirtualMouseDescriptor.h"

namespace corv::sim::test {
namespace {

using Enumeration = SimTest;

TEST_F(Enumeration, ListsOneEntryPerCollectionWithInterfaceOneSharingItsPath)
{
    std::vector<HidInterfaceEntry> entries;
    ASSERT_TRUE(backend->enumerate(entries));
    ASSERT_EQ(entries.size(), 4u);

    const struct {
        std::string path;
        std::uint16_t page, usage;
        int interfaceNumber;
    } expected[] = {
        {kIf0, 0x0001, 0x0002, 0},
        {kIf1, 0x0001, 0x0006, 1},
        {kIf1, 0x000C, 0x0001, 1},
        {kIf1, 0xFF1C, 0x0092, 1},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].path, expected[i].path);
        EXPECT_EQ(entries[i].usagePage, expected[i].page);
        EXPECT_EQ(entries[i].usage, expected[i].usage);
        EXPECT_EQ(entries[i].interfaceNumber, expected[i].interfaceNumber);
        EXPECT_EQ(entries[i].vendorId, 0x0C45);
        EXPECT_EQ(entries[i].productId, 0x6711);
        EXPECT_EQ(entries[i].releaseNumber, 0x0102);
    }
}

TEST_F(Enumeration, ReleaseNumberAndPathsFollowTheConfiguration)
{
    VirtualMouseConfig config;
    config.releaseNumber = 0x0217;
    config.pathPrefix = "virtual://second";
    makeMouse(config);
    std::vector<HidInterfaceEntry> entries;
    ASSERT_TRUE(backend->enumerate(entries));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].path, "virtual://second/if0");
    EXPECT_EQ(entries[3].path, "virtual://second/if1");
    EXPECT_EQ(entries[3].releaseNumber, 0x0217);
    auto handle = openNode("virtual://second/if1");
    ASSERT_TRUE(handle);
    EXPECT_EQ(handle->attributes().versionNumber, 0x0217);
    EXPECT_EQ(handle->attributes().vendorId, 0x0C45);
    EXPECT_EQ(handle->attributes().productId, 0x6711);
}

TEST_F(Enumeration, ExtraDevicesAndMouseOrderAreConfigurable)
{
    backend->addExtraDevice(VirtualHidBackend::makeExtraDevice("virtual://other/kbd", 0x046D, 0xC31C, 0x0001, 0x0006),
                            0);
    backend->addExtraDevice(VirtualHidBackend::makeExtraDevice("virtual://other/6712", 0x0C45, 0x6712, 0xFF1C, 0x0092));
    backend->addExtraDevice(VirtualHidBackend::makeExtraDevice("virtual://other/mid", 0x1234, 0x0001, 0x0001, 0x0002),
                            2);
    backend->setMouseCollectionOrder(
        {MouseCollection::Vendor, MouseCollection::Consumer, MouseCollection::Keyboard, MouseCollection::BootMouse});
    std::vector<HidInterfaceEntry> entries;
    ASSERT_TRUE(backend->enumerate(entries));
    std::vector<std::string> order;
    for (const auto& e : entries)
        order.push_back(e.path + ":" + std::to_string(e.usagePage) + "/" + std::to_string(e.usage));
    const std::vector<std::string> expected = {
        "virtual://other/kbd:1/6",        "virtual://corvalantis/if1:65308/146", "virtual://corvalantis/if1:12/1",
        "virtual://other/mid:1/2",        "virtual://corvalantis/if1:1/6",       "virtual://corvalantis/if0:1/2",
        "virtual://other/6712:65308/146",
    };
    EXPECT_EQ(order, expected);

    backend->removeExtraDevices("virtual://other/mid");
    ASSERT_TRUE(backend->enumerate(entries));
    EXPECT_EQ(entries.size(), 6u);
}

TEST_F(Enumeration, EnumerationFailureAndNoMouse)
{
    std::vector<HidInterfaceEntry> entries = {HidInterfaceEntry{}};
    backend->setEnumerationFails(true);
    EXPECT_FALSE(backend->enumerate(entries));
    EXPECT_TRUE(entries.empty());

    VirtualHidBackend empty(nullptr);
    EXPECT_TRUE(empty.enumerate(entries));
    EXPECT_TRUE(entries.empty());
    HidOpenError error = HidOpenError::None;
    EXPECT_EQ(empty.open(kIf1, &error), nullptr);
    EXPECT_EQ(error, HidOpenError::NotFound);
}

TEST_F(Enumeration, OpenFailuresAndUnknownPaths)
{
    HidOpenError error = HidOpenError::None;
    EXPECT_EQ(backend->open("virtual://corvalantis/if2", &error), nullptr);
    EXPECT_EQ(error, HidOpenError::NotFound);

    backend->setOpenFailure(kIf1, HidOpenError::PermissionDenied);
    EXPECT_EQ(backend->open(kIf1, &error), nullptr);
    EXPECT_EQ(error, HidOpenError::PermissionDenied);
    backend->setOpenFailure(kIf1, HidOpenError::None);
    EXPECT_NE(backend->open(kIf1, &error), nullptr);
    EXPECT_EQ(backend->openCount(kIf1), 1u);
    EXPECT_TRUE(backend->isPresent(kIf0));
    EXPECT_FALSE(backend->isPresent("virtual://corvalantis/if2"));
}

TEST(MouseDescriptor, InterfacesParseIntoTheExpectedCollections)
{
    HidReportDescriptor mouseIf;
    std::string error;
    ASSERT_TRUE(mouseIf.parse(VirtualMouseDescriptor::mouseInterface(), &error)) << error;
    ASSERT_EQ(mouseIf.collections().size(), 1u);
    EXPECT_EQ(mouseIf.collections()[0].usagePage, 0x0001);
    EXPECT_EQ(mouseIf.collections()[0].usage, 0x0002);
    EXPECT_FALSE(mouseIf.usesReportIds());
    EXPECT_EQ(mouseIf.collections()[0].outputReportByteLength, 0);

    HidReportDescriptor vendorIf;
    ASSERT_TRUE(vendorIf.parse(VirtualMouseDescriptor::vendorInterface(), &error)) << error;
    ASSERT_EQ(vendorIf.collections().size(), 3u);
    EXPECT_TRUE(vendorIf.usesReportIds());

    const HidCollectionInfo& keyboard = vendorIf.collections()[0];
    EXPECT_EQ(keyboard.usagePage, 0x0001);
    EXPECT_EQ(keyboard.usage, 0x0006);
    EXPECT_EQ(keyboard.reportIds, std::vector<std::uint8_t>{1});
    EXPECT_EQ(keyboard.outputReportByteLength, 2);

    const HidCollectionInfo& consumer = vendorIf.collections()[1];
    EXPECT_EQ(consumer.usagePage, 0x000C);
    EXPECT_EQ(consumer.usage, 0x0001);
    EXPECT_EQ(consumer.reportIds, std::vector<std::uint8_t>{3});
    EXPECT_EQ(consumer.inputReportByteLength, 3);

    const HidCollectionInfo& vendor = vendorIf.collections()[2];
    EXPECT_EQ(vendor.usagePage, 0xFF1C);
    EXPECT_EQ(vendor.usage, 0x0092);
    EXPECT_EQ(vendor.reportIds, std::vector<std::uint8_t>{4});
    EXPECT_EQ(vendor.inputReportByteLength, 64);
    EXPECT_EQ(vendor.outputReportByteLength, 64);

    // The consumer field: one 16-bit array element with usages 0..0x0FFF.
    bool foundConsumerField = false;
    for (const HidMainField& field : vendorIf.fields()) {
        if (field.reportId != 3)
            continue;
        foundConsumerField = true;
        EXPECT_EQ(field.type, HidReportType::Input);
        EXPECT_FALSE(field.isVariable);
        EXPECT_EQ(field.reportSize, 16u);
        EXPECT_EQ(field.reportCount, 1u);
        EXPECT_EQ(field.logicalMinimum, 0);
        EXPECT_EQ(field.logicalMaximum, 0x0FFF);
        EXPECT_TRUE(field.hasUsageRange);
        EXPECT_EQ(field.usageMinimum & 0xFFFF, 0u);
        EXPECT_EQ(field.usageMaximum & 0xFFFF, 0x0FFFu);
    }
    EXPECT_TRUE(foundConsumerField);
}

TEST_F(Enumeration, HandlesReportTheirInterfaceDescriptor)
{
    auto if0 = openNode(kIf0);
    auto if1 = openNode(kIf1);
    EXPECT_EQ(if0->reportDescriptor(), VirtualMouseDescriptor::mouseInterface());
    EXPECT_EQ(if1->reportDescriptor(), VirtualMouseDescriptor::vendorInterface());
}

TEST_F(Enumeration, ChannelMatchingSkipsOtherCollectionsAndOtherProducts)
{
    // A same-vendor product 0x6712 that claims the command collection comes first: never taken.
    backend->addExtraDevice(VirtualHidBackend::makeExtraDevice("virtual://other/6712", 0x0C45, 0x6712, 0xFF1C, 0x0092),
                            0);
    HidDeviceInfo info(*backend, clock);
    ASSERT_TRUE(info.enumerate());
    ASSERT_TRUE(
        info.findChannelDevice(ChannelIdentity{kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage}));
    EXPECT_EQ(info.path(), kIf1);
    EXPECT_EQ(info.capabilities().usagePage, 0xFF1C);
    EXPECT_EQ(info.capabilities().inputReportByteLength, 64);
    EXPECT_EQ(info.attributes().versionNumber, 0x0102);
    EXPECT_EQ(backend->openCount("virtual://other/6712"), 0u);

    HidDeviceInfo listener(*backend, clock);
    ASSERT_TRUE(listener.enumerate());
    ASSERT_TRUE(listener.findListenerDevice());
    EXPECT_EQ(listener.path(), kIf1);
    EXPECT_EQ(listener.capabilities().usagePage, 0x000C);
    EXPECT_EQ(listener.capabilities().inputReportByteLength, 3);

    // The listener sees only its collection's reports although the node carries answers too.
    const ReportFrame request = ReportFrame::request(CMD_BEGIN);
    ASSERT_TRUE(info.write(request.bytes.data(), request.bytes.size(), 1000));
    ASSERT_TRUE(mouse->pressDpiButton());
    std::array<std::uint8_t, 3> report{};
    ASSERT_TRUE(listener.read(report.data(), report.size(), 100));
    EXPECT_EQ(std::vector<std::uint8_t>(report.begin(), report.end()), consumerReport(kEventSync));
}

}  // namespace
}  // namespace corv::sim::test
