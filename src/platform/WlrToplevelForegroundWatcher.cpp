#include "platform/WlrToplevelForegroundWatcher.h"

#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/DebugLog.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace corv {

namespace {

// The newest version of the list we know; a newer compositor speaks this one with us.
constexpr std::uint32_t kNewestVersion = 3;
// A compositor answers its globals at once; one that does not must not hold the caller.
constexpr auto kAnswerBound = std::chrono::seconds(2);

std::uint32_t idOf(void* proxy) { return wl_proxy_get_id(static_cast<wl_proxy*>(proxy)); }

// Sends a sync and reads events until its answer: false when the compositor does not answer
// within the bound or the connection fails.
bool roundtrip(wl_display* display)
{
    bool answered = false;
    static const wl_callback_listener kAnswered{
        [](void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }};
    wl_callback* sync = wl_display_sync(display);
    wl_callback_add_listener(sync, &kAnswered, &answered);
    const auto deadline = std::chrono::steady_clock::now() + kAnswerBound;
    while (!answered) {
        if (wl_display_dispatch_pending(display) < 0)
            break;
        if (answered || wl_display_prepare_read(display) != 0)
            continue;
        if (wl_display_flush(display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display);
            break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd fd{wl_display_get_fd(display), POLLIN, 0};
        const int ready = left.count() > 0 ? ::poll(&fd, 1, static_cast<int>(left.count())) : 0;
        if (ready <= 0) {
            wl_display_cancel_read(display);
            if (ready < 0 && errno == EINTR)
                continue;
            break;
        }
        if (wl_display_read_events(display) < 0)
            break;
    }
    wl_callback_destroy(sync);
    return answered;
}

}  // namespace

// The compositor's events, each handed to the watcher that is the proxy's user data.
struct WlrToplevelForegroundWatcher::Events {
    using Self = WlrToplevelForegroundWatcher;
    static Self& self(void* data) { return *static_cast<Self*>(data); }

    static void global(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version)
    {
        if (interface != nullptr && std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
            self(data).managerName_ = name;
            self(data).managerVersion_ = version;
        }
    }
    static void globalRemove(void* data, wl_registry*, std::uint32_t name)
    {
        if (name == self(data).managerName_ && self(data).managerName_ != 0)
            self(data).finished_ = true;
    }

    static void toplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle)
    {
        Self& w = self(data);
        const std::uint32_t id = idOf(handle);
        w.handles_[id] = handle;
        w.windows_.added(id);
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleEvents, data);
    }
    static void finished(void* data, zwlr_foreign_toplevel_manager_v1*) { self(data).finished_ = true; }

    static void title(void*, zwlr_foreign_toplevel_handle_v1*, const char*) { }
    static void appId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId)
    {
        self(data).windows_.appIdChanged(idOf(handle), appId == nullptr ? "" : appId);
    }
    static void output(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) { }
    static void state(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* states)
    {
        if (states != nullptr)
            self(data).windows_.stateChanged(idOf(handle), states->data, states->size);
    }
    static void done(void* data, zwlr_foreign_toplevel_handle_v1* handle) { self(data).windows_.done(idOf(handle)); }
    static void closed(void* data, zwlr_foreign_toplevel_handle_v1* handle)
    {
        Self& w = self(data);
        const std::uint32_t id = idOf(handle);
        w.windows_.closed(id);
        w.handles_.erase(id);
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    }
    static void parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) { }

    static void listed(void* data, wl_callback* sync, std::uint32_t)
    {
        Self& w = self(data);
        w.listed_ = true;
        w.initialSync_ = nullptr;
        wl_callback_destroy(sync);
    }

    static constexpr wl_registry_listener kRegistryEvents{global, globalRemove};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerEvents{toplevel, finished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener kHandleEvents{title, appId, output, output,
                                                                            state, done,  closed, parent};
    static constexpr wl_callback_listener kListedEvents{listed};
};

WlrToplevelForegroundWatcher::WlrToplevelForegroundWatcher(std::string display) : display_(std::move(display)) { }

WlrToplevelForegroundWatcher::~WlrToplevelForegroundWatcher() { stop(); }

