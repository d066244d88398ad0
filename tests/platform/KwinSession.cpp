#include "KwinSession.h"

#include <signal.h>
#include <stdlib.h>

namespace corv::test {

KwinSession::KwinSession(const std::string& socketName) : socket_(socketName)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "corv-kwin-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return;
    runtime_ = pattern;  // mkdtemp made it 0700, as a runtime folder must be
    std::error_code ec;
    std::filesystem::copy_file("/usr/bin/kwin_wayland", runtime_ / "kwin_wayland", ec);
    if (ec)
        return;
    runtimeDirEnv_.emplace("XDG_RUNTIME_DIR", runtime_.string());
    displayEnv_.emplace("WAYLAND_DISPLAY", socket_);
    qpaEnv_.emplace("QT_QPA_PLATFORM", std::nullopt);
    start();
}

KwinSession::~KwinSession()
{
    end();
    qpaEnv_.reset();
    displayEnv_.reset();
    runtimeDirEnv_.reset();
    if (!runtime_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(runtime_, ec);
    }
}

void KwinSession::start()
{
    kwin_ = std::make_unique<ChildProcess>(std::vector<std::string>{(runtime_ / "kwin_wayland").string(), "--virtual",
                                                                    "--no-lockscreen", "--no-global-shortcuts",
                                                                    "--socket", socket_});
}

void KwinSession::restart()
{
    end();
    start();
}

void KwinSession::end()
{
    if (kwin_ != nullptr)
        kwin_->end(SIGTERM);
}

bool KwinSession::call(GDBusConnection* c, const char* path, const char* interface, const char* method, GVariant* args)
{
    GVariant* reply = g_dbus_connection_call_sync(c, "org.kde.KWin", path, interface, method, args, nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    if (reply != nullptr)
        g_variant_unref(reply);
    return reply != nullptr;
}

}  // namespace corv::test
