#include "ui/CWndUI.h"

namespace corv::ui {

CWndUI::CWndUI(QWidget* parent) : QWidget(parent) { }

void CWndUI::setHostedWidget(QWidget* hosted)
{
    hosted_ = hosted;
    keepInStep();
}

void CWndUI::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    keepInStep();
}

void CWndUI::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    keepInStep();
}

void CWndUI::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    keepInStep();
}

// Also reached when an ancestor is shown or hidden.
void CWndUI::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    keepInStep();
}

void CWndUI::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    keepInStep();
}

void CWndUI::keepInStep()
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
