// Save and send from the button page with a macro library that fills the mouse's macro
// area, on the virtual mouse at USB full speed (1 ms per report each way):
// - the longest time the UI thread was busy in one go while the transfer ran (a zero-time
//   timer measures the gaps between its turns of the event loop);
// - the whole transfer, and that as a ratio to request frames × 2 ms.
// run by hand: build-test/bench/buttons/corv_bench_buttons
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/AppFeatures.h"
#include "app/MainWindow.h"
#include "buttons/page/ButtonsPage.h"
#include "device/DeviceProtocol.h"
#include "macros/MacroFile.h"
#include "macros/MacroImage.h"
#include "macros/MacroIndex.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/FakeDesktopSettings.h"
#include "sim/BackendChoice.h"
#include "sim/VirtualMouse.h"
#include "ui/MessageBox.h"
#include "ui/ResourceManager.h"

using namespace corv;

namespace {

template <class Pred> bool spinUntil(Pred pred, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return pred();
}

// One macro whose image is as long as the area allows.
void fillLibrary(const std::filesystem::path& folder, std::size_t capacityBytes)
{
    const MacroAction press = MacroAction::parseOrZeroDelay("1,4,202,1,A");
    const MacroAction pause = MacroAction::delay(10);
    std::string name;
    MacroIndex(folder).addNew(&name);
    MacroIndex(folder).rename(0, "Full");
    MacroFile macro(folder / "Full.mac");
    macro.insertLines(0, {press, pause});
    macro.save();
    const std::size_t empty = MacroImage::lengthOf({MacroFile()});
    const std::size_t perAction = (MacroImage::lengthOf({macro}) - empty) / 2;
    std::size_t actions = std::min((capacityBytes - empty) / perAction, MacroFile::kMaxLines);
    actions -= actions % 2;
    std::vector<MacroAction> more;
    for (std::size_t i = 2; i < actions; i += 2) {
        more.push_back(press);
        more.push_back(pause);
    }
    macro.insertLines(2, more);
    macro.save();
    std::printf("library: %zu actions, image %zu of %zu bytes\n", macro.size(), MacroImage::lengthOf({macro}),
                capacityBytes);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    ::setenv("HOME", home.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    const std::filesystem::path source = CORV_SOURCE_DIR;
    QTemporaryDir resources;
    const std::filesystem::path res = resources.path().toStdString();
    std::filesystem::create_directory_symlink(source / "skin", res / "skin");
    std::filesystem::copy_file(source / "src" / "app" / "default.pro", res / "default.pro");
    setResourceFolderOverride(res);
    ui::ResourceManager::instance().setSkinFolder(QString::fromStdString((res / "skin").string()));
    ui::ResourceManager::instance().loadResource(QStringLiteral("res.xml"));

    sim::DeviceBackend device;
    std::string error;
    if (!sim::chooseBackend("R210", Clock::system(), device, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    device.mouse->setLatencyMode(sim::LatencyMode::UsbFullSpeed);
    // Nobody is there to close a message box: each is said and answered.
    ui::setMessageBoxResponder([](const ui::MessageBoxRequest& r) {
        std::printf("message: %s\n", r.shownText.toUtf8().constData());
        return QStringLiteral("confirm_btn");
    });
    FakeDesktopSettings desktop;
    MainWindow::Options options;
    options.announceNoTray = false;
    MainWindow wnd(*device.backend, Clock::system(), options);
    installFeatures(wnd, FeatureDeps{desktop, nullptr});
    if (!wnd.createMainWindow())
        return 1;
    wnd.showWindow(true, false);
    if (!spinUntil([&] { return wnd.isPresented(); }, 20000)) {
        std::fprintf(stderr, "the virtual mouse did not connect\n");
        return 1;
    }
    std::size_t capacity = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(wnd.channel().lock());
        capacity = wnd.deviceState().DeviceInfo[kInfoMacroCapacity] * std::size_t{128};
    }
    fillLibrary(dataFolderPath(), capacity);

    ButtonsPage& page = *wnd.findFeature<ButtonsPage>();
    device.mouse->frameLog().clear();
    QElapsedTimer sinceTurn;
    qint64 longest = 0;
    QTimer turns;
    turns.setInterval(0);
    QObject::connect(&turns, &QTimer::timeout, [&] { longest = std::max(longest, sinceTurn.restart()); });
    QElapsedTimer whole;
    whole.start();
    sinceTurn.start();
    turns.start();
    page.saveAndSend();
    const qint64 busyInCall = sinceTurn.restart();
    longest = std::max(longest, busyInCall);
    spinUntil([&] { return !page.isSending(); }, 120000);
    const qint64 total = whole.elapsed();
    turns.stop();
    const std::size_t frames = device.mouse->frameLog().frames(FrameDirection::Request).size();
    std::printf("longest UI-thread busy stretch: %lld ms (goal <= 50 ms; the call itself %lld ms)\n",
                static_cast<long long>(longest), static_cast<long long>(busyInCall));
    std::printf("transfer: %lld ms for %zu request frames = %.2f x (frames x 2 ms)\n", static_cast<long long>(total),
                frames, frames == 0 ? 0.0 : static_cast<double>(total) / (2.0 * static_cast<double>(frames)));
    return 0;
}
