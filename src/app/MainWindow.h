#pragma once
// The main window: a thin shell around the features. It holds the shared state (the link to
// the mouse, the program's copies of the mouse's state, the profile lists), runs the
// start-up sequence, the tray and its menu, the language switch and the private messages,
// and dispatches control notifications, menu items, messages, the settings refresh and the
// application of a profile to what the features declared (feature/FeatureRegistry.h). The
// application entry builds the features (app/AppFeatures.h) and chooses the implementations.
#include <QPointer>
#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/ConnectionPresenter.h"
#include "app/ShellNames.h"
#include "app/WorkerThreads.h"
#include "device/DeviceChannel.h"
#include "device/DeviceCommandQueue.h"
#include "device/DeviceConnection.h"
#include "device/DeviceState.h"
#include "device/InputListener.h"
#include "feature/Feature.h"
#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "platform/Clock.h"
#include "platform/HidBackend.h"
#include "platform/KeyboardHook.h"
#include "settings/SettingsSession.h"
#include "ui/ControlTextQuery.h"
#include "ui/MenuWnd.h"
#include "ui/ObserverImpl.h"
#include "ui/SkinWindow.h"
#include "ui/TrayIcon.h"

class QMenu;

namespace corv {

class MainWindow : public ui::SkinWindow, public ui::ControlTextQuery, public FeatureHost, public ui::SkinReceiver {
    Q_OBJECT
public:
    // Added to the window title and the tray tooltip while keys are being captured.
    static constexpr const char* kRecordingNotice = "正在录制键盘按键";
    static constexpr const char* kSingleKeyNotice = "正在捕获一个按键，其他程序收不到键盘输入";
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 572;
    // At exit, how long the commands already handed to the mouse may take, in all.
    static constexpr std::chrono::milliseconds kExitCommandTime{1000};
    static constexpr const char* kNoDeviceText = "请连接可用USB设备";
    static constexpr const char* kNoTrayText = "桌面没有系统托盘，窗口将保持显示。";
    // The tray item that starts the program with the desktop, and its failure message.
    static constexpr const char* kAutostartItem = names::kMenuAutostart;
    static constexpr const char* kAutostartFailedText = "无法更改自动启动项：%1";
    static constexpr const char* kNoPermissionText =
        "鼠标已连接，但当前用户无权访问。请安装 udev 规则 70-corvalantis.rules 后重新插拔鼠标。";

    struct Options {
        bool startWorkers = true;    // start the worker threads (off for screenshots)
        bool announceNoTray = true;  // say once that there is no tray (off for screenshots)
        // Adds entries to the tray menu each time it is built (the demo's virtual mouse).
        std::function<void(QMenu*)> trayMenuExtension;

        // No worker threads; whether to announce a missing tray.
        static Options withoutWorkers(bool announceNoTray = true)
        {
            Options o;
            o.startWorkers = false;
            o.announceNoTray = announceNoTray;
            return o;
        }
    };

    MainWindow(HidBackend& backend, Clock& clock, Options options);
    MainWindow(HidBackend& backend, Clock& clock) : MainWindow(backend, clock, Options{}) { }
    ~MainWindow() override;

    // Adds a feature; before createMainWindow only. Features are asked in the order added.
    void addFeature(std::unique_ptr<Feature> feature);
    // The first feature of type F, or null.
    template <class F> F* findFeature() const
    {
        for (const auto& f : features_) {
            if (auto* found = dynamic_cast<F*>(f.get()))
                return found;
        }
        return nullptr;
    }
    const std::vector<std::unique_ptr<Feature>>& features() const { return features_; }
    const FeatureRegistry& registry() const { return registry_; }

    // Builds the window: 800 x 572, titled as the model shown first (modelShownFirst() of
    // device/ModelFacts.h: "CORVALANTIS R210 Driver"), from "XML_MAIN". Runs the
    // initialisation sequence. False when the skin has no usable main layout.
    bool createMainWindow();

    QString getWindowClassName() const override { return QStringLiteral("MainWnd"); }
    QString getSkinFile() const override { return QStringLiteral("XML_MAIN"); }
    // A background chosen in the skin frame goes to "root" (not stored).
    int receive(ui::SkinChangedParam param) override;
    void notify(ui::Notification& msg) override;
    QWidget* createControl(const QString& className, QWidget* parent) override;
    std::optional<QString> queryControlText(const QString& id, const QString& type) override;

