#include "platform/X11ForegroundWatcher.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/DebugLog.h"
#include "platform/XcbConnection.h"

#include <xcb/res.h>
#include <xcb/xcb.h>

namespace corv {

namespace {

template <typename T> using XcbPtr = xcb::Ptr<T>;
using xcb::connect;
using xcb::rootOfScreen;

xcb_atom_t internAtom(xcb_connection_t* c, std::string_view name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data());
    XcbPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The first 32-bit item of a property reply of the given type, if it has one.
std::optional<std::uint32_t> firstItem(const xcb_get_property_reply_t* reply, xcb_atom_t type)
{
    if (reply == nullptr || reply->type != type || reply->format != 32 || xcb_get_property_value_length(reply) < 4)
        return std::nullopt;
    std::uint32_t value = 0;
    std::memcpy(&value, xcb_get_property_value(reply), sizeof(value));
    return value;
}

std::string lowerFirstLabel(std::string_view host)
{
    std::string label(host.substr(0, host.find('.')));
    std::transform(label.begin(), label.end(), label.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return label;
}

// Host names compare by their first label without regard to case, so that a program that
// names this machine by its full domain name still counts as local.
bool sameHost(std::string_view a, std::string_view b) { return lowerFirstLabel(a) == lowerFirstLabel(b); }

std::string thisHost()
{
    char name[256] = {};
    if (::gethostname(name, sizeof(name) - 1) != 0)
        return {};
    return name;
}

}  // namespace

X11ForegroundWatcher::X11ForegroundWatcher(std::string displayName) : displayName_(std::move(displayName)) { }

X11ForegroundWatcher::~X11ForegroundWatcher() { stop(); }

bool X11ForegroundWatcher::canConnect(const std::string& displayName)
{
    int screen = 0;
    xcb_connection_t* c = connect(displayName, &screen);
    if (c == nullptr)
        return false;
    xcb_disconnect(c);
    return true;
}

bool X11ForegroundWatcher::start(Callback onForeground)
{
    if (thread_.running())
        return false;
    int screen = 0;
    xcb_connection_t* c = connect(displayName_, &screen);
    if (c == nullptr) {
        debugLine("foreground watcher: cannot open the X display " + displayName_);
        return false;
    }
    const xcb_window_t root = rootOfScreen(c, screen);
    const xcb_atom_t active = internAtom(c, "_NET_ACTIVE_WINDOW");
    const xcb_atom_t pid = internAtom(c, "_NET_WM_PID");
    // X-Resource 1.2 names the process of a window's client where the window does not.
    bool resources = false;
    if (const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_res_id); ext && ext->present) {
        XcbPtr<xcb_res_query_version_reply_t> version(
            xcb_res_query_version_reply(c, xcb_res_query_version(c, 1, 2), nullptr));
        resources =
            version && (version->server_major > 1 || (version->server_major == 1 && version->server_minor >= 2));
    }
    // Tell us of every property change on the root window. The mask is this connection's
    // own: the window manager's and other programs' selections are not touched.
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    XcbPtr<xcb_generic_error_t> maskError(
        root == XCB_WINDOW_NONE
            ? nullptr
            : xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask)));
    if (root == XCB_WINDOW_NONE || active == XCB_ATOM_NONE || pid == XCB_ATOM_NONE || maskError) {
        debugLine("foreground watcher: cannot watch the active window of " + displayName_);
        xcb_disconnect(c);
        return false;
    }

    connection_ = c;
    root_ = root;
    activeWindowAtom_ = active;
    pidAtom_ = pid;
    resources_ = resources;
    hostName_ = thisHost();
    callback_ = std::move(onForeground);
    lastReported_ = {};
    threadId_ = 0;
    if (!thread_.start([this] { run(); })) {
        debugLine("foreground watcher: no thread to watch " + displayName_ + " on");
        xcb_disconnect(connection_);
        connection_ = nullptr;
        callback_ = nullptr;
        return false;
    }
    return true;
}

void X11ForegroundWatcher::stop()
{
    if (!thread_.running())
        return;
    thread_.stop();
    xcb_disconnect(connection_);
    connection_ = nullptr;
    callback_ = nullptr;
}

void X11ForegroundWatcher::run()
{
    threadId_ = static_cast<int>(::gettid());
    reportIfNew(true);  // the first pass: whatever is in front now, even nothing

    const int xFd = xcb_get_file_descriptor(connection_);
    for (;;) {
        // Handle what XCB already holds before sleeping: events read along with the replies
        // of the last pass are not on the socket any more. Several changes in a row make
        // one pass.
        bool activeChanged = false;
        while (XcbPtr<xcb_generic_event_t> event{xcb_poll_for_event(connection_)}) {
            const std::uint8_t type = event->response_type & 0x7f;
            if (type == XCB_PROPERTY_NOTIFY) {
                const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
                if (notify->window == root_ && notify->atom == activeWindowAtom_)
                    activeChanged = true;
            } else if (type == XCB_DESTROY_NOTIFY) {
                // Some window managers (openbox) leave _NET_ACTIVE_WINDOW naming the last
                // window after it closed: the window in front is gone, so is its program.
                const auto* notify = reinterpret_cast<const xcb_destroy_notify_event_t*>(event.get());
                if (notify->window == watchedWindow_) {
                    watchedWindow_ = XCB_WINDOW_NONE;
                    activeChanged = true;
                }
            }
        }
        if (activeChanged) {
            reportIfNew(false);
            continue;
        }
        if (xcb_connection_has_error(connection_) != 0) {
            debugLine("foreground watcher: the connection to the X server was lost");
            break;
        }
        xcb_flush(connection_);
        // A hung-up socket wakes us too: XCB notices the end of the stream on its next read,
        // and the check above ends the thread.
        if (thread_.wait({xFd}) == WatcherThread::Stop)
            break;
    }
}

