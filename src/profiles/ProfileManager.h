#pragma once
// The user's operations on the profile library: create, copy, rename, delete, import and
// export, and the link of a profile to a program. The index ("msProfile.ini") is rewritten
// whole and atomically by each operation, so names, links and the selection always move
// together; profile files are copied whole.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corv {

enum class ProfileResult {
    Ok,
    LastProfile,  // a delete would leave no profile
    NameTaken,    // another profile (or this one) has that name, without regard to case
    InvalidName,  // the name cannot be a file name
    LinkTaken,    // another profile is linked to that program
    NoSuchProfile,
    FileError,  // a file could not be read or written; nothing was changed
};

// The messages the page shows for the results.
inline constexpr const char* kMsgProfileNameTaken = "存在同名的配置，请重新命名";
inline constexpr const char* kMsgKeepOneProfile = "必须保留一个配置文件";
inline constexpr const char* kMsgProgramLinked = "另一个配置文件已链接到同一程序,请选择其他程序";
inline constexpr const char* kMsgProfileNameInvalid = "配置文件名不能用作文件名，请重新命名";
inline constexpr const char* kMsgProfileFileError = "配置文件无法读取或写入，没有做任何更改";
// The message of a result, or null for Ok.
const char* profileResultMessage(ProfileResult result);

struct ProfileEntry {
    std::string name;
    std::string linkFlag = "0";  // "1": linked (for switching); any other non-"0": shown linked
    std::string program = " ";   // the linked program's full path; " " when unlinked
};

class ProfileManager {
public:
    static constexpr const char* kNewNamePattern = "新配置文件%d";

    explicit ProfileManager(std::filesystem::path dataFolder);

    // The profiles of the index. An entry without a name, or with a name that cannot be a
    // file name (an index edited by hand), is left out; repairIndex() writes the index
    // without them.
    std::vector<ProfileEntry> entries(bool* skipped = nullptr) const;
    long selected() const;
    bool repairIndex();

    std::filesystem::path fileOf(std::string_view name) const;

    // "新配置文件N" with the smallest N not in use; its file is the template. The new
    // profile is the last one.
    ProfileResult create(const std::filesystem::path& templateFile, std::string* name = nullptr);
    // "B copy" (" copy" again while taken) of profile i, unlinked, as the last profile.
    ProfileResult copy(std::size_t i, std::string* name = nullptr);
    // The new file is written before the old one goes: a rename that cannot complete keeps
    // the old name everywhere. Links stay with the profile.
    ProfileResult rename(std::size_t i, std::string_view newName);
    // Removes profile i and its file. The other profiles keep their links; the selection
    // follows its profile, and becomes the last one when its own profile was deleted.
    ProfileResult remove(std::size_t i);
    // Replaces profile i's file by source (the name stays).
    ProfileResult importInto(std::size_t i, const std::filesystem::path& source);
    ProfileResult exportTo(std::size_t i, const std::filesystem::path& target) const;

    // Links profile i to program. With checkOthers, a program already linked to a profile
    // (this one included) is refused with LinkTaken and nothing changes.
    ProfileResult link(std::size_t i, std::string_view program, bool checkOthers);
    ProfileResult unlink(std::size_t i);
    // The lowest profile linked (flag "1") to program, paths compared without regard to case.
    std::optional<std::size_t> linkedTo(std::string_view program) const;
    // The lowest profile whose linked program's file name is appId, without regard to case:
    // for desktops that name the program in front only by its app id (no pid, no path).
    std::optional<std::size_t> linkedToAppId(std::string_view appId) const;

private:
    bool writeIndex(const std::vector<ProfileEntry>& entries, long select) const;
    bool nameInUse(const std::vector<ProfileEntry>& entries, std::string_view name) const;
    std::filesystem::path folder_;
};

// Copies a file whole (the target is replaced atomically). False when the source cannot be
// read or the target cannot be written; the target is then unchanged.
bool copyWholeFile(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace corv
