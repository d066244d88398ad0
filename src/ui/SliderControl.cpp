#include "ui/SliderControl.h"

#include <QProgressBar>
#include <QSlider>
#include <algorithm>

#include "ui/CircleProgress.h"
#include "ui/NotifyAdapter.h"
#include "ui/TypedControl.h"

namespace corv::ui {

SliderControl::SliderControl(const Control& control) : Control(checkedKind(control, ControlKind::Progress)) { }

int SliderControl::getValue() const
{
    QWidget* w = usable("getValue");
    if (auto* s = qobject_cast<QSlider*>(w))
        return s->value();
    if (auto* p = qobject_cast<QProgressBar*>(w))
        return p->value();
    if (auto* c = qobject_cast<CircleProgress*>(w))
        return c->value();
    return 0;
}

void SliderControl::setValue(int value)
{
    QWidget* w = usable("setValue");
    if (auto* s = qobject_cast<QSlider*>(w)) {
        markSliderChangeFromCode(s);
        s->setValue(value);
    } else if (auto* p = qobject_cast<QProgressBar*>(w)) {
        p->setValue(std::clamp(value, p->minimum(), p->maximum()));
    } else if (auto* c = qobject_cast<CircleProgress*>(w)) {
        c->setValue(value);
    }
}

int SliderControl::getMinValue() const
{
    QWidget* w = usable("getMinValue");
    if (auto* s = qobject_cast<QSlider*>(w))
        return s->minimum();
    if (auto* p = qobject_cast<QProgressBar*>(w))
        return p->minimum();
    if (auto* c = qobject_cast<CircleProgress*>(w))
        return c->minimum();
    return 0;
}

int SliderControl::getMaxValue() const
{
    QWidget* w = usable("getMaxValue");
    if (auto* s = qobject_cast<QSlider*>(w))
        return s->maximum();
    if (auto* p = qobject_cast<QProgressBar*>(w))
        return p->maximum();
    if (auto* c = qobject_cast<CircleProgress*>(w))
        return c->maximum();
    return 0;
}

void SliderControl::setMinValue(int value)
{
    QWidget* w = usable("setMinValue");
    if (auto* s = qobject_cast<QSlider*>(w)) {
        markSliderChangeFromCode(s);
        s->setMinimum(value);
    } else if (auto* p = qobject_cast<QProgressBar*>(w)) {
        p->setMinimum(value);
    } else if (auto* c = qobject_cast<CircleProgress*>(w)) {
        c->setMinimum(value);
    }
}

void SliderControl::setMaxValue(int value)
{
    QWidget* w = usable("setMaxValue");
    if (auto* s = qobject_cast<QSlider*>(w)) {
        markSliderChangeFromCode(s);
        s->setMaximum(value);
    } else if (auto* p = qobject_cast<QProgressBar*>(w)) {
        p->setMaximum(value);
    } else if (auto* c = qobject_cast<CircleProgress*>(w)) {
        c->setMaximum(value);
    }
}

}  // namespace corv::ui
