#include "app/DemoMenu.h"

#include <QAction>
#include <QMenu>

#include "sim/VirtualMouse.h"

namespace corv {

void DemoMenu::addTo(QMenu* menu, const std::weak_ptr<sim::VirtualMouse>& mouse)
{
    QMenu* sub = menu->addMenu(QStringLiteral("Virtual mouse"));
    sub->setObjectName(QStringLiteral("vm_menu"));
    const auto add = [&](const char* name, const QString& text, auto action) {
        QAction* a = sub->addAction(text);
        a->setObjectName(QLatin1String(name));
        QObject::connect(a, &QAction::triggered, sub, [mouse, action] {
            if (const auto m = mouse.lock())
                action(*m);
        });
    };
    add("vm_dpi_button", QStringLiteral("Press the DPI button"), [](sim::VirtualMouse& m) { m.pressDpiButton(); });
    add("vm_reset", QStringLiteral("Reset to factory settings"),
        [](sim::VirtualMouse& m) { m.restoreDefaultsAtMouse(); });
    add("vm_unplug", QStringLiteral("Unplug"), [](sim::VirtualMouse& m) { m.unplug(); });
    add("vm_replug", QStringLiteral("Plug in again"), [](sim::VirtualMouse& m) { m.plug(); });
    add("vm_calibration_fail", QStringLiteral("Make the next calibration fail"),
        [](sim::VirtualMouse& m) { m.setNextCalibrationOutcome(false); });
    add("vm_calibration_ok", QStringLiteral("Make the next calibration succeed"),
        [](sim::VirtualMouse& m) { m.setNextCalibrationOutcome(true, 3); });
}

}  // namespace corv
