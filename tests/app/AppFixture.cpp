#include "AppFixture.h"

#include "app/AppFeatures.h"
#include "app/DemoMenu.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "buttons/page/ButtonNames.h"
#include "macros/MacroFile.h"
#include "platform/AppPaths.h"
#include "platform/IniFile.h"
#include "sim/VirtualHidBackend.h"
#include "ui/MenuWnd.h"
#include "ui/MessageBox.h"
#include "ui/Notification.h"
#include "ui/ResourceManager.h"
#include "ui/TrayIcon.h"
#include "ui/UiThread.h"

namespace corv::test {

AppEnvironment::AppEnvironment()
{
    if (const char* h = std::getenv("HOME"))
        oldHome_ = h;
    ::setenv("HOME", home_.path().toLocal8Bit().constData(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    const std::filesystem::path res = resources();
    std::filesystem::create_directory_symlink(sourceDir() / "skin", res / "skin");
    std::filesystem::copy_file(sourceDir() / "src" / "app" / "default.pro", res / "default.pro");
    setResourceFolderOverride(res);
    auto& rm = ui::ResourceManager::instance();
    rm.setSkinFolder(QString::fromStdString((res / "skin").string()));
    rm.loadResource(QStringLiteral("res.xml"));
    ui::resetUiThreadCall();
}

AppEnvironment::~AppEnvironment()
{
    setResourceFolderOverride({});
    ui::ResourceManager::instance().setSkinFolder(QString());
    ui::setMessageBoxResponder(nullptr);
    ui::TrayIcon::setAvailabilityOverride(std::nullopt);
    ui::resetUiThreadCall();
    if (!oldHome_.empty())
        ::setenv("HOME", oldHome_.c_str(), 1);
}

std::filesystem::path AppEnvironment::dataFolder() const
{
    return home() / "Documents" / "CORVALANTIS R210R240 Driver";
}

std::string AppEnvironment::readAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

MainWindowHarness::MainWindowHarness(MainWindow::Options options, const char* model, Clock& clock,
                                     ForegroundWatcher* foreground)
{
    std::string error;
    sim::chooseBackend(model, Clock::system(), device_, &error);
    if (!options.trayMenuExtension) {
        const std::weak_ptr<sim::VirtualMouse> mouse = device_.mouse;
        options.trayMenuExtension = [mouse](QMenu* menu) { DemoMenu::addTo(menu, mouse); };
    }
    wnd_ = std::make_unique<MainWindow>(*device_.backend, clock, options);
    installFeatures(*wnd_, FeatureDeps{desktop_, foreground});
}

sim::VirtualHidBackend& MainWindowHarness::backend() { return static_cast<sim::VirtualHidBackend&>(*device_.backend); }

MainWindowHarness::~MainWindowHarness() { wnd_.reset(); }

void ConnectedWindowTest::SetUp()
{
    ui::TrayIcon::setAvailabilityOverride(true);
    ui::setMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
        shown << r.shownText;
        return answer;
    });
}

MainWindow& ConnectedWindowTest::connect(const char* model, const std::function<void(sim::VirtualMouse&)>& prepare)
{
    harness = std::make_unique<MainWindowHarness>(MainWindow::Options{}, model, clock, foreground);
    if (prepare)
        prepare(harness->mouseWithoutWaiting());
    MainWindow& w = harness->wnd();
    EXPECT_TRUE(w.createMainWindow());
    w.showWindow(true, false);
    // The connected flag comes first; the model shown and the stored profile applied after.
    EXPECT_TRUE(waitFor([&] { return w.isPresented(); }, 10000));
    QApplication::processEvents();
    return w;
}

bool ConnectedWindowTest::replug()
{
    harness->mouse().unplug();
    if (!waitFor([&] { return !wnd().isPresented(); }, 5000))
        return false;
    harness->mouse().plug();
    return waitFor([&] { return wnd().isPresented(); }, 10000);
}

void ConnectedWindowTest::notify(const QString& type, const char* name, long long wParam)
{
    notifyControl(harness->wnd(), type, name, wParam);
}

void writeProfiles(const AppEnvironment& env, const std::vector<std::string>& names,
                   const std::vector<std::string>& programs, int select)
{
    const auto data = env.dataFolder();
    std::filesystem::create_directories(data);
    const auto index = data / "msProfile.ini";
    ini::writeString(index, "PROFILECOUNT", "count", std::to_string(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        ini::writeString(index, "PROFILENAME", std::to_string(i), names[i]);
        std::filesystem::copy_file(env.resources() / "default.pro", data / (names[i] + ".pro"));
        if (i < programs.size() && !programs[i].empty()) {
            ini::writeString(index, "PROFILELIKEEXE", std::to_string(i), "1");
            ini::writeString(index, "PROCESS", std::to_string(i), programs[i]);
        }
    }
    ini::writeString(index, "PROFILESELECT", "select", std::to_string(select));
}

void writeMacros(const AppEnvironment& env, const MacroList& macros)
{
    const auto data = env.dataFolder();
    std::filesystem::create_directories(data);
    const auto index = data / "msMacro.ini";
    ini::writeString(index, "MACROCOUNT", "count", std::to_string(macros.size()));
    for (std::size_t i = 0; i < macros.size(); ++i) {
        ASSERT_TRUE(MacroFile::write(data / (macros[i].first + ".mac"), macros[i].second));
        ini::writeString(index, "MACRONAME", std::to_string(i), macros[i].first);
    }
}

void chooseButtonFunction(MainWindow& wnd, int button, const char* item, const char* text)
{
    notifyControl(wnd, ui::notify::kClick, (std::string(button_names::kButtonPrefix) + std::to_string(button)).c_str());
    ui::MenuCommand cmd;
    cmd.name = QString::fromUtf8(item);
    cmd.text = QString::fromUtf8(text);
    wnd.onMenuCommand(cmd);
}

void notifyControl(MainWindow& wnd, const QString& type, const char* name, long long wParam)
{
    ui::Notification msg;
    msg.type = type;
    msg.sender = wnd.findControl(QLatin1String(name)).widget();
    msg.senderName = QLatin1String(name);
    msg.wParam = wParam;
    wnd.notify(msg);
}

std::vector<ReportFrame> requestsOf(sim::VirtualMouse& mouse, std::uint8_t command)
{
    std::vector<ReportFrame> out;
    for (const ReportFrame& f : mouse.frameLog().frames(FrameDirection::Request))
        if (f.command() == command)
            out.push_back(f);
    return out;
}

}  // namespace corv::test
