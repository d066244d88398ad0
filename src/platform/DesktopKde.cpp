// Wheel scroll lines on KDE: the [KDE] WheelScrollLines key of kdeglobals, announced with
// the KGlobalSettings change signal that KDE and Qt programs listen for.
#include <gio/gio.h>

#include <memory>
#include <string>
#include <system_error>

#include "platform/DebugLog.h"
#include "platform/DesktopBackends.h"
#include "platform/DesktopSettings.h"
#include "platform/GioScoped.h"
#include "platform/IniFile.h"

namespace corv::desktop {

namespace {

// notifyChange(type, arg): type 3 is "settings changed", arg 0 the mouse settings.
constexpr gint32 kChangeTypeSettings = 3;
constexpr gint32 kSettingsCategoryMouse = 0;

std::string message(const GError* error)
{
    return error != nullptr && error->message != nullptr ? error->message : "unknown error";
}

}  // namespace

bool kdeNotifyMouseSettingsChanged()
{
    const std::string what = "KDE not told about the new scroll lines: ";
    GError* rawError = nullptr;
    // A connection of our own for this call, not the process's shared one: it is closed
    // again at once and always follows the current DBUS_SESSION_BUS_ADDRESS.
    const gio::Chars address(g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &rawError));
    gio::Error error(rawError);
    if (!address) {
        debugLine(what + "no session bus (" + message(error.get()) + ")");
        return false;
    }

    const gio::ThreadContext context;
    rawError = nullptr;
    const gio::Object<GDBusConnection> connection(g_dbus_connection_new_for_address_sync(
        address.get(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &rawError));
    error.reset(rawError);
    if (!connection) {
        debugLine(what + "cannot connect to the session bus (" + message(error.get()) + ")");
        return false;
    }

    rawError = nullptr;
    bool sent = g_dbus_connection_emit_signal(
                    connection.get(), nullptr, "/KGlobalSettings", "org.kde.KGlobalSettings", "notifyChange",
                    g_variant_new("(ii)", kChangeTypeSettings, kSettingsCategoryMouse), &rawError) != FALSE;
    if (sent)
        sent = g_dbus_connection_flush_sync(connection.get(), nullptr, &rawError) != FALSE;
    error.reset(rawError);
    if (!sent)
        debugLine(what + "the signal could not be sent (" + message(error.get()) + ")");
    g_dbus_connection_close_sync(connection.get(), nullptr, nullptr);
    return sent;
}

bool kdeSetWheelScrollLines(const std::filesystem::path& kdeglobals, int lines)
{
    lines = clampScrollLines(lines);
    std::error_code ec;
    std::filesystem::create_directories(kdeglobals.parent_path(), ec);
    if (!ini::writeString(kdeglobals, "KDE", "WheelScrollLines", std::to_string(lines))) {
        debugLine("wheel scroll lines not changed: cannot write " + kdeglobals.string());
        return false;
    }
    kdeNotifyMouseSettingsChanged();
    return true;
}

}  // namespace corv::desktop
