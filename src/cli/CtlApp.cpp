#include "cli/CtlApp.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <ostream>
#include <sstream>
#include <vector>

#include "cli/Doctor.h"
#include "device/DeviceChannel.h"
#include "device/DeviceConnection.h"
#include "device/DeviceState.h"
#include "device/FrameLogFile.h"
#include "device/ModelFacts.h"
#include "macros/MacroImage.h"
#include "macros/MacroIndex.h"
#include "macros/MacroTransfer.h"
#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/OutsideMessages.h"
#include "profiles/ProfileApply.h"
#include "profiles/ProfileFile.h"
#include "sim/BackendChoice.h"

namespace corv::cli {
namespace {

constexpr const char* kUsage =
    "usage: corvalantisctl [OPTIONS] COMMAND\n"
    "\n"
    "Talks to a CORVALANTIS R210 / R240 mouse (or a virtual one).\n"
    "\n"
    "Options:\n"
    "  --virtual-mouse=R210|R240  use a virtual mouse of that model instead of the hardware\n"
    "  --frame-log=FILE           write every request ('> ') and answer ('< ') to FILE,\n"
    "                             one line of 64 hex bytes each\n"
    "  --help                     show this text\n"
    "\n"
    "Commands:\n"
    "  info              model, firmware version, macro capacity in bytes, DPI level count\n"
    "  dump              every readable memory area of the mouse in hex\n"
    "  apply FILE.pro    send a profile to the mouse: its settings record (DPI stages\n"
    "                    limited for the model), button block 0 and colour palette\n"
    "                    (pointer speed and scroll lines are left to the window program)\n"
    "  capture FILE.pro  write the mouse's state into a profile: identity, active\n"
    "                    settings record and its button block (the file is created\n"
    "                    when missing; other keys are kept)\n"
    "  write-macros      write the macro library of the data folder (msMacro.ini and\n"
    "                    its .mac files) into the mouse's macro memory; what it leaves\n"
    "                    out (macros beyond 50, names that cannot be file names, files\n"
    "                    it cannot read, lines that are no action, sent as delays of\n"
    "                    0 ms) is said on stderr\n"
    "  doctor            check this machine: the mouse's hidraw nodes and their\n"
    "                    permissions, the udev rule, the desktop and how the pointer\n"
    "                    speed and scroll lines are set, the X RECORD extension for\n"
    "                    macro recording; each problem with its fix (exit code 1 when\n"
    "                    there is one)\n"
    "\n"
    "Commands for the running window program (over the D-Bus session bus; the options\n"
    "above do not apply to them):\n"
    "  show                      show its window\n"
    "  apply-profile dpi|key|reg apply the profile selected in the list of the DPI, button\n"
    "                            or sensor page again, and redraw the pages\n"
    "  select-profile NAME       select the profile NAME as a user would (it is applied\n"
    "                            while a mouse is connected)\n"
    "  device-arrived            tell it that a mouse may have been plugged in: it shows the\n"
    "                            mouse when it has it open, else it hides its window\n"
    "  status                    whether its window is visible and a mouse connected\n"
    "\n"
    "Exit codes: 0 success, 1 usage error or failed command, 2 no mouse found (for the\n"
    "running program: it has no mouse, nothing was applied), 3 the mouse is present but\n"
    "may not be opened by this user (install the udev rule 70-corvalantis.rules, see\n"
    "README.md), 4 the window program is not running (or there is no session bus).\n";

struct Options {
    std::string virtualMouse;
    std::string frameLog;
    std::string command;
    std::string argument;  // the profile file of apply and capture, the list or name for the program
    bool help = false;
};

bool takesFile(const std::string& command) { return command == "apply" || command == "capture"; }

// Commands carried out by the running window program.
bool forTheProgram(const std::string& command)
{
    return command == "show" || command == "apply-profile" || command == "select-profile" ||
           command == "device-arrived" || command == "status";
}

bool takesArgument(const std::string& command)
{
    return takesFile(command) || command == "apply-profile" || command == "select-profile";
}

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error)
{
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg.rfind("--virtual-mouse=", 0) == 0) {
            options.virtualMouse = arg.substr(16);
        } else if (arg.rfind("--frame-log=", 0) == 0) {
            options.frameLog = arg.substr(12);
            if (options.frameLog.empty()) {
                error = "--frame-log needs a file name";
                return false;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option: " + arg;
            return false;
        } else if (options.command.empty()) {
            options.command = arg;
        } else if (takesArgument(options.command) && options.argument.empty()) {
            options.argument = arg;
        } else {
            error = "unexpected argument: " + arg;
            return false;
        }
    }
    return true;
}

