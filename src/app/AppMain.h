#pragma once
// corvalantis: the window program. Everything but main() lives here so that tests can run
// its parts.
#include <QString>
#include <string>
#include <vector>

namespace corv {

class MainWindow;

struct AppOptions {
    std::string virtualMouse;  // "R210" or "R240": a virtual mouse instead of the hardware
    std::string frameLog;      // file that receives every frame exchanged with the mouse
    std::string screenshots;   // folder: render every page into PNG files, then exit
    std::string script;        // file: run this script against the window, then exit with its result
    bool help = false;
};

// False with a message for an unknown or malformed argument.
bool parseAppArguments(const std::vector<std::string>& args, AppOptions& options, std::string* error);
QString appUsage();

// Renders the main window on every page of "ms_tab_switch" in Chinese and in English, and
// the message box, into PNG files in folder. Returns the files written (empty on failure).
QStringList writeScreenshots(MainWindow& wnd, const QString& folder);

// The whole program: returns the process exit code (0 for a second instance; for a script,
// the script's result: 0 passed, 1 failed, 2 script error).
int runApp(int argc, char** argv);

}  // namespace corv
