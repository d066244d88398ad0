// The shipped skin: every layout loads, every control the program uses is there with its
// kind, every image exists, both languages cover the same texts, menus carry the routed items.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include "AppFixture.h"
#include "app/ShellNames.h"
#include "ui/MenuWnd.h"
#include "ui/ResourceManager.h"
#include "ui/SkinLoader.h"
#include "ui/SkinWindow.h"

namespace corv::test {
namespace {

class LayoutWindow : public ui::SkinWindow {
public:
    explicit LayoutWindow(QString file) : file_(std::move(file)) { }
    QString getWindowClassName() const override { return QStringLiteral("LayoutWnd"); }
    QString getSkinFile() const override { return file_; }

private:
    QString file_;
};

QString skinDir() { return QString::fromStdString((AppEnvironment::sourceDir() / "skin").string()); }

QSet<QString> languageIds(const QString& file)
{
    QFile f(skinDir() + QLatin1Char('/') + file);
    f.open(QIODevice::ReadOnly);
    QXmlStreamReader r(&f);
    QSet<QString> ids;
    while (!r.atEnd()) {
        if (r.readNext() == QXmlStreamReader::StartElement && r.name() == QStringLiteral("Text")) {
            ids.insert(r.attributes().value(QStringLiteral("id")).toString());
        }
    }
    EXPECT_FALSE(r.hasError()) << file.toStdString();
    return ids;
}

TEST(SkinTest, EveryLayoutLoadsWithoutUnknownClasses)
{
    AppEnvironment env;
    MainWindowHarness harness;
    QDirIterator it(skinDir(), {QStringLiteral("*.xml")});
    int layouts = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        if (!f.readAll().contains("<ui version"))
            continue;
        ++layouts;
        ui::SkinLoader loader(&harness.wnd());
        std::unique_ptr<QWidget> root(loader.loadFile(path, nullptr));
        EXPECT_NE(root, nullptr) << path.toStdString();
        EXPECT_TRUE(loader.unknownClasses().isEmpty())
            << path.toStdString() << ": " << loader.unknownClasses().join(QStringLiteral(", ")).toStdString();
    }
    EXPECT_EQ(layouts, 17);  // main, 8 mouse pages, 4 family pages, 4 windows
}

TEST(SkinTest, EveryControlTheProgramUsesExistsWithItsKind)
{
    AppEnvironment env;
    MainWindowHarness harness;
    ASSERT_TRUE(harness.wnd().createMainWindow());
    std::map<QString, std::unique_ptr<LayoutWindow>> others;
    std::vector<ui::ControlRef> refs(shellControls().begin(), shellControls().end());
    for (const auto& feature : harness.wnd().features())
        refs.insert(refs.end(), feature->controls().begin(), feature->controls().end());
    EXPECT_GT(harness.wnd().features().size(), 5u);
    for (const ui::ControlRef& ref : refs) {
        const QString layout = QLatin1String(ref.layout);
        ui::SkinWindow* wnd = &harness.wnd();
        if (layout != QStringLiteral("XML_MAIN")) {
            auto& slot = others[layout];
            if (!slot) {
                slot = std::make_unique<LayoutWindow>(layout);
                ASSERT_TRUE(slot->createWindow(nullptr, layout)) << ref.layout;
            }
            wnd = slot.get();
        }
        const ui::Control c = wnd->findControl(QLatin1String(ref.name));
        EXPECT_TRUE(c) << ref.layout << ": " << ref.name << " missing";
        if (c) {
            EXPECT_TRUE(ui::isKind(c.widget(), ref.kind))
                << ref.layout << ": " << ref.name << " is a " << ui::kindName(c.kind()).toStdString() << ", expected "
                << ui::kindName(ref.kind).toStdString();
        }
    }
}

TEST(SkinTest, EveryImageTheSkinOrTheProgramNamesExists)
{
    QStringList images = {QStringLiteral("210.png"),
                          QStringLiteral("240.png"),
                          QStringLiteral("icon.png"),
                          QStringLiteral("ms/macro_action_down.png"),
                          QStringLiteral("ms/macro_action_up.png"),
                          QStringLiteral("ms/ssz.png"),
                          QStringLiteral("ms/ssz1.png"),
                          QStringLiteral("ms/nsz.png"),
                          QStringLiteral("ms/nsz1.png"),
                          QStringLiteral("ms/msKey_normal.png"),
                          QStringLiteral("ms/msKey_bk.png"),
                          QStringLiteral("ms/msKey_disable.png")};
    for (int i = 1; i <= 5; ++i)
        images << QStringLiteral("ms/du%1.png").arg(i) << QStringLiteral("ms/dw%1.png").arg(i);
    for (int n = 0; n <= 8; ++n)
        images << QStringLiteral("ms/%1.png").arg(n) << QStringLiteral("ms/over%1.png").arg(n);
    // Images named by the layouts and the style sheet.
    static const QRegularExpression imageRef(QStringLiteral("file='([^']+)'|\\$SKIN/([^\")]+)"));
    QDirIterator it(skinDir(), {QStringLiteral("*.xml"), QStringLiteral("*.qss")});
    while (it.hasNext()) {
        QFile f(it.next());
        f.open(QIODevice::ReadOnly);
        const QString text = QString::fromUtf8(f.readAll());
        for (auto m = imageRef.globalMatch(text); m.hasNext();) {
            const auto match = m.next();
            images << (match.captured(1).isEmpty() ? match.captured(2) : match.captured(1));
        }
    }
    for (const QString& image : images) {
        QImage loaded(skinDir() + QLatin1Char('/') + image);
        EXPECT_FALSE(loaded.isNull()) << image.toStdString();
    }
}

TEST(SkinTest, BothLanguagesCoverTheSameTextsAndTheMenus)
{
    const QSet<QString> cn = languageIds(QStringLiteral("lan_cn.xml"));
    const QSet<QString> en = languageIds(QStringLiteral("lan_en.xml"));
    EXPECT_GT(cn.size(), 150);
    EXPECT_EQ(cn, en);
    AppEnvironment env;
    MainWindowHarness harness;
    std::vector<ui::MenuItemRef> routed(shellMenuItems().begin(), shellMenuItems().end());
    for (const auto& feature : harness.wnd().features())
        routed.insert(routed.end(), feature->menuItems().begin(), feature->menuItems().end());
    EXPECT_GT(routed.size(), 20u);
    for (const ui::MenuItemRef& item : routed) {
        const auto items = ui::MenuWnd::parseMenuFile(QLatin1String(item.file));
        ASSERT_TRUE(items.has_value()) << item.file;
        const bool found = std::any_of(items->begin(), items->end(),
                                       [&](const ui::MenuWnd::Item& i) { return i.name == QLatin1String(item.name); });
        EXPECT_TRUE(found) << item.file << ": " << item.name;
        EXPECT_TRUE(cn.contains(QLatin1String(item.name))) << item.name;
    }
}

// A screen at 200 % draws the skin's images from their @2x versions: every image has one,
// of exactly twice its size.
TEST(SkinTest, EveryImageHasADoubleSizeVersionForScreensAt200Percent)
{
    int images = 0;
    for (QDirIterator it(skinDir(), {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        if (path.endsWith(QStringLiteral("@2x.png")))
            continue;
        ++images;
        const QString twice = path.left(path.size() - 4) + QStringLiteral("@2x.png");
        const QImage one(path);
        const QImage two(twice);
        ASSERT_FALSE(two.isNull()) << "missing " << twice.toStdString();
        EXPECT_EQ(two.size(), one.size() * 2) << twice.toStdString();
    }
    EXPECT_GT(images, 50);
}

// Every Chinese text written in the program's sources is one the program shows, so English
// needs its version, with the same numbers and texts filled in; only names the program
// stores in files (and so keeps in every language) and the debug output are exempt.
TEST(SkinTest, EveryTextTheProgramShowsHasItsEnglishVersion)
{
    const QSet<QString> storedNames = {
        QStringLiteral("新配置文件%d"),
        QStringLiteral("新配置文件1"),
        QStringLiteral("新建宏"),
        QStringLiteral("升级包-1906-32F01A-R240-鼠标-CSEAD7-V0107-20170816.exe"),
        QStringLiteral("升级包-1904-32F01A-R210-鼠标-CSEA1F-V0201-20170615.exe"),
        QStringLiteral("{a}演示官网{/a}"),  // answered in English by the text query itself
    };
    const QRegularExpression literal(QStringLiteral("\"([^\"\\\\]*[\\x{4e00}-\\x{9fff}][^\"\\\\]*)\""));
    QSet<QString> shown;
    const QString src = QString::fromStdString((AppEnvironment::sourceDir() / "src").string());
    for (QDirIterator it(src, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile f(it.next());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
            // Comments and the debug output (written as the Windows program wrote it) are not shown.
            if (line.trimmed().startsWith(QStringLiteral("//")) || line.contains(QStringLiteral("debugLine(")) ||
                line.contains(QStringLiteral("qCDebug(")))
                continue;
            for (auto m = literal.globalMatch(line); m.hasNext();) {
                const QString text = m.next().captured(1);
                if (!storedNames.contains(text))
                    shown.insert(text);
            }
        }
    }
    EXPECT_GT(shown.size(), 50);

    AppEnvironment env;
    auto& rm = ui::ResourceManager::instance();
    ASSERT_TRUE(rm.loadLanguage(QStringLiteral("lan_en.xml")));
    const QRegularExpression tokens(QStringLiteral("%d|%1"));
    for (const QString& text : shown) {
        // Filled in as the program fills it in, then translated.
        QString sample = text;
        sample.replace(QStringLiteral("%d"), QStringLiteral("37"))
            .replace(QStringLiteral("%1"), QStringLiteral("x.exe"));
        const QString english = rm.programText(sample);
        EXPECT_NE(english, sample) << "no English for " << text.toStdString();
        EXPECT_FALSE(english.contains(QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]"))))
            << text.toStdString() << " -> " << english.toStdString();
        if (text.contains(QStringLiteral("%d"))) {
            EXPECT_TRUE(english.contains(QStringLiteral("37"))) << english.toStdString();
        }
        if (text.contains(QStringLiteral("%1"))) {
            EXPECT_TRUE(english.contains(QStringLiteral("x.exe"))) << english.toStdString();
        }
    }
    // Chinese has no translations: the program's own texts stay as they are.
    ASSERT_TRUE(rm.loadLanguage(QStringLiteral("lan_cn.xml")));
    EXPECT_EQ(rm.programText(QStringLiteral("最多支持50个宏")), QStringLiteral("最多支持50个宏"));
}

}  // namespace
}  // namespace corv::test
