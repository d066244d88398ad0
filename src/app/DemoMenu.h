#pragma once
// The demo's stand-in for a person at the mouse: a "Virtual mouse" submenu of the tray menu
// with what the virtual mouse's buttons and firmware do. The entry adds it only when the
// program runs on a virtual mouse.
#include <memory>

class QMenu;
class QObject;

namespace corv {

namespace sim {
class VirtualMouse;
}

class DemoMenu {
public:
    // Adds the submenu to menu; its actions do nothing once the mouse is gone.
    static void addTo(QMenu* menu, const std::weak_ptr<sim::VirtualMouse>& mouse);
};

}  // namespace corv
