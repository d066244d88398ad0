#pragma once
// The pieces behind the session's DesktopSettings, one per way of reaching a desktop
// setting. Each takes a value already clamped to its range, returns true when the setting
// was written, and says why not in a debug line otherwise. All are safe to call from any
// thread.
#include <filesystem>
#include <string>

namespace corv::desktop {

// GSettings: org.gnome.desktop.peripherals.mouse speed, then g_settings_sync(). False
// without the schema (checked first: a missing schema never aborts the program) or when
// the key is not writable.
bool gsettingsSetPointerSpeed(int speed);

// Whether the installed schemas have org.gnome.desktop.peripherals.mouse speed.
bool gsettingsHasPointerSpeed();

// The X display named displayName (false at once when it is empty): "libinput Accel Speed"
// on every XInput2 slave pointer that has it; when none has it, the core pointer
// acceleration speed/5 (so that 10 gives the X server's default of 2/1) above a threshold
// of 4 pixels. The display is opened and closed within the call.
bool x11SetPointerSpeed(const std::string& displayName, int speed);

// Writes [KDE] WheelScrollLines=lines into the kdeglobals file (its folder is created when
// missing; every other line is kept) and then announces the change on the session bus.
// True when the file was written, whether or not a session bus was there to tell.
bool kdeSetWheelScrollLines(const std::filesystem::path& kdeglobals, int lines);

// Emits org.kde.KGlobalSettings.notifyChange(int32 3 = settings changed, int32 0 = mouse)
// on /KGlobalSettings of the session bus. False (with a debug line) without a session bus.
bool kdeNotifyMouseSettingsChanged();

}  // namespace corv::desktop
