#include "ui/TypedControl.h"

#include <QLoggingCategory>

namespace corv::ui {

Q_LOGGING_CATEGORY(lcKind, "corv.control", QtWarningMsg)

QWidget* checkedKind(const Control& control, ControlKind kind)
{
    QWidget* w = control.widget();
    if (w == nullptr)
        return nullptr;
    if (!isKind(w, kind)) {
        qCWarning(lcKind) << "control" << w->objectName() << "is a" << kindName(kindOf(w)) << ", not a"
                          << kindName(kind);
        return nullptr;
    }
    return w;
}

}  // namespace corv::ui
