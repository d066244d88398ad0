#pragma once
// Multi-colour bar control: a row of up to 20 colour bars. The user selects a bar with the
// mouse and recolours it by clicking the hue strip below the bars.
//
// A bar value is the bar's colour as one number: red in bits 0-7, green in bits 8-15, blue in
// bits 16-23 (bits 24-31 are kept but do not affect the colour). getBarsCountData returns that
// colour, so the table sent to the mouse comes out red, green, blue.
#include <QWidget>
#include <array>
#include <cstdint>

namespace corv::ui {

class MultiColorSelection : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxBars = 20;

    explicit MultiColorSelection(QWidget* parent = nullptr);

    int getBarsCount() const { return count_; }
    // Shows n bars (limited to 0..20); new bars are white.
    void setBarsCount(int n);
    // Sets bar i from a bar value; an index outside the shown bars is ignored.
    void setBarsCountData(int i, std::int32_t value);
    // Returns the colour of bar i (bits 0..23) and gives its bar value; 0 for an index
    // outside the shown bars.
    std::uint32_t getBarsCountData(int i, std::int32_t& value) const;
    // Adds a bar at the end (false at 20 bars) / removes the last bar (false at 0 bars).
    bool addBarsCount();
    bool subBarsCount();

    int selectedBar() const { return selected_; }
    void setSelectedBar(int i);

    // The bar value of a colour given as red, green and blue.
    static std::int32_t barValue(int red, int green, int blue);

    QSize sizeHint() const override { return {320, 60}; }

signals:
    // The user changed a bar's colour.
    void barsEdited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QRect barRect(int i) const;
    QRect stripRect() const;

    std::array<std::int32_t, kMaxBars> values_{};
    int count_ = 0;
    int selected_ = -1;
};

}  // namespace corv::ui
