// Draws every image of the skin into a folder: skingen <skin folder>.
// skingen --icons <folder> draws the program's icon for the desktop's icon theme instead.
// The look: dark panels, one blue accent (#0199CB), light text.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>

namespace {

const QColor kAccent(0x01, 0x99, 0xCB);
const QColor kAccentLight(0x3F, 0xC1, 0xEE);
const QColor kPanel(0x24, 0x28, 0x31);
const QColor kPanelLight(0x32, 0x37, 0x42);
const QColor kBorder(0x3A, 0x40, 0x4C);
const QColor kText(0xE6, 0xE9, 0xEE);
const QColor kMuted(0x8A, 0x92, 0x9F);

QString g_out;
int g_count = 0;
// 1: the images as the layouts size them; 2: the same drawings at twice the pixels, saved as
// NAME@2x.png, which Qt takes on a screen scaled to 200 %.
int g_scale = 1;

// An image of w x h logical pixels; painting is in logical pixels at any scale.
QImage canvas(int w, int h, QImage::Format format = QImage::Format_ARGB32_Premultiplied)
{
    QImage img(w * g_scale, h * g_scale, format);
    img.setDevicePixelRatio(g_scale);
    img.fill(Qt::transparent);
    return img;
}

void save(const QImage& img, const QString& name)
{
    QString file = name;
    if (g_scale != 1)
        file.insert(file.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(g_scale));
    const QString path = g_out + QLatin1Char('/') + file;
    QDir().mkpath(QFileInfo(path).path());
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    ++g_count;
}

QFont font(int pixelSize, bool bold)
{
    QFont f(QStringLiteral("Noto Sans CJK SC"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

void centeredText(QPainter& p, const QRectF& r, const QString& text, int px, const QColor& c, bool bold = true)
{
    p.setFont(font(px, bold));
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

// DPI stage buttons: du = normal, dw = the current stage.
void stageButton(int stage, bool current)
{
    QImage img = canvas(40, 40);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(2, 2, 36, 36);
    if (current) {
        QRadialGradient g(r.center(), 20);
        g.setColorAt(0, kAccentLight);
        g.setColorAt(1, kAccent);
        p.setBrush(g);
        p.setPen(QPen(kAccentLight, 1.5));
    } else {
        p.setBrush(kPanel);
        p.setPen(QPen(kBorder, 1.5));
    }
    p.drawEllipse(r);
    centeredText(p, r, QString::number(stage), 16, current ? Qt::white : kMuted);
    p.end();
    save(img, QStringLiteral("ms/%1%2.png").arg(current ? QStringLiteral("dw") : QStringLiteral("du")).arg(stage));
}

// Number badges of the mouse buttons; "over" is the highlighted one.
void badge(int n, bool over)
{
    QImage img = canvas(24, 24);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1, 1, 22, 22);
    p.setBrush(over ? kAccent : kPanelLight);
    p.setPen(QPen(over ? kAccentLight : kBorder, 1.2));
    p.drawEllipse(r);
    centeredText(p, r, QString::number(n + 1), 12, over ? Qt::white : kText);
    p.end();
    save(img, over ? QStringLiteral("ms/over%1.png").arg(n) : QStringLiteral("ms/%1.png").arg(n));
}

void macroArrow(bool down)
{
    QImage img = canvas(10, 15);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c = down ? kAccentLight : QColor(0xF0, 0xA0, 0x40);
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath path;
    if (down) {
        path.moveTo(5, 1.5);
        path.lineTo(5, 13);
        path.moveTo(1.5, 9.5);
        path.lineTo(5, 13);
        path.lineTo(8.5, 9.5);
    } else {
        path.moveTo(5, 13.5);
        path.lineTo(5, 2);
        path.moveTo(1.5, 5.5);
        path.lineTo(5, 2);
        path.lineTo(8.5, 5.5);
    }
    p.drawPath(path);
    p.end();
    save(img, down ? QStringLiteral("ms/macro_action_down.png") : QStringLiteral("ms/macro_action_up.png"));
}

void roundedButton(QImage& img, const QColor& fill, const QColor& border)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(fill);
    p.setPen(QPen(border, 1.2));
    const QSizeF size = img.deviceIndependentSize();
    p.drawRoundedRect(QRectF(0.6, 0.6, size.width() - 1.2, size.height() - 1.2), 5, 5);
}

// Direction buttons: a circular arrow on the left; "1" is the chosen state.
void rotationButton(const QString& name, bool counterClockwise, bool chosen)
{
    QImage img = canvas(110, 30);
    roundedButton(img, chosen ? kAccent : kPanel, chosen ? kAccentLight : kBorder);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(chosen ? Qt::white : kMuted, 1.6, Qt::SolidLine, Qt::RoundCap));
    const QRectF arc(8, 8, 14, 14);
    p.drawArc(arc, 60 * 16, 270 * 16);
    // Arrow head at the end of the arc.
    const double endDeg = counterClockwise ? 60.0 + 270.0 : 60.0;
    const double a = endDeg * M_PI / 180.0;
    const QPointF tip(arc.center().x() + 7 * std::cos(a), arc.center().y() - 7 * std::sin(a));
    const double dir = counterClockwise ? a + M_PI / 2 : a - M_PI / 2;
    const QPointF back(tip.x() - 4 * std::cos(dir), tip.y() + 4 * std::sin(dir));
    p.setBrush(chosen ? Qt::white : kMuted);
    const QPointF side(3 * std::sin(dir), 3 * std::cos(dir));
    QPolygonF head;
    head << tip << back + side << back - side;
    p.drawPolygon(head);
    p.end();
    save(img, QStringLiteral("ms/%1.png").arg(name));
}

void plainButton(const QString& name, const QColor& fill, const QColor& border)
{
    QImage img = canvas(110, 30);
    roundedButton(img, fill, border);
    save(img, QStringLiteral("ms/%1.png").arg(name));
}

void modelLogo(const QString& model)
{
    QImage img = canvas(130, 40);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 130, 0);
    g.setColorAt(0, kAccentLight);
    g.setColorAt(1, kAccent);
    p.setFont(font(26, true));
    QPainterPath path;
    path.addText(4, 30, font(26, true), model);
    p.fillPath(path, g);
    p.setPen(QPen(kAccent, 2));
    p.drawLine(QPointF(4, 36), QPointF(60, 36));
    p.end();
    save(img, model.mid(1) + QStringLiteral(".png"));
}

// The program's icon on a 64 x 64 grid, scaled to the painter's size. appIconSvg() below is
// the same drawing as SVG: change both together.
void drawAppIcon(QPainter& p, int size)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient g(0, 0, 64, 64);
    g.setColorAt(0, QColor(0x1B, 0x1F, 0x27));
    g.setColorAt(1, QColor(0x10, 0x12, 0x17));
    p.setBrush(g);
    p.setPen(QPen(kAccent, 3));
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 14, 14);
    // A mouse outline with a lit wheel.
    p.setPen(QPen(kText, 3));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(20, 12, 24, 40), 12, 12);
    p.drawLine(QPointF(32, 12), QPointF(32, 26));
    p.setPen(QPen(kAccentLight, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(32, 17), QPointF(32, 22));
}

