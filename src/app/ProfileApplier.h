#pragma once
// Applying the profile selected in one of the three profile lists: the other lists follow
// the selection, the index remembers it, the linked program is shown, the profile's images
// go to the mouse (profiles/ProfileApply.h), the pointer speed and scroll lines are set in
// the system, and the palette reaches the colour bars and the mouse. The caller then
// refreshes the pages.
#include <filesystem>

namespace corv {

class FeatureHost;

class ProfileApplier {
public:
    // The list the user changed.
    enum Source { kDpiList = 0, kKeyList = 1, kRegList = 2 };

    explicit ProfileApplier(FeatureHost& host) : host_(host) { }

    // False (nothing done) for an unknown source or a list without selection.
    bool applyProfile(int source);
    // While a profile is applied, the other lists' selections change too: their own
    // notifications must not apply it again.
    bool isApplying() const { return applying_; }

    // The lighting reset: the template's settings with the profile's DPI stages.
    void resetToTemplate();

private:
    FeatureHost& host_;
    bool applying_ = false;
};

}  // namespace corv
