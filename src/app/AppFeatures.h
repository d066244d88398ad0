#pragma once
// The one place that lists the window's features. Adding a feature: one line here.
namespace corv {

class CMainWnd;
class DesktopSettings;

struct FeatureDeps {
    DesktopSettings& desktop;  // where the pointer speed and scroll lines go
};

// Builds every feature with wnd as its host and adds it to wnd (before CreateMainWindow).
void installFeatures(CMainWnd& wnd, const FeatureDeps& deps);

}  // namespace corv
