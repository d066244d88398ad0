#include "app/AppMain.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QIcon>
#include <QLoggingCategory>
#include <QPalette>
#include <QPixmap>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/AppFeatures.h"
#include "app/DemoMenu.h"
#include "app/MainWindow.h"
#include "app/MainWindowScriptHost.h"
#include "app/OutsideRequests.h"
#include "device/FrameLogFile.h"
#include "device/ModelFacts.h"
#include "platform/AppPaths.h"
#include "platform/DbusOutsideMessages.h"
#include "platform/DesktopSettings.h"
#include "platform/ForegroundWatcher.h"
#include "platform/SingleInstanceLock.h"
#include "script/ScriptRunner.h"
#include "script/ScriptStartup.h"
#include "sim/BackendChoice.h"
#include "ui/KeyboardSources.h"
#include "ui/MessageWindow.h"
#include "ui/OptionControl.h"
#include "ui/ResourceManager.h"
#include "ui/TabLayoutControl.h"

namespace corv {

namespace {

// The moment the window is ready, for bench/idle.sh (QT_LOGGING_RULES="corv.debug.start=true").
Q_LOGGING_CATEGORY(lcStart, "corv.debug.start", QtWarningMsg)

// The navigation option of each page of "ms_tab_switch".
constexpr const char* kPageOptions[] = {"ms_deng_Op_tab", "ms_macro_Op_tab",   "ms_rich_Op_tab",   "ms_dengxiao_tb",
                                        "ms_ma_Op_tab",   "ms_regulat_Op_tab", "ms_statis_Op_tab", "ms_reg_display"};

bool hasDisplay()
{
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* v = std::getenv(var);
        if (v != nullptr && v[0] != '\0')
            return true;
    }
    return false;
}

// Screenshots must not touch the user's files: the documents folder goes to a temporary
// folder for this process.
std::filesystem::path redirectDocuments()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "corvalantis-shots-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    const std::filesystem::path base = pattern;
    std::filesystem::create_directories(base / "config");
    std::filesystem::create_directories(base / "Documents");
    std::ofstream(base / "config" / "user-dirs.dirs")
        << "XDG_DOCUMENTS_DIR=\"" << (base / "Documents").string() << "\"\n";
    ::setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
    return base;
}

// A second start: the running program is asked to show its window, and this one ends.
int showRunningInstance()
{
    const OutsideAnswer shown = sendOutsideRequest(OutsideCall{OutsideRequest::ShowWindow, {}});
    if (shown.status != OutsideStatus::Done)
        std::fprintf(stderr, "corvalantis: already running, but its window could not be shown: %s\n",
                     shown.message.empty() ? "no answer" : shown.message.c_str());
    return 0;
}

}  // namespace

QString appUsage()
{
    return QStringLiteral(
        "usage: corvalantis [options]\n"
        "  --virtual-mouse=R210|R240[:VERSION]  use a virtual mouse of that model instead of the\n"
        "                             hardware, with that firmware version (hex, e.g. R240:0x0105);\n"
        "                             \",macro-area=UNITS\" after it: a macro area of UNITS x 128 bytes\n"
        "  --frame-log=FILE           write every request ('> ') and answer ('< ') to FILE\n"
        "  --screenshots=DIR          render every page (Chinese and English) and the message box\n"
        "                             into PNG files in DIR, then exit (needs no display)\n"
        "  --script=FILE              run the script FILE against the window as a person would,\n"
        "                             one log line per step; exit 0 when every expectation held,\n"
        "                             1 when one failed, 2 for a script error (docs/script-driver.md)\n"
        "  --help                     show this text\n");
}

bool parseAppArguments(const std::vector<std::string>& args, AppOptions& options, std::string* error)
{
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg.rfind("--virtual-mouse=", 0) == 0) {
            options.virtualMouse = arg.substr(16);
            if (options.virtualMouse.empty()) {
                if (error)
                    *error = "--virtual-mouse needs a model (R210 or R240)";
                return false;
            }
        } else if (arg.rfind("--frame-log=", 0) == 0) {
            options.frameLog = arg.substr(12);
            if (options.frameLog.empty()) {
                if (error)
                    *error = "--frame-log needs a file name";
                return false;
            }
        } else if (arg.rfind("--screenshots=", 0) == 0) {
            options.screenshots = arg.substr(14);
            if (options.screenshots.empty()) {
                if (error)
                    *error = "--screenshots needs a folder";
                return false;
            }
        } else if (arg.rfind("--script=", 0) == 0) {
            options.script = arg.substr(9);
            if (options.script.empty()) {
                if (error)
                    *error = "--script needs a file name";
                return false;
            }
        } else {
            if (error)
                *error = "unknown argument: " + arg;
            return false;
        }
    }
    if (!options.script.empty() && !options.screenshots.empty()) {
        if (error)
            *error = "--script and --screenshots cannot be combined";
        return false;
    }
    return true;
}

