// INI file benchmarks on a scratch folder:
// - listing the sections of a file with 50,000 sections (the lists de-duplicate without
//   regard to case);
// - writing the 42 keys of a device capture into a profile, as 42 single-key writes and as
//   one batched edit (each write or commit is one atomic, flushed replacement of the file).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/IniEdit.h"
#include "platform/IniFile.h"

namespace {

using namespace corv;

// A scratch folder removed at the end of the benchmark.
struct Scratch {
    Scratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "corv-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            folder = pattern;
    }
    ~Scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
};

void BM_SectionNamesOf50000Sections(benchmark::State& state)
{
    Scratch scratch;
    const auto file = scratch.folder / "many.ini";
    {
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < 50000; ++i)
            out << "[Section" << i << "]\nk=1\n";
    }
    for (auto _ : state) {
        const auto names = ini::sectionNames(file);
        benchmark::DoNotOptimize(names.data());
        if (names.size() != 50000)
            state.SkipWithError("wrong number of sections");
    }
}
BENCHMARK(BM_SectionNamesOf50000Sections)->Unit(benchmark::kMillisecond);

// The keys of a capture: LED0..LED32 and KEY0..KEY8.
std::string captureKey(int i) { return i < 33 ? "LED" + std::to_string(i) : "KEY" + std::to_string(i - 33); }

void BM_CaptureAs42SingleKeyWrites(benchmark::State& state)
{
    Scratch scratch;
    const auto file = scratch.folder / "p.pro";
    int round = 0;
    for (auto _ : state) {
        ++round;
        for (int i = 0; i < 42; ++i)
            ini::writeString(file, "Setting", captureKey(i), std::to_string(round + i));
    }
}
BENCHMARK(BM_CaptureAs42SingleKeyWrites)->Unit(benchmark::kMillisecond);

void BM_CaptureAsOneEdit(benchmark::State& state)
{
    Scratch scratch;
    const auto file = scratch.folder / "p.pro";
    int round = 0;
    for (auto _ : state) {
        ++round;
        ini::IniEdit edit(file);
        for (int i = 0; i < 42; ++i)
            edit.set("Setting", captureKey(i), std::to_string(round + i));
        if (!edit.commit())
            state.SkipWithError("commit failed");
    }
}
BENCHMARK(BM_CaptureAsOneEdit)->Unit(benchmark::kMillisecond);

}  // namespace
