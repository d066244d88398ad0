#include "sim/MouseTransport.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace corv::sim {
namespace {

constexpr int kUnlimitedWriteTimeoutMs = 1000;  // what a failed write costs when the caller gave no limit

constexpr Clock::duration kUsbFrame = std::chrono::milliseconds(1);

}  // namespace

Clock::time_point nextUsbFrame(Clock::time_point t)
{
    const Clock::duration since = t.time_since_epoch();
    Clock::duration frames = (since / kUsbFrame + 1) * kUsbFrame;
    if (since < Clock::duration::zero() && since % kUsbFrame != Clock::duration::zero())
        frames -= kUsbFrame;  // division rounds towards zero
    return Clock::time_point(frames);
}

MouseTransport::MouseTransport(Clock& clock, MouseFirmware& firmware, std::string pathPrefix)
    : clock_(clock), firmware_(firmware), pathPrefix_(std::move(pathPrefix))
{ }

MouseTransport::~MouseTransport()
{
    stopTimerThread();
    std::lock_guard<std::mutex> guard(mutex_);
    killHandlesLocked();
}

// ---- the nodes ------------------------------------------------------------------------

HidAttributes MouseTransport::attributes() const
{
    return HidAttributes{kMouseVendorId, kMouseProductId, firmware_.releaseNumber()};
}

std::string MouseTransport::interfacePath(int interfaceNumber) const
{
    if (interfaceNumber != kMouseInterface && interfaceNumber != kVendorInterface)
        return {};
    return pathPrefix_ + "/if" + std::to_string(interfaceNumber);
}

int MouseTransport::interfaceOfPath(const std::string& path) const
{
    if (path == interfacePath(kMouseInterface))
        return kMouseInterface;
    if (path == interfacePath(kVendorInterface))
        return kVendorInterface;
    return -1;
}

std::vector<HidInterfaceEntry> MouseTransport::enumerationEntries(const std::vector<MouseCollection>& order) const
{
    std::vector<HidInterfaceEntry> out;
    for (const MouseCollection collection : order) {
        const CollectionUsage usage = VirtualMouseDescriptor::usageOf(collection);
        HidInterfaceEntry entry;
        entry.path = interfacePath(usage.interfaceNumber);
        entry.vendorId = kMouseVendorId;
        entry.productId = kMouseProductId;
        entry.releaseNumber = firmware_.releaseNumber();
        entry.usagePage = usage.usagePage;
        entry.usage = usage.usage;
        entry.interfaceNumber = usage.interfaceNumber;
        out.push_back(std::move(entry));
    }
    return out;
}

// ---- plugging -------------------------------------------------------------------------

bool MouseTransport::handleAlive(const std::shared_ptr<HandleState>& handle) const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return plugged_ && !handle->dead;
}

bool MouseTransport::isPlugged() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return plugged_;
}

void MouseTransport::killHandlesLocked()
{
    for (const std::shared_ptr<HandleState>& handle : handles_) {
        handle->dead = true;
        handle->queue.clear();
    }
    handles_.clear();
    cv_.notify_all();
}

void MouseTransport::unplug()
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        plugged_ = false;
        killHandlesLocked();
        pending_.clear();
        firmware_.powerLost();
        ++scheduleVersion_;
        cv_.notify_all();
    }
    notifyPlugObservers();
}

void MouseTransport::plug()
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        plugged_ = true;
        cv_.notify_all();
    }
    notifyPlugObservers();
}

int MouseTransport::addPlugObserver(std::function<void()> observer)
{
    std::lock_guard<std::mutex> guard(observersMutex_);
    plugObservers_.emplace(nextObserverId_, std::move(observer));
    return nextObserverId_++;
}

void MouseTransport::removePlugObserver(int id)
{
    std::lock_guard<std::mutex> guard(observersMutex_);
    plugObservers_.erase(id);
}

void MouseTransport::notifyPlugObservers()
{
    std::lock_guard<std::mutex> guard(observersMutex_);
    for (const auto& [id, observer] : plugObservers_)
        observer();
}

// ---- host side ------------------------------------------------------------------------

std::shared_ptr<MouseTransport::HandleState> MouseTransport::attach(int interfaceNumber)
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

