#include "app/AppFeatures.h"

#include <memory>

#include "app/MainWindow.h"
#include "buttons/page/ButtonsPage.h"
#include "lighting/LightingPage.h"
#include "macros/page/MacroPage.h"
#include "profiles/page/ProfilePage.h"
#include "sensor/DpiPage.h"
#include "sensor/SensorPage.h"
#include "update/FirmwareUpdate.h"

namespace corv {

void installFeatures(MainWindow& wnd, const FeatureDeps& deps)
{
    wnd.addFeature(std::make_unique<MacroPage>(wnd));
    wnd.addFeature(std::make_unique<ProfilePage>(wnd, deps.foreground));
    wnd.addFeature(std::make_unique<DpiPage>(wnd));
    wnd.addFeature(std::make_unique<SensorPage>(wnd, deps.desktop));
    wnd.addFeature(std::make_unique<LightingPage>(wnd));
    wnd.addFeature(std::make_unique<ButtonsPage>(wnd));
    wnd.addFeature(std::make_unique<FirmwareUpdate>(wnd));
}

}  // namespace corv
