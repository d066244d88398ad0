#include "platform/HyprlandIpc.h"

#include <filesystem>
#include <nlohmann/json.hpp>

namespace corv::hyprland {

namespace {
constexpr std::string_view kActiveWindow = "activewindowv2>>";
}

std::vector<std::string> LineSplitter::feed(std::string_view bytes)
{
    std::vector<std::string> lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (!skipping_) {
            partial_.append(piece);
            if (partial_.size() > kMaxLine) {
                partial_.clear();
                skipping_ = true;
            }
        }
        if (end == std::string_view::npos)
            break;
        if (!skipping_)
            lines.push_back(std::move(partial_));
        partial_.clear();
        skipping_ = false;
        bytes.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<std::string> activeWindowAddress(std::string_view line)
{
    if (!line.starts_with(kActiveWindow))
        return std::nullopt;
    std::string address(line.substr(kActiveWindow.size()));
    if (address == ",")
        address.clear();
    return address;
}

ForegroundProgram readActiveWindow(std::string_view json)
{
    const nlohmann::json window = nlohmann::json::parse(json.begin(), json.end(), nullptr, false);
    if (!window.is_object())
        return {};
    const auto pid = window.find("pid");
    if (pid == window.end() || !pid->is_number_integer())
        return {};
    const std::int64_t value = pid->get<std::int64_t>();
    if (value <= 0 || value > 0x7fffffff)
        return {};
    ForegroundProgram program;
    program.pid = static_cast<std::uint32_t>(value);
    const auto cls = window.find("class");
    if (cls != window.end() && cls->is_string())
        program.appId = cls->get<std::string>();
    return program;
}

std::string socketFolder(const std::string& runtimeDir, const std::string& signature)
{
    std::error_code ec;
    const std::filesystem::path modern = std::filesystem::path(runtimeDir) / "hypr" / signature;
    if (!runtimeDir.empty() && std::filesystem::is_directory(modern, ec))
        return modern.string();
    return (std::filesystem::path("/tmp/hypr") / signature).string();
}

}  // namespace corv::hyprland