void MouseTransport::detach(const std::shared_ptr<HandleState>& handle)
{
    std::lock_guard<std::mutex> guard(mutex_);
    handles_.erase(std::remove(handles_.begin(), handles_.end(), handle), handles_.end());
    handle->dead = true;
    handle->queue.clear();
    cv_.notify_all();
}

std::size_t MouseTransport::openHandleCount() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return handles_.size();
}

int MouseTransport::hostWrite(const std::shared_ptr<HandleState>& handle, const std::uint8_t* data, std::size_t length,
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
    // The report leaves in the next frame; the deadline is absolute, so a late wake-up of the
    // caller before this write is not added to the frames that follow.
    Clock::time_point arrival{};
    if (latency == LatencyMode::UsbFullSpeed) {
        arrival = nextUsbFrame(clock_.now());
        clock_.sleepUntil(arrival);
    }

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
        processFrameLocked(request, latency == LatencyMode::UsbFullSpeed ? arrival : clock_.now());
        hook = requestHook_;
    }
    // Outside the lock: the hook may act on the mouse (unplug it, reset it).
    if (hook)
        hook(request);
    return written;
}

void MouseTransport::setRequestHook(std::function<void(const ReportFrame&)> hook)
{
    std::lock_guard<std::mutex> guard(mutex_);
    requestHook_ = std::move(hook);
}

int MouseTransport::hostRead(const std::shared_ptr<HandleState>& handle, std::uint8_t* buffer, std::size_t capacity,
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

void MouseTransport::hostCancel(const std::shared_ptr<HandleState>& handle)
{
    if (!handle)
        return;
    std::lock_guard<std::mutex> guard(mutex_);
    handle->cancelRequested = true;
    cv_.notify_all();
}

// ---- requests -------------------------------------------------------------------------

void MouseTransport::processFrameLocked(const ReportFrame& request, Clock::time_point arrival)
{
    const Clock::time_point now = arrival;
    log_.append(FrameDirection::Request, request, now);

    MouseFirmware::Reply reply;
    if (failRequests_ > 0) {
        --failRequests_;
        reply.answer = MouseFirmware::refuse(request, failStatus_);
    } else {
        reply = firmware_.execute(request);
    }

    const Clock::time_point answerTime = reportTimeLocked(now + answerDelay_);
    Clock::time_point eventTime = reportTimeLocked(now);
    if (dropAnswers_ > 0) {
        --dropAnswers_;  // executed, but the answer is lost
    } else {
        emitLocked(answerTime, kVendorInterface,
                   std::vector<std::uint8_t>(reply.answer.bytes.begin(), reply.answer.bytes.end()), true);
        eventTime = std::max(eventTime, answerTime);
    }
    if (reply.resetEvent)
        emitEventLocked(eventTime, kEventReset);
    if (reply.startsCalibration) {
        cancelCalibrationLocked();
        Action action;
        action.kind = ActionKind::Calibration;
        scheduleLocked(std::max(eventTime, now + firmware_.calibrationDelay()), std::move(action));
        pumpLocked();
    }
}

// ---- delivery and timing --------------------------------------------------------------

Clock::duration MouseTransport::reportLatency() const
{
    return latency_ == LatencyMode::UsbFullSpeed ? Clock::duration(std::chrono::milliseconds(1))
                                                 : Clock::duration::zero();
}

Clock::time_point MouseTransport::reportTimeLocked(Clock::time_point t) const
{
    return latency_ == LatencyMode::UsbFullSpeed ? nextUsbFrame(t) : t;
}

void MouseTransport::scheduleLocked(Clock::time_point due, Action action)
{
    // Whoever waits (a read, the timer thread) waits until the earliest due time at the latest:
    // only a new earliest one needs to wake them, not every answer queued behind it.
    const bool earliest = pending_.empty() || due < pending_.begin()->first.first;
    pending_.emplace(ActionKey{due, nextSequence_++}, std::move(action));
    if (earliest) {
        ++scheduleVersion_;
        cv_.notify_all();
    }
}

void MouseTransport::pumpLocked()
{
    const Clock::time_point now = clock_.now();
    while (!pending_.empty() && pending_.begin()->first.first <= now) {
        auto node = pending_.extract(pending_.begin());
        const Clock::time_point due = node.key().first;
        const Action& action = node.mapped();
        if (action.kind == ActionKind::Calibration)
            finishCalibrationLocked(due);
        else
            deliverLocked(action.interfaceNumber, action.report, action.isAnswer);
    }
}

void MouseTransport::deliverLocked(int interfaceNumber, const std::vector<std::uint8_t>& report, bool isAnswer)
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

void MouseTransport::emitLocked(Clock::time_point when, int interfaceNumber, std::vector<std::uint8_t> report,
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

void MouseTransport::emitEventLocked(Clock::time_point when, std::uint16_t usage)
{
    const std::vector<std::uint8_t> press = {kConsumerReportId, static_cast<std::uint8_t>(usage & 0xFF),
                                             static_cast<std::uint8_t>(usage >> 8)};
    const std::vector<std::uint8_t> release = {kConsumerReportId, 0, 0};
    emitLocked(when, kVendorInterface, press, false);
    emitLocked(when + reportLatency(), kVendorInterface, release, false);
}

void MouseTransport::tick()
{
    std::lock_guard<std::mutex> guard(mutex_);
    pumpLocked();
}

void MouseTransport::startTimerThread()
{
    std::lock_guard<std::mutex> guard(mutex_);
    if (timer_.joinable())
        return;
    timerStop_ = false;
    timer_ = std::thread([this] { timerLoop(); });
}

void MouseTransport::stopTimerThread()
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

void MouseTransport::timerLoop()
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

// ---- calibration ----------------------------------------------------------------------

void MouseTransport::finishCalibrationLocked(Clock::time_point when)
{
    const std::uint16_t result = firmware_.finishCalibration();
    emitEventLocked(std::max(reportTimeLocked(when), clock_.now()), result);
}

bool MouseTransport::cancelCalibrationLocked()
{
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->second.kind == ActionKind::Calibration) {
            pending_.erase(it);
            return true;
        }
    }
    return false;
}