std::string hex(unsigned value, int width)
{
    std::ostringstream s;
    s << "0x" << std::uppercase << std::hex << std::setw(width) << std::setfill('0') << value;
    return s.str();
}

std::string modelName(std::uint16_t model)
{
    const ModelFacts* facts = findModel(model);
    return facts != nullptr ? std::string(facts->name) : "unknown";
}

void hexDump(std::ostream& out, const std::uint8_t* data, std::size_t size)
{
    char line[32];
    for (std::size_t row = 0; row < size; row += 16) {
        std::snprintf(line, sizeof line, "  %04zx:", row);
        out << line;
        for (std::size_t i = row; i < std::min(size, row + 16); ++i) {
            std::snprintf(line, sizeof line, " %02X", data[i]);
            out << line;
        }
        out << '\n';
    }
}

// Finds and opens the command collection once.
int connect(DeviceChannel& channel, std::ostream& err)
{
    channel.setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
    HidDeviceInfo& device = channel.device();
    std::lock_guard<std::recursive_mutex> guard(channel.lock());
    if (!device.enumerate()) {
        err << "corvalantisctl: cannot list the HID devices of this system\n";
        return kExitNoMouse;
    }
    if (!device.findChannelDevice(channel.identity())) {
        if (device.lastMatchOutcome() == HidMatchOutcome::NoPermission) {
            err << "corvalantisctl: the mouse is connected, but this user may not open it.\n"
                   "Install the udev rule 70-corvalantis.rules (cmake --install, or copy\n"
                   "packaging/udev/70-corvalantis.rules to /etc/udev/rules.d/), run\n"
                   "'udevadm control --reload-rules && udevadm trigger', and re-plug the mouse.\n";
            return kExitNoPermission;
        }
        err << "corvalantisctl: no CORVALANTIS R210/R240 mouse found (USB " << usbIdText() << ")\n";
        return kExitNoMouse;
    }
    channel.setOpen(true);
    return kExitOk;
}

int commandInfo(DeviceChannel& channel, std::ostream& out, std::ostream& err)
{
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    const int result = channel.getInfo(info);
    if (result != kResultOk) {
        err << "corvalantisctl: the mouse did not answer the identity request (result " << result << ")\n";
        return kExitFailure;
    }
    const ReportedIdentity identity = readIdentity(info);
    out << "model: " << modelName(identity.modelId) << " (" << hex(identity.modelId, 4) << ")\n";
    out << "firmware version: " << hex(channel.device().attributes().versionNumber, 4) << '\n';
    out << "macro capacity: " << identity.macroCapacityBytes() << " bytes\n";
    out << "DPI levels: " << static_cast<unsigned>(identity.dpiLevels) << '\n';
    return kExitOk;
}

int commandDump(DeviceChannel& channel, std::ostream& out, std::ostream& err)
{
    int failures = 0;
    auto report = [&](const char* what, int result) {
        if (result == kResultOk)
            return true;
        out << "  (" << what << " failed: result " << result << ")\n";
        ++failures;
        return false;
    };

    std::array<std::uint8_t, kDeviceInfoSize> info{};
    out << "identity (" << kDeviceInfoSize << " bytes):\n";
    if (report("get-info", channel.getInfo(info)))
        hexDump(out, info.data(), info.size());

    out << "settings space (" << kSettingsRecordCount << " records of " << kSettingsRecordSize << " bytes):\n";
    for (std::size_t r = 0; r < kSettingsRecordCount; ++r) {
        std::array<std::uint8_t, kSettingsRecordSize> record{};
        const auto base = static_cast<std::uint16_t>(r * kSettingsRecordSize);
        const int first = channel.readSettings(base, record.data(), kFrameDataSize);
        const int rest = first == kResultOk ? channel.readSettings(static_cast<std::uint16_t>(base + kFrameDataSize),
                                                                   record.data() + kFrameDataSize,
                                                                   kSettingsRecordSize - kFrameDataSize)
                                            : first;
        out << " record " << r << ":\n";
        if (report("settings read", rest))
            hexDump(out, record.data(), record.size());
    }

    std::array<std::uint8_t, kButtonTableSize> buttons{};
    out << "default button table (" << kButtonTableSize << " bytes):\n";
    if (report("default button read", channel.readDefaultButtons(buttons)))
        hexDump(out, buttons.data(), buttons.size());
    for (unsigned b = 0; b < kButtonBlockCount; ++b) {
        out << "button block " << b << " (" << kButtonTableSize << " bytes):\n";
        if (report("button read", channel.readButtons(b, buttons)))
            hexDump(out, buttons.data(), buttons.size());
    }

    out << "colour table: write-only (the mouse has no command to read it)\n";

    const std::size_t capacity = readIdentity(info).macroCapacityBytes();
    std::array<std::uint8_t, 16> header{};
    out << "macro area (capacity " << capacity << " bytes):\n";
    if (report("macro header read", channel.readMacros(header.data(), header.size()))) {
        const unsigned signature = header[0] | (header[1] << 8);
        const std::size_t total = header[2] | (header[3] << 8);
        if (signature != kMacroSignature) {
            out << "  header without the signature 0x55AA:\n";
            hexDump(out, header.data(), header.size());
        } else {
            const std::size_t length = capacity ? std::min(total, capacity) : total;
            std::vector<std::uint8_t> area(length);
            if (report("macro read", channel.readMacros(area.data(), area.size())))
                hexDump(out, area.data(), area.size());
        }
    }
    if (failures) {
        err << "corvalantisctl: " << failures << " area(s) could not be read\n";
        return kExitFailure;
    }
    return kExitOk;
}