bool WlrToplevelForegroundWatcher::offered(const std::string& display)
{
    WlrToplevelForegroundWatcher probe(display);
    const bool found = probe.connect();
    probe.disconnect();
    return found;
}

bool WlrToplevelForegroundWatcher::connect()
{
    managerName_ = 0;
    managerVersion_ = 0;
    connection_ = wl_display_connect(display_.empty() ? nullptr : display_.c_str());
    const std::string where = display_.empty() ? std::string("WAYLAND_DISPLAY") : display_;
    if (connection_ == nullptr) {
        debugLine("foreground watcher: cannot connect to the Wayland compositor at " + where);
        return false;
    }
    registry_ = wl_display_get_registry(connection_);
    wl_registry_add_listener(registry_, &Events::kRegistryEvents, this);
    if (!roundtrip(connection_)) {
        debugLine("foreground watcher: the Wayland compositor at " + where + " does not answer");
        return false;
    }
    if (managerName_ == 0) {
        debugLine("foreground watcher: the Wayland compositor at " + where +
                  " offers no zwlr_foreign_toplevel_manager_v1");
        return false;
    }
    return true;
}

void WlrToplevelForegroundWatcher::disconnect()
{
    for (const auto& [id, handle] : handles_)
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    handles_.clear();
    windows_ = WlrToplevelList();
    if (initialSync_ != nullptr)
        wl_callback_destroy(initialSync_);
    initialSync_ = nullptr;
    if (manager_ != nullptr)
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    manager_ = nullptr;
    if (registry_ != nullptr)
        wl_registry_destroy(registry_);
    registry_ = nullptr;
    if (connection_ != nullptr)
        wl_display_disconnect(connection_);
    connection_ = nullptr;
}

bool WlrToplevelForegroundWatcher::start(Callback onForeground)
{
    if (thread_.running())
        return false;
    if (!connect()) {
        disconnect();
        return false;
    }
    manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        wl_registry_bind(registry_, managerName_, &zwlr_foreign_toplevel_manager_v1_interface,
                         std::min(managerVersion_, kNewestVersion)));
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &Events::kManagerEvents, this);
    // The windows open now come right after the bind; the answer to this sync follows them.
    initialSync_ = wl_display_sync(connection_);
    wl_callback_add_listener(initialSync_, &Events::kListedEvents, this);
    listed_ = false;
    finished_ = false;
    callback_ = std::move(onForeground);
    reported_.reset();
    if (!thread_.start([this] { run(); })) {
        disconnect();
        callback_ = nullptr;
        return false;
    }
    return true;
}

void WlrToplevelForegroundWatcher::stop()
{
    if (!thread_.running())
        return;
    thread_.stop();
    disconnect();
    callback_ = nullptr;
}

void WlrToplevelForegroundWatcher::report()
{
    // Reported once per batch of events read, so that the window losing the activation and
    // the one gaining it (two "done" events) make one change, not a passing none.
    const ForegroundProgram program = windows_.front();
    if (reported_ && *reported_ == program)
        return;
    reported_ = program;
    callback_(program);
}

void WlrToplevelForegroundWatcher::run()
{
    const int fd = wl_display_get_fd(connection_);
    for (;;) {
        if (wl_display_dispatch_pending(connection_) < 0)
            break;
        if (listed_)
            report();
        if (finished_) {
            debugLine("foreground watcher: the compositor ended its list of windows");
            return;
        }
        if (wl_display_prepare_read(connection_) != 0)
            continue;  // events came in meanwhile: dispatch them first
        // The few requests we send (the sync, destroying closed windows) are small; a full
        // socket buffer (EAGAIN) is flushed on the next turn.
        if (wl_display_flush(connection_) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(connection_);
            break;
        }
        if (thread_.wait({fd}) == WatcherThread::Stop) {
            wl_display_cancel_read(connection_);
            return;
        }
        if (wl_display_read_events(connection_) < 0)
            break;
    }
    const int error = wl_display_get_error(connection_);
    debugLine("foreground watcher: the Wayland connection ended (" + std::string(std::strerror(error)) + ")");
}

}  // namespace corv
