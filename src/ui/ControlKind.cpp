#include "ui/ControlKind.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSlider>
#include <QStackedWidget>

#include "ui/CircleProgress.h"
#include "ui/ColorPaletteWidget.h"
#include "ui/MultiColorSelection.h"

namespace corv::ui {

ControlKind kindOf(const QWidget* w)
{
    if (w == nullptr)
        return ControlKind::Any;
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
        return b->isCheckable() ? ControlKind::Option : ControlKind::Button;
    }
    if (qobject_cast<const QComboBox*>(w))
        return ControlKind::Combo;
    if (qobject_cast<const QLineEdit*>(w))
        return ControlKind::Edit;
    if (qobject_cast<const QListWidget*>(w))
        return ControlKind::List;
    if (qobject_cast<const QSlider*>(w))
        return ControlKind::Slider;
    if (qobject_cast<const QProgressBar*>(w) || qobject_cast<const CircleProgress*>(w))
        return ControlKind::Progress;
    if (qobject_cast<const QStackedWidget*>(w))
        return ControlKind::TabLayout;
    if (qobject_cast<const QLabel*>(w))
        return ControlKind::Label;
    if (qobject_cast<const ColorPaletteWidget*>(w))
        return ControlKind::ColorPalette;
    if (qobject_cast<const MultiColorSelection*>(w))
        return ControlKind::MultiColor;
    return ControlKind::Container;
}

bool isKind(const QWidget* w, ControlKind kind)
{
    if (w == nullptr)
        return false;
    if (kind == ControlKind::Any)
        return true;
    const ControlKind actual = kindOf(w);
    if (actual == kind)
        return true;
    // A slider is also a progress control (value, minimum, maximum).
    return kind == ControlKind::Progress && actual == ControlKind::Slider;
}

QString kindName(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Any:
        return QStringLiteral("any");
    case ControlKind::Button:
        return QStringLiteral("button");
    case ControlKind::Option:
        return QStringLiteral("option");
    case ControlKind::Label:
        return QStringLiteral("label");
    case ControlKind::Edit:
        return QStringLiteral("edit");
    case ControlKind::Combo:
        return QStringLiteral("combo");
    case ControlKind::List:
        return QStringLiteral("list");
    case ControlKind::Slider:
        return QStringLiteral("slider");
    case ControlKind::Progress:
        return QStringLiteral("progress");
    case ControlKind::TabLayout:
        return QStringLiteral("tab layout");
    case ControlKind::Container:
        return QStringLiteral("container");
    case ControlKind::ColorPalette:
        return QStringLiteral("colour palette");
    case ControlKind::MultiColor:
        return QStringLiteral("multi-colour bar");
    }
    return QStringLiteral("?");
}

}  // namespace corv::ui
