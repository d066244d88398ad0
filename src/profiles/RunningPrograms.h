#pragma once
// The games running now that a profile can be linked to: this user's processes that run a
// Windows program under Wine or Proton, or that Steam started for a game. Each is listed once,
// by its shown name (the game's name from Steam's manifest where Steam gives it, else the
// Windows program's file name), with the link that will match it.
#include <filesystem>
#include <string>
#include <vector>

#include <sys/types.h>

namespace corv {

class ProgramIdentity;

struct RunningProgram {
    std::string shownName;
    std::string link;  // "steam:APPID", or the Windows program's path (or file name)
};

class RunningPrograms {
public:
    // The manifest read at most, and the processes looked at at most.
    static constexpr std::size_t kMaxManifestBytes = 64 * 1024;
    static constexpr std::size_t kMaxProcesses = 32768;

    // Processes of user uid under procRoot; Steam's libraries under home.
    static std::vector<RunningProgram> list(uid_t uid, const std::string& home,
                                            const std::filesystem::path& procRoot = "/proc");
    // The entry of one process's identity; an empty link when it is no game.
    static RunningProgram entryOf(const ProgramIdentity& program, const std::string& home);
    // The game's name in Steam's manifest of app id (appmanifest_ID.acf in a library under
    // home); empty when there is none.
    static std::string steamGameName(const std::string& appId, const std::string& home);
};

}  // namespace corv
