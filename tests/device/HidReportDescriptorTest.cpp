#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "device/HidInputData.h"
#include "device/HidReportDescriptor.h"

namespace corv {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Keyboard (report id 1), consumer control (3) and the vendor command collection (4) on one
// interface, as a multi-collection interface of a gaming mouse looks.
const Bytes kKeyboardWithId = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01,                          //
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,              //
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02,                                      // modifiers
    0x75, 0x08, 0x95, 0x01, 0x81, 0x01,                                      // reserved
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x75, 0x01, 0x95, 0x05, 0x91, 0x02,  // LEDs
    0x75, 0x03, 0x95, 0x01, 0x91, 0x01,                                      // padding
    0x05, 0x07, 0x19, 0x00, 0x29, 0xFF, 0x15, 0x00, 0x26, 0xFF, 0x00,        //
    0x75, 0x08, 0x95, 0x06, 0x81, 0x00,                                      // keys
    0xC0,
};
const Bytes kConsumerWithId = {
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x15, 0x00, 0x26, 0xFF, 0x0F,
    0x19, 0x00, 0x2A, 0xFF, 0x0F, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0,
};
const Bytes kVendorWithId = {
    0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x3F, 0x09, 0x92, 0x81, 0x02, 0x09, 0x92, 0x91, 0x02, 0xC0,
};

HidReportDescriptor parsed(const Bytes& bytes)
{
    HidReportDescriptor d;
    std::string error;
    EXPECT_TRUE(d.parse(bytes, &error)) << error;
    return d;
}

