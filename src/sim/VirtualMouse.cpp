#include "sim/VirtualMouse.h"

#include <algorithm>
#include <cstring>

namespace corv::sim {
namespace {

constexpr std::size_t kActiveRecordAddress = 0;
constexpr std::size_t kMaxRecordIndex = kSettingsRecordCount - 1;
constexpr std::size_t kStageCount = 5;
constexpr std::size_t kCurrentStageByte = 20;
constexpr std::size_t kLiftOffByte = 23;
constexpr int kUnlimitedWriteTimeoutMs = 1000;  // what a failed write costs when the caller gave no limit

std::vector<std::uint8_t> toVector(const auto& array) { return std::vector<std::uint8_t>(array.begin(), array.end()); }

std::vector<std::uint8_t> settingsFactory(MouseModel model)
{
    std::vector<std::uint8_t> space;
    space.reserve(kSettingsRecordCount * kSettingsRecordSize);
    const auto record = FactoryMemory::settingsRecord(model);
    for (std::size_t r = 0; r < kSettingsRecordCount; ++r)
        space.insert(space.end(), record.begin(), record.end());
    space[kActiveRecordAddress] = 0;
    return space;
}

std::vector<std::uint8_t> buttonsFactory()
{
    std::vector<std::uint8_t> space;
    space.reserve(kButtonBlockCount * kButtonTableSize);
    const auto table = FactoryMemory::buttonTable();
    for (std::size_t b = 0; b < kButtonBlockCount; ++b)
        space.insert(space.end(), table.begin(), table.end());
    return space;
}

}  // namespace

VirtualMouse::VirtualMouse(Clock& clock, VirtualMouseConfig config)
    : clock_(clock), config_(std::move(config)),
      capacityUnits_(config_.macroCapacityUnits == 0 ? std::uint8_t{1} : config_.macroCapacityUnits),
      settings_(settingsFactory(config_.model)), buttons_(buttonsFactory()),
      defaultButtons_(toVector(FactoryMemory::buttonTable())), colors_(toVector(FactoryMemory::colorTable())),
      macros_(FactoryMemory::macroArea(std::size_t{capacityUnits_} * kMacroUnit)),
      calibrationDelay_(config_.calibrationDelay)
{ }

VirtualMouse::~VirtualMouse()
{
    stopTimerThread();
    std::lock_guard<std::mutex> guard(mutex_);
    killHandlesLocked();
}

// ---- identity -------------------------------------------------------------------------

std::array<std::uint8_t, kDeviceInfoSize> VirtualMouse::deviceInfo() const
{
    return FactoryMemory::deviceInfo(config_.model, config_.releaseNumber, capacityUnits_);
}

HidAttributes VirtualMouse::attributes() const
{
    return HidAttributes{kMouseVendorId, kMouseProductId, config_.releaseNumber};
}

std::string VirtualMouse::interfacePath(int interfaceNumber) const
{
    if (interfaceNumber != kMouseInterface && interfaceNumber != kVendorInterface)
        return {};
    return config_.pathPrefix + "/if" + std::to_string(interfaceNumber);
}

int VirtualMouse::interfaceOfPath(const std::string& path) const
{
    if (path == interfacePath(kMouseInterface))
        return kMouseInterface;
    if (path == interfacePath(kVendorInterface))
        return kVendorInterface;
    return -1;
}

std::vector<HidInterfaceEntry> VirtualMouse::enumerationEntries(const std::vector<MouseCollection>& order) const
{
    std::vector<HidInterfaceEntry> out;
    for (const MouseCollection collection : order) {
        const CollectionUsage usage = VirtualMouseDescriptor::usageOf(collection);
        HidInterfaceEntry entry;
        entry.path = interfacePath(usage.interfaceNumber);
        entry.vendorId = kMouseVendorId;
        entry.productId = kMouseProductId;
        entry.releaseNumber = config_.releaseNumber;
        entry.usagePage = usage.usagePage;
        entry.usage = usage.usage;
        entry.interfaceNumber = usage.interfaceNumber;
        out.push_back(std::move(entry));
    }
    return out;
}

// ---- plugging -------------------------------------------------------------------------

bool VirtualMouse::handleAlive(const std::shared_ptr<HandleState>& handle) const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return plugged_ && !handle->dead;
}

bool VirtualMouse::isPlugged() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return plugged_;
}

void VirtualMouse::killHandlesLocked()
{
    for (const std::shared_ptr<HandleState>& handle : handles_) {
        handle->dead = true;
        handle->queue.clear();
    }
    handles_.clear();
    cv_.notify_all();
}

