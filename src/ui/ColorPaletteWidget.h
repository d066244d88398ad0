#pragma once
// Colour palette control: a hue/saturation field with a brightness strip below it. The user
// picks a colour with the mouse ("colorchanged"); the program reads and sets the selected
// colour as 0xAARRGGBB (alpha always 0xFF).
#include <QImage>
#include <QWidget>
#include <cstdint>

namespace corv::ui {

class ColorPaletteWidget : public QWidget {
    Q_OBJECT
public:
    explicit ColorPaletteWidget(QWidget* parent = nullptr);

    std::uint32_t getSelectColor() const;
    // Shows the colour as selected; raises no notification.
    void setSelectColor(std::uint32_t argb);
    // The user picks this exact colour (what a click on it does, without the rounding of a
    // pointer position): selects it and raises colorPicked.
    void pickColor(std::uint32_t argb);

    QSize sizeHint() const override { return {200, 120}; }

signals:
    // The user picked a colour (on release of the mouse button; never raised by setSelectColor).
    void colorPicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect fieldRect() const;
    QRect stripRect() const;
    void pickAt(QPoint pos, bool fromPress);
    void rebuildField();

    float hue_ = 0.55f;        // 0..1
    float saturation_ = 1.0f;  // 0..1
    float value_ = 1.0f;       // 0..1
    bool draggingStrip_ = false;
    bool picking_ = false;
    QImage field_;
};

}  // namespace corv::ui
