#pragma once
// The start of `corvalantis --script=FILE`: the script read and parsed before the program
// starts, and the program prepared for a scripted run.
#include <optional>
#include <string>
#include <vector>

#include "script/ScriptLog.h"
#include "script/ScriptParser.h"

namespace corv {

// Reads and parses a script file. On failure logs the script error and returns nothing.
std::optional<std::vector<ScriptStep>> loadScriptFile(const std::string& path, const ScriptLog& log);

// Prepares the program for a scripted run; call after the application exists and before the
// main window is created. A desktop without a system tray (the offscreen platform) gets a
// tray without an icon, so that the tray's clicks and menu are there for scripts, and the
// window hides into it at start as it does on a desktop with a tray.
void prepareScriptedRun(const ScriptLog& log);

}  // namespace corv
