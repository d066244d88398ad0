#include "macros/MacroIndex.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <mutex>
#include <utility>

#include "macros/AtomicFile.h"
#include "platform/FileNames.h"
#include "platform/IniFile.h"
#include "platform/IniSnapshot.h"
#include "platform/Utf.h"

namespace corv {

namespace {

constexpr std::string_view kCountSection = "MACROCOUNT";
constexpr std::string_view kCountKey = "count";
constexpr std::string_view kNameSection = "MACRONAME";
constexpr std::string_view kCopySuffix = " copy";
// The tag of a macro file set aside while its removal is made.
constexpr std::string_view kRemovedTag = "removed";

bool entryExists(const std::filesystem::path& file)
{
    struct stat st { };
    return !file.empty() && ::lstat(file.c_str(), &st) == 0;
}

// Every change reads the index, changes the list and writes it back; the window's thread and
// the connection thread (which adds macros when it rebuilds the library) must not lose each
// other's changes.
std::mutex& changeMutex()
{
    static std::mutex m;
    return m;
}

bool containsName(const std::vector<std::string>& names, std::string_view name)
{
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return utf::equalNoCase(n, name); });
}

}  // namespace

MacroIndex::MacroIndex(std::filesystem::path dataFolder) : folder_(std::move(dataFolder)) { }

std::vector<std::string> MacroIndex::names() const
{
    const IniSnapshot ini = IniSnapshot::load(indexPath());
    const long count =
        std::clamp(ini::toLong(ini.read(kCountSection, kCountKey, "0")), 0L, static_cast<long>(kMaxMacros));
    return ini.numberedValues(kNameSection, static_cast<std::size_t>(count), "");
}

std::size_t MacroIndex::statedCount() const
{
    const long count = ini::toLong(IniSnapshot::load(indexPath()).read(kCountSection, kCountKey, "0"));
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

ReadStatus MacroIndex::readStatus() const { return IniSnapshot::load(indexPath()).status(); }

int MacroIndex::find(std::string_view name) const
{
    const std::vector<std::string> all = names();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (utf::equalNoCase(all[i], name))
            return static_cast<int>(i);
    }
    return -1;
}

bool MacroIndex::isValidName(std::string_view name) { return isUsableFileName(name, kExtension); }

std::filesystem::path MacroIndex::macroPath(std::string_view name) const
{
    if (!isValidName(name) || folder_.empty())
        return {};
    return folder_ / (std::string(name) + std::string(kExtension));
}

std::filesystem::path MacroIndex::macroPathAt(std::size_t index) const
{
    const std::vector<std::string> all = names();
    return index < all.size() ? macroPath(all[index]) : std::filesystem::path();
}

bool MacroIndex::writeNames(const std::vector<std::string>& names) const
{
    if (folder_.empty())
        return false;
    std::string text = "[" + std::string(kCountSection) + "]\n" + std::string(kCountKey) + "=" +
                       std::to_string(names.size()) + "\n[" + std::string(kNameSection) + "]\n";
    for (std::size_t i = 0; i < names.size(); ++i)
        text += std::to_string(i) + "=" + names[i] + "\n";
    return files::writeWholeFile(indexPath(), text);
}

MacroResult MacroIndex::addNew(std::string* name)
{
    std::lock_guard<std::mutex> guard(changeMutex());
    tidyLocked();
    std::vector<std::string> added;
    const MacroResult result = growLocked(names().size() + 1, &added);
    if (result == MacroResult::Ok && name != nullptr && !added.empty())
        *name = added.front();
    return result;
}

MacroResult MacroIndex::growTo(std::size_t total, std::vector<std::string>* added)
{
    std::lock_guard<std::mutex> guard(changeMutex());
    tidyLocked();
    return growLocked(total, added);
}

MacroResult MacroIndex::growLocked(std::size_t total, std::vector<std::string>* added)
{
    std::vector<std::string> all = names();
    if (all.size() >= total)
        return MacroResult::Ok;
    if (all.size() >= kMaxMacros)
        return MacroResult::LimitReached;
    const std::size_t target = std::min(total, kMaxMacros);
    std::vector<std::string> fresh;
    while (all.size() < target) {
        std::string candidate;
        for (int n = 1;; ++n) {
            candidate = std::string(kNewNamePrefix) + std::to_string(n);
            if (!containsName(all, candidate))
                break;
        }
        fresh.push_back(candidate);
        all.push_back(std::move(candidate));
    }
    if (!writeNames(all))
        return MacroResult::FileError;
    if (added != nullptr)
        *added = std::move(fresh);
    return total > kMaxMacros ? MacroResult::LimitReached : MacroResult::Ok;
}

void MacroIndex::tidy()
{
    std::lock_guard<std::mutex> guard(changeMutex());
    tidyLocked();
}

void MacroIndex::tidyLocked()
{
    if (folder_.empty())
        return;
    const std::vector<files::AbandonedSibling> abandoned = files::abandonedSiblings(folder_, kRemovedTag);
    if (abandoned.empty())
        return;
    const std::vector<std::string> all = names();
    for (const files::AbandonedSibling& aside : abandoned) {
        if (aside.original.empty())
            continue;  // cannot tell whose it was: kept
        const bool listed =
            std::any_of(all.begin(), all.end(), [&](const std::string& n) { return macroPath(n) == aside.original; });
        // Listed with no file: the removal never happened, the file goes back. Listed with a
        // file written since, or no longer listed: the set-aside copy is out of date.
        if (!listed || files::moveNoReplace(aside.path, aside.original) == files::MoveStatus::TargetExists)
            files::removeFile(aside.path);
    }
}

