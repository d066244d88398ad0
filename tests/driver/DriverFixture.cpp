#include <gtest/gtest.h>

#include "DriverFixture.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include "script/ScriptParser.h"
#include "ui/Control.h"
#include "ui/MessageBox.h"
#include "ui/ResourceManager.h"

namespace corv::test {

namespace {

const char* const kLayout = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <widget class="QWidget" name="root">
  <property name="geometry"><rect><x>0</x><y>0</y><width>600</width><height>420</height></rect></property>
  <widget class="QPushButton" name="plain_btn">
   <property name="geometry"><rect><x>10</x><y>10</y><width>80</width><height>24</height></rect></property>
   <property name="text"><string>Plain</string></property>
   <property name="userdata" stdset="0"><string>file='bg1.png'</string></property>
  </widget>
  <widget class="QPushButton" name="disabled_btn">
   <property name="geometry"><rect><x>100</x><y>10</y><width>80</width><height>24</height></rect></property>
   <property name="enabled"><bool>false</bool></property>
  </widget>
  <widget class="QPushButton" name="blocked_btn">
   <property name="geometry"><rect><x>190</x><y>10</y><width>80</width><height>24</height></rect></property>
  </widget>
  <widget class="QCheckBox" name="check_a">
   <property name="geometry"><rect><x>10</x><y>40</y><width>80</width><height>24</height></rect></property>
  </widget>
  <widget class="QPushButton" name="opt_a">
   <property name="geometry"><rect><x>100</x><y>40</y><width>60</width><height>24</height></rect></property>
   <property name="checkable"><bool>true</bool></property>
   <property name="group" stdset="0"><string>grp</string></property>
  </widget>
  <widget class="QPushButton" name="opt_b">
   <property name="geometry"><rect><x>170</x><y>40</y><width>60</width><height>24</height></rect></property>
   <property name="checkable"><bool>true</bool></property>
   <property name="group" stdset="0"><string>grp</string></property>
  </widget>
  <widget class="QComboBox" name="combo">
   <property name="geometry"><rect><x>10</x><y>70</y><width>120</width><height>24</height></rect></property>
  </widget>
  <widget class="QListWidget" name="list">
   <property name="geometry"><rect><x>300</x><y>10</y><width>150</width><height>120</height></rect></property>
  </widget>
  <widget class="QSlider" name="slider">
   <property name="geometry"><rect><x>10</x><y>100</y><width>200</width><height>20</height></rect></property>
   <property name="orientation"><enum>Qt::Horizontal</enum></property>
   <property name="maximum"><number>100</number></property>
  </widget>
  <widget class="QProgressBar" name="progress">
   <property name="geometry"><rect><x>10</x><y>125</y><width>200</width><height>10</height></rect></property>
   <property name="value"><number>30</number></property>
  </widget>
  <widget class="QLineEdit" name="edit">
   <property name="geometry"><rect><x>10</x><y>140</y><width>120</width><height>24</height></rect></property>
   <property name="text"><string>old</string></property>
  </widget>
  <widget class="QLineEdit" name="readonly_edit">
   <property name="geometry"><rect><x>140</x><y>140</y><width>120</width><height>24</height></rect></property>
   <property name="readOnly"><bool>true</bool></property>
  </widget>
  <widget class="QLabel" name="label">
   <property name="geometry"><rect><x>10</x><y>170</y><width>120</width><height>24</height></rect></property>
   <property name="text"><string>DPI 设置</string></property>
  </widget>
  <widget class="QStackedWidget" name="tabs">
   <property name="geometry"><rect><x>300</x><y>150</y><width>200</width><height>100</height></rect></property>
   <widget class="QWidget" name="page0">
    <widget class="QPushButton" name="page0_btn">
     <property name="geometry"><rect><x>0</x><y>0</y><width>80</width><height>24</height></rect></property>
    </widget>
   </widget>
   <widget class="QWidget" name="page1">
    <widget class="QPushButton" name="page1_btn">
     <property name="geometry"><rect><x>0</x><y>0</y><width>80</width><height>24</height></rect></property>
    </widget>
   </widget>
  </widget>
  <widget class="CColorPaletteUI" name="palette">
   <property name="geometry"><rect><x>10</x><y>200</y><width>200</width><height>120</height></rect></property>
  </widget>
 </widget>
</ui>
)";

const char* const kMessageLayout = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <widget class="QWidget" name="msgroot">
  <property name="geometry"><rect><x>0</x><y>0</y><width>300</width><height>160</height></rect></property>
  <widget class="QLabel" name="MessageText"/>
  <widget class="QPushButton" name="confirm_btn"/>
  <widget class="QPushButton" name="cancel_btn"/>
 </widget>
</ui>
)";