void VirtualMouse::unplug()
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        plugged_ = false;
        killHandlesLocked();
        pending_.clear();
        transactionOpen_ = false;
        ++scheduleVersion_;
        cv_.notify_all();
    }
    notifyPlugObservers();
}

void VirtualMouse::plug()
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        plugged_ = true;
        cv_.notify_all();
    }
    notifyPlugObservers();
}

int VirtualMouse::addPlugObserver(std::function<void()> observer)
{
    std::lock_guard<std::mutex> guard(observersMutex_);
    plugObservers_.emplace(nextObserverId_, std::move(observer));
    return nextObserverId_++;
}

void VirtualMouse::removePlugObserver(int id)
{
    std::lock_guard<std::mutex> guard(observersMutex_);
    plugObservers_.erase(id);
}

void VirtualMouse::notifyPlugObservers()
{
    std::lock_guard<std::mutex> guard(observersMutex_);
    for (const auto& [id, observer] : plugObservers_)
        observer();
}

// ---- host side ------------------------------------------------------------------------

std::shared_ptr<VirtualMouse::HandleState> VirtualMouse::attach(int interfaceNumber)
{
    if (interfaceNumber != kMouseInterface && interfaceNumber != kVendorInterface)
        return nullptr;
    std::lock_guard<std::mutex> guard(mutex_);
    if (!plugged_)
        return nullptr;
    auto handle = std::make_shared<HandleState>();
    handle->interfaceNumber = interfaceNumber;
    handles_.push_back(handle);
    return handle;
}

void VirtualMouse::detach(const std::shared_ptr<HandleState>& handle)
{
    std::lock_guard<std::mutex> guard(mutex_);
    handles_.erase(std::remove(handles_.begin(), handles_.end(), handle), handles_.end());
    handle->dead = true;
    handle->queue.clear();
    cv_.notify_all();
}

std::size_t VirtualMouse::openHandleCount() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return handles_.size();
}

int VirtualMouse::hostWrite(const std::shared_ptr<HandleState>& handle, const std::uint8_t* data, std::size_t length,
                            int timeoutMs)
{
    if (!handle || data == nullptr || length == 0)
        return -1;
    bool lost = false;
    LatencyMode latency = LatencyMode::None;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        pumpLocked();
        if (handle->dead || !plugged_)
            return -1;
        if (failWrites_ > 0) {
            --failWrites_;
            lost = true;
        }
        latency = latency_;
    }
    if (lost) {
        // The report never reaches the mouse: the write waits for its whole timeout.
        clock_.sleepFor(std::chrono::milliseconds(timeoutMs >= 0 ? timeoutMs : kUnlimitedWriteTimeoutMs));
        return -1;
    }
    if (latency == LatencyMode::UsbFullSpeed)
        clock_.sleepFor(std::chrono::milliseconds(1));

    const int written = static_cast<int>(length);
    ReportFrame request;
    std::function<void(const ReportFrame&)> hook;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        pumpLocked();
        if (handle->dead || !plugged_)
            return -1;
        if (handle->interfaceNumber != kVendorInterface)
            return -1;  // the boot mouse has no output report
        if (data[0] == kKeyboardReportId && length == kKeyboardOutputReportBytes)
            return written;  // keyboard LEDs: nothing to light
        if (data[0] != kVendorReportId || length != kFrameSize)
            return -1;
        std::memcpy(request.bytes.data(), data, kFrameSize);
        processFrameLocked(request);
        hook = requestHook_;
    }
    if (hook)
        hook(request);
    return written;
}

void VirtualMouse::setRequestHook(std::function<void(const ReportFrame&)> hook)
{
    std::lock_guard<std::mutex> guard(mutex_);
    requestHook_ = std::move(hook);
}