// The capture's only host duty: writing the profile.
struct CaptureHost final : ConnectionHost {
    bool written = true;
    bool windowAlive() override { return true; }
    void macroAreaRead(const std::vector<std::uint8_t>&) override { }
    std::filesystem::path connectProfilePath() override { return {}; }
    void storeCapture(const DeviceCapture& capture) override { written = writeDeviceCapture(capture) && written; }
    void setConnected(bool) override { }
    void connectSequenceDone() override { }
    void mouseLost() override { }
    void openRefused() override { }
};

std::string describeStages(const DeviceState& state)
{
    std::ostringstream s;
    for (std::size_t n = kDpiStageByte; n < kDpiStageByte + kDpiStageCount; ++n)
        s << (n == kDpiStageByte ? "" : " ") << static_cast<unsigned>(state.CurrentSettings[n]);
    return s.str();
}

int commandApply(DeviceChannel& channel, const std::string& file, std::ostream& out, std::ostream& err)
{
    if (!std::filesystem::is_regular_file(file)) {
        err << "corvalantisctl: no such profile file: " << file << '\n';
        return kExitFailure;
    }
    DeviceState state;
    const AppliedProfile applied = applyProfileToDevice(channel, state, file);
    const ProfilePalette palette = readProfilePalette(file);
    sendPalette(channel, palette);
    out << "model: " << modelName(applied.modelId) << '\n';
    out << "DPI stage indexes sent: " << describeStages(state) << " (current stage "
        << static_cast<unsigned>(state.CurrentSettings[kCurrentStageByte]) << ")\n";
    out << "palette colours sent: " << palette.count << '\n';
    if (applied.leftClickRestored)
        err << "corvalantisctl: the profile had no left click; button 0 is the left click again (KEY0 rewritten)\n";
    if (!applied.buttonsKnown && !state.buttonsKnown(0))
        err << "corvalantisctl: the mouse's button block 0 could not be read, so no buttons were sent\n";
    out << "pointer speed step " << applied.pointerSpeed << " and scroll lines " << applied.scrollLines
        << " are applied by the window program only\n";
    return kExitOk;
}

// Why a file that is there was read as nothing.
std::string unreadableReason(ReadStatus status)
{
    if (status == ReadStatus::TooLarge)
        return "is larger than " + std::to_string(kMaxReadBytes >> 20) + " MiB";
    return "cannot be read";
}

// What the image sent holds other than the library's files say.
void tellDifferences(const MacroWriteOutcome& outcome, std::ostream& err)
{
    if (outcome.macrosLeftOut > 0)
        err << "corvalantisctl: msMacro.ini lists " << outcome.macroCount + outcome.macrosLeftOut
            << " macros, the mouse takes " << kMaxMacros << ": " << outcome.macrosLeftOut << " left out\n";
    for (const std::string& name : outcome.unusableNames)
        err << "corvalantisctl: macro \"" << name
            << "\" has a name that cannot be a file name: written without actions\n";
    for (const auto& [name, status] : outcome.unreadableFiles)
        err << "corvalantisctl: the file of macro \"" << name << "\" " << unreadableReason(status)
            << ": written without actions\n";
    if (outcome.damagedLines > 0)
        err << "corvalantisctl: " << outcome.damagedLines
            << " macro line(s) that are no action the mouse can play were written as delays of 0 ms\n";
}

