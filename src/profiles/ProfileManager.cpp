#include "profiles/ProfileManager.h"

#include <cstdio>

#include "platform/AtomicFile.h"
#include "platform/FileNames.h"
#include "platform/IniEdit.h"
#include "platform/IniFile.h"
#include "platform/IniSnapshot.h"
#include "platform/Utf.h"
#include "profiles/ProfileIndex.h"

namespace corv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCountSection = "PROFILECOUNT";
constexpr const char* kNameSection = "PROFILENAME";
constexpr const char* kSelectSection = "PROFILESELECT";
constexpr const char* kLinkSection = "PROFILELIKEEXE";
constexpr const char* kProgramSection = "PROCESS";
constexpr const char* kUnlinked = " ";
constexpr std::string_view kExtension = ".pro";
// A damaged count must not make the program read for ever.
constexpr long kMaxProfiles = 10000;

}  // namespace

const char* profileResultMessage(ProfileResult result)
{
    switch (result) {
    case ProfileResult::Ok:
    case ProfileResult::NoSuchProfile:
        return nullptr;
    case ProfileResult::LastProfile:
        return kMsgKeepOneProfile;
    case ProfileResult::NameTaken:
        return kMsgProfileNameTaken;
    case ProfileResult::InvalidName:
        return kMsgProfileNameInvalid;
    case ProfileResult::LinkTaken:
        return kMsgProgramLinked;
    case ProfileResult::FileError:
        return kMsgProfileFileError;
    }
    return nullptr;
}

bool copyWholeFile(const fs::path& from, const fs::path& to)
{
    FileBytes bytes;
    if (readWholeFile(from, bytes) != ReadStatus::Ok)
        return false;
    return replaceFileAtomically(to, bytes.bytes);
}

ProfileManager::ProfileManager(fs::path dataFolder) : folder_(std::move(dataFolder)) { }

fs::path ProfileManager::fileOf(std::string_view name) const
{
    if (folder_.empty() || !isUsableFileName(name, kExtension))
        return {};
    return folder_ / (std::string(name) + std::string(kExtension));
}

std::vector<ProfileEntry> ProfileManager::entries(bool* skipped) const
{
    std::vector<ProfileEntry> out;
    if (skipped != nullptr)
        *skipped = false;
    if (folder_.empty())
        return out;
    // One read of the index for all its keys (the foreground switch asks on every change).
    const IniSnapshot index = IniSnapshot::load(folder_ / "msProfile.ini");
    const long count = std::min(ini::toLong(index.read(kCountSection, "count", "0")), kMaxProfiles);
    for (long i = 0; i < count; ++i) {
        const std::string key = std::to_string(i);
        ProfileEntry e;
        e.name = index.read(kNameSection, key, "");
        if (!isUsableFileName(e.name, kExtension)) {
            // A missing name would read as a profile "0" whose file "0.pro" may be another
            // profile's: such an entry is no profile.
            if (skipped != nullptr)
                *skipped = true;
            continue;
        }
        e.linkFlag = index.read(kLinkSection, key, "0");
        e.program = index.read(kProgramSection, key, kUnlinked);
        out.push_back(std::move(e));
    }
    return out;
}

long ProfileManager::selected() const
{
    return ini::toLong(ini::readString(folder_ / "msProfile.ini", kSelectSection, "select", "0"));
}

bool ProfileManager::repairIndex()
{
    bool skipped = false;
    const std::vector<ProfileEntry> all = entries(&skipped);
    return !skipped || writeIndex(all, std::min<long>(selected(), static_cast<long>(all.size()) - 1));
}

bool ProfileManager::writeIndex(const std::vector<ProfileEntry>& all, long select) const
{
    if (folder_.empty())
        return false;
    ini::IniEdit edit(folder_ / "msProfile.ini");
    edit.removeSection(kNameSection);
    edit.removeSection(kLinkSection);
    edit.removeSection(kProgramSection);
    edit.set(kCountSection, "count", std::to_string(all.size()));
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string key = std::to_string(i);
        edit.set(kNameSection, key, all[i].name);
        edit.set(kLinkSection, key, all[i].linkFlag);
        edit.set(kProgramSection, key, all[i].program);
    }
    edit.set(kSelectSection, "select", std::to_string(std::max(select, 0L)));
    return edit.commit();
}

bool ProfileManager::nameInUse(const std::vector<ProfileEntry>& all, std::string_view name) const
{
    for (const ProfileEntry& e : all) {
        if (utf::equalNoCase(e.name, name))
            return true;
    }
    return false;
}

ProfileResult ProfileManager::create(const fs::path& templateFile, std::string* name)
{
    std::vector<ProfileEntry> all = entries();
    std::string chosen;
    for (int n = 1;; ++n) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, kNewNamePattern, n);
        if (!nameInUse(all, buffer)) {
            chosen = buffer;
            break;
        }
    }
    const fs::path file = fileOf(chosen);
    // A missing template gives an empty profile, as on the first start.
    FileBytes bytes;
    readWholeFile(templateFile, bytes);
    if (file.empty() || !replaceFileAtomically(file, bytes.bytes))
        return ProfileResult::FileError;
    all.push_back(ProfileEntry{chosen});
    if (!writeIndex(all, selected()))
        return ProfileResult::FileError;
    if (name != nullptr)
        *name = chosen;
    return ProfileResult::Ok;
}

