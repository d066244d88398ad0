#include "app/MainWindowScriptHost.h"

#include "app/MainWindow.h"
#include "platform/AppPaths.h"

namespace corv {

QWidget* MainWindowScriptHost::mainWindow() { return &wnd_; }

bool MainWindowScriptHost::mouseCommandsDone() { return wnd_.mouseCommands().idle(); }

bool MainWindowScriptHost::ready() { return wnd_.windowInitSent(); }

ui::TrayIcon* MainWindowScriptHost::trayIcon() { return &wnd_.trayIcon(); }

bool MainWindowScriptHost::isConnected()
{
    // Connected as a person sees it: the model shown and the stored profile applied, so
    // that the connection does not switch the page under the next steps.
    return wnd_.isPresented();
}

bool MainWindowScriptHost::isDisconnected()
{
    // A connection still being made counts too: the channel is open from the first frame on.
    return !wnd_.isPresented() && !wnd_.channel().isOpen();
}

std::filesystem::path MainWindowScriptHost::dataFolder() { return dataFolderPath(); }

}  // namespace corv