// Parses a descriptor that must be rejected; returns the reason.
std::string rejected(const Bytes& bytes)
{
    HidReportDescriptor d;
    std::string error;
    EXPECT_FALSE(d.parse(bytes, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(d.collections().empty());
    EXPECT_TRUE(d.fields().empty());
    return error;
}

// Wraps items in an application collection.
Bytes inCollection(const Bytes& items) { return concat({{0x05, 0x01, 0x09, 0x02, 0xA1, 0x01}, items, {0xC0}}); }

TEST(HidReportDescriptor, VendorCollectionHas64ByteInputAndOutputReports)
{
    const HidReportDescriptor d = parsed(kVendorWithId);
    ASSERT_EQ(d.collections().size(), 1u);
    const HidCollectionInfo& c = d.collections()[0];
    EXPECT_EQ(c.usagePage, 0xFF1C);
    EXPECT_EQ(c.usage, 0x0092);
    EXPECT_EQ(c.inputReportByteLength, 64);
    EXPECT_EQ(c.outputReportByteLength, 64);
    EXPECT_EQ(c.featureReportByteLength, 0);
    EXPECT_EQ(c.reportIds, (std::vector<std::uint8_t>{4}));
    EXPECT_TRUE(d.usesReportIds());
    ASSERT_EQ(d.fields().size(), 2u);
    EXPECT_EQ(d.fields()[0].usages, (std::vector<std::uint32_t>{0xFF1C0092u}));
    EXPECT_EQ(d.fields()[1].type, HidReportType::Output);
    EXPECT_EQ(d.fields()[1].bitOffset, 0u);  // output bits are counted apart from input bits
}

TEST(HidReportDescriptor, MultiCollectionInterfaceMapsReportIdsToCollections)
{
    const HidReportDescriptor d = parsed(concat({kKeyboardWithId, kConsumerWithId, kVendorWithId}));
    ASSERT_EQ(d.collections().size(), 3u);
    EXPECT_EQ(d.findCollection(0x0001, 0x0006), 0);
    EXPECT_EQ(d.findCollection(0x000C, 0x0001), 1);
    EXPECT_EQ(d.findCollection(0xFF1C, 0x0092), 2);
    EXPECT_EQ(d.findCollection(0x0001, 0x0002), -1);
    EXPECT_EQ(d.findCollection(0x0092, 0xFF1C), -1);

    EXPECT_TRUE(d.collectionHasReport(0, 1));
    EXPECT_TRUE(d.collectionHasReport(1, 3));
    EXPECT_TRUE(d.collectionHasReport(2, 4));
    EXPECT_FALSE(d.collectionHasReport(1, 4));
    EXPECT_FALSE(d.collectionHasReport(2, 3));
    EXPECT_FALSE(d.collectionHasReport(0, 0));
    EXPECT_FALSE(d.collectionHasReport(3, 1));  // no such collection

    EXPECT_EQ(d.collections()[0].inputReportByteLength, 9);   // id + modifiers + reserved + 6 keys
    EXPECT_EQ(d.collections()[0].outputReportByteLength, 2);  // id + 5 LED bits + 3 padding
    EXPECT_EQ(d.collections()[1].inputReportByteLength, 3);
    EXPECT_EQ(d.collections()[1].outputReportByteLength, 0);
    EXPECT_EQ(d.collections()[2].inputReportByteLength, 64);

    // Fields know their collection and their place in the report.
    for (const HidMainField& f : d.fields())
        EXPECT_EQ(f.collection, f.reportId == 1 ? 0u : f.reportId == 3 ? 1u : 2u);
    ASSERT_EQ(d.fields().size(), 8u);  // 5 keyboard fields (constant ones too), 1 consumer, 2 vendor
    const HidMainField& keys = d.fields()[4];
    EXPECT_FALSE(keys.isVariable);
    EXPECT_EQ(keys.bitOffset, 16u);
    EXPECT_EQ(keys.logicalMaximum, 255);  // 0x26 0xFF 0x00
}

TEST(HidReportDescriptor, DescriptorWithoutReportIdsGivesEveryReportToItsCollection)
{
    const HidReportDescriptor d = parsed(
        inCollection({0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02}));
    EXPECT_FALSE(d.usesReportIds());
    EXPECT_TRUE(d.collectionHasReport(0, 0));
    EXPECT_TRUE(d.collectionHasReport(0, 0x55));
    EXPECT_FALSE(d.collectionHasReport(1, 0));
    EXPECT_EQ(d.collections()[0].inputReportByteLength, 2);  // 3 bits round up, plus the id byte
}

TEST(HidReportDescriptor, UsagesTakeThePageCurrentAtTheMainItemUnlessExtended)
{
    const HidReportDescriptor d = parsed(inCollection({
        0x05, 0x01, 0x09, 0x30,        // Usage Page 1, Usage 0x30
        0x0B, 0xE9, 0x00, 0x0C, 0x00,  // Usage 0x000C00E9 (4 bytes: extended)
        0x05, 0x02,                    // Usage Page 2 before the main item
        0x15, 0x00, 0x25, 0x7F, 0x75, 0x08, 0x95,
        0x02, 0x81, 0x02, 0x09, 0x31, 0x81, 0x02,  // locals were cleared: only 0x31 here
    }));
    ASSERT_EQ(d.fields().size(), 2u);
    EXPECT_EQ(d.fields()[0].usages, (std::vector<std::uint32_t>{0x00020030u, 0x000C00E9u}));
    EXPECT_EQ(d.fields()[0].usagePage, 0x0002);
    EXPECT_EQ(d.fields()[1].usages, (std::vector<std::uint32_t>{0x00020031u}));
    EXPECT_EQ(d.fields()[1].bitOffset, 16u);
}

TEST(HidReportDescriptor, LogicalLimitsAreSignedUnlessAnUnsignedMaximumIsMeant)
{
    struct Case {
        Bytes limits;
        std::int32_t minimum;
        std::int32_t maximum;
    };
    const std::vector<Case> cases = {
        {{0x15, 0x00, 0x25, 0xFF}, 0, 255},  // short item read as unsigned
        {{0x15, 0x00, 0x26, 0xFF, 0x00}, 0, 255},
        {{0x15, 0x81, 0x25, 0x7F}, -127, 127},
        {{0x15, 0xFF, 0x25, 0xFF}, -1, -1},  // negative minimum: stays signed
        {{0x16, 0x00, 0x80, 0x26, 0xFF, 0x7F}, -32768, 32767},
        {{0x15, 0x00, 0x27, 0xFF, 0xFF, 0xFF, 0xFF}, 0, 2147483647},  // saturates
        {{0x14, 0x24}, 0, 0},                                         // no data: 0
    };
    for (const Case& c : cases) {
        const HidReportDescriptor d =
            parsed(inCollection(concat({c.limits, {0x09, 0x30, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}})));
        ASSERT_EQ(d.fields().size(), 1u);
        EXPECT_EQ(d.fields()[0].logicalMinimum, c.minimum);
        EXPECT_EQ(d.fields()[0].logicalMaximum, c.maximum);
    }
}

TEST(HidReportDescriptor, PushPopAndReportIdsKeepSeparateBitOffsets)
{
    const HidReportDescriptor d = parsed(inCollection({
        0x85, 0x02, 0x75, 0x08, 0x95, 0x02, 0x09, 0x30, 0x81, 0x02,  // report 2: 16 bits
        0xA4,                                                        // Push
        0x85, 0x05, 0x75, 0x04, 0x95, 0x01, 0x09, 0x31, 0x81, 0x02,  // report 5: 4 bits
        0xB4,                                                        // Pop: back to report 2, size 8, count 2
        0x09, 0x32, 0x81, 0x02,                                      // report 2 again, after 16 bits
        0xFE, 0x02, 0x10, 0xAA, 0xBB,                                // a long item, skipped
        0x09, 0x33, 0xB1, 0x02,                                      // feature report 2 starts at 0
    }));
    ASSERT_EQ(d.fields().size(), 4u);
    EXPECT_EQ(d.fields()[0].reportId, 2);
    EXPECT_EQ(d.fields()[1].reportId, 5);
    EXPECT_EQ(d.fields()[1].bitOffset, 0u);
    EXPECT_EQ(d.fields()[2].reportId, 2);
    EXPECT_EQ(d.fields()[2].reportSize, 8u);
    EXPECT_EQ(d.fields()[2].reportCount, 2u);
    EXPECT_EQ(d.fields()[2].bitOffset, 16u);
    EXPECT_EQ(d.fields()[3].type, HidReportType::Feature);
    EXPECT_EQ(d.fields()[3].bitOffset, 0u);
    const HidCollectionInfo& c = d.collections()[0];
    EXPECT_EQ(c.reportIds, (std::vector<std::uint8_t>{2, 5}));
    EXPECT_EQ(c.inputReportByteLength, 5);  // report 2: 32 bits + id
    EXPECT_EQ(c.featureReportByteLength, 3);
}

TEST(HidReportDescriptor, NestedCollectionsBelongToTheirTopLevelCollection)
{
    // A mouse: application collection with a physical collection inside, then a second one.
    const HidReportDescriptor d = parsed({
        0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x09,
        0x30, 0x75, 0x08, 0x95, 0x01, 0x81, 0x06, 0xC0, 0xC0, 0x05, 0x0C, 0x09, 0x01,
        0xA1, 0x01, 0x85, 0x02, 0x09, 0xE9, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0,
    });
    ASSERT_EQ(d.collections().size(), 2u);
    EXPECT_EQ(d.collections()[0].usage, 0x0002);  // not the pointer usage of the inner collection
    EXPECT_EQ(d.fields()[0].collection, 0u);
    EXPECT_TRUE(d.fields()[0].isRelative);
    EXPECT_EQ(d.fields()[1].collection, 1u);
}

TEST(HidReportDescriptor, ConstantPaddingMayBeWiderThan32Bits)
{
    const HidReportDescriptor d = parsed(inCollection({0x75, 0x40, 0x95, 0x01, 0x81, 0x01}));
    EXPECT_EQ(d.collections()[0].inputReportByteLength, 9);
    rejected(inCollection({0x75, 0x21, 0x95, 0x01, 0x09, 0x30, 0x81, 0x02}));  // data wider than 32 bits
}

TEST(HidReportDescriptor, MalformedDescriptorsAreRejectedWithAReason)
{
    rejected({});
    EXPECT_NE(rejected({0x80}).find("outside"), std::string::npos);    // 1 byte: Input without a collection
    EXPECT_NE(rejected({0x26}).find("truncated"), std::string::npos);  // 1 byte: data missing
    EXPECT_NE(rejected({0x05, 0x01, 0xA1, 0x01, 0xC0, 0x26, 0xFF}).find("truncated"), std::string::npos);
    rejected({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x27, 0x01, 0x02});    // 4-byte item cut short
    rejected({0x05, 0x01, 0xA1, 0x01, 0xFE, 0x05, 0x00, 0x01, 0x02});    // long item cut short
    rejected({0x05, 0x01, 0xA1, 0x01, 0xFE, 0x05});                      // long item header cut short
    rejected(inCollection({0xB4}));                                      // Pop without Push
    rejected({0x05, 0x01, 0xA1, 0x01, 0xC0, 0xC0});                      // End Collection without Collection
    rejected({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x81, 0x02});          // unclosed collection
    rejected({0x75, 0x08, 0x95, 0x01, 0x81, 0x02});                      // outside any collection
    rejected(inCollection({0x85, 0x00}));                                // report id 0
    rejected(inCollection({0x86, 0x00, 0x01}));                          // report id above 255
    rejected(inCollection({0x97, 0x00, 0x00, 0x01, 0x00}));              // report count 65536
    rejected(inCollection({0x75, 0x08, 0x96, 0x00, 0x10, 0x81, 0x02}));  // 4096 data bytes + id
    rejected(inCollection({0x19, 0x05, 0x29, 0x01, 0x75, 0x01, 0x95, 0x01, 0x81, 0x02}));  // min > max
    rejected(inCollection({0x1B, 0x00, 0x00, 0x01, 0x00, 0x2B, 0xFF, 0xFF, 0x02, 0x00,     // range over pages
                           0x75, 0x01, 0x95, 0x01, 0x81, 0x02}));
    rejected(inCollection({0xC4, 0x00}));  // unknown global item
    // Ids are used, but one report has none.
    rejected(inCollection({0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x85, 0x01, 0x81, 0x02}));

    Bytes deepPush = {0x05, 0x01, 0xA1, 0x01};
    deepPush.insert(deepPush.end(), 17, 0xA4);
    deepPush.push_back(0xC0);
    EXPECT_NE(rejected(deepPush).find("push"), std::string::npos);

    Bytes manyCollections;
    for (int i = 0; i < 256; ++i)
        manyCollections.insert(manyCollections.end(), {0xA1, 0x01, 0xC0});
    rejected(manyCollections);

    Bytes manyItems = {0x05, 0x01, 0xA1, 0x01};
    manyItems.insert(manyItems.end(), 4100, 0x00);  // unknown main items: each one counts
    manyItems.push_back(0xC0);
    rejected(manyItems);
}

TEST(HidReportDescriptor, RejectionClearsAnEarlierSuccessAndAcceptsBoundaryValues)
{
    HidReportDescriptor d;
    ASSERT_TRUE(d.parse(kVendorWithId));
    EXPECT_FALSE(d.parse(Bytes{0x81, 0x00}));
    EXPECT_TRUE(d.collections().empty());
    EXPECT_FALSE(d.usesReportIds());
    EXPECT_EQ(d.findCollection(0xFF1C, 0x0092), -1);

    // 4095 data bytes plus the id byte is the longest report allowed; 16 pushes are allowed.
    Bytes longest = inCollection({0x75, 0x08, 0x96, 0xFF, 0x0F, 0x81, 0x01});
    EXPECT_TRUE(d.parse(longest));
    EXPECT_EQ(d.collections()[0].inputReportByteLength, 4096);
    Bytes pushes = {0x05, 0x01, 0xA1, 0x01};
    pushes.insert(pushes.end(), 16, 0xA4);
    pushes.insert(pushes.end(), 16, 0xB4);
    pushes.push_back(0xC0);
    EXPECT_TRUE(d.parse(pushes));
}

// Random and mutated descriptors must never crash the parser or the unpacking, and what is
// accepted must be consistent. run it under AddressSanitizer as well.
TEST(HidReportDescriptor, FuzzedDescriptorsNeverCrashAndStayConsistent)
{
    std::mt19937 rng(20240611u);
    const std::vector<Bytes> seeds = {kKeyboardWithId, kConsumerWithId, kVendorWithId,
                                      concat({kKeyboardWithId, kConsumerWithId, kVendorWithId})};
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes bytes;
        if (round % 2 == 0) {
            bytes.resize(rng() % 96);
            for (std::uint8_t& b : bytes)
                b = static_cast<std::uint8_t>(rng());
        } else {
            bytes = seeds[rng() % seeds.size()];
            const int edits = 1 + static_cast<int>(rng() % 4);
            for (int e = 0; e < edits && !bytes.empty(); ++e) {
                const std::size_t at = rng() % bytes.size();
                switch (rng() % 3) {
                case 0:
                    bytes[at] = static_cast<std::uint8_t>(rng());
                    break;
                case 1:
                    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at));
                    break;
                default:
                    bytes.resize(at);
                    break;
                }
            }
        }
        HidReportDescriptor d;
        std::string error;
        if (!d.parse(bytes, &error)) {
            ASSERT_FALSE(error.empty());
            ASSERT_TRUE(d.collections().empty());
            continue;
        }
        ++accepted;
        ASSERT_FALSE(d.collections().empty());
        for (const HidMainField& f : d.fields()) {
            ASSERT_LT(f.collection, d.collections().size());
            const HidCollectionInfo& c = d.collections()[f.collection];
            const std::uint64_t end = f.bitOffset + static_cast<std::uint64_t>(f.reportSize) * f.reportCount;
            const std::uint16_t length = f.type == HidReportType::Input    ? c.inputReportByteLength
                                         : f.type == HidReportType::Output ? c.outputReportByteLength
                                                                           : c.featureReportByteLength;
            ASSERT_LE((end + 7) / 8 + 1, length);
            ASSERT_TRUE(d.collectionHasReport(f.collection, f.reportId));
        }
        for (std::size_t c = 0; c < d.collections().size(); ++c) {
            std::vector<HidInputDataDescriptor> data = buildInputDataDescriptors(d, c);
            ASSERT_LE(data.size(), 4096u);
            for (int r = 0; r < 3; ++r) {
                Bytes report(rng() % (d.collections()[c].inputReportByteLength + 3u));
                for (std::uint8_t& b : report)
                    b = static_cast<std::uint8_t>(rng());
                if (!report.empty() && !d.collections()[c].reportIds.empty() && rng() % 2 == 0)
                    report[0] = d.collections()[c].reportIds[rng() % d.collections()[c].reportIds.size()];
                unpackReport(report, data, d, c);
                for (const HidInputDataDescriptor& x : data) {
                    if (!x.isButton)
                        continue;
                    ASSERT_EQ(x.usageList.size(), x.maxUsageCount);
                    for (std::uint16_t u : x.usageList)
                        ASSERT_TRUE(u == 0 || (u >= x.usageMinimum && u <= x.usageMaximum));
                }
            }
        }
    }
    EXPECT_GT(accepted, 200);  // the mutations keep enough descriptors valid to reach the unpacking
}

}  // namespace
}  // namespace corv
