#include "device/HidReportDescriptor.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

namespace corv {
namespace {

// Bounds on what a descriptor may ask of us. Real descriptors stay far below all of them
// (the kernel itself caps a descriptor at 4096 bytes, so 4096 items is already generous).
constexpr std::size_t kMaxItems = 4096;
constexpr std::size_t kMaxFields = 4096;
constexpr std::size_t kMaxCollections = 255;
constexpr std::size_t kMaxPushDepth = 16;
constexpr std::uint32_t kMaxReportCount = 65535;
constexpr std::uint32_t kMaxElementBits = 32;
constexpr std::uint64_t kMaxReportBytes = 4096;

constexpr int kItemMain = 0;
constexpr int kItemGlobal = 1;
constexpr int kItemLocal = 2;

// Main item tags.
constexpr int kTagInput = 0x8;
constexpr int kTagOutput = 0x9;
constexpr int kTagCollection = 0xA;
constexpr int kTagFeature = 0xB;
constexpr int kTagEndCollection = 0xC;

// Global item tags.
constexpr int kTagUsagePage = 0x0;
constexpr int kTagLogicalMinimum = 0x1;
constexpr int kTagLogicalMaximum = 0x2;
constexpr int kTagReportSize = 0x7;
constexpr int kTagReportId = 0x8;
constexpr int kTagReportCount = 0x9;
constexpr int kTagPush = 0xA;
constexpr int kTagPop = 0xB;
constexpr int kLastGlobalTag = 0xB;

// Local item tags.
constexpr int kTagUsage = 0x0;
constexpr int kTagUsageMinimum = 0x1;
constexpr int kTagUsageMaximum = 0x2;

constexpr std::uint8_t kLongItemPrefix = 0xFE;

// The data of one short item: the raw little-endian bytes and how many there were.
struct ItemData {
    std::uint32_t raw = 0;
    std::uint8_t size = 0;  // 0, 1, 2 or 4

    std::int32_t asSigned() const
    {
        switch (size) {
        case 1:
            return static_cast<std::int8_t>(raw & 0xFFu);
        case 2:
            return static_cast<std::int16_t>(raw & 0xFFFFu);
        case 4:
            return static_cast<std::int32_t>(raw);
        default:
            return 0;
        }
    }
};

struct GlobalState {
    std::uint16_t usagePage = 0;
    ItemData logicalMinimum;
    ItemData logicalMaximum;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

// A usage as written: a 4-byte usage carries its page, a shorter one takes the usage page
// that is current when the main item comes.
struct LocalUsage {
    std::uint32_t value = 0;
    bool extended = false;

    std::uint32_t resolve(std::uint16_t usagePage) const
    {
        return extended ? value : (static_cast<std::uint32_t>(usagePage) << 16) | (value & 0xFFFFu);
    }
};

struct LocalState {
    std::vector<LocalUsage> usages;
    bool hasMinimum = false;
    bool hasMaximum = false;
    LocalUsage minimum;
    LocalUsage maximum;

    void clear()
    {
        usages.clear();
        hasMinimum = false;
        hasMaximum = false;
        minimum = {};
        maximum = {};
    }
};

// Per top-level collection: which report ids it uses, per report kind.
struct CollectionReports {
    std::array<std::array<bool, 256>, 3> used{};
};

std::size_t typeIndex(HidReportType type) { return static_cast<std::size_t>(type); }

// Logical limits are signed items; many descriptors still write an unsigned maximum in a
// short item (0x25 0xFF for 255), which reads as negative. With a non-negative minimum such
// a maximum is taken as unsigned.
std::pair<std::int32_t, std::int32_t> logicalLimits(const GlobalState& g)
{
    const std::int32_t minimum = g.logicalMinimum.asSigned();
    std::int32_t maximum = g.logicalMaximum.asSigned();
    if (minimum >= 0 && maximum < 0) {
        const std::uint32_t unsignedMax = g.logicalMaximum.raw;
        maximum = unsignedMax > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())
                      ? std::numeric_limits<std::int32_t>::max()
                      : static_cast<std::int32_t>(unsignedMax);
    }
    return {minimum, maximum};
}

class Parser {
public:
    explicit Parser(std::span<const std::uint8_t> bytes) : bytes_(bytes) { }

