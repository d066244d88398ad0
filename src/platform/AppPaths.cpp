#include "platform/AppPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/IniSyntax.h"

namespace corv {

namespace {

namespace fs = std::filesystem;

constexpr const char* kDataFolderName = "CORVALANTIS R210R240 Driver";

#ifndef CORV_SHARE_FROM_BIN
#define CORV_SHARE_FROM_BIN "../share/corvalantis"  // the installed layout: bin/ and share/corvalantis/
#endif

fs::path homeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    struct passwd pw { };
    struct passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &result) == 0 && result != nullptr &&
        result->pw_dir != nullptr && result->pw_dir[0] != '\0')
        return result->pw_dir;
    return {};
}

fs::path configFolderOf(const fs::path& home)
{
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
        return xdg;
    if (!home.empty())
        return home / ".config";
    return {};
}

// The value of a user-dirs.dirs line XDG_DOCUMENTS_DIR="..." with a leading $HOME
// expanded; empty when the line is not usable (relative path, malformed quoting).
fs::path parseUserDirValue(std::string_view value, const fs::path& home)
{
    std::string text;
    if (!value.empty() && value.front() == '"') {
        // Shell-like double-quoted string; a backslash escapes the next character.
        std::size_t i = 1;
        bool closed = false;
        for (; i < value.size(); ++i) {
            const char c = value[i];
            if (c == '\\' && i + 1 < value.size()) {
                text.push_back(value[++i]);
            } else if (c == '"') {
                closed = true;
                break;
            } else {
                text.push_back(c);
            }
        }
        if (!closed)
            return {};
    } else {
        text = std::string(value);
    }
    const std::string_view homeVar = "$HOME";
    if (text.compare(0, homeVar.size(), homeVar) == 0 &&
        (text.size() == homeVar.size() || text[homeVar.size()] == '/')) {
        if (home.empty())
            return {};
        const std::string rest = text.substr(homeVar.size());
        return fs::path(home.string() + rest);
    }
    if (text.empty() || text.front() != '/')
        return {};
    return fs::path(text);
}

fs::path documentsFromUserDirs(const fs::path& home)
{
    const fs::path configHome = configFolderOf(home);
    if (configHome.empty())
        return {};
    std::ifstream in(configHome / "user-dirs.dirs");
    if (!in)
        return {};
    // Like a shell sourcing the file, the last usable assignment counts.
    fs::path found;
    std::string line;
    while (std::getline(in, line)) {
        std::string_view l = ini::trimLine(line);
        if (l.empty() || l.front() == '#')
            continue;
        const std::string_view key = "XDG_DOCUMENTS_DIR";
        if (l.substr(0, key.size()) != key)
            continue;
        l.remove_prefix(key.size());
        l = ini::trimLine(l);
        if (l.empty() || l.front() != '=')
            continue;
        l.remove_prefix(1);
        if (fs::path value = parseUserDirValue(ini::trimLine(l), home); !value.empty())
            found = std::move(value);
    }
    return found;
}

fs::path withTrailingSeparator(const fs::path& p)
{
    if (p.empty())
        return p;
    return p / "";
}

std::mutex& overrideMutex()
{
    static std::mutex m;
    return m;
}

fs::path& resourceOverride()
{
    static fs::path folder;
    return folder;
}

}  // namespace

fs::path configFolder() { return configFolderOf(homeFolder()); }

fs::path documentsFolder()
{
    const fs::path home = homeFolder();
    fs::path docs = documentsFromUserDirs(home);
    if (docs.empty() && !home.empty())
        docs = home / "Documents";
    return docs;
}

fs::path dataFolderPath()
{
    const fs::path docs = documentsFolder();
    if (docs.empty())
        return {};
    const fs::path folder = docs / kDataFolderName / "";
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        fs::create_directories(folder, ec);  // a failure shows in the file operations that follow
    return folder;
}

fs::path programFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty())
        return {};
    return withTrailingSeparator(exe.parent_path());
}

fs::path resourceFolder()
{
    {
        std::lock_guard<std::mutex> guard(overrideMutex());
        if (!resourceOverride().empty())
            return resourceOverride();
    }
    const fs::path program = programFolder();
    if (program.empty())
        return program;
    std::error_code ec;
    if (fs::exists(program / "default.pro", ec) || fs::is_directory(program / "skin", ec))
        return program;
    const fs::path installed = (program / CORV_SHARE_FROM_BIN / "").lexically_normal();
    if (fs::is_directory(installed, ec))
        return installed;
    return program;
}

void setResourceFolderOverride(const fs::path& folder)
{
    std::lock_guard<std::mutex> guard(overrideMutex());
    resourceOverride() = withTrailingSeparator(folder);
}

}  // namespace corv
