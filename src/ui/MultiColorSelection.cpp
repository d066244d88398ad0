#include "ui/MultiColorSelection.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace corv::ui {

namespace {
constexpr int kStripHeight = 12;
constexpr int kGap = 6;
constexpr std::int32_t kWhite = 0x00FFFFFF;

QColor colourOf(std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}
}  // namespace

MultiColorSelection::MultiColorSelection(QWidget* parent) : QWidget(parent) { setMinimumSize(120, 40); }

std::int32_t MultiColorSelection::barValue(int red, int green, int blue)
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(red) & 0xFF) |
                                     ((static_cast<std::uint32_t>(green) & 0xFF) << 8) |
                                     ((static_cast<std::uint32_t>(blue) & 0xFF) << 16));
}

void MultiColorSelection::setBarsCount(int n)
{
    n = std::clamp(n, 0, kMaxBars);
    for (int i = count_; i < n; ++i)
        values_[static_cast<std::size_t>(i)] = kWhite;
    count_ = n;
    if (selected_ >= count_)
        selected_ = count_ - 1;
    update();
}

void MultiColorSelection::setBarsCountData(int i, std::int32_t value)
{
    if (i < 0 || i >= count_)
        return;
    values_[static_cast<std::size_t>(i)] = value;
    update();
}

std::uint32_t MultiColorSelection::getBarsCountData(int i, std::int32_t& value) const
{
    if (i < 0 || i >= count_) {
        value = 0;
        return 0;
    }
    value = values_[static_cast<std::size_t>(i)];
    return static_cast<std::uint32_t>(value) & 0x00FFFFFFu;
}

bool MultiColorSelection::addBarsCount()
{
    if (count_ >= kMaxBars)
        return false;
    values_[static_cast<std::size_t>(count_)] = kWhite;
    ++count_;
    selected_ = count_ - 1;
    update();
    return true;
}

bool MultiColorSelection::subBarsCount()
{
    if (count_ <= 0)
        return false;
    --count_;
    values_[static_cast<std::size_t>(count_)] = 0;
    if (selected_ >= count_)
        selected_ = count_ - 1;
    update();
    return true;
}

void MultiColorSelection::setSelectedBar(int i)
{
    selected_ = (i >= 0 && i < count_) ? i : -1;
    update();
}

QRect MultiColorSelection::stripRect() const { return QRect(0, height() - kStripHeight, width(), kStripHeight); }

QRect MultiColorSelection::barRect(int i) const
{
    const int area = std::max(1, height() - kStripHeight - kGap);
    const int slot = width() / kMaxBars;
    return QRect(i * slot + 1, 0, std::max(2, slot - 3), area);
}

void MultiColorSelection::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < kMaxBars; ++i) {
        const QRectF r = barRect(i);
        if (i < count_) {
            p.setPen(Qt::NoPen);
            p.setBrush(colourOf(values_[static_cast<std::size_t>(i)]));
            p.drawRoundedRect(r, 3, 3);
            if (i == selected_) {
                p.setPen(QPen(QColor(0x01, 0x99, 0xCB), 2));
                p.setBrush(Qt::NoBrush);
                p.drawRoundedRect(r.adjusted(-1, -1, 1, 1), 3, 3);
            }
        } else {
            p.setPen(QPen(QColor(255, 255, 255, 40), 1, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        }
    }
    const QRect sr = stripRect();
    QLinearGradient g(sr.topLeft(), sr.topRight());
    for (int k = 0; k <= 6; ++k)
        g.setColorAt(k / 6.0, QColor::fromHsvF(static_cast<float>(k) / 6.0f * 0.999f, 1, 1));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(sr, 3, 3);
}

void MultiColorSelection::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    const QPoint pos = event->position().toPoint();
    const QRect sr = stripRect();
    if (pos.y() >= sr.top() - kGap / 2) {
        if (selected_ < 0 || selected_ >= count_)
            return;
        const float h =
            std::clamp(static_cast<float>(pos.x()) / static_cast<float>(std::max(1, sr.width())), 0.0f, 0.999f);
        const QColor c = QColor::fromHsvF(h, 1, 1);
        values_[static_cast<std::size_t>(selected_)] = barValue(c.red(), c.green(), c.blue());
        update();
        emit barsEdited();
        return;
    }
    for (int i = 0; i < count_; ++i) {
        if (barRect(i).contains(pos)) {
            setSelectedBar(i);
            return;
        }
    }
}

}  // namespace corv::ui
