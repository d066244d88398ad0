#include "platform/KwinForegroundWatcher.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/DbusOutsideMessages.h"
#include "platform/DebugLog.h"
#include "platform/GioScoped.h"
#include "platform/KwinScript.h"

namespace corv {

namespace {

constexpr const char* kKwinName = "org.kde.KWin";
constexpr const char* kIntrospection = R"(<node>
  <interface name="org.corvalantis.Foreground">
    <method name="Activated"><arg type="s" name="pid" direction="in"/><arg type="s" name="resourceClass" direction="in"/></method>
  </interface>
</node>)";
constexpr int kCallTimeoutMs = 5000;
constexpr int kLoadAttempts = 100;
constexpr guint kLoadRetryMs = 100;

GDBusInterfaceInfo* interfaceInfo()
{
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    return node != nullptr && node->interfaces != nullptr ? node->interfaces[0] : nullptr;
}

void onMethodCall(GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar*, GVariant* parameters,
                  GDBusMethodInvocation* invocation, gpointer self)
{
    static_cast<KwinForegroundWatcher*>(self)->methodCall(sender, parameters, invocation);
}

const GDBusInterfaceVTable kVTable = {onMethodCall, nullptr, nullptr, {}};

gio::Variant callKwin(GDBusConnection* c, const char* path, const char* interface, const char* method, GVariant* args,
                      const GVariantType* reply)
{
    GError* rawError = nullptr;
    gio::Variant answer(g_dbus_connection_call_sync(c, kKwinName, path, interface, method, args, reply,
                                                    G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &rawError));
    const gio::Error error(rawError);
    if (error)
        debugLine(std::string("foreground watcher: KWin's ") + method + " on " + path + ": " + error->message);
    return answer;
}

}  // namespace

KwinForegroundWatcher::KwinForegroundWatcher(std::string busAddress, std::string scriptFolder)
    : busAddress_(std::move(busAddress))
{
    if (scriptFolder.empty()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        scriptFolder = runtime == nullptr ? "" : runtime;
    }
    if (!scriptFolder.empty())
        scriptPath_ = scriptFolder + "/" + kwin::kScriptName + ".js";
}

KwinForegroundWatcher::~KwinForegroundWatcher() { stop(); }

int KwinForegroundWatcher::loads() const
{
    std::lock_guard<std::mutex> guard(loadsMutex_);
    return loads_;
}

bool KwinForegroundWatcher::start(Callback onForeground)
{
    if (thread_.running())
        return false;
    if (busAddress_.empty())
        busAddress_ = sessionBusAddress();
    if (busAddress_.empty() || scriptPath_.empty() || interfaceInfo() == nullptr) {
        debugLine("foreground watcher: KWin needs a session bus and XDG_RUNTIME_DIR");
        return false;
    }
    callback_ = std::move(onForeground);
    reported_.reset();
    kwinOwner_.clear();
    const std::string why = thread_.start(
        busAddress_, [this](GDBusConnection* c) { return serve(c); },
        [this](GDBusConnection*, bool served) { endService(served); });
    if (!why.empty()) {
        debugLine("foreground watcher: " + why);
        callback_ = nullptr;
        return false;
    }
    return true;
}

void KwinForegroundWatcher::stop()
{
    thread_.stop();
    callback_ = nullptr;
}

std::string KwinForegroundWatcher::serve(GDBusConnection* connection)
{
    connection_ = connection;
    std::ofstream(scriptPath_) << kwin::script(g_dbus_connection_get_unique_name(connection_));
    registration_ = g_dbus_connection_register_object(connection_, kwin::kObjectPath, interfaceInfo(), &kVTable, this,
                                                      nullptr, nullptr);
    if (registration_ == 0)
        return "cannot serve " + std::string(kwin::kObjectPath);
    // Told at once when KWin runs, and again after each restart.
    watch_ = g_bus_watch_name_on_connection(
        connection_, kKwinName, G_BUS_NAME_WATCHER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar* owner, gpointer self) {
            static_cast<KwinForegroundWatcher*>(self)->kwinAppeared(owner);
        },
        [](GDBusConnection*, const gchar*, gpointer self) {
            static_cast<KwinForegroundWatcher*>(self)->kwinVanished();
        },
        this, nullptr);
    return {};
}

