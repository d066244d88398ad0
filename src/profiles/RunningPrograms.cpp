#include "profiles/RunningPrograms.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <system_error>

#include "platform/ProgramIdentity.h"
#include "profiles/ProgramLink.h"

namespace corv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSteamLibraries[] = {"/.local/share/Steam/steamapps", "/.steam/steam/steamapps",
                                           "/.var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps"};

std::string fileNameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The value of "key" "value" in a manifest's text (the first one).
std::string manifestValue(const std::string& text, const std::string& key)
{
    const std::string quoted = "\"" + key + "\"";
    std::size_t at = 0;
    while ((at = text.find(quoted, at)) != std::string::npos) {
        std::size_t open = at + quoted.size();
        while (open < text.size() && (text[open] == ' ' || text[open] == '\t'))
            ++open;
        if (open < text.size() && text[open] == '"') {
            const std::size_t close = text.find('"', open + 1);
            const std::size_t eol = text.find('\n', open + 1);
            if (close != std::string::npos && (eol == std::string::npos || close < eol))
                return text.substr(open + 1, close - open - 1);
        }
        at = open;
    }
    return {};
}

}  // namespace

std::string RunningPrograms::steamGameName(const std::string& appId, const std::string& home)
{
    if (appId.empty() || home.empty() ||
        !std::all_of(appId.begin(), appId.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return {};
    for (const char* library : kSteamLibraries) {
        std::ifstream in(fs::path(home + library) / ("appmanifest_" + appId + ".acf"), std::ios::binary);
        if (!in)
            continue;
        std::string text(kMaxManifestBytes, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
        const std::string name = manifestValue(text, "name");
        if (!name.empty())
            return name;
    }
    return {};
}

RunningProgram RunningPrograms::entryOf(const ProgramIdentity& program, const std::string& home)
{
    RunningProgram entry;
    if (!program.steamAppId.empty()) {
        entry.link = ProgramLink::steamLink(program.steamAppId);
        entry.shownName = steamGameName(program.steamAppId, home);
        if (entry.shownName.empty())
            entry.shownName =
                program.isWindowsProgram() ? fileNameOf(program.windowsExecutable) : "Steam " + program.steamAppId;
        return entry;
    }
    if (program.isWindowsProgram()) {
        entry.link = program.windowsExecutable;
        entry.shownName = fileNameOf(program.windowsExecutable);
    }
    return entry;
}

std::vector<RunningProgram> RunningPrograms::list(uid_t uid, const std::string& home, const fs::path& procRoot)
{
    std::vector<RunningProgram> out;
    std::set<std::string> links;
    std::error_code error;
    std::size_t seen = 0;
    for (fs::directory_iterator it(procRoot, error), end; !error && it != end && seen < kMaxProcesses;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.size() > 9 ||
            !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        ++seen;
        struct stat info { };
        if (::stat(it->path().c_str(), &info) != 0 || info.st_uid != uid)
            continue;
        const ProgramIdentity program = ProgramIdentity::ofProcess(static_cast<pid_t>(std::stol(name)), {}, procRoot);
        RunningProgram entry = entryOf(program, home);
        if (!entry.link.empty() && links.insert(entry.link).second)
            out.push_back(std::move(entry));
    }
    std::sort(out.begin(), out.end(),
              [](const RunningProgram& a, const RunningProgram& b) { return a.shownName < b.shownName; });
    return out;
}

}  // namespace corv
