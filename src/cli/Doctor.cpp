#include "cli/Doctor.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string_view>
#include <vector>

#include "device/DeviceProtocol.h"
#include "device/ModelFacts.h"
#include "platform/DbusOutsideMessages.h"
#include "platform/DesktopBackends.h"
#include "platform/DesktopSession.h"
#include "platform/DesktopSettings.h"
#include "platform/HidrawSysfs.h"

namespace corv::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kRuleName = "70-corvalantis.rules";
// The folders udev reads rules from, in its order of precedence.
constexpr const char* kRuleFolders[] = {"etc/udev/rules.d", "run/udev/rules.d", "usr/local/lib/udev/rules.d",
                                        "usr/lib/udev/rules.d", "lib/udev/rules.d"};
constexpr std::size_t kMaxRuleBytes = 256 * 1024;

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return text;
}

std::string readSmallFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string text(kMaxRuleBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return text;
}

// "/" + the path below root, as the user knows it.
std::string shown(const fs::path& relative) { return "/" + relative.generic_string(); }

struct Node {
    std::string name;  // hidraw3
    fs::path path;     // below root
    bool present = false;
    mode_t mode = 0;
    std::string owner;
    bool canOpen = false;
};

std::vector<Node> findMouseNodes(const DoctorSystem& sys)
{
    std::vector<Node> nodes;
    std::error_code ec;
    const fs::path classFolder = sys.root / "sys/class/hidraw";
    for (const auto& entry : fs::directory_iterator(classFolder, ec)) {
        const std::string uevent = readSmallFile(entry.path() / "device" / "uevent");
        std::uint32_t bus = 0;
        std::uint16_t vendor = 0, product = 0;
        if (!HidrawSysfs::parseHidId(uevent, bus, vendor, product) || vendor != kMouseVendorId ||
            product != kMouseProductId)
            continue;
        Node node;
        node.name = entry.path().filename().string();
        node.path = fs::path("dev") / node.name;
        struct stat st { };
        const fs::path full = sys.root / node.path;
        if (::stat(full.c_str(), &st) == 0) {
            node.present = true;
            node.mode = st.st_mode;
            const struct passwd* pw = ::getpwuid(st.st_uid);
            const struct group* gr = ::getgrgid(st.st_gid);
            node.owner = (pw != nullptr ? std::string(pw->pw_name) : std::to_string(st.st_uid)) + ":" +
                         (gr != nullptr ? std::string(gr->gr_name) : std::to_string(st.st_gid));
            node.canOpen = sys.canOpen && sys.canOpen(full);
        }
        nodes.push_back(std::move(node));
    }
    std::sort(nodes.begin(), nodes.end(), [](const Node& a, const Node& b) { return a.name < b.name; });
    return nodes;
}

std::string modeText(mode_t mode)
{
    std::string text = S_ISCHR(mode) ? "c" : S_ISREG(mode) ? "-" : "?";
    const char* letters = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit)
        text.push_back((mode & (0400 >> bit)) != 0 ? letters[bit] : '-');
    return text;
}

struct Rule {
    fs::path path;  // below root
    bool uaccess = false;
};

// The rules that name the mouse (by our file name or by its USB ids); the first one in
// udev's order of precedence first.
std::vector<Rule> findRules(const DoctorSystem& sys)
{
    std::vector<Rule> rules;
    std::vector<fs::path> scanned;  // a folder reached twice (/lib -> /usr/lib) counts once
    for (const char* folder : kRuleFolders) {
        std::error_code ec;
        const fs::path real = fs::canonical(sys.root / folder, ec);
        if (ec || std::find(scanned.begin(), scanned.end(), real) != scanned.end())
            continue;
        scanned.push_back(real);
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(sys.root / folder, ec))
            files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            if (file.extension() != ".rules")
                continue;
            const std::string text = lower(readSmallFile(file));
            const bool ours = file.filename() == kRuleName;
            const bool namesMouse =
                text.find(usbVendorText()) != std::string::npos && text.find(usbProductText()) != std::string::npos;
            if (!ours && !namesMouse)
                continue;
            rules.push_back({fs::path(folder) / file.filename(), text.find("uaccess") != std::string::npos});
        }
    }
    return rules;
}

class Report {
public:
    explicit Report(std::ostream& out) : out_(out) { }
    void line(const std::string& text) { out_ << text << '\n'; }
    void problem(const std::string& what, const std::string& fix)
    {
        out_ << "PROBLEM: " << what << " Fix: " << fix << '\n';
        ++problems_;
    }
    int problems() const { return problems_; }

private:
    std::ostream& out_;
    int problems_ = 0;
};

bool containsNoCase(const std::string& text, std::string_view word)
{
    return lower(text).find(word) != std::string::npos;
}

