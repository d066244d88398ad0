#pragma once
// The running program as a script sees it: the main window, its tray, the connection as a
// person sees it and the mouse's command thread. Only the entry point builds one.
#include "script/ScriptHost.h"

namespace corv {

class MainWindow;

class MainWindowScriptHost : public ScriptHost {
public:
    MainWindowScriptHost(MainWindow& wnd, sim::VirtualMouse* mouse) : wnd_(wnd), mouse_(mouse) { }
    QWidget* mainWindow() override;
    bool ready() override;
    ui::TrayIcon* trayIcon() override;
    bool isConnected() override;
    bool isDisconnected() override;
    sim::VirtualMouse* virtualMouse() override { return mouse_; }
    bool mouseCommandsDone() override;
    std::filesystem::path dataFolder() override;

private:
    MainWindow& wnd_;
    sim::VirtualMouse* mouse_;
};

}  // namespace corv
