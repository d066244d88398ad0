#pragma once
// A chart control with a pie view and a histogram view, configured by the layout through
// attributes (dynamic properties of the layout's widget):
//   "view"              "pie" or "histpgram" (the layouts' spelling); other values change nothing
//   "shadowimage"       image description of the histogram's shadow band
//   "shadowimageheight" height of that band in pixels
//   "pillarimage"       image description of a histogram pillar
//   "pillarimagewidth"  width of a pillar in pixels
//   "showtext"          "true" reserves 25 pixels under the band for the item texts
//   "showhtml"          "true" when the item texts are markup
//   "font"              font index of the item texts
// The chart has no items: the histogram draws its shadow band only, the pie draws nothing
// beyond the control's own background. An image that cannot be drawn is dropped, so that it
// is not tried again.
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace corv::ui {

class ChartView : public QWidget {
    Q_OBJECT
    // The layout's "font" is the font index, not a QFont: this property stands in front of
    // QWidget's own (setFont() still sets the widget's font).
    Q_PROPERTY(QString font READ fontAttribute WRITE setFontAttribute)
public:
    enum class View { Pie = 0, Histogram = 1 };
    static constexpr int kTextBand = 25;

    explicit ChartView(QWidget* parent = nullptr);

    // One attribute by name (compared without case); unknown names are ignored.
    void setChartAttribute(const QString& name, const QString& value);

    View view() const { return view_; }
    QString shadowImage() const { return shadowImage_; }
    int shadowImageHeight() const { return shadowImageHeight_; }
    QString pillarImage() const { return pillarImage_; }
    int pillarImageWidth() const { return pillarImageWidth_; }
    bool showText() const { return showText_; }
    bool showHtml() const { return showHtml_; }
    int fontIndex() const { return font_; }
    QString fontAttribute() const { return QString::number(font_); }
    void setFontAttribute(const QString& value) { setChartAttribute(QStringLiteral("font"), value); }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void paintHistogram(QPainter& painter);

    View view_ = View::Pie;
    QString shadowImage_;
    int shadowImageHeight_ = 0;
    QString pillarImage_;
    int pillarImageWidth_ = 0;
    bool showText_ = false;
    bool showHtml_ = false;
    int font_ = -1;

    QString loadedShadow_;  // the description shadowPixmap_ was loaded from
    QPixmap shadowPixmap_;
};

}  // namespace corv::ui
