#pragma once
// The profile index "msProfile.ini" in the data folder: how many profiles there are, their
// names in list order, the selected one, and the programs linked to them. Every call reads
// or writes the file itself; nothing is cached.
#include <filesystem>
#include <string>

namespace corv {

class ProfileIndex {
public:
    // dataFolderPath() / "msProfile.ini"; empty when there is no data folder.
    static std::filesystem::path path();
    // [PROFILECOUNT] count.
    static long count();
    // [PROFILENAME] key i (default "0", as a missing entry has always read).
    static std::string nameAt(long i);
    // [PROFILESELECT] select (default 0).
    static long selected();
    static bool writeSelected(long i);
    // The file of the selected profile: the data folder, the name of entry `select`, ".pro";
    // entry 0 when `select` is outside the index.
    static std::filesystem::path selectedProfilePath();
    // [PROFILELIKEEXE] key i: whether the profile is linked to a program ("0" when not).
    static std::string linkFlag(long i);
    // [PROCESS] key i: the linked program's full path.
    static std::string linkedProgram(long i);
};

// The file name part of a program path ("/usr/bin/game" -> "game"). Both '/' and '\' count
// as folder separators. Empty when the text has no folder part at all.
std::string programFileName(const std::string& programPath);

}  // namespace corv
