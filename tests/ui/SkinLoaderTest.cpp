// Loading layouts from the skin: classes, callback, untrusted input, resource index, texts.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "TestSkin.h"
#include "ui/CircleProgress.h"
#include "ui/ControlTextQuery.h"
#include "ui/DialogBuilderCallback.h"
#include "ui/ResourceManager.h"
#include "ui/SkinLoader.h"

namespace corv::ui::test {
namespace {

QByteArray layoutWith(const QByteArray& inner)
{
    return "<ui version=\"4.0\"><widget class=\"QWidget\" name=\"root\">" + inner + "</widget></ui>";
}

class Callback : public DialogBuilderCallback {
public:
    QWidget* createControl(const QString& className, QWidget* parent) override
    {
        asked << className;
        if (className.compare(QStringLiteral("Known_UI"), Qt::CaseInsensitive) == 0)
            return new QLabel(parent);
        return nullptr;
    }
    QStringList asked;
};

TEST(SkinLoaderTest, UnknownClassesGiveNoControlAndAWarningKnownOnesAreBuilt)
{
    TestSkin skin;
    Callback callback;
    SkinLoader loader(&callback);
    QWidget* root = loader.loadData(
        layoutWith("<widget class=\"QPushButton\" name=\"ok\"/>"
                   "<widget class=\"Mystery\" name=\"gone\"><widget class=\"QLabel\" name=\"gone_child\"/></widget>"
                   "<widget class=\"known_ui\" name=\"page\"/>"
                   "<widget class=\"CCircleProgressUI\" name=\"circle\"/>"
                   "<widget class=\"QTextBrowser\" name=\"not_allowed\"/>"),
        nullptr);
    ASSERT_NE(root, nullptr);
    EXPECT_NE(root->findChild<QPushButton*>(QStringLiteral("ok")), nullptr);
    EXPECT_EQ(root->findChild<QWidget*>(QStringLiteral("gone")), nullptr);
    EXPECT_EQ(root->findChild<QWidget*>(QStringLiteral("gone_child")), nullptr);
    EXPECT_EQ(root->findChild<QWidget*>(QStringLiteral("not_allowed")), nullptr);
    EXPECT_NE(root->findChild<QLabel*>(QStringLiteral("page")), nullptr);
    EXPECT_NE(root->findChild<CircleProgress*>(QStringLiteral("circle")), nullptr);
    EXPECT_TRUE(loader.unknownClasses().contains(QStringLiteral("Mystery")));
    EXPECT_TRUE(loader.unknownClasses().contains(QStringLiteral("QTextBrowser")));
    EXPECT_TRUE(callback.asked.contains(QStringLiteral("Mystery")));
    delete root;
}

TEST(SkinLoaderTest, ConnectionsAreDroppedAndDocumentTypesRefused)
{
    TestSkin skin;
    QString error;
    const auto clean = SkinLoader::sanitize(
        layoutWith("<widget class=\"QPushButton\" name=\"b\"/>")
            .replace("</ui>", "<connections><connection><sender>b</sender><signal>clicked()</signal>"
                              "<receiver>root</receiver><slot>close()</slot></connection></connections></ui>"),
        &error);
    ASSERT_TRUE(clean.has_value());
    EXPECT_FALSE(clean->contains("connection"));
    EXPECT_TRUE(clean->contains("QPushButton"));

    const QByteArray withDtd =
        "<?xml version=\"1.0\"?><!DOCTYPE ui [<!ENTITY a \"aaaa\">]>" +
        layoutWith(
            "<widget class=\"QLabel\" name=\"l\"><property name=\"text\"><string>&a;</string></property></widget>");
    EXPECT_FALSE(SkinLoader::sanitize(withDtd, &error).has_value());
    EXPECT_FALSE(SkinLoader::sanitize("<ui><widget", &error).has_value());
    EXPECT_FALSE(SkinLoader::sanitize("<html/>", &error).has_value());

    SkinLoader loader;
    EXPECT_EQ(loader.loadData(withDtd, nullptr), nullptr);
}

TEST(SkinLoaderTest, ResourceIndexMapsIdsAndRefusesNamesOutsideTheSkin)
{
    TestSkin skin;
    auto& rm = ResourceManager::instance();
    EXPECT_EQ(rm.layoutPath(QStringLiteral("XML_MAIN")), skin.folder() + QStringLiteral("/controls.xml"));
    EXPECT_EQ(rm.layoutPath(QStringLiteral("xml_msg")), skin.folder() + QStringLiteral("/msgbox.xml"));
    EXPECT_EQ(rm.layoutPath(QStringLiteral("controls.xml")), skin.folder() + QStringLiteral("/controls.xml"));
    EXPECT_TRUE(rm.layoutPath(QStringLiteral("missing.xml")).isEmpty());
    EXPECT_TRUE(rm.resolveFile(QStringLiteral("../outside.xml")).isEmpty());
    EXPECT_TRUE(rm.resolveFile(QStringLiteral("/etc/passwd")).isEmpty());
    EXPECT_TRUE(rm.resolveFile(QStringLiteral("ms\\..\\..\\x")).isEmpty());

    skin.write(QStringLiteral("res.xml"), "<Resource><Layout id=\"XML_MAIN\" file=\"../../etc/passwd\"/></Resource>");
    EXPECT_TRUE(rm.loadResource(QStringLiteral("res.xml")));
    EXPECT_TRUE(rm.layoutPath(QStringLiteral("XML_MAIN")).isEmpty());
    skin.write(QStringLiteral("res.xml"), "<Resource><Layout id=");
    EXPECT_FALSE(rm.loadResource(QStringLiteral("res.xml")));

    EXPECT_EQ(ResourceManager::imageFileOf(QStringLiteral("file='ms/du1.png' dest='0,0,10,10'")),
              QStringLiteral("ms/du1.png"));
    EXPECT_EQ(ResourceManager::imageFileOf(QStringLiteral("")), QString());
    EXPECT_EQ(ResourceManager::imageFileOf(QStringLiteral("210.png")), QStringLiteral("210.png"));
}

class Query : public ControlTextQuery {
public:
    std::optional<QString> queryControlText(const QString& id, const QString&) override
    {
        if (id == QStringLiteral("label"))
            return QStringLiteral("{a}queried{/a}");
        return std::nullopt;
    }
};

TEST(SkinLoaderTest, LanguageTextsApplyByNameQueryFillsTheRestLayoutKeepsOthers)
{
    TestSkin skin;
    skin.write(QStringLiteral("lan_x.xml"),
               "<Language><Text id=\"plain_btn\" value=\"Translated\"/><Text id=\"edit\" value=\"hint\"/></Language>");
    auto& rm = ResourceManager::instance();
    ASSERT_TRUE(rm.loadLanguage(QStringLiteral("lan_x.xml")));
    Query query;
    rm.setTextQueryInterface(&query);
    RecordingWindow window;
    ASSERT_TRUE(window.createWindow(nullptr, QStringLiteral("t")));
    EXPECT_EQ(window.findControl(QStringLiteral("plain_btn")).getText(), QStringLiteral("Translated"));
    EXPECT_EQ(window.findControl(QStringLiteral("label")).getText(), QStringLiteral("{a}queried{/a}"));
    EXPECT_EQ(window.findControl(QStringLiteral("check_a")).getText(), QStringLiteral("Check"));
    EXPECT_EQ(qobject_cast<QLineEdit*>(window.findControl(QStringLiteral("edit")).widget())->placeholderText(),
              QStringLiteral("hint"));
    skin.write(QStringLiteral("lan_bad.xml"), "<Language><Text id=");
    EXPECT_FALSE(rm.loadLanguage(QStringLiteral("lan_bad.xml")));
    EXPECT_FALSE(rm.getText(QStringLiteral("plain_btn")).has_value());
    rm.setTextQueryInterface(nullptr);
}

}  // namespace
}  // namespace corv::ui::test
