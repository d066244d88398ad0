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
#include "platform/IniFile.h"
#include "ui/ColorPaletteControl.h"
#include "ui/ComboControl.h"
#include "ui/ListControl.h"
#include "ui/MessageBox.h"
#include "ui/ResourceManager.h"
#include "ui/SkinLoader.h"
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
    {"kb_Key_UI", "keyboard_key.xml"},     {"kb_Deng_UI", "keyboard_deng.xml"},
    {"kb_Macro_UI", "keyboard_macro.xml"}, {"MS_Deng_UI", "Mouse_deng.xml"},
    {"MS_Macro_UI", "Mouse_macro.xml"},    {"MS_Key_UI", "Mouse_key.xml"},
    {"MP_deng_UI", "MousePad_deng.xml"},   {"MS_DPI_UI", "Mouse_DPI.xml"},
    {"MS_MA_UI", "Mouse_hong.xml"},        {"MS_Regulat_UI", "Mouse_regulat.xml"},
    {"MS_RegulatDisplay_UI", "Mouse_regdisplay.xml"}, {"MS_Statis_UI", "Mouse_statis.xml"},
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
};

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

CMainWnd::CMainWnd(HidBackend& backend, Clock& clock, Options options) : options_(options), channel_(backend, clock) {}

CMainWnd::~CMainWnd() {
    Shutdown();
    if (popupMenu_) delete popupMenu_.data();
    trayMenu_.reset();
    SetConnected(false);
    RemoveInputHooks();
    auto& rm = ui::ResourceManager::instance();
    rm.SetTextQueryInterface(nullptr);
}

bool CMainWnd::CreateMainWindow() {
    if (!Create(nullptr, QString::fromUtf8(kTitle), kWidth, kHeight)) return false;
    CenterWindow();
    return true;
}