int VirtualMouse::hostRead(const std::shared_ptr<HandleState>& handle, std::uint8_t* buffer, std::size_t capacity,
                           int timeoutMs)
{
    if (!handle || buffer == nullptr || capacity == 0)
        return kHidReadError;
    std::unique_lock<std::mutex> lock(mutex_);
    const bool unlimited = timeoutMs < 0;
    const Clock::time_point deadline = clock_.now() + std::chrono::milliseconds(unlimited ? 0 : timeoutMs);
    for (;;) {
        pumpLocked();
        if (handle->dead)
            return kHidReadError;
        if (handle->cancelRequested) {
            handle->cancelRequested = false;
            return kHidReadCancelled;
        }
        if (!handle->queue.empty()) {
            const std::vector<std::uint8_t> report = std::move(handle->queue.front());
            handle->queue.pop_front();
            const std::size_t n = std::min(capacity, report.size());
            std::memcpy(buffer, report.data(), n);
            return static_cast<int>(n);
        }
        if (!unlimited && clock_.now() >= deadline)
            return kHidReadTimeout;

        const std::uint64_t version = scheduleVersion_;
        const auto woken = [&] {
            return handle->dead || handle->cancelRequested || !handle->queue.empty() || scheduleVersion_ != version;
        };
        std::optional<Clock::time_point> wake;
        if (!unlimited)
            wake = deadline;
        if (!pending_.empty()) {
            const Clock::time_point due = pending_.begin()->first.first;
            wake = wake ? std::min(*wake, due) : due;
        }
        ++blockedReads_;
        if (wake)
            clock_.waitUntil(lock, cv_, *wake, woken);
        else
            cv_.wait(lock, woken);
        --blockedReads_;
    }
}

void VirtualMouse::hostCancel(const std::shared_ptr<HandleState>& handle)
{
    if (!handle)
        return;
    std::lock_guard<std::mutex> guard(mutex_);
    handle->cancelRequested = true;
    cv_.notify_all();
}

// ---- timing ---------------------------------------------------------------------------

Clock::duration VirtualMouse::reportLatency() const
{
    return latency_ == LatencyMode::UsbFullSpeed ? Clock::duration(std::chrono::milliseconds(1))
                                                 : Clock::duration::zero();
}

void VirtualMouse::scheduleLocked(Clock::time_point due, Action action)
{
    pending_.emplace(ActionKey{due, nextSequence_++}, std::move(action));
    ++scheduleVersion_;
    cv_.notify_all();
}

void VirtualMouse::pumpLocked()
{
    const Clock::time_point now = clock_.now();
    while (!pending_.empty() && pending_.begin()->first.first <= now) {
        auto node = pending_.extract(pending_.begin());
        const Clock::time_point due = node.key().first;
        if (node.mapped().kind == ActionKind::Calibration)
            finishCalibrationLocked(due);
        else
            runLocked(node.mapped());
    }
}

void VirtualMouse::runLocked(Action& action) { deliverLocked(action.interfaceNumber, action.report, action.isAnswer); }

void VirtualMouse::deliverLocked(int interfaceNumber, const std::vector<std::uint8_t>& report, bool isAnswer)
{
    if (!plugged_)
        return;
    if (isAnswer) {
        ReportFrame frame;
        std::memcpy(frame.bytes.data(), report.data(), std::min(report.size(), kFrameSize));
        log_.append(FrameDirection::Answer, frame, clock_.now());
    }
    for (const std::shared_ptr<HandleState>& handle : handles_) {
        if (handle->interfaceNumber != interfaceNumber || handle->dead)
            continue;
        if (handle->queue.size() < kHandleQueueLimit)
            handle->queue.push_back(report);
    }
    cv_.notify_all();
}

void VirtualMouse::emitLocked(Clock::time_point when, int interfaceNumber, std::vector<std::uint8_t> report,
                              bool isAnswer)
{
    if (when <= clock_.now() && pending_.empty()) {
        deliverLocked(interfaceNumber, report, isAnswer);
        return;
    }
    // Something is still on its way: keep the order by going through the schedule.
    Action action;
    action.kind = ActionKind::Deliver;
    action.interfaceNumber = interfaceNumber;
    action.report = std::move(report);
    action.isAnswer = isAnswer;
    scheduleLocked(when, std::move(action));
    pumpLocked();
}

void VirtualMouse::emitEventLocked(Clock::time_point when, std::uint16_t usage)
{
    const std::vector<std::uint8_t> press = {kConsumerReportId, static_cast<std::uint8_t>(usage & 0xFF),
                                             static_cast<std::uint8_t>(usage >> 8)};
    const std::vector<std::uint8_t> release = {kConsumerReportId, 0, 0};
    emitLocked(when, kVendorInterface, press, false);
    emitLocked(when + reportLatency(), kVendorInterface, release, false);
}

void VirtualMouse::tick()
{
    std::lock_guard<std::mutex> guard(mutex_);
    pumpLocked();
}

