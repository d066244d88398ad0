#include "platform/DbusOutsideMessages.h"

#include <sys/stat.h>

#include <cstdlib>
#include <future>
#include <utility>

#include "platform/DebugLog.h"
#include "platform/GioScoped.h"

namespace corv {

namespace {

constexpr const char* kIntrospection = R"(<node>
  <interface name="org.corvalantis.Utility">
    <method name="Show"/>
    <method name="ApplyDpiProfile"><arg name="applied" type="b" direction="out"/></method>
    <method name="ApplyKeyProfile"><arg name="applied" type="b" direction="out"/></method>
    <method name="ApplyRegProfile"><arg name="applied" type="b" direction="out"/></method>
    <method name="DeviceArrived"><arg name="mouseOpen" type="b" direction="out"/></method>
    <method name="SelectProfile"><arg name="name" type="s" direction="in"/></method>
    <method name="GetState">
      <arg name="windowVisible" type="b" direction="out"/>
      <arg name="mouseConnected" type="b" direction="out"/>
    </method>
  </interface>
</node>)";

// RequestName's flag and answer (the values the D-Bus standard gives them).
constexpr guint32 kDoNotQueue = 4;
constexpr guint32 kPrimaryOwner = 1;

constexpr GDBusConnectionFlags kBusFlags = static_cast<GDBusConnectionFlags>(
    G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);

struct Method {
    OutsideRequest request;
    const char* name;
    const char* replyType;
};

constexpr Method kMethods[] = {
    {OutsideRequest::ShowWindow, "Show", "()"},
    {OutsideRequest::ApplyDpiProfile, "ApplyDpiProfile", "(b)"},
    {OutsideRequest::ApplyKeyProfile, "ApplyKeyProfile", "(b)"},
    {OutsideRequest::ApplyRegProfile, "ApplyRegProfile", "(b)"},
    {OutsideRequest::DeviceArrived, "DeviceArrived", "(b)"},
    {OutsideRequest::SelectProfile, "SelectProfile", "()"},
    {OutsideRequest::GetState, "GetState", "(bb)"},
};

const Method& methodOf(OutsideRequest request)
{
    for (const Method& m : kMethods) {
        if (m.request == request)
            return m;
    }
    return kMethods[0];
}

std::string text(const GError* error) { return error != nullptr && error->message != nullptr ? error->message : ""; }

GDBusInterfaceInfo* interfaceInfo()
{
    // Parsed once and kept for the life of the process (registrations refer to it).
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    return node != nullptr && node->interfaces != nullptr ? node->interfaces[0] : nullptr;
}

// The bus's pending call of one request.
class InvocationSink : public OutsideReply::Sink {
public:
    InvocationSink(GDBusMethodInvocation* invocation, OutsideRequest request)
        : invocation_(invocation), request_(request)
    { }
    ~InvocationSink() override
    {
        if (!sent_)
            g_dbus_method_invocation_return_dbus_error(invocation_, kErrorClosing, "the program is closing");
    }
    void send(const OutsideAnswer& a) override
    {
        sent_ = true;
        switch (a.status) {
        case OutsideStatus::Done:
            g_dbus_method_invocation_return_value(invocation_, valueFor(a));
            return;
        case OutsideStatus::UnknownProfile:
            g_dbus_method_invocation_return_dbus_error(invocation_, kErrorUnknownProfile, a.message.c_str());
            return;
        default:
            g_dbus_method_invocation_return_dbus_error(
                invocation_, kErrorClosing, a.message.empty() ? "the program is closing" : a.message.c_str());
            return;
        }
    }

private:
    GVariant* valueFor(const OutsideAnswer& a) const
    {
        const std::string type = methodOf(request_).replyType;
        if (type == "(b)")
            return g_variant_new("(b)", static_cast<gboolean>(a.flag));
        if (type == "(bb)")
            return g_variant_new("(bb)", static_cast<gboolean>(a.flag), static_cast<gboolean>(a.connected));
        return nullptr;  // no out arguments
    }

    GDBusMethodInvocation* invocation_;  // owned until answered
    OutsideRequest request_;
    bool sent_ = false;
};

void onMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant* parameters,
                  GDBusMethodInvocation* invocation, gpointer handler)
{
    // The bus checked the arguments against the introspection data; the method is one of ours.
    OutsideCall call;
    bool known = false;
    for (const Method& m : kMethods) {
        if (g_strcmp0(method, m.name) == 0) {
            call.request = m.request;
            known = true;
        }
    }
    if (!known) {
        g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.UnknownMethod", method);
        return;
    }
    if (call.request == OutsideRequest::SelectProfile) {
        const gchar* name = nullptr;
        g_variant_get(parameters, "(&s)", &name);
        call.profileName = name != nullptr ? name : "";
    }
    const OutsideReply reply(std::make_shared<InvocationSink>(invocation, call.request));
    (*static_cast<OutsideMessageService::Handler*>(handler))(std::move(call), reply);
}

const GDBusInterfaceVTable kVTable = {onMethodCall, nullptr, nullptr, {}};

}  // namespace

std::string sessionBusAddress()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address != nullptr && address[0] != '\0')
        return address;
    // The per-user bus of systemd sessions; never an auto-launched one.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/')
        return {};
    const std::string socket = std::string(runtime) + "/bus";
    struct stat st { };
    if (::stat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode))
        return {};
    const gio::Chars escaped(g_dbus_address_escape_value(socket.c_str()));
    return std::string("unix:path=") + escaped.get();
}

