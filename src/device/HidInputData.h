#pragma once
// Input data descriptors of one opened collection, and the unpacking of input reports into
// them: what the input listener needs to learn which usages a report turns on.
// A "button" descriptor stands for an array field or a set of 1-bit variable fields (the
// usages currently on); a "value" descriptor for one usage of a multi-bit variable field.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/HidReportDescriptor.h"

namespace corv {

struct HidInputDataDescriptor {
    bool isButton = false;
    std::uint16_t usagePage = 0;
    bool status = true;  // result of the last unpacking
    std::uint8_t reportId = 0;
    bool dataSet = false;  // a report has been unpacked into it
    // Button descriptors.
    std::uint32_t usageMinimum = 0;  // 16-bit usage ids within usagePage
    std::uint32_t usageMaximum = 0;
    std::uint32_t maxUsageCount = 0;
    std::vector<std::uint16_t> usageList;  // usages on, in report order, then zeros
    // Value descriptors.
    std::uint16_t usage = 0;
    std::uint32_t rawValue = 0;
    std::int32_t scaledValue = 0;
};

// One descriptor per button capability, then one per value usage, for the input reports of
// the given top-level collection.
std::vector<HidInputDataDescriptor> buildInputDataDescriptors(const HidReportDescriptor& descriptor,
                                                              std::size_t collection);

// Fills every descriptor whose report id equals report[0] (or all, when the descriptor uses
// no report ids) from one input report. Descriptors of other reports are left unchanged. A
// report shorter than its layout unpacks only what it holds. Returns false when a value
// could not be fetched.
bool unpackReport(std::span<const std::uint8_t> report, std::vector<HidInputDataDescriptor>& descriptors,
                  const HidReportDescriptor& descriptor, std::size_t collection);

}  // namespace corv
