#include "profiles/ProfileIndex.h"

#include "platform/AppPaths.h"
#include "platform/IniFile.h"
#include "profiles/ProfileFile.h"

namespace corv {

std::filesystem::path ProfileIndex::path()
{
    const std::filesystem::path folder = dataFolderPath();
    return folder.empty() ? std::filesystem::path{} : folder / "msProfile.ini";
}

long ProfileIndex::count() { return ini::toLong(ini::readString(path(), "PROFILECOUNT", "count", "0")); }

std::string ProfileIndex::nameAt(long i) { return ini::readString(path(), "PROFILENAME", std::to_string(i), "0"); }

long ProfileIndex::selected() { return ini::toLong(ini::readString(path(), "PROFILESELECT", "select", "0")); }

bool ProfileIndex::writeSelected(long i)
{
    return ini::writeString(path(), "PROFILESELECT", "select", std::to_string(i));
}

std::filesystem::path ProfileIndex::selectedProfilePath()
{
    // A selection that names no entry would make up a profile called "0": take the first.
    long i = selected();
    if (i < 0 || i >= count())
        i = 0;
    return profilePath(nameAt(i));
}

std::string ProfileIndex::linkFlag(long i) { return ini::readString(path(), "PROFILELIKEEXE", std::to_string(i), "0"); }

std::string ProfileIndex::linkedProgram(long i) { return ini::readString(path(), "PROCESS", std::to_string(i), "0"); }

std::string programFileName(const std::string& programPath)
{
    const std::size_t cut = programPath.find_last_of("/\\");
    if (cut == std::string::npos)
        return {};
    return programPath.substr(cut + 1);
}

}  // namespace corv
