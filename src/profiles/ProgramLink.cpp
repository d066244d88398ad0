#include "profiles/ProgramLink.h"

#include <filesystem>
#include <system_error>

#include "platform/ProgramIdentity.h"
#include "platform/Utf.h"

namespace corv {

namespace fs = std::filesystem;

namespace {

std::string fileNameOf(std::string_view path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool endsWithExe(std::string_view path)
{
    return path.size() > 4 && utf::equalNoCase(path.substr(path.size() - 4), ".exe");
}

}  // namespace

bool ProgramLink::matches(std::string_view link, const ProgramIdentity& program)
{
    if (link.empty() || link == " " || program.empty())
        return false;
    if (link.substr(0, kSteamPrefix.size()) == kSteamPrefix) {
        const std::string_view appId = link.substr(kSteamPrefix.size());
        return !appId.empty() && appId == program.steamAppId;
    }
    if (!program.executable.empty() && utf::equalNoCase(link, program.executable))
        return true;
    if (program.appIdOnly)
        return !program.windowClass.empty() && utf::equalNoCase(fileNameOf(link), program.windowClass);
    if (!endsWithExe(link) || !program.isWindowsProgram())
        return false;
    const std::string& windows = program.windowsExecutable;
    if (windows.find('/') == std::string::npos)
        return utf::equalNoCase(fileNameOf(link), windows);  // the prefix could not be followed
    if (utf::equalNoCase(link, windows))
        return true;
    // The same file reached another way (a Steam library behind a symbolic link).
    std::error_code error;
    return fs::equivalent(fs::path(std::string(link)), fs::path(windows), error) && !error;
}

}  // namespace corv