void appIcon()
{
    QImage img = canvas(64, 64);
    QPainter p(&img);
    drawAppIcon(p, 64);
    p.end();
    save(img, QStringLiteral("icon.png"));
}

QByteArray appIconSvg()
{
    const auto c = [](const QColor& colour) { return colour.name().toLatin1(); };
    return QByteArray(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
               "  <defs>\n"
               "    <linearGradient id=\"bg\" x1=\"0\" y1=\"0\" x2=\"64\" y2=\"64\" gradientUnits=\"userSpaceOnUse\">\n"
               "      <stop offset=\"0\" stop-color=\"#1b1f27\"/>\n"
               "      <stop offset=\"1\" stop-color=\"#101217\"/>\n"
               "    </linearGradient>\n"
               "  </defs>\n"
               "  <rect x=\"3\" y=\"3\" width=\"58\" height=\"58\" rx=\"14\" ry=\"14\" fill=\"url(#bg)\" stroke=\"") +
           c(kAccent) +
           "\" stroke-width=\"3\"/>\n"
           "  <rect x=\"20\" y=\"12\" width=\"24\" height=\"40\" rx=\"12\" ry=\"12\" fill=\"none\" stroke=\"" +
           c(kText) +
           "\" stroke-width=\"3\"/>\n"
           "  <line x1=\"32\" y1=\"12\" x2=\"32\" y2=\"26\" stroke=\"" +
           c(kText) +
           "\" stroke-width=\"3\"/>\n"
           "  <line x1=\"32\" y1=\"17\" x2=\"32\" y2=\"22\" stroke=\"" +
           c(kAccentLight) + "\" stroke-width=\"4\" stroke-linecap=\"round\"/>\n</svg>\n";
}

