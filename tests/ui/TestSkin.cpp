#include "TestSkin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ui/ResourceManager.h"

namespace corv::ui::test {

TestSkin::TestSkin()
{
    ResourceManager::instance().setSkinFolder(dir_.path());
    write(QStringLiteral("res.xml"), "<Resource>\n"
                                     "  <Layout id=\"XML_MAIN\" file=\"controls.xml\"/>\n"
                                     "  <Layout id=\"XML_MSG\" file=\"msgbox.xml\"/>\n"
                                     "</Resource>\n");
    write(QStringLiteral("controls.xml"), controlsLayout());
    write(QStringLiteral("msgbox.xml"), messageLayout());
    write(QStringLiteral("ms/du1.png"), QByteArray());
    ResourceManager::instance().loadResource(QStringLiteral("res.xml"));
}

TestSkin::~TestSkin()
{
    ResourceManager::instance().setSkinFolder(QString());
    ResourceManager::instance().setTextQueryInterface(nullptr);
}

void TestSkin::write(const QString& name, const QByteArray& content) const
{
    const QString path = dir_.path() + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(content);
}

QByteArray TestSkin::controlsLayout()
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <widget class="QWidget" name="root">
  <property name="geometry"><rect><x>0</x><y>0</y><width>400</width><height>300</height></rect></property>
  <widget class="QPushButton" name="closebtn"><property name="text"><string>x</string></property></widget>
  <widget class="QPushButton" name="minbtn"/>
  <widget class="QPushButton" name="plain_btn"><property name="text"><string>Plain</string></property></widget>
  <widget class="QCheckBox" name="check_a"><property name="text"><string>Check</string></property></widget>
  <widget class="QPushButton" name="opt_a">
   <property name="checkable"><bool>true</bool></property>
   <property name="group" stdset="0"><string>grp</string></property>
  </widget>
  <widget class="QPushButton" name="opt_b">
   <property name="checkable"><bool>true</bool></property>
   <property name="group" stdset="0"><string>grp</string></property>
  </widget>
  <widget class="QRadioButton" name="radio_a"/>
  <widget class="QRadioButton" name="radio_b"/>
  <widget class="QComboBox" name="combo"/>
  <widget class="QListWidget" name="list"/>
  <widget class="QSlider" name="slider">
   <property name="orientation"><enum>Qt::Horizontal</enum></property>
   <property name="maximum"><number>100</number></property>
   <property name="geometry"><rect><x>0</x><y>200</y><width>200</width><height>20</height></rect></property>
  </widget>
  <widget class="QLineEdit" name="edit"/>
  <widget class="QLineEdit" name="edit2"/>
  <widget class="QLabel" name="label"><property name="text"><string>Layout text</string></property></widget>
  <widget class="QStackedWidget" name="tabs">
   <widget class="QWidget" name="page0"/>
   <widget class="QWidget" name="page1"/>
   <widget class="QWidget" name="page2"/>
  </widget>
  <widget class="CColorPaletteUI" name="palette">
   <property name="geometry"><rect><x>200</x><y>0</y><width>200</width><height>120</height></rect></property>
  </widget>
  <widget class="CMultiColorSelectionUI" name="bars"/>
  <widget class="QPushButton" name="skin_image_btn">
   <property name="userdata" stdset="0"><string>file='bg1.png'</string></property>
  </widget>
 </widget>
</ui>
)";
}

QByteArray TestSkin::messageLayout(const QString& confirmName, bool withText)
{
    QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <widget class="QWidget" name="msgroot">
  <property name="geometry"><rect><x>0</x><y>0</y><width>300</width><height>160</height></rect></property>
)";
    if (withText)
        xml +=
            R"(  <widget class="QLabel" name="MessageText"><property name="text"><string>Layout message</string></property></widget>
)";
    xml += R"(  <widget class="QPushButton" name=")" + confirmName.toUtf8() + R"("/>
  <widget class="QPushButton" name="cancel_btn"/>
  <widget class="QPushButton" name="closebtn"/>
  <widget class="QPushButton" name="other_btn"/>
 </widget>
</ui>
)";
    return xml;
}

}  // namespace corv::ui::test
