#include "device/DeviceChannel.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace corv {

int statusToResult(std::uint8_t status)
{
    if (status == kStatusErrorFF)
        return kResultStatusFF;
    if (status == kStatusErrorFE)
        return kResultStatusFE;
    return kResultOk;
}

DeviceChannel::DeviceChannel(HidBackend& backend, Clock& clock) : clock_(clock), device_(backend, clock) { }

DeviceChannel::~DeviceChannel()
{
    open_.store(false);
    device_.cancel();
    std::lock_guard<std::recursive_mutex> guard(lock_);
    device_.destroy();
}

void DeviceChannel::setIdentity(std::uint16_t vendorId, std::uint16_t productId, std::uint16_t usage,
                                std::uint16_t usagePage)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    identity_ = ChannelIdentity{vendorId, productId, usage, usagePage};
}

ChannelIdentity DeviceChannel::identity() const
{
    std::lock_guard<std::recursive_mutex> guard(const_cast<std::recursive_mutex&>(lock_));
    return identity_;
}

void DeviceChannel::setFrameObserver(std::function<void(FrameDirection, const ReportFrame&)> observer)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    observer_ = std::move(observer);
}

void DeviceChannel::observe(FrameDirection direction, const ReportFrame& frame)
{
    if (observer_)
        observer_(direction, frame);
}

bool DeviceChannel::write(std::size_t length, const std::uint8_t* buffer, std::size_t* transferred)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return device_.write(buffer, length, kWriteTimeoutMs, transferred);
}

bool DeviceChannel::read(std::size_t length, std::uint8_t* buffer, int timeoutMs, std::size_t* transferred)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return device_.read(buffer, length, timeoutMs, transferred);
}

int DeviceChannel::exchange(const ReportFrame& request, ReportFrame& answer)
{
    if (!isOpen())
        return kResultNoAnswer;
    // The answer may be the caller's request buffer: send from a copy.
    const ReportFrame sendBuffer = request;

    // One lock for the whole exchange, so no other thread's request comes between our write
    // and our read.
    std::lock_guard<std::recursive_mutex> guard(lock_);
    bool answered = false;
    ReportFrame received;
    for (int attempt = 0; attempt < kAttempts && !answered; ++attempt) {
        // An answer that arrived after an earlier request gave up waiting must not be taken
        // for the answer to this one.
        device_.drainInput();
        if (!device_.write(sendBuffer.bytes.data(), kFrameSize, kWriteTimeoutMs))
            return kResultWriteFailed;
        observe(FrameDirection::Request, sendBuffer);
        std::size_t got = 0;
        answered = device_.read(received.bytes.data(), kFrameSize, kAnswerTimeoutMs, &got);
        if (answered)
            observe(FrameDirection::Answer, received);
        else if (!isOpen())
            break;  // the mouse went away or the channel is shutting down: no more attempts
    }
    if (!answered)
        return kResultNoAnswer;
    answer = received;
    return statusToResult(received.status());
}

bool DeviceChannel::sendOnce(const ReportFrame& request)
{
    if (!isOpen())
        return false;
    std::lock_guard<std::recursive_mutex> guard(lock_);
    device_.drainInput();
    if (device_.write(request.bytes.data(), kFrameSize, kWriteTimeoutMs))
        observe(FrameDirection::Request, request);
    ReportFrame scratch;
    const bool read = device_.read(scratch.bytes.data(), kFrameSize, kAnswerTimeoutMs);
    if (read)
        observe(FrameDirection::Answer, scratch);
    return read;
}

int DeviceChannel::singleFrame(std::uint8_t command, std::uint8_t length, std::uint16_t address,
                               const std::uint8_t* data, std::uint8_t* out)
{
    if (!isOpen())
        return kResultNoAnswer;
    const ReportFrame request =
        ReportFrame::request(command, length, address,
                             data ? std::span<const std::uint8_t>(data, std::min<std::size_t>(length, kFrameDataSize))
                                  : std::span<const std::uint8_t>());
    ReportFrame answer;
    const int result = exchange(request, answer);
    if (result == kResultOk && out != nullptr)
        std::memcpy(out, answer.bytes.data() + kFrameOffsetData, std::min<std::size_t>(length, kFrameDataSize));
    return result;
}

int DeviceChannel::chunkedRead(std::uint8_t command, std::uint32_t address, std::uint8_t* out, std::size_t total)
{
    if (!isOpen())
        return kResultNoAnswer;
    ReportFrame request = ReportFrame::request(command);
    for (std::size_t offset = 0; offset < total; offset += kFrameDataSize) {
        const std::size_t chunk = std::min(kFrameDataSize, total - offset);
        request.setLength(static_cast<std::uint8_t>(chunk));
        request.setAddress(static_cast<std::uint16_t>(address + offset));
        request.updateChecksum();
        ReportFrame answer;
        const int result = exchange(request, answer);
        if (result != kResultOk)
            return result;
        std::memcpy(out + offset, answer.bytes.data() + kFrameOffsetData, chunk);
    }
    return kResultOk;
}

