#include "platform/SwayForegroundWatcher.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/DebugLog.h"
#include "platform/SwayIpc.h"
#include "platform/UnixSocket.h"

namespace corv {

SwayForegroundWatcher::SwayForegroundWatcher(std::string socketPath) : socketPath_(std::move(socketPath))
{
    if (socketPath_.empty()) {
        const char* fromEnv = std::getenv("SWAYSOCK");
        socketPath_ = fromEnv == nullptr ? "" : fromEnv;
    }
}

SwayForegroundWatcher::~SwayForegroundWatcher() { stop(); }

bool SwayForegroundWatcher::start(Callback onForeground)
{
    if (thread_.running())
        return false;
    const int fd = unixsocket::connectTo(socketPath_);
    if (fd < 0) {
        debugLine("foreground watcher: sway's IPC socket does not answer: " + socketPath_);
        return false;
    }
    // The workspace events tell of an empty workspace in front; the tree gives the window
    // in front now.
    if (!unixsocket::writeAll(fd, sway::encode(sway::kSubscribe, R"(["window","workspace"])")) ||
        !unixsocket::writeAll(fd, sway::encode(sway::kGetTree, ""))) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    callback_ = std::move(onForeground);
    reported_.reset();
    if (!thread_.start([this] { run(); })) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

void SwayForegroundWatcher::stop()
{
    if (!thread_.running())
        return;
    thread_.stop();
    ::close(fd_);
    fd_ = -1;
    callback_ = nullptr;
}

void SwayForegroundWatcher::run()
{
    sway::Framer framer;
    std::string bytes;
    for (;;) {
        if (thread_.wait({fd_}) == WatcherThread::Stop)
            return;
        bytes.clear();
        if (!unixsocket::readSome(fd_, &bytes)) {
            debugLine("foreground watcher: sway closed its IPC socket");
            return;
        }
        framer.feed(bytes);
        while (std::optional<sway::Message> m = framer.next()) {
            switch (m->type) {
            case sway::kGetTree:
                take(sway::readTree(m->payload));
                break;
            case sway::kWindowEvent:
                take(sway::readWindowEvent(m->payload));
                break;
            case sway::kWorkspaceEvent:
                take(sway::readWorkspaceEvent(m->payload));
                break;
            case sway::kSubscribe:
                if (m->payload.find("true") == std::string::npos) {
                    debugLine("foreground watcher: sway refused the subscription: " + m->payload);
                    return;
                }
                break;
            default:
                break;
            }
        }
        if (framer.broken()) {
            debugLine("foreground watcher: sway's IPC stream is broken");
            return;
        }
    }
}

void SwayForegroundWatcher::take(const sway::FocusNews& news)
{
    ForegroundProgram program;
    switch (news.kind) {
    case sway::FocusNews::Nothing:
        return;
    case sway::FocusNews::AskTheTree:
        if (!unixsocket::writeAll(fd_, sway::encode(sway::kGetTree, "")))
            debugLine("foreground watcher: cannot ask sway for its tree");
        return;
    case sway::FocusNews::NoWindow:
        break;
    case sway::FocusNews::Window:
        program = news.program;
        program.executable = executableOfProcess(program.pid);
        break;
    }
    if (reported_ && *reported_ == program)
        return;
    reported_ = program;
    callback_(program);
}

}  // namespace corv
