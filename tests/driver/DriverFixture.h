#pragma once
// A small skin (a window with a control of every kind, the message box, a second window), a
// window that records its notifications, and a host for the script driver around them, with
// a tray and its menu when a test asks for them.
#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <filesystem>
#include <functional>
#include <memory>

#include "script/ScriptHost.h"
#include "script/ScriptRunner.h"
#include "ui/SkinWindow.h"
#include "ui/TrayIcon.h"

class QMenu;

// Readable strings in the messages of failed checks.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace corv::test {

class DriverSkin {
public:
    DriverSkin();
    ~DriverSkin();
    void write(const QString& name, const QByteArray& content) const;

private:
    QTemporaryDir dir_;
};

class RecordingWindow : public ui::SkinWindow {
    Q_OBJECT
public:
    explicit RecordingWindow(QString layout = QStringLiteral("XML_MAIN")) : layout_(std::move(layout)) { }
    QString getWindowClassName() const override { return QStringLiteral("DriverWnd"); }
    QString getSkinFile() const override { return layout_; }
    void notify(ui::Notification& msg) override;
    // The notifications received, as "type name:wParam", "windowinit" left out.
    QStringList received;
    std::function<void(ui::Notification&)> onNotify;

private:
    QString layout_;
};

class TestHost : public ScriptHost {
public:
    QWidget* mainWindow() override { return window; }
    bool ready() override { return true; }
    ui::TrayIcon* trayIcon() override { return tray.get(); }
    bool isConnected() override { return connected; }
    sim::VirtualMouse* virtualMouse() override { return mouse; }
    std::filesystem::path dataFolder() override { return data; }

    QWidget* window = nullptr;
    std::unique_ptr<ui::TrayIcon> tray;
    bool connected = false;
    sim::VirtualMouse* mouse = nullptr;
    std::filesystem::path data;
};

struct RunResult {
    int code = -1;
    QStringList log;
    // Whether some log line contains text.
    bool said(const QString& text) const;
};

class DriverTest : public ::testing::Test {
protected:
    DriverTest();
    ~DriverTest() override;
    // Parses and runs a script against the window (shown, unless told otherwise).
    RunResult run(const QString& script, ScriptLimits limits = {});
    // A tray (there is none on the offscreen platform) with a menu of items "one", "two", a
    // disabled "off" and a submenu "more" holding "deep"; chosen items go to chosen.
    void makeTray();
    QWidget* control(const char* name) const;

    DriverSkin skin;
    RecordingWindow window;
    TestHost host;
    QTemporaryDir data;
    std::unique_ptr<QMenu> trayMenu;
    QStringList chosen;
};

}  // namespace corv::test
