#include "device/HidDeviceInfo.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

#include "device/DeviceProtocol.h"

namespace corv {
namespace {

constexpr std::size_t kMaxReportBytes = 4096;

int remainingMs(Clock& clock, Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock.now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, 1 << 30)) : 0;
}

}  // namespace

HidDeviceInfo::HidDeviceInfo(HidBackend& backend, Clock& clock) : backend_(backend), clock_(clock) { }

HidDeviceInfo::~HidDeviceInfo() { destroy(); }

bool HidDeviceInfo::enumerate()
{
    pathList_.clear();
    std::vector<HidInterfaceEntry> found;
    if (!backend_.enumerate(found))
        return false;
    pathList_ = std::move(found);
    return true;
}

std::shared_ptr<HidHandle> HidDeviceInfo::currentHandle() const
{
    std::lock_guard<std::mutex> guard(handleMutex_);
    return handle_;
}

bool HidDeviceInfo::isOpen() const { return currentHandle() != nullptr; }

bool HidDeviceInfo::open(const HidInterfaceEntry& entry)
{
    closeDevice();
    path_ = entry.path;

    HidOpenError error = HidOpenError::None;
    std::unique_ptr<HidHandle> opened = backend_.open(entry.path, &error);
    if (!opened) {
        if (error == HidOpenError::PermissionDenied)
            matchOutcome_ = HidMatchOutcome::NoPermission;
        return false;
    }

    // Capabilities come from the node's report descriptor: the collection this entry names.
    HidReportDescriptor parsed;
    const std::vector<std::uint8_t> bytes = opened->reportDescriptor();
    if (bytes.empty() || !parsed.parse(bytes))
        return false;
    const int index = parsed.findCollection(entry.usagePage, entry.usage);
    if (index < 0)
        return false;

    descriptor_ = std::move(parsed);
    collection_ = static_cast<std::size_t>(index);
    const HidCollectionInfo& info = descriptor_.collections()[collection_];
    caps_.usagePage = info.usagePage;
    caps_.usage = info.usage;
    caps_.inputReportByteLength = info.inputReportByteLength;
    caps_.outputReportByteLength = info.outputReportByteLength;
    caps_.featureReportByteLength = info.featureReportByteLength;
    attributes_ = opened->attributes();
    inputData_ = buildInputDataDescriptors(descriptor_, collection_);

    std::lock_guard<std::mutex> guard(handleMutex_);
    handle_ = std::move(opened);
    return true;
}

void HidDeviceInfo::closeDevice()
{
    std::shared_ptr<HidHandle> old;
    {
        std::lock_guard<std::mutex> guard(handleMutex_);
        old = std::move(handle_);
        handle_.reset();
    }
    if (old)
        old->cancel();  // a read still waiting on it returns at once; it keeps its own reference
    caps_ = {};
    attributes_ = {};
    descriptor_ = {};
    collection_ = 0;
    inputData_.clear();
}

void HidDeviceInfo::destroy()
{
    closeDevice();
    pathList_.clear();
    nextIndex = 0;
}

bool HidDeviceInfo::findDevice(const ChannelIdentity& identity)
{
    matchOutcome_ = HidMatchOutcome::NotPresent;
    bool sawPermissionProblem = false;
    for (nextIndex = 0; nextIndex < pathList_.size();) {
        const HidInterfaceEntry entry = pathList_[nextIndex++];
        if (entry.path.empty())
            break;
        if (entry.vendorId != identity.vendorId || entry.productId != identity.productId ||
            entry.usagePage != identity.usagePage || entry.usage != identity.usage)
            continue;
        if (!open(entry)) {
            sawPermissionProblem = sawPermissionProblem || matchOutcome_ == HidMatchOutcome::NoPermission;
            matchOutcome_ = HidMatchOutcome::NotPresent;
            continue;
        }
        // Verify what was actually opened.
        if (attributes_.vendorId == identity.vendorId && attributes_.productId == identity.productId &&
            caps_.usagePage == identity.usagePage && caps_.usage == identity.usage) {
            matchOutcome_ = HidMatchOutcome::Found;
            return true;
        }
        closeDevice();
    }
    matchOutcome_ = sawPermissionProblem ? HidMatchOutcome::NoPermission : HidMatchOutcome::NotPresent;
    return false;
}

bool HidDeviceInfo::findChannelDevice(const ChannelIdentity& identity) { return findDevice(identity); }

bool HidDeviceInfo::findListenerDevice()
{
    // Fixed identity: the consumer-control collection of the mouse.
    return findDevice(ChannelIdentity{kMouseVendorId, kMouseProductId, kConsumerControlUsage, kConsumerUsagePage});
}

bool HidDeviceInfo::write(const std::uint8_t* data, std::size_t length, int timeoutMs, std::size_t* transferred)
{
    if (transferred)
        *transferred = 0;
    const std::shared_ptr<HidHandle> handle = currentHandle();
    if (!handle || data == nullptr || length == 0)
        return false;
    const int written = handle->write(data, length, timeoutMs);
    if (written <= 0)
        return false;
    if (transferred)
        *transferred = static_cast<std::size_t>(written);
    return static_cast<std::size_t>(written) == length;
}

bool HidDeviceInfo::read(std::uint8_t* buffer, std::size_t length, int timeoutMs, std::size_t* transferred)
{
    if (transferred)
        *transferred = 0;
    const std::shared_ptr<HidHandle> handle = currentHandle();
    if (!handle || buffer == nullptr || length == 0)
        return false;

    const bool unlimited = timeoutMs < 0;
    const Clock::time_point deadline = clock_.now() + std::chrono::milliseconds(unlimited ? 0 : timeoutMs);
    std::array<std::uint8_t, kMaxReportBytes> report{};
    for (;;) {
        const int wait = unlimited ? -1 : remainingMs(clock_, deadline);
        const int got = handle->read(report.data(), report.size(), wait);
        if (got <= 0)
            return false;  // timeout, cancel or a gone device
        const std::size_t size = static_cast<std::size_t>(got);
        // Another collection's report on the same node: not ours, keep waiting.
        if (descriptor_.collectionHasReport(collection_, report[0])) {
            const std::size_t n = std::min(size, length);
            std::memcpy(buffer, report.data(), n);
            if (n < length)
                std::memset(buffer + n, 0, length - n);
            if (transferred)
                *transferred = n;
            return true;
        }
        if (!unlimited && remainingMs(clock_, deadline) == 0)
            return false;
    }
}

std::size_t HidDeviceInfo::drainInput()
{
    const std::shared_ptr<HidHandle> handle = currentHandle();
    if (!handle)
        return 0;
    std::array<std::uint8_t, kMaxReportBytes> report{};
    std::size_t dropped = 0;
    // Bounded, so a device that floods reports cannot hold the caller here.
    while (dropped < 256 && handle->read(report.data(), report.size(), 0) > 0)
        ++dropped;
    return dropped;
}

void HidDeviceInfo::cancel()
{
    if (const std::shared_ptr<HidHandle> handle = currentHandle())
        handle->cancel();
}

bool HidDeviceInfo::probe() const
{
    if (path_.empty() || !backend_.isPresent(path_))
        return false;
    const std::shared_ptr<HidHandle> handle = currentHandle();
    return handle == nullptr || handle->alive();
}

}  // namespace corv
