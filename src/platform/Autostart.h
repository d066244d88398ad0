#pragma once
// Starting the program with the desktop: the user's XDG autostart entry
// (<autostart folder>/corvalantis.desktop). The desktop session reads the entry at log-in
// and starts the program, which then sits in the tray as it always does after a start.
#include <filesystem>
#include <string>
#include <string_view>

namespace corv {

// The user's autostart folder: configFolder() / "autostart" ($XDG_CONFIG_HOME/autostart or
// ~/.config/autostart). Empty when no configuration folder is known. Not created here.
std::filesystem::path autostartFolder();

// One argument of a desktop entry's Exec key, quoted as the freedesktop.org desktop entry standard
// asks (double quotes around an argument with a reserved character, a backslash before
// '"', '`', '$' and '\\' inside them, '%' doubled), and escaped once more for a string value
// of the file ('\\' becomes "\\\\").
std::string desktopExecArgument(std::string_view argument);

class Autostart {
public:
    static constexpr const char* kEntryName = "corvalantis.desktop";

    // folder: where the entry lives (autostartFolder() for the user's session); program:
    // the executable the entry starts (absolute path).
    Autostart(std::filesystem::path folder, std::filesystem::path program);

    // The entry for the user's session, starting the running executable.
    static Autostart forCurrentUser();

    const std::filesystem::path& entryPath() const { return entry_; }

    // Whether the desktop will start the program: the entry exists and is not switched off
    // by Hidden=true or X-GNOME-Autostart-enabled=false.
    bool isEnabled() const;

    // Writes the entry (the folder is created when missing), replacing any old one
    // atomically. False when the folder is unknown or the file could not be written.
    bool enable() const;

    // Removes the entry. True when there is no entry afterwards.
    bool disable() const;

    // enable() or disable().
    bool set(bool on) const { return on ? enable() : disable(); }

    // The text of the entry.
    std::string entryText() const;

private:
    std::filesystem::path folder_;
    std::filesystem::path entry_;
    std::filesystem::path program_;
};

}  // namespace corv