bool MouseTransport::calibrationPending() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return std::any_of(pending_.begin(), pending_.end(),
                       [](const auto& entry) { return entry.second.kind == ActionKind::Calibration; });
}

bool MouseTransport::completePendingCalibration()
{
    std::lock_guard<std::mutex> guard(mutex_);
    pumpLocked();
    if (!cancelCalibrationLocked())
        return false;
    finishCalibrationLocked(clock_.now());
    return true;
}

// ---- the user at the mouse ------------------------------------------------------------

bool MouseTransport::actAtMouse(const std::function<std::uint16_t()>& act)
{
    std::lock_guard<std::mutex> guard(mutex_);
    pumpLocked();
    if (!plugged_)
        return false;
    const std::uint16_t usage = act();
    emitEventLocked(reportTimeLocked(clock_.now()), usage);
    return true;
}

bool MouseTransport::sendInputReport(int interfaceNumber, std::vector<std::uint8_t> report)
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

// ---- faults and latency ---------------------------------------------------------------

void MouseTransport::dropNextAnswers(int count)
{
    std::lock_guard<std::mutex> guard(mutex_);
    dropAnswers_ = std::max(count, 0);
}

void MouseTransport::failNextRequests(int count, std::uint8_t status)
{
    std::lock_guard<std::mutex> guard(mutex_);
    failRequests_ = std::max(count, 0);
    failStatus_ = status;
}

void MouseTransport::setAnswerDelay(std::chrono::milliseconds delay)
{
    std::lock_guard<std::mutex> guard(mutex_);
    answerDelay_ = std::max(delay, std::chrono::milliseconds(0));
}

void MouseTransport::failNextWrites(int count)
{
    std::lock_guard<std::mutex> guard(mutex_);
    failWrites_ = std::max(count, 0);
}

void MouseTransport::clearFaults()
{
    std::lock_guard<std::mutex> guard(mutex_);
    dropAnswers_ = 0;
    failRequests_ = 0;
    failStatus_ = kStatusInvalid;
    answerDelay_ = std::chrono::milliseconds(0);
    failWrites_ = 0;
}

void MouseTransport::setLatencyMode(LatencyMode mode)
{
    std::lock_guard<std::mutex> guard(mutex_);
    latency_ = mode;
}

LatencyMode MouseTransport::latencyMode() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return latency_;
}

}  // namespace corv::sim