DbusOutsideMessageService::~DbusOutsideMessageService() { stop(); }

bool DbusOutsideMessageService::start(Handler handler)
{
    stop();
    const std::string address = sessionBusAddress();
    if (address.empty()) {
        debugLine("no messages from outside: no session bus (DBUS_SESSION_BUS_ADDRESS is not set)");
        return false;
    }
    handler_ = std::move(handler);
    const std::string why = thread_.start(
        address, [this](GDBusConnection* c) { return serve(c); },
        [this](GDBusConnection* c, bool served) { endService(c, served); });
    if (!why.empty()) {
        debugLine("no messages from outside: " + why);
        handler_ = {};
        return false;
    }
    return true;
}

std::string DbusOutsideMessageService::serve(GDBusConnection* connection)
{
    if (interfaceInfo() == nullptr)
        return "the interface description does not parse";
    GError* rawError = nullptr;
    // The object first: a caller that sees the name finds it served.
    registration_ = g_dbus_connection_register_object(connection, kObjectPath, interfaceInfo(), &kVTable, &handler_,
                                                      nullptr, &rawError);
    gio::Error error(rawError);
    if (registration_ == 0)
        return "cannot serve " + std::string(kObjectPath) + " (" + text(error.get()) + ")";
    rawError = nullptr;
    const gio::Variant owned(
        g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                    "RequestName", g_variant_new("(su)", kBusName, kDoNotQueue), G_VARIANT_TYPE("(u)"),
                                    G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &rawError));
    error.reset(rawError);
    guint32 answer = 0;
    if (owned)
        g_variant_get(owned.get(), "(u)", &answer);
    if (!owned)
        return "cannot take the name " + std::string(kBusName) + " (" + text(error.get()) + ")";
    if (answer != kPrimaryOwner)
        return std::string(kBusName) + " belongs to another process";
    return {};
}

void DbusOutsideMessageService::endService(GDBusConnection* connection, bool served)
{
    if (registration_ != 0)
        g_dbus_connection_unregister_object(connection, registration_);
    registration_ = 0;
    if (served) {
        // Given back and confirmed before stop() returns: a caller that comes next finds no
        // program instead of a connection that is going away.
        const gio::Variant released(g_dbus_connection_call_sync(
            connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "ReleaseName",
            g_variant_new("(s)", kBusName), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr));
    }
}

void DbusOutsideMessageService::stop()
{
    thread_.stop();
    handler_ = {};
}

OutsideAnswer sendOutsideRequest(const OutsideCall& call, int timeoutMs)
{
    OutsideAnswer answer;
    const std::string address = sessionBusAddress();
    if (address.empty()) {
        answer.status = OutsideStatus::NoBus;
        answer.message = "no session bus (DBUS_SESSION_BUS_ADDRESS is not set)";
        return answer;
    }
    // A connection of our own for this request, closed again at once.
    const gio::ThreadContext context;
    GError* rawError = nullptr;
    const gio::Object<GDBusConnection> connection(
        g_dbus_connection_new_for_address_sync(address.c_str(), kBusFlags, nullptr, nullptr, &rawError));
    gio::Error error(rawError);
    if (!connection) {
        answer.status = OutsideStatus::NoBus;
        answer.message = "cannot connect to the session bus (" + text(error.get()) + ")";
        return answer;
    }
    const Method& method = methodOf(call.request);
    GVariant* parameters =
        call.request == OutsideRequest::SelectProfile ? g_variant_new("(s)", call.profileName.c_str()) : nullptr;
    rawError = nullptr;
    const gio::Variant reply(g_dbus_connection_call_sync(
        connection.get(), kBusName, kObjectPath, kInterface, method.name, parameters, G_VARIANT_TYPE(method.replyType),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, timeoutMs, nullptr, &rawError));
    error.reset(rawError);
    g_dbus_connection_close_sync(connection.get(), nullptr, nullptr);
    if (reply) {
        const std::string type = method.replyType;
        gboolean first = FALSE;
        gboolean second = FALSE;
        if (type == "(b)")
            g_variant_get(reply.get(), "(b)", &first);
        else if (type == "(bb)")
            g_variant_get(reply.get(), "(bb)", &first, &second);
        answer.flag = first != FALSE;
        answer.connected = second != FALSE;
        return answer;
    }
    answer.status = OutsideStatus::Failed;
    if (error && g_dbus_error_is_remote_error(error.get())) {
        const gio::Chars remote(g_dbus_error_get_remote_error(error.get()));
        const std::string name = remote ? remote.get() : "";
        g_dbus_error_strip_remote_error(error.get());
        answer.message = text(error.get());
        if (name == "org.freedesktop.DBus.Error.NameHasNoOwner" || name == "org.freedesktop.DBus.Error.ServiceUnknown")
            answer.status = OutsideStatus::NoInstance;
        else if (name == kErrorUnknownProfile)
            answer.status = OutsideStatus::UnknownProfile;
        else if (name == kErrorClosing)
            answer.status = OutsideStatus::Closing;
        return answer;
    }
    if (error && g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_TIMED_OUT))
        answer.message = "the program did not answer within " + std::to_string(timeoutMs / 1000) + " s";
    else
        answer.message = text(error.get());
    return answer;
}

}  // namespace corv
