#include "platform/ProgramIdentity.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <system_error>

namespace corv {

namespace fs = std::filesystem;

namespace {

bool endsWithNoCase(std::string_view text, std::string_view end)
{
    if (text.size() < end.size())
        return false;
    return std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(b); });
}

bool allDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A NUL-separated file of /proc, read up to limit bytes; nothing when it cannot be read.
std::optional<std::vector<std::string>> readNulList(const fs::path& file, std::size_t limit)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes(limit, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos)
            end = bytes.size();  // cut by the limit: the last piece as far as it was read
        out.emplace_back(bytes, start, end - start);
        start = end + 1;
    }
    return out;
}

std::string environValue(const std::vector<std::string>& environ, std::string_view name)
{
    for (const std::string& entry : environ) {
        if (entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 && entry[name.size()] == '=')
            return entry.substr(name.size() + 1);
    }
    return {};
}

std::string baseName(std::string_view path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

bool ProgramIdentity::isWineLoader(std::string_view executable)
{
    const std::string name = baseName(executable);
    return name == "wine" || name == "wine64" || name == "wine-preloader" || name == "wine64-preloader";
}

std::string ProgramIdentity::windowsExecutableIn(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments) {
        if (endsWithNoCase(argument, ".exe"))
            return argument;
    }
    return {};
}

std::string ProgramIdentity::mapWindowsPath(std::string_view windowsPath, const fs::path& prefix)
{
    const std::string bare = baseName(windowsPath);
    const bool drive = windowsPath.size() >= 3 && std::isalpha(static_cast<unsigned char>(windowsPath[0])) &&
                       windowsPath[1] == ':' && (windowsPath[2] == '\\' || windowsPath[2] == '/');
    if (!drive)
        return bare;
    std::string rest(windowsPath.substr(3));
    std::replace(rest.begin(), rest.end(), '\\', '/');
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
    if (letter == 'z')
        return "/" + rest;
    if (prefix.empty())
        return bare;
    // dosdevices/c: is a link to the drive's folder (usually ../drive_c).
    const fs::path link = prefix / "dosdevices" / (std::string(1, letter) + ":");
    std::error_code error;
    fs::path target = fs::read_symlink(link, error);
    if (error)
        return bare;
    if (target.is_relative())
        target = link.parent_path() / target;
    return (target.lexically_normal() / rest).string();
}

std::string ProgramIdentity::steamAppOfWindowClass(std::string_view windowClass)
{
    constexpr std::string_view kPrefix = "steam_app_";
    if (windowClass.size() <= kPrefix.size())
        return {};
    for (std::size_t i = 0; i < kPrefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(windowClass[i])) != kPrefix[i])
            return {};
    }
    const std::string_view id = windowClass.substr(kPrefix.size());
    return allDigits(id) ? std::string(id) : std::string();
}

ProgramIdentity ProgramIdentity::ofAppId(const std::string& appId)
{
    ProgramIdentity identity;
    identity.windowClass = appId;
    identity.steamAppId = steamAppOfWindowClass(appId);
    identity.appIdOnly = true;
    return identity;
}

ProgramIdentity ProgramIdentity::ofProcess(pid_t pid, const std::string& windowClass, const fs::path& procRoot)
{
    ProgramIdentity identity;
    identity.windowClass = windowClass;
    identity.steamAppId = steamAppOfWindowClass(windowClass);
    if (pid <= 0)
        return identity;
    const fs::path process = procRoot / std::to_string(pid);
    std::error_code error;
    const fs::path exe = fs::read_symlink(process / "exe", error);
    if (error)
        return identity;  // gone, or not ours to read: matches by window class at most
    identity.executable = exe.string();
    const auto environ = readNulList(process / "environ", kMaxEnvironBytes);
    if (environ && identity.steamAppId.empty()) {
        identity.steamAppId = environValue(*environ, "SteamAppId");
        if (!allDigits(identity.steamAppId))
            identity.steamAppId = environValue(*environ, "SteamGameId");
        if (!allDigits(identity.steamAppId))
            identity.steamAppId.clear();
    }
    if (!isWineLoader(identity.executable))
        return identity;
    const auto arguments = readNulList(process / "cmdline", kMaxCmdlineBytes);
    if (!arguments)
        return identity;
    const std::string windowsPath = windowsExecutableIn(*arguments);
    if (windowsPath.empty())
        return identity;  // no .exe: not a Windows program we can name
    fs::path prefix;
    if (environ) {
        if (const std::string wine = environValue(*environ, "WINEPREFIX"); !wine.empty())
            prefix = wine;
        else if (const std::string steam = environValue(*environ, "STEAM_COMPAT_DATA_PATH"); !steam.empty())
            prefix = fs::path(steam) / "pfx";
        else if (const std::string home = environValue(*environ, "HOME"); !home.empty())
            prefix = fs::path(home) / ".wine";  // Wine's own default
    }
    identity.windowsExecutable = mapWindowsPath(windowsPath, prefix);
    return identity;
}

}  // namespace corv
