#pragma once
// Plays GNOME Shell with our extension on a private session bus, for the GNOME watcher's tests
// and benchmark: a connection of its own, served by a thread of its own, that takes
// org.gnome.Shell at once and answers ShellVersion, GetExtensionInfo and (while the extension
// runs) the extension's Current, and emits FocusChanged and ExtensionStateChanged on demand.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/BusLoopThread.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusNodeInfo GDBusNodeInfo;
typedef struct _GVariant GVariant;

namespace corv::test {

class FakeGnomeShell {
public:
    // extensionState: the state GetExtensionInfo gives (nothing: a uuid it does not know);
    // extensionRuns: Current is served, with pid and appId.
    FakeGnomeShell(const std::string& busAddress, std::string version, std::optional<double> extensionState,
                   bool extensionRuns, std::uint32_t pid = 0, std::string appId = {});
    ~FakeGnomeShell();
    FakeGnomeShell(const FakeGnomeShell&) = delete;
    FakeGnomeShell& operator=(const FakeGnomeShell&) = delete;

    // A client connection of the bus (null when it cannot connect); the caller unrefs it.
    static GDBusConnection* connectTo(const std::string& busAddress);

    bool owns() const { return owns_; }
    // Gives org.gnome.Shell up, and keeps the connection (a shell on its way out).
    bool release();

    // Emitted and flushed to the bus before they return.
    void focus(std::uint32_t pid, const char* appId);
    void stateChanged(const char* uuid, double state);

    // Called by GDBus on the shell's thread.
    GVariant* answer(const char* method) const;
    GVariant* shellVersion() const;

private:
    bool nameCall(const char* method, GVariant* args);
    void emit(const char* path, const char* interface, const char* name, GVariant* args);

    std::string version_;
    std::optional<double> extensionState_;
    bool extensionRuns_;
    std::uint32_t pid_;
    std::string appId_;
    GDBusNodeInfo* node_ = nullptr;
    GDBusConnection* connection_ = nullptr;  // the loop's connection, closed when it stops
    BusLoopThread loop_;
    bool owns_ = false;
};

}  // namespace corv::test
