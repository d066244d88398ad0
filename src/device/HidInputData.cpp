#include "device/HidInputData.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace corv {
namespace {

// Bounds on what one collection may cost us, whatever its descriptor says.
constexpr std::size_t kMaxDescriptors = 4096;
constexpr std::size_t kMaxUsageListEntries = 65536;

bool isInputData(const HidMainField& f, std::size_t collection)
{
    return f.type == HidReportType::Input && !f.isConstant && f.collection == collection && f.reportSize > 0 &&
           f.reportCount > 0;
}

// Arrays and 1-bit variables report which usages are on; wider variables carry values.
bool isButtonField(const HidMainField& f) { return !f.isVariable || f.reportSize == 1; }

// The field's usages in order: the explicit ones, then those of the range.
std::size_t usageCount(const HidMainField& f)
{
    std::size_t n = f.usages.size();
    if (f.hasUsageRange)
        n += static_cast<std::size_t>(f.usageMaximum - f.usageMinimum) + 1;
    return n;
}

std::uint32_t usageAt(const HidMainField& f, std::size_t index)
{
    if (index < f.usages.size())
        return f.usages[index];
    return f.usageMinimum + static_cast<std::uint32_t>(index - f.usages.size());
}

// Walks the descriptors of a collection in the order they are built: one per button field,
// then one per usage of every value field (only usages that have an element in the report).
// Calls visit(fieldIndex, isButton, usageIndex) and returns how many there are.
template <typename Visit>
std::size_t forEachSlot(const HidReportDescriptor& descriptor, std::size_t collection, Visit&& visit)
{
    const std::vector<HidMainField>& fields = descriptor.fields();
    std::size_t count = 0;
    std::size_t listEntries = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const HidMainField& f = fields[i];
        if (!isInputData(f, collection) || !isButtonField(f))
            continue;
        if (count >= kMaxDescriptors)
            return count;
        if (listEntries + f.reportCount > kMaxUsageListEntries)
            continue;
        listEntries += f.reportCount;
        visit(i, true, std::size_t{0});
        ++count;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const HidMainField& f = fields[i];
        if (!isInputData(f, collection) || isButtonField(f))
            continue;
        const std::size_t n = std::min<std::size_t>(usageCount(f), f.reportCount);
        for (std::size_t k = 0; k < n; ++k) {
            if (count >= kMaxDescriptors)
                return count;
            visit(i, false, k);
            ++count;
        }
    }
    return count;
}

// Reads `bits` (1..32) bits at bit offset `offset` of the data, least significant bit first.
std::optional<std::uint32_t> extractBits(std::span<const std::uint8_t> data, std::uint64_t offset, std::uint32_t bits)
{
    if (bits == 0 || bits > 32 || offset + bits > static_cast<std::uint64_t>(data.size()) * 8)
        return std::nullopt;
    const std::size_t first = static_cast<std::size_t>(offset / 8);
    const unsigned shift = static_cast<unsigned>(offset % 8);
    const std::size_t byteCount = (shift + bits + 7) / 8;  // at most 5
    std::uint64_t acc = 0;
    for (std::size_t k = 0; k < byteCount; ++k)
        acc |= static_cast<std::uint64_t>(data[first + k]) << (8 * k);
    acc >>= shift;
    const std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
    return static_cast<std::uint32_t>(acc & mask);
}

std::int64_t signExtend(std::uint32_t value, std::uint32_t bits)
{
    if (bits >= 32)
        return static_cast<std::int32_t>(value);
    const std::uint32_t sign = std::uint32_t{1} << (bits - 1);
    if (value & sign)
        return static_cast<std::int64_t>(value) - (std::int64_t{1} << bits);
    return value;
}

std::int64_t elementValue(const HidMainField& f, std::uint32_t raw)
{
    return f.logicalMinimum < 0 ? signExtend(raw, f.reportSize) : static_cast<std::int64_t>(raw);
}

bool fieldFits(const HidMainField& f, std::span<const std::uint8_t> data)
{
    const std::uint64_t end = f.bitOffset + static_cast<std::uint64_t>(f.reportSize) * f.reportCount;
    return end <= static_cast<std::uint64_t>(data.size()) * 8;
}

HidInputDataDescriptor buttonDescriptor(const HidMainField& f)
{
    HidInputDataDescriptor d;
    d.isButton = true;
    d.usagePage = f.usagePage;
    d.reportId = f.reportId;
    bool any = false;
    std::uint32_t lo = 0;
    std::uint32_t hi = 0;
    auto take = [&](std::uint32_t extended) {
        if ((extended >> 16) != f.usagePage)
            return;
        const std::uint32_t id = extended & 0xFFFFu;
        lo = any ? std::min(lo, id) : id;
        hi = any ? std::max(hi, id) : id;
        any = true;
    };
    for (std::uint32_t u : f.usages)
        take(u);
    if (f.hasUsageRange) {
        take(f.usageMinimum);
        take(f.usageMaximum);
    }
    d.usageMinimum = lo;
    d.usageMaximum = hi;
    d.maxUsageCount = f.reportCount;
    d.usageList.assign(d.maxUsageCount, 0);
    return d;
}

