#include "app/MainWindow.h"

#include <QCoreApplication>
#include <QCursor>
#include <QLoggingCategory>
#include <QMenu>

#include "app/PageStructure.h"
#include "app/ShellNames.h"
#include "device/ModelFacts.h"
#include "feature/ProfileApplication.h"
#include "feature/RouteName.h"
#include "feature/WindowMessages.h"
#include "platform/Autostart.h"
#include "profiles/ProfileFile.h"
#include "ui/MessageBox.h"
#include "ui/ResourceManager.h"
#include "ui/SkinFrame.h"
#include "ui/TabLayoutControl.h"
#include "ui/UiThread.h"

namespace corv {

Q_LOGGING_CATEGORY(lcMain, "corv.debug", QtWarningMsg)

namespace {

QString name(const char* n) { return QString::fromLatin1(n); }

}  // namespace

MainWindow::MainWindow(HidBackend& backend, Clock& clock, Options options)
    : options_(std::move(options)), clock_(clock), channel_(backend, clock), settings_(channel_, state_),
      presenter_(*this), connection_(channel_, state_, presenter_, clock),
      listener_(
          backend, clock,
          InputListener::Callbacks{[this] { return alive_.load(); }, [this](MouseEvent e) { deliverMouseEvent(e); }})
{
    settings_.setMouseSender([this](SettingsSession::MouseJob job) { sendToMouse(std::move(job)); });
    declareShell();
}

MainWindow::~MainWindow()
{
    shutdown();
    trayMenu_.reset();
    popupMenu_.reset();
    presenter_.setConnected(false);
    ui::ResourceManager::instance().setTextQueryInterface(nullptr);
}

void MainWindow::addFeature(std::unique_ptr<Feature> feature)
{
    if (created_ || !feature)
        return;
    registry_.setOwner(feature->name());
    feature->declare(registry_);
    features_.push_back(std::move(feature));
}

void MainWindow::declareShell()
{
    registry_.setOwner("shell");
    presenter_.declare(registry_);
    registry_.onMenu(names::kMenuLanguage, true, [this](const ui::MenuCommand&) { switchLanguage(); });
    registry_.onMenu(names::kMenuExit, false, [this](const ui::MenuCommand&) { closeWindow(0); });
    registry_.onMenu(kAutostartItem, false, [this](const ui::MenuCommand& cmd) { setAutostart(cmd.checked); });
}

bool MainWindow::createMainWindow()
{
    created_ = true;
    const std::string_view title = modelShownFirst().title;
    title_ = QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
    if (!createWindow(nullptr, title_, kWidth, kHeight))
        return false;
    KeyboardHook::setObserver([this](int) { showTitle(); });
    centerWindow();
    return true;
}

QWidget* MainWindow::createControl(const QString& className, QWidget* parent)
{
    return PageStructure::createControl(className, parent);
}

std::optional<QString> MainWindow::queryControlText(const QString& id, const QString&)
{
    const bool english = ui::ResourceManager::instance().getLanguage() == QStringLiteral("en");
    if (id.compare(QLatin1String(names::kTitleText), Qt::CaseInsensitive) == 0)
        return QStringLiteral("mouse");
    if (id.compare(QLatin1String(names::kHomeText), Qt::CaseInsensitive) == 0)
        return english ? QStringLiteral("{a}Demo website{/a}") : QStringLiteral("{a}演示官网{/a}");
    return std::nullopt;
}

void MainWindow::initWindow()
{
    // Texts: the program always starts in Chinese.
    auto& rm = ui::ResourceManager::instance();
    rm.setTextQueryInterface(this);
    rm.setLanguage(QStringLiteral("cn_zh"));
    rm.loadLanguage(QStringLiteral("lan_cn.xml"));
    english_ = false;
    reloadText();
    maxBtn_ = findControl(name(names::kMaxBtn));
    restoreBtn_ = findControl(name(names::kRestoreBtn));
    minBtn_ = findControl(name(names::kMinBtn));
    skinBtn_ = findControl(name(names::kSkinBtn));
    ui::skinObserver().addReceiver(this);
    // The channel's identity; closed until the device connection opens it.
    channel_.setIdentity(kMouseVendorId, kMouseProductId, kCommandUsage, kCommandUsagePage);
    channel_.setOpen(false);
    if (options_.startWorkers)
        workers_.start("input-listener", [this](std::stop_token stop) { listener_.run(stop); });
    createTray();
    for (const auto& feature : features_)
        feature->windowInit();
}

void MainWindow::createTray()
{
    if (!ui::TrayIcon::isAvailable())
        return;
    const QString icon = ui::ResourceManager::instance().resolveFile(QStringLiteral("icon.png"));
    if (!tray_.createTrayIcon(icon, title_))
        return;
    connect(&tray_, &ui::TrayIcon::leftClicked, this, &MainWindow::onTrayLeftClick, Qt::UniqueConnection);
    rebuildTrayMenu();
}

void MainWindow::rebuildTrayMenu()
{
    if (!tray_.isCreated())
        return;
    // The language item rebuilds the menu while that menu is still handling the choice: the
    // old menu goes at the next turn of the event loop, not from under its own feet.
    if (trayMenu_)
        trayMenu_.release()->deleteLater();
    trayMenu_ = ui::MenuWnd::buildMenu(QLatin1String(names::kTrayMenu),
                                       [this](const ui::MenuCommand& cmd) { onMenuCommand(cmd); });
    if (trayMenu_ && options_.trayMenuExtension)
        options_.trayMenuExtension(trayMenu_.get());
    if (trayMenu_) {
        // The entry may change behind the program's back (the desktop's own settings, a
        // second account of the same home): the item reads it each time the menu opens.
        connect(trayMenu_.get(), &QMenu::aboutToShow, this, &MainWindow::syncAutostartItem);
        syncAutostartItem();
    }
    tray_.setContextMenu(trayMenu_.get());
}

void MainWindow::syncAutostartItem()
{
    if (!trayMenu_)
        return;
    const QString item = QString::fromLatin1(kAutostartItem);
    for (QAction* action : trayMenu_->actions()) {
        if (action->objectName() == item)
            action->setChecked(Autostart::forCurrentUser().isEnabled());
    }
}

void MainWindow::setAutostart(bool on)
{
    const Autostart autostart = Autostart::forCurrentUser();
    if (!autostart.set(on)) {
        qCWarning(lcMain) << "cannot" << (on ? "write" : "remove") << "the autostart entry"
                          << QString::fromStdString(autostart.entryPath().string());
        ui::showMessageBox(
            this, QString::fromUtf8(kAutostartFailedText).arg(QString::fromStdString(autostart.entryPath().string())));
    }
    syncAutostartItem();
}

void MainWindow::onWindowInit()
{
    if (tray_.isCreated()) {
        showWindow(false, false);
    } else if (options_.announceNoTray) {
        announceNoTray();  // without a tray a hidden window could never come back
    }
    if (options_.startWorkers)
        workers_.start("device-connection", [this](std::stop_token stop) { connection_.run(stop); });
}

void MainWindow::announceNoTray()
{
    if (noTrayAnnounced_)
        return;
    noTrayAnnounced_ = true;
    qCWarning(lcMain) << "the desktop has no system tray: the window stays visible";
    QMetaObject::invokeMethod(
        this, [this] { ui::showMessageBox(this, QString::fromUtf8(kNoTrayText)); }, Qt::QueuedConnection);
}

void MainWindow::removeInputHooks()
{
    registry_.hooksEnding();
    hook_.remove();
}

void MainWindow::setTitleText(const QString& title)
{
    title_ = title;
    showTitle();
}

void MainWindow::showTitle()
{
    const int mode = KeyboardHook::activeMode();
    const char* notice = mode == kHookNone ? nullptr : hookSwallows(mode) ? kSingleKeyNotice : kRecordingNotice;
    const QString text =
        notice == nullptr ? title_ : title_ + QStringLiteral(" — ") + ui::programText(QString::fromUtf8(notice));
    tray_.setTooltipText(text);
    setWindowTitle(text);
}

bool MainWindow::installKeyboardHook(int mode)
{
    return hook_.install(mode, [this](unsigned message, const KeyEvent& key) {
        registry_.message(message, key.down ? msg::kKeyDown : msg::kKeyUp, msg::keyParam(key.vk, key.timeMs));
    });
}

void MainWindow::notify(ui::Notification& msg)
{
    const QString& type = msg.type;
    if (type == ui::notify::kWindowInit) {
        onWindowInit();
        return;
    }
    if (type == ui::notify::kClick) {
        // The caption buttons end the routing (no default handling).
        QWidget* sender = msg.sender.data();
        if (sameName(msg.senderName, names::kCloseBtn)) {
            showWindow(false, false);
            return;
        }
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
        if (sender != nullptr && sender == skinBtn_.widget())
            ui::SkinFrame::open(this, sender);  // and on: no route takes it
    }
    if (type == ui::notify::kSelectChanged) {
        // This option ends the routing before the hooks are touched.
        if (sameName(msg.senderName, names::kMacroCheckTime))
            return ui::SkinWindow::notify(msg);
        registry_.notify(msg);
        removeInputHooks();  // every other selection change ends hooks and recording
        if (msg.wParam == 1) {
            for (const PageSwitch& p : PageStructure::switches()) {
                if (sameName(msg.senderName, p.option))
                    selectPage(p.tabLayout, p.page);
            }
        }
    } else {
        registry_.notify(msg);
    }
    ui::SkinWindow::notify(msg);
}

int MainWindow::receive(ui::SkinChangedParam param)
{
    ui::Control root = findControl(name(names::kRoot));
    if (!root)
        return 1;
    if (param.colorChosen) {
        root.setBkColor(param.color);
        root.setBkImage(QString());
    } else {
        root.setBkColor(0);
        root.setBkImage(param.bgimage);
    }
    return 1;
}

bool MainWindow::handleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    return registry_.message(message, wParam, lParam);
}

