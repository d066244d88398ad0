#include "platform/SwayIpc.h"

#include <cstring>
#include <nlohmann/json.hpp>

namespace corv::sway {

namespace {

using nlohmann::json;

constexpr std::string_view kMagic = "i3-ipc";
constexpr std::size_t kHeader = kMagic.size() + 8;
constexpr int kMaxDepth = 64;

json parse(std::string_view payload)
{
    // No exceptions: a malformed payload is a discarded value.
    return json::parse(payload.begin(), payload.end(), nullptr, false);
}

std::string stringField(const json& object, const char* name)
{
    const auto it = object.find(name);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::int64_t integerField(const json& object, const char* name)
{
    const auto it = object.find(name);
    return it != object.end() && it->is_number_integer() ? it->get<std::int64_t>() : 0;
}

bool flagField(const json& object, const char* name)
{
    const auto it = object.find(name);
    return it != object.end() && it->is_boolean() && it->get<bool>();
}

// A container of a window: its process and its app id (native) or class (Xwayland).
FocusNews windowOf(const json& con)
{
    FocusNews news;
    const std::int64_t pid = integerField(con, "pid");
    if (pid <= 0 || pid > 0x7fffffff) {
        news.kind = FocusNews::NoWindow;  // no process behind it: nothing of this machine
        return news;
    }
    news.kind = FocusNews::Window;
    news.container = integerField(con, "id");
    news.program.pid = static_cast<std::uint32_t>(pid);
    news.program.appId = stringField(con, "app_id");
    if (news.program.appId.empty()) {
        const auto props = con.find("window_properties");
        if (props != con.end() && props->is_object())
            news.program.appId = stringField(*props, "class");
    }
    return news;
}

bool hasChildren(const json& node)
{
    for (const char* list : {"nodes", "floating_nodes"}) {
        const auto it = node.find(list);
        if (it != node.end() && it->is_array() && !it->empty())
            return true;
    }
    return false;
}

const json* focusedNode(const json& node, int depth)
{
    if (!node.is_object() || depth > kMaxDepth)
        return nullptr;
    if (flagField(node, "focused"))
        return &node;
    for (const char* list : {"nodes", "floating_nodes"}) {
        const auto it = node.find(list);
        if (it == node.end() || !it->is_array())
            continue;
        for (const json& child : *it) {
            if (const json* found = focusedNode(child, depth + 1))
                return found;
        }
    }
    return nullptr;
}

}  // namespace

std::string encode(std::uint32_t type, std::string_view payload)
{
    std::string message(kMagic);
    const auto length = static_cast<std::uint32_t>(payload.size());
    message.append(reinterpret_cast<const char*>(&length), 4);
    message.append(reinterpret_cast<const char*>(&type), 4);
    message.append(payload);
    return message;
}

void Framer::feed(std::string_view bytes)
{
    if (!broken_)
        buffer_.append(bytes);
}

std::optional<Message> Framer::next()
{
    if (broken_ || buffer_.size() < kHeader)
        return std::nullopt;
    if (std::string_view(buffer_).substr(0, kMagic.size()) != kMagic) {
        broken_ = true;
        buffer_.clear();
        return std::nullopt;
    }
    std::uint32_t length = 0;
    Message m;
    std::memcpy(&length, buffer_.data() + kMagic.size(), 4);
    std::memcpy(&m.type, buffer_.data() + kMagic.size() + 4, 4);
    if (length > kMaxPayload) {
        broken_ = true;
        buffer_.clear();
        return std::nullopt;
    }
    if (buffer_.size() < kHeader + length)
        return std::nullopt;
    m.payload = buffer_.substr(kHeader, length);
    buffer_.erase(0, kHeader + length);
    return m;
}

FocusNews readWindowEvent(std::string_view payload)
{
    const json event = parse(payload);
    if (!event.is_object())
        return {};
    const std::string change = stringField(event, "change");
    const auto con = event.find("container");
    if (con == event.end() || !con->is_object())
        return {};
    if (change == "focus")
        return windowOf(*con);
    // The focused window went away: where the focus went is in the tree (a focus event of
    // the next window may follow, or none when the workspace is now empty).
    if (change == "close" && flagField(*con, "focused")) {
        FocusNews news;
        news.kind = FocusNews::AskTheTree;
        return news;
    }
    return {};
}

FocusNews readWorkspaceEvent(std::string_view payload)
{
    const json event = parse(payload);
    if (!event.is_object() || stringField(event, "change") != "focus")
        return {};
    const auto current = event.find("current");
    FocusNews news;
    if (current != event.end() && current->is_object() && !hasChildren(*current))
        news.kind = FocusNews::NoWindow;
    return news;
}

FocusNews readTree(std::string_view payload)
{
    const json tree = parse(payload);
    FocusNews news;
    news.kind = FocusNews::NoWindow;
    const json* focused = focusedNode(tree, 0);
    if (focused == nullptr)
        return news;
    const std::string type = stringField(*focused, "type");
    if (type != "con" && type != "floating_con")
        return news;  // a workspace or an output has the focus
    return windowOf(*focused);
}

}  // namespace corv::sway
