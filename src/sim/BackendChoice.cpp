#include "sim/BackendChoice.h"

#include "device/ModelFacts.h"

#include <algorithm>
#include <cctype>

#include "platform/HidapiBackend.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"

namespace corv::sim {

bool chooseBackend(std::string_view virtualMouse, Clock& clock, DeviceBackend& out, std::string* error)
{
    out = DeviceBackend{};
    if (virtualMouse.empty()) {
        out.backend = std::make_unique<HidapiBackend>();
        return true;
    }
    VirtualMouseConfig config;
    if (const ModelFacts* facts = findModel(virtualMouse)) {
        config.model = facts->id == kModelR210 ? MouseModel::R210 : MouseModel::R240;
    } else {
        if (error)
            *error = "unknown virtual mouse model \"" + std::string(virtualMouse) + "\" (use R210 or R240)";
        return false;
    }
    out.mouse = std::make_shared<VirtualMouse>(clock, config);
    // Events that are due later (calibration results) arrive on their own, in real time.
    out.mouse->startTimerThread();
    out.backend = std::make_unique<VirtualHidBackend>(out.mouse);
    return true;
}

}  // namespace corv::sim
