#pragma once
// corvalantisctl doctor: what stands between this user and the mouse, and between the
// program and the desktop. It lists the mouse's hidraw nodes with their permissions, the
// udev rule, the desktop session with the ways the program would set the pointer speed and
// the scroll lines, how it learns the program in front (on GNOME: the state of its shell
// extension), and the X RECORD extension that recording macros needs. Every problem
// is one line that says how to fix it.
//
// The file system and the environment come in through DoctorSystem, so that tests can show
// a machine without the rule, or a node this user may not open, without being root.
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>

#include "platform/GnomeShellExtension.h"
#include "platform/X11KeyboardSource.h"

namespace corv::cli {

struct DoctorSystem {
    // Where "/" is: sysfs, /dev and the udev rule folders are read below it.
    std::filesystem::path root = "/";
    // An environment variable's value; empty when unset.
    std::function<std::string(const char* name)> env;
    // Whether this user may open the node for reading and writing (ACLs included).
    std::function<bool(const std::filesystem::path& node)> canOpen;
    // The RECORD extension on a display.
    std::function<RecordSupport(const std::string& display)> record;
    // Whether the GNOME mouse schema with its speed key is installed.
    std::function<bool()> gnomeMouseSchema;
    // What GNOME Shell on the session bus says of the extension that tells the program in front.
    std::function<gnomeshell::ExtensionCheck()> gnomeExtension;

    // The running system.
    static DoctorSystem live();
};

// Writes the report to out. Returns the number of problems found.
int runDoctor(const DoctorSystem& system, std::ostream& out);

}  // namespace corv::cli
