#include "platform/GnomeShellForegroundWatcher.h"

#include "platform/DbusOutsideMessages.h"
#include "platform/DebugLog.h"
#include "platform/GioScoped.h"

namespace corv {

namespace {

constexpr int kCallTimeoutMs = 5000;

using Answered = void (GnomeShellForegroundWatcher::*)(unsigned, GVariant*);

// One call in flight: whom to tell, and for which appearance of the shell.
struct PendingCall {
    GnomeShellForegroundWatcher* self;
    unsigned generation;
    Answered answered;
    std::string method;
};

void onCallDone(GObject* source, GAsyncResult* result, gpointer data)
{
    const std::unique_ptr<PendingCall> pending(static_cast<PendingCall*>(data));
    GError* rawError = nullptr;
    const gio::Variant answer(g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &rawError));
    const gio::Error error(rawError);
    pending->self->callFinished();
    if (error && g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
        return;  // stopping
    if (error)
        debugLine("foreground watcher: GNOME Shell's " + pending->method + ": " + error->message);
    (pending->self->*pending->answered)(pending->generation, answer.get());
}

void onSignal(GDBusConnection*, const gchar* sender, const gchar*, const gchar* interface, const gchar* member,
              GVariant* parameters, gpointer self)
{
    static_cast<GnomeShellForegroundWatcher*>(self)->signalArrived(sender, interface, member, parameters);
}

}  // namespace

GnomeShellForegroundWatcher::GnomeShellForegroundWatcher(std::string busAddress,
                                                         std::unique_ptr<ForegroundWatcher> fallback)
    : busAddress_(std::move(busAddress)), fallback_(std::move(fallback))
{ }

GnomeShellForegroundWatcher::~GnomeShellForegroundWatcher() { stop(); }

gnomeshell::ExtensionState GnomeShellForegroundWatcher::extensionState() const
{
    std::lock_guard<std::mutex> guard(stateMutex_);
    return state_;
}

std::string GnomeShellForegroundWatcher::extensionUuid() const
{
    std::lock_guard<std::mutex> guard(stateMutex_);
    return uuid_;
}

int GnomeShellForegroundWatcher::enableHintsGiven() const
{
    std::lock_guard<std::mutex> guard(stateMutex_);
    return hints_;
}

std::string GnomeShellForegroundWatcher::missingExtension() const
{
    std::lock_guard<std::mutex> guard(stateMutex_);
    const bool off = state_ != gnomeshell::ExtensionState::Unknown && state_ != gnomeshell::ExtensionState::Enabled;
    return off ? uuid_ : std::string();
}

bool GnomeShellForegroundWatcher::start(Callback onForeground)
{
    if (thread_.running())
        return false;
    if (busAddress_.empty())
        busAddress_ = sessionBusAddress();
    if (busAddress_.empty()) {
        debugLine("foreground watcher: GNOME Shell needs a session bus");
        return false;
    }
    callback_ = std::move(onForeground);
    {
        std::lock_guard<std::mutex> guard(reportMutex_);
        reported_.reset();
        extensionHeard_ = false;
    }
    shellOwner_.clear();
    startFallback();
    cancellable_ = g_cancellable_new();
    const std::string why = thread_.start(
        busAddress_, [this](GDBusConnection* c) { return serve(c); }, [this](GDBusConnection*, bool) { endService(); });
    if (!why.empty()) {
        debugLine("foreground watcher: " + why);
        stop();
        return false;
    }
    return true;
}

void GnomeShellForegroundWatcher::stop()
{
    thread_.stop();
    if (fallbackRunning_)
        fallback_->stop();
    fallbackRunning_ = false;
    if (cancellable_ != nullptr)
        g_object_unref(cancellable_);
    cancellable_ = nullptr;
    callback_ = nullptr;
}

std::string GnomeShellForegroundWatcher::serve(GDBusConnection* connection)
{
    connection_ = connection;
    // Any sender may match; signalArrived believes the shell's owner only.
    focusSubscription_ = g_dbus_connection_signal_subscribe(connection_, nullptr, gnomeshell::kInterface,
                                                            gnomeshell::kSignal, gnomeshell::kObjectPath, nullptr,
                                                            G_DBUS_SIGNAL_FLAGS_NONE, onSignal, this, nullptr);
    stateSubscription_ = g_dbus_connection_signal_subscribe(connection_, nullptr, gnomeshell::kExtensionsInterface,
                                                            "ExtensionStateChanged", gnomeshell::kShellPath, nullptr,
                                                            G_DBUS_SIGNAL_FLAGS_NONE, onSignal, this, nullptr);
    // Told at once whether the shell runs, and again after each restart.
    watch_ = g_bus_watch_name_on_connection(
        connection_, gnomeshell::kShellName, G_BUS_NAME_WATCHER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar* owner, gpointer self) {
            static_cast<GnomeShellForegroundWatcher*>(self)->shellAppeared(owner);
        },
        [](GDBusConnection*, const gchar*, gpointer self) {
            static_cast<GnomeShellForegroundWatcher*>(self)->shellVanished();
        },
        this, nullptr);
    return {};
}