// The shell extension that tells the program in front on GNOME (Wayland): its state, and what
// to do when the shell has it but does not run it.
void gnomeExtensionLine(bool gnomeSession, const DoctorSystem& sys, Report& report)
{
    if (!gnomeSession) {
        report.line("GNOME Shell extension: not a GNOME session");
        return;
    }
    if (!sys.gnomeExtension)
        return;
    const gnomeshell::ExtensionCheck check = sys.gnomeExtension();
    const std::string version = check.shellVersion.empty() ? "" : " (GNOME Shell " + check.shellVersion + ")";
    const std::string enable = "log out and log in again, then run: " + gnomeshell::enableCommand(check.uuid);
    switch (check.state) {
    case gnomeshell::ExtensionState::Enabled:
        report.line("GNOME Shell extension: " + check.uuid + " enabled" + version);
        return;
    case gnomeshell::ExtensionState::Disabled:
        report.problem("the GNOME Shell extension " + check.uuid + " is installed but disabled" + version +
                           ", so profiles switch only with X11 programs (through Xwayland).",
                       "run: " + gnomeshell::enableCommand(check.uuid) + ".");
        return;
    case gnomeshell::ExtensionState::Missing:
        report.problem("GNOME Shell does not know the extension " + check.uuid + version +
                           ", so profiles switch only with X11 programs (through Xwayland).",
                       "install the corvalantis package (it puts the extension into "
                       "/usr/share/gnome-shell/extensions), then " +
                           enable + ".");
        return;
    case gnomeshell::ExtensionState::Error:
    case gnomeshell::ExtensionState::OutOfDate:
        report.problem("the GNOME Shell extension " + check.uuid + " is in the state \"" +
                           gnomeshell::extensionStateName(check.state) + "\"" + version +
                           ", so profiles switch only with X11 programs (through Xwayland).",
                       "see `gnome-extensions info " + check.uuid + "` and the shell's log (journalctl --user -b " +
                           "/usr/bin/gnome-shell).");
        return;
    case gnomeshell::ExtensionState::Unknown:
        break;
    }
    report.line("GNOME Shell extension: " + (check.uuid.empty() ? std::string("its state") : check.uuid) +
                " unknown: " + (check.error.empty() ? std::string("no answer") : check.error));
}

}  // namespace

DoctorSystem DoctorSystem::live()
{
    DoctorSystem sys;
    sys.env = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
    sys.canOpen = [](const fs::path& node) { return ::access(node.c_str(), R_OK | W_OK) == 0; };
    sys.record = [](const std::string& display) { return x11RecordSupport(display); };
    sys.gnomeMouseSchema = [] { return desktop::gsettingsHasPointerSpeed(); };
    sys.gnomeExtension = [] { return gnomeshell::checkExtension(sessionBusAddress()); };
    return sys;
}

