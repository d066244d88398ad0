// The program's own controls: the circular progress as drawn, the hosted-widget place and
// the chart's attributes, each also as a layout builds it.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include "TestSkin.h"
#include "ui/ChartView.h"
#include "ui/CircleProgress.h"
#include "ui/SkinLoader.h"
#include "ui/SliderControl.h"
#include "ui/WidgetHost.h"

namespace corv::ui::test {
namespace {

const QColor kBack(0, 0, 255);
const QColor kFore(255, 0, 0);

// A 100 x 100 circle: centre (50, 50), ring between radius 40 and 50.
struct Circle {
    CircleProgress widget;
    Circle(int minimum, int maximum, int value)
    {
        widget.resize(100, 100);
        widget.setBkColor(kBack);
        widget.setForeColor(kFore);
        widget.setRange(minimum, maximum);
        widget.setValue(value);
    }
    QImage image() { return widget.grab().toImage(); }
};

// Points in the middle of the ring, one per quarter (on screen: y grows downwards).
const QPoint kLowerLeft(18, 82);
const QPoint kUpperLeft(18, 18);
const QPoint kUpperRight(82, 18);
const QPoint kLowerRight(82, 82);

QColor at(const QImage& image, QPoint p) { return image.pixelColor(p); }

QByteArray layoutWith(const QByteArray& inner)
{
    return "<ui version=\"4.0\"><widget class=\"QWidget\" name=\"root\">" + inner + "</widget></ui>";
}

TEST(CircleProgressTest, SweepRunsClockwiseFromStraightDownWithoutTakingOffTheMinimum)
{
    {
        Circle c(0, 100, 25);  // 90 degrees: from the bottom to the left
        const QImage img = c.image();
        EXPECT_EQ(at(img, kLowerLeft), kFore);
        EXPECT_EQ(at(img, kUpperLeft), kBack);
        EXPECT_EQ(at(img, kUpperRight), kBack);
        EXPECT_EQ(at(img, kLowerRight), kBack);
        // The white disc inset by 10 pixels covers the middle and the inner edge of the sector.
        EXPECT_EQ(at(img, QPoint(50, 50)), QColor(Qt::white));
        EXPECT_EQ(at(img, QPoint(30, 70)), QColor(Qt::white));
        // Outside the disc nothing is drawn.
        EXPECT_NE(at(img, QPoint(2, 2)), kFore);
        EXPECT_NE(at(img, QPoint(2, 2)), kBack);
    }
    {
        Circle c(0, 100, 60);  // 216 degrees: past the top, short of the right
        const QImage img = c.image();
        EXPECT_EQ(at(img, kLowerLeft), kFore);
        EXPECT_EQ(at(img, kUpperLeft), kFore);
        EXPECT_EQ(at(img, QPoint(60, 5)), kFore);  // just right of the top
        EXPECT_EQ(at(img, kLowerRight), kBack);
    }
    {
        Circle c(50, 100, 75);  // 75 / 50 * 360 = 540 degrees: the whole ring
        EXPECT_EQ(CircleProgress::sweepDegrees(75, 50, 100), 540);
        const QImage img = c.image();
        for (QPoint p : {kLowerLeft, kUpperLeft, kUpperRight, kLowerRight})
            EXPECT_EQ(at(img, p), kFore) << p.x() << "," << p.y();
        EXPECT_EQ(at(img, QPoint(50, 50)), QColor(Qt::white));
    }
}

TEST(CircleProgressTest, SweepIsTruncatedAndAnEmptyRangeDrawsNoSector)
{
    EXPECT_EQ(CircleProgress::sweepDegrees(1, 0, 7), 51);     // 51.43
    EXPECT_EQ(CircleProgress::sweepDegrees(-1, -7, 0), -51);  // toward zero
    EXPECT_EQ(CircleProgress::sweepDegrees(0, 0, 100), 0);
    EXPECT_EQ(CircleProgress::sweepDegrees(5, 5, 5), 0);

    Circle c(5, 5, 5);
    const QImage img = c.image();
    for (QPoint p : {kLowerLeft, kUpperLeft, kUpperRight, kLowerRight})
        EXPECT_EQ(at(img, p), kBack) << p.x() << "," << p.y();
}

TEST(CircleProgressTest, ValueStaysInItsRangeAndReachesThroughTheSliderHandle)
{
    CircleProgress circle;
    SliderControl handle{Control(&circle)};
    EXPECT_EQ(handle.kind(), ControlKind::Progress);
    handle.setMinValue(10);
    handle.setMaxValue(40);
    handle.setValue(99);
    EXPECT_EQ(handle.getValue(), 40);
    handle.setValue(-3);
    EXPECT_EQ(handle.getValue(), 10);
    handle.setValue(25);
    // A narrower range pulls the value into it.
    circle.setRange(0, 20);
    EXPECT_EQ(circle.value(), 20);
    EXPECT_EQ(handle.getMinValue(), 0);
    EXPECT_EQ(handle.getMaxValue(), 20);
    // A minimum above the maximum takes the maximum along.
    circle.setMinimum(30);
    EXPECT_EQ(circle.maximum(), 30);
    EXPECT_EQ(circle.value(), 30);
}

TEST(CircleProgressTest, LayoutsBuildItUnderBothNamesWithTheirProperties)
{
    TestSkin skin;
    SkinLoader loader;
    QWidget* root = loader.loadData(layoutWith("<widget class=\"CCircleProgressUI\" name=\"a\">"
                                               "<property name=\"maximum\"><number>50</number></property>"
                                               "<property name=\"value\"><number>30</number></property>"
                                               "<property name=\"textVisible\"><bool>true</bool></property></widget>"
                                               "<widget class=\"circleprogress\" name=\"b\"/>"
                                               "<widget class=\"CIRCLEPROGRESS\" name=\"c\"/>"),
                                    nullptr);
    ASSERT_NE(root, nullptr);
    auto* a = root->findChild<CircleProgress*>(QStringLiteral("a"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->value(), 30);
    EXPECT_EQ(a->maximum(), 50);
    EXPECT_TRUE(a->isTextVisible());
    EXPECT_NE(root->findChild<CircleProgress*>(QStringLiteral("b")), nullptr);
    EXPECT_NE(root->findChild<CircleProgress*>(QStringLiteral("c")), nullptr);
    EXPECT_TRUE(loader.unknownClasses().isEmpty());
    delete root;
}

TEST(WndUITest, HostedWidgetFollowsThePlaceAndItsVisibility)
{
    QWidget window;
    window.resize(300, 200);
    auto* panel = new QWidget(&window);
    panel->setGeometry(20, 30, 200, 150);
    auto* place = new WidgetHost(panel);
    place->setGeometry(10, 10, 50, 40);
    auto* hosted = new QLabel(&window);  // a widget of another parent
    window.show();

    place->setHostedWidget(hosted);
    EXPECT_EQ(hosted->geometry(), QRect(30, 40, 50, 40));
    EXPECT_TRUE(hosted->isVisible());

    place->setGeometry(15, 5, 60, 20);
    EXPECT_EQ(hosted->geometry(), QRect(35, 35, 60, 20));

    place->setVisible(false);
    EXPECT_FALSE(hosted->isVisible());
    place->setVisible(true);
    EXPECT_TRUE(hosted->isVisible());
    // Hiding a parent of the place hides the hosted widget too.
    panel->hide();
    EXPECT_FALSE(hosted->isVisible());
    panel->show();
    EXPECT_TRUE(hosted->isVisible());

    // Without a hosted widget nothing is touched.
    place->setHostedWidget(nullptr);
    place->setGeometry(0, 0, 10, 10);
    place->setVisible(false);
    EXPECT_EQ(hosted->geometry(), QRect(35, 35, 60, 20));
    EXPECT_TRUE(hosted->isVisible());
}

TEST(ChartViewTest, AttributesFromTheLayoutAndUnknownViewsChangeNothing)
{
    TestSkin skin;
    SkinLoader loader;
    QWidget* root = loader.loadData(
        layoutWith("<widget class=\"CChartViewUI\" name=\"chart\">"
                   "<property name=\"view\" stdset=\"0\"><string>histpgram</string></property>"
                   "<property name=\"shadowimage\" stdset=\"0\"><string>file='shadow.png'</string></property>"
                   "<property name=\"shadowimageheight\" stdset=\"0\"><string>12</string></property>"
                   "<property name=\"pillarimage\" stdset=\"0\"><string>file='pillar.png'</string></property>"
                   "<property name=\"pillarimagewidth\" stdset=\"0\"><string>8</string></property>"
                   "<property name=\"showtext\" stdset=\"0\"><string>true</string></property>"
                   "<property name=\"showhtml\" stdset=\"0\"><string>yes</string></property>"
                   "<property name=\"font\" stdset=\"0\"><string>2</string></property></widget>"
                   "<widget class=\"CWndUI\" name=\"place\"/>"),
        nullptr);
    ASSERT_NE(root, nullptr);
    EXPECT_NE(root->findChild<WidgetHost*>(QStringLiteral("place")), nullptr);
    auto* chart = root->findChild<ChartView*>(QStringLiteral("chart"));
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->view(), ChartView::View::Histogram);
    EXPECT_EQ(chart->shadowImage(), QStringLiteral("file='shadow.png'"));
    EXPECT_EQ(chart->shadowImageHeight(), 12);
    EXPECT_EQ(chart->pillarImage(), QStringLiteral("file='pillar.png'"));
    EXPECT_EQ(chart->pillarImageWidth(), 8);
    EXPECT_TRUE(chart->showText());
    EXPECT_FALSE(chart->showHtml());  // only "true" is true
    EXPECT_EQ(chart->fontIndex(), 2);

    for (const char* other : {"bar", "Pie", "histogram", ""}) {
        chart->setChartAttribute(QStringLiteral("view"), QLatin1String(other));
        EXPECT_EQ(chart->view(), ChartView::View::Histogram) << other;
    }
    chart->setProperty("view", QStringLiteral("pie"));
    EXPECT_EQ(chart->view(), ChartView::View::Pie);
    chart->setChartAttribute(QStringLiteral("VIEW"), QStringLiteral("nonsense"));
    EXPECT_EQ(chart->view(), ChartView::View::Pie);
    delete root;
}

TEST(ChartViewTest, ShadowBandIsDrawnAboveTheTextAndAnImageThatFailsIsDropped)
{
    TestSkin skin;
    QImage green(4, 4, QImage::Format_RGB32);
    green.fill(Qt::green);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    green.save(&buffer, "PNG");
    skin.write(QStringLiteral("shadow.png"), png);
    skin.write(QStringLiteral("broken.png"), "not an image");

    ChartView chart;
    chart.resize(100, 100);
    chart.setChartAttribute(QStringLiteral("view"), QStringLiteral("histpgram"));
    chart.setChartAttribute(QStringLiteral("shadowimage"), QStringLiteral("file='shadow.png'"));
    chart.setChartAttribute(QStringLiteral("shadowimageheight"), QStringLiteral("10"));
    chart.setChartAttribute(QStringLiteral("showtext"), QStringLiteral("true"));
    QImage img = chart.grab().toImage();
    // The band runs from 100 - 10 - 25 to 100 - 25, across the whole width.
    EXPECT_EQ(img.pixelColor(1, 70), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(98, 74), QColor(Qt::green));
    EXPECT_NE(img.pixelColor(50, 64), QColor(Qt::green));
    EXPECT_NE(img.pixelColor(50, 76), QColor(Qt::green));
    EXPECT_EQ(chart.shadowImage(), QStringLiteral("file='shadow.png'"));

    // The pie view does not draw the band.
    chart.setChartAttribute(QStringLiteral("view"), QStringLiteral("pie"));
    img = chart.grab().toImage();
    EXPECT_NE(img.pixelColor(50, 70), QColor(Qt::green));
    EXPECT_EQ(chart.shadowImage(), QStringLiteral("file='shadow.png'"));

    chart.setChartAttribute(QStringLiteral("view"), QStringLiteral("histpgram"));
    for (const char* bad : {"file='broken.png'", "file='missing.png'", "file='../outside.png'"}) {
        chart.setChartAttribute(QStringLiteral("shadowimage"), QLatin1String(bad));
        img = chart.grab().toImage();
        EXPECT_TRUE(chart.shadowImage().isEmpty()) << bad;
        EXPECT_NE(img.pixelColor(50, 70), QColor(Qt::green)) << bad;
    }
}

}  // namespace
}  // namespace corv::ui::test