void unpackButtons(const HidMainField& f, std::span<const std::uint8_t> data, HidInputDataDescriptor& out)
{
    std::fill(out.usageList.begin(), out.usageList.end(), std::uint16_t{0});
    if (!fieldFits(f, data)) {
        out.status = false;
        return;
    }
    out.status = true;
    std::size_t kept = 0;
    auto add = [&](std::uint32_t extended) {
        if ((extended >> 16) != out.usagePage)
            return;
        const std::uint32_t id = extended & 0xFFFFu;
        if (id == 0 || id < out.usageMinimum || id > out.usageMaximum || kept >= out.usageList.size())
            return;
        out.usageList[kept++] = static_cast<std::uint16_t>(id);
    };
    const std::size_t usages = usageCount(f);
    if (usages == 0)
        return;
    for (std::uint32_t e = 0; e < f.reportCount; ++e) {
        const std::uint64_t offset = f.bitOffset + static_cast<std::uint64_t>(e) * f.reportSize;
        const std::uint32_t raw = extractBits(data, offset, f.reportSize).value_or(0);
        if (f.isVariable) {
            // One bit per usage; extra bits share the last usage.
            if (raw != 0)
                add(usageAt(f, std::min<std::size_t>(e, usages - 1)));
        } else {
            // An index into the usages; values outside the logical range mean "none".
            const std::int64_t v = elementValue(f, raw);
            if (v < f.logicalMinimum || v > f.logicalMaximum)
                continue;
            const auto index = static_cast<std::uint64_t>(v - f.logicalMinimum);
            if (index < usages)
                add(usageAt(f, static_cast<std::size_t>(index)));
        }
    }
}

bool unpackValue(const HidMainField& f, std::size_t usageIndex, std::span<const std::uint8_t> data,
                 HidInputDataDescriptor& out)
{
    const std::uint64_t offset = f.bitOffset + static_cast<std::uint64_t>(usageIndex) * f.reportSize;
    const std::optional<std::uint32_t> raw = extractBits(data, offset, f.reportSize);
    if (!raw) {
        out.status = false;
        return false;
    }
    out.status = true;
    out.rawValue = *raw;
    const std::int64_t v = elementValue(f, *raw);
    // An unsigned 32-bit value above the signed range saturates.
    out.scaledValue = static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                                         std::numeric_limits<std::int32_t>::max()));
    return true;
}

}  // namespace

std::vector<HidInputDataDescriptor> buildInputDataDescriptors(const HidReportDescriptor& descriptor,
                                                              std::size_t collection)
{
    std::vector<HidInputDataDescriptor> out;
    const std::vector<HidMainField>& fields = descriptor.fields();
    forEachSlot(descriptor, collection, [&](std::size_t fieldIndex, bool isButton, std::size_t usageIndex) {
        const HidMainField& f = fields[fieldIndex];
        if (isButton) {
            out.push_back(buttonDescriptor(f));
            return;
        }
        const std::uint32_t usage = usageAt(f, usageIndex);
        HidInputDataDescriptor d;
        d.isButton = false;
        d.usagePage = static_cast<std::uint16_t>(usage >> 16);
        d.usage = static_cast<std::uint16_t>(usage & 0xFFFFu);
        d.reportId = f.reportId;
        out.push_back(std::move(d));
    });
    return out;
}

bool unpackReport(std::span<const std::uint8_t> report, std::vector<HidInputDataDescriptor>& descriptors,
                  const HidReportDescriptor& descriptor, std::size_t collection)
{
    // The descriptors must have been built from this descriptor and collection.
    const std::size_t expected = forEachSlot(descriptor, collection, [](std::size_t, bool, std::size_t) {});
    if (expected != descriptors.size())
        return false;

    // Byte 0 is the report id (0 when the descriptor uses none); the fields follow it.
    const bool anyReport = !descriptor.usesReportIds();
    if (!anyReport && report.empty())
        return true;
    const std::uint8_t reportId = report.empty() ? 0 : report[0];
    const std::span<const std::uint8_t> data = report.empty() ? report : report.subspan(1);

    const std::vector<HidMainField>& fields = descriptor.fields();
    bool ok = true;
    std::size_t slot = 0;
    forEachSlot(descriptor, collection, [&](std::size_t fieldIndex, bool isButton, std::size_t usageIndex) {
        HidInputDataDescriptor& out = descriptors[slot++];
        const HidMainField& f = fields[fieldIndex];
        if (out.isButton != isButton || out.reportId != f.reportId) {
            ok = false;  // not built from this layout: leave it alone
            return;
        }
        if (!anyReport && f.reportId != reportId)
            return;
        if (isButton)
            unpackButtons(f, data, out);
        else if (!unpackValue(f, usageIndex, data, out))
            ok = false;  // the remaining descriptors are still filled from this report
        out.dataSet = true;
    });
    return ok;
}

}  // namespace corv
