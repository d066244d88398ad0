// Whatever the mouse answers, the connection and the command-line tool end, keep the device
// state within what the program can use, and write only profiles and macro files that read
// back. Input, front to back: the plan (bit 7: the command-line tool, else the connection),
// the number of steps (low 4 bits), then the mouse's answers (FuzzHid.h); a step of the
// connection takes its choice from the next byte when it starts.
#include <stdlib.h>

#include <sstream>
#include <stop_token>

#include "FuzzHid.h"
#include "FuzzSupport.h"
#include "cli/CtlApp.h"
#include "device/DeviceChannel.h"
#include "device/DeviceConnection.h"
#include "device/DeviceState.h"
#include "macros/MacroTransfer.h"
#include "macros/MacroWriteMark.h"
#include "platform/IniFile.h"
#include "profiles/ProfileApply.h"
#include "profiles/ProfileFile.h"

namespace {

namespace fs = std::filesystem;
using namespace corv;
using corv::fuzz::Scratch;

// Everything a folder holds must be a macro file, the macro index, a profile, or the mark of
// a macro write that did not finish (a write the hostile answers broke off leaves it).
void checkFolder(const fs::path& folder)
{
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        const fs::path name = e.path().filename();
        const bool ours = name == "msMacro.ini" || name == MacroWriteMark::kFileName || name.extension() == ".mac" ||
                          name.extension() == ".pro";
        FUZZ_CHECK(ours && e.is_regular_file(ec), "unexpected file in the data folder: " + e.path().string());
    }
}

void checkState(const DeviceState& s)
{
    FUZZ_CHECK(s.activeRecord() < kSettingsRecordCount,
               "active record " + std::to_string(s.activeRecord()) + " kept in the device state");
    const int limit = dpiStageLimit(s.modelId());
    if (limit >= 0)
        for (std::size_t n = kDpiStageByte; n < kDpiStageByte + kDpiStageCount; ++n)
            FUZZ_CHECK(s.CurrentSettings[n] <= limit, "a DPI stage beyond the model's table");
}

void checkProfile(const fs::path& file, std::uint16_t model)
{
    std::error_code ec;
    if (!fs::exists(file, ec))
        return;
    const ProfileImage image = readProfileImage(file, model);
    const int limit = dpiStageLimit(model);
    if (limit >= 0)
        for (std::size_t n = kDpiStageByte; n < kDpiStageByte + kDpiStageCount; ++n)
            FUZZ_CHECK(image.settings[n] <= limit, "a profile written with a DPI stage beyond the model's table");
}

struct Host final : ConnectionHost {
    fs::path folder;
    fs::path profile;
    bool windowAlive() override { return true; }
    void macroAreaRead(const std::vector<std::uint8_t>& area) override
    {
        rebuildLibraryFromImage(area, folder);
        checkFolder(folder);
    }
    fs::path connectProfilePath() override { return profile; }
    void storeCapture(const DeviceCapture& capture) override
    {
        writeDeviceCapture(capture);
        checkProfile(capture.file, capture.modelId);
    }
    void setConnected(bool) override { }
    void connectSequenceDone() override { }
    void mouseLost() override { }
    void openRefused() override { }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The command-line tool's data folder lies under HOME.
    const fs::path home = Scratch::get().path() / "home";
    fs::create_directories(home);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteStream in(data, size);
    const std::uint8_t plan = in.u8();
    const std::uint8_t steps = in.u8();
    fuzz::ScriptedMouse mouse(in);
    fuzz::ScriptedBackend backend(mouse);
    fuzz::InstantClock clock;

    if (plan & 0x80) {
        // The command-line tool with this mouse as its hardware.
        static const char* const kCommands[] = {"info", "dump", "apply", "capture", "write-macros"};
        const std::string command = kCommands[(plan & 0x7F) % 5];
        const fs::path folder = Scratch::get().fresh("cli");
        const fs::path profile = folder / "p.pro";
        ini::writeString(profile, "Setting", "LED15", std::to_string(steps));
        std::vector<std::string> args = {command};
        if (command == "apply" || command == "capture")
            args.push_back(profile.string());
        std::ostringstream out, err;
        const int code = cli::runCtl(args, out, err, &backend, &clock);
        FUZZ_CHECK(code == cli::kExitOk || !err.str().empty(), "a failure without a message");
        if (command == "capture" && code == cli::kExitOk)
            checkFolder(folder);
        return 0;
    }

    const fs::path folder = Scratch::get().fresh("data");
    DeviceChannel channel(backend, clock);
    channel.setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
    DeviceState state;
    Host host;
    host.folder = folder;
    host.profile = folder / "p.pro";
    DeviceConnection connection(channel, state, host, clock);
    std::stop_source stop;

    connection.runCycle(stop.get_token());
    checkState(state);
    for (unsigned i = 0; i < (steps & 15u); ++i) {
        const std::uint8_t op = in.u8();
        switch (op & 7) {
        case 0:
            connection.syncFromDevice(host.profile);
            break;
        case 1:
            connection.selectOnboardRecord(static_cast<int>(op >> 4) - 1);
            break;
        case 2:
            connection.readDeviceState(host.profile);
            break;
        case 3:
            connection.readMacroArea();
            break;
        case 4:
            applyProfileToDevice(channel, state, host.profile);
            break;
        case 5:
            writeMacroLibrary(channel, state, folder);
            break;
        case 6:
            backend.replug();
            [[fallthrough]];
        default:
            connection.runCycle(stop.get_token());
            break;
        }
        checkState(state);
        checkFolder(folder);
    }
    checkProfile(host.profile, state.modelId());
    return 0;
}