MacroResult MacroIndex::remove(std::size_t index)
{
    std::lock_guard<std::mutex> guard(changeMutex());
    tidyLocked();
    std::vector<std::string> all = names();
    if (index >= all.size())
        return MacroResult::NoSuchMacro;
    // The file is set aside first and only removed once the index no longer lists the
    // macro, so a failure on the way leaves both as they were.
    const std::filesystem::path file = macroPath(all[index]);
    std::filesystem::path aside;
    if (entryExists(file)) {
        aside = files::unusedSiblingName(file, kRemovedTag);
        if (aside.empty() || files::moveNoReplace(file, aside) != files::MoveStatus::Ok)
            return MacroResult::FileError;
    }
    all.erase(all.begin() + static_cast<std::ptrdiff_t>(index));
    if (!writeNames(all)) {
        if (!aside.empty())
            files::moveNoReplace(aside, file);
        return MacroResult::FileError;
    }
    if (!aside.empty())
        files::removeFile(aside);
    return MacroResult::Ok;
}

MacroResult MacroIndex::rename(std::size_t index, std::string_view newName)
{
    std::lock_guard<std::mutex> guard(changeMutex());
    tidyLocked();
    std::vector<std::string> all = names();
    if (index >= all.size())
        return MacroResult::NoSuchMacro;
    if (utf::equalNoCase(all[index], newName))
        return MacroResult::Unchanged;
    if (!isValidName(newName))
        return MacroResult::InvalidName;
    if (containsName(all, newName))
        return MacroResult::NameTaken;

    const std::filesystem::path from = macroPath(all[index]);
    const std::filesystem::path to = macroPath(newName);
    bool moved = false;
    if (entryExists(from)) {
        switch (files::moveNoReplace(from, to)) {
        case files::MoveStatus::Ok:
            moved = true;
            break;
        case files::MoveStatus::TargetExists:
            return MacroResult::TargetExists;
        case files::MoveStatus::SourceMissing:
            break;
        case files::MoveStatus::Failed:
            return MacroResult::FileError;
        }
    }
    // A file of the new name that is not this macro's would silently become its content.
    if (!moved && entryExists(to))
        return MacroResult::TargetExists;

    all[index] = std::string(newName);
    if (!writeNames(all)) {
        if (moved)
            files::moveNoReplace(to, from);
        return MacroResult::FileError;
    }
    return MacroResult::Ok;
}

MacroResult MacroIndex::copy(std::size_t index, std::string* copyName)
{
    std::lock_guard<std::mutex> guard(changeMutex());
    tidyLocked();
    std::vector<std::string> all = names();
    if (index >= all.size())
        return MacroResult::NoSuchMacro;
    if (all.size() >= kMaxMacros)
        return MacroResult::LimitReached;
    std::string candidate = all[index] + std::string(kCopySuffix);
    while (containsName(all, candidate)) {
        candidate += kCopySuffix;
        if (candidate.size() > NAME_MAX)
            return MacroResult::InvalidName;
    }
    if (!isValidName(candidate))
        return MacroResult::InvalidName;

    std::string bytes;
    const files::ReadStatus read = files::readWholeFile(macroPath(all[index]), bytes, kMaxFileBytes);
    if (read != files::ReadStatus::Ok && read != files::ReadStatus::Missing)
        return MacroResult::FileError;
    const std::filesystem::path target = macroPath(candidate);
    if (!files::writeWholeFile(target, bytes))
        return MacroResult::FileError;
    all.push_back(candidate);
    if (!writeNames(all)) {
        files::removeFile(target);
        return MacroResult::FileError;
    }
    if (copyName != nullptr)
        *copyName = std::move(candidate);
    return MacroResult::Ok;
}

MacroResult MacroIndex::importFile(std::size_t index, const std::filesystem::path& source)
{
    std::lock_guard<std::mutex> guard(changeMutex());
    tidyLocked();
    const std::vector<std::string> all = names();
    if (index >= all.size())
        return MacroResult::NoSuchMacro;
    const std::filesystem::path target = macroPath(all[index]);
    if (target.empty())
        return MacroResult::InvalidName;
    std::string bytes;
    if (files::readWholeFile(source, bytes, kMaxFileBytes) != files::ReadStatus::Ok)
        return MacroResult::SourceUnreadable;
    return files::writeWholeFile(target, bytes) ? MacroResult::Ok : MacroResult::FileError;
}

MacroResult MacroIndex::exportFile(std::size_t index, const std::filesystem::path& target) const
{
    const std::vector<std::string> all = names();
    if (index >= all.size())
        return MacroResult::NoSuchMacro;
    std::string bytes;
    const files::ReadStatus read = files::readWholeFile(macroPath(all[index]), bytes, kMaxFileBytes);
    if (read != files::ReadStatus::Ok && read != files::ReadStatus::Missing)
        return MacroResult::FileError;
    return files::writeWholeFile(target, bytes) ? MacroResult::Ok : MacroResult::FileError;
}

}  // namespace corv