void KwinForegroundWatcher::endService(bool served)
{
    if (watch_ != 0)
        g_bus_unwatch_name(watch_);
    if (registration_ != 0)
        g_dbus_connection_unregister_object(connection_, registration_);
    watch_ = 0;
    registration_ = 0;
    if (served && !kwinOwner_.empty())
        unloadScript();
    std::error_code ec;
    std::filesystem::remove(scriptPath_, ec);
    connection_ = nullptr;
}

void KwinForegroundWatcher::unloadScript()
{
    callKwin(connection_, "/Scripting", "org.kde.kwin.Scripting", "unloadScript",
             g_variant_new("(s)", kwin::kScriptName), G_VARIANT_TYPE("(b)"));
}

void KwinForegroundWatcher::kwinAppeared(const std::string& owner)
{
    kwinOwner_ = owner;
    loadAttempts_ = 0;
    loadScript();
}

void KwinForegroundWatcher::loadScript()
{
    // KWin takes its bus name a moment before it serves /Scripting: while it is starting,
    // the script is offered again every 100 ms (for at most 10 s), never after.
    if (!callKwin(connection_, "/Scripting", "org.kde.kwin.Scripting", "isScriptLoaded",
                  g_variant_new("(s)", kwin::kScriptName), G_VARIANT_TYPE("(b)"))) {
        if (kwinOwner_.empty() || ++loadAttempts_ > kLoadAttempts)
            return;
        GSource* retry = g_timeout_source_new(kLoadRetryMs);
        g_source_set_callback(
            retry,
            [](gpointer self) {
                static_cast<KwinForegroundWatcher*>(self)->loadScript();
                return G_SOURCE_REMOVE;
            },
            this, nullptr);
        g_source_attach(retry, thread_.context());
        g_source_unref(retry);
        return;
    }
    unloadScript();  // a script of this name left by a run that ended without unloading it
    const gio::Variant loaded =
        callKwin(connection_, "/Scripting", "org.kde.kwin.Scripting", "loadScript",
                 g_variant_new("(ss)", scriptPath_.c_str(), kwin::kScriptName), G_VARIANT_TYPE("(i)"));
    gint32 id = -1;
    if (loaded)
        g_variant_get(loaded.get(), "(i)", &id);
    if (id < 0) {
        debugLine("foreground watcher: KWin did not load the script");
        return;
    }
    // Plasma 6 names the script /Scripting/ScriptN, 5.27 /N.
    const std::string paths[] = {"/Scripting/Script" + std::to_string(id), "/" + std::to_string(id)};
    bool ran = false;
    for (const std::string& path : paths) {
        if (!ran && callKwin(connection_, path.c_str(), "org.kde.kwin.Script", "run", nullptr, nullptr))
            ran = true;
    }
    if (!ran) {
        debugLine("foreground watcher: KWin did not run the script");
        return;
    }
    std::lock_guard<std::mutex> guard(loadsMutex_);
    ++loads_;
}

void KwinForegroundWatcher::kwinVanished() { kwinOwner_.clear(); }

void KwinForegroundWatcher::methodCall(const char* sender, GVariant* parameters, GDBusMethodInvocation* invocation)
{
    const gchar* pid = "";
    const gchar* resourceClass = "";
    g_variant_get(parameters, "(&s&s)", &pid, &resourceClass);
    const std::optional<ForegroundProgram> program =
        kwin::readCall(sender == nullptr ? "" : sender, kwinOwner_, pid, resourceClass);
    if (!program) {
        g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.AccessDenied",
                                                   "only KWin reports the window in front");
        return;
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
    report(*program);
}

void KwinForegroundWatcher::report(const ForegroundProgram& program)
{
    ForegroundProgram full = program;
    if (full.pid != 0)
        full.executable = executableOfProcess(full.pid);
    if (reported_ && *reported_ == full)
        return;
    reported_ = full;
    callback_(full);
}

}  // namespace corv
