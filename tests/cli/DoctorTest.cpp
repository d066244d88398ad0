// corvalantisctl doctor on a made-up machine: sysfs, /dev and the rule folders below a
// scratch root, the environment and the access checks given by the test.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../platform/TempFolder.h"
#include "cli/CtlApp.h"
#include "cli/Doctor.h"

namespace corv::cli {
namespace {

using test::TempFolder;
using test::writeBytes;

class DoctorTest : public ::testing::Test {
protected:
    TempFolder root;
    std::map<std::string, std::string> environment{
        {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}, {"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}};
    std::set<std::string> openable;  // node paths this user may open
    RecordSupport record = RecordSupport::Present;
    bool schema = true;
    gnomeshell::ExtensionCheck extension;  // what GNOME Shell says of its extension
    int extensionAsked = 0;
    std::vector<std::string> askedDisplays;

    DoctorSystem system()
    {
        DoctorSystem sys;
        sys.root = root.path();
        sys.env = [this](const char* name) {
            const auto it = environment.find(name);
            return it == environment.end() ? std::string() : it->second;
        };
        sys.canOpen = [this](const std::filesystem::path& node) { return openable.count(node.string()) != 0; };
        sys.record = [this](const std::string& display) {
            askedDisplays.push_back(display);
            return record;
        };
        sys.gnomeMouseSchema = [this] { return schema; };
        sys.gnomeExtension = [this] {
            ++extensionAsked;
            return extension;
        };
        return sys;
    }

    // A hidraw node of a device with these USB ids, its /dev node a plain file.
    void addNode(const std::string& name, const std::string& hidId, bool withDevNode = true)
    {
        const auto device = root / "sys/class/hidraw" / name / "device";
        std::filesystem::create_directories(device);
        writeBytes(device / "uevent", "DRIVER=hid-generic\nHID_ID=" + hidId + "\nHID_NAME=Some Mouse\n");
        if (withDevNode) {
            std::filesystem::create_directories(root / "dev");
            writeBytes(root / "dev" / name, "");
        }
    }
    void addMouseNode(const std::string& name) { addNode(name, "0003:00000C45:00006711"); }
    void installRule(const std::string& folder, const std::string& text)
    {
        std::filesystem::create_directories(root / folder);
        writeBytes(root / folder / "70-corvalantis.rules", text);
    }
    void allowOpen(const std::string& name) { openable.insert((root / "dev" / name).string()); }

    struct Result {
        int problems = 0;
        std::string text;
        std::vector<std::string> problemLines;
        bool has(const std::string& part) const { return text.find(part) != std::string::npos; }
    };
    Result run()
    {
        std::ostringstream out;
        Result r;
        r.problems = runDoctor(system(), out);
        r.text = out.str();
        std::istringstream lines(r.text);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("PROBLEM: ", 0) == 0)
                r.problemLines.push_back(line);
        }
        return r;
    }
};

constexpr const char* kGoodRule =
    "KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0c45\", ATTRS{idProduct}==\"6711\", "
    "TAG+=\"uaccess\"\n";

TEST_F(DoctorTest, AWorkingMachineHasNoProblemsAndNamesWhatItFound)
{
    installRule("usr/lib/udev/rules.d", kGoodRule);
    // A merged /usr: /lib leads to /usr/lib, and its rule is the same file.
    std::filesystem::create_directory_symlink("usr/lib", root / "lib");
    addMouseNode("hidraw2");
    addMouseNode("hidraw3");
    addNode("hidraw0", "0003:0000046D:0000C077");  // another mouse: not listed
    allowOpen("hidraw2");
    allowOpen("hidraw3");
    const Result r = run();
    EXPECT_EQ(r.problems, 0) << r.text;
    EXPECT_TRUE(r.problemLines.empty()) << r.text;
    EXPECT_TRUE(r.has("udev rule: /usr/lib/udev/rules.d/70-corvalantis.rules (gives the user at the seat access)"))
        << r.text;
    EXPECT_FALSE(r.has("udev rule: /lib/")) << r.text;
    EXPECT_TRUE(r.has("mouse: /dev/hidraw2 -rw-")) << r.text;
    EXPECT_TRUE(r.has("mouse: /dev/hidraw3 ")) << r.text;
    EXPECT_FALSE(r.has("hidraw0")) << r.text;
    EXPECT_TRUE(r.has("desktop: X11, GNOME")) << r.text;
    EXPECT_TRUE(r.has("pointer speed: GSettings (org.gnome.desktop.peripherals.mouse speed), else X11")) << r.text;
    EXPECT_TRUE(r.has("scroll lines: not set by the program on this desktop")) << r.text;
    EXPECT_TRUE(r.has("macro recording: the X RECORD extension is available on :0")) << r.text;
    EXPECT_EQ(askedDisplays, std::vector<std::string>{":0"});
    EXPECT_TRUE(r.has("no problems found")) << r.text;
}

TEST_F(DoctorTest, AMissingRuleAndANodeThisUserMayNotOpenAreProblemsWithTheirFix)
{
    addMouseNode("hidraw5");
    const Result r = run();
    EXPECT_EQ(r.problems, 2) << r.text;
    ASSERT_EQ(r.problemLines.size(), 2u) << r.text;
    EXPECT_TRUE(r.has("udev rule: none names the mouse")) << r.text;
    EXPECT_NE(r.problemLines[0].find("the udev rule is not installed"), std::string::npos) << r.problemLines[0];
    EXPECT_NE(r.problemLines[1].find("this user may not open /dev/hidraw5."), std::string::npos) << r.problemLines[1];
    for (const std::string& line : r.problemLines) {
        EXPECT_NE(line.find(" Fix: "), std::string::npos) << line;
        EXPECT_NE(line.find("70-corvalantis.rules to /etc/udev/rules.d/"), std::string::npos) << line;
    }
    EXPECT_TRUE(r.has("mouse: /dev/hidraw5 -rw")) << r.text;
    EXPECT_TRUE(r.has("this user may NOT open it")) << r.text;
    EXPECT_TRUE(r.has("2 problem(s) found")) << r.text;
}

TEST_F(DoctorTest, AnInstalledRuleWithoutAccessOrAStaleNodeHasItsOwnFix)
{
    // A rule of the user's own in /etc names the mouse but gives no access.
    std::filesystem::create_directories(root / "etc/udev/rules.d");
    writeBytes(root / "etc/udev/rules.d/99-mine.rules",
               "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0C45\", ATTRS{idProduct}==\"6711\", MODE=\"0600\"\n");
    addMouseNode("hidraw1");
    {
        const Result r = run();
        EXPECT_TRUE(r.has("udev rule: /etc/udev/rules.d/99-mine.rules (without TAG+=\"uaccess\")")) << r.text;
        ASSERT_EQ(r.problemLines.size(), 2u) << r.text;
        EXPECT_NE(r.problemLines[0].find("replace /etc/udev/rules.d/99-mine.rules"), std::string::npos) << r.text;
    }
    // With our rule installed too, the node that still refuses this user asks for a trigger.
    installRule("usr/local/lib/udev/rules.d", kGoodRule);
    const Result r = run();
    ASSERT_EQ(r.problemLines.size(), 1u) << r.text;
    EXPECT_NE(r.problemLines[0].find("although the rule is installed. Fix: run 'udevadm trigger"), std::string::npos)
        << r.text;
}

TEST_F(DoctorTest, NoMouseOrANodeWithoutItsDeviceFile)
{
    installRule("etc/udev/rules.d", kGoodRule);
    {
        const Result r = run();
        ASSERT_EQ(r.problemLines.size(), 1u) << r.text;
        EXPECT_NE(r.problemLines[0].find("no mouse is connected. Fix: plug the mouse in"), std::string::npos);
    }
    addNode("hidraw4", "0003:00000C45:00006711", false);
    const Result r = run();
    ASSERT_EQ(r.problemLines.size(), 1u) << r.text;
    EXPECT_NE(r.problemLines[0].find("/dev/hidraw4 does not exist."), std::string::npos) << r.text;
}

TEST_F(DoctorTest, TheDesktopDecidesTheBackendsAndRecording)
{
    installRule("usr/lib/udev/rules.d", kGoodRule);
    addMouseNode("hidraw2");
    allowOpen("hidraw2");
    {
        // KDE on Wayland: scroll lines through kdeglobals, no pointer speed; RECORD of Xwayland.
        environment = {{"XDG_CURRENT_DESKTOP", "KDE"}, {"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":1"}};
        const Result r = run();
        EXPECT_EQ(r.problems, 0) << r.text;
        EXPECT_TRUE(r.has("desktop: Wayland, KDE")) << r.text;
        EXPECT_TRUE(r.has("pointer speed: not set by the program on this desktop")) << r.text;
        EXPECT_TRUE(r.has("scroll lines: kdeglobals [KDE] WheelScrollLines")) << r.text;
        EXPECT_TRUE(r.has("program in front: KWin")) << r.text;
        EXPECT_TRUE(r.has("keyboard capture: the program's own windows only")) << r.text;
        // Xwayland's RECORD is not asked: it would hear only X11 windows.
        EXPECT_TRUE(r.has("macro recording: keys typed into the program's own window")) << r.text;
        EXPECT_TRUE(askedDisplays.empty());
    }
    {
        // GNOME on Wayland without the schema: nothing could set the speed.
        environment = {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}};
        schema = false;
        record = RecordSupport::Missing;
        const Result r = run();
        ASSERT_EQ(r.problemLines.size(), 1u) << r.text;
        EXPECT_NE(r.problemLines[0].find("install gsettings-desktop-schemas"), std::string::npos) << r.text;
        EXPECT_TRUE(r.has("program in front: GNOME Shell")) << r.text;
        EXPECT_FALSE(r.has("not in this version")) << r.text;
        EXPECT_TRUE(r.has("GNOME Shell extension: its state unknown: no answer")) << r.text;
    }
    {
        // GNOME on Wayland: the extension's state, and a problem with its fix while it is not
        // running; no other session asks the shell.
        environment = {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"XDG_SESSION_TYPE", "wayland"}};
        schema = true;
        extension = {true, "43.9", gnomeshell::kUuidGnome43, gnomeshell::ExtensionState::Enabled, ""};
        Result r = run();
        EXPECT_EQ(r.problems, 0) << r.text;
        EXPECT_TRUE(r.has("GNOME Shell extension: program-in-front-gnome43@corvalantis.org enabled (GNOME Shell 43.9)"))
            << r.text;
        extension.state = gnomeshell::ExtensionState::Disabled;
        r = run();
        ASSERT_EQ(r.problemLines.size(), 1u) << r.text;
        EXPECT_NE(r.problemLines[0].find("is installed but disabled (GNOME Shell 43.9)"), std::string::npos);
        EXPECT_NE(r.problemLines[0].find("Fix: run: gnome-extensions enable program-in-front-gnome43@corvalantis.org."),
                  std::string::npos);
        extension = {true, "47.1", gnomeshell::kUuid, gnomeshell::ExtensionState::Missing, ""};
        r = run();
        ASSERT_EQ(r.problemLines.size(), 1u) << r.text;
        EXPECT_NE(r.problemLines[0].find("log out and log in again, then run: gnome-extensions enable "
                                         "program-in-front@corvalantis.org."),
                  std::string::npos)
            << r.text;
        extension = {false, "", gnomeshell::kUuid, gnomeshell::ExtensionState::Unknown, "GNOME Shell does not answer"};
        r = run();
        EXPECT_EQ(r.problems, 0) << r.text;
        EXPECT_TRUE(r.has("GNOME Shell extension: program-in-front@corvalantis.org unknown: GNOME Shell does not "
                          "answer"))
            << r.text;
        extensionAsked = 0;
        environment = {{"XDG_CURRENT_DESKTOP", "KDE"}, {"XDG_SESSION_TYPE", "wayland"}};
        r = run();
        EXPECT_TRUE(r.has("GNOME Shell extension: not a GNOME session")) << r.text;
        EXPECT_EQ(extensionAsked, 0);
    }
    {
        // An X11 session without RECORD: a problem with its fix; sway on Wayland: its watcher.
        environment = {{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}};
        record = RecordSupport::Missing;
        Result r = run();
        ASSERT_EQ(r.problemLines.size(), 1u) << r.text;
        EXPECT_NE(r.problemLines[0].find("keys cannot be recorded into macros. Fix: enable RECORD"), std::string::npos)
            << r.text;
        EXPECT_TRUE(r.has("program in front: X11 (_NET_ACTIVE_WINDOW) (XDG_SESSION_TYPE=x11)")) << r.text;
        environment = {{"XDG_SESSION_TYPE", "wayland"}, {"SWAYSOCK", "/run/user/1000/sway-ipc.sock"}};
        r = run();
        EXPECT_TRUE(r.has("program in front: sway (i3 IPC window events)")) << r.text;
        // Another wlroots compositor: its window list, which names no process.
        environment = {{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-1"}, {"DISPLAY", ":2"}};
        r = run();
        EXPECT_TRUE(r.has("program in front: wlroots foreign-toplevel list (app id only)")) << r.text;
        EXPECT_TRUE(r.has("links match by the app id only")) << r.text;
        EXPECT_TRUE(
            r.has("without zwlr_foreign_toplevel_manager_v1: only X11 programs are seen, through Xwayland on :2"))
            << r.text;
        EXPECT_FALSE(r.has("not in this version")) << r.text;
    }
    {
        // A console without any display: nothing to record from, and no problem for it.
        environment.clear();
        askedDisplays.clear();
        const Result r = run();
        EXPECT_EQ(r.problems, 0) << r.text;
        EXPECT_TRUE(r.has("desktop: no graphical session, unknown desktop")) << r.text;
        EXPECT_TRUE(r.has("macro recording: no X display (DISPLAY is unset)")) << r.text;
        EXPECT_TRUE(askedDisplays.empty());
    }
}

TEST(DoctorCommand, RunsOnTheLiveSystemWithoutAMouseConnection)
{
    std::ostringstream out, err;
    const int code = runCtl({"doctor"}, out, err);
    EXPECT_TRUE(code == kExitOk || code == kExitFailure) << code;
    EXPECT_EQ(err.str(), "");
    const std::string text = out.str();
    EXPECT_NE(text.find("udev rule: "), std::string::npos) << text;
    EXPECT_NE(text.find("\ndesktop: "), std::string::npos) << text;
    EXPECT_EQ(code == kExitOk, text.find("no problems found") != std::string::npos) << text;
}

}  // namespace
}  // namespace corv::cli
