#pragma once
// A read that waits in short slices so that another thread can cancel it. hidapi offers no
// way to wake a blocked hid_read_timeout, so the wait is cut into slices of at most
// kSliceMs and a cancel flag is checked between them: cancel() wakes a waiting read within
// one slice. The flag behaves like an auto-reset event: a cancel with no read waiting makes
// the next read return kHidReadCancelled at once, and every cancelled read clears it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/Clock.h"

namespace corv {

class HidrawSlicedReader {
public:
    // Reads one report waiting at most sliceMs (0: do not wait). Returns the bytes read, 0 when
    // the slice passed without a report, or a negative value when the device failed.
    using SliceRead = std::function<int(std::uint8_t* buffer, std::size_t capacity, int sliceMs)>;

    static constexpr int kSliceMs = 20;

    // The clock measures the timeout; readSlice is expected to take its slice of the same time.
    explicit HidrawSlicedReader(SliceRead readSlice, Clock& clock = Clock::system());

    // Waits at most timeoutMs (negative: without limit). Returns the bytes read, or
    // kHidReadTimeout, kHidReadError or kHidReadCancelled (platform/HidBackend.h).
    int read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs);
    // Safe from any thread.
    void cancel();

private:
    SliceRead readSlice_;
    Clock& clock_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace corv
