#pragma once
// The foreground program on KDE Plasma (5.27 and 6, Wayland). The watcher has its own
// connection to the session bus and its own GLib loop on a thread of its own, asleep between
// calls. It serves kwin::kObjectPath, writes the script of KwinScript.h into
// $XDG_RUNTIME_DIR, and whenever org.kde.KWin has an owner (at start, and again after KWin
// restarted) unloads a script of the same name (left by a run that crashed), loads the
// script with org.kde.kwin.Scripting.loadScript and runs it. KWin then calls us with the pid
// and resource class of each window it activates; calls from any other sender are refused,
// and a pid of 0 is none. At stop the script is unloaded and its file removed.
#include <mutex>
#include <optional>
#include <string>

#include "platform/BusLoopThread.h"
#include "platform/ForegroundWatcher.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GVariant GVariant;

namespace corv {

class KwinForegroundWatcher final : public ForegroundWatcher {
public:
    // busAddress: the session bus (empty: sessionBusAddress()); scriptFolder: where the
    // script is written (empty: $XDG_RUNTIME_DIR).
    explicit KwinForegroundWatcher(std::string busAddress = {}, std::string scriptFolder = {});
    ~KwinForegroundWatcher() override;
    KwinForegroundWatcher(const KwinForegroundWatcher&) = delete;
    KwinForegroundWatcher& operator=(const KwinForegroundWatcher&) = delete;

    // False without a session bus or a folder for the script. KWin need not run yet.
    bool start(Callback onForeground) override;
    void stop() override;

    // The times the script was loaded (each start of KWin seen), for tests.
    int loads() const;

    // Called by GLib on the watcher's thread.
    void kwinAppeared(const std::string& owner);
    void kwinVanished();
    void methodCall(const char* sender, GVariant* parameters, GDBusMethodInvocation* invocation);

private:
    std::string serve(GDBusConnection* connection);
    void endService(bool served);
    void loadScript();
    void unloadScript();
    void report(const ForegroundProgram& program);

    std::string busAddress_;
    std::string scriptPath_;
    BusLoopThread thread_;
    GDBusConnection* connection_ = nullptr;  // the thread's, while it runs
    unsigned registration_ = 0;              // the thread's
    unsigned watch_ = 0;                     // the thread's
    Callback callback_;
    std::string kwinOwner_;
    int loadAttempts_ = 0;
    std::optional<ForegroundProgram> reported_;
    mutable std::mutex loadsMutex_;
    int loads_ = 0;
};

}  // namespace corv
