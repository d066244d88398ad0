#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/HidInputData.h"
#include "device/HidReportDescriptor.h"

namespace corv {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Usages = std::vector<std::uint16_t>;

// The consumer-control collection of the mouse: one 16-bit usage array, report id 3.
Bytes consumerDescriptor(std::uint8_t count)
{
    return {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x15,  0x00, 0x26, 0xFF, 0x0F,
            0x19, 0x00, 0x2A, 0xFF, 0x0F, 0x75, 0x10, 0x95, count, 0x81, 0x00, 0xC0};
}

// A boot keyboard: 8 modifier bits, a reserved byte, LED outputs, a 6-key array.
const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,                                      //
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,              //
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02,                                      // modifiers
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,                                      // reserved
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02,  // LEDs
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,                                      // padding
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0,
};

// A 5-button mouse with relative X, Y and wheel, no report ids.
const Bytes kFiveButtonMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00,  //
    0x05, 0x09, 0x19, 0x01, 0x29, 0x05, 0x15, 0x00, 0x25, 0x01, 0x95,
    0x05, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x03, 0x81, 0x01,  //
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09, 0x38, 0x15, 0x81, 0x25,
    0x7F, 0x75, 0x08, 0x95, 0x03, 0x81, 0x06, 0xC0, 0xC0,
};

struct Parsed {
    HidReportDescriptor descriptor;
    std::vector<HidInputDataDescriptor> data;
};

Parsed build(const Bytes& bytes, std::size_t collection = 0)
{
    Parsed p;
    std::string error;
    EXPECT_TRUE(p.descriptor.parse(bytes, &error)) << error;
    p.data = buildInputDataDescriptors(p.descriptor, collection);
    return p;
}

bool unpack(Parsed& p, const Bytes& report, std::size_t collection = 0)
{
    return unpackReport(report, p.data, p.descriptor, collection);
}

TEST(HidInputData, ConsumerUsageArrayGivesTheEventUsage)
{
    Parsed p = build(consumerDescriptor(1));
    ASSERT_EQ(p.descriptor.collections()[0].inputReportByteLength, 3);
    ASSERT_EQ(p.data.size(), 1u);
    const HidInputDataDescriptor& d = p.data[0];
    EXPECT_TRUE(d.isButton);
    EXPECT_EQ(d.usagePage, 0x000C);
    EXPECT_EQ(d.reportId, 3);
    EXPECT_EQ(d.usageMinimum, 0u);
    EXPECT_EQ(d.usageMaximum, 0x0FFFu);
    EXPECT_EQ(d.maxUsageCount, 1u);
    EXPECT_EQ(d.usageList, Usages{0});
    EXPECT_FALSE(d.dataSet);

    EXPECT_TRUE(unpack(p, {0x03, 0x03, 0x04}));
    EXPECT_EQ(p.data[0].usageList, Usages{0x0403});
    EXPECT_TRUE(p.data[0].dataSet);
    EXPECT_TRUE(p.data[0].status);

    // Key released: no usage, the list reads 0 again.
    EXPECT_TRUE(unpack(p, {0x03, 0x00, 0x00}));
    EXPECT_EQ(p.data[0].usageList, Usages{0});
    // An index above the logical maximum means "none".
    EXPECT_TRUE(unpack(p, {0x03, 0x00, 0x10}));
    EXPECT_EQ(p.data[0].usageList, Usages{0});
}

TEST(HidInputData, ReportOfAnotherIdLeavesDescriptorsUnchanged)
{
    Parsed p = build(consumerDescriptor(1));
    ASSERT_TRUE(unpack(p, {0x03, 0x01, 0x04}));
    const std::vector<HidInputDataDescriptor> before = p.data;
    EXPECT_TRUE(unpack(p, {0x04, 0x02, 0x04, 0x00, 0x00}));
    EXPECT_TRUE(unpack(p, {}));
    ASSERT_EQ(p.data.size(), before.size());
    EXPECT_EQ(p.data[0].usageList, before[0].usageList);
    EXPECT_EQ(p.data[0].usageList, Usages{0x0401});

    // A fresh set stays untouched, data-set flag included.
    Parsed fresh = build(consumerDescriptor(1));
    EXPECT_TRUE(unpack(fresh, {0x05, 0x03, 0x04}));
    EXPECT_FALSE(fresh.data[0].dataSet);
}

TEST(HidInputData, UsageListIsCompactedAndZeroTerminated)
{
    Parsed p = build(consumerDescriptor(2));
    ASSERT_EQ(p.descriptor.collections()[0].inputReportByteLength, 5);
    ASSERT_EQ(p.data.size(), 1u);
    EXPECT_EQ(p.data[0].maxUsageCount, 2u);

    EXPECT_TRUE(unpack(p, {0x03, 0x03, 0x04, 0x01, 0x04}));
    EXPECT_EQ(p.data[0].usageList, (Usages{0x0403, 0x0401}));
    // The first slot empty: the second usage moves to the front.
    EXPECT_TRUE(unpack(p, {0x03, 0x00, 0x00, 0x02, 0x04}));
    EXPECT_EQ(p.data[0].usageList, (Usages{0x0402, 0}));
}

