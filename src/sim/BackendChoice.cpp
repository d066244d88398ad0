#include "sim/BackendChoice.h"

#include "device/ModelFacts.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <system_error>

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
    // ",macro-area=UNITS": a mouse whose macro area holds UNITS x 128 bytes.
    constexpr std::string_view kAreaOption = ",macro-area=";
    if (const auto comma = virtualMouse.find(kAreaOption); comma != std::string_view::npos) {
        const std::string_view units = virtualMouse.substr(comma + kAreaOption.size());
        virtualMouse = virtualMouse.substr(0, comma);
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(units.data(), units.data() + units.size(), value, 10);
        if (units.empty() || ec != std::errc() || end != units.data() + units.size() || value > 255) {
            if (error)
                *error = "malformed macro area \"" + std::string(units) +
                         "\" for the virtual mouse (units of 128 bytes, 0 to 255, e.g. R210,macro-area=2)";
            return false;
        }
        config.macroCapacityUnits = static_cast<std::uint8_t>(value);
    }
    if (const auto colon = virtualMouse.find(':'); colon != std::string_view::npos) {
        std::string_view version = virtualMouse.substr(colon + 1);
        virtualMouse = virtualMouse.substr(0, colon);
        if (version.size() > 2 && version[0] == '0' && (version[1] == 'x' || version[1] == 'X'))
            version.remove_prefix(2);
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(version.data(), version.data() + version.size(), value, 16);
        if (version.empty() || ec != std::errc() || end != version.data() + version.size() || value > 0xFFFF) {
            if (error)
                *error = "malformed firmware version \"" + std::string(version) +
                         "\" for the virtual mouse (hexadecimal, 0 to FFFF, e.g. R240:0x0105)";
            return false;
        }
        config.releaseNumber = static_cast<std::uint16_t>(value);
    }
    if (const ModelFacts* facts = findModel(virtualMouse)) {
        config.model = facts->id;
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
