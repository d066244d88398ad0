#include "ui/ChartView.h"

#include <QDynamicPropertyChangeEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include "ui/ResourceManager.h"

namespace corv::ui {

namespace {

bool same(const QString& a, const char* b) { return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0; }

// Decimal text as the layouts write it; anything else reads as 0.
int decimal(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? v : 0;
}

}  // namespace

ChartView::ChartView(QWidget* parent) : QWidget(parent) { }

void ChartView::setChartAttribute(const QString& name, const QString& value)
{
    if (same(name, "view")) {
        if (value == QLatin1String("pie"))
            view_ = View::Pie;
        else if (value == QLatin1String("histpgram"))
            view_ = View::Histogram;
    } else if (same(name, "shadowimage")) {
        shadowImage_ = value;
    } else if (same(name, "shadowimageheight")) {
        shadowImageHeight_ = decimal(value);
    } else if (same(name, "pillarimage")) {
        pillarImage_ = value;
    } else if (same(name, "pillarimagewidth")) {
        pillarImageWidth_ = decimal(value);
    } else if (same(name, "showtext")) {
        showText_ = value == QLatin1String("true");
    } else if (same(name, "showhtml")) {
        showHtml_ = value == QLatin1String("true");
    } else if (same(name, "font")) {
        font_ = decimal(value);
    } else {
        return;
    }
    update();
}

// The layout's attributes arrive as dynamic properties; the property itself stays set, as
// any other control's would.
bool ChartView::event(QEvent* e)
{
    if (e->type() == QEvent::DynamicPropertyChange) {
        const QByteArray name = static_cast<QDynamicPropertyChangeEvent*>(e)->propertyName();
        setChartAttribute(QString::fromLatin1(name), property(name.constData()).toString());
    }
    return QWidget::event(e);
}

void ChartView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // The control's own background (style sheet) first.
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &p, this);
    // The pie view has no items to draw.
    if (view_ == View::Histogram)
        paintHistogram(p);
}

void ChartView::paintHistogram(QPainter& p)
{
    if (shadowImage_.isEmpty())
        return;
    if (loadedShadow_ != shadowImage_) {
        const QString path = ResourceManager::instance().imagePath(shadowImage_);
        if (path.isEmpty() || !shadowPixmap_.load(path)) {
            shadowImage_.clear();
            loadedShadow_.clear();
            shadowPixmap_ = QPixmap();
            return;
        }
        loadedShadow_ = shadowImage_;
    }
    const int bottom = height() - (showText_ ? kTextBand : 0);
    p.drawPixmap(QRect(0, bottom - shadowImageHeight_, width(), shadowImageHeight_), shadowPixmap_);
    // No items: no pillars.
}

}  // namespace corv::ui
