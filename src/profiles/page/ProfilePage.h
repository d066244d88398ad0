#pragma once
// The profile lists on the DPI, KEY and REG pages: filled from the profile index at start-up
// (the first profile made from the template on a first run); a user's choice in any of them
// applies that profile; the connected mouse gets the stored one. Its steps of applying a
// profile: the lists follow, the name and the link are shown, the index remembers the
// choice, and the profile's images go to the mouse.
#include "feature/Feature.h"

namespace corv {

class FeatureHost;
struct ProfileApplication;

class ProfilePage : public Feature {
public:
    explicit ProfilePage(FeatureHost& host) : host_(host) { }

    std::string_view name() const override { return "profiles"; }
    void declare(FeatureRegistry& registry) override;
    std::span<const ui::ControlRef> controls() const override;
    void windowInit() override;

    // Fills the three lists from the index; a first run creates "新配置文件1" from the template.
    void loadProfileLists();
    // The connected mouse: the stored selection is selected (and so applied); a selection
    // outside the list selects the first profile.
    void selectStoredProfile();

    static constexpr const char* kFirstProfile = "新配置文件1";
    // A damaged count must not make start-up read for ever.
    static constexpr long kMaxProfilesRead = 1000;

private:
    void followLists(const ProfileApplication& a);
    void showName(const ProfileApplication& a);
    void showLink(ProfileApplication& a);
    void sendImages(ProfileApplication& a);
    FeatureHost& host_;
};

}  // namespace corv