int commandWriteMacros(DeviceChannel& channel, std::ostream& out, std::ostream& err)
{
    const std::filesystem::path folder = dataFolderPath();
    if (folder.empty()) {
        err << "corvalantisctl: there is no data folder (no home folder is known)\n";
        return kExitFailure;
    }
    std::array<std::uint8_t, kDeviceInfoSize> info{};
    const int identity = channel.getInfo(info);
    if (identity != kResultOk) {
        err << "corvalantisctl: the mouse did not answer the identity request (result " << identity << ")\n";
        return kExitFailure;
    }
    const ReportedIdentity reported = readIdentity(info);
    const MacroWriteOutcome outcome = writeMacroLibrary(channel, reported.macroCapacityUnits, folder);
    switch (outcome.result) {
    case MacroWriteResult::Written:
        tellDifferences(outcome, err);
        out << "macros written: " << outcome.macroCount << " (" << outcome.imageLength << " of "
            << reported.macroCapacityBytes() << " bytes)\n";
        return kExitOk;
    case MacroWriteResult::NothingToWrite:
        if (outcome.indexStatus == ReadStatus::TooLarge || outcome.indexStatus == ReadStatus::Failed) {
            err << "corvalantisctl: " << (folder / MacroIndex::kFileName).string() << ' '
                << unreadableReason(outcome.indexStatus) << ": nothing written\n";
            return kExitFailure;
        }
        out << "the macro library in " << folder.string()
            << " is empty: nothing written (the mouse keeps its macros)\n";
        return kExitOk;
    case MacroWriteResult::DoesNotFit:
        err << "corvalantisctl: the macros take " << outcome.imageLength << " bytes, the mouse holds "
            << reported.macroCapacityBytes() << ": remove at least " << outcome.actionsToRemove << " actions\n";
        return kExitFailure;
    case MacroWriteResult::DataError:
        err << "corvalantisctl: the macro image could not be built, or the data folder could not record the write"
               " (nothing was sent)\n";
        return kExitFailure;
    case MacroWriteResult::DeviceError:
        break;
    }
    err << "corvalantisctl: the mouse did not take the macros (result " << outcome.deviceResult << ")\n";
    return kExitFailure;
}

int commandCapture(DeviceChannel& channel, const std::string& file, std::ostream& out, std::ostream& err)
{
    DeviceState state;
    CaptureHost host;
    DeviceConnection connection(channel, state, host, channel.clock());
    if (!connection.readDeviceState(file)) {
        err << "corvalantisctl: the mouse did not answer the identity request\n";
        return kExitFailure;
    }
    if (!host.written) {
        err << "corvalantisctl: cannot write " << file << '\n';
        return kExitFailure;
    }
    out << "model: " << modelName(state.modelId()) << '\n';
    out << "active record: " << static_cast<unsigned>(state.activeRecord()) << '\n';
    out << "DPI stage indexes: " << describeStages(state) << '\n';
    out << "written to " << file << '\n';
    return kExitOk;
}