QWidget* CMainWnd::CreateControl(const QString& className, QWidget* parent) {
    for (const PageLayout& row : kPageLayouts) {
        if (className.compare(QLatin1String(row.elementClass), Qt::CaseInsensitive) != 0) continue;
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

std::optional<QString> CMainWnd::QueryControlText(const QString& id, const QString&) {
    const bool english = ui::ResourceManager::instance().GetLanguage() == QStringLiteral("en");
    if (id.compare(QStringLiteral("titletext"), Qt::CaseInsensitive) == 0) return QStringLiteral("mouse");
    if (id.compare(QStringLiteral("hometext"), Qt::CaseInsensitive) == 0) {
        return english ? QStringLiteral("{a}Demo website{/a}") : QStringLiteral("{a}演示官网{/a}");
    }
    return std::nullopt;
}

void CMainWnd::InitWindow() {
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
        if (body && !workers_.start("input-listener", std::move(body))) qCDebug(lcMain) << "12312314234213";
    }
    // 8. Tray icon.
    CreateTray();
    // 9., 10. Macro list and profile lists.
    LoadMacroList();
    LoadProfileLists();
}

void CMainWnd::LoadMacroList() {
    ui::ComboControl combo(FindControl(QString::fromLatin1(names::kMacroCombo)));
    ui::ListControl list(FindControl(QString::fromLatin1(names::kMacroList)));
    list.RemoveAll();
    const std::filesystem::path folder = dataFolderPath();
    if (folder.empty()) return;
    const std::filesystem::path index = folder / "msMacro.ini";
    const long count = ini::toLong(ini::readString(index, "MACROCOUNT", "count", "0"));
    const long readable = std::clamp(count, 0L, kMaxMacros);
    for (long i = 0; i < readable; ++i) {
        const QString name = qs(ini::readString(index, "MACRONAME", std::to_string(i), "0"));
        combo.AddItem(name, name, 30);
    }
    // The list has just been emptied, so this selects nothing.
    if (count != 0) combo.SelectItem(list.GetCount() - 1);
}

void CMainWnd::LoadProfileLists() {
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

void CMainWnd::CreateTray() {
    if (!ui::TrayIcon::IsAvailable()) return;
    const QString icon = ui::ResourceManager::instance().resolveFile(QStringLiteral("icon.png"));
    if (!tray_.CreateTrayIcon(icon, QString::fromUtf8(kTitle))) return;
    connect(&tray_, &ui::TrayIcon::leftClicked, this, &CMainWnd::OnTrayLeftClick, Qt::UniqueConnection);
    RebuildTrayMenu();
}

void CMainWnd::RebuildTrayMenu() {
    if (!tray_.IsCreated()) return;
    // The language item rebuilds the menu while that menu is still handling the choice: the
    // old menu goes at the next turn of the event loop, not from under its own feet.
    if (trayMenu_) trayMenu_.release()->deleteLater();
    trayMenu_ = ui::MenuWnd::BuildMenu(QStringLiteral("menu.xml"), [this](const ui::MenuCommand& cmd) { OnMenuCommand(cmd); });
    tray_.SetContextMenu(trayMenu_.get());
}

void CMainWnd::OnWindowInit() {
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

void CMainWnd::AnnounceNoTray() {
    if (noTrayAnnounced_) return;
    noTrayAnnounced_ = true;
    qCWarning(lcMain) << "the desktop has no system tray: the window stays visible";
    QMetaObject::invokeMethod(
        this, [this] { ui::ShowMessageBox(this, QString::fromUtf8(kNoTrayText)); }, Qt::QueuedConnection);
}

WorkerThreads::Body CMainWnd::inputListenerBody() {
    return {};  // the input listener arrives with its feature
}

WorkerThreads::Body CMainWnd::deviceConnectionBody() {
    return {};  // the device connection arrives with its feature
}

WorkerThreads::Body CMainWnd::foregroundWatcherBody() {
    return {};  // the foreground watcher arrives with its feature
}

bool CMainWnd::SelectPage(const char* tabLayout, int page) {
    return ui::TabLayoutControl(FindControl(QString::fromLatin1(tabLayout))).SelectItem(page);
}

void CMainWnd::RemoveInputHooks() {
    // Nothing is hooked until the macro recorder and the single-key capture exist.
}

void CMainWnd::Notify(ui::TNotifyUI& msg) {
    const QString& type = msg.sType;
    const QString& name = msg.senderName;
    if (type == ui::notify::kWindowInit) {
        OnWindowInit();
        return;
    }
    if (type == ui::notify::kColorChanged) {
        if (const RouteRow* row = MainRoutes::colorChanged().find(name)) row->action(*this, msg, 0);
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
            if (const RouteRow* row = MainRoutes::selectChanged().find(name)) row->action(*this, msg, 0);
            // Step 3: every other selection change ends hooks and recording.
            RemoveInputHooks();
            // Step 4: page switching, for every tab layout of the page structure.
            if (msg.wParam == 1) {
                for (const PageSwitch& p : MainRoutes::pages()) {
                    if (sameName(name, p.option)) SelectPage(p.tabLayout, p.page);
                }
            }
        }
    } else if (type == ui::notify::kValueChanged) {
        if (const RouteRow* row = MainRoutes::valueChanged().find(name)) row->action(*this, msg, 0);
    } else if (type == ui::notify::kItemSelect) {
        if (const RouteRow* row = MainRoutes::itemSelect().find(name)) row->action(*this, msg, 0);
    } else if (type == ui::notify::kTextChanged) {
        if (const RouteRow* row = MainRoutes::textChanged().find(name)) row->action(*this, msg, 0);
    } else if (type == ui::notify::kKillFocus) {
        if (const RouteRow* row = MainRoutes::killFocus().find(name)) row->action(*this, msg, 0);
    }
    ui::SkinWindow::Notify(msg);
}

bool CMainWnd::HandleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    for (const MessageRow& row : kMessages) {
        if (row.message == message) return row.handle(*this, wParam, lParam);
    }
    return false;
}

bool CMainWnd::SendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    bool handled = false;
    ui::SendToUiThread([&] { handled = HandleCustomMessage(message, wParam, lParam); });
    return handled;
}

void CMainWnd::SetTimer(int id, int milliseconds) {
    QTimer*& timer = timers_[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }
    timer->start(milliseconds);
}

void CMainWnd::KillTimer(int id) {
    if (QTimer* timer = timers_.value(id, nullptr)) timer->stop();
}

bool CMainWnd::IsTimerActive(int id) const {
    const QTimer* timer = timers_.value(id, nullptr);
    return timer != nullptr && timer->isActive();
}

void CMainWnd::OnTimer(int id) {
    if (id != 1) return;
    qCDebug(lcMain) << "out2";
    SelectPage(names::kMsTabSwitch, 5);  // the page shown after a calibration
    KillTimer(1);
}

void CMainWnd::OnTrayLeftClick() {
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

void CMainWnd::OnMenuCommand(const ui::MenuCommand& cmd) {
    if (const MenuRow* row = MainRoutes::findMenuRow(cmd.name)) {
        row->action(*this, cmd);
        return;
    }
    ui::ShowMessageBox(this, cmd.text);
}

void CMainWnd::SwitchLanguage() {
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

void CMainWnd::OnClose(int) {
    Shutdown();
    QCoreApplication::quit();
}

void CMainWnd::Shutdown() {
    if (shuttingDown_) return;
    shuttingDown_ = true;
    tray_.DeleteTrayIcon();
    for (QTimer* timer : std::as_const(timers_)) timer->stop();
    // Stop every worker before anything it uses goes away: wake blocked reads and calls
    // onto this thread, then join.
    workers_.requestStop();
    channel_.Cancel();
    ui::ShutdownUiThreadCall();
    workers_.stopAndJoin();
}

}  // namespace corv
