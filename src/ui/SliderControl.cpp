#include "ui/SliderControl.h"

#include <QProgressBar>
#include <QSlider>
#include <algorithm>

#include "ui/CCircleProgressUI.h"
#include "ui/NotifyAdapter.h"
#include "ui/TypedControl.h"

namespace corv::ui {

SliderControl::SliderControl(const Control& control) : Control(checkedKind(control, ControlKind::Progress)) { }

int SliderControl::GetValue() const
{
    QWidget* w = usable("GetValue");
    if (auto* s = qobject_cast<QSlider*>(w))
        return s->value();
    if (auto* p = qobject_cast<QProgressBar*>(w))
        return p->value();
    if (auto* c = qobject_cast<CCircleProgressUI*>(w))
        return c->value();
    return 0;
}

void SliderControl::SetValue(int value)
{
    QWidget* w = usable("SetValue");
    if (auto* s = qobject_cast<QSlider*>(w)) {
        markSliderChangeFromCode(s);
        s->setValue(value);
    } else if (auto* p = qobject_cast<QProgressBar*>(w)) {
        p->setValue(std::clamp(value, p->minimum(), p->maximum()));
    } else if (auto* c = qobject_cast<CCircleProgressUI*>(w)) {
        c->setValue(value);
    }
}

int SliderControl::GetMinValue() const
{
    QWidget* w = usable("GetMinValue");
    if (auto* s = qobject_cast<QSlider*>(w))
        return s->minimum();
    if (auto* p = qobject_cast<QProgressBar*>(w))
        return p->minimum();
    if (auto* c = qobject_cast<CCircleProgressUI*>(w))
        return c->minimum();
    return 0;
}

int SliderControl::GetMaxValue() const
{
    QWidget* w = usable("GetMaxValue");
    if (auto* s = qobject_cast<QSlider*>(w))
        return s->maximum();
    if (auto* p = qobject_cast<QProgressBar*>(w))
        return p->maximum();
    if (auto* c = qobject_cast<CCircleProgressUI*>(w))
        return c->maximum();
    return 0;
}

void SliderControl::SetMinValue(int value)
{
    QWidget* w = usable("SetMinValue");
    if (auto* s = qobject_cast<QSlider*>(w)) {
        markSliderChangeFromCode(s);
        s->setMinimum(value);
    } else if (auto* p = qobject_cast<QProgressBar*>(w)) {
        p->setMinimum(value);
    } else if (auto* c = qobject_cast<CCircleProgressUI*>(w)) {
        c->setMinimum(value);
    }
}

void SliderControl::SetMaxValue(int value)
{
    QWidget* w = usable("SetMaxValue");
    if (auto* s = qobject_cast<QSlider*>(w)) {
        markSliderChangeFromCode(s);
        s->setMaximum(value);
    } else if (auto* p = qobject_cast<QProgressBar*>(w)) {
        p->setMaximum(value);
    } else if (auto* c = qobject_cast<CCircleProgressUI*>(w)) {
        c->setMaximum(value);
    }
}

}  // namespace corv::ui