// One request to the running window program, its answer told on out or err.
int commandForProgram(const std::string& command, const std::string& argument, std::ostream& out, std::ostream& err)
{
    OutsideCall call;
    if (command == "show") {
        call.request = OutsideRequest::ShowWindow;
    } else if (command == "apply-profile") {
        if (argument == "dpi") {
            call.request = OutsideRequest::ApplyDpiProfile;
        } else if (argument == "key") {
            call.request = OutsideRequest::ApplyKeyProfile;
        } else if (argument == "reg") {
            call.request = OutsideRequest::ApplyRegProfile;
        } else {
            err << "corvalantisctl: apply-profile needs the list: dpi, key or reg\n\n" << kUsage;
            return kExitFailure;
        }
    } else if (command == "select-profile") {
        if (argument.empty()) {
            err << "corvalantisctl: select-profile needs a profile name\n\n" << kUsage;
            return kExitFailure;
        }
        call.request = OutsideRequest::SelectProfile;
        call.profileName = argument;
    } else if (command == "device-arrived") {
        call.request = OutsideRequest::DeviceArrived;
    } else {
        call.request = OutsideRequest::GetState;
    }

    const OutsideAnswer answer = sendOutsideRequest(call);
    switch (answer.status) {
    case OutsideStatus::Done:
        break;
    case OutsideStatus::NoBus:
        err << "corvalantisctl: the window program cannot be reached: " << answer.message << '\n';
        return kExitNoProgram;
    case OutsideStatus::NoInstance:
        err << "corvalantisctl: the window program (corvalantis) is not running\n";
        return kExitNoProgram;
    case OutsideStatus::UnknownProfile:
        err << "corvalantisctl: " << answer.message << '\n';
        return kExitFailure;
    case OutsideStatus::Closing:
        err << "corvalantisctl: the window program is closing\n";
        return kExitFailure;
    case OutsideStatus::Failed:
        err << "corvalantisctl: " << command << " failed: " << answer.message << '\n';
        return kExitFailure;
    }
    switch (call.request) {
    case OutsideRequest::ApplyDpiProfile:
    case OutsideRequest::ApplyKeyProfile:
    case OutsideRequest::ApplyRegProfile:
        if (!answer.flag) {
            err << "corvalantisctl: not applied: the window program has no mouse connected\n";
            return kExitNoMouse;
        }
        out << "applied\n";
        return kExitOk;
    case OutsideRequest::DeviceArrived:
        out << (answer.flag ? "the mouse is open: the window program shows it\n"
                            : "no mouse is open: the window program hid its window\n");
        return kExitOk;
    case OutsideRequest::GetState:
        out << "window: " << (answer.flag ? "visible" : "hidden") << '\n'
            << "mouse: " << (answer.connected ? "connected" : "not connected") << '\n';
        return kExitOk;
    case OutsideRequest::SelectProfile:
        out << "selected: " << call.profileName << '\n';
        return kExitOk;
    case OutsideRequest::ShowWindow:
        return kExitOk;
    }
    return kExitOk;
}

}  // namespace

int runCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, HidBackend* hardware,
           Clock* clock)
{
    Clock& time = clock != nullptr ? *clock : Clock::system();
    Options options;
    std::string error;
    if (!parseOptions(args, options, error)) {
        err << "corvalantisctl: " << error << "\n\n" << kUsage;
        return kExitFailure;
    }
    if (options.help) {
        out << kUsage;
        return kExitOk;
    }
    if (options.command.empty()) {
        err << kUsage;
        return kExitFailure;
    }
    if (options.command == "doctor")
        return runDoctor(DoctorSystem::live(), out) == 0 ? kExitOk : kExitFailure;
    if (options.command != "info" && options.command != "dump" && options.command != "write-macros" &&
        !takesFile(options.command) && !forTheProgram(options.command)) {
        err << "corvalantisctl: unknown command: " << options.command << "\n\n" << kUsage;
        return kExitFailure;
    }
    if (takesFile(options.command) && options.argument.empty()) {
        err << "corvalantisctl: " << options.command << " needs a profile file\n\n" << kUsage;
        return kExitFailure;
    }
    if (forTheProgram(options.command)) {
        if (!options.virtualMouse.empty() || !options.frameLog.empty()) {
            err << "corvalantisctl: " << options.command
                << " is carried out by the running program: --virtual-mouse and --frame-log do not apply\n";
            return kExitFailure;
        }
        return commandForProgram(options.command, options.argument, out, err);
    }

    sim::DeviceBackend backend;
    HidBackend* chosen = hardware;
    if (!options.virtualMouse.empty() || hardware == nullptr) {
        if (!sim::chooseBackend(options.virtualMouse, time, backend, &error)) {
            err << "corvalantisctl: " << error << '\n';
            return kExitFailure;
        }
        chosen = backend.backend.get();
    }
    FrameLogFile frameLog;
    DeviceChannel channel(*chosen, time);
    if (!options.frameLog.empty()) {
        if (!frameLog.open(options.frameLog)) {
            err << "corvalantisctl: cannot write the frame log " << options.frameLog << '\n';
            return kExitFailure;
        }
        frameLog.attach(channel);
    }

    const int connected = connect(channel, err);
    if (connected != kExitOk)
        return connected;

    if (options.command == "info")
        return commandInfo(channel, out, err);
    if (options.command == "apply")
        return commandApply(channel, options.argument, out, err);
    if (options.command == "capture")
        return commandCapture(channel, options.argument, out, err);
    if (options.command == "write-macros")
        return commandWriteMacros(channel, out, err);
    return commandDump(channel, out, err);
}

}  // namespace corv::cli
