#pragma once
// A pause that a stop request ends at once: what the worker threads wait with, so that
// shutdown never waits for a polling interval to run out.
#include <stop_token>

#include "platform/Clock.h"

namespace corv {

// Waits d on clock. Returns false when stop was requested (before or during the wait).
bool waitUnlessStopped(Clock& clock, Clock::duration d, const std::stop_token& stop);

}  // namespace corv
