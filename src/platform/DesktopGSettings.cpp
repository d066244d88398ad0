// Pointer speed through GSettings (GNOME).
#include <gio/gio.h>

#include <memory>
#include <string>

#include "platform/DebugLog.h"
#include "platform/DesktopBackends.h"
#include "platform/DesktopSettings.h"
#include "platform/GioScoped.h"

namespace corv::desktop {

namespace {

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr const char* kSpeedKey = "speed";

struct SchemaUnref {
    void operator()(GSettingsSchema* p) const { g_settings_schema_unref(p); }
};
struct KeyUnref {
    void operator()(GSettingsSchemaKey* p) const { g_settings_schema_key_unref(p); }
};

}  // namespace

bool gsettingsHasPointerSpeed()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr)
        return false;
    const std::unique_ptr<GSettingsSchema, SchemaUnref> schema(
        g_settings_schema_source_lookup(source, kMouseSchema, TRUE));
    return schema && g_settings_schema_has_key(schema.get(), kSpeedKey);
}

bool gsettingsSetPointerSpeed(int speed)
{
    const std::string what = std::string("pointer speed not set through GSettings: ");
    // Not ours to unref; null when no schema is installed at all.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr) {
        debugLine(what + "no GSettings schemas are installed");
        return false;
    }
    const std::unique_ptr<GSettingsSchema, SchemaUnref> schema(
        g_settings_schema_source_lookup(source, kMouseSchema, TRUE));
    if (!schema) {
        debugLine(what + "the schema " + kMouseSchema + " is not installed");
        return false;
    }
    if (!g_settings_schema_has_key(schema.get(), kSpeedKey)) {
        debugLine(what + "the schema " + kMouseSchema + " has no key " + kSpeedKey);
        return false;
    }
    const std::unique_ptr<GSettingsSchemaKey, KeyUnref> key(g_settings_schema_get_key(schema.get(), kSpeedKey));
    if (!g_variant_type_equal(g_settings_schema_key_get_value_type(key.get()), G_VARIANT_TYPE_DOUBLE)) {
        debugLine(what + "the key " + kSpeedKey + " does not hold a double");
        return false;
    }
    const gio::Variant value(g_variant_ref_sink(g_variant_new_double(pointerSpeedToUnit(speed))));
    // GSettings aborts on a value outside the key's range: ask first.
    if (!g_settings_schema_key_range_check(key.get(), value.get())) {
        debugLine(what + "the value is outside the range of the installed schema");
        return false;
    }

    const gio::ThreadContext context;
    const gio::Object<GSettings> settings(g_settings_new_full(schema.get(), nullptr, nullptr));
    if (!g_settings_is_writable(settings.get(), kSpeedKey)) {
        debugLine(what + "the key is not writable (locked down)");
        return false;
    }
    const bool written = g_settings_set_value(settings.get(), kSpeedKey, value.get()) != FALSE;
    g_settings_sync();
    if (!written)
        debugLine(what + "the settings backend refused the value");
    return written;
}

}  // namespace corv::desktop
