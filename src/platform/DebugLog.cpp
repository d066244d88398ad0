#include "platform/DebugLog.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace corv {

bool debugEnabled()
{
    const char* value = std::getenv("CORV_DEBUG");
    return value != nullptr && value[0] != '\0';
}

void debugLine(std::string_view text)
{
    if (!debugEnabled())
        return;
    std::string line = "corvalantis: ";
    line.append(text);
    line.push_back('\n');
    // One write per line, so lines from several threads do not interleave.
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace corv