void VirtualMouse::startTimerThread()
{
    std::lock_guard<std::mutex> guard(mutex_);
    if (timer_.joinable())
        return;
    timerStop_ = false;
    timer_ = std::thread([this] { timerLoop(); });
}

void VirtualMouse::stopTimerThread()
{
    std::thread thread;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!timer_.joinable())
            return;
        timerStop_ = true;
        cv_.notify_all();
        thread = std::move(timer_);
    }
    thread.join();
}

void VirtualMouse::timerLoop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!timerStop_) {
        pumpLocked();
        const std::uint64_t version = scheduleVersion_;
        const auto woken = [&] { return timerStop_ || scheduleVersion_ != version; };
        if (pending_.empty()) {
            cv_.wait(lock, woken);
        } else {
            const Clock::time_point due = pending_.begin()->first.first;  // a copy: the entry may go while we wait
            clock_.waitUntil(lock, cv_, due, woken);
        }
    }
}

// ---- commands -------------------------------------------------------------------------

void VirtualMouse::processFrameLocked(const ReportFrame& request)
{
    const Clock::time_point now = clock_.now();
    log_.append(FrameDirection::Request, request, now);

    ReportFrame answer = request;
    bool resetEvent = false;
    bool calibrate = false;
    std::uint8_t status = failStatus_;
    if (failRequests_ > 0)
        --failRequests_;
    else
        status = executeLocked(request, answer, resetEvent, calibrate);
    answer.bytes[kFrameOffsetStatus] = status;
    if (status != kStatusOk)
        std::fill(answer.data().begin(), answer.data().end(), std::uint8_t{0});  // an error carries no data
    answer.bytes[0] = kVendorReportId;
    answer.updateChecksum();

    const Clock::time_point answerTime = now + answerDelay_ + reportLatency();
    Clock::time_point eventTime = now + reportLatency();
    if (dropAnswers_ > 0) {
        --dropAnswers_;  // executed, but the answer is lost
    } else {
        emitLocked(answerTime, kVendorInterface, toVector(answer.bytes), true);
        eventTime = std::max(eventTime, answerTime);
    }
    if (resetEvent)
        emitEventLocked(eventTime, kEventReset);
    if (calibrate) {
        cancelCalibrationLocked();
        Action action;
        action.kind = ActionKind::Calibration;
        scheduleLocked(std::max(eventTime, now + calibrationDelay_), std::move(action));
        pumpLocked();
    }
}

std::uint8_t VirtualMouse::executeLocked(const ReportFrame& request, ReportFrame& answer, bool& resetEvent,
                                         bool& calibrate)
{
    if (request.computeChecksum() != request.storedChecksum())
        return kStatusBadChecksum;
    const std::size_t length = request.length();
    const std::size_t address = request.address();
    if (length > kFrameDataSize)
        return kStatusInvalid;

    const auto readArea = [&](MemoryArea area) -> std::uint8_t {
        const std::vector<std::uint8_t>& bytes = *areaLocked(area);
        if (address + length > bytes.size())
            return kStatusInvalid;
        std::fill(answer.data().begin(), answer.data().end(), std::uint8_t{0});
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(address), length, answer.data().begin());
        return kStatusOk;
    };
    const auto writeArea = [&](MemoryArea area) -> std::uint8_t {
        std::vector<std::uint8_t>& bytes = *areaLocked(area);
        if (address + length > bytes.size())
            return kStatusInvalid;
        std::copy_n(request.data().begin(), length, bytes.begin() + static_cast<std::ptrdiff_t>(address));
        return kStatusOk;
    };

    switch (request.command()) {
    case CMD_BEGIN:
        transactionOpen_ = true;
        return kStatusOk;
    case CMD_END:
        transactionOpen_ = false;
        return kStatusOk;
    case CMD_GET_INFO: {
        const auto info = deviceInfo();
        std::fill(answer.data().begin(), answer.data().end(), std::uint8_t{0});
        std::copy(info.begin(), info.end(), answer.data().begin());
        return kStatusOk;
    }
    case CMD_READ_SETTINGS:
        return readArea(MemoryArea::Settings);
    case CMD_WRITE_SETTINGS:
        if (address == kActiveRecordAddress && length > 0 && request.data()[0] > kMaxRecordIndex)
            return kStatusInvalid;  // there is no such record
        return writeArea(MemoryArea::Settings);
    case CMD_READ_DEFAULT_BUTTONS:
        return readArea(MemoryArea::DefaultButtons);
    case CMD_READ_BUTTONS:
        return readArea(MemoryArea::Buttons);
    case CMD_WRITE_BUTTONS:
        return writeArea(MemoryArea::Buttons);
    case CMD_WRITE_COLORS:
        return writeArea(MemoryArea::Colors);
    case CMD_RESTORE_DEFAULTS:
        restoreDefaultsLocked();
        resetEvent = true;
        return kStatusOk;
    case CMD_READ_MACROS:
        return readArea(MemoryArea::Macros);
    case CMD_WRITE_MACROS:
        return writeArea(MemoryArea::Macros);
    case CMD_CALIBRATE:
        calibrate = true;
        return kStatusOk;
    default:
        return kStatusInvalid;
    }
}