    // Private messages. handleCustomMessage runs on the UI thread and says whether the
    // message was handled. sendMessage may be called from any thread: it runs the handler on
    // the UI thread and waits (never call it while holding the device channel's lock).
    bool handleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    bool sendMessage(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

    // Tray and menus.
    void onTrayLeftClick();
    void onMenuCommand(const ui::MenuCommand& cmd);
    QMenu* trayMenu() const { return trayMenu_.get(); }
    // "autostart": writes (on) or removes (off) the user's autostart entry; a failure is
    // shown with the entry's path. The item then shows the entry's state.
    void setAutostart(bool on);
    // Checks the tray's "autostart" item when the desktop will start the program (each time
    // the tray menu opens).
    void syncAutostartItem();
    ui::TrayIcon& trayIcon() { return tray_; }

    // Language: the program starts in Chinese; each switch flips between the two.
    void switchLanguage();
    bool isEnglish() const { return english_; }

    // Shared state.
    DeviceChannel& channel() override { return channel_; }
    SettingsSession& settings() override { return settings_; }
    // The mouse's state itself, for tests that look at it or set it up.
    DeviceState& deviceState() { return state_; }
    void sendToMouse(std::function<void(DeviceChannel&)> job, std::function<void()> done = {}) override;
    // The thread the window's commands to the mouse run on (tests wait for it to be idle).
    DeviceCommandQueue& mouseCommands() { return commands_; }
    // Connected, and the window has shown the model and applied the stored profile (the
    // connect sequence's last step, on the UI thread). UI thread only.
    bool isPresented() const { return presenter_.isPresented(); }
    // False from the start of the shutdown on (workers stop asking the window then).
    bool isAlive() const { return alive_.load(); }
    WorkerThreads& workers() { return workers_; }
    bool isShuttingDown() const { return shuttingDown_; }
    DeviceConnection& connection() { return connection_; }
    const InputListener& listener() const { return listener_; }

    // Ends a capture in progress (a recording, a key edit or insertion: each finishes as its
    // own stop would) and removes the window's keyboard hook (every "selectchanged" does it).
    void removeInputHooks();

    // FeatureHost.
    ui::Control control(const QString& name) const override;
    QWidget* window() override { return this; }
    bool isConnected() const override { return presenter_.isConnected(); }
    int messageBox(const QString& text) override;
    bool selectPage(const char* tabLayout, int page) override;
    bool applySelectedProfile(int source) override;
    void refreshSettings() override { registry_.refresh(); }
    void showPopupMenu(const QString& menuFile, std::optional<QPoint> at = std::nullopt) override;
    bool installKeyboardHook(int mode) override;
    // The title of the window and the tray tooltip (the model's), with the capture notice
    // while keys are being captured.
    void setTitleText(const QString& title);
    void removeKeyboardHook() override { hook_.remove(); }
    Clock& clock() override { return clock_; }

    ConnectionPresenter& presenter() { return presenter_; }

protected:
    void initWindow() override;
    void onClose(int result) override;

private:
    void declareShell();
    void onWindowInit();
    void createTray();
    void rebuildTrayMenu();
    void announceNoTray();
    void shutdown();

    void deliverMouseEvent(MouseEvent event);
    void showTitle();

    Options options_;
    Clock& clock_;
    KeyboardHook hook_;
    DeviceChannel channel_;
    DeviceState state_;
    SettingsSession settings_;
    std::atomic<bool> alive_{true};
    ConnectionPresenter presenter_;
    bool applying_ = false;  // a profile is being applied (UI thread)
    DeviceConnection connection_;
    DeviceCommandQueue commands_;  // before the channel and state it uses go away
    InputListener listener_;
    std::vector<std::unique_ptr<Feature>> features_;
    FeatureRegistry registry_;
    WorkerThreads workers_;
    ui::TrayIcon tray_;
    std::unique_ptr<QMenu> trayMenu_;
    std::unique_ptr<QMenu> popupMenu_;
    ui::Control minBtn_, maxBtn_, restoreBtn_, skinBtn_;
    QString title_;
    bool english_ = false;
    bool shuttingDown_ = false;
    bool noTrayAnnounced_ = false;
    bool created_ = false;
};

}  // namespace corv
