#pragma once
// A private KWin (kwin_wayland --virtual) for one test or benchmark, in its own runtime
// folder. The installed kwin_wayland carries a file capability a container cannot grant, so a
// copy in that folder runs (named kwin_wayland: KWin's platform plugin insists on the name).
// While the session lives, XDG_RUNTIME_DIR and WAYLAND_DISPLAY name it and QT_QPA_PLATFORM
// is unset, so that KWin and the clients started meanwhile find it. KWin talks to the
// session bus of DBUS_SESSION_BUS_ADDRESS (a test::SessionBus). scripts/install-deps.sh
// installs KWin.
#include <gio/gio.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "ChildProcess.h"
#include "ScopedEnv.h"

namespace corv::test {

class KwinSession {
public:
    explicit KwinSession(const std::string& socketName);
    ~KwinSession();
    KwinSession(const KwinSession&) = delete;
    KwinSession& operator=(const KwinSession&) = delete;

    // Whether KWin was started (not: whether it is ready; its script's first report says so).
    bool started() const { return kwin_ != nullptr && kwin_->started(); }
    const std::filesystem::path& runtimeDir() const { return runtime_; }
    // Ends KWin (SIGTERM) and starts a new one on the same socket.
    void restart();
    // Ends KWin (SIGTERM).
    void end();

    // Calls a method of KWin that answers with nothing of interest; true when it answered.
    static bool call(GDBusConnection* c, const char* path, const char* interface, const char* method, GVariant* args);

private:
    void start();

    std::filesystem::path runtime_;
    std::string socket_;
    std::optional<ScopedEnv> runtimeDirEnv_;
    std::optional<ScopedEnv> displayEnv_;
    std::optional<ScopedEnv> qpaEnv_;
    std::unique_ptr<ChildProcess> kwin_;
};

}  // namespace corv::test
