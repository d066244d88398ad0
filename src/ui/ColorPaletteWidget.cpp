#include "ui/ColorPaletteWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace corv::ui {

namespace {
constexpr int kStripHeight = 14;
constexpr int kGap = 6;

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
}  // namespace

ColorPaletteWidget::ColorPaletteWidget(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::CrossCursor);
    setMinimumSize(60, 40);
}

std::uint32_t ColorPaletteWidget::getSelectColor() const
{
    const QColor c = QColor::fromHsvF(hue_, saturation_, value_);
    return 0xFF000000u | (static_cast<std::uint32_t>(c.red()) << 16) | (static_cast<std::uint32_t>(c.green()) << 8) |
           static_cast<std::uint32_t>(c.blue());
}

void ColorPaletteWidget::setSelectColor(std::uint32_t argb)
{
    const QColor c(static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
                   static_cast<int>(argb & 0xFF));
    float h = 0, s = 0, v = 0;
    c.getHsvF(&h, &s, &v);
    if (h >= 0)
        hue_ = h;  // achromatic colours keep the previous hue
    saturation_ = s;
    value_ = v;
    rebuildField();
    update();
}

void ColorPaletteWidget::pickColor(std::uint32_t argb)
{
    setSelectColor(argb);
    emit colorPicked();
}

QRect ColorPaletteWidget::fieldRect() const
{
    return QRect(0, 0, width(), std::max(1, height() - kStripHeight - kGap));
}

QRect ColorPaletteWidget::stripRect() const { return QRect(0, height() - kStripHeight, width(), kStripHeight); }

void ColorPaletteWidget::rebuildField()
{
    const QRect r = fieldRect();
    if (r.width() <= 0 || r.height() <= 0)
        return;
    field_ = QImage(r.size(), QImage::Format_RGB32);
    for (int y = 0; y < r.height(); ++y) {
        const float s = 1.0f - static_cast<float>(y) / static_cast<float>(std::max(1, r.height() - 1));
        auto* line = reinterpret_cast<QRgb*>(field_.scanLine(y));
        for (int x = 0; x < r.width(); ++x) {
            const float h = static_cast<float>(x) / static_cast<float>(std::max(1, r.width()));
            line[x] = QColor::fromHsvF(h, s, value_).rgb();
        }
    }
}

void ColorPaletteWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    rebuildField();
}

void ColorPaletteWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect fr = fieldRect();
    if (field_.size() != fr.size())
        rebuildField();
    p.drawImage(fr.topLeft(), field_);

    const QRect sr = stripRect();
    QLinearGradient g(sr.topLeft(), sr.topRight());
    g.setColorAt(0, Qt::black);
    g.setColorAt(1, QColor::fromHsvF(hue_, saturation_, 1.0f));
    p.fillRect(sr, g);

    // Markers: a ring on the field, a notch on the strip.
    const QPointF fm(fr.left() + qreal(hue_) * fr.width(), fr.top() + qreal(1.0f - saturation_) * (fr.height() - 1));
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(fm, 5, 5);
    p.setPen(QPen(Qt::black, 1));
    p.drawEllipse(fm, 7, 7);
    const qreal sx = sr.left() + qreal(value_) * (sr.width() - 1);
    p.setPen(QPen(Qt::white, 2));
    p.drawRect(QRectF(sx - 2, sr.top() - 1, 4, sr.height() + 1));
}

void ColorPaletteWidget::pickAt(QPoint pos, bool fromPress)
{
    if (fromPress)
        draggingStrip_ = pos.y() >= stripRect().top() - kGap / 2;
    if (draggingStrip_) {
        const QRect sr = stripRect();
        value_ = clamp01(static_cast<float>(pos.x() - sr.left()) / static_cast<float>(std::max(1, sr.width() - 1)));
        rebuildField();
    } else {
        const QRect fr = fieldRect();
        hue_ = clamp01(static_cast<float>(pos.x() - fr.left()) / static_cast<float>(std::max(1, fr.width())));
        if (hue_ >= 1.0f)
            hue_ = 0.999f;
        saturation_ =
            clamp01(1.0f - static_cast<float>(pos.y() - fr.top()) / static_cast<float>(std::max(1, fr.height() - 1)));
    }
    picking_ = true;
    update();
}

void ColorPaletteWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        pickAt(event->position().toPoint(), true);
}

void ColorPaletteWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        pickAt(event->position().toPoint(), false);
}

void ColorPaletteWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && picking_) {
        picking_ = false;
        emit colorPicked();
    }
}

}  // namespace corv::ui
