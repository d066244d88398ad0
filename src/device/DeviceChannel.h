#pragma once
// The one link to the mouse's command collection: identity, open flag, the opened
// collection and the lock that serialises its use; every command is one of its operations.
//
// Locking: the recursive lock is held across each write+read pair, so that another thread's
// request can never take this request's answer, and across sequences of commands that
// belong together (the connect sequence, a transfer). Only threads that talk to the mouse
// take it; the UI thread never does. Never wait for the UI thread while holding it.
//
// The state lock guards the program's copies of the mouse's state (DeviceState). It is held
// only for moments and never while waiting for the mouse: a thread holding the channel's
// lock may take it, but a thread holding it never waits for the channel's lock.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>

#include "device/DeviceProtocol.h"
#include "device/HidDeviceInfo.h"
#include "device/ReportFrame.h"
#include "platform/Clock.h"
#include "platform/HidBackend.h"

namespace corv {

enum class FrameDirection { Request, Answer };

class DeviceChannel {
public:
    static constexpr int kAttempts = 4;
    static constexpr int kWriteTimeoutMs = 1000;
    static constexpr int kAnswerTimeoutMs = 1000;
    static constexpr int kSettleDelayMs = 10;  // before CMD_END and CMD_CALIBRATE

    explicit DeviceChannel(HidBackend& backend, Clock& clock = Clock::system());
    ~DeviceChannel();
    DeviceChannel(const DeviceChannel&) = delete;
    DeviceChannel& operator=(const DeviceChannel&) = delete;

    void setIdentity(std::uint16_t vendorId, std::uint16_t productId, std::uint16_t usage, std::uint16_t usagePage);
    ChannelIdentity identity() const;

    // The open flag: set and cleared only by the device connection.
    bool isOpen() const { return open_.load(); }
    void setOpen(bool open) { open_.store(open); }

    HidDeviceInfo& device() { return device_; }
    std::recursive_mutex& lock() { return lock_; }
    std::recursive_mutex& stateLock() { return stateLock_; }
    Clock& clock() { return clock_; }

    // Every request written and every answer read, in order (called under the lock: the
    // observer must not wait for other threads).
    void setFrameObserver(std::function<void(FrameDirection, const ReportFrame&)> observer);

    // Primitives on the opened collection.
    bool write(std::size_t length, const std::uint8_t* buffer, std::size_t* transferred = nullptr);
    bool read(std::size_t length, std::uint8_t* buffer, int timeoutMs, std::size_t* transferred = nullptr);
    // write-then-read with up to four attempts; returns a result code.
    int exchange(const ReportFrame& request, ReportFrame& answer);
    // One write and one read without retry, the answer discarded; returns the read result.
    bool sendOnce(const ReportFrame& request);
    // Wakes a read that waits for an answer (shutdown).
    void cancel() { device_.cancel(); }

    // The command set. Each returns a result code (kResultOk, kResultNoAnswer, ...).
    int begin();                                                                             // CMD_BEGIN
    int end();                                                                               // CMD_END
    int getInfo(std::span<std::uint8_t, kDeviceInfoSize> out);                               // CMD_GET_INFO
    int readSettings(std::uint16_t address, std::uint8_t* out, std::size_t length);          // CMD_READ_SETTINGS
    int writeSettings(std::uint16_t address, const std::uint8_t* data, std::size_t length);  // CMD_WRITE_SETTINGS
    int readDefaultButtons(std::span<std::uint8_t, kButtonTableSize> out);                   // CMD_READ_DEFAULT_BUTTONS
    int readButtons(unsigned block, std::span<std::uint8_t, kButtonTableSize> out);          // CMD_READ_BUTTONS
    int writeButtons(unsigned block, std::span<const std::uint8_t, kButtonTableSize> data);  // CMD_WRITE_BUTTONS
    int writeColors(std::span<const std::uint8_t, kColorTableSize> data);                    // CMD_WRITE_COLORS
    int restoreDefaults();                                                                   // CMD_RESTORE_DEFAULTS
    int readMacros(std::uint8_t* out, std::size_t length);                                   // CMD_READ_MACROS
    int writeMacros(const std::uint8_t* data, std::size_t length);                           // CMD_WRITE_MACROS
    int calibrate();                                                                         // CMD_CALIBRATE

private:
    int singleFrame(std::uint8_t command, std::uint8_t length, std::uint16_t address, const std::uint8_t* data,
                    std::uint8_t* out);
    int chunkedRead(std::uint8_t command, std::uint32_t address, std::uint8_t* out, std::size_t total);
    int chunkedWrite(std::uint8_t command, std::uint32_t address, const std::uint8_t* data, std::size_t total);
    void observe(FrameDirection direction, const ReportFrame& frame);

    Clock& clock_;
    HidDeviceInfo device_;
    std::recursive_mutex lock_;
    std::recursive_mutex stateLock_;
    std::atomic<bool> open_{false};
    ChannelIdentity identity_{};
    std::function<void(FrameDirection, const ReportFrame&)> observer_;
};

// Maps an answer's status byte to a result code.
int statusToResult(std::uint8_t status);

}  // namespace corv
