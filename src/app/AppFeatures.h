#pragma once
// The one place that lists the window's features. Adding a feature: one line here.
namespace corv {

class MainWindow;
class DesktopSettings;
class ForegroundWatcher;

struct FeatureDeps {
    DesktopSettings& desktop;  // where the pointer speed and scroll lines go
    // The program in front, for profiles linked to programs; null where it cannot be known.
    ForegroundWatcher* foreground = nullptr;
};

// Builds every feature with wnd as its host and adds it to wnd (before createMainWindow).
void installFeatures(MainWindow& wnd, const FeatureDeps& deps);

}  // namespace corv
