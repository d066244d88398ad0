// Plug-in latency: from a node appearing (the virtual mouse plugged in, which notifies like
// the udev monitor does) to the device connection having opened it. The connect sequence
// then pauses one second to let the mouse settle before its first command; that pause runs
// on a manual clock here, so it does not count and the iterations are quick.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "device/DeviceChannel.h"
#include "device/DeviceConnection.h"
#include "device/DeviceProtocol.h"
#include "platform/Clock.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"

namespace {

using namespace corv;

struct QuietHost : ConnectionHost {
    std::filesystem::path profile = std::filesystem::temp_directory_path() / "corv-bench-plug.pro";
    std::atomic<int> lost{0};
    bool windowAlive() override { return true; }
    void macroAreaRead(const std::vector<std::uint8_t>&) override { }
    std::filesystem::path connectProfilePath() override { return profile; }
    void storeCapture(const DeviceCapture&) override { }
    void setConnected(bool) override { }
    void connectSequenceDone() override { }
    void mouseLost() override { ++lost; }
    void openRefused() override { }
};

void BM_PlugInToNodeOpened(benchmark::State& state)
{
    ManualClock clock;
    auto mouse = std::make_shared<sim::VirtualMouse>(clock);
    sim::VirtualHidBackend backend(mouse);
    DeviceChannel channel(backend, clock);
    channel.setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
    DeviceState deviceState;
    QuietHost host;
    DeviceConnection connection(channel, deviceState, host, clock);
    mouse->unplug();
    std::jthread thread([&](std::stop_token stop) { connection.run(stop); });
    int lost = 0;
    for (auto _ : state) {
        const auto plugged = std::chrono::steady_clock::now();
        mouse->plug();
        while (connection.state() == DeviceConnection::State::Absent)
            std::this_thread::yield();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - plugged).count());
        state.PauseTiming();
        while (connection.state() != DeviceConnection::State::Connected)
            std::this_thread::yield();
        mouse->unplug();
        ++lost;
        while (host.lost < lost)
            std::this_thread::yield();
        state.ResumeTiming();
    }
    thread.request_stop();
}
BENCHMARK(BM_PlugInToNodeOpened)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace
