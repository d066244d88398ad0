#pragma once
// The main window: start-up sequence, shared state, routing of control notifications,
// private messages, tray icon and menus, language switch, timers, shutdown.
#include <QHash>
#include <QPointer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/WorkerThreads.h"
#include "device/DeviceChannel.h"
#include "platform/Clock.h"
#include "platform/HidBackend.h"
#include "ui/IQueryControlText.h"
#include "ui/MenuWnd.h"
#include "ui/SkinWindow.h"
#include "ui/TrayIcon.h"

class QMenu;
class QTimer;

namespace corv {

class CMainWnd : public ui::SkinWindow, public ui::IQueryControlText {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "CORVALANTIS R210 Driver";
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 572;
    static constexpr std::uint32_t kPaletteSelectColor = 0xFF0199CB;
    static constexpr const char* kNoDeviceText = "请连接可用USB设备";
    static constexpr const char* kNoTrayText = "桌面没有系统托盘，窗口将保持显示。";

    struct Options {
        bool startWorkers = true;     // start the worker threads (off for screenshots)
        bool announceNoTray = true;   // say once that there is no tray (off for screenshots)
    };

    CMainWnd(HidBackend& backend, Clock& clock, Options options);
    CMainWnd(HidBackend& backend, Clock& clock) : CMainWnd(backend, clock, Options{}) {}
    ~CMainWnd() override;

    // Builds the window: 800 x 572, title "CORVALANTIS R210 Driver", from "XML_MAIN". Runs the
    // initialisation sequence. False when the skin has no usable main layout.
    bool CreateMainWindow();

    QString GetWindowClassName() const override { return QStringLiteral("MainWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("XML_MAIN"); }
    void Notify(ui::TNotifyUI& msg) override;
    QWidget* CreateControl(const QString& className, QWidget* parent) override;
    std::optional<QString> QueryControlText(const QString& id, const QString& type) override;

    // Private messages. HandleCustomMessage runs on the UI thread and says whether the
    // message was handled. SendMessage may be called from any thread: it runs the handler on
    // the UI thread and waits (never call it while holding the device channel's lock).
    bool HandleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    bool SendMessage(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

    // Timers of the window (id 1: return to the calibration page).
    void SetTimer(int id, int milliseconds);
    void KillTimer(int id);
    bool IsTimerActive(int id) const;
    void OnTimer(int id);

    // Tray and menus.
    void OnTrayLeftClick();
    void OnMenuCommand(const ui::MenuCommand& cmd);
    QMenu* trayMenu() const { return trayMenu_.get(); }
    ui::TrayIcon& trayIcon() { return tray_; }

    // Language: the program starts in Chinese; each switch flips between the two.
    void SwitchLanguage();
    bool IsEnglish() const { return english_; }

    // Shared state.
    DeviceChannel& channel() { return channel_; }
    bool IsConnected() const { return connected_.load() != 0; }
    void SetConnected(bool connected) { connected_.store(connected ? 1 : 0); }
    WorkerThreads& workers() { return workers_; }
    bool IsShuttingDown() const { return shuttingDown_; }

    // Removes the keyboard hooks and ends a macro recording (every "selectchanged" does it).
    // The hook owner arrives with the macro recorder; until then there is nothing to remove.
    void RemoveInputHooks();

    // Shows the page of a tab layout (by name); false when there is no such page.
    bool SelectPage(const char* tabLayout, int page);

protected:
    void InitWindow() override;
    void OnClose(int result) override;

private:
    void OnWindowInit();
    void LoadMacroList();
    void LoadProfileLists();
    void CreateTray();
    void RebuildTrayMenu();
    void AnnounceNoTray();
    void Shutdown();
    // Worker bodies of the later features; empty until they exist.
    WorkerThreads::Body inputListenerBody();
    WorkerThreads::Body deviceConnectionBody();
    WorkerThreads::Body foregroundWatcherBody();

    Options options_;
    DeviceChannel channel_;
    std::atomic<int> connected_{0};
    WorkerThreads workers_;
    ui::TrayIcon tray_;
    std::unique_ptr<QMenu> trayMenu_;
    QPointer<QMenu> popupMenu_;
    QHash<int, QTimer*> timers_;
    ui::Control closeBtn_, maxBtn_, restoreBtn_, minBtn_, skinBtn_;
    bool english_ = false;
    bool shuttingDown_ = false;
    bool noTrayAnnounced_ = false;
};

}  // namespace corv
