#pragma once
// One application of a profile, handed from step to step (FeatureRegistry::onApply).
#include <QString>
#include <filesystem>

#include "profiles/ProfileApply.h"

namespace corv {

// The profile lists an application can come from (the pages' lists show one selection).
inline constexpr int kFromDpiList = 0;
inline constexpr int kFromKeyList = 1;
inline constexpr int kFromRegList = 2;
inline constexpr int kProfileListCount = 3;
// The request (FeatureRegistry::request) that selects a profile by its name, as the user
// would in a list: the argument is the name; answered false when no profile has it.
inline constexpr const char* kSelectProfileRequest = "select-profile";

struct ProfileApplication {
    int source = 0;  // the list the user changed: 0 DPI, 1 KEY, 2 REG
    int index = -1;  // the selected item
    QString name;    // the profile's name (the item's user data)
    std::filesystem::path file;
    AppliedProfile applied;   // what the device step sent (pointer speed, scroll lines)
    bool devicePart = false;  // the device step ran
    bool stopped = false;     // a step ended the application: the later steps are skipped
};

}  // namespace corv