// The desktop's icon theme files: <dir>/hicolor/NxN/apps/corvalantis.png for each size the
// desktop asks for, and <dir>/hicolor/scalable/apps/corvalantis.svg.
int themeIcons(const QString& dir)
{
    g_out = dir + QStringLiteral("/hicolor");
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImage img = canvas(size, size);
        QPainter p(&img);
        drawAppIcon(p, size);
        p.end();
        save(img, QStringLiteral("%1x%1/apps/corvalantis.png").arg(size));
    }
    const QString svg = g_out + QStringLiteral("/scalable/apps/corvalantis.svg");
    QDir().mkpath(QFileInfo(svg).path());
    QFile file(svg);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(appIconSvg()) < 0 || !file.flush()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svg));
        return 1;
    }
    std::printf("%d icons written to %s\n", g_count + 1, qPrintable(g_out));
    return 0;
}

// The mouse seen from above, for the buttons page.
void mousePicture()
{
    QImage img = canvas(200, 290);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.moveTo(100, 8);
    body.cubicTo(160, 8, 186, 60, 186, 130);
    body.cubicTo(186, 220, 160, 282, 100, 282);
    body.cubicTo(40, 282, 14, 220, 14, 130);
    body.cubicTo(14, 60, 40, 8, 100, 8);
    QLinearGradient g(0, 0, 200, 290);
    g.setColorAt(0, QColor(0x3A, 0x40, 0x4C));
    g.setColorAt(1, QColor(0x1C, 0x20, 0x27));
    p.fillPath(body, g);
    p.setPen(QPen(kBorder, 2));
    p.drawPath(body);
    // Button split, wheel, DPI button and a light strip.
    p.setPen(QPen(QColor(0x14, 0x16, 0x1B), 2));
    p.drawLine(QPointF(100, 8), QPointF(100, 118));
    p.drawLine(QPointF(16, 118), QPointF(184, 118));
    p.setBrush(QColor(0x14, 0x16, 0x1B));
    p.setPen(QPen(kAccent, 2));
    p.drawRoundedRect(QRectF(91, 34, 18, 40), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccentLight);
    p.drawRoundedRect(QRectF(96, 40, 8, 28), 4, 4);
    p.setBrush(QColor(0x14, 0x16, 0x1B));
    p.drawRoundedRect(QRectF(93, 84, 14, 22), 4, 4);
    QLinearGradient strip(0, 150, 0, 260);
    strip.setColorAt(0, QColor(0x01, 0x99, 0xCB, 200));
    strip.setColorAt(1, QColor(0x01, 0x99, 0xCB, 0));
    p.setPen(QPen(QBrush(strip), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(30, 150), QPointF(36, 240));
    p.drawLine(QPointF(170, 150), QPointF(164, 240));
    p.end();
    save(img, QStringLiteral("ms/mouse.png"));
}

enum class Glyph { Close, Min, Max, Restore, Skin, Menu };

void captionButton(const QString& name, Glyph glyph, bool hot)
{
    QImage img = canvas(28, 28);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    if (hot) {
        p.setPen(Qt::NoPen);
        p.setBrush(glyph == Glyph::Close ? QColor(0xD9, 0x3B, 0x3B) : kPanelLight);
        p.drawRoundedRect(QRectF(1, 1, 26, 26), 5, 5);
    }
    p.setPen(QPen(hot ? Qt::white : kMuted, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    switch (glyph) {
    case Glyph::Close:
        p.drawLine(QPointF(9, 9), QPointF(19, 19));
        p.drawLine(QPointF(19, 9), QPointF(9, 19));
        break;
    case Glyph::Min:
        p.drawLine(QPointF(9, 15), QPointF(19, 15));
        break;
    case Glyph::Max:
        p.drawRect(QRectF(9, 9, 10, 10));
        break;
    case Glyph::Restore:
        p.drawRect(QRectF(8, 11, 9, 9));
        p.drawPolyline(QPolygonF() << QPointF(11, 8) << QPointF(20, 8) << QPointF(20, 17));
        break;
    case Glyph::Skin:
        p.drawEllipse(QRectF(8, 8, 12, 12));
        p.setBrush(hot ? Qt::white : kMuted);
        p.drawPie(QRectF(8, 8, 12, 12), 90 * 16, 180 * 16);
        break;
    case Glyph::Menu:
        for (int y : {10, 14, 18})
            p.drawLine(QPointF(9, y), QPointF(19, y));
        break;
    }
    p.end();
    save(img, QStringLiteral("ms/%1%2.png").arg(name, hot ? QStringLiteral("_hot") : QString()));
}

void indicator(const QString& name, bool radio, bool on)
{
    QImage img = canvas(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(on ? kAccentLight : kBorder, 1.2));
    p.setBrush(on ? kAccent : kPanel);
    if (radio) {
        p.drawEllipse(QRectF(1, 1, 14, 14));
        if (on) {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(5, 5, 6, 6));
        }
    } else {
        p.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
        if (on) {
            p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF() << QPointF(4, 8) << QPointF(7, 11) << QPointF(12, 5));
        }
    }
    p.end();
    save(img, QStringLiteral("ms/%1.png").arg(name));
}

void comboArrow()
{
    QImage img = canvas(12, 8);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kText, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF() << QPointF(2, 2) << QPointF(6, 6) << QPointF(10, 2));
    p.end();
    save(img, QStringLiteral("ms/combo_arrow.png"));
}

