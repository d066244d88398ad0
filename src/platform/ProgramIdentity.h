#pragma once
// Who a process is, for matching a profile's link against the program in front: its
// executable, and for a Windows program run by Wine or Proton (whose executable is Wine's
// loader) the Windows executable it runs, mapped to a path of this machine where the Wine
// prefix allows it; the Steam app id it was started for; the window's class or app id.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace corv {

class ProgramIdentity {
public:
    // The most read of a process's command line and environment.
    static constexpr std::size_t kMaxCmdlineBytes = 64 * 1024;
    static constexpr std::size_t kMaxEnvironBytes = 256 * 1024;

    std::string executable;         // /proc/PID/exe; empty when it may not be read
    std::string windowsExecutable;  // the Windows program's path on this machine, or its bare file name
    std::string steamAppId;         // empty when none
    std::string windowClass;        // the window's class or app id, where the desktop gives it
    // The desktop named the program only by its app id (no pid, no path: wlroots'
    // foreign-toplevel list): a link then matches by its file name.
    bool appIdOnly = false;

    bool isWindowsProgram() const { return !windowsExecutable.empty(); }
    // Nothing is known (no process, or one we may not read): matches no link.
    bool empty() const
    {
        return executable.empty() && windowsExecutable.empty() && steamAppId.empty() &&
               !(appIdOnly && !windowClass.empty());
    }

    // The identity of process pid, read from procRoot (the proc file system; tests give a
    // folder of their own). A process that is gone or that we may not read (another user's,
    // hidepid) gives an identity without executable; the window class is the caller's.
    static ProgramIdentity ofProcess(pid_t pid, const std::string& windowClass = {},
                                     const std::filesystem::path& procRoot = "/proc");

    // The identity of a program the desktop names only by its app id.
    static ProgramIdentity ofAppId(const std::string& appId);

    // Whether an executable is Wine's loader (wine, wine64, wine-preloader, wine64-preloader,
    // Proton's copies of them).
    static bool isWineLoader(std::string_view executable);
    // The Windows executable in a Wine process's arguments: argv[0] when it ends in ".exe",
    // else the first argument that does (any case); empty when none does.
    static std::string windowsExecutableIn(const std::vector<std::string>& arguments);
    // A Windows path on this machine: "Z:\" is the root; another drive letter goes through
    // the prefix's dosdevices link. The bare file name when the path cannot be mapped.
    static std::string mapWindowsPath(std::string_view windowsPath, const std::filesystem::path& prefix);
    // The Steam app id of a window class "steam_app_N" (any case); empty otherwise.
    static std::string steamAppOfWindowClass(std::string_view windowClass);
};

}  // namespace corv
