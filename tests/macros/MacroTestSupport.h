#pragma once
// Shared set-up of the macro tests: a scratch home folder (HOME and XDG_CONFIG_HOME point
// into it, so no file of the user is touched), its data folder, and helpers that write and
// read a library.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "../platform/ScopedEnv.h"
#include "../platform/TempFolder.h"
#include "macros/MacroFile.h"
#include "macros/MacroIndex.h"
#include "platform/AppPaths.h"

namespace corv::test {

class MacroLibraryTest : public ::testing::Test {
protected:
    TempFolder home;
    ScopedEnv homeEnv{"HOME", home.path().string()};
    ScopedEnv configEnv{"XDG_CONFIG_HOME", (home.path() / ".config").string()};
    std::filesystem::path folder = dataFolderPath();
    MacroIndex index{folder};

    std::filesystem::path macroFile(const std::string& name) const { return folder / (name + ".mac"); }

    // Writes the index with these names (nothing else).
    void writeIndex(const std::vector<std::string>& names) const
    {
        std::string text = "[MACROCOUNT]\ncount=" + std::to_string(names.size()) + "\n[MACRONAME]\n";
        for (std::size_t i = 0; i < names.size(); ++i)
            text += std::to_string(i) + "=" + names[i] + "\n";
        writeBytes(folder / "msMacro.ini", text);
    }
    void writeMacro(const std::string& name, const std::vector<std::string>& lines) const
    {
        ASSERT_TRUE(MacroFile::write(macroFile(name), lines)) << name;
    }

    // Every file under the home folder with its bytes, to show that nothing changed.
    std::map<std::string, std::string> snapshot() const
    {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::recursive_directory_iterator(home.path())) {
            if (e.is_regular_file())
                files[e.path().lexically_relative(home.path()).string()] = readBytes(e.path());
        }
        return files;
    }
};

// A key press, a delay, the release and a closing zero delay, as the recorder writes them.
inline std::vector<std::string> tap(const std::string& name, int usage, int delayUnits)
{
    return {"1," + std::to_string(usage) + ",202,1," + name, "0," + std::to_string(delayUnits) + ",0,1," + name,
            "1," + std::to_string(usage) + ",138,0," + name, "0,0,0,0," + name};
}

}  // namespace corv::test
