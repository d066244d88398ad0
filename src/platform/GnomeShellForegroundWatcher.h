#pragma once
// The foreground program on GNOME Shell (43 to 48, Wayland). GNOME lets no ordinary client see
// the windows, so our shell extension (GnomeShellExtension.h) tells: it emits FocusChanged
// from the shell's own connection each time the focus moves. The watcher has its own
// connection to the session bus and its own GLib loop on a thread of its own, asleep between
// signals. It hears FocusChanged only from the unique name that owns org.gnome.Shell (a new
// owner after the shell restarted), and each time the shell appears it asks the extension for
// the window in front (Current) and the shell for the extension's state (GetExtensionInfo,
// then ExtensionStateChanged). A pid of 0 is none. When the extension is missing or off, it
// says once how to enable it. Until the extension reports, and again once the shell says it was
// turned off, a fallback watcher (the X11 one on Xwayland: it sees the X11 programs, games under
// Wine among them) tells instead; without one, that time is none. The shell gone is none.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/BusLoopThread.h"
#include "platform/ForegroundWatcher.h"
#include "platform/GnomeShellExtension.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GCancellable GCancellable;
typedef struct _GVariant GVariant;

namespace corv {

class GnomeShellForegroundWatcher final : public ForegroundWatcher {
public:
    // busAddress: the session bus (empty: sessionBusAddress()); fallback: the watcher that
    // tells while the extension does not (may be null).
    explicit GnomeShellForegroundWatcher(std::string busAddress = {},
                                         std::unique_ptr<ForegroundWatcher> fallback = nullptr);
    ~GnomeShellForegroundWatcher() override;
    GnomeShellForegroundWatcher(const GnomeShellForegroundWatcher&) = delete;
    GnomeShellForegroundWatcher& operator=(const GnomeShellForegroundWatcher&) = delete;

    // False without a session bus. The shell need not run yet.
    bool start(Callback onForeground) override;
    void stop() override;
    std::string missingExtension() const override;

    // What the shell last said of the extension (Unknown before it answered), and the uuid
    // asked for (the form that the running shell loads). Any thread.
    gnomeshell::ExtensionState extensionState() const;
    std::string extensionUuid() const;
    // The times the watcher said how to enable the extension (at most once), for tests.
    int enableHintsGiven() const;

    // Called by GLib on the watcher's thread.
    void shellAppeared(const std::string& owner);
    void shellVanished();
    void signalArrived(const char* sender, const char* interface, const char* member, GVariant* parameters);
    void versionAnswered(unsigned generation, GVariant* answer);
    void infoAnswered(unsigned generation, GVariant* answer);
    void currentAnswered(unsigned generation, GVariant* answer);
    void callFinished();

private:
    std::string serve(GDBusConnection* connection);
    void endService();
    void call(const char* destination, const char* path, const char* interface, const char* method, GVariant* args,
              const char* replyType, void (GnomeShellForegroundWatcher::*answered)(unsigned, GVariant*));
    void setState(gnomeshell::ExtensionState state);
    // The extension reported: the fallback stops and the extension's reports count.
    void extensionReports();
    // The shell says the extension is off: it will not tell any more.
    void extensionStopped();
    void startFallback();
    // fromExtension: a report of the extension (or of the shell's absence), else the fallback's.
    // Each side counts only while it is the one that tells.
    void report(const ForegroundProgram& program, bool fromExtension);

    std::string busAddress_;
    BusLoopThread thread_;
    GDBusConnection* connection_ = nullptr;  // the thread's, while it runs
    GCancellable* cancellable_ = nullptr;    // the calls in flight, cancelled at stop
    unsigned focusSubscription_ = 0;         // the thread's
    unsigned stateSubscription_ = 0;         // the thread's
    unsigned watch_ = 0;                     // the thread's
    Callback callback_;
    std::string shellOwner_;
    unsigned generation_ = 0;           // counts the shell's appearances: answers to an older one are dropped
    unsigned long ignoredSignals_ = 0;  // FocusChanged from others than the shell
    int pendingCalls_ = 0;              // calls in flight
    std::unique_ptr<ForegroundWatcher> fallback_;
    bool fallbackRunning_ = false;  // the watcher's thread's, and start()/stop()'s
    std::mutex reportMutex_;        // reports come from the fallback's thread too
    bool extensionHeard_ = false;
    std::optional<ForegroundProgram> reported_;
    mutable std::mutex stateMutex_;
    gnomeshell::ExtensionState state_ = gnomeshell::ExtensionState::Unknown;
    std::string uuid_;
    int hints_ = 0;
};

}  // namespace corv
