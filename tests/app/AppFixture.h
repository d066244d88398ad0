#pragma once
// A resource folder with the real skin and profile template, an empty home (so an empty
// data folder) and a main window on a virtual mouse.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/MainWindow.h"
#include "platform/FakeDesktopSettings.h"
#include "platform/ForegroundWatcher.h"
#include "sensor/DpiPage.h"
#include "sensor/SensorPage.h"
#include "sim/BackendChoice.h"
#include "sim/VirtualHidBackend.h"
#include "sim/VirtualMouse.h"

namespace corv::test {

class AppEnvironment {
public:
    AppEnvironment();
    ~AppEnvironment();
    std::filesystem::path home() const { return home_.path().toStdString(); }
    std::filesystem::path dataFolder() const;
    std::filesystem::path resources() const { return resources_.path().toStdString(); }
    static std::filesystem::path sourceDir() { return CORV_SOURCE_DIR; }
    static std::string readAll(const std::filesystem::path& file);

private:
    QTemporaryDir home_;
    QTemporaryDir resources_;
    std::string oldHome_;
};

// A main window on a virtual mouse of the given model. The window's own waits (the
// connection's polling and pauses, the answer timeouts) run on clock; the mouse answers
// at once. Pointer speed and scroll lines go to a recording fake unless options name a
// desktop.
class MainWindowHarness {
public:
    explicit MainWindowHarness(MainWindow::Options options = MainWindow::Options::withoutWorkers(),
                               const char* model = "R210", Clock& clock = Clock::system(),
                               ForegroundWatcher* foreground = nullptr);
    ~MainWindowHarness();
    MainWindow& wnd() { return *wnd_; }
    // The mouse once the window's commands have reached it.
    sim::VirtualMouse& mouse()
    {
        wnd_->mouseCommands().waitIdle(std::chrono::seconds(10));
        return *device_.mouse;
    }
    sim::VirtualMouse& mouseWithoutWaiting() { return *device_.mouse; }
    sim::VirtualHidBackend& backend();
    FakeDesktopSettings& desktop() { return desktop_; }
    DpiPage& dpiPage() { return *wnd_->findFeature<DpiPage>(); }
    SensorPage& sensorPage() { return *wnd_->findFeature<SensorPage>(); }

private:
    FakeDesktopSettings desktop_;
    sim::DeviceBackend device_;
    std::unique_ptr<MainWindow> wnd_;
};

// A window with its worker threads on a virtual mouse, the message boxes answered with
// `answer` and recorded in `shown`, a tray present. connect() starts it and waits until the
// connected mouse is shown (prepare, when given, sets the mouse up before it is connected).
class ConnectedWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    MainWindow& connect(const char* model, const std::function<void(sim::VirtualMouse&)>& prepare = {});
    MainWindow& wnd() { return harness->wnd(); }
    DpiPage& dpiPage() { return harness->dpiPage(); }
    SensorPage& sensorPage() { return harness->sensorPage(); }
    ui::Control ctl(const char* name) { return wnd().findControl(QLatin1String(name)); }
    void notify(const QString& type, const char* name, long long wParam = 0);
    // Unplugs and plugs the mouse again; true when the window has shown it again (a library
    // rebuilt from the mouse handed over first).
    bool replug();

    AppEnvironment env;
    ManualClock clock;  // the window's waits; the virtual mouse answers at once
    std::unique_ptr<MainWindowHarness> harness;
    QStringList shown;
    QString answer = QStringLiteral("cancel_btn");
    ForegroundWatcher* foreground = nullptr;  // the program in front, for the window to come
};

// Profiles in env's data folder, each a copy of the template, listed in the index with the
// stored selection; programs[i], when not empty, is linked to profile i.
void writeProfiles(const AppEnvironment& env, const std::vector<std::string>& names,
                   const std::vector<std::string>& programs = {}, int select = 0);

// Runs the event loop until pred holds or ms pass; whether it holds.
template <class Pred> bool waitFor(Pred pred, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred() && timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(2);
    }
    return pred();
}

// A macro library in env's data folder: each macro's file and its entry in the index, in order.
using MacroList = std::vector<std::pair<std::string, std::vector<std::string>>>;
void writeMacros(const AppEnvironment& env, const MacroList& macros);

// Delivers a notification of a control of wnd as the control itself would.
void notifyControl(MainWindow& wnd, const QString& type, const char* name, long long wParam = 0);

// A choice from a button's function menu, as the user makes it; the button page then saves
// and sends it on a thread of its own (without waiting for it here).
void chooseButtonFunction(MainWindow& wnd, int button, const char* item, const char* text);

// The requests the virtual mouse received with this command code, in order.
std::vector<ReportFrame> requestsOf(sim::VirtualMouse& mouse, std::uint8_t command);

}  // namespace corv::test
