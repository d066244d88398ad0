#include "platform/KwinScript.h"

#include <charconv>

namespace corv::kwin {

std::string script(std::string_view busName)
{
    std::string text = R"(// Written by the CORVALANTIS mouse utility; unloaded when it ends.
function corvalantisReport(window) {
    callDBus("@BUS@", "@PATH@", "@INTERFACE@", "@METHOD@",
             window ? String(window.pid) : "0", window ? String(window.resourceClass) : "");
}
if (workspace.windowActivated !== undefined) {
    workspace.windowActivated.connect(corvalantisReport);
    corvalantisReport(workspace.activeWindow);
} else {
    workspace.clientActivated.connect(corvalantisReport);
    corvalantisReport(workspace.activeClient);
}
)";
    const auto put = [&text](std::string_view mark, std::string_view value) {
        text.replace(text.find(mark), mark.size(), value);
    };
    // A unique bus name holds only ':', '.', '-', '_' and alphanumerics: nothing to escape.
    put("@BUS@", busName);
    put("@PATH@", kObjectPath);
    put("@INTERFACE@", kInterface);
    put("@METHOD@", kMethod);
    return text;
}

std::optional<ForegroundProgram> readCall(std::string_view sender, std::string_view kwinOwner, std::string_view pid,
                                          std::string_view resourceClass)
{
    if (kwinOwner.empty() || sender != kwinOwner)
        return std::nullopt;
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(pid.data(), pid.data() + pid.size(), value);
    if (pid.empty() || error != std::errc() || end != pid.data() + pid.size() || value > 0x7fffffff)
        return std::nullopt;
    if (value == 0)
        return ForegroundProgram{};
    return ForegroundProgram{{}, value, std::string(resourceClass)};
}

}  // namespace corv::kwin
