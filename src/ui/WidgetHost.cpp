#include "ui/WidgetHost.h"

namespace corv::ui {

WidgetHost::WidgetHost(QWidget* parent) : QWidget(parent) { }

void WidgetHost::setHostedWidget(QWidget* hosted)
{
    hosted_ = hosted;
    keepInStep();
}

void WidgetHost::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    keepInStep();
}

void WidgetHost::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    keepInStep();
}

void WidgetHost::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    keepInStep();
}

// Also reached when an ancestor is shown or hidden.
void WidgetHost::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    keepInStep();
}

void WidgetHost::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    keepInStep();
}

void WidgetHost::keepInStep()
{
    QWidget* hosted = hosted_.data();
    if (hosted == nullptr || hosted == this)
        return;
    // The control's rectangle in the coordinates of the hosted widget's parent, or of the
    // screen for a window of its own.
    const QPoint global = mapToGlobal(QPoint(0, 0));
    const QPoint origin = hosted->isWindow() || hosted->parentWidget() == nullptr
                              ? global
                              : hosted->parentWidget()->mapFromGlobal(global);
    hosted->setGeometry(QRect(origin, size()));
    hosted->setVisible(isVisible());
}

}  // namespace corv::ui
