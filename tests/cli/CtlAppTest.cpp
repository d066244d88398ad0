#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "../platform/ScopedEnv.h"
#include "../platform/TempFolder.h"
#include "SessionBus.h"
#include "cli/CtlApp.h"
#include "macros/MacroFile.h"
#include "macros/MacroWriteMark.h"
#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/DbusOutsideMessages.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"

namespace corv::cli {
namespace {

using test::readBytes;
using test::TempFolder;

struct CtlRun {
    int code = -1;
    std::string out;
    std::string err;
};

CtlRun run(std::vector<std::string> args, HidBackend* hardware = nullptr)
{
    std::ostringstream out, err;
    CtlRun r;
    r.code = runCtl(args, out, err, hardware);
    r.out = out.str();
    r.err = err.str();
    return r;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

TEST(CtlApp, InfoDescribesEachVirtualModel)
{
    const CtlRun r240 = run({"--virtual-mouse=R240", "info"});
    EXPECT_EQ(r240.code, kExitOk) << r240.err;
    EXPECT_NE(r240.out.find("model: R240 (0x3360)"), std::string::npos) << r240.out;
    EXPECT_NE(r240.out.find("DPI levels: 120"), std::string::npos) << r240.out;
    EXPECT_NE(r240.out.find("macro capacity: 32640 bytes"), std::string::npos) << r240.out;

    const CtlRun r210 = run({"--virtual-mouse=r210", "info"});
    EXPECT_EQ(r210.code, kExitOk) << r210.err;
    EXPECT_NE(r210.out.find("model: R210 (0x3325)"), std::string::npos) << r210.out;
    EXPECT_NE(r210.out.find("DPI levels: 59"), std::string::npos) << r210.out;
}

TEST(CtlApp, FrameLogHoldsTheGetInfoRequestAndItsAnswer)
{
    TempFolder folder;
    const std::string log = (folder / "f").string();
    const CtlRun r = run({"--virtual-mouse=R240", "--frame-log=" + log, "info"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const std::vector<std::string> logLines = lines(readBytes(log));
    ASSERT_EQ(logLines.size(), 2u);
    std::string request = "> 04 24 00 03 21 00 00 00";
    for (int i = 0; i < 56; ++i)
        request += " 00";
    EXPECT_EQ(logLines[0], request);
    // The answer echoes the command and carries the identity: model 0x3360 at data byte 9.
    ASSERT_EQ(logLines[1].size(), request.size());
    EXPECT_EQ(logLines[1].substr(0, 2), "< ");
    EXPECT_EQ(logLines[1].substr(2 + 3 * 3, 5), "03 21");
    EXPECT_EQ(logLines[1].substr(2 + 3 * (8 + 9), 5), "60 33");
}

TEST(CtlApp, DumpShowsEveryReadableArea)
{
    const CtlRun r = run({"--virtual-mouse=R210", "dump"});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    for (const char* heading : {"identity (33 bytes):", "record 5:", "default button table (126 bytes):",
                                "button block 4 (126 bytes):", "macro area (capacity"})
        EXPECT_NE(r.out.find(heading), std::string::npos) << heading;
    EXPECT_EQ(r.out.find("failed"), std::string::npos) << r.out;
}

// The bytes of the first frame in a log whose command is `command`, or empty.
std::vector<unsigned> firstFrame(const std::string& log, unsigned command)
{
    for (const std::string& line : lines(log)) {
        if (line.rfind("> ", 0) != 0)
            continue;
        std::vector<unsigned> bytes;
        std::istringstream in(line.substr(2));
        for (std::string hex; in >> hex;)
            bytes.push_back(static_cast<unsigned>(std::stoul(hex, nullptr, 16)));
        if (bytes.size() == 64 && bytes[3] == command)
            return bytes;
    }
    return {};
}

TEST(CtlApp, ApplySendsTheLimitedImageAndCaptureWritesTheMousesState)
{
    TempFolder folder;
    const std::string profile = (folder / "p.pro").string();
    test::writeBytes(profile, "[Setting]\nLED0=4\nLED17=200\nLED20=2\nKEY0=32,0,4\n[3360]\nLED17=150\n"
                              "[COLORCOUNT]\ncount=1\n[COLORVALUE]\n0=16711935\n");
    const std::string log210 = (folder / "f210").string();
    const CtlRun r210 = run({"--virtual-mouse=R210", "--frame-log=" + log210, "apply", profile});
    ASSERT_EQ(r210.code, kExitOk) << r210.err;
    const std::vector<unsigned> settings = firstFrame(readBytes(log210), 0x06);
    ASSERT_EQ(settings.size(), 64u);
    EXPECT_EQ(settings[4], 56u);       // the whole record
    EXPECT_EQ(settings[8 + 0], 0u);    // record 0 becomes the active one
    EXPECT_EQ(settings[8 + 17], 58u);  // the R210's limit
    EXPECT_EQ(settings[8 + 20], 2u);
    const std::vector<unsigned> buttons = firstFrame(readBytes(log210), 0x09);
    ASSERT_EQ(buttons.size(), 64u);
    EXPECT_EQ(buttons[8], 32u);
    const std::vector<unsigned> colours = firstFrame(readBytes(log210), 0x0B);
    ASSERT_EQ(colours.size(), 64u);
    EXPECT_EQ(colours[8], 0xFFu);  // red, green, blue of 0x00FF00FF
    EXPECT_EQ(colours[9], 0x00u);
    EXPECT_EQ(colours[10], 0xFFu);

    // The R240 takes its stages from [3360], limited to 119.
    const std::string log240 = (folder / "f240").string();
    ASSERT_EQ(run({"--virtual-mouse=R240", "--frame-log=" + log240, "apply", profile}).code, kExitOk);
    EXPECT_EQ(firstFrame(readBytes(log240), 0x06).at(8 + 17), 119u);

    // Capture writes what a fresh mouse holds; other keys stay.
    const std::string captured = (folder / "c.pro").string();
    test::writeBytes(captured, "[Setting]\nPRO0=7\n");
    const CtlRun cap = run({"--virtual-mouse=R240", "capture", captured});
    ASSERT_EQ(cap.code, kExitOk) << cap.err;
    const std::string text = readBytes(captured);
    EXPECT_NE(text.find("PRO0=7"), std::string::npos);
    EXPECT_NE(text.find("[3360]"), std::string::npos);
    EXPECT_NE(text.find("KEY8="), std::string::npos);

    EXPECT_EQ(run({"--virtual-mouse=R240", "apply"}).code, kExitFailure);
    EXPECT_EQ(run({"--virtual-mouse=R240", "apply", (folder / "missing.pro").string()}).code, kExitFailure);
}

TEST(CtlApp, WriteMacrosSendsTheLibraryOfTheDataFolder)
{
    TempFolder home;
    test::ScopedEnv homeEnv("HOME", home.path().string());
    test::ScopedEnv configEnv("XDG_CONFIG_HOME", (home / ".config").string());
    const std::filesystem::path data = dataFolderPath();
    ASSERT_FALSE(data.empty());

    // An empty library: nothing to send, and that is a success.
    const CtlRun empty = run({"--virtual-mouse=R240", "write-macros"});
    EXPECT_EQ(empty.code, kExitOk) << empty.err;
    EXPECT_NE(empty.out.find("nothing written"), std::string::npos) << empty.out;

    test::writeBytes(data / "msMacro.ini", "[MACROCOUNT]\ncount=1\n[MACRONAME]\n0=Tap\n");
    ASSERT_TRUE(MacroFile::write(data / "Tap.mac", {"1,4,202,1,A", "0,12,0,1,A", "1,4,138,0,A", "0,0,0,0,A"}));
    const std::string log = (home / "frames").string();
    const CtlRun written = run({"--virtual-mouse=R240", "--frame-log=" + log, "write-macros"});
    ASSERT_EQ(written.code, kExitOk) << written.err;
    EXPECT_NE(written.out.find("macros written: 1 (30 of 32640 bytes)"), std::string::npos) << written.out;
    const std::vector<unsigned> frame = firstFrame(readBytes(log), 0x14);
    ASSERT_EQ(frame.size(), 64u);
    EXPECT_EQ(frame[4], 30u);  // the whole image in one chunk
    EXPECT_EQ(std::vector<unsigned>(frame.begin() + 8, frame.begin() + 14),
              (std::vector<unsigned>{0xAA, 0x55, 0x1E, 0x00, 0x01, 0x00}));
    EXPECT_FALSE(firstFrame(readBytes(log), 0x01).empty());
    EXPECT_FALSE(firstFrame(readBytes(log), 0x02).empty());

    // The write is marked in the data folder until it completes: a write the mouse cuts off
    // (an error status at its first chunk) leaves the mark, the next one removes it.
    const MacroWriteMark mark(data);
    EXPECT_FALSE(mark.isSet());
    auto refusing = std::make_shared<sim::VirtualMouse>(Clock::system());
    sim::VirtualMouse* refusingMouse = refusing.get();
    refusing->setRequestHook([refusingMouse](const ReportFrame& f) {
        if (f.command() == CMD_BEGIN)
            refusingMouse->failNextRequests(1);
    });
    sim::VirtualHidBackend refusingBackend(refusing);
    EXPECT_EQ(run({"write-macros"}, &refusingBackend).code, kExitFailure);
    EXPECT_TRUE(mark.isSet());
    refusing->setRequestHook(nullptr);
    EXPECT_EQ(run({"write-macros"}, &refusingBackend).code, kExitOk);
    EXPECT_FALSE(mark.isSet());

    // A mouse with one unit of macro memory cannot take 65 actions (L = 152).
    std::vector<std::string> many(65, "0,1,0,0,");
    ASSERT_TRUE(MacroFile::write(data / "Tap.mac", many));
    sim::VirtualMouseConfig small;
    small.macroCapacityUnits = 1;
    auto mouse = std::make_shared<sim::VirtualMouse>(Clock::system(), small);
    sim::VirtualHidBackend backend(mouse);
    const CtlRun tooBig = run({"write-macros"}, &backend);
    EXPECT_EQ(tooBig.code, kExitFailure);
    EXPECT_NE(tooBig.err.find("remove at least 13 actions"), std::string::npos) << tooBig.err;
    EXPECT_EQ(mouse->frameLog().frames(FrameDirection::Request).size(), 1u);  // the identity request only
}

TEST(CtlApp, WriteMacrosSaysWhatItLeavesOut)
{
    TempFolder home;
    test::ScopedEnv homeEnv("HOME", home.path().string());
    test::ScopedEnv configEnv("XDG_CONFIG_HOME", (home / ".config").string());
    const std::filesystem::path data = dataFolderPath();
    ASSERT_FALSE(data.empty());

    // 52 names: the mouse takes the first 50, and that is still a success. One name cannot
    // be a file name, one line is no action.
    std::string index = "[MACROCOUNT]\ncount=52\n[MACRONAME]\n0=m0\n1=../x\n";
    for (int i = 2; i < 52; ++i)
        index += std::to_string(i) + "=m" + std::to_string(i) + "\n";
    test::writeBytes(data / "msMacro.ini", index);
    ASSERT_TRUE(MacroFile::write(data / "m0.mac", {"0,30,99999,1,A", "1,4,202,1,A"}));
    const CtlRun written = run({"--virtual-mouse=R240", "write-macros"});
    EXPECT_EQ(written.code, kExitOk) << written.err;
    EXPECT_NE(written.out.find("macros written: 50 "), std::string::npos) << written.out;
    EXPECT_EQ(lines(written.err),
              (std::vector<std::string>{"corvalantisctl: msMacro.ini lists 52 macros, the mouse takes 50: 2 left out",
                                        "corvalantisctl: macro \"../x\" has a name that cannot be a file name: "
                                        "written without actions",
                                        "corvalantisctl: 1 macro line(s) that are no action the mouse can play were "
                                        "written as delays of 0 ms"}));

    // An index above the read limit is not taken for an empty library.
    std::filesystem::resize_file(data / "msMacro.ini", kMaxReadBytes + 1);
    const CtlRun unread = run({"--virtual-mouse=R240", "write-macros"});
    EXPECT_EQ(unread.code, kExitFailure);
    EXPECT_NE(unread.err.find("msMacro.ini is larger than 16 MiB: nothing written"), std::string::npos) << unread.err;
}

TEST(CtlApp, UsageErrorsAndHelp)
{
    const CtlRun help = run({"--help"});
    EXPECT_EQ(help.code, kExitOk);
    for (const char* word : {"--virtual-mouse", "--frame-log", "info", "dump", "write-macros"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;

    EXPECT_EQ(run({}).code, kExitFailure);
    const CtlRun unknown = run({"--virtual-mouse=R240", "frobnicate"});
    EXPECT_EQ(unknown.code, kExitFailure);
    EXPECT_NE(unknown.err.find("unknown command: frobnicate"), std::string::npos);
    EXPECT_EQ(run({"--bogus", "info"}).code, kExitFailure);
    EXPECT_EQ(run({"--frame-log=", "info"}).code, kExitFailure);
    const CtlRun model = run({"--virtual-mouse=R999", "info"});
    EXPECT_EQ(model.code, kExitFailure);
    EXPECT_FALSE(model.err.empty());
    // A log that cannot be created is an error before anything is sent.
    EXPECT_EQ(run({"--virtual-mouse=R240", "--frame-log=/nonexistent-folder/f", "info"}).code, kExitFailure);
}

TEST(CtlApp, NoMouseAndNoPermissionHaveTheirOwnExitCodes)
{
    // A system without the mouse.
    sim::VirtualHidBackend empty(nullptr);
    const CtlRun none = run({"info"}, &empty);
    EXPECT_EQ(none.code, kExitNoMouse);
    EXPECT_NE(none.err.find("no CORVALANTIS"), std::string::npos) << none.err;

    // The mouse is there but its node belongs to root.
    auto mouse = std::make_shared<sim::VirtualMouse>(Clock::system());
    sim::VirtualHidBackend locked(mouse);
    locked.setOpenFailure(mouse->interfacePath(0), HidOpenError::PermissionDenied);
    locked.setOpenFailure(mouse->interfacePath(1), HidOpenError::PermissionDenied);
    const CtlRun denied = run({"info"}, &locked);
    EXPECT_EQ(denied.code, kExitNoPermission);
    EXPECT_NE(denied.err.find("70-corvalantis.rules"), std::string::npos) << denied.err;

    // The mouse refuses the identity request: the command fails, it is not "no mouse".
    auto silent = std::make_shared<sim::VirtualMouse>(Clock::system());
    sim::VirtualHidBackend quiet(silent);
    silent->failNextRequests(1, sim::kStatusInvalid);
    const CtlRun failed = run({"info"}, &quiet);
    EXPECT_EQ(failed.code, kExitFailure);
}

// A stand-in for the window program on a private session bus: records the requests and
// answers as the window would with or without a mouse.
class ProgramStandIn {
public:
    explicit ProgramStandIn(bool mouse) : mouse_(mouse)
    {
        started_ = service_.start([this](OutsideCall call, OutsideReply reply) {
            OutsideAnswer a;
            a.flag = mouse_;
            a.connected = mouse_;
            if (call.request == OutsideRequest::SelectProfile && call.profileName != "Game") {
                a.status = OutsideStatus::UnknownProfile;
                a.message = "no profile is named \"" + call.profileName + "\"";
            }
            std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back(call);
            reply.answer(a);
        });
    }
    bool started() const { return started_; }
    std::vector<OutsideCall> calls()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }

private:
    bool mouse_;
    bool started_ = false;
    std::mutex mutex_;
    std::vector<OutsideCall> calls_;
    DbusOutsideMessageService service_;
};

TEST(CtlProgramCommands, EachCommandSendsItsRequestAndTellsTheAnswer)
{
    test::SessionBus bus;
    ASSERT_TRUE(bus.up()) << bus.error();
    ProgramStandIn program(true);
    ASSERT_TRUE(program.started());

    EXPECT_EQ(run({"show"}).code, kExitOk);
    const CtlRun applied = run({"apply-profile", "dpi"});
    EXPECT_EQ(applied.code, kExitOk) << applied.err;
    EXPECT_EQ(applied.out, "applied\n");
    EXPECT_EQ(run({"apply-profile", "key"}).code, kExitOk);
    EXPECT_EQ(run({"apply-profile", "reg"}).code, kExitOk);
    const CtlRun selected = run({"select-profile", "Game"});
    EXPECT_EQ(selected.code, kExitOk);
    EXPECT_EQ(selected.out, "selected: Game\n");
    const CtlRun unknown = run({"select-profile", "Office"});
    EXPECT_EQ(unknown.code, kExitFailure);
    EXPECT_NE(unknown.err.find("no profile is named \"Office\""), std::string::npos) << unknown.err;
    EXPECT_NE(run({"device-arrived"}).out.find("the mouse is open"), std::string::npos);
    EXPECT_EQ(run({"status"}).out, "window: visible\nmouse: connected\n");

    const std::vector<OutsideCall> calls = program.calls();
    const OutsideRequest order[] = {OutsideRequest::ShowWindow,      OutsideRequest::ApplyDpiProfile,
                                    OutsideRequest::ApplyKeyProfile, OutsideRequest::ApplyRegProfile,
                                    OutsideRequest::SelectProfile,   OutsideRequest::SelectProfile,
                                    OutsideRequest::DeviceArrived,   OutsideRequest::GetState};
    ASSERT_EQ(calls.size(), std::size(order));
    for (std::size_t i = 0; i < calls.size(); ++i)
        EXPECT_EQ(calls[i].request, order[i]) << i;
    EXPECT_EQ(calls[5].profileName, "Office");

    // Mistakes are caught before anything is sent.
    EXPECT_EQ(run({"apply-profile"}).code, kExitFailure);
    EXPECT_EQ(run({"apply-profile", "mouse"}).code, kExitFailure);
    EXPECT_EQ(run({"select-profile"}).code, kExitFailure);
    EXPECT_EQ(run({"--virtual-mouse=R240", "show"}).code, kExitFailure);
    EXPECT_EQ(program.calls().size(), calls.size());
}

TEST(CtlProgramCommands, WithoutAMouseNothingIsAppliedAndWithoutTheProgramNothingAnswers)
{
    test::SessionBus bus;
    ASSERT_TRUE(bus.up()) << bus.error();
    {
        ProgramStandIn program(false);
        ASSERT_TRUE(program.started());
        const CtlRun none = run({"apply-profile", "reg"});
        EXPECT_EQ(none.code, kExitNoMouse);
        EXPECT_NE(none.err.find("no mouse"), std::string::npos) << none.err;
        EXPECT_NE(run({"device-arrived"}).out.find("hid its window"), std::string::npos);
        EXPECT_EQ(run({"status"}).out, "window: hidden\nmouse: not connected\n");
    }
    const CtlRun gone = run({"show"});
    EXPECT_EQ(gone.code, kExitNoProgram);
    EXPECT_NE(gone.err.find("not running"), std::string::npos) << gone.err;

    test::ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
    const CtlRun unreachable = run({"status"});
    EXPECT_EQ(unreachable.code, kExitNoProgram);
    EXPECT_NE(unreachable.err.find("session bus"), std::string::npos) << unreachable.err;
}

}  // namespace
}  // namespace corv::cli