QStringList writeScreenshots(MainWindow& wnd, const QString& folder)
{
    QStringList written;
    if (!QDir().mkpath(folder))
        return written;
    ui::TabLayoutControl tabs(wnd.findControl(QStringLiteral("ms_tab_switch")));
    const int pages = tabs.getCount();
    for (const bool english : {false, true}) {
        if (wnd.isEnglish() != english)
            wnd.switchLanguage();
        const QString lang = english ? QStringLiteral("en") : QStringLiteral("cn");
        for (int i = 0; i < pages; ++i) {
            if (i < static_cast<int>(std::size(kPageOptions))) {
                ui::OptionControl(wnd.findControl(QString::fromLatin1(kPageOptions[i]))).setSelected(true, false);
            }
            tabs.selectItem(i);
            QApplication::processEvents();
            const QString file = QStringLiteral("%1/ms_tab_switch_%2_%3.png").arg(folder).arg(i).arg(lang);
            if (wnd.grab().save(file, "PNG"))
                written << file;
        }
        ui::MessageWindow box;
        if (box.createWindow(&wnd, QStringLiteral("msgwnd"), 0, 0, true)) {
            box.findControl(QStringLiteral("MessageText")).setProgramText(QStringLiteral("是否要恢复到出厂设置？"));
            box.showWindow(true, false);
            QApplication::processEvents();
            const QString file = QStringLiteral("%1/message_box_%2.png").arg(folder, lang);
            if (box.grab().save(file, "PNG"))
                written << file;
            box.showWindow(false, false);
        }
    }
    if (wnd.isEnglish())
        wnd.switchLanguage();
    ui::OptionControl(wnd.findControl(QString::fromLatin1(kPageOptions[0]))).setSelected(true, false);
    tabs.selectItem(0);
    return written;
}

