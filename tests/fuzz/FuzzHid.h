#pragma once
// A HID backend whose mouse answers with whatever the fuzz input says: each read that
// follows a request takes one instruction from the input (an answer that echoes the
// request with data and a status from the input, a raw report of any id and length, a
// timeout, a cancelled read or the mouse going away). When the input runs out the mouse
// stops answering. It presents the vendor collection of the mouse, with the mouse's own
// report descriptor, and answers at once; a clock that jumps over every wait goes with it.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "device/DeviceProtocol.h"
#include "device/ReportFrame.h"
#include "platform/Clock.h"
#include "platform/HidBackend.h"
#include "sim/VirtualMouseDescriptor.h"

namespace corv::fuzz {

// The fuzz input read front to back, so that a seed can be written in the order the mouse
// is asked; past the end every byte reads as 0.
class ByteStream {
public:
    ByteStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) { }
    std::size_t remaining() const { return size_ - pos_; }
    std::uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
    // Up to n bytes (fewer at the end of the input).
    std::vector<std::uint8_t> bytes(std::size_t n)
    {
        n = std::min(n, remaining());
        std::vector<std::uint8_t> out(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Time moves only when somebody waits: every sleep and every wait that would time out jumps
// to its end at once, and reading the time moves it on a little, so no loop that waits for
// a deadline can spin for ever.
class InstantClock final : public Clock {
public:
    time_point now() const override { return time_point(duration(now_.fetch_add(1000) + 1000)); }
    void sleepFor(duration d) override { now_.fetch_add(d.count()); }
    bool waitUntil(std::unique_lock<std::mutex>&, std::condition_variable&, time_point deadline,
                   const std::function<bool()>& pred) override
    {
        if (pred())
            return true;
        const auto target = deadline.time_since_epoch().count();
        auto current = now_.load();
        while (current < target && !now_.compare_exchange_weak(current, target)) { }
        return pred();
    }

private:
    mutable std::atomic<long long> now_{0};
};

struct ScriptedMouse {
    explicit ScriptedMouse(ByteStream& input) : in(input) { }
    ByteStream& in;
    bool present = true;
    bool requestPending = false;
    ReportFrame lastRequest;
};

class ScriptedHandle final : public HidHandle {
public:
    ScriptedHandle(ScriptedMouse& mouse, std::uint16_t version) : mouse_(mouse), version_(version) { }

    int write(const std::uint8_t* data, std::size_t length, int) override
    {
        if (!mouse_.present || dead_)
            return -1;
        std::memset(mouse_.lastRequest.bytes.data(), 0, kFrameSize);
        std::memcpy(mouse_.lastRequest.bytes.data(), data, std::min(length, kFrameSize));
        mouse_.requestPending = true;
        return static_cast<int>(length);
    }

    int read(std::uint8_t* buffer, std::size_t capacity, int) override
    {
        if (cancelled_) {
            cancelled_ = false;
            return kHidReadCancelled;
        }
        if (!mouse_.present || dead_)
            return kHidReadError;
        if (!mouse_.requestPending || mouse_.in.remaining() == 0)
            return kHidReadTimeout;
        const std::uint8_t op = mouse_.in.u8();
        std::vector<std::uint8_t> report;
        switch (op & 7) {
        case 0:
        case 1:
        case 2:
        case 3: {  // an answer: the request echoed, data (and for 3 a status) from the input
            ReportFrame answer = mouse_.lastRequest;
            answer.bytes[kFrameOffsetStatus] = (op & 7) == 3 ? mouse_.in.u8() : 0;
            const std::vector<std::uint8_t> data = mouse_.in.bytes(kFrameDataSize);
            std::fill(answer.data().begin(), answer.data().end(), std::uint8_t{0});
            std::copy(data.begin(), data.end(), answer.data().begin());
            answer.updateChecksum();
            report.assign(answer.bytes.begin(), answer.bytes.end());
            mouse_.requestPending = false;
            break;
        }
        case 4:  // any report at all; the request is still waiting for its answer
            report = mouse_.in.bytes(1 + mouse_.in.u8() % 80);
            if (report.empty())
                return kHidReadTimeout;
            break;
        case 5:
            mouse_.requestPending = false;
            return kHidReadTimeout;
        case 6:
            mouse_.present = false;  // unplugged: this handle is dead for good
            dead_ = true;
            return kHidReadError;
        default:
            return kHidReadCancelled;
        }
        const std::size_t n = std::min(capacity, report.size());
        std::memcpy(buffer, report.data(), n);
        return static_cast<int>(n);
    }

    void cancel() override { cancelled_ = true; }
    HidAttributes attributes() const override { return {kMouseVendorId, kMouseProductId, version_}; }
    std::vector<std::uint8_t> reportDescriptor() const override
    {
        return sim::VirtualMouseDescriptor::vendorInterface();
    }

private:
    ScriptedMouse& mouse_;
    std::uint16_t version_;
    bool dead_ = false;
    bool cancelled_ = false;
};

class ScriptedBackend final : public HidBackend {
public:
    explicit ScriptedBackend(ScriptedMouse& mouse) : mouse_(mouse) { }

    // The next plug-in: the mouse is there again (with fresh handles).
    void replug() { mouse_.present = true; }

    bool enumerate(std::vector<HidInterfaceEntry>& out) override
    {
        out.clear();
        if (mouse_.present)
            out.push_back({kPath, kMouseVendorId, kMouseProductId, 0x0102, kCommandUsagePage, kCommandUsage, 1});
        return true;
    }
    std::unique_ptr<HidHandle> open(const std::string& path, HidOpenError* error) override
    {
        if (path != kPath || !mouse_.present) {
            if (error)
                *error = HidOpenError::NotFound;
            return nullptr;
        }
        return std::make_unique<ScriptedHandle>(mouse_, 0x0102);
    }
    bool isPresent(const std::string& path) override { return path == kPath && mouse_.present; }

private:
    static constexpr const char* kPath = "fuzz://mouse/if1";
    ScriptedMouse& mouse_;
};

}  // namespace corv::fuzz