bool MainWindow::sendMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    bool handled = false;
    ui::sendToUiThread([&] { handled = handleCustomMessage(message, wParam, lParam); });
    return handled;
}

void MainWindow::onTrayLeftClick()
{
    if (!channel_.isOpen()) {
        ui::showMessageBox(this, QString::fromUtf8(kNoDeviceText));
        return;
    }
    showWindow(!isVisible(), !isVisible());
}

void MainWindow::onMenuCommand(const ui::MenuCommand& cmd)
{
    if (!registry_.menu(cmd))
        ui::showMessageBox(this, cmd.text);  // an item nobody handles shows its text
}

void MainWindow::switchLanguage()
{
    auto& rm = ui::ResourceManager::instance();
    english_ = !english_;
    rm.setLanguage(english_ ? QStringLiteral("en") : QStringLiteral("cn_zh"));
    rm.loadLanguage(english_ ? QStringLiteral("lan_en.xml") : QStringLiteral("lan_cn.xml"));
    reloadText();
    rebuildTrayMenu();
    showTitle();
    update();
}

void MainWindow::onClose(int)
{
    shutdown();
    QCoreApplication::quit();
}

void MainWindow::shutdown()
{
    if (shuttingDown_)
        return;
    shuttingDown_ = true;
    alive_ = false;
    tray_.deleteTrayIcon();
    // This thread answers no calls from here on: a thread that asks it something is refused
    // at once instead of waiting for the exit.
    ui::shutdownUiThreadCall();
    // Stop every worker before anything it uses goes away: wake blocked reads, then join.
    // Closing the channel ends an exchange at its next wait instead of after its remaining
    // attempts.
    const auto wakeWorkers = [this] {
        workers_.requestStop();
        channel_.setOpen(false);
        channel_.cancel();
        listener_.cancel();
    };
    // The commands already handed to the mouse (a DPI stage typed just before the exit)
    // reach it first, over the open channel. A mouse that does not answer holds the exit for
    // kExitCommandTime at most: the channel is then closed under the running command, and
    // the commands behind it are dropped.
    if (const std::size_t dropped = commands_.stop(kExitCommandTime, wakeWorkers))
        qCWarning(lcMain) << dropped << "commands to the mouse were not sent before the exit";
    wakeWorkers();
    workers_.stopAndJoin();
    removeInputHooks();  // a recording in progress is saved
    KeyboardHook::setObserver({});
    for (const auto& feature : features_)
        feature->shutdown();
}