void VirtualMouse::restoreDefaultsLocked()
{
    settings_ = settingsFactory(config_.model);
    buttons_ = buttonsFactory();
    colors_ = toVector(FactoryMemory::colorTable());
    transactionOpen_ = false;
}

// ---- calibration ----------------------------------------------------------------------

void VirtualMouse::finishCalibrationLocked(Clock::time_point when)
{
    const bool ok = nextCalibrationOk_;
    if (ok && nextCalibrationLiftOff_) {
        const std::size_t record = std::min<std::size_t>(settings_[kActiveRecordAddress], kMaxRecordIndex);
        settings_[record * kSettingsRecordSize + kLiftOffByte] = *nextCalibrationLiftOff_;
    }
    nextCalibrationOk_ = true;
    nextCalibrationLiftOff_.reset();
    emitEventLocked(std::max(when + reportLatency(), clock_.now()), ok ? kEventCalibrationOk : kEventCalibrationFail);
}

bool VirtualMouse::cancelCalibrationLocked()
{
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->second.kind == ActionKind::Calibration) {
            pending_.erase(it);
            return true;
        }
    }
    return false;
}

void VirtualMouse::setCalibrationDelay(std::chrono::milliseconds delay)
{
    std::lock_guard<std::mutex> guard(mutex_);
    calibrationDelay_ = std::max(delay, std::chrono::milliseconds(0));
}

void VirtualMouse::setNextCalibrationOutcome(bool ok, std::optional<std::uint8_t> liftOff)
{
    std::lock_guard<std::mutex> guard(mutex_);
    nextCalibrationOk_ = ok;
    nextCalibrationLiftOff_ = liftOff;
}

bool VirtualMouse::calibrationPending() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return std::any_of(pending_.begin(), pending_.end(),
                       [](const auto& entry) { return entry.second.kind == ActionKind::Calibration; });
}

bool VirtualMouse::completePendingCalibration()
{
    std::lock_guard<std::mutex> guard(mutex_);
    pumpLocked();
    if (!cancelCalibrationLocked())
        return false;
    finishCalibrationLocked(clock_.now());
    return true;
}

// ---- the user at the mouse ------------------------------------------------------------

bool VirtualMouse::pressDpiButton()
{
    std::lock_guard<std::mutex> guard(mutex_);
    pumpLocked();
    if (!plugged_)
        return false;
    const std::size_t record = std::min<std::size_t>(settings_[kActiveRecordAddress], kMaxRecordIndex);
    std::uint8_t& stage = settings_[record * kSettingsRecordSize + kCurrentStageByte];
    stage = stage + 1u >= kStageCount ? std::uint8_t{0} : static_cast<std::uint8_t>(stage + 1);
    emitEventLocked(clock_.now() + reportLatency(), kEventSync);
    return true;
}

bool VirtualMouse::restoreDefaultsAtMouse()
{
    std::lock_guard<std::mutex> guard(mutex_);
    pumpLocked();
    if (!plugged_)
        return false;
    restoreDefaultsLocked();
    emitEventLocked(clock_.now() + reportLatency(), kEventReset);
    return true;
}

bool VirtualMouse::sendConsumerUsage(std::uint16_t usage)
{
    std::lock_guard<std::mutex> guard(mutex_);
    pumpLocked();
    if (!plugged_)
        return false;
    emitEventLocked(clock_.now() + reportLatency(), usage);
    return true;
}

bool VirtualMouse::sendInputReport(int interfaceNumber, std::vector<std::uint8_t> report)
{
    if ((interfaceNumber != kMouseInterface && interfaceNumber != kVendorInterface) || report.empty())
        return false;
    std::lock_guard<std::mutex> guard(mutex_);
    pumpLocked();
    if (!plugged_)
        return false;
    emitLocked(clock_.now(), interfaceNumber, std::move(report), false);
    return true;
}

