#pragma once
// A virtual mouse with its command channel open, for the kill trials: the writer writes its
// macro library into one, and the checker makes good on a fresh one what a killed writer
// left unfinished, as the program's next connection would.
#include <memory>
#include <mutex>

#include "device/DeviceChannel.h"
#include "device/DeviceProtocol.h"
#include "platform/Clock.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"

namespace corv::trials {

struct TrialMouse {
    std::shared_ptr<sim::VirtualMouse> mouse;
    std::unique_ptr<sim::VirtualHidBackend> backend;
    std::unique_ptr<DeviceChannel> channel;

    // False when the channel could not be opened.
    bool open(Clock& clock, sim::LatencyMode latency)
    {
        sim::VirtualMouseConfig config;
        config.model = kModelR240;
        mouse = std::make_shared<sim::VirtualMouse>(clock, config);
        mouse->setLatencyMode(latency);
        backend = std::make_unique<sim::VirtualHidBackend>(mouse);
        channel = std::make_unique<DeviceChannel>(*backend, clock);
        channel->setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
        std::lock_guard<std::recursive_mutex> guard(channel->lock());
        channel->device().nextIndex = 0;
        if (!channel->device().enumerate() || !channel->device().findChannelDevice(channel->identity()))
            return false;
        channel->setOpen(true);
        return true;
    }
};

}  // namespace corv::trials
