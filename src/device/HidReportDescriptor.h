#pragma once
// A parser for HID report descriptors (HID 1.11, section 6.2.2): short and long items,
// 1/2/4-byte data, global items with push and pop, local usages (16-bit, or 32-bit with the
// page in the high half) and usage ranges, report ids, report size and count, logical
// minimum and maximum (signed when the minimum is negative), collections, and the Input,
// Output and Feature main items. A malformed or hostile descriptor is rejected with a
// reason; parsing never reads outside the given bytes and bounds every count it trusts.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corv {

enum class HidReportType { Input, Output, Feature };

// One main item of a report (one Input, Output or Feature item).
struct HidMainField {
    HidReportType type = HidReportType::Input;
    std::uint8_t reportId = 0;    // 0 when the descriptor uses no report ids
    std::uint16_t usagePage = 0;  // the page of the field's usages
    bool isConstant = false;
    bool isVariable = false;  // false: an array of usage indexes
    bool isRelative = false;
    std::uint32_t bitOffset = 0;    // from the start of the report data, after the report id byte
    std::uint32_t reportSize = 0;   // bits per element
    std::uint32_t reportCount = 0;  // elements
    std::int32_t logicalMinimum = 0;
    std::int32_t logicalMaximum = 0;
    std::vector<std::uint32_t> usages;  // explicit usages, extended (page << 16 | id), in order
    bool hasUsageRange = false;
    std::uint32_t usageMinimum = 0;  // extended
    std::uint32_t usageMaximum = 0;  // extended
    std::size_t collection = 0;      // index into HidReportDescriptor::collections()
};

// One top-level (application) collection.
struct HidCollectionInfo {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::vector<std::uint8_t> reportIds;  // ids used by this collection's reports, ascending
    // Longest report of each kind in bytes, including the report id byte (always counted,
    // 0 or not, as the Windows capabilities do); 0 when the collection has none of that kind.
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
};

class HidReportDescriptor {
public:
    // Parses; on failure returns false, leaves the object empty and puts a reason in *error.
    bool parse(std::span<const std::uint8_t> bytes, std::string* error = nullptr);

    const std::vector<HidCollectionInfo>& collections() const { return collections_; }
    const std::vector<HidMainField>& fields() const { return fields_; }
    bool usesReportIds() const { return usesReportIds_; }

    // Index of the first top-level collection with this usage pair, or -1.
    int findCollection(std::uint16_t usagePage, std::uint16_t usage) const;
    // Whether a report that starts with this report id belongs to the collection. When the
    // descriptor uses no report ids every report belongs to its only collection.
    bool collectionHasReport(std::size_t collection, std::uint8_t reportId) const;

private:
    std::vector<HidCollectionInfo> collections_;
    std::vector<HidMainField> fields_;
    bool usesReportIds_ = false;
};

}  // namespace corv
