#pragma once
// The one place that decides whether the program talks to the hardware (hidapi over
// hidraw) or to a virtual mouse (--virtual-mouse=R210|R240[:VERSION]).
#include <memory>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/HidBackend.h"

namespace corv::sim {

class VirtualMouse;

struct DeviceBackend {
    std::shared_ptr<VirtualMouse> mouse;  // null on the hardware; declared first so it outlives the backend
    std::unique_ptr<HidBackend> backend;
};

// virtualMouse: empty for the hardware, else a model name ("R210" or "R240", any case),
// optionally followed by ':' and the mouse's firmware version in hexadecimal ("R240:0x0105",
// "r210:0200"): its HID release number and the version in its identity block; and optionally
// by ",macro-area=UNITS", the size of its macro area in units of 128 bytes ("R210,macro-area=1").
// Returns false with a message for an unknown model or a malformed version. A virtual mouse runs its timer thread
// (VirtualMouse::startTimerThread), so its late events arrive on the clock's time by themselves.
bool chooseBackend(std::string_view virtualMouse, Clock& clock, DeviceBackend& out, std::string* error);

}  // namespace corv::sim