int runApp(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    AppOptions options;
    std::string error;
    if (!parseAppArguments(args, options, &error)) {
        std::fprintf(stderr, "corvalantis: %s\n%s", error.c_str(), qPrintable(appUsage()));
        return 1;
    }
    if (options.help) {
        std::fputs(qPrintable(appUsage()), stdout);
        return 0;
    }
    const bool screenshots = !options.screenshots.empty();
    const bool scripted = !options.script.empty();
    const ScriptLog scriptLog = standardOutputLog();
    std::optional<std::vector<ScriptStep>> script;
    if (scripted) {
        script = loadScriptFile(options.script, scriptLog);
        if (!script)
            return kScriptError;
    }
    // One instance: a second one asks the first to show its window and ends (screenshots are
    // not an instance).
    SingleInstanceLock instance;
    if (!screenshots && instance.acquire(modelShownFirst().title) == SingleInstanceLock::Result::HeldElsewhere) {
        if (!scripted)
            return showRunningInstance();
        scriptLog(QStringLiteral("end: another instance is running; the script was not run"));
        return kScriptFailed;
    }
    std::filesystem::path shotsHome;
    if (screenshots) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        shotsHome = redirectDocuments();
    } else if (scripted && !hasDisplay()) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    } else if (!hasDisplay()) {
        std::fputs("corvalantis: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                   "  To see the window without a display: corvalantis --screenshots=DIR\n"
                   "  To use the mouse from a terminal:     corvalantisctl --help\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvalantis"));
    // The desktop entry the window belongs to (Wayland's application id, the taskbar's icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.corvalantis.Corvalantis"));
    QApplication::setQuitOnLastWindowClosed(false);  // the program lives in the tray
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(13);
    QApplication::setFont(font);
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Link, QColor(0x3F, 0xC1, 0xEE));
    QApplication::setPalette(palette);

    auto& rm = ui::ResourceManager::instance();
    const std::filesystem::path skin = resourceFolder() / "skin";
    rm.setSkinFolder(QString::fromStdString(skin.string()));
    if (!rm.loadResource(QStringLiteral("res.xml"))) {
        std::fprintf(stderr, "corvalantis: the skin is missing or damaged (%s)\n", skin.c_str());
        return 1;
    }
    app.setStyleSheet(rm.styleSheet());
    QApplication::setWindowIcon(QIcon(rm.resolveFile(QStringLiteral("icon.png"))));

    if (scripted)
        prepareScriptedRun(scriptLog);

    sim::DeviceBackend device;
    if (!sim::chooseBackend(options.virtualMouse, Clock::system(), device, &error)) {
        std::fprintf(stderr, "corvalantis: %s\n", error.c_str());
        return 1;
    }
    FrameLogFile frameLog;  // declared before the window: it must outlive the channel
    MainWindow::Options windowOptions;
    windowOptions.startWorkers = !screenshots;
    windowOptions.announceNoTray = !screenshots;
    if (device.mouse) {
        // The demo's "Virtual mouse" tray submenu: a person at the virtual mouse.
        const std::weak_ptr<sim::VirtualMouse> mouse = device.mouse;
        windowOptions.trayMenuExtension = [mouse](QMenu* menu) { DemoMenu::addTo(menu, mouse); };
    }
    const std::unique_ptr<DesktopSettings> desktop = makeDesktopSettings();
    // Screenshots do not switch profiles; elsewhere the X session's foreground, when there is one.
    const std::unique_ptr<ForegroundWatcher> foreground = screenshots ? nullptr : makeForegroundWatcher();
    // The keyboard for recording macros and capturing keys: the desktop's (or this program's
    // windows'). Scripted runs take their keys from the script alone, so that a run on a
    // developer's desktop neither records nor grabs the real keyboard. Declared before the
    // window: the window's hooks go first.
    std::unique_ptr<ui::KeyboardCapture> keyboard;
    if (!scripted && !screenshots)
        keyboard = std::make_unique<ui::KeyboardCapture>();
    MainWindow wnd(*device.backend, Clock::system(), windowOptions);
    installFeatures(wnd, FeatureDeps{*desktop, foreground.get()});
    // Declared after the window: it goes first, and its answers stay until then.
    std::unique_ptr<MainWindowScriptHost> scriptHost;
    std::unique_ptr<ScriptRunner> runner;
    if (scripted) {
        scriptHost = std::make_unique<MainWindowScriptHost>(wnd, device.mouse.get());
        runner = std::make_unique<ScriptRunner>(std::move(*script), *scriptHost, scriptLog);
        QObject::connect(runner.get(), &ScriptRunner::finished, &app, [](int code) { QCoreApplication::exit(code); });
        // The answers are there before the window can ask anything.
        if (!runner->start())
            return kScriptError;
    }
    if (!options.frameLog.empty()) {
        if (!frameLog.open(options.frameLog)) {
            std::fprintf(stderr, "corvalantis: cannot write %s\n", options.frameLog.c_str());
            return 1;
        }
        frameLog.attach(wnd.channel());
    }
    if (!wnd.createMainWindow()) {
        std::fprintf(stderr, "corvalantis: the main layout of the skin cannot be loaded\n");
        return 1;
    }
    // Requests of other programs on the session bus (corvalantisctl, a second start). Not for
    // scripted runs: the script alone acts on their window. Declared after the window: it
    // stops first.
    DbusOutsideMessageService outsideService;
    std::unique_ptr<OutsideRequests> outside;
    if (!scripted && !screenshots) {
        outside = std::make_unique<OutsideRequests>(wnd, outsideService);
        outside->start();
    }
    wnd.showWindow(true, !screenshots);
    qCInfo(lcStart).nospace() << "initialised at "
                              << std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count();

    if (screenshots) {
        QApplication::processEvents();
        const QStringList files = writeScreenshots(wnd, QString::fromStdString(options.screenshots));
        for (const QString& f : files)
            std::printf("%s\n", qPrintable(f));
        std::error_code ec;
        if (!shotsHome.empty())
            std::filesystem::remove_all(shotsHome, ec);
        if (files.isEmpty()) {
            std::fprintf(stderr, "corvalantis: no screenshot could be written to %s\n", options.screenshots.c_str());
            return 1;
        }
        return 0;
    }
    QApplication::exec();
    if (runner)
        return runner->endEarly(QStringLiteral("the program quit"));
    return 0;
}

}  // namespace corv