ProfileResult ProfileManager::copy(std::size_t i, std::string* name)
{
    std::vector<ProfileEntry> all = entries();
    if (i >= all.size())
        return ProfileResult::NoSuchProfile;
    std::string chosen = all[i].name + " copy";
    while (nameInUse(all, chosen))
        chosen += " copy";
    const fs::path file = fileOf(chosen);
    if (file.empty())
        return ProfileResult::InvalidName;  // the name grew too long for a file name
    if (!copyWholeFile(fileOf(all[i].name), file))
        return ProfileResult::FileError;
    all.push_back(ProfileEntry{chosen});  // a copy starts unlinked
    if (!writeIndex(all, selected())) {
        std::error_code ec;
        fs::remove(file, ec);
        return ProfileResult::FileError;
    }
    if (name != nullptr)
        *name = chosen;
    return ProfileResult::Ok;
}

ProfileResult ProfileManager::rename(std::size_t i, std::string_view newName)
{
    std::vector<ProfileEntry> all = entries();
    if (i >= all.size())
        return ProfileResult::NoSuchProfile;
    if (nameInUse(all, newName))
        return ProfileResult::NameTaken;  // the profile's own name too
    const fs::path to = fileOf(newName);
    if (to.empty())
        return ProfileResult::InvalidName;
    const fs::path from = fileOf(all[i].name);
    if (!copyWholeFile(from, to))
        return ProfileResult::FileError;
    all[i].name = std::string(newName);
    if (!writeIndex(all, selected())) {
        std::error_code ec;
        fs::remove(to, ec);
        return ProfileResult::FileError;
    }
    std::error_code ec;
    fs::remove(from, ec);
    return ProfileResult::Ok;
}

ProfileResult ProfileManager::remove(std::size_t i)
{
    std::vector<ProfileEntry> all = entries();
    if (all.size() <= 1)
        return ProfileResult::LastProfile;
    if (i >= all.size())
        return ProfileResult::NoSuchProfile;
    long select = selected();
    const fs::path file = fileOf(all[i].name);
    all.erase(all.begin() + static_cast<std::ptrdiff_t>(i));
    if (select == static_cast<long>(i))
        select = static_cast<long>(all.size()) - 1;
    else if (select > static_cast<long>(i))
        --select;
    if (!writeIndex(all, select))
        return ProfileResult::FileError;
    std::error_code ec;
    fs::remove(file, ec);
    return ProfileResult::Ok;
}

ProfileResult ProfileManager::importInto(std::size_t i, const fs::path& source)
{
    const std::vector<ProfileEntry> all = entries();
    if (i >= all.size())
        return ProfileResult::NoSuchProfile;
    return copyWholeFile(source, fileOf(all[i].name)) ? ProfileResult::Ok : ProfileResult::FileError;
}

ProfileResult ProfileManager::exportTo(std::size_t i, const fs::path& target) const
{
    const std::vector<ProfileEntry> all = entries();
    if (i >= all.size())
        return ProfileResult::NoSuchProfile;
    return copyWholeFile(fileOf(all[i].name), target) ? ProfileResult::Ok : ProfileResult::FileError;
}

ProfileResult ProfileManager::link(std::size_t i, std::string_view program, bool checkOthers)
{
    std::vector<ProfileEntry> all = entries();
    if (i >= all.size())
        return ProfileResult::NoSuchProfile;
    if (checkOthers && linkedTo(program))
        return ProfileResult::LinkTaken;
    all[i].linkFlag = "1";
    all[i].program = std::string(program);
    return writeIndex(all, selected()) ? ProfileResult::Ok : ProfileResult::FileError;
}

ProfileResult ProfileManager::unlink(std::size_t i)
{
    std::vector<ProfileEntry> all = entries();
    if (i >= all.size())
        return ProfileResult::NoSuchProfile;
    all[i].linkFlag = "0";
    all[i].program = kUnlinked;
    return writeIndex(all, selected()) ? ProfileResult::Ok : ProfileResult::FileError;
}

std::optional<std::size_t> ProfileManager::linkedTo(std::string_view program) const
{
    const std::vector<ProfileEntry> all = entries();
    for (std::size_t j = 0; j < all.size(); ++j) {
        if (all[j].linkFlag == "1" && utf::equalNoCase(all[j].program, program))
            return j;
    }
    return std::nullopt;
}

std::optional<std::size_t> ProfileManager::linkedToAppId(std::string_view appId) const
{
    if (appId.empty())
        return std::nullopt;
    const std::vector<ProfileEntry> all = entries();
    for (std::size_t j = 0; j < all.size(); ++j) {
        if (all[j].linkFlag == "1" && utf::equalNoCase(programFileName(all[j].program), appId))
            return j;
    }
    return std::nullopt;
}

}  // namespace corv