    bool run(std::string& error);

    std::vector<HidCollectionInfo> collections;
    std::vector<HidMainField> fields;
    bool usesReportIds = false;

private:
    bool fail(std::string& error, const std::string& what) const
    {
        error = what + " (item at offset " + std::to_string(itemOffset_) + ")";
        return false;
    }
    bool mainItem(int tag, const ItemData& data, std::string& error);
    bool globalItem(int tag, const ItemData& data, std::string& error);
    void localItem(int tag, const ItemData& data);
    bool addField(HidReportType type, const ItemData& data, std::string& error);
    bool finish(std::string& error);

    std::span<const std::uint8_t> bytes_;
    std::size_t itemOffset_ = 0;
    GlobalState global_;
    std::vector<GlobalState> stack_;
    LocalState local_;
    std::size_t depth_ = 0;
    std::size_t collectionItems_ = 0;
    std::size_t currentTop_ = 0;
    std::vector<CollectionReports> reports_;
    // Bits used so far by each report, per report kind and report id.
    std::array<std::array<std::uint64_t, 256>, 3> reportBits_{};
};

bool Parser::run(std::string& error)
{
    std::size_t pos = 0;
    std::size_t items = 0;
    while (pos < bytes_.size()) {
        itemOffset_ = pos;
        if (++items > kMaxItems)
            return fail(error, "too many items");
        const std::uint8_t prefix = bytes_[pos];
        if (prefix == kLongItemPrefix) {
            // Long item: size byte, tag byte, data. No long item tags are defined; skip it.
            if (bytes_.size() - pos < 3)
                return fail(error, "truncated long item");
            const std::size_t dataSize = bytes_[pos + 1];
            if (bytes_.size() - pos - 3 < dataSize)
                return fail(error, "truncated long item");
            pos += 3 + dataSize;
            continue;
        }
        const std::size_t sizeCode = prefix & 0x3u;
        const std::uint8_t dataSize = static_cast<std::uint8_t>(sizeCode == 3 ? 4 : sizeCode);
        const int type = (prefix >> 2) & 0x3;
        const int tag = prefix >> 4;
        if (bytes_.size() - pos - 1 < dataSize)
            return fail(error, "truncated item");
        ItemData data;
        data.size = dataSize;
        for (std::size_t i = 0; i < dataSize; ++i)
            data.raw |= static_cast<std::uint32_t>(bytes_[pos + 1 + i]) << (8 * i);
        pos += 1 + dataSize;

        bool ok = true;
        switch (type) {
        case kItemMain:
            ok = mainItem(tag, data, error);
            break;
        case kItemGlobal:
            ok = globalItem(tag, data, error);
            break;
        case kItemLocal:
            localItem(tag, data);
            break;
        default:
            break;  // reserved item type: ignored
        }
        if (!ok)
            return false;
    }
    itemOffset_ = bytes_.size();
    return finish(error);
}

bool Parser::mainItem(int tag, const ItemData& data, std::string& error)
{
    bool ok = true;
    switch (tag) {
    case kTagInput:
        ok = addField(HidReportType::Input, data, error);
        break;
    case kTagOutput:
        ok = addField(HidReportType::Output, data, error);
        break;
    case kTagFeature:
        ok = addField(HidReportType::Feature, data, error);
        break;
    case kTagCollection: {
        if (++collectionItems_ > kMaxCollections)
            return fail(error, "too many collections");
        if (depth_ == 0) {
            // A new top-level collection, named by the usage that precedes it.
            std::uint32_t usage = static_cast<std::uint32_t>(global_.usagePage) << 16;
            if (!local_.usages.empty())
                usage = local_.usages.back().resolve(global_.usagePage);
            else if (local_.hasMinimum)
                usage = local_.minimum.resolve(global_.usagePage);
            HidCollectionInfo info;
            info.usagePage = static_cast<std::uint16_t>(usage >> 16);
            info.usage = static_cast<std::uint16_t>(usage & 0xFFFFu);
            currentTop_ = collections.size();
            collections.push_back(std::move(info));
            reports_.emplace_back();
        }
        ++depth_;
        break;
    }
    case kTagEndCollection:
        if (depth_ == 0)
            return fail(error, "End Collection without Collection");
        --depth_;
        break;
    default:
        break;  // unknown main item: ignored
    }
    local_.clear();
    return ok;
}

bool Parser::addField(HidReportType type, const ItemData& data, std::string& error)
{
    if (depth_ == 0)
        return fail(error, "main item outside any collection");
    const bool isConstant = (data.raw & 0x1u) != 0;
    // Data elements are read into 32-bit values; constant padding is never read and may be wider.
    if (!isConstant && global_.reportSize > kMaxElementBits)
        return fail(error, "report size above 32 bits");
    const std::uint64_t bits = static_cast<std::uint64_t>(global_.reportSize) * global_.reportCount;
    std::uint64_t& used = reportBits_[typeIndex(type)][global_.reportId];
    if ((used + bits + 7) / 8 + 1 > kMaxReportBytes)
        return fail(error, "report longer than 4096 bytes");

    HidMainField field;
    field.type = type;
    field.reportId = global_.reportId;
    field.isConstant = isConstant;
    field.isVariable = (data.raw & 0x2u) != 0;
    field.isRelative = (data.raw & 0x4u) != 0;
    field.bitOffset = static_cast<std::uint32_t>(used);
    field.reportSize = global_.reportSize;
    field.reportCount = global_.reportCount;
    const auto [minimum, maximum] = logicalLimits(global_);
    field.logicalMinimum = minimum;
    field.logicalMaximum = maximum;
    field.collection = currentTop_;

    field.usages.reserve(local_.usages.size());
    for (const LocalUsage& u : local_.usages)
        field.usages.push_back(u.resolve(global_.usagePage));
    if (local_.hasMinimum || local_.hasMaximum) {
        // A lone end of a range stands for a range of one usage.
        const LocalUsage& lo = local_.hasMinimum ? local_.minimum : local_.maximum;
        const LocalUsage& hi = local_.hasMaximum ? local_.maximum : local_.minimum;
        field.hasUsageRange = true;
        field.usageMinimum = lo.resolve(global_.usagePage);
        field.usageMaximum = hi.resolve(global_.usagePage);
        if (field.usageMinimum > field.usageMaximum)
            return fail(error, "usage minimum above usage maximum");
        // Within one page a range holds at most 65536 usages.
        if ((field.usageMinimum >> 16) != (field.usageMaximum >> 16))
            return fail(error, "usage range spans usage pages");
    }
    if (!field.usages.empty())
        field.usagePage = static_cast<std::uint16_t>(field.usages.front() >> 16);
    else if (field.hasUsageRange)
        field.usagePage = static_cast<std::uint16_t>(field.usageMinimum >> 16);
    else
        field.usagePage = global_.usagePage;

    if (bits == 0)
        return true;  // carries no data
    if (fields.size() >= kMaxFields)
        return fail(error, "too many fields");
    used += bits;
    reports_[currentTop_].used[typeIndex(type)][global_.reportId] = true;
    fields.push_back(std::move(field));
    return true;
}

bool Parser::globalItem(int tag, const ItemData& data, std::string& error)
{
    switch (tag) {
    case kTagUsagePage:
        global_.usagePage = static_cast<std::uint16_t>(data.raw & 0xFFFFu);
        break;
    case kTagLogicalMinimum:
        global_.logicalMinimum = data;
        break;
    case kTagLogicalMaximum:
        global_.logicalMaximum = data;
        break;
    case kTagReportSize:
        global_.reportSize = data.raw;
        break;
    case kTagReportId:
        if (data.raw == 0)
            return fail(error, "report id 0");
        if (data.raw > 0xFFu)
            return fail(error, "report id above 255");
        global_.reportId = static_cast<std::uint8_t>(data.raw);
        usesReportIds = true;
        break;
    case kTagReportCount:
        if (data.raw > kMaxReportCount)
            return fail(error, "report count above 65535");
        global_.reportCount = data.raw;
        break;
    case kTagPush:
        if (stack_.size() >= kMaxPushDepth)
            return fail(error, "push nested too deeply");
        stack_.push_back(global_);
        break;
    case kTagPop:
        if (stack_.empty())
            return fail(error, "Pop without Push");
        global_ = stack_.back();
        stack_.pop_back();
        break;
    default:
        // Physical limits, unit exponent and unit are accepted and not needed here.
        if (tag > kLastGlobalTag)
            return fail(error, "unknown global item");
        break;
    }
    return true;
}

void Parser::localItem(int tag, const ItemData& data)
{
    const LocalUsage usage{data.raw, data.size == 4};
    switch (tag) {
    case kTagUsage:
        local_.usages.push_back(usage);  // bounded by the item limit
        break;
    case kTagUsageMinimum:
        local_.hasMinimum = true;
        local_.minimum = usage;
        break;
    case kTagUsageMaximum:
        local_.hasMaximum = true;
        local_.maximum = usage;
        break;
    default:
        break;  // designators, strings and delimiters: accepted and not needed here
    }
}

bool Parser::finish(std::string& error)
{
    if (depth_ != 0)
        return fail(error, "unclosed collection");
    if (collections.empty())
        return fail(error, "no collection");
    if (usesReportIds) {
        for (const HidMainField& f : fields) {
            if (f.reportId == 0)
                return fail(error, "report without an id in a descriptor that uses report ids");
        }
    }
    for (std::size_t c = 0; c < collections.size(); ++c) {
        HidCollectionInfo& info = collections[c];
        std::array<std::uint16_t, 3> lengths{};
        for (std::size_t id = 0; id < 256; ++id) {
            bool any = false;
            for (std::size_t t = 0; t < 3; ++t) {
                if (!reports_[c].used[t][id])
                    continue;
                any = true;
                // Fits: every report was checked against the 4096-byte limit.
                const auto bytes = static_cast<std::uint16_t>((reportBits_[t][id] + 7) / 8 + 1);
                lengths[t] = std::max(lengths[t], bytes);
            }
            if (any)
                info.reportIds.push_back(static_cast<std::uint8_t>(id));
        }
        info.inputReportByteLength = lengths[typeIndex(HidReportType::Input)];
        info.outputReportByteLength = lengths[typeIndex(HidReportType::Output)];
        info.featureReportByteLength = lengths[typeIndex(HidReportType::Feature)];
    }
    return true;
}

}  // namespace

bool HidReportDescriptor::parse(std::span<const std::uint8_t> bytes, std::string* error)
{
    collections_.clear();
    fields_.clear();
    usesReportIds_ = false;

    Parser parser(bytes);
    std::string reason;
    if (!parser.run(reason)) {
        if (error)
            *error = std::move(reason);
        return false;
    }
    collections_ = std::move(parser.collections);
    fields_ = std::move(parser.fields);
    usesReportIds_ = parser.usesReportIds;
    return true;
}

int HidReportDescriptor::findCollection(std::uint16_t usagePage, std::uint16_t usage) const
{
    for (std::size_t i = 0; i < collections_.size(); ++i) {
        if (collections_[i].usagePage == usagePage && collections_[i].usage == usage)
            return static_cast<int>(i);
    }
    return -1;
}

bool HidReportDescriptor::collectionHasReport(std::size_t collection, std::uint8_t reportId) const
{
    if (collection >= collections_.size())
        return false;
    if (!usesReportIds_)
        return true;
    const std::vector<std::uint8_t>& ids = collections_[collection].reportIds;
    return std::binary_search(ids.begin(), ids.end(), reportId);
}

}  // namespace corv