// Backgrounds offered by the skin frame.
void background(int n, const QColor& a, const QColor& b)
{
    QImage img = canvas(400, 286, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 400, 286);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    p.fillRect(QRect(0, 0, 400, 286), g);
    p.setPen(QPen(QColor(255, 255, 255, 10), 1));
    for (int x = -286; x < 400; x += 14)
        p.drawLine(x, 286, x + 286, 0);
    p.end();
    save(img, QStringLiteral("bg%1.png").arg(n));
}

void drawSkin()
{
    for (int s = 1; s <= 5; ++s) {
        stageButton(s, false);
        stageButton(s, true);
    }
    for (int n = 0; n <= 8; ++n) {
        badge(n, false);
        badge(n, true);
    }
    macroArrow(true);
    macroArrow(false);
    rotationButton(QStringLiteral("ssz"), true, false);
    rotationButton(QStringLiteral("ssz1"), true, true);
    rotationButton(QStringLiteral("nsz"), false, false);
    rotationButton(QStringLiteral("nsz1"), false, true);
    plainButton(QStringLiteral("msKey_normal"), kPanel, kBorder);
    plainButton(QStringLiteral("msKey_bk"), kPanelLight, kBorder);
    plainButton(QStringLiteral("msKey_disable"), kAccent, kAccentLight);
    modelLogo(QStringLiteral("R210"));
    modelLogo(QStringLiteral("R240"));
    appIcon();
    mousePicture();
    const struct {
        const char* name;
        Glyph glyph;
    } captions[] = {
        {"btn_close", Glyph::Close},     {"btn_min", Glyph::Min},   {"btn_max", Glyph::Max},
        {"btn_restore", Glyph::Restore}, {"btn_skin", Glyph::Skin}, {"btn_menu", Glyph::Menu},
    };
    for (const auto& c : captions) {
        captionButton(QString::fromLatin1(c.name), c.glyph, false);
        captionButton(QString::fromLatin1(c.name), c.glyph, true);
    }
    indicator(QStringLiteral("check_off"), false, false);
    indicator(QStringLiteral("check_on"), false, true);
    indicator(QStringLiteral("radio_off"), true, false);
    indicator(QStringLiteral("radio_on"), true, true);
    comboArrow();
    background(1, QColor(0x1A, 0x1D, 0x24), QColor(0x0E, 0x10, 0x14));
    background(2, QColor(0x10, 0x26, 0x33), QColor(0x0B, 0x12, 0x18));
    background(3, QColor(0x2A, 0x1A, 0x30), QColor(0x10, 0x0C, 0x14));
    background(4, QColor(0x1E, 0x2A, 0x1E), QColor(0x0C, 0x12, 0x0C));
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--icons")
        return themeIcons(QString::fromLocal8Bit(argv[2]));
    if (argc != 2) {
        std::fprintf(stderr, "usage: skingen <skin folder> | skingen --icons <folder>\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    for (const int scale : {1, 2}) {
        g_scale = scale;
        drawSkin();
    }
    std::printf("%d images written to %s\n", g_count, qPrintable(g_out));
    return 0;
}