TEST(HidInputData, ShortReportUnpacksOnlyWhatItHolds)
{
    Parsed p = build(consumerDescriptor(1));
    ASSERT_TRUE(unpack(p, {0x03, 0x03, 0x04}));
    EXPECT_TRUE(unpack(p, {0x03, 0x03}));  // one data byte of two
    EXPECT_FALSE(p.data[0].status);
    EXPECT_EQ(p.data[0].usageList, Usages{0});  // no stale usage left behind
    EXPECT_TRUE(unpack(p, {0x03}));
    EXPECT_FALSE(p.data[0].status);

    Parsed mouse = build(kFiveButtonMouse);
    ASSERT_EQ(mouse.data.size(), 4u);
    // Buttons and X are there, Y and the wheel are not: the values present are still filled.
    EXPECT_FALSE(unpack(mouse, {0x00, 0x01, 0x05}));
    EXPECT_EQ(mouse.data[0].usageList, (Usages{1, 0, 0, 0, 0}));
    EXPECT_TRUE(mouse.data[1].status);
    EXPECT_EQ(mouse.data[1].scaledValue, 5);
    EXPECT_FALSE(mouse.data[2].status);
    EXPECT_FALSE(mouse.data[3].status);
}

TEST(HidInputData, BootKeyboardModifiersAndKeys)
{
    Parsed p = build(kBootKeyboard);
    EXPECT_EQ(p.descriptor.collections()[0].inputReportByteLength, 9);
    EXPECT_EQ(p.descriptor.collections()[0].outputReportByteLength, 2);
    ASSERT_EQ(p.data.size(), 2u);  // the reserved byte is constant, the LEDs are outputs
    const HidInputDataDescriptor& modifiers = p.data[0];
    EXPECT_EQ(modifiers.usagePage, 0x0007);
    EXPECT_EQ(modifiers.usageMinimum, 0xE0u);
    EXPECT_EQ(modifiers.usageMaximum, 0xE7u);
    EXPECT_EQ(modifiers.maxUsageCount, 8u);
    const HidInputDataDescriptor& keys = p.data[1];
    EXPECT_EQ(keys.usageMinimum, 0x00u);
    EXPECT_EQ(keys.usageMaximum, 0x65u);
    EXPECT_EQ(keys.maxUsageCount, 6u);

    // No report ids: byte 0 is the (zero) id byte, then the 8 data bytes.
    EXPECT_TRUE(unpack(p, {0x00, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(p.data[0].usageList, (Usages{0xE0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(p.data[1].usageList, (Usages{0x04, 0, 0, 0, 0, 0}));

    // RShift + LAlt, keys 'B' and 'C', and an index beyond the logical maximum (ignored).
    EXPECT_TRUE(unpack(p, {0x00, 0x24, 0x00, 0x05, 0x80, 0x06, 0x00, 0x00, 0x00}));
    EXPECT_EQ(p.data[0].usageList, (Usages{0xE2, 0xE5, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(p.data[1].usageList, (Usages{0x05, 0x06, 0, 0, 0, 0}));
}

TEST(HidInputData, MouseButtonsAndSignedRelativeValues)
{
    Parsed p = build(kFiveButtonMouse);
    EXPECT_EQ(p.descriptor.collections()[0].usage, 0x0002);
    EXPECT_EQ(p.descriptor.collections()[0].inputReportByteLength, 5);
    ASSERT_EQ(p.data.size(), 4u);
    EXPECT_TRUE(p.data[0].isButton);
    EXPECT_EQ(p.data[0].usagePage, 0x0009);
    EXPECT_EQ(p.data[0].usageMinimum, 1u);
    EXPECT_EQ(p.data[0].usageMaximum, 5u);
    const Usages valueUsages = {p.data[1].usage, p.data[2].usage, p.data[3].usage};
    EXPECT_EQ(valueUsages, (Usages{0x30, 0x31, 0x38}));
    EXPECT_EQ(p.data[1].usagePage, 0x0001);
    EXPECT_FALSE(p.data[1].isButton);

    // Buttons 1, 3 and 5; the padding bits are set as well and must not count.
    EXPECT_TRUE(unpack(p, {0x00, 0xF5, 0xFE, 0x05, 0x80}));
    EXPECT_EQ(p.data[0].usageList, (Usages{1, 3, 5, 0, 0}));
    EXPECT_EQ(p.data[1].rawValue, 0xFEu);
    EXPECT_EQ(p.data[1].scaledValue, -2);
    EXPECT_EQ(p.data[2].scaledValue, 5);
    EXPECT_EQ(p.data[3].rawValue, 0x80u);
    EXPECT_EQ(p.data[3].scaledValue, -128);
    for (const HidInputDataDescriptor& d : p.data)
        EXPECT_TRUE(d.dataSet);
}

TEST(HidInputData, ValuesAcrossByteBoundariesAndUnsignedValues)
{
    // 12-bit X and Y (-2047..2047), then an unsigned 16-bit value at an odd bit offset.
    const Bytes bytes = {
        0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x07,                                                  //
        0x09, 0x30, 0x09, 0x31, 0x16, 0x01, 0xF8, 0x26, 0xFF, 0x07, 0x75, 0x0C, 0x95, 0x02, 0x81, 0x06,  //
        0x75, 0x01, 0x95, 0x01, 0x81, 0x01,  // 1 padding bit
        0x09, 0x32, 0x15, 0x00, 0x27, 0xFF, 0xFF, 0x00, 0x00, 0x75, 0x10, 0x95, 0x01, 0x81, 0x02, 0xC0};
    Parsed p = build(bytes);
    ASSERT_EQ(p.data.size(), 3u);
    // X = 0xFFE (-2), Y = 0x003, then bit 24 padding, Z = 0xABCD from bit 25.
    const std::uint32_t z = 0xABCD;
    const std::uint8_t b3 = static_cast<std::uint8_t>((z << 1) & 0xFF);
    const std::uint8_t b4 = static_cast<std::uint8_t>((z >> 7) & 0xFF);
    const std::uint8_t b5 = static_cast<std::uint8_t>((z >> 15) & 0xFF);
    EXPECT_TRUE(unpack(p, {0x07, 0xFE, 0x3F, 0x00, b3, b4, b5}));
    EXPECT_EQ(p.data[0].rawValue, 0xFFEu);
    EXPECT_EQ(p.data[0].scaledValue, -2);
    EXPECT_EQ(p.data[1].rawValue, 0x003u);
    EXPECT_EQ(p.data[1].scaledValue, 3);
    EXPECT_EQ(p.data[2].rawValue, z);
    EXPECT_EQ(p.data[2].scaledValue, static_cast<std::int32_t>(z));  // minimum 0: not sign-extended
}

TEST(HidInputData, ExplicitUsagesAndVendorValueArray)
{
    // Vendor collection: a 63-byte value array with one usage gives one value descriptor.
    const Bytes vendor = {0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04, 0x15, 0x00, 0x26, 0xFF, 0x00,
                          0x75, 0x08, 0x95, 0x3F, 0x09, 0x92, 0x81, 0x02, 0x09, 0x92, 0x91, 0x02, 0xC0};
    Parsed v = build(vendor);
    ASSERT_EQ(v.data.size(), 1u);
    EXPECT_EQ(v.data[0].usage, 0x0092);
    EXPECT_EQ(v.data[0].usagePage, 0xFF1C);
    Bytes answer(64, 0);
    answer[0] = 0x04;
    answer[1] = 0xA5;
    EXPECT_TRUE(unpack(v, answer));
    EXPECT_EQ(v.data[0].rawValue, 0xA5u);

    // An array of explicit consumer usages: index 1 is Mute, index 3 is beyond the list.
    const Bytes consumer = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x09, 0xE9, 0x09, 0xE2, 0x09, 0xEA,
                            0x15, 0x00, 0x25, 0x03, 0x75, 0x02, 0x95, 0x02, 0x81, 0x00, 0xC0};
    Parsed c = build(consumer);
    ASSERT_EQ(c.data.size(), 1u);
    EXPECT_EQ(c.data[0].usageMinimum, 0xE2u);
    EXPECT_EQ(c.data[0].usageMaximum, 0xEAu);
    EXPECT_TRUE(unpack(c, {0x00, 0x0D}));  // element 0 = 1, element 1 = 3
    EXPECT_EQ(c.data[0].usageList, (Usages{0xE2, 0}));
}

TEST(HidInputData, DescriptorsOfAnotherLayoutAreRefused)
{
    Parsed keyboard = build(kBootKeyboard);
    Parsed mouse = build(kFiveButtonMouse);
    std::vector<HidInputDataDescriptor> foreign = keyboard.data;
    EXPECT_FALSE(unpackReport(Bytes{0x00, 0x01, 0x00, 0x00, 0x00}, foreign, mouse.descriptor, 0));
    EXPECT_FALSE(foreign[0].dataSet);
    EXPECT_EQ(foreign[0].usageList, keyboard.data[0].usageList);

    // No such collection: nothing to build.
    EXPECT_TRUE(buildInputDataDescriptors(mouse.descriptor, 5).empty());
}

}  // namespace
}  // namespace corv
