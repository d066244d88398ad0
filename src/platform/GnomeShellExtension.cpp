#include "platform/GnomeShellExtension.h"

#include <cmath>
#include <cstdlib>

#include "platform/GioScoped.h"

namespace corv::gnomeshell {

namespace {

constexpr int kCallTimeoutMs = 5000;

// The shell's numbers (GetExtensionInfo's "state").
constexpr int kShellEnabled = 1;
constexpr int kShellDisabled = 2;
constexpr int kShellError = 3;
constexpr int kShellOutOfDate = 4;
constexpr int kShellInitialized = 6;
constexpr int kShellUninstalled = 99;

std::optional<double> numberOf(GVariant* value)
{
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE))
        return g_variant_get_double(value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_INT32))
        return g_variant_get_int32(value);
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32))
        return g_variant_get_uint32(value);
    return std::nullopt;
}

}  // namespace

const char* uuidForShell(std::string_view shellVersion)
{
    const std::string text(shellVersion);
    char* end = nullptr;
    const long major = std::strtol(text.c_str(), &end, 10);
    const bool read = end != text.c_str() && major > 0;
    return read && major < 45 ? kUuidGnome43 : kUuid;
}

const char* extensionStateName(ExtensionState state)
{
    switch (state) {
    case ExtensionState::Unknown:
        return "unknown";
    case ExtensionState::Missing:
        return "missing";
    case ExtensionState::Enabled:
        return "enabled";
    case ExtensionState::Disabled:
        return "disabled";
    case ExtensionState::Error:
        return "error";
    case ExtensionState::OutOfDate:
        return "out of date";
    }
    return "unknown";
}

ExtensionState readExtensionInfo(GVariant* info)
{
    if (info == nullptr || !g_variant_is_of_type(info, G_VARIANT_TYPE_VARDICT))
        return ExtensionState::Unknown;
    if (g_variant_n_children(info) == 0)
        return ExtensionState::Missing;
    const gio::Variant value(g_variant_lookup_value(info, "state", nullptr));
    const std::optional<double> number = value ? numberOf(value.get()) : std::nullopt;
    if (!number || !std::isfinite(*number))
        return ExtensionState::Unknown;
    switch (static_cast<int>(*number)) {
    case kShellEnabled:
        return ExtensionState::Enabled;
    case kShellDisabled:
    case kShellInitialized:
        return ExtensionState::Disabled;
    case kShellError:
        return ExtensionState::Error;
    case kShellOutOfDate:
        return ExtensionState::OutOfDate;
    case kShellUninstalled:
        return ExtensionState::Missing;
    default:
        // Being enabled or disabled at this moment (newer shells): the change follows.
        return ExtensionState::Unknown;
    }
}

std::optional<ForegroundProgram> readFocusChanged(std::string_view sender, std::string_view shellOwner,
                                                  GVariant* parameters)
{
    if (shellOwner.empty() || sender != shellOwner || parameters == nullptr ||
        !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)")))
        return std::nullopt;
    guint32 pid = 0;
    const gchar* appId = "";
    g_variant_get(parameters, "(u&s)", &pid, &appId);
    if (pid == 0)
        return ForegroundProgram{};
    return ForegroundProgram{"", pid, appId};
}

ExtensionCheck checkExtension(const std::string& busAddress)
{
    ExtensionCheck check;
    if (busAddress.empty()) {
        check.error = "no session bus";
        return check;
    }
    const gio::ThreadContext context;
    GError* rawError = nullptr;
    const gio::Object<GDBusConnection> connection(g_dbus_connection_new_for_address_sync(
        busAddress.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &rawError));
    gio::Error error(rawError);
    if (!connection) {
        check.error = std::string("cannot connect to the session bus: ") + (error ? error->message : "");
        return check;
    }
    rawError = nullptr;
    const gio::Variant version(
        g_dbus_connection_call_sync(connection.get(), kShellName, kShellPath, "org.freedesktop.DBus.Properties", "Get",
                                    g_variant_new("(ss)", kShellName, "ShellVersion"), G_VARIANT_TYPE("(v)"),
                                    G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, &rawError));
    error.reset(rawError);
    if (!version) {
        check.error = std::string("GNOME Shell does not answer: ") + (error ? error->message : "");
        check.uuid = kUuid;
        return check;
    }
    check.shellRunning = true;
    GVariant* boxed = nullptr;
    g_variant_get(version.get(), "(v)", &boxed);
    const gio::Variant text(boxed);
    if (text && g_variant_is_of_type(text.get(), G_VARIANT_TYPE_STRING))
        check.shellVersion = g_variant_get_string(text.get(), nullptr);
    check.uuid = uuidForShell(check.shellVersion);
    rawError = nullptr;
    const gio::Variant info(g_dbus_connection_call_sync(connection.get(), kShellName, kShellPath, kExtensionsInterface,
                                                        "GetExtensionInfo", g_variant_new("(s)", check.uuid.c_str()),
                                                        G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NO_AUTO_START,
                                                        kCallTimeoutMs, nullptr, &rawError));
    error.reset(rawError);
    if (!info) {
        check.error = std::string("GetExtensionInfo: ") + (error ? error->message : "");
        return check;
    }
    const gio::Variant dictionary(g_variant_get_child_value(info.get(), 0));
    check.state = readExtensionInfo(dictionary.get());
    if (check.state == ExtensionState::Unknown)
        check.error = "the shell's answer names no state";
    g_dbus_connection_close_sync(connection.get(), nullptr, nullptr);
    return check;
}

std::string enableCommand(std::string_view uuid) { return "gnome-extensions enable " + std::string(uuid); }

}  // namespace corv::gnomeshell
