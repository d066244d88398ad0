#pragma once
// Circular progress indicator: a disc in the background colour, a sector in the foreground
// colour starting straight down and running clockwise, and a white disc inset by 10 pixels
// on top, so that the progress shows as a ring. The sector sweeps
// value / (maximum - minimum) * 360 degrees, truncated to whole degrees; the minimum is not
// taken off the value, and a sweep of 360 degrees or more fills the whole ring. An empty
// range (maximum = minimum) draws no sector. With the text visible, the control's text is
// drawn in the middle.
//
// Layouts reach it as "CCircleProgressUI" and as "CircleProgress" (any letter case); they set
// "value", "minimum", "maximum", "textVisible", "text", "bkcolor" and "forecolor".
#include <QColor>
#include <QString>
#include <QWidget>

namespace corv::ui {

class CircleProgress : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(bool textVisible READ isTextVisible WRITE setTextVisible)
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QColor bkcolor READ bkColor WRITE setBkColor)
    Q_PROPERTY(QColor forecolor READ foreColor WRITE setForeColor)
public:
    static constexpr int kRingWidth = 10;

    explicit CircleProgress(QWidget* parent = nullptr);

    // The sweep in whole degrees for a value and a range: positive runs clockwise on the
    // screen, negative counter-clockwise; 0 for an empty range.
    static int sweepDegrees(int value, int minimum, int maximum);

    int value() const { return value_; }
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // The value is kept within the range; a new range pulls the value into it.
    void setValue(int value);
    void setMinimum(int minimum);
    void setMaximum(int maximum);
    void setRange(int minimum, int maximum);

    bool isTextVisible() const { return textVisible_; }
    void setTextVisible(bool visible);
    QString text() const { return text_; }
    void setText(const QString& text);

    QColor bkColor() const { return bkColor_; }
    void setBkColor(const QColor& colour);
    QColor foreColor() const { return foreColor_; }
    void setForeColor(const QColor& colour);

    QSize sizeHint() const override { return {64, 64}; }

signals:
    void valueChanged(int value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int value_ = 0;
    int minimum_ = 0;
    int maximum_ = 100;
    bool textVisible_ = false;
    QString text_;
    QColor bkColor_{0xDD, 0xE1, 0xE8};
    QColor foreColor_{0x2F, 0x80, 0xED};
};

}  // namespace corv::ui
