#include "platform/Autostart.h"

#include <string>
#include <system_error>
#include <utility>

#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/IniSyntax.h"

namespace corv {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxEntryBytes = 64 * 1024;

// The value of key in the [Desktop Entry] group, or nothing.
std::string entryValue(std::string_view text, std::string_view key)
{
    bool inGroup = false;
    std::string value;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = ini::trimLine(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inGroup)
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || ini::trimLine(line.substr(0, eq)) != key)
            continue;
        value = std::string(ini::trimLine(line.substr(eq + 1)));
    }
    return value;
}

}  // namespace

fs::path autostartFolder()
{
    const fs::path config = configFolder();
    return config.empty() ? config : config / "autostart";
}

std::string desktopExecArgument(std::string_view argument)
{
    bool quote = argument.empty();
    for (const char c : argument) {
        switch (c) {
        case ' ':
        case '\t':
        case '\n':
        case '"':
        case '\'':
        case '\\':
        case '>':
        case '<':
        case '~':
        case '|':
        case '&':
        case ';':
        case '$':
        case '*':
        case '?':
        case '#':
        case '(':
        case ')':
        case '`':
            quote = true;
            break;
        default:
            break;
        }
    }
    std::string exec;
    if (quote)
        exec.push_back('"');
    for (const char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            exec.push_back('\\');
        if (c == '%')
            exec.push_back('%');
        exec.push_back(c);
    }
    if (quote)
        exec.push_back('"');
    // The file's own escape: every backslash of the Exec value is written twice.
    std::string value;
    for (const char c : exec) {
        if (c == '\\')
            value.push_back('\\');
        value.push_back(c);
    }
    return value;
}

Autostart::Autostart(fs::path folder, fs::path program)
    : folder_(std::move(folder)), entry_(folder_.empty() ? fs::path() : folder_ / kEntryName),
      program_(std::move(program))
{ }

Autostart Autostart::forCurrentUser()
{
    const fs::path folder = programFolder();
    return Autostart(autostartFolder(), folder.empty() ? fs::path("corvalantis") : folder / "corvalantis");
}

bool Autostart::isEnabled() const
{
    if (entry_.empty())
        return false;
    FileBytes file;
    if (readWholeFile(entry_, file, kMaxEntryBytes) != ReadStatus::Ok)
        return false;
    return entryValue(file.bytes, "Hidden") != "true" && entryValue(file.bytes, "X-GNOME-Autostart-enabled") != "false";
}

std::string Autostart::entryText() const
{
    // The program always starts hidden in the tray, so the entry needs no option for it.
    std::string text;
    text += "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=CORVALANTIS R210/R240\n";
    text += "Comment=Mouse settings in the tray\n";
    text += "Exec=" + desktopExecArgument(program_.string()) + "\n";
    text += "Icon=corvalantis\n";
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

bool Autostart::enable() const
{
    if (entry_.empty())
        return false;
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (!fs::is_directory(folder_, ec))
        return false;
    return replaceFileAtomically(entry_, entryText());
}

bool Autostart::disable() const
{
    if (entry_.empty())
        return true;
    std::error_code ec;
    fs::remove(entry_, ec);
    return !fs::exists(fs::symlink_status(entry_, ec));
}

}  // namespace corv
