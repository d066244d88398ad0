#include "platform/WlrToplevelList.h"

#include <cstring>

#include "platform/Utf.h"

namespace corv {

void WlrToplevelList::added(std::uint32_t id) { windows_[id] = Window{}; }

void WlrToplevelList::appIdChanged(std::uint32_t id, std::string_view appId)
{
    const auto it = windows_.find(id);
    if (it != windows_.end())
        it->second.pendingAppId = std::string(utf::truncateChars(appId, kMaxAppIdChars));
}

void WlrToplevelList::stateChanged(std::uint32_t id, const void* states, std::size_t bytes)
{
    const auto it = windows_.find(id);
    if (it == windows_.end())
        return;
    bool activated = false;
    const auto* raw = static_cast<const unsigned char*>(states);
    for (std::size_t at = 0; raw != nullptr && at + sizeof(std::uint32_t) <= bytes; at += sizeof(std::uint32_t)) {
        std::uint32_t state = 0;
        std::memcpy(&state, raw + at, sizeof(state));  // the array need not be aligned
        activated = activated || state == kActivated;
    }
    it->second.pendingActivated = activated;
}

void WlrToplevelList::done(std::uint32_t id)
{
    const auto it = windows_.find(id);
    if (it == windows_.end())
        return;
    Window& w = it->second;
    if (w.pendingActivated && !w.activated)
        w.activatedAt = ++activations_;
    w.activated = w.pendingActivated;
    w.appId = w.pendingAppId;
}

void WlrToplevelList::closed(std::uint32_t id) { windows_.erase(id); }

ForegroundProgram WlrToplevelList::front() const
{
    const Window* latest = nullptr;
    for (const auto& [id, w] : windows_) {
        if (w.activated && (latest == nullptr || w.activatedAt > latest->activatedAt))
            latest = &w;
    }
    ForegroundProgram program;
    if (latest != nullptr)
        program.appId = latest->appId;
    return program;
}

}  // namespace corv