void X11ForegroundWatcher::reportIfNew(bool always)
{
    ForegroundProgram program = foregroundProgram();
    if (!always && program == lastReported_)
        return;
    lastReported_ = std::move(program);
    callback_(lastReported_);
}

std::uint32_t X11ForegroundWatcher::pidOfClient(std::uint32_t window)
{
    if (!resources_)
        return 0;
    xcb_connection_t* c = connection_;
    xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    XcbPtr<xcb_res_query_client_ids_reply_t> reply(
        xcb_res_query_client_ids_reply(c, xcb_res_query_client_ids(c, 1, &spec), nullptr));
    if (!reply)
        return 0;
    for (xcb_res_client_id_value_iterator_t it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem > 0;
         xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) == 0 ||
            xcb_res_client_id_value_value_length(it.data) < 1)
            continue;
        return *xcb_res_client_id_value_value(it.data);
    }
    return 0;
}

ForegroundProgram X11ForegroundWatcher::foregroundProgram()
{
    xcb_connection_t* c = connection_;
    XcbPtr<xcb_get_property_reply_t> activeReply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, root_, activeWindowAtom_, XCB_ATOM_WINDOW, 0, 1), nullptr));
    const std::optional<std::uint32_t> window = firstItem(activeReply.get(), XCB_ATOM_WINDOW);
    if (!window || *window == XCB_WINDOW_NONE)
        return {};  // no window in front: the desktop, or a native Wayland window under Xwayland

    // Told when the window is destroyed (our connection's own mask on it; a window already
    // gone answers with an error event, which the loop skips).
    if (*window != watchedWindow_) {
        const std::uint32_t none = 0;
        const std::uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        if (watchedWindow_ != XCB_WINDOW_NONE)
            xcb_change_window_attributes(c, watchedWindow_, XCB_CW_EVENT_MASK, &none);
        xcb_change_window_attributes(c, *window, XCB_CW_EVENT_MASK, &structure);
        watchedWindow_ = *window;
    }

    // The questions about the window go out before the first answer is awaited. A window
    // that is gone by now answers with an error, which comes back here as no reply.
    const xcb_get_property_cookie_t pidCookie = xcb_get_property(c, 0, *window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1);
    const xcb_get_property_cookie_t machineCookie =
        xcb_get_property(c, 0, *window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_GET_PROPERTY_TYPE_ANY, 0, 64);
    const xcb_get_property_cookie_t classCookie =
        xcb_get_property(c, 0, *window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64);
    xcb_generic_error_t* error = nullptr;
    XcbPtr<xcb_get_property_reply_t> pidReply(xcb_get_property_reply(c, pidCookie, &error));
    std::free(error);
    error = nullptr;
    XcbPtr<xcb_get_property_reply_t> machineReply(xcb_get_property_reply(c, machineCookie, &error));
    std::free(error);
    error = nullptr;
    XcbPtr<xcb_get_property_reply_t> classReply(xcb_get_property_reply(c, classCookie, &error));
    std::free(error);
    if (!pidReply)
        return {};  // the window is gone: whatever comes to the front next is reported then

    if (machineReply && machineReply->format == 8 && xcb_get_property_value_length(machineReply.get()) > 0) {
        const std::string_view machine(static_cast<const char*>(xcb_get_property_value(machineReply.get())),
                                       static_cast<std::size_t>(xcb_get_property_value_length(machineReply.get())));
        if (!hostName_.empty() && !sameHost(machine, hostName_))
            return {};  // its pid means nothing on this machine
    }
    ForegroundProgram program;
    program.pid = firstItem(pidReply.get(), XCB_ATOM_CARDINAL).value_or(0);
    if (program.pid == 0)
        program.pid = pidOfClient(*window);  // old toolkits set no _NET_WM_PID
    if (classReply && classReply->format == 8) {
        // WM_CLASS holds the instance name and the class name, each ended by a NUL.
        const std::string_view both(static_cast<const char*>(xcb_get_property_value(classReply.get())),
                                    static_cast<std::size_t>(xcb_get_property_value_length(classReply.get())));
        const std::size_t cut = both.find('\0');
        if (cut != std::string_view::npos) {
            const std::string_view rest = both.substr(cut + 1);
            program.appId = std::string(rest.substr(0, rest.find('\0')));
        }
    }
    if (program.pid != 0)
        program.executable = executableOfProcess(program.pid);
    return program;
}

}  // namespace corv
