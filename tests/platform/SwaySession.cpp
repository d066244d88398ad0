#include "SwaySession.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace corv::test {

namespace {

constexpr const char* kTestUser = "corv-desktop-test";
// sway starts well within a second here; a loaded machine gets much longer.
constexpr int kReadyBoundMs = 60000;

}  // namespace

SwaySession::SwaySession(bool xwayland)
{
    uid_ = ::getuid();
    gid_ = ::getgid();
    if (uid_ == 0) {
        const passwd* user = ::getpwnam(kTestUser);
        if (user == nullptr) {
            error_ = std::string("no user ") + kTestUser + "; scripts/install-deps.sh creates it";
            return;
        }
        uid_ = user->pw_uid;
        gid_ = user->pw_gid;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "corv-sway-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        error_ = "cannot create a runtime folder";
        return;
    }
    runtimeDir_ = pattern;
    const std::string config = runtimeDir_ + "/config";
    const std::string ready = runtimeDir_ + "/ready";
    {
        std::ofstream out(config);
        out << "output HEADLESS-1 resolution 1280x720\n" << (xwayland ? "xwayland force\n" : "xwayland disable\n");
        // run once sway is up; its environment carries Xwayland's DISPLAY. Xwayland admits
        // only its own user: the test's user is let in once it accepts clients.
        const passwd* me = ::getpwuid(::getuid());
        const std::string admit = xwayland && me != nullptr ? std::string("until xhost +si:localuser:") + me->pw_name +
                                                                  " >/dev/null 2>&1; do sleep 0.05; done; "
                                                            : std::string();
        out << "exec sh -c '" << admit << "echo \"$DISPLAY\" > " << ready << "'\n";
    }
    if (::mkfifo(ready.c_str(), 0600) != 0 || ::chown(runtimeDir_.c_str(), uid_, gid_) != 0 ||
        ::chown(ready.c_str(), uid_, gid_) != 0 || ::chown(config.c_str(), uid_, gid_) != 0) {
        error_ = std::string("cannot prepare the runtime folder: ") + std::strerror(errno);
        return;
    }
    const int readyFd = ::open(ready.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    process_ = std::make_unique<ChildProcess>(asUser({"sway", "-c", config}));
    if (!process_->started()) {
        error_ = "cannot start sway (scripts/install-deps.sh installs it)";
        ::close(readyFd);
        return;
    }
    std::string line;
    for (;;) {
        pollfd fd{readyFd, POLLIN, 0};
        const int polled = ::poll(&fd, 1, kReadyBoundMs);
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0) {
            error_ = "sway did not start within 60 s";
            break;
        }
        char buffer[64];
        const ssize_t n = ::read(readyFd, buffer, sizeof(buffer));
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            break;
        line.append(buffer, static_cast<std::size_t>(n));
        if (line.find('\n') != std::string::npos)
            break;
    }
    ::close(readyFd);
    if (!error_.empty())
        return;
    xDisplay_ = line.substr(0, line.find('\n'));
    for (const auto& entry : std::filesystem::directory_iterator(runtimeDir_)) {
        if (entry.path().filename().string().starts_with("sway-ipc."))
            ipcSocket_ = entry.path().string();
    }
    if (ipcSocket_.empty())
        error_ = "sway made no IPC socket";
}

SwaySession::~SwaySession()
{
    if (process_)
        process_->end(SIGTERM);
    if (!runtimeDir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(runtimeDir_, ec);
    }
}

std::vector<std::string> SwaySession::asUser(std::vector<std::string> argv) const
{
    std::vector<std::string> full;
    if (::getuid() == 0)
        full = {"setpriv", "--reuid=" + std::to_string(uid_), "--regid=" + std::to_string(gid_), "--clear-groups"};
    for (const std::string& item :
         {std::string("env"), std::string("-u"), std::string("DISPLAY"), std::string("-u"), std::string("SWAYSOCK"),
          "XDG_RUNTIME_DIR=" + runtimeDir_, "HOME=" + runtimeDir_, std::string("WAYLAND_DISPLAY=wayland-1"),
          std::string("WLR_BACKENDS=headless"), std::string("WLR_LIBINPUT_NO_DEVICES=1"),
          std::string("WLR_RENDERER=pixman"), std::string("XDG_SESSION_TYPE=wayland")})
        full.push_back(item);
    full.insert(full.end(), argv.begin(), argv.end());
    return full;
}

std::unique_ptr<ChildProcess> SwaySession::startClient(const std::string& program, const std::vector<std::string>& args,
                                                       const std::string& copyAs)
{
    std::string path = program;
    if (!copyAs.empty()) {
        path = runtimeDir_ + "/" + copyAs;
        std::error_code ec;
        std::filesystem::copy_file(program, path, std::filesystem::copy_options::overwrite_existing, ec);
        if (ec || ::chown(path.c_str(), uid_, gid_) != 0)
            return nullptr;
    }
    std::vector<std::string> argv{path};
    argv.insert(argv.end(), args.begin(), args.end());
    return std::make_unique<ChildProcess>(asUser(argv));
}

bool SwaySession::command(const std::string& command)
{
    ChildProcess swaymsg({"swaymsg", "-s", ipcSocket_, command});
    return swaymsg.started() && swaymsg.waitForExit(30000) == 0;
}

}  // namespace corv::test
