// Report descriptors and input reports as hostile input: the parser must refuse what it
// cannot trust with a reason, and what it accepts must hold together; unpacking any report
// against an accepted descriptor stays inside the report and the descriptors.
//
// Input: two bytes giving the descriptor's length (high byte first), the descriptor, the
// collection to unpack for, then input reports of which each starts with its length byte.

#include <string>
#include <vector>

#include "FuzzHid.h"
#include "FuzzSupport.h"
#include "device/HidInputData.h"
#include "device/HidReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    corv::fuzz::ByteStream in(data, size);
    const std::size_t length = (std::size_t{in.u8()} << 8) | in.u8();
    const std::vector<std::uint8_t> bytes = in.bytes(length);

    corv::HidReportDescriptor descriptor;
    std::string error;
    if (!descriptor.parse(bytes, &error)) {
        FUZZ_CHECK(!error.empty(), "a refused descriptor without a reason");
        FUZZ_CHECK(descriptor.collections().empty() && descriptor.fields().empty(),
                   "a refused descriptor left data behind");
        return 0;
    }
    const std::size_t collections = descriptor.collections().size();
    for (const corv::HidMainField& field : descriptor.fields()) {
        FUZZ_CHECK(field.collection < collections, "a field of a collection that does not exist");
        if (field.hasUsageRange)
            FUZZ_CHECK(field.usageMinimum <= field.usageMaximum, "a usage range upside down");
        if (descriptor.usesReportIds())
            FUZZ_CHECK(descriptor.collectionHasReport(field.collection, field.reportId),
                       "a field's report id is not one of its collection's");
    }
    FUZZ_CHECK(!descriptor.collectionHasReport(collections, 0), "a collection past the end has reports");
    if (collections == 0)
        return 0;

    const std::vector<std::uint8_t> reportIds = [&] {
        std::vector<std::uint8_t> ids;
        for (const corv::HidCollectionInfo& c : descriptor.collections())
            ids.insert(ids.end(), c.reportIds.begin(), c.reportIds.end());
        return ids;
    }();
    const std::size_t collection = in.u8() % collections;
    std::vector<corv::HidInputDataDescriptor> slots = corv::buildInputDataDescriptors(descriptor, collection);
    const std::vector<corv::HidInputDataDescriptor> built = slots;
    while (in.remaining() > 0) {
        const std::uint8_t head = in.u8();
        std::vector<std::uint8_t> report = in.bytes(head & 0x7F);
        // With bit 7, a report of one of the descriptor's own ids, so that it gets unpacked.
        if (!report.empty() && !reportIds.empty() && (head & 0x80) != 0)
            report[0] = reportIds[report[0] % reportIds.size()];
        corv::unpackReport(report, slots, descriptor, collection);
        FUZZ_CHECK(slots.size() == built.size(), "unpacking changed the number of descriptors");
        for (std::size_t i = 0; i < slots.size(); ++i) {
            const corv::HidInputDataDescriptor& s = slots[i];
            FUZZ_CHECK(s.isButton == built[i].isButton && s.reportId == built[i].reportId &&
                           s.usagePage == built[i].usagePage,
                       "unpacking changed what a descriptor stands for");
            if (s.isButton)
                FUZZ_CHECK(s.usageList.size() == built[i].usageList.size(), "a usage list changed its length");
        }
    }
    return 0;
}
