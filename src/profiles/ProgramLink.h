#pragma once
// Whether a profile's link (the "PROCESS" value of msProfile.ini) names a program: the
// program's full path as chosen (any case); for a link to a ".exe" file, the Windows program
// that Wine or Proton runs, by its path on this machine or, where the Wine prefix cannot be
// followed, by its file name; "steam:APPID" for the game Steam started with that app id; and
// for a desktop that names the program only by its app id, the link's file name.
#include <string>
#include <string_view>

namespace corv {

class ProgramIdentity;

class ProgramLink {
public:
    static constexpr std::string_view kSteamPrefix = "steam:";

    static bool matches(std::string_view link, const ProgramIdentity& program);
    // The link that names a Steam game.
    static std::string steamLink(std::string_view appId) { return std::string(kSteamPrefix) + std::string(appId); }
};

}  // namespace corv
