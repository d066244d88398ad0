#pragma once
// Our GNOME Shell extension (packaging/gnome-shell) as the program sees it: its names on the
// bus, which of its two forms a shell loads, the state the shell gives for it, and the check of
// a FocusChanged signal that arrives. The extension emits
// org.corvalantis.Foreground.FocusChanged(u pid, s appId) from the shell's own connection each
// time the focus moves, and serves Current() with the same pair.
#include <optional>
#include <string>
#include <string_view>

#include "platform/ForegroundWatcher.h"

typedef struct _GVariant GVariant;

namespace corv::gnomeshell {

inline constexpr const char* kShellName = "org.gnome.Shell";
inline constexpr const char* kShellPath = "/org/gnome/Shell";
inline constexpr const char* kExtensionsInterface = "org.gnome.Shell.Extensions";
inline constexpr const char* kObjectPath = "/org/corvalantis/Foreground";
inline constexpr const char* kInterface = "org.corvalantis.Foreground";
inline constexpr const char* kSignal = "FocusChanged";
inline constexpr const char* kCurrentMethod = "Current";

// GNOME 45 loads extensions as ES modules, which 43 and 44 cannot read: each form has a uuid.
inline constexpr const char* kUuid = "program-in-front@corvalantis.org";
inline constexpr const char* kUuidGnome43 = "program-in-front-gnome43@corvalantis.org";

// The uuid of the form a shell of this version ("43.9", "46.rc") loads: the older form below
// 45, else (45 and later, or a version that cannot be read) the ES module.
const char* uuidForShell(std::string_view shellVersion);

enum class ExtensionState {
    Unknown,    // not asked yet, or the shell did not answer
    Missing,    // the shell does not know the uuid (not installed, or installed after it started)
    Enabled,    // running
    Disabled,   // installed, not enabled
    Error,      // the shell could not load it
    OutOfDate,  // its metadata does not list this shell's version
};

// "enabled", "disabled", "missing", ...
const char* extensionStateName(ExtensionState state);

// The state in an answer of GetExtensionInfo, or the dictionary of ExtensionStateChanged
// (a{sv}; "state" a number: 1 enabled, 2 disabled, 3 error, 4 out of date, 6 initialised,
// 99 uninstalled). An empty dictionary is a uuid the shell does not know. Anything else
// (another type, no state) is Unknown.
ExtensionState readExtensionInfo(GVariant* info);

// A FocusChanged signal (its parameters): heard only from shellOwner (the unique name that
// owns org.gnome.Shell; never empty) with the parameters (us). A pid of 0 is none, whatever
// the app id. Nothing for a signal to ignore.
std::optional<ForegroundProgram> readFocusChanged(std::string_view sender, std::string_view shellOwner,
                                                  GVariant* parameters);

// What the shell on a session bus says of the extension, asked once and synchronously
// (corvalantisctl doctor).
struct ExtensionCheck {
    bool shellRunning = false;
    std::string shellVersion;
    std::string uuid;  // the form this shell loads
    ExtensionState state = ExtensionState::Unknown;
    std::string error;  // why the shell gave no state
};
ExtensionCheck checkExtension(const std::string& busAddress);

// The user's way to enable the extension: log out and in (the shell looks for extensions at
// its start), then the command.
std::string enableCommand(std::string_view uuid);

}  // namespace corv::gnomeshell
