#pragma once
// What the KWin foreground watcher hands to KWin and takes back, as pure functions: the
// script KWin runs (it connects workspace.windowActivated on Plasma 6, else
// workspace.clientActivated of 5.27, and calls our service with the window's pid and
// resource class, both as text), and the check of a call that arrives.
#include <optional>
#include <string>
#include <string_view>

#include "platform/ForegroundWatcher.h"

namespace corv::kwin {

inline constexpr const char* kScriptName = "corvalantis-foreground";
inline constexpr const char* kObjectPath = "/org/corvalantis/Foreground";
inline constexpr const char* kInterface = "org.corvalantis.Foreground";
inline constexpr const char* kMethod = "Activated";

// The script that calls busName (our connection's unique name) at kObjectPath.
std::string script(std::string_view busName);

// A call of kMethod: accepted only from kwinOwner (the unique name that owns org.kde.KWin,
// never empty); the pid as decimal text ("0": no window, which is none). Nothing for a call
// to refuse (another sender, a pid that is no number).
std::optional<ForegroundProgram> readCall(std::string_view sender, std::string_view kwinOwner, std::string_view pid,
                                          std::string_view resourceClass);

}  // namespace corv::kwin
