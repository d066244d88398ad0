#include "device/DeviceConnection.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <optional>

#include "device/DeviceChannel.h"
#include "platform/StopWait.h"

namespace corv {

namespace {

std::uint16_t u16At(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

DeviceConnection::DeviceConnection(DeviceChannel& channel, DeviceState& state, ConnectionHost& host, Clock& clock)
    : channel_(channel), state_data_(state), host_(host), clock_(clock)
{ }

bool DeviceConnection::pause(Clock::duration d, const std::stop_token& stop)
{
    return waitUnlessStopped(clock_, d, stop);
}

void DeviceConnection::run(std::stop_token stop)
{
    HotplugSignal* notices = channel_.device().hotplug();
    for (;;) {
        // Taken before the cycle: a notice that comes during it starts the next one at once.
        const std::uint64_t seen = notices != nullptr ? notices->generation() : 0;
        const bool wasOpen = channel_.isOpen();
        if (!runCycle(stop))
            break;
        // Lost: search at once, since a mouse plugged in again may be back already and its
        // notice may have come before this cycle.
        if (wasOpen && !channel_.isOpen())
            continue;
        const bool waited = notices != nullptr && notices->live()
                                ? notices->waitForChange(seen, std::nullopt, stop)
                                : pause(channel_.isOpen() ? kConnectedPoll : kAbsentPoll, stop);
        if (!waited)
            break;
    }
    state_ = State::Ended;
}

bool DeviceConnection::runCycle(const std::stop_token& stop)
{
    enum class After { Nothing, Connected, Lost, Refused } after = After::Nothing;
    {
        std::lock_guard<std::recursive_mutex> guard(channel_.lock());
        HidDeviceInfo& device = channel_.device();
        if (!channel_.isOpen()) {
            device.nextIndex = 0;
            if (!device.enumerate() || !host_.windowAlive() || stop.stop_requested()) {
                state_ = State::Ended;
                return false;
            }
            if (device.findChannelDevice(channel_.identity())) {
                refusedReported_ = false;
                {
                    std::lock_guard<std::recursive_mutex> state(channel_.stateLock());
                    state_data_.firmwareVersion = device.attributes().versionNumber;
                }
                channel_.setOpen(true);
                state_ = State::Connecting;
                if (!pause(kConnectPause, stop))
                    return false;
                // An area whose write was cut off holds no library to rebuild.
                if (!host_.restoreMacroArea())
                    readMacroArea();
                readDeviceState(host_.connectProfilePath());
                if (!pause(kConnectPause, stop))
                    return false;
                after = After::Connected;
            } else if (device.lastMatchOutcome() == HidMatchOutcome::NoPermission && !refusedReported_) {
                refusedReported_ = true;
                after = After::Refused;
            }
        } else if (!device.probe()) {
            channel_.setOpen(false);
            std::lock_guard<std::recursive_mutex> state(channel_.stateLock());
            state_data_.DeviceInfo[kInfoDpiCount] = 0;
            state_ = State::Absent;
            after = After::Lost;
        }
    }
    switch (after) {
    case After::Connected:
        host_.setConnected(true);
        state_ = State::Connected;
        host_.connectSequenceDone();
        break;
    case After::Lost:
        host_.setConnected(false);
        host_.mouseLost();
        break;
    case After::Refused:
        host_.openRefused();
        break;
    case After::Nothing:
        break;
    }
    return true;
}

bool DeviceConnection::readMacroArea()
{
    std::lock_guard<std::recursive_mutex> guard(channel_.lock());
    channel_.begin();
    std::array<std::uint8_t, 16> header{};
    if (channel_.readMacros(header.data(), header.size()) != kResultOk || u16At(header.data()) != kMacroSignature)
        return false;
    const std::size_t total = u16At(header.data() + 2);
    std::vector<std::uint8_t> area(total);
    if (channel_.readMacros(area.data(), area.size()) != kResultOk)
        return false;
    channel_.end();
    host_.macroAreaRead(area);
    return true;
}

int DeviceConnection::refreshIdentity()
{
    std::lock_guard<std::recursive_mutex> guard(channel_.lock());
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    const int result = channel_.getInfo(info);
    if (result == kResultOk) {
        std::lock_guard<std::recursive_mutex> state(channel_.stateLock());
        state_data_.DeviceInfo = info;
    }
    return result;
}

bool DeviceConnection::readActiveRecord(std::uint8_t& n)
{
    std::uint8_t active = 0;
    if (channel_.readSettings(0, &active, 1) != kResultOk || active >= kSettingsRecordCount)
        return false;  // a record number the mouse cannot have is as good as no answer
    n = active;
    return true;
}

bool DeviceConnection::readDeviceState(const std::filesystem::path& profileFile)
{
    std::lock_guard<std::recursive_mutex> guard(channel_.lock());
    DeviceState& s = state_data_;
    channel_.begin();
    const bool identity = refreshIdentity() == kResultOk;

    std::array<std::uint8_t, kButtonTableSize> buttons{};
    if (channel_.readDefaultButtons(buttons) == kResultOk) {
        std::lock_guard<std::recursive_mutex> state(channel_.stateLock());
        s.DefaultButtonTable = buttons;
    }

    std::uint8_t n = 0;
    {
        std::lock_guard<std::recursive_mutex> state(channel_.stateLock());
        n = s.activeRecord();
    }
    const bool haveRecord = readActiveRecord(n);
    std::array<std::uint8_t, kSettingsRecordSize> record{};
    const bool haveSettings = haveRecord && channel_.readSettings(static_cast<std::uint16_t>(n * kSettingsRecordSize),
                                                                  record.data(), kSettingsWriteSize) == kResultOk;
    record[0] = n;
    // Every record's button block, so that the one chosen later is shown and written as the
    // mouse has it. A block that cannot be read is marked unknown and is never sent.
    std::array<std::optional<std::array<std::uint8_t, kButtonTableSize>>, kButtonBlockCount> blocks;
    for (unsigned b = 0; b < kButtonBlockCount; ++b) {
        if (channel_.readButtons(b, buttons) == kResultOk)
            blocks[b] = buttons;
    }
    channel_.end();

    DeviceCapture capture;
    capture.file = profileFile;
    {
        std::lock_guard<std::recursive_mutex> state(channel_.stateLock());
        if (haveSettings)
            std::copy(record.begin(), record.begin() + kProfileByteCount, s.CurrentSettings.begin());
        for (std::size_t b = 0; b < kButtonBlockCount; ++b) {
            s.buttonBlockRead[b] = blocks[b].has_value();
            if (blocks[b])
                s.ButtonImage[b] = *blocks[b];
        }
        ++s.stateReads;
        const std::uint16_t model = s.modelId();
        clampDpiStages(s.CurrentSettings, model, false);
        capture.modelId = model;
        if (haveSettings) {
            clampDpiStages(record, model, true);
            s.SettingsImage[n] = record;
        }
    }
    // The profile's KEY0..KEY8 are the active record's buttons; record 5 has none of its own.
    const bool haveButtons = haveRecord && n < kButtonBlockCount && blocks[n].has_value();
    if (haveButtons)
        buttons = *blocks[n];
    if (haveSettings) {
        capture.haveSettings = true;
        std::copy(record.begin(), record.begin() + kProfileByteCount, capture.settings.begin());
    }
    if (haveButtons) {
        capture.haveButtons = true;
        capture.buttons = buttons;
    }
    if (capture.haveSettings || capture.haveButtons)
        host_.storeCapture(capture);
    return identity;
}

bool DeviceConnection::syncFromDevice(const std::filesystem::path& profileFile)
{
    std::lock_guard<std::recursive_mutex> guard(channel_.lock());
    DeviceState& s = state_data_;
    refreshIdentity();
    {
        std::lock_guard<std::recursive_mutex> state(channel_.stateLock());
        std::copy(s.CurrentSettings.begin(), s.CurrentSettings.end(), s.SettingsImage[s.activeRecord()].begin());
    }
    std::uint8_t n = 0;
    if (!readActiveRecord(n))
        return false;
    {
        std::lock_guard<std::recursive_mutex> state(channel_.stateLock());
        s.CurrentSettings[0] = n;
    }
    std::array<std::uint8_t, kSettingsRecordSize> record{};
    if (channel_.readSettings(static_cast<std::uint16_t>(n * kSettingsRecordSize), record.data(), kSettingsWriteSize) !=
        kResultOk)
        return false;
    record[0] = n;
    DeviceCapture capture;
    capture.file = profileFile;
    {
        std::lock_guard<std::recursive_mutex> state(channel_.stateLock());
        const std::uint16_t model = s.modelId();
        clampDpiStages(record, model, false);
        s.SettingsImage[n] = record;
        std::copy(record.begin(), record.begin() + kProfileByteCount, s.CurrentSettings.begin());
        capture.modelId = model;
    }
    capture.haveSettings = true;
    std::copy(record.begin(), record.begin() + kProfileByteCount, capture.settings.begin());
    capture.settings[0] = 0;
    host_.storeCapture(capture);
    return true;
}

bool DeviceConnection::selectOnboardRecord(int n)
{
    if (n < 0 || n >= static_cast<int>(kSettingsRecordCount))
        return false;
    std::lock_guard<std::recursive_mutex> guard(channel_.lock());
    DeviceState& s = state_data_;
    std::uint8_t m = 0;
    if (!readActiveRecord(m) || m == n)
        return false;
    {
        std::lock_guard<std::recursive_mutex> state(channel_.stateLock());
        std::copy(s.CurrentSettings.begin(), s.CurrentSettings.end(), s.SettingsImage[m].begin());
    }
    const auto value = static_cast<std::uint8_t>(n);
    if (channel_.writeSettings(0, &value, 1) != kResultOk)
        return false;
    std::array<std::uint8_t, kSettingsRecordSize> record{};
    const bool haveRecord = channel_.readSettings(static_cast<std::uint16_t>(n * kSettingsRecordSize), record.data(),
                                                  kSettingsWriteSize) == kResultOk;
    // A record whose button block could not be read at connection gets another chance now,
    // before its buttons are shown.
    bool blockKnown = true;
    {
        std::lock_guard<std::recursive_mutex> state(channel_.stateLock());
        blockKnown = n >= static_cast<int>(kButtonBlockCount) || s.buttonBlockRead[value];
    }
    std::array<std::uint8_t, kButtonTableSize> buttons{};
    const bool haveButtons = !blockKnown && channel_.readButtons(value, buttons) == kResultOk;
    std::lock_guard<std::recursive_mutex> state(channel_.stateLock());
    if (haveButtons) {
        s.ButtonImage[value] = buttons;
        s.buttonBlockRead[value] = true;
    }
    if (haveRecord) {
        // Stage bytes beyond the model's table would index past it wherever they are used.
        clampDpiStages(record, s.modelId(), false);
        s.SettingsImage[value] = record;
        std::copy(record.begin(), record.begin() + kProfileByteCount, s.CurrentSettings.begin());
    }
    s.CurrentSettings[0] = value;
    return true;
}

}  // namespace corv