int runDoctor(const DoctorSystem& sys, std::ostream& out)
{
    Report report(out);
    const auto env = [&](const char* name) { return sys.env ? sys.env(name) : std::string(); };
    const std::string installRule = std::string("install the package, or copy packaging/udev/") + kRuleName +
                                    " to /etc/udev/rules.d/, then run 'udevadm control --reload-rules && "
                                    "udevadm trigger --subsystem-match=hidraw' as root.";

    // The rule.
    const std::vector<Rule> rules = findRules(sys);
    bool ruleGivesAccess = false;
    if (rules.empty()) {
        report.line("udev rule: none names the mouse (USB " + usbIdText() + ")");
        report.problem("the udev rule is not installed, so the mouse's nodes belong to root.", installRule);
    } else {
        for (const Rule& rule : rules) {
            report.line("udev rule: " + shown(rule.path) +
                        (rule.uaccess ? " (gives the user at the seat access)" : " (without TAG+=\"uaccess\")"));
            ruleGivesAccess = ruleGivesAccess || rule.uaccess;
        }
        if (!ruleGivesAccess)
            report.problem("no rule that names the mouse tags it with \"uaccess\".",
                           "replace " + shown(rules.front().path) + " with packaging/udev/" + kRuleName +
                               " and run 'udevadm control --reload-rules && udevadm trigger "
                               "--subsystem-match=hidraw' as root.");
    }

    // The nodes.
    const std::vector<Node> nodes = findMouseNodes(sys);
    if (nodes.empty()) {
        report.line("mouse: no hidraw node of a CORVALANTIS R210/R240 (USB " + usbIdText() + ")");
        report.problem("no mouse is connected.",
                       "plug the mouse in; 'lsusb -d " + usbIdText() + "' shows whether the system sees it.");
    }
    for (const Node& node : nodes) {
        if (!node.present) {
            report.line("mouse: " + node.name + " is known to the kernel but " + shown(node.path) + " is missing");
            report.problem(shown(node.path) + " does not exist.",
                           "re-plug the mouse; if the node stays missing, check that udev (systemd-udevd) runs.");
            continue;
        }
        report.line("mouse: " + shown(node.path) + " " + modeText(node.mode) + " " + node.owner +
                    (node.canOpen ? ", this user may open it" : ", this user may NOT open it"));
        if (node.canOpen)
            continue;
        if (!ruleGivesAccess)
            report.problem("this user may not open " + shown(node.path) + ".",
                           installRule + " Then re-plug the mouse.");
        else
            report.problem("this user may not open " + shown(node.path) + " although the rule is installed.",
                           "run 'udevadm trigger --subsystem-match=hidraw' as root or re-plug the mouse; the rule "
                           "gives access only to a user logged in at the machine's seat (not over ssh).");
    }

    // The desktop.
    const std::string currentDesktop = env("XDG_CURRENT_DESKTOP");
    const std::string sessionType = env("XDG_SESSION_TYPE");
    const std::string display = env("DISPLAY");
    const bool wayland =
        containsNoCase(sessionType, "wayland") || (sessionType.empty() && !env("WAYLAND_DISPLAY").empty());
    const bool x11 = !wayland && (containsNoCase(sessionType, "x11") || !display.empty());
    const std::string desktopName = containsNoCase(currentDesktop, "gnome") ? "GNOME"
                                    : containsNoCase(currentDesktop, "kde") ? "KDE"
                                    : currentDesktop.empty()                ? "unknown desktop"
                                                                            : currentDesktop;
    report.line(std::string("desktop: ") +
                (wayland ? "Wayland"
                 : x11   ? "X11"
                         : "no graphical session") +
                ", " + desktopName + " (XDG_CURRENT_DESKTOP=" + currentDesktop + ", XDG_SESSION_TYPE=" + sessionType +
                ", DISPLAY=" + display + ")");

    // The program in front and the keyboard, as the program chooses them.
    SessionEnvironment session;
    session.sessionType = sessionType;
    session.currentDesktop = currentDesktop;
    session.display = display;
    session.waylandDisplay = env("WAYLAND_DISPLAY");
    session.swaySocket = env("SWAYSOCK");
    session.hyprlandSignature = env("HYPRLAND_INSTANCE_SIGNATURE");
    const DesktopBackends backends = chooseDesktopBackends(session);
    std::string front =
        "program in front: " + std::string(foregroundBackendName(backends.foreground)) + " (" + backends.reason + ")";
    if (backends.foreground == ForegroundBackend::WlrToplevel)
        front += "; links match by the app id only (the compositor names no process); a compositor without "
                 "zwlr_foreign_toplevel_manager_v1: " +
                 (display.empty() ? std::string("profiles do not switch by program")
                                  : "only X11 programs are seen, through Xwayland on " + display);
    report.line(front);
    gnomeExtensionLine(backends.foreground == ForegroundBackend::GnomeShell, sys, report);
    report.line("keyboard capture: " + std::string(keyboardBackendName(backends.keyboard)));

    const DesktopMethods methods = chooseDesktopMethods(currentDesktop, sessionType, display);
    std::string speed;
    bool usesGSettings = false;
    for (const PointerSpeedMethod m : methods.pointerSpeed) {
        speed += speed.empty() ? "" : ", else ";
        if (m == PointerSpeedMethod::GSettings) {
            speed += "GSettings (org.gnome.desktop.peripherals.mouse speed)";
            usesGSettings = true;
        } else {
            speed += "X11 (libinput Accel Speed of each pointer, else the core acceleration)";
        }
    }
    report.line("pointer speed: " + (speed.empty() ? std::string("not set by the program on this desktop") : speed));
    if (usesGSettings && sys.gnomeMouseSchema && !sys.gnomeMouseSchema()) {
        if (methods.pointerSpeed.size() == 1)
            report.problem("the GNOME mouse settings schema is not installed, so profiles cannot set the pointer "
                           "speed.",
                           "install gsettings-desktop-schemas (apt install gsettings-desktop-schemas).");
        else
            report.line("  (the GNOME mouse settings schema is not installed: X11 is used)");
    }
    report.line(std::string("scroll lines: ") + (methods.scrollLines.empty() ? "not set by the program on this desktop"
                                                                             : "kdeglobals [KDE] WheelScrollLines"));

    // Macro recording.
    if (backends.session == SessionKind::Wayland) {
        report.line("macro recording: keys typed into the program's own window (a Wayland session lets no "
                    "program read the keys typed into others)");
        report.line(report.problems() == 0 ? "no problems found"
                                           : std::to_string(report.problems()) + " problem(s) found");
        return report.problems();
    }
    const RecordSupport record = display.empty() || !sys.record ? RecordSupport::NoDisplay : sys.record(display);
    switch (record) {
    case RecordSupport::Present:
        report.line("macro recording: the X RECORD extension is available on " + display);
        break;
    case RecordSupport::Missing:
        report.line("macro recording: the X server on " + display + " has no RECORD extension");
        report.problem("keys cannot be recorded into macros.",
                       "enable RECORD in the X server (Xorg: Section \"Extensions\" Option \"RECORD\" \"Enable\"); "
                       "macros can still be edited by hand on the macro page.");
        break;
    case RecordSupport::NoDisplay:
        report.line("macro recording: no X display" +
                    (display.empty() ? std::string(" (DISPLAY is unset)") : " can be opened at " + display));
        if (x11 || wayland)
            report.problem("keys cannot be recorded into macros without an X display.",
                           "run the program in the desktop session (DISPLAY set).");
        break;
    }

    report.line(report.problems() == 0 ? "no problems found" : std::to_string(report.problems()) + " problem(s) found");
    return report.problems();
}

}  // namespace corv::cli
