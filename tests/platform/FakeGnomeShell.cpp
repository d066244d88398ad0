#include "FakeGnomeShell.h"

#include <gio/gio.h>

#include "platform/GnomeShellExtension.h"

namespace corv::test {

namespace {

constexpr const char* kShellXml = R"(<node>
  <interface name="org.gnome.Shell"><property name="ShellVersion" type="s" access="read"/></interface>
  <interface name="org.gnome.Shell.Extensions">
    <method name="GetExtensionInfo"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
    <signal name="ExtensionStateChanged"><arg type="s"/><arg type="a{sv}"/></signal>
  </interface>
  <interface name="org.corvalantis.Foreground">
    <method name="Current"><arg type="u" direction="out"/><arg type="s" direction="out"/></method>
  </interface>
</node>)";

void onCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant*,
            GDBusMethodInvocation* invocation, gpointer self)
{
    g_dbus_method_invocation_return_value(invocation, static_cast<FakeGnomeShell*>(self)->answer(method));
}

GVariant* onGetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GError**,
                        gpointer self)
{
    return static_cast<FakeGnomeShell*>(self)->shellVersion();
}

const GDBusInterfaceVTable kVTable = {onCall, onGetProperty, nullptr, {}};

}  // namespace

FakeGnomeShell::FakeGnomeShell(const std::string& busAddress, std::string version, std::optional<double> extensionState,
                               bool extensionRuns, std::uint32_t pid, std::string appId)
    : version_(std::move(version)), extensionState_(extensionState), extensionRuns_(extensionRuns), pid_(pid),
      appId_(std::move(appId))
{
    node_ = g_dbus_node_info_new_for_xml(kShellXml, nullptr);
    const auto serve = [this](GDBusConnection* connection) -> std::string {
        if (node_ == nullptr)
            return "the shell's interfaces do not parse";
        for (int i = 0; i < 2; ++i)
            g_dbus_connection_register_object(connection, gnomeshell::kShellPath, node_->interfaces[i], &kVTable, this,
                                              nullptr, nullptr);
        if (extensionRuns_)
            g_dbus_connection_register_object(connection, gnomeshell::kObjectPath, node_->interfaces[2], &kVTable, this,
                                              nullptr, nullptr);
        connection_ = G_DBUS_CONNECTION(g_object_ref(connection));  // for the test's calls and signals
        return {};
    };
    if (loop_.start(busAddress, serve, [](GDBusConnection*, bool) {}).empty())
        owns_ = nameCall("RequestName", g_variant_new("(su)", gnomeshell::kShellName, 4U));
}

FakeGnomeShell::~FakeGnomeShell()
{
    loop_.stop();
    if (connection_ != nullptr)
        g_object_unref(connection_);
    if (node_ != nullptr)
        g_dbus_node_info_unref(node_);
}

GDBusConnection* FakeGnomeShell::connectTo(const std::string& busAddress)
{
    return g_dbus_connection_new_for_address_sync(
        busAddress.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
}

bool FakeGnomeShell::release() { return nameCall("ReleaseName", g_variant_new("(s)", gnomeshell::kShellName)); }

void FakeGnomeShell::focus(std::uint32_t pid, const char* appId)
{
    emit(gnomeshell::kObjectPath, gnomeshell::kInterface, gnomeshell::kSignal, g_variant_new("(us)", pid, appId));
}

void FakeGnomeShell::stateChanged(const char* uuid, double state)
{
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&b, "{sv}", "state", g_variant_new_double(state));
    emit(gnomeshell::kShellPath, gnomeshell::kExtensionsInterface, "ExtensionStateChanged",
         g_variant_new("(sa{sv})", uuid, &b));
}

GVariant* FakeGnomeShell::answer(const char* method) const
{
    if (g_strcmp0(method, gnomeshell::kCurrentMethod) == 0)
        return g_variant_new("(us)", pid_, appId_.c_str());
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE_VARDICT);
    if (extensionState_)
        g_variant_builder_add(&b, "{sv}", "state", g_variant_new_double(*extensionState_));
    return g_variant_new("(a{sv})", &b);
}

GVariant* FakeGnomeShell::shellVersion() const { return g_variant_new_string(version_.c_str()); }

bool FakeGnomeShell::nameCall(const char* method, GVariant* args)
{
    GVariant* reply = g_dbus_connection_call_sync(connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", method, args, G_VARIANT_TYPE("(u)"),
                                                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    guint32 result = 0;
    if (reply != nullptr) {
        g_variant_get(reply, "(u)", &result);
        g_variant_unref(reply);
    }
    return result == 1;  // the primary owner now; released
}

void FakeGnomeShell::emit(const char* path, const char* interface, const char* name, GVariant* args)
{
    g_dbus_connection_emit_signal(connection_, nullptr, path, interface, name, args, nullptr);
    g_dbus_connection_flush_sync(connection_, nullptr, nullptr);
}

}  // namespace corv::test
