#include "feature/MouseCommands.h"

#include <mutex>
#include <utility>
#include <vector>

#include "device/DeviceChannel.h"
#include "device/DeviceState.h"
#include "feature/FeatureHost.h"

namespace corv {

void sendSettings(FeatureHost& host, std::size_t n, const std::uint8_t* data, std::size_t length)
{
    std::uint16_t address = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(host.channel().stateLock());
        address = host.deviceState().settingsAddress(n);
    }
    std::vector<std::uint8_t> bytes(data, data + length);
    host.sendToMouse([address, bytes = std::move(bytes)](DeviceChannel& channel) {
        channel.writeSettings(address, bytes.data(), bytes.size());
    });
}

void sendSetting(FeatureHost& host, std::size_t n, std::uint8_t value) { sendSettings(host, n, &value, 1); }

}  // namespace corv
