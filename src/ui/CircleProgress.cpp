#include "ui/CircleProgress.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace corv::ui {

CircleProgress::CircleProgress(QWidget* parent) : QWidget(parent) { }

int CircleProgress::sweepDegrees(int value, int minimum, int maximum)
{
    const double span = static_cast<double>(maximum) - static_cast<double>(minimum);
    if (span == 0.0)
        return 0;
    const double degrees = std::trunc(static_cast<double>(value) / span * 360.0);
    // Beyond one turn the ring is full either way; the limit keeps the cast defined.
    return static_cast<int>(std::clamp(degrees, -720.0, 720.0));
}

void CircleProgress::setValue(int value)
{
    const int v = std::clamp(value, std::min(minimum_, maximum_), std::max(minimum_, maximum_));
    if (v == value_)
        return;
    value_ = v;
    update();
    emit valueChanged(value_);
}

void CircleProgress::setMinimum(int minimum) { setRange(minimum, std::max(minimum, maximum_)); }

void CircleProgress::setMaximum(int maximum) { setRange(std::min(minimum_, maximum), maximum); }

void CircleProgress::setRange(int minimum, int maximum)
{
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    update();
    setValue(value_);
}

void CircleProgress::setTextVisible(bool visible)
{
    textVisible_ = visible;
    update();
}

void CircleProgress::setText(const QString& text)
{
    text_ = text;
    update();
}

void CircleProgress::setBkColor(const QColor& colour)
{
    bkColor_ = colour;
    update();
}

void CircleProgress::setForeColor(const QColor& colour)
{
    foreColor_ = colour;
    update();
}

void CircleProgress::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRect area = rect();

    p.setBrush(bkColor_);
    p.drawEllipse(area);

    const int sweep = sweepDegrees(value_, minimum_, maximum_);
    if (sweep >= 360 || sweep <= -360) {
        p.setBrush(foreColor_);
        p.drawEllipse(area);
    } else if (sweep != 0) {
        // Qt counts angles counter-clockwise from three o'clock in 1/16 degree: straight
        // down is -90, and a clockwise sweep is negative.
        p.setBrush(foreColor_);
        p.drawPie(area, -90 * 16, -sweep * 16);
    }

    const QRect inner = area.adjusted(kRingWidth, kRingWidth, -kRingWidth, -kRingWidth);
    if (inner.isValid()) {
        p.setBrush(Qt::white);
        p.drawEllipse(inner);
    }

    if (textVisible_ && !text_.isEmpty()) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(area, Qt::AlignCenter, text_);
    }
}

}  // namespace corv::ui
