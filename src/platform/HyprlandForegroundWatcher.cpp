#include "platform/HyprlandForegroundWatcher.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "platform/DebugLog.h"
#include "platform/HyprlandIpc.h"
#include "platform/UnixSocket.h"

namespace corv {

namespace {
// The whole answer of a request; more is taken for a broken compositor.
constexpr std::size_t kMaxAnswer = 1 << 20;
}  // namespace

HyprlandForegroundWatcher::HyprlandForegroundWatcher(std::string socketFolder) : folder_(std::move(socketFolder)) { }

HyprlandForegroundWatcher::~HyprlandForegroundWatcher() { stop(); }

bool HyprlandForegroundWatcher::start(Callback onForeground)
{
    if (thread_.running())
        return false;
    events_ = unixsocket::connectTo(folder_ + "/.socket2.sock");
    if (events_ < 0) {
        debugLine("foreground watcher: Hyprland's event socket does not answer in " + folder_);
        return false;
    }
    callback_ = std::move(onForeground);
    reported_.reset();
    if (!thread_.start([this] { run(); })) {
        ::close(events_);
        events_ = -1;
        return false;
    }
    return true;
}

void HyprlandForegroundWatcher::stop()
{
    if (!thread_.running())
        return;
    thread_.stop();
    ::close(events_);
    events_ = -1;
    callback_ = nullptr;
}

ForegroundProgram HyprlandForegroundWatcher::askActiveWindow() const
{
    const int fd = unixsocket::connectTo(folder_ + "/.socket.sock");
    if (fd < 0)
        return {};
    // A compositor that does not answer must not hold the watcher for ever.
    const timeval bound{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof(bound));
    std::string answer;
    if (unixsocket::writeAll(fd, "j/activewindow")) {
        while (answer.size() < kMaxAnswer && unixsocket::readSome(fd, &answer)) { }
    }
    ::close(fd);
    return hyprland::readActiveWindow(answer);
}

void HyprlandForegroundWatcher::report(ForegroundProgram program)
{
    if (program.pid != 0)
        program.executable = executableOfProcess(program.pid);
    if (reported_ && *reported_ == program)
        return;
    reported_ = program;
    callback_(program);
}

void HyprlandForegroundWatcher::run()
{
    report(askActiveWindow());  // the window in front now
    hyprland::LineSplitter lines;
    std::string bytes;
    for (;;) {
        if (thread_.wait({events_}) == WatcherThread::Stop)
            return;
        bytes.clear();
        if (!unixsocket::readSome(events_, &bytes)) {
            debugLine("foreground watcher: Hyprland closed its event socket");
            return;
        }
        // Several changes read together make one question: the last one counts.
        std::optional<std::string> address;
        for (const std::string& line : lines.feed(bytes)) {
            if (auto a = hyprland::activeWindowAddress(line))
                address = std::move(a);
        }
        if (!address)
            continue;
        report(address->empty() ? ForegroundProgram{} : askActiveWindow());
    }
}

}  // namespace corv
