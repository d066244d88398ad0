#include "app/CMainWnd.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>
#include <filesystem>

#include "app/ControlNames.h"
#include "app/FirstProfile.h"
#include "app/MainRoutes.h"
#include "app/MainWndMessages.h"
#include "device/DeviceProtocol.h"
#include "platform/AppPaths.h"
#include "platform/DesktopSettings.h"
#include "platform/IniFile.h"
#include "profiles/ProfileFile.h"
#include "profiles/ProfileIndex.h"
#include "sim/VirtualMouse.h"
#include "ui/ColorPaletteControl.h"
#include "ui/ComboControl.h"
#include "ui/ListControl.h"
#include "ui/MessageBox.h"
#include "ui/OptionControl.h"
#include "ui/ResourceManager.h"
#include "ui/SkinLoader.h"
#include "ui/SliderControl.h"
#include "ui/TabLayoutControl.h"
#include "ui/UiThread.h"

namespace corv {

Q_LOGGING_CATEGORY(lcMain, "corv.debug", QtWarningMsg)

namespace {

// Layout composition: element classes of the main layout built from their own files.
struct PageLayout {
    const char* elementClass;
    const char* file;
};
constexpr PageLayout kPageLayouts[] = {
    {"kb_Key_UI", "keyboard_key.xml"},
    {"kb_Deng_UI", "keyboard_deng.xml"},
    {"kb_Macro_UI", "keyboard_macro.xml"},
    {"MS_Deng_UI", "Mouse_deng.xml"},
    {"MS_Macro_UI", "Mouse_macro.xml"},
    {"MS_Key_UI", "Mouse_key.xml"},
    {"MP_deng_UI", "MousePad_deng.xml"},
    {"MS_DPI_UI", "Mouse_DPI.xml"},
    {"MS_MA_UI", "Mouse_hong.xml"},
    {"MS_Regulat_UI", "Mouse_regulat.xml"},
    {"MS_RegulatDisplay_UI", "Mouse_regdisplay.xml"},
    {"MS_Statis_UI", "Mouse_statis.xml"},
};

// The macro library holds at most 50 macros; the profile index has no limit of its own, but
// a damaged count must not make start-up read for ever.
constexpr long kMaxMacros = 50;
constexpr long kMaxProfilesRead = 1000;
constexpr const char* kFirstProfile = "新配置文件1";

// Private messages with a fixed reaction here; the others arrive with their features.
struct MessageRow {
    unsigned message;
    bool (*handle)(CMainWnd& wnd, std::uintptr_t wParam, std::intptr_t lParam);
};
constexpr MessageRow kMessages[] = {
    {msg::WM_HOOK_KEY_SINGLEKEY,
     [](CMainWnd&, std::uintptr_t, std::intptr_t) {
         qCDebug(lcMain) << "WM_HOOK_KEY_SINGLEKEY";
         return false;
     }},
    {msg::WM_HOOK_KEY_KBHITKEY,
     [](CMainWnd&, std::uintptr_t, std::intptr_t) {
         qCDebug(lcMain) << "WM_HOOK_KEY_KBHITKEY";
         return false;
     }},
    {msg::WM_HOOK_MOU_HitKEY,
     [](CMainWnd&, std::uintptr_t, std::intptr_t) {
         qCDebug(lcMain) << "WM_HOOK_MOU_HitKEY";
         return false;
     }},
    {msg::WM_DEV_RESET,
     [](CMainWnd& w, std::uintptr_t, std::intptr_t) {
         w.OnDeviceReset();
         return false;
     }},
    {msg::WM_DEV_SYNC,
     [](CMainWnd& w, std::uintptr_t, std::intptr_t) {
         w.OnDeviceSync();
         return false;
     }},
    {msg::WM_DEV_CALIB_END,
     [](CMainWnd& w, std::uintptr_t, std::intptr_t) {
         w.OnCalibrationEnd();
         return false;
     }},
    {msg::WM_DEV_CALIB_OK,
     [](CMainWnd& w, std::uintptr_t, std::intptr_t) {
         w.sensorPage().onCalibrationResult(true);
         return false;
     }},
    {msg::WM_DEV_CALIB_FAIL,
     [](CMainWnd& w, std::uintptr_t, std::intptr_t) {
         w.sensorPage().onCalibrationResult(false);
         return false;
     }},
    {msg::WM_APPLY_DPI_PROFILE,
     [](CMainWnd& w, std::uintptr_t, std::intptr_t) {
         w.ApplyProfileAndRefresh(ProfileApplier::kDpiList);
         return false;
     }},
    {msg::WM_APPLY_KEY_PROFILE,
     [](CMainWnd& w, std::uintptr_t, std::intptr_t) {
         w.ApplyProfileAndRefresh(ProfileApplier::kKeyList);
         return false;
     }},
    {msg::WM_APPLY_REG_PROFILE,
     [](CMainWnd& w, std::uintptr_t, std::intptr_t) {
         w.ApplyProfileAndRefresh(ProfileApplier::kRegList);
         return false;
     }},
    {msg::WM_DEV_ARRIVED,
     [](CMainWnd& w, std::uintptr_t wParam, std::intptr_t lParam) {
         qCDebug(lcMain) << QString::asprintf("%llx,%llx,%x", static_cast<unsigned long long>(wParam),
                                              static_cast<unsigned long long>(lParam), 0u);
         qCDebug(lcMain) << "设备插入";
         w.OnDeviceArrived();
         return false;
     }},
};

// The message each event of the mouse is delivered as.
unsigned messageFor(MouseEvent event)
{
    switch (event) {
    case MouseEvent::Sync:
        return msg::WM_DEV_SYNC;
    case MouseEvent::Reset:
        return msg::WM_DEV_RESET;
    case MouseEvent::CalibrationEnd:
        return msg::WM_DEV_CALIB_END;
    case MouseEvent::CalibrationOk:
        return msg::WM_DEV_CALIB_OK;
    case MouseEvent::CalibrationFail:
        return msg::WM_DEV_CALIB_FAIL;
    }
    return 0;
}

// The model presentation: logo, title and DPI slider range of the two known models.
struct ModelLook {
    std::uint16_t id;
    const char* logo;
    const char* title;
    int sliderMax;
    bool extraLabels;
};
constexpr ModelLook kModels[] = {
    {kModelR210, "file='210.png'", "CORVALANTIS R210 Driver", 58, false},
    {kModelR240, "file='240.png'", "CORVALANTIS R240 Driver", 119, true},
};

constexpr const char* kProfileLists[] = {"ms_DPI_combo_profileSelect", "ms_KEY_combo_profileSelect",
                                         "ms_REG_combo_profileSelect"};

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

CMainWnd::CMainWnd(HidBackend& backend, Clock& clock, Options options)
    : options_(std::move(options)), ownDesktop_(options_.desktop ? nullptr : makeDesktopSettings()),
      channel_(backend, clock), systemSettings_(options_.desktop ? *options_.desktop : *ownDesktop_),
      connection_(channel_, state_, *this, clock),
      listener_(
          backend, clock,
          InputListener::Callbacks{[this] { return alive_.load(); }, [this](MouseEvent e) { deliverMouseEvent(e); }}),
      dpiPage_(*this), sensorPage_(*this), applier_(*this)
{ }

CMainWnd::~CMainWnd()
{
    Shutdown();
    if (popupMenu_)
        delete popupMenu_.data();
    trayMenu_.reset();
    SetConnected(false);
    RemoveInputHooks();
    auto& rm = ui::ResourceManager::instance();
    rm.SetTextQueryInterface(nullptr);
}

bool CMainWnd::CreateMainWindow()
{
    if (!Create(nullptr, QString::fromUtf8(kTitle), kWidth, kHeight))
        return false;
    CenterWindow();
    return true;
}

QWidget* CMainWnd::CreateControl(const QString& className, QWidget* parent)
{
    for (const PageLayout& row : kPageLayouts) {
        if (className.compare(QLatin1String(row.elementClass), Qt::CaseInsensitive) != 0)
            continue;
        const QString path = ui::ResourceManager::instance().layoutPath(QString::fromLatin1(row.file));
        if (path.isEmpty()) {
            qCWarning(lcMain) << "page layout missing:" << row.file;
            return nullptr;
        }
        ui::SkinLoader nested;  // no callback: pages do not compose further pages
        return nested.loadFile(path, parent);
    }
    if (className.compare(QStringLiteral("CircleProgress"), Qt::CaseInsensitive) == 0) {
        // A plain progress control until the circular one is drawn.
        auto* progress = new QProgressBar(parent);
        progress->setProperty("controlClass", QStringLiteral("CircleProgress"));
        return progress;
    }
    return nullptr;
}

std::optional<QString> CMainWnd::QueryControlText(const QString& id, const QString&)
{
    const bool english = ui::ResourceManager::instance().GetLanguage() == QStringLiteral("en");
    if (id.compare(QStringLiteral("titletext"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("mouse");
    if (id.compare(QStringLiteral("hometext"), Qt::CaseInsensitive) == 0) {
        return english ? QStringLiteral("{a}Demo website{/a}") : QStringLiteral("{a}演示官网{/a}");
    }
    return std::nullopt;
}

void CMainWnd::InitWindow()
{
    // 1. Texts: the program always starts in Chinese.
    auto& rm = ui::ResourceManager::instance();
    rm.SetTextQueryInterface(this);
    rm.SetLanguage(QStringLiteral("cn_zh"));
    rm.LoadLanguage(QStringLiteral("lan_cn.xml"));
    english_ = false;
    ReloadText();
    // 2. The skin-change receiver arrives with the skin frame.
    // 3. Caption buttons.
    closeBtn_ = FindControl(QString::fromLatin1(names::kCloseBtn));
    maxBtn_ = FindControl(QString::fromLatin1(names::kMaxBtn));
    restoreBtn_ = FindControl(QString::fromLatin1(names::kRestoreBtn));
    minBtn_ = FindControl(QString::fromLatin1(names::kMinBtn));
    skinBtn_ = FindControl(QString::fromLatin1(names::kSkinBtn));
    // 5. Selection colour of the two colour palettes.
    ui::ColorPaletteControl(FindControl(QString::fromLatin1(names::kPallet))).SetSelectColor(kPaletteSelectColor);
    ui::ColorPaletteControl(FindControl(QString::fromLatin1(names::kDengPallet))).SetSelectColor(kPaletteSelectColor);
    // 6. The channel's identity; closed until the device connection opens it.
    channel_.setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
    channel_.setOpen(false);
    // 7. Input listener.
    if (options_.startWorkers) {
        WorkerThreads::Body body = inputListenerBody();
        if (body && !workers_.start("input-listener", std::move(body)))
            qCDebug(lcMain) << "12312314234213";
    }
    // 8. Tray icon.
    CreateTray();
    // 9., 10. Macro list and profile lists.
    LoadMacroList();
    LoadProfileLists();
}

void CMainWnd::LoadMacroList()
{
    ui::ComboControl combo(FindControl(QString::fromLatin1(names::kMacroCombo)));
    ui::ListControl list(FindControl(QString::fromLatin1(names::kMacroList)));
    list.RemoveAll();
    const std::filesystem::path folder = dataFolderPath();
    if (folder.empty())
        return;
    const std::filesystem::path index = folder / "msMacro.ini";
    const long count = ini::toLong(ini::readString(index, "MACROCOUNT", "count", "0"));
    const long readable = std::clamp(count, 0L, kMaxMacros);
    for (long i = 0; i < readable; ++i) {
        const QString name = qs(ini::readString(index, "MACRONAME", std::to_string(i), "0"));
        combo.AddItem(name, name, 30);
    }
    // The list has just been emptied, so this selects nothing.
    if (count != 0)
        combo.SelectItem(list.GetCount() - 1);
}

void CMainWnd::LoadProfileLists()
{
    ui::ComboControl key(FindControl(QString::fromLatin1(names::kKeyProfileCombo)));
    ui::ComboControl dpi(FindControl(QString::fromLatin1(names::kDpiProfileCombo)));
    ui::ComboControl reg(FindControl(QString::fromLatin1(names::kRegProfileCombo)));
    const std::filesystem::path folder = dataFolderPath();
    if (folder.empty()) {
        qCWarning(lcMain) << "no data folder (no home folder): profiles are not available";
        return;
    }
    const std::filesystem::path index = folder / "msProfile.ini";
    const long count = ini::toLong(ini::readString(index, "PROFILECOUNT", "count", "0"));
    if (count > 0) {
        const long readable = std::min(count, kMaxProfilesRead);
        for (long i = 0; i < readable; ++i) {
            const QString name = qs(ini::readString(index, "PROFILENAME", std::to_string(i), "0"));
            key.AddItem(name, name, 25);
            dpi.AddItem(name, name, 25);
            reg.AddItem(name, name, 25);
        }
        // PROFILESELECT/select is applied after the mouse has connected.
        return;
    }
    // First run (or a count that is not a positive number): one profile from the template.
    copyTemplateToProfile(kFirstProfile);
    const QString first = QString::fromUtf8(kFirstProfile);
    key.AddItem(first, first, 25);
    dpi.AddItem(first, first, 25);
    reg.AddItem(first, first, 25);
    ini::writeString(index, "PROFILECOUNT", "count", std::to_string(key.GetCount()));
    ini::writeString(index, "PROFILENAME", "0", kFirstProfile);
    ini::writeString(index, "PROFILESELECT", "select", "0");
}

void CMainWnd::CreateTray()
{
    if (!ui::TrayIcon::IsAvailable())
        return;
    const QString icon = ui::ResourceManager::instance().resolveFile(QStringLiteral("icon.png"));
    if (!tray_.CreateTrayIcon(icon, QString::fromUtf8(kTitle)))
        return;
    connect(&tray_, &ui::TrayIcon::leftClicked, this, &CMainWnd::OnTrayLeftClick, Qt::UniqueConnection);
    RebuildTrayMenu();
}

void CMainWnd::RebuildTrayMenu()
{
    if (!tray_.IsCreated())
        return;
    // The language item rebuilds the menu while that menu is still handling the choice: the
    // old menu goes at the next turn of the event loop, not from under its own feet.
    if (trayMenu_)
        trayMenu_.release()->deleteLater();
    trayMenu_ =
        ui::MenuWnd::BuildMenu(QStringLiteral("menu.xml"), [this](const ui::MenuCommand& cmd) { OnMenuCommand(cmd); });
    if (trayMenu_ && options_.virtualMouse)
        BuildVirtualMouseMenu(trayMenu_.get());
    tray_.SetContextMenu(trayMenu_.get());
}

void CMainWnd::BuildVirtualMouseMenu(QMenu* menu)
{
    // The demo's stand-in for a person at the mouse: what its buttons and its firmware do.
    QMenu* sub = menu->addMenu(QStringLiteral("Virtual mouse"));
    sub->setObjectName(QStringLiteral("vm_menu"));
    const std::weak_ptr<sim::VirtualMouse> weak = options_.virtualMouse;
    const auto add = [&](const char* name, const QString& text, auto action) {
        QAction* a = sub->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [weak, action] {
            if (const auto mouse = weak.lock())
                action(*mouse);
        });
    };
    add("vm_dpi_button", QStringLiteral("Press the DPI button"), [](sim::VirtualMouse& m) { m.pressDpiButton(); });
    add("vm_reset", QStringLiteral("Reset to factory settings"),
        [](sim::VirtualMouse& m) { m.restoreDefaultsAtMouse(); });
    add("vm_unplug", QStringLiteral("Unplug"), [](sim::VirtualMouse& m) { m.unplug(); });
    add("vm_replug", QStringLiteral("Plug in again"), [](sim::VirtualMouse& m) { m.plug(); });
    add("vm_calibration_fail", QStringLiteral("Make the next calibration fail"),
        [](sim::VirtualMouse& m) { m.setNextCalibrationOutcome(false); });
    add("vm_calibration_ok", QStringLiteral("Make the next calibration succeed"),
        [](sim::VirtualMouse& m) { m.setNextCalibrationOutcome(true, 3); });
}

void CMainWnd::OnWindowInit()
{
    if (tray_.IsCreated()) {
        ShowWindow(false, false);
    } else if (options_.announceNoTray) {
        // Without a tray the user could never bring a hidden window back: stay visible.
        AnnounceNoTray();
    }
    if (options_.startWorkers) {
        workers_.start("device-connection", deviceConnectionBody());
        workers_.start("foreground-watcher", foregroundWatcherBody());
    }
}

void CMainWnd::AnnounceNoTray()
{
    if (noTrayAnnounced_)
        return;
    noTrayAnnounced_ = true;
    qCWarning(lcMain) << "the desktop has no system tray: the window stays visible";
    QMetaObject::invokeMethod(
        this, [this] { ui::ShowMessageBox(this, QString::fromUtf8(kNoTrayText)); }, Qt::QueuedConnection);
}

WorkerThreads::Body CMainWnd::inputListenerBody()
{
    return [this](std::stop_token stop) { listener_.run(stop); };
}

WorkerThreads::Body CMainWnd::deviceConnectionBody()
{
    return [this](std::stop_token stop) { connection_.run(stop); };
}

WorkerThreads::Body CMainWnd::foregroundWatcherBody()
{
    return {};  // the foreground watcher arrives with its feature
}

bool CMainWnd::SelectPage(const char* tabLayout, int page)
{
    return ui::TabLayoutControl(FindControl(QString::fromLatin1(tabLayout))).SelectItem(page);
}

void CMainWnd::RemoveInputHooks()
{
    // Nothing is hooked until the macro recorder and the single-key capture exist.
}

void CMainWnd::Notify(ui::TNotifyUI& msg)
{
    const QString& type = msg.sType;
    const QString& name = msg.senderName;
    if (type == ui::notify::kWindowInit) {
        OnWindowInit();
        return;
    }
    if (type == ui::notify::kColorChanged) {
        if (const RouteRow* row = MainRoutes::colorChanged().find(name))
            row->action(*this, msg, 0);
    } else if (type == ui::notify::kClick) {
        // Step 1: the caption buttons end the routing (no default handling).
        if (sameName(name, names::kCloseBtn)) {
            ShowWindow(false, false);
            return;
        }
        QWidget* sender = msg.pSender.data();
        if (sender != nullptr && sender == minBtn_.widget()) {
            showMinimized();
            return;
        }
        if (sender != nullptr && sender == maxBtn_.widget()) {
            showMaximized();
            return;
        }
        if (sender != nullptr && sender == restoreBtn_.widget()) {
            showNormal();
            return;
        }
        // "skinbtn" opens the skin frame (it arrives with that feature) and goes on below.
        // Step 2: prefix rows; step 3: full names.
        const IndexedName indexed = splitIndexedName(name);
        const RouteRow* prefixRow = indexed.hasPrefix ? MainRoutes::clickPrefix().find(indexed.prefix) : nullptr;
        if (prefixRow != nullptr) {
            prefixRow->action(*this, msg, indexed.index);
        } else if (const RouteRow* row = MainRoutes::click().find(name)) {
            row->action(*this, msg, 0);
        }
    } else if (type == ui::notify::kMouseEnter || type == ui::notify::kMouseLeave) {
        const IndexedName indexed = splitIndexedName(name);
        if (indexed.hasPrefix && sameName(indexed.prefix, "ms_key_")) {
            const QString n = QString::number(indexed.index);
            const QString spec = type == ui::notify::kMouseEnter ? QStringLiteral("file='ms/over%1.png'").arg(n)
                                                                 : QStringLiteral("file='ms/%1.png'").arg(n);
            FindControl(QLatin1String(names::kKeyNumPrefix) + n).SetBkImage(spec);
            FindControl(QLatin1String(names::kKeyOverNumPrefix) + n).SetBkImage(spec);
        }
    } else if (type == ui::notify::kSelectChanged) {
        // Step 1: this option ends the routing before the hooks are touched.
        if (!sameName(name, names::kMacroCheckTime)) {
            // Step 2: the rows.
            if (const RouteRow* row = MainRoutes::selectChanged().find(name))
                row->action(*this, msg, 0);
            // Step 3: every other selection change ends hooks and recording.
            RemoveInputHooks();
            // Step 4: page switching, for every tab layout of the page structure.
            if (msg.wParam == 1) {
                for (const PageSwitch& p : MainRoutes::pages()) {
                    if (sameName(name, p.option))
                        SelectPage(p.tabLayout, p.page);
                }
            }
        }
    } else if (type == ui::notify::kValueChanged) {
        if (const RouteRow* row = MainRoutes::valueChanged().find(name))
            row->action(*this, msg, 0);
    } else if (type == ui::notify::kItemSelect) {
        if (const RouteRow* row = MainRoutes::itemSelect().find(name))
            row->action(*this, msg, 0);
    } else if (type == ui::notify::kTextChanged) {
        if (const RouteRow* row = MainRoutes::textChanged().find(name))
            row->action(*this, msg, 0);
    } else if (type == ui::notify::kKillFocus) {
        if (const RouteRow* row = MainRoutes::killFocus().find(name))
            row->action(*this, msg, 0);
    }
    ui::SkinWindow::Notify(msg);
}

bool CMainWnd::HandleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    for (const MessageRow& row : kMessages) {
        if (row.message == message)
            return row.handle(*this, wParam, lParam);
    }
    return false;
}

bool CMainWnd::SendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    bool handled = false;
    ui::SendToUiThread([&] { handled = HandleCustomMessage(message, wParam, lParam); });
    return handled;
}

void CMainWnd::SetTimer(int id, int milliseconds)
{
    QTimer*& timer = timers_[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }
    timer->start(milliseconds);
}

void CMainWnd::KillTimer(int id)
{
    if (QTimer* timer = timers_.value(id, nullptr))
        timer->stop();
}

bool CMainWnd::IsTimerActive(int id) const
{
    const QTimer* timer = timers_.value(id, nullptr);
    return timer != nullptr && timer->isActive();
}

void CMainWnd::OnTimer(int id)
{
    if (id == SensorPage::kResultWaitTimer) {
        sensorPage_.onResultWaitTimer();
    } else if (id == SensorPage::kReturnTimer) {
        qCDebug(lcMain) << "out2";
        sensorPage_.onReturnTimer();  // the page shown after a calibration
    }
}

void CMainWnd::OnTrayLeftClick()
{
    if (!channel_.IsOpen()) {
        ui::ShowMessageBox(this, QString::fromUtf8(kNoDeviceText));
        return;
    }
    if (isVisible()) {
        ShowWindow(false, false);
    } else {
        ShowWindow(true, true);
    }
}

void CMainWnd::OnMenuCommand(const ui::MenuCommand& cmd)
{
    if (const MenuRow* row = MainRoutes::findMenuRow(cmd.name)) {
        row->action(*this, cmd);
        return;
    }
    ui::ShowMessageBox(this, cmd.text);
}

void CMainWnd::SwitchLanguage()
{
    auto& rm = ui::ResourceManager::instance();
    if (!english_) {
        rm.SetLanguage(QStringLiteral("en"));
        rm.LoadLanguage(QStringLiteral("lan_en.xml"));
    } else {
        rm.SetLanguage(QStringLiteral("cn_zh"));
        rm.LoadLanguage(QStringLiteral("lan_cn.xml"));
    }
    english_ = !english_;
    ReloadText();
    RebuildTrayMenu();
    update();
}

void CMainWnd::OnClose(int)
{
    Shutdown();
    QCoreApplication::quit();
}

void CMainWnd::Shutdown()
{
    if (shuttingDown_)
        return;
    shuttingDown_ = true;
    alive_ = false;
    tray_.DeleteTrayIcon();
    for (QTimer* timer : std::as_const(timers_))
        timer->stop();
    // Stop every worker before anything it uses goes away: wake blocked reads and calls
    // onto this thread, then join. Closing the channel ends an exchange at its next wait
    // instead of after its remaining attempts.
    workers_.requestStop();
    channel_.setOpen(false);
    channel_.Cancel();
    listener_.cancel();
    ui::ShutdownUiThreadCall();
    workers_.stopAndJoin();
    systemSettings_.waitIdle();
}

// ---- FeatureHost ------------------------------------------------------------------------

std::filesystem::path CMainWnd::currentProfilePath() const
{
    ui::ComboControl list(FindControl(QString::fromLatin1(names::kKeyProfileCombo)));
    const int i = list.GetCurSel();
    return i < 0 ? std::filesystem::path{} : profilePath(list.GetItemUserData(i).toStdString());
}

std::filesystem::path CMainWnd::dpiProfilePath() const
{
    ui::ComboControl list(FindControl(QString::fromLatin1(names::kDpiProfileCombo)));
    const int i = list.GetCurSel();
    return i < 0 ? std::filesystem::path{} : profilePath(list.GetItemUserData(i).toStdString());
}

int CMainWnd::messageBox(const QString& text) { return ui::ShowMessageBox(this, text); }

void CMainWnd::redrawButtonLabels()
{
    // The button page draws its labels from the active record's table once it exists.
}

void CMainWnd::redrawLightingPage(int zone)
{
    (void)zone;  // the lighting page redraws the zone being edited once it exists
}

// ---- the mouse --------------------------------------------------------------------------

void CMainWnd::ApplyModelPresentation(bool withLabels)
{
    std::uint16_t model = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(channel_.lock());
        model = state_.modelId();
    }
    for (const ModelLook& look : kModels) {
        if (look.id != model)
            continue;
        FindControl(QStringLiteral("msloge")).SetBkImage(QString::fromLatin1(look.logo));
        const QString title = QString::fromLatin1(look.title);
        tray_.SetTooltipText(title);
        setWindowTitle(title);
        ui::SliderControl slider(FindControl(QStringLiteral("ms_DPI_slider")));
        slider.SetMinValue(0);
        slider.SetMaxValue(look.sliderMax);
        if (withLabels) {
            FindControl(QStringLiteral("ms_deng_la0")).SetVisible(look.extraLabels);
            FindControl(QStringLiteral("ms_deng_la1")).SetVisible(look.extraLabels);
        }
    }
}

void CMainWnd::PresentModel()
{
    connection_.refreshIdentity();
    ApplyModelPresentation(true);
    for (const char* list : kProfileLists)
        ui::ComboControl(FindControl(QLatin1String(list))).SelectItem(-1);
    // Selecting the stored profile applies it (the list's own notification). A stored
    // selection that names no profile falls back to the first one, so that changes always
    // have a profile to go to.
    ui::ComboControl reg(FindControl(QString::fromLatin1(names::kRegProfileCombo)));
    const long stored = ProfileIndex::selected();
    reg.SelectItem(stored >= 0 && stored < reg.GetCount() ? static_cast<int>(stored) : 0);
    FindControl(QStringLiteral("ms_deng_la0")).NeedUpdate();
    FindControl(QStringLiteral("ms_deng_la1")).NeedUpdate();
    ui::OptionControl(FindControl(QStringLiteral("ms_deng_Op_tab"))).Selected(true, false);
    SelectPage(names::kMsTabSwitch, 0);
    presented_ = true;
}

void CMainWnd::SelectOnboardRecord(int n)
{
    if (!connection_.SelectOnboardRecord(n))
        return;
    FindControl(QStringLiteral("ms_tab_function")).SetVisible(false);
    RefreshSettingsDisplay();
}

void CMainWnd::OnProfileListSelect(int source, int index)
{
    if (index < 0 || !IsConnected() || applier_.isApplying())
        return;
    ApplyProfileAndRefresh(source);
}

void CMainWnd::ApplyProfileAndRefresh(int source)
{
    if (applier_.applyProfile(source))
        RefreshSettingsDisplay();
}

void CMainWnd::OnDeviceReset()
{
    connection_.ReadDeviceState(ProfileIndex::selectedProfilePath());
    ApplyModelPresentation(false);
    RefreshSettingsDisplay();
}

void CMainWnd::OnDeviceSync()
{
    connection_.SyncFromDevice(dpiProfilePath());
    RefreshSettingsDisplay();
}

void CMainWnd::OnCalibrationEnd()
{
    connection_.SyncFromDevice(dpiProfilePath());
    sensorPage_.onCalibrationEnd();
}

void CMainWnd::OnDeviceArrived()
{
    if (channel_.IsOpen()) {
        qCDebug(lcMain) << "找到设备";
        PresentModel();
        return;
    }
    qCDebug(lcMain) << "没有找到设备";
    {
        std::lock_guard<std::recursive_mutex> guard(channel_.lock());
        state_.DeviceInfo[kInfoDpiCount] = 0;
    }
    ShowWindow(false, false);
}

// ---- ConnectionHost (device connection thread) -------------------------------------------

void CMainWnd::macroAreaRead(const std::vector<std::uint8_t>& area)
{
    // Kept for the macro library, which rebuilds its files from it.
    macroArea_ = area;
}

std::filesystem::path CMainWnd::connectProfilePath() { return ProfileIndex::selectedProfilePath(); }

void CMainWnd::storeCapture(const DeviceCapture& capture) { writeDeviceCapture(capture); }

void CMainWnd::connectSequenceDone()
{
    ui::SendToUiThread([this] { PresentModel(); });
}

void CMainWnd::mouseLost()
{
    ui::SendToUiThread([this] {
        presented_ = false;
        ShowWindow(false, false);
    });
}

void CMainWnd::openRefused()
{
    qCWarning(lcMain) << "the mouse is present but this user may not open it: install 70-corvalantis.rules";
    // Not waited for: the connection thread goes on polling while the notice is open.
    QMetaObject::invokeMethod(
        this, [this] { ui::ShowMessageBox(this, QString::fromUtf8(kNoPermissionText)); }, Qt::QueuedConnection);
}

void CMainWnd::deliverMouseEvent(MouseEvent event)
{
    const unsigned message = messageFor(event);
    if (message != 0)
        SendMessage(message);
}

}  // namespace corv