void GnomeShellForegroundWatcher::endService()
{
    // Every call in flight ends (cancelled) before the connection and the loop go.
    g_cancellable_cancel(cancellable_);
    while (pendingCalls_ > 0)
        g_main_context_iteration(thread_.context(), TRUE);
    if (watch_ != 0)
        g_bus_unwatch_name(watch_);
    if (focusSubscription_ != 0)
        g_dbus_connection_signal_unsubscribe(connection_, focusSubscription_);
    if (stateSubscription_ != 0)
        g_dbus_connection_signal_unsubscribe(connection_, stateSubscription_);
    watch_ = 0;
    focusSubscription_ = 0;
    stateSubscription_ = 0;
    connection_ = nullptr;
}

void GnomeShellForegroundWatcher::call(const char* destination, const char* path, const char* interface,
                                       const char* method, GVariant* args, const char* replyType, Answered answered)
{
    auto* pending = new PendingCall{this, generation_, answered, method};
    ++pendingCalls_;
    g_dbus_connection_call(connection_, destination, path, interface, method, args, G_VARIANT_TYPE(replyType),
                           G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, cancellable_, onCallDone, pending);
}

void GnomeShellForegroundWatcher::callFinished() { --pendingCalls_; }

void GnomeShellForegroundWatcher::shellAppeared(const std::string& owner)
{
    shellOwner_ = owner;
    ++generation_;
    // The window in front now (the extension's signals tell each change from here on),
    // asked of this owner: a later owner's answer could not be told apart.
    call(owner.c_str(), gnomeshell::kObjectPath, gnomeshell::kInterface, gnomeshell::kCurrentMethod, nullptr, "(us)",
         &GnomeShellForegroundWatcher::currentAnswered);
    call(owner.c_str(), gnomeshell::kShellPath, "org.freedesktop.DBus.Properties", "Get",
         g_variant_new("(ss)", gnomeshell::kShellName, "ShellVersion"), "(v)",
         &GnomeShellForegroundWatcher::versionAnswered);
}

void GnomeShellForegroundWatcher::shellVanished()
{
    shellOwner_.clear();
    ++generation_;
    // Without the shell nobody tells which program is in front (Xwayland went with it): none,
    // until it is back.
    report(ForegroundProgram{}, true);
}

void GnomeShellForegroundWatcher::currentAnswered(unsigned generation, GVariant* answer)
{
    if (generation != generation_)
        return;
    // The answer comes from the shell's owner: the call went to that unique name.
    const std::optional<ForegroundProgram> program =
        answer == nullptr ? std::nullopt : gnomeshell::readFocusChanged(shellOwner_, shellOwner_, answer);
    if (program) {
        setState(gnomeshell::ExtensionState::Enabled);
        extensionReports();
        report(*program, true);
        return;
    }
    bool first = false;
    {
        std::lock_guard<std::mutex> guard(reportMutex_);
        first = !reported_ && !fallbackRunning_;
    }
    if (first)
        report(ForegroundProgram{}, true);  // nobody to ask: none, as promised at start
}

void GnomeShellForegroundWatcher::versionAnswered(unsigned generation, GVariant* answer)
{
    if (generation != generation_)
        return;
    std::string version;
    if (answer != nullptr) {
        GVariant* boxed = nullptr;
        g_variant_get(answer, "(v)", &boxed);
        const gio::Variant text(boxed);
        if (g_variant_is_of_type(text.get(), G_VARIANT_TYPE_STRING))
            version = g_variant_get_string(text.get(), nullptr);
    }
    const std::string uuid = gnomeshell::uuidForShell(version);
    {
        std::lock_guard<std::mutex> guard(stateMutex_);
        uuid_ = uuid;
    }
    debugLine("foreground watcher: GNOME Shell " + (version.empty() ? std::string("of an unknown version") : version) +
              ", asking for the extension " + uuid);
    call(shellOwner_.c_str(), gnomeshell::kShellPath, gnomeshell::kExtensionsInterface, "GetExtensionInfo",
         g_variant_new("(s)", uuid.c_str()), "(a{sv})", &GnomeShellForegroundWatcher::infoAnswered);
}

