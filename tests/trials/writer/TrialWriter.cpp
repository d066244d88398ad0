// The kill trials' writer: in a loop, generation after generation, writes a device capture
// into a profile, a macro file, the profile index (one batched edit), one change of the
// macro library (a new macro with its file, or the removal of the first one) and the library
// into a virtual mouse at USB speed, the way the program writes them. After each write it
// reports "<letter> <generation>" on standard output, so the test knows which writes were
// complete when it killed us; the mouse's write also reports its first macro frame ('B')
// and its CMD_END ('E') as the mouse carries them out.
//
//   corv_trial_writer FOLDER FIRST_GENERATION
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "TrialFiles.h"
#include "TrialMouse.h"
#include "device/DeviceConnection.h"
#include "device/ModelFacts.h"
#include "macros/MacroFile.h"
#include "macros/MacroIndex.h"
#include "macros/MacroTransfer.h"
#include "platform/IniEdit.h"
#include "profiles/ProfileFile.h"

namespace {

using namespace corv;
namespace fs = std::filesystem;

void report(char what, long g)
{
    const std::string line = std::string(1, what) + " " + std::to_string(g) + "\n";
    if (::write(STDOUT_FILENO, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        std::exit(3);  // nobody listens any more
}

[[noreturn]] void failed(const char* what, long g)
{
    std::fprintf(stderr, "corv_trial_writer: %s failed in generation %ld\n", what, g);
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: corv_trial_writer FOLDER FIRST_GENERATION\n");
        return 1;
    }
    const fs::path folder = argv[1];
    trials::TrialMouse mouse;
    if (!mouse.open(Clock::system(), sim::LatencyMode::UsbFullSpeed))
        failed("opening the virtual mouse", 0);
    long current = 0;
    bool begun = false;
    mouse.mouse->setRequestHook([&](const ReportFrame& frame) {
        if (frame.command() == CMD_WRITE_MACROS && !begun) {
            begun = true;
            report('B', current);
        } else if (frame.command() == CMD_END && begun) {
            report('E', current);
        }
    });
    for (long g = std::atol(argv[2]);; ++g) {
        current = g;
        DeviceCapture capture;
        capture.file = folder / trials::kProfile;
        capture.modelId = kModelR240;
        capture.haveSettings = true;
        capture.settings.fill(trials::profileByte(g));
        capture.haveButtons = true;
        capture.buttons.fill(trials::profileByte(g));
        if (!writeDeviceCapture(capture))
            failed("the profile", g);
        report('P', g);

        if (!MacroFile::write(folder / trials::kMacro, trials::macroLines(g)))
            failed("the macro file", g);
        report('M', g);

        ini::IniEdit edit(folder / trials::kProfileIndex);
        const int count = trials::profileCount(g);
        edit.set("PROFILECOUNT", "count", std::to_string(count));
        for (int i = 0; i < trials::kMaxProfiles; ++i) {
            if (i < count)
                edit.set("PROFILENAME", std::to_string(i), trials::profileName(g));
            else
                edit.remove("PROFILENAME", std::to_string(i));
        }
        edit.set("PROFILESELECT", "select", std::to_string(g % count));
        if (!edit.commit())
            failed("the profile index", g);
        report('I', g);

        MacroIndex library(folder);
        if (library.count() < trials::kLibrarySize) {
            std::string name;
            if (library.addNew(&name) != MacroResult::Ok)
                failed("a new macro", g);
            if (!MacroFile::write(library.macroPath(name), trials::macroLines(g)))
                failed("a new macro's file", g);
        } else if (library.remove(0) != MacroResult::Ok) {
            failed("a removal", g);
        }
        report('X', g);

        begun = false;
        if (writeMacroLibrary(*mouse.channel, mouse.mouse->macroCapacityUnits(), folder).result !=
            MacroWriteResult::Written)
            failed("the macro write", g);
        report('W', g);
    }
}
