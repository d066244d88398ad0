#include "platform/X11ForegroundWatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/DebugLog.h"
#include "platform/XcbConnection.h"

#include <xcb/xcb.h>

namespace corv {

namespace {

template <typename T> using XcbPtr = xcb::Ptr<T>;
using xcb::connect;
using xcb::rootOfScreen;

constexpr std::string_view kDeletedSuffix = " (deleted)";

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

// The path the process was started from: the target of /proc/PID/exe, without the mark
// the kernel appends when that file was deleted or replaced since.
std::optional<std::string> executableOfProcess(std::uint32_t pid)
{
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return std::nullopt;
        if (static_cast<std::size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(n));
            if (path.ends_with(kDeletedSuffix))
                path.resize(path.size() - kDeletedSuffix.size());
            if (path.empty() || path.front() != '/')
                return std::nullopt;
            return path;
        }
        buffer.resize(buffer.size() * 2);  // the path may have been cut short: read it again
    }
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
    if (thread_.joinable())
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
    // Tell us of every property change on the root window. The mask is this connection's
    // own: the window manager's and other programs' selections are not touched.
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    XcbPtr<xcb_generic_error_t> maskError(
        root == XCB_WINDOW_NONE
            ? nullptr
            : xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask)));
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (root == XCB_WINDOW_NONE || active == XCB_ATOM_NONE || pid == XCB_ATOM_NONE || maskError || wakeFd < 0) {
        debugLine("foreground watcher: cannot watch the active window of " + displayName_);
        if (wakeFd >= 0)
            ::close(wakeFd);
        xcb_disconnect(c);
        return false;
    }

    connection_ = c;
    wakeFd_ = wakeFd;
    root_ = root;
    activeWindowAtom_ = active;
    pidAtom_ = pid;
    hostName_ = thisHost();
    callback_ = std::move(onForeground);
    lastReported_.clear();
    {
        std::lock_guard<std::mutex> guard(activityMutex_);
        sleeps_ = 0;
        wakeUps_ = 0;
        ended_ = false;
    }
    threadId_ = 0;
    thread_ = std::thread([this] { run(); });
    return true;
}

void X11ForegroundWatcher::stop()
{
    if (!thread_.joinable())
        return;
    const std::uint64_t one = 1;
    // An eventfd write of 1 cannot block or fail short of an overflow that a few stop
    // requests never reach.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof(one));
    thread_.join();
    ::close(wakeFd_);
    wakeFd_ = -1;
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
            if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                continue;
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
            if (notify->window == root_ && notify->atom == activeWindowAtom_)
                activeChanged = true;
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

        markAsleep();
        pollfd fds[2] = {{xFd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        markWakeUp();
        if (ready < 0 || (fds[1].revents & POLLIN) != 0)
            break;
        // A hung-up socket with nothing left to read would wake us forever; XCB notices
        // the end of the stream on its next read, and the check above ends the thread.
        if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0) {
            debugLine("foreground watcher: the X connection failed");
            break;
        }
    }
    markEnded();
}

void X11ForegroundWatcher::reportIfNew(bool always)
{
    const std::optional<std::string> path = foregroundExecutable();
    if (always) {
        lastReported_ = path.value_or(std::string());
    } else {
        if (!path || *path == lastReported_)
            return;
        lastReported_ = *path;
    }
    callback_(lastReported_);
}

std::optional<std::string> X11ForegroundWatcher::foregroundExecutable()
{
    xcb_connection_t* c = connection_;
    XcbPtr<xcb_get_property_reply_t> activeReply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, root_, activeWindowAtom_, XCB_ATOM_WINDOW, 0, 1), nullptr));
    const std::optional<std::uint32_t> window = firstItem(activeReply.get(), XCB_ATOM_WINDOW);
    if (!window || *window == XCB_WINDOW_NONE)
        return std::nullopt;

    // Both questions about the window go out before the first answer is awaited. A window
    // that is gone by now answers with an error, which comes back here as no reply.
    const xcb_get_property_cookie_t pidCookie = xcb_get_property(c, 0, *window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1);
    const xcb_get_property_cookie_t machineCookie =
        xcb_get_property(c, 0, *window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_GET_PROPERTY_TYPE_ANY, 0, 64);
    xcb_generic_error_t* error = nullptr;
    XcbPtr<xcb_get_property_reply_t> pidReply(xcb_get_property_reply(c, pidCookie, &error));
    std::free(error);
    error = nullptr;
    XcbPtr<xcb_get_property_reply_t> machineReply(xcb_get_property_reply(c, machineCookie, &error));
    std::free(error);

    const std::optional<std::uint32_t> pid = firstItem(pidReply.get(), XCB_ATOM_CARDINAL);
    if (!pid || *pid == 0)
        return std::nullopt;
    if (machineReply && machineReply->format == 8 && xcb_get_property_value_length(machineReply.get()) > 0) {
        const std::string_view machine(static_cast<const char*>(xcb_get_property_value(machineReply.get())),
                                       static_cast<std::size_t>(xcb_get_property_value_length(machineReply.get())));
        if (!hostName_.empty() && !sameHost(machine, hostName_))
            return std::nullopt;
    }
    return executableOfProcess(*pid);
}

void X11ForegroundWatcher::markAsleep()
{
    std::lock_guard<std::mutex> guard(activityMutex_);
    ++sleeps_;
    activityChanged_.notify_all();
}

void X11ForegroundWatcher::markWakeUp()
{
    std::lock_guard<std::mutex> guard(activityMutex_);
    ++wakeUps_;
    activityChanged_.notify_all();
}

void X11ForegroundWatcher::markEnded()
{
    std::lock_guard<std::mutex> guard(activityMutex_);
    ended_ = true;
    activityChanged_.notify_all();
}

std::uint64_t X11ForegroundWatcher::sleeps() const
{
    std::lock_guard<std::mutex> guard(activityMutex_);
    return sleeps_;
}

std::uint64_t X11ForegroundWatcher::wakeUps() const
{
    std::lock_guard<std::mutex> guard(activityMutex_);
    return wakeUps_;
}

bool X11ForegroundWatcher::ended() const
{
    std::lock_guard<std::mutex> guard(activityMutex_);
    return ended_;
}

bool X11ForegroundWatcher::waitForSleeps(std::uint64_t n, std::chrono::milliseconds bound) const
{
    std::unique_lock<std::mutex> lock(activityMutex_);
    return activityChanged_.wait_for(lock, bound, [&] { return sleeps_ >= n; });
}

bool X11ForegroundWatcher::waitUntilEnded(std::chrono::milliseconds bound) const
{
    std::unique_lock<std::mutex> lock(activityMutex_);
    return activityChanged_.wait_for(lock, bound, [&] { return ended_; });
}

}  // namespace corv