void GnomeShellForegroundWatcher::infoAnswered(unsigned generation, GVariant* answer)
{
    if (generation != generation_ || answer == nullptr)
        return;
    const gio::Variant info(g_variant_get_child_value(answer, 0));
    setState(gnomeshell::readExtensionInfo(info.get()));
}

void GnomeShellForegroundWatcher::signalArrived(const char* sender, const char* interface, const char* member,
                                                GVariant* parameters)
{
    const std::string from = sender == nullptr ? "" : sender;
    if (g_strcmp0(interface, gnomeshell::kExtensionsInterface) == 0) {
        if (shellOwner_.empty() || from != shellOwner_ || g_strcmp0(member, "ExtensionStateChanged") != 0 ||
            !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv})")))
            return;
        const gchar* uuid = "";
        GVariant* rawInfo = nullptr;
        g_variant_get(parameters, "(&s@a{sv})", &uuid, &rawInfo);
        const gio::Variant info(rawInfo);
        if (uuid == extensionUuid())
            setState(gnomeshell::readExtensionInfo(info.get()));
        return;
    }
    const std::optional<ForegroundProgram> program = gnomeshell::readFocusChanged(from, shellOwner_, parameters);
    if (!program) {
        // Said of the first only: any client of the bus may send these.
        if (ignoredSignals_++ == 0)
            debugLine("foreground watcher: ignored a FocusChanged signal from " + from + " (GNOME Shell is " +
                      (shellOwner_.empty() ? std::string("not running") : shellOwner_) + ")");
        return;
    }
    setState(gnomeshell::ExtensionState::Enabled);
    extensionReports();
    report(*program, true);
}

void GnomeShellForegroundWatcher::extensionReports()
{
    {
        std::lock_guard<std::mutex> guard(reportMutex_);
        extensionHeard_ = true;  // from now on the fallback's reports are dropped
    }
    // Not under reportMutex_: the fallback's thread may be waiting for it.
    if (fallbackRunning_)
        fallback_->stop();
    fallbackRunning_ = false;
}

void GnomeShellForegroundWatcher::startFallback()
{
    if (fallback_ == nullptr || fallbackRunning_)
        return;
    fallbackRunning_ = fallback_->start([this](const ForegroundProgram& program) { report(program, false); });
    if (!fallbackRunning_)
        debugLine("foreground watcher: the fallback for GNOME Shell did not start");
}

void GnomeShellForegroundWatcher::setState(gnomeshell::ExtensionState state)
{
    std::string hint;
    {
        std::lock_guard<std::mutex> guard(stateMutex_);
        if (state == gnomeshell::ExtensionState::Unknown || state == state_)
            return;
        state_ = state;
        if (state == gnomeshell::ExtensionState::Enabled)
            return;
        if (hints_ == 0 && !uuid_.empty()) {
            ++hints_;
            hint = "foreground watcher: the GNOME Shell extension " + uuid_ + " is " +
                   gnomeshell::extensionStateName(state) +
                   ", so only X11 programs are seen, if any. To enable it, log out and in, then run: " +
                   gnomeshell::enableCommand(uuid_);
        }
    }
    if (!hint.empty())
        debugLine(hint);
    extensionStopped();
}

void GnomeShellForegroundWatcher::extensionStopped()
{
    // Its last report would stay for ever: the fallback tells again, else none.
    {
        std::lock_guard<std::mutex> guard(reportMutex_);
        if (!extensionHeard_)
            return;
        if (fallback_ != nullptr)
            extensionHeard_ = false;
    }
    if (fallback_ == nullptr)
        report(ForegroundProgram{}, true);
    else
        startFallback();
}

void GnomeShellForegroundWatcher::report(const ForegroundProgram& program, bool fromExtension)
{
    ForegroundProgram full = program;
    if (fromExtension && full.pid != 0)
        full.executable = executableOfProcess(full.pid);
    std::lock_guard<std::mutex> guard(reportMutex_);
    if (fallback_ != nullptr && fromExtension != extensionHeard_)
        return;  // the other side tells now
    if (reported_ && *reported_ == full)
        return;
    reported_ = full;
    callback_(full);
}

}  // namespace corv