// A second window with a control named like one of the main window.
const char* const kDialogLayout = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <widget class="QWidget" name="dialogroot">
  <property name="geometry"><rect><x>0</x><y>0</y><width>200</width><height>100</height></rect></property>
  <widget class="QPushButton" name="plain_btn">
   <property name="geometry"><rect><x>10</x><y>10</y><width>80</width><height>24</height></rect></property>
   <property name="text"><string>In the dialog</string></property>
  </widget>
 </widget>
</ui>
)";

}  // namespace

DriverSkin::DriverSkin()
{
    auto& rm = ui::ResourceManager::instance();
    rm.setSkinFolder(dir_.path());
    write(QStringLiteral("res.xml"), "<Resource>\n"
                                     "  <Layout id=\"XML_MAIN\" file=\"main.xml\"/>\n"
                                     "  <Layout id=\"XML_MSG\" file=\"msgbox.xml\"/>\n"
                                     "  <Layout id=\"XML_DIALOG\" file=\"dialog.xml\"/>\n"
                                     "</Resource>\n");
    write(QStringLiteral("main.xml"), kLayout);
    write(QStringLiteral("msgbox.xml"), kMessageLayout);
    write(QStringLiteral("dialog.xml"), kDialogLayout);
    write(QStringLiteral("bg1.png"), QByteArray());
    rm.loadResource(QStringLiteral("res.xml"));
}

DriverSkin::~DriverSkin() { ui::ResourceManager::instance().setSkinFolder(QString()); }

void DriverSkin::write(const QString& name, const QByteArray& content) const
{
    const QString path = dir_.path() + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
}

void RecordingWindow::notify(ui::Notification& msg)
{
    if (msg.type != ui::notify::kWindowInit)
        received << QStringLiteral("%1 %2:%3").arg(msg.type, msg.senderName).arg(msg.wParam);
    if (onNotify)
        onNotify(msg);
}

bool RunResult::said(const QString& text) const
{
    for (const QString& line : log) {
        if (line.contains(text))
            return true;
    }
    return false;
}

DriverTest::DriverTest()
{
    EXPECT_TRUE(window.createWindow(nullptr, QStringLiteral("Driver test")));
    // Away from the pointer, whose enter and leave events would otherwise reach the controls
    // under it whenever a pop-up closes.
    window.move(QCursor::pos() + QPoint(60, 60));
    window.showWindow(true, false);
    host.window = &window;
    host.data = data.path().toStdString();
}

DriverTest::~DriverTest()
{
    ui::TrayIcon::setAvailabilityOverride(std::nullopt);
    ui::setMessageBoxResponder(nullptr);
}

RunResult DriverTest::run(const QString& script, ScriptLimits limits)
{
    RunResult result;
    ParsedScript parsed = parseScript(script);
    EXPECT_FALSE(parsed.error.has_value()) << (parsed.error ? parsed.error->message.toStdString() : std::string());
    ScriptRunner runner(
        std::move(parsed.steps), host, [&](const QString& line) { result.log << line; }, limits);
    result.code = runner.runToEnd();
    return result;
}

void DriverTest::makeTray()
{
    ui::TrayIcon::setAvailabilityOverride(true);
    host.tray = std::make_unique<ui::TrayIcon>();
    ASSERT_TRUE(host.tray->createTrayIcon(QString(), QStringLiteral("tip")));
    trayMenu = std::make_unique<QMenu>();
    auto add = [this](QMenu* menu, const char* name) {
        QAction* a = menu->addAction(QString::fromLatin1(name));
        a->setObjectName(QString::fromLatin1(name));
        QObject::connect(a, &QAction::triggered, [this, name] { chosen << QString::fromLatin1(name); });
        return a;
    };
    add(trayMenu.get(), "one");
    trayMenu->addSeparator();
    add(trayMenu.get(), "two");
    add(trayMenu.get(), "off")->setEnabled(false);
    QMenu* more = trayMenu->addMenu(QStringLiteral("More"));
    more->menuAction()->setObjectName(QStringLiteral("more"));
    add(more, "deep");
    host.tray->setContextMenu(trayMenu.get());
}

QWidget* DriverTest::control(const char* name) const { return window.findControl(QString::fromLatin1(name)).widget(); }

}  // namespace corv::test
