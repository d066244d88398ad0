// Menus from menu files; the colour palette and the multi-colour bar controls.
#include <gtest/gtest.h>

#include <QMenu>
#include <QMouseEvent>
#include <QTest>

#include "TestSkin.h"
#include "ui/ColorPaletteControl.h"
#include "ui/MenuWnd.h"
#include "ui/MultiColorControl.h"
#include "ui/MultiColorSelection.h"
#include "ui/ResourceManager.h"

namespace corv::ui::test {
namespace {

TEST(MenuTest, ItemsReportNameTextUserDataAndCheckState)
{
    TestSkin skin;
    skin.write(QStringLiteral("m.xml"),
               "<Menu><MenuElement name=\"lan\" text=\"Language\" userdata=\"u1\"/><Separator/>"
               "<MenuElement name=\"opt\" text=\"Option\" checkable=\"true\" checked=\"false\"/></Menu>");
    skin.write(QStringLiteral("lan.xml"), "<Language><Text id=\"lan\" value=\"Sprache\"/></Language>");
    ResourceManager::instance().loadLanguage(QStringLiteral("lan.xml"));
    std::vector<MenuCommand> got;
    auto menu = MenuWnd::buildMenu(QStringLiteral("m.xml"), [&](const MenuCommand& c) { got.push_back(c); });
    ASSERT_TRUE(menu);
    EXPECT_TRUE(MenuWnd::triggerItem(menu.get(), QStringLiteral("lan")));
    EXPECT_TRUE(MenuWnd::triggerItem(menu.get(), QStringLiteral("opt")));
    EXPECT_FALSE(MenuWnd::triggerItem(menu.get(), QStringLiteral("none")));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].name, QStringLiteral("lan"));
    EXPECT_EQ(got[0].text, QStringLiteral("Sprache"));
    EXPECT_EQ(got[0].userData, QStringLiteral("u1"));
    EXPECT_EQ(got[1].text, QStringLiteral("Option"));
    EXPECT_TRUE(got[1].checked);

    EXPECT_FALSE(MenuWnd::buildMenu(QStringLiteral("missing.xml"), nullptr));
    skin.write(QStringLiteral("bad.xml"), "<Menu><MenuElement");
    EXPECT_FALSE(MenuWnd::buildMenu(QStringLiteral("bad.xml"), nullptr));
}

TEST(ColourControlsTest, PaletteReportsOnlyTheUsersPick)
{
    TestSkin skin;
    RecordingWindow window;
    ASSERT_TRUE(window.createWindow(nullptr, QStringLiteral("t")));
    ColorPaletteControl palette(window.findControl(QStringLiteral("palette")));
    ASSERT_TRUE(palette);
    palette.setSelectColor(0xFF0199CB);
    EXPECT_EQ(palette.getSelectColor(), 0xFF0199CBu);
    palette.setSelectColor(0xFFFF0000);
    EXPECT_EQ(palette.getSelectColor(), 0xFFFF0000u);
    EXPECT_TRUE(window.of(notify::kColorChanged).isEmpty());

    QWidget* w = palette.widget();
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(100, 10));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(window.of(notify::kColorChanged).size(), 1);
    EXPECT_NE(palette.getSelectColor(), 0xFFFF0000u);
    EXPECT_EQ(palette.getSelectColor() >> 24, 0xFFu);
}

TEST(ColourControlsTest, BarsHoldUpToTwentyColoursRedInTheLowByte)
{
    TestSkin skin;
    RecordingWindow window;
    ASSERT_TRUE(window.createWindow(nullptr, QStringLiteral("t")));
    MultiColorControl bars(window.findControl(QStringLiteral("bars")));
    ASSERT_TRUE(bars);
    bars.setBarsCount(3);
    EXPECT_EQ(bars.getBarsCount(), 3);
    const std::int32_t red = MultiColorSelection::barValue(0xFF, 0, 0);
    EXPECT_EQ(red, 0x0000FF);
    bars.setBarsCountData(0, red);
    bars.setBarsCountData(1, MultiColorSelection::barValue(0x12, 0x34, 0x56));
    bars.setBarsCountData(7, 5);  // outside the shown bars: ignored
    std::int32_t value = -1;
    EXPECT_EQ(bars.getBarsCountData(0, value), 0x0000FFu);
    EXPECT_EQ(value, red);
    EXPECT_EQ(bars.getBarsCountData(1, value), 0x563412u);
    EXPECT_EQ(bars.getBarsCountData(5, value), 0u);
    EXPECT_EQ(value, 0);
    // Bits above 23 are kept in the value but are not part of the colour.
    bars.setBarsCountData(2, static_cast<std::int32_t>(0x7F00FF00));
    EXPECT_EQ(bars.getBarsCountData(2, value), 0x00FF00u);
    EXPECT_EQ(value, 0x7F00FF00);

    bars.setBarsCount(99);
    EXPECT_EQ(bars.getBarsCount(), 20);
    EXPECT_FALSE(bars.addBarsCount());
    bars.setBarsCount(-4);
    EXPECT_EQ(bars.getBarsCount(), 0);
    EXPECT_FALSE(bars.subBarsCount());
    EXPECT_TRUE(bars.addBarsCount());
    EXPECT_EQ(bars.getBarsCount(), 1);
}

}  // namespace
}  // namespace corv::ui::test
