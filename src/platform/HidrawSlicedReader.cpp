#include "platform/HidrawSlicedReader.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "platform/HidBackend.h"

namespace corv {

HidrawSlicedReader::HidrawSlicedReader(SliceRead readSlice, Clock& clock)
    : readSlice_(std::move(readSlice)), clock_(clock)
{ }

void HidrawSlicedReader::cancel() { cancelled_.store(true); }

int HidrawSlicedReader::read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs)
{
    if (buffer == nullptr || capacity == 0 || !readSlice_)
        return kHidReadError;
    if (cancelled_.exchange(false))
        return kHidReadCancelled;

    const bool unlimited = timeoutMs < 0;
    const Clock::time_point deadline = clock_.now() + std::chrono::milliseconds(unlimited ? 0 : timeoutMs);
    for (;;) {
        int slice = kSliceMs;
        if (!unlimited) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock_.now()).count();
            slice = static_cast<int>(std::clamp<long long>(left, 0, kSliceMs));
        }
        const int got = readSlice_(buffer, capacity, slice);
        if (got > 0)
            return got;
        if (got < 0)
            return kHidReadError;
        if (cancelled_.exchange(false))
            return kHidReadCancelled;
        if (!unlimited && (slice == 0 || clock_.now() >= deadline))
            return kHidReadTimeout;
    }
}

}  // namespace corv
