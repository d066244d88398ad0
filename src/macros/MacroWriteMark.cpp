#include "macros/MacroWriteMark.h"

#include <sys/stat.h>

#include <string>

#include "macros/AtomicFile.h"

namespace corv {

MacroWriteMark::MacroWriteMark(std::filesystem::path dataFolder) : folder_(std::move(dataFolder)) { }

std::filesystem::path MacroWriteMark::path() const { return folder_ / kFileName; }

bool MacroWriteMark::isSet() const
{
    // A folder that cannot be looked into holds no mark: no write could have made one there
    // (a write fails to make its mark and does not begin).
    struct stat st { };
    return ::lstat(path().c_str(), &st) == 0;
}

bool MacroWriteMark::set(std::size_t macroCount, std::size_t imageLength) const
{
    if (isSet())
        return true;  // a write that did not finish is still to be made good: the mark stays as it is
    const std::string text =
        "[MACROWRITE]\nmacros=" + std::to_string(macroCount) + "\nbytes=" + std::to_string(imageLength) + "\n";
    return files::writeWholeFile(path(), text);
}

bool MacroWriteMark::clear() const { return files::removeFile(path()); }

}  // namespace corv
