#pragma once
// What a script runs against: the program's windows, its tray, the connection and the
// virtual mouse. The entry point implements it over the main window; tests over a small
// layout of their own.
#include <QString>
#include <filesystem>

class QWidget;

namespace corv {

namespace sim {
class VirtualMouse;
}
namespace ui {
class TrayIcon;
}

class ScriptHost {
public:
    virtual ~ScriptHost() = default;
    // The main window: control names are looked up in it (after the other shown windows).
    virtual QWidget* mainWindow() = 0;
    // Whether the program has finished starting (the first step waits for it).
    virtual bool ready() = 0;
    virtual ui::TrayIcon* trayIcon() = 0;  // null when there is none
    virtual bool isConnected() = 0;
    // No link to the mouse at all: not connected, and no connection being made.
    virtual bool isDisconnected() { return !isConnected(); }
    virtual sim::VirtualMouse* virtualMouse() = 0;  // null on the hardware
    // Whether every command the window handed to the mouse has been carried out.
    virtual bool mouseCommandsDone() { return true; }
    virtual std::filesystem::path dataFolder() = 0;

    // A path written in a script: a relative one is inside the data folder.
    std::filesystem::path dataPath(const QString& path)
    {
        const std::filesystem::path p(path.toStdString());
        return p.is_absolute() ? p : dataFolder() / p;
    }
};

}  // namespace corv
