// Device-link benchmarks against the virtual mouse:
// - exchange round trips per second with no latency (the cost of our own framing, locking,
//   filtering and the virtual mouse's model, without USB time);
// - a whole macro-area write (32640 bytes, 583 frames) in the USB full-speed mode, where
//   each report costs 1 ms each way, reported as a ratio to the 583 x 2 ms that the USB
//   transfers alone take. A ratio near 1.0 means the program adds nothing measurable;
// - the same 32640 bytes as a whole macro library written from its files (50 macros,
//   read, packed and sent between CMD_BEGIN and CMD_END), on the same ratio, with the time
//   of reading and packing the library on its own (and that time alone, repeated).
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceChannel.h"
#include "device/DeviceProtocol.h"
#include "device/ReportFrame.h"
#include "macros/MacroFile.h"
#include "macros/MacroImage.h"
#include "macros/MacroTransfer.h"
#include "platform/Clock.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"

namespace {

using namespace corv;

// A virtual R240 with an opened channel on the real clock.
struct Rig {
    explicit Rig(std::uint8_t macroUnits = 255)
    {
        sim::VirtualMouseConfig config;
        config.model = kModelR240;
        config.macroCapacityUnits = macroUnits;
        mouse = std::make_shared<sim::VirtualMouse>(Clock::system(), config);
        backend = std::make_unique<sim::VirtualHidBackend>(mouse);
        channel = std::make_unique<DeviceChannel>(*backend, Clock::system());
        channel->setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
        channel->device().nextIndex = 0;
        if (channel->device().enumerate() && channel->device().findChannelDevice(channel->identity()))
            channel->setOpen(true);
    }
    std::shared_ptr<sim::VirtualMouse> mouse;
    std::unique_ptr<sim::VirtualHidBackend> backend;
    std::unique_ptr<DeviceChannel> channel;
};

void BM_ExchangeRoundTrip(benchmark::State& state)
{
    Rig rig;
    if (!rig.channel->isOpen()) {
        state.SkipWithError("the virtual mouse did not open");
        return;
    }
    const ReportFrame request = ReportFrame::request(CMD_READ_SETTINGS, 56, 0, {});
    ReportFrame answer;
    for (auto _ : state) {
        if (rig.channel->exchange(request, answer) != kResultOk) {
            state.SkipWithError("exchange failed");
            break;
        }
        benchmark::DoNotOptimize(answer);
    }
    state.counters["round_trips_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExchangeRoundTrip)->UseRealTime();

void BM_MacroAreaWriteUsb(benchmark::State& state)
{
    // 255 units of 128 bytes: the largest macro area the identity block can describe.
    constexpr std::size_t kBytes = 255 * kMacroUnit;                                 // 32640
    constexpr std::size_t kFrames = (kBytes + kFrameDataSize - 1) / kFrameDataSize;  // 583
    Rig rig(255);
    if (!rig.channel->isOpen()) {
        state.SkipWithError("the virtual mouse did not open");
        return;
    }
    rig.mouse->setLatencyMode(sim::LatencyMode::UsbFullSpeed);
    rig.mouse->startTimerThread();
    std::vector<std::uint8_t> image(kBytes);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7);
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int result = rig.channel->writeMacros(image.data(), image.size());
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (result != kResultOk) {
            state.SkipWithError("macro write failed");
            break;
        }
    }
    rig.mouse->stopTimerThread();
    const double ideal = static_cast<double>(kFrames) * 2e-3;
    const double perWrite = seconds / static_cast<double>(state.iterations());
    state.counters["frames"] = static_cast<double>(kFrames);
    state.counters["ms_per_write"] = perWrite * 1e3;
    state.counters["ratio_to_583x2ms"] = perWrite / ideal;
}
BENCHMARK(BM_MacroAreaWriteUsb)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// A scratch data folder holding a library whose image fills 255 units exactly: 50 macros,
// 16162 actions (12 macros of 324 and 38 of 323), key events and delays alternating.
struct FullLibrary {
    FullLibrary()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "corv-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            return;
        folder = pattern;
        std::string index = "[MACROCOUNT]\ncount=50\n[MACRONAME]\n";
        for (int i = 0; i < 50; ++i) {
            const std::string name = "macro" + std::to_string(i);
            index += std::to_string(i) + "=" + name + "\n";
            std::vector<std::string> lines;
            const int actions = i < 12 ? 324 : 323;
            for (int j = 0; j < actions; ++j)
                lines.push_back(j % 2 == 0 ? "1,4,202,1,A" : "0," + std::to_string(j % 256) + ",0,1,A");
            if (!MacroFile::write(folder / (name + ".mac"), lines))
                folder.clear();
        }
        std::FILE* f = folder.empty() ? nullptr : std::fopen((folder / "msMacro.ini").c_str(), "wb");
        if (f == nullptr || std::fwrite(index.data(), 1, index.size(), f) != index.size())
            folder.clear();
        if (f != nullptr)
            std::fclose(f);
    }
    ~FullLibrary()
    {
        std::error_code ec;
        if (!folder.empty())
            std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
};

void BM_MacroLibraryWriteUsb(benchmark::State& state)
{
    constexpr std::size_t kBytes = 255 * kMacroUnit;
    constexpr std::size_t kFrames = (kBytes + kFrameDataSize - 1) / kFrameDataSize;  // 583
    FullLibrary library;
    Rig rig(255);
    if (library.folder.empty() || !rig.channel->isOpen()) {
        state.SkipWithError("no library or the virtual mouse did not open");
        return;
    }
    const auto packStart = std::chrono::steady_clock::now();
    const std::vector<std::uint8_t> image = MacroImage::pack(MacroImage::readLibrary(library.folder));
    const double packSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - packStart).count();
    if (image.size() != kBytes) {
        state.SkipWithError("the library does not fill the area exactly");
        return;
    }
    rig.mouse->setLatencyMode(sim::LatencyMode::UsbFullSpeed);
    rig.mouse->startTimerThread();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const MacroWriteOutcome outcome = writeMacroLibrary(*rig.channel, 255, library.folder);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (outcome.result != MacroWriteResult::Written || outcome.imageLength != kBytes) {
            state.SkipWithError("library write failed");
            break;
        }
    }
    rig.mouse->stopTimerThread();
    const double ideal = static_cast<double>(kFrames) * 2e-3;
    const double perWrite = seconds / static_cast<double>(state.iterations());
    state.counters["frames"] = static_cast<double>(kFrames);
    state.counters["ms_per_write"] = perWrite * 1e3;
    state.counters["ratio_to_583x2ms"] = perWrite / ideal;
    state.counters["read_and_pack_ms"] = packSeconds * 1e3;
}
BENCHMARK(BM_MacroLibraryWriteUsb)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Reading and packing the same full library, without the mouse: the program's own share of
// a library write.
void BM_MacroLibraryReadAndPack(benchmark::State& state)
{
    FullLibrary library;
    if (library.folder.empty()) {
        state.SkipWithError("no library");
        return;
    }
    for (auto _ : state) {
        const std::vector<std::uint8_t> image = MacroImage::pack(MacroImage::readLibrary(library.folder));
        if (image.size() != 255 * kMacroUnit) {
            state.SkipWithError("the library does not fill the area exactly");
            break;
        }
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(BM_MacroLibraryReadAndPack)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