int DeviceChannel::chunkedWrite(std::uint8_t command, std::uint32_t address, const std::uint8_t* data,
                                std::size_t total)
{
    if (!isOpen())
        return kResultNoAnswer;
    ReportFrame request = ReportFrame::request(command);
    for (std::size_t offset = 0; offset < total; offset += kFrameDataSize) {
        const std::size_t chunk = std::min(kFrameDataSize, total - offset);
        request.setLength(static_cast<std::uint8_t>(chunk));
        request.setAddress(static_cast<std::uint16_t>(address + offset));
        // Bytes past the chunk keep the previous chunk's data, as the mouse ignores them.
        std::memcpy(request.bytes.data() + kFrameOffsetData, data + offset, chunk);
        request.updateChecksum();
        ReportFrame answer;
        const int result = exchange(request, answer);
        if (result != kResultOk)
            return result;
    }
    return kResultOk;
}

int DeviceChannel::begin() { return singleFrame(CMD_BEGIN, 0, 0, nullptr, nullptr); }

int DeviceChannel::end()
{
    if (!isOpen())
        return kResultNoAnswer;
    clock_.sleepFor(std::chrono::milliseconds(kSettleDelayMs));
    return singleFrame(CMD_END, 0, 0, nullptr, nullptr);
}

int DeviceChannel::getInfo(std::span<std::uint8_t, kDeviceInfoSize> out)
{
    // The output is written only on success.
    std::array<std::uint8_t, kFrameDataSize> data{};
    const int result = singleFrame(CMD_GET_INFO, static_cast<std::uint8_t>(kDeviceInfoSize), 0, nullptr, data.data());
    if (result == kResultOk)
        std::copy_n(data.begin(), kDeviceInfoSize, out.begin());
    return result;
}

int DeviceChannel::readSettings(std::uint16_t address, std::uint8_t* out, std::size_t length)
{
    if (out == nullptr || length == 0 || length > kFrameDataSize)
        return kResultNoAnswer;
    return singleFrame(CMD_READ_SETTINGS, static_cast<std::uint8_t>(length), address, nullptr, out);
}

int DeviceChannel::writeSettings(std::uint16_t address, const std::uint8_t* data, std::size_t length)
{
    if (data == nullptr || length == 0 || length > kFrameDataSize)
        return kResultNoAnswer;
    return singleFrame(CMD_WRITE_SETTINGS, static_cast<std::uint8_t>(length), address, data, nullptr);
}

int DeviceChannel::readDefaultButtons(std::span<std::uint8_t, kButtonTableSize> out)
{
    return chunkedRead(CMD_READ_DEFAULT_BUTTONS, 0, out.data(), kButtonTableSize);
}

int DeviceChannel::readButtons(unsigned block, std::span<std::uint8_t, kButtonTableSize> out)
{
    if (block >= kButtonBlockCount)
        return kResultBadBlock;
    return chunkedRead(CMD_READ_BUTTONS, static_cast<std::uint32_t>(block * kButtonTableSize), out.data(),
                       kButtonTableSize);
}

int DeviceChannel::writeButtons(unsigned block, std::span<const std::uint8_t, kButtonTableSize> data)
{
    // A block beyond the mouse's five would land in whatever follows them: refuse it.
    if (block >= kButtonBlockCount)
        return kResultBadBlock;
    return chunkedWrite(CMD_WRITE_BUTTONS, static_cast<std::uint32_t>(block * kButtonTableSize), data.data(),
                        kButtonTableSize);
}

int DeviceChannel::writeColors(std::span<const std::uint8_t, kColorTableSize> data)
{
    return chunkedWrite(CMD_WRITE_COLORS, 0, data.data(), kColorTableSize);
}

int DeviceChannel::restoreDefaults()
{
    return sendOnce(ReportFrame::request(CMD_RESTORE_DEFAULTS)) ? kResultOk : kResultNoAnswer;
}

int DeviceChannel::readMacros(std::uint8_t* out, std::size_t length)
{
    if (length == 0)
        return kResultOk;
    if (out == nullptr || length > 0x10000)
        return kResultNoAnswer;
    return chunkedRead(CMD_READ_MACROS, 0, out, length);
}

int DeviceChannel::writeMacros(const std::uint8_t* data, std::size_t length)
{
    if (length == 0)
        return kResultOk;
    if (data == nullptr || length > 0x10000)
        return kResultNoAnswer;
    return chunkedWrite(CMD_WRITE_MACROS, 0, data, length);
}

int DeviceChannel::calibrate()
{
    if (!isOpen())
        return kResultNoAnswer;
    clock_.sleepFor(std::chrono::milliseconds(kSettleDelayMs));
    return singleFrame(CMD_CALIBRATE, 0, 0, nullptr, nullptr);
}

}  // namespace corv
