#pragma once
// What the kill-trial writer writes in each generation g, shared by the writer and the
// checker: every key or line of one write carries g, so a file shows at once which write it
// holds, and whether it holds one write whole.
#include <cstdint>
#include <string>
#include <vector>

namespace corv::trials {

inline constexpr const char* kProfile = "p.pro";
inline constexpr const char* kMacro = "m.mac";
inline constexpr const char* kProfileIndex = "msProfile.ini";
inline constexpr int kMaxProfiles = 4;
inline constexpr std::size_t kLibrarySize = 3;

// The byte every LED and KEY key of the profile holds.
inline std::uint8_t profileByte(long g) { return static_cast<std::uint8_t>(g % 251); }
// The macro file's lines: 1 to 5 delays, each naming the generation.
inline std::vector<std::string> macroLines(long g)
{
    std::vector<std::string> lines;
    for (long i = 0; i <= g % 5; ++i)
        lines.push_back("0," + std::to_string(g % 256) + ",0,1,G" + std::to_string(g));
    return lines;
}
inline int profileCount(long g) { return static_cast<int>(1 + g % kMaxProfiles); }
inline std::string profileName(long g) { return "P" + std::to_string(g); }

}  // namespace corv::trials
