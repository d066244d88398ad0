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
#include <vector>

#include "app/ProfileApplier.h"
#include "app/WorkerThreads.h"
#include "device/DeviceChannel.h"
#include "device/DeviceConnection.h"
#include "device/DeviceState.h"
#include "device/InputListener.h"
#include "platform/Clock.h"
#include "platform/HidBackend.h"
#include "sensor/DpiPage.h"
#include "sensor/SensorPage.h"
#include "sensor/SystemSettingWorkers.h"
#include "ui/FeatureHost.h"
#include "ui/IQueryControlText.h"
#include "ui/MenuWnd.h"
#include "ui/SkinWindow.h"
#include "ui/TrayIcon.h"

class QMenu;
class QTimer;

namespace corv {

class DesktopSettings;
namespace sim {
class VirtualMouse;
}

class CMainWnd : public ui::SkinWindow, public ui::IQueryControlText, public FeatureHost, private ConnectionHost {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "CORVALANTIS R210 Driver";
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 572;
    static constexpr std::uint32_t kPaletteSelectColor = 0xFF0199CB;
    static constexpr const char* kNoDeviceText = "请连接可用USB设备";
    static constexpr const char* kNoTrayText = "桌面没有系统托盘，窗口将保持显示。";

    static constexpr const char* kNoPermissionText =
        "鼠标已连接，但当前用户无权访问。请安装 udev 规则 70-corvalantis.rules 后重新插拔鼠标。";

    struct Options {
        bool startWorkers = true;    // start the worker threads (off for screenshots)
        bool announceNoTray = true;  // say once that there is no tray (off for screenshots)
        // Where the pointer speed and scroll lines go; null: the desktop this session runs.
        DesktopSettings* desktop = nullptr;
        // The virtual mouse of a demo run: the tray menu then offers its actions.
        std::shared_ptr<sim::VirtualMouse> virtualMouse;

        // No worker threads; whether to announce a missing tray.
        static Options withoutWorkers(bool announceNoTray = true)
        {
            Options o;
            o.startWorkers = false;
            o.announceNoTray = announceNoTray;
            return o;
        }
    };

    CMainWnd(HidBackend& backend, Clock& clock, Options options);
    CMainWnd(HidBackend& backend, Clock& clock) : CMainWnd(backend, clock, Options{}) { }
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
    DeviceChannel& channel() override { return channel_; }
    DeviceState& deviceState() override { return state_; }
    bool IsConnected() const { return connected_.load() != 0; }
    // Connected, and the window has shown the model and applied the stored profile (the
    // connect sequence's last step, on the UI thread). UI thread only.
    bool IsPresented() const { return IsConnected() && presented_; }
    void SetConnected(bool connected) { connected_.store(connected ? 1 : 0); }
    WorkerThreads& workers() { return workers_; }
    bool IsShuttingDown() const { return shuttingDown_; }

    // Removes the keyboard hooks and ends a macro recording (every "selectchanged" does it).
    // The hook owner arrives with the macro recorder; until then there is nothing to remove.
    void RemoveInputHooks();

    // Shows the page of a tab layout (by name); false when there is no such page.
    bool SelectPage(const char* tabLayout, int page);

    // FeatureHost.
    ui::Control control(const QString& name) const override { return FindControl(name); }
    bool isConnected() const override { return IsConnected(); }
    std::filesystem::path currentProfilePath() const override;
    std::filesystem::path dpiProfilePath() const override;
    SystemSettingWorkers& systemSettings() override { return systemSettings_; }
    int messageBox(const QString& text) override;
    bool selectPage(const char* tabLayout, int page) override { return SelectPage(tabLayout, page); }
    void setTimer(int id, int milliseconds) override { SetTimer(id, milliseconds); }
    void killTimer(int id) override { KillTimer(id); }
    void redrawButtonLabels() override;
    void redrawLightingPage(int zone) override;

    // The features.
    DpiPage& dpiPage() { return dpiPage_; }
    SensorPage& sensorPage() { return sensorPage_; }
    ProfileApplier& profileApplier() { return applier_; }
    DeviceConnection& connection() { return connection_; }
    const InputListener& listener() const { return listener_; }

    // Device operations with their window side (UI thread).
    // The mouse's identity: logo, title, tray tooltip, DPI slider range, and with labels the
    // R240's extra lighting labels.
    void ApplyModelPresentation(bool withLabels);
    // The connect sequence's end: the model shown, the stored profile selected (and so applied).
    void PresentModel();
    // "ms_profile_n" clicked.
    void SelectOnboardRecord(int n);
    // A profile list changed its selection (source 0 DPI, 1 KEY, 2 REG).
    void OnProfileListSelect(int source, int index);
    // Applies the list's profile and refreshes the pages.
    void ApplyProfileAndRefresh(int source);
    void RefreshSettingsDisplay() { dpiPage_.refreshPage(); }
    // The mouse's own events, as their messages arrive.
    void OnDeviceReset();
    void OnDeviceSync();
    void OnCalibrationEnd();
    void OnDeviceArrived();

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

    // ConnectionHost (called by the device connection thread).
    bool windowAlive() override { return alive_.load(); }
    void macroAreaRead(const std::vector<std::uint8_t>& area) override;
    std::filesystem::path connectProfilePath() override;
    void storeCapture(const DeviceCapture& capture) override;
    void setConnected(bool connected) override { SetConnected(connected); }
    void connectSequenceDone() override;
    void mouseLost() override;
    void openRefused() override;
    void deliverMouseEvent(MouseEvent event);
    void BuildVirtualMouseMenu(QMenu* menu);

    Options options_;
    std::unique_ptr<DesktopSettings> ownDesktop_;
    DeviceChannel channel_;
    DeviceState state_;
    std::atomic<int> connected_{0};
    std::atomic<bool> alive_{true};
    bool presented_ = false;  // UI thread
    SystemSettingWorkers systemSettings_;
    DeviceConnection connection_;
    InputListener listener_;
    DpiPage dpiPage_;
    SensorPage sensorPage_;
    ProfileApplier applier_;
    std::vector<std::uint8_t> macroArea_;
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