// ---- memory ---------------------------------------------------------------------------

std::vector<std::uint8_t>* VirtualMouse::areaLocked(MemoryArea area)
{
    switch (area) {
    case MemoryArea::Settings:
        return &settings_;
    case MemoryArea::Buttons:
        return &buttons_;
    case MemoryArea::DefaultButtons:
        return &defaultButtons_;
    case MemoryArea::Colors:
        return &colors_;
    case MemoryArea::Macros:
        return &macros_;
    }
    return &settings_;
}

const std::vector<std::uint8_t>* VirtualMouse::areaLocked(MemoryArea area) const
{
    return const_cast<VirtualMouse*>(this)->areaLocked(area);
}

std::size_t VirtualMouse::areaSize(MemoryArea area) const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return areaLocked(area)->size();
}

std::vector<std::uint8_t> VirtualMouse::memory(MemoryArea area) const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return *areaLocked(area);
}

bool VirtualMouse::readMemory(MemoryArea area, std::size_t address, std::span<std::uint8_t> out) const
{
    std::lock_guard<std::mutex> guard(mutex_);
    const std::vector<std::uint8_t>& bytes = *areaLocked(area);
    if (address > bytes.size() || out.size() > bytes.size() - address)
        return false;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(address), out.size(), out.begin());
    return true;
}

bool VirtualMouse::writeMemory(MemoryArea area, std::size_t address, std::span<const std::uint8_t> data)
{
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<std::uint8_t>& bytes = *areaLocked(area);
    if (address > bytes.size() || data.size() > bytes.size() - address)
        return false;
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(address));
    return true;
}

std::uint8_t VirtualMouse::activeRecord() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return settings_[kActiveRecordAddress];
}

std::array<std::uint8_t, kSettingsRecordSize> VirtualMouse::settingsRecord(std::size_t record) const
{
    std::array<std::uint8_t, kSettingsRecordSize> out{};
    if (record < kSettingsRecordCount)
        readMemory(MemoryArea::Settings, record * kSettingsRecordSize, out);
    return out;
}

std::array<std::uint8_t, kButtonTableSize> VirtualMouse::buttonBlock(std::size_t block) const
{
    std::array<std::uint8_t, kButtonTableSize> out{};
    if (block < kButtonBlockCount)
        readMemory(MemoryArea::Buttons, block * kButtonTableSize, out);
    return out;
}

std::uint8_t VirtualMouse::currentStage() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    const std::size_t record = std::min<std::size_t>(settings_[kActiveRecordAddress], kMaxRecordIndex);
    return settings_[record * kSettingsRecordSize + kCurrentStageByte];
}

void VirtualMouse::resetToFactory()
{
    std::lock_guard<std::mutex> guard(mutex_);
    restoreDefaultsLocked();
    defaultButtons_ = toVector(FactoryMemory::buttonTable());
    macros_ = FactoryMemory::macroArea(std::size_t{capacityUnits_} * kMacroUnit);
}

bool VirtualMouse::transactionOpen() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return transactionOpen_;
}

// ---- faults and latency ---------------------------------------------------------------

void VirtualMouse::dropNextAnswers(int count)
{
    std::lock_guard<std::mutex> guard(mutex_);
    dropAnswers_ = std::max(count, 0);
}

void VirtualMouse::failNextRequests(int count, std::uint8_t status)
{
    std::lock_guard<std::mutex> guard(mutex_);
    failRequests_ = std::max(count, 0);
    failStatus_ = status;
}

void VirtualMouse::setAnswerDelay(std::chrono::milliseconds delay)
{
    std::lock_guard<std::mutex> guard(mutex_);
    answerDelay_ = std::max(delay, std::chrono::milliseconds(0));
}

void VirtualMouse::failNextWrites(int count)
{
    std::lock_guard<std::mutex> guard(mutex_);
    failWrites_ = std::max(count, 0);
}

void VirtualMouse::clearFaults()
{
    std::lock_guard<std::mutex> guard(mutex_);
    dropAnswers_ = 0;
    failRequests_ = 0;
    failStatus_ = kStatusInvalid;
    answerDelay_ = std::chrono::milliseconds(0);
    failWrites_ = 0;
}

void VirtualMouse::setLatencyMode(LatencyMode mode)
{
    std::lock_guard<std::mutex> guard(mutex_);
    latency_ = mode;
}

LatencyMode VirtualMouse::latencyMode() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return latency_;
}

}  // namespace corv::sim