// ---- FeatureHost ------------------------------------------------------------------------

ui::Control MainWindow::control(const QString& controlName) const
{
    const ui::Control found = findControl(controlName);
#ifndef NDEBUG
    // A mistyped name would otherwise silently do nothing.
    if (!found)
        qCWarning(lcMain) << "a feature looked up a control that does not exist:" << controlName;
#endif
    return found;
}

void MainWindow::sendToMouse(std::function<void(DeviceChannel&)> job, std::function<void()> done)
{
    if (!job)
        return;
    // The finished job's follow-up comes back to this thread as an event, never as a wait;
    // a job that finished during the exit has none.
    auto late = [this, done] {
        if (!done)
            return;
        ui::postToUiThread(this, [this, done] {
            if (!shuttingDown_)
                done();
        });
    };
    const bool inTime = commands_.runWithin([this, job = std::move(job)] { job(channel_); },
                                            std::chrono::milliseconds(kMouseWaitMs), std::move(late));
    if (inTime && done)
        done();
}

int MainWindow::messageBox(const QString& text) { return ui::showMessageBox(this, text); }

void MainWindow::showPopupMenu(const QString& menuFile, std::optional<QPoint> at)
{
    // A menu still open from before goes at the next turn of the event loop, like the tray's.
    if (popupMenu_)
        popupMenu_.release()->deleteLater();
    popupMenu_ = ui::MenuWnd::buildMenu(
        menuFile, [this](const ui::MenuCommand& cmd) { onMenuCommand(cmd); }, this);
    if (popupMenu_)
        popupMenu_->popup(at ? mapToGlobal(*at) : QCursor::pos());
}

bool MainWindow::selectPage(const char* tabLayout, int page)
{
    return ui::TabLayoutControl(findControl(name(tabLayout))).selectItem(page);
}

bool MainWindow::applySelectedProfile(int source)
{
    if (source < 0 || source >= kProfileListCount || applying_ || !isConnected())
        return false;
    ProfileApplication application;
    application.source = source;
    application.index = settings_.selectedIndex();
    if (application.index < 0)
        return false;
    application.name = QString::fromStdString(settings_.selectedName());
    application.file = settings_.profilePath();
    // While it runs, the other lists' selections change too: their notifications must not
    // apply the profile again.
    applying_ = true;
    registry_.apply(application);
    applying_ = false;
    refreshSettings();
    return true;
}

void MainWindow::deliverMouseEvent(MouseEvent event)
{
    const unsigned message = ConnectionPresenter::messageFor(event);
    if (message != 0)
        sendMessage(message);
}

}  // namespace corv
