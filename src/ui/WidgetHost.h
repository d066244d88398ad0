#pragma once
// A place in a layout for a widget that lives elsewhere (a window of its own or a widget
// of another parent). While one is hosted, it is kept on the control's rectangle and shown
// only while the control is visible. Without a hosted widget every change is ignored.
#include <QPointer>
#include <QWidget>

namespace corv::ui {

class WidgetHost : public QWidget {
    Q_OBJECT
public:
    explicit WidgetHost(QWidget* parent = nullptr);

    // Hosts a widget (null for none) and brings it in step at once. Not owned.
    void setHostedWidget(QWidget* hosted);
    QWidget* hostedWidget() const { return hosted_.data(); }

    void setVisible(bool visible) override;

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void keepInStep();

    QPointer<QWidget> hosted_;
};

}  // namespace corv::ui
