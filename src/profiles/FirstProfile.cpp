#include "profiles/FirstProfile.h"

#include <filesystem>
#include <fstream>

#include "profiles/ProfileFile.h"

namespace corv {

bool copyTemplateToProfile(std::string_view name)
{
    const std::filesystem::path to = profilePath(name);
    if (to.empty())
        return false;
    std::ifstream in(templatePath(), std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    if (in)
        out << in.rdbuf();
    return static_cast<bool>(out);
}

}  // namespace corv
