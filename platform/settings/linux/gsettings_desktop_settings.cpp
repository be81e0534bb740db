#include "platform/settings/linux/gsettings_desktop_settings.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <cstdlib>
#include <cstring>

#include "platform/settings/settings_units.h"

namespace platform::settings {
namespace {

constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";
constexpr const char* kKeyboardSchema = "org.gnome.desktop.peripherals.keyboard";

struct SchemaUnref {
    void operator()(GSettingsSchema* s) const { g_settings_schema_unref(s); }
};
using SchemaPtr = std::unique_ptr<GSettingsSchema, SchemaUnref>;

SchemaPtr Lookup(const char* id) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr) {
        return nullptr;
    }
    return SchemaPtr(g_settings_schema_source_lookup(source, id, TRUE));
}

bool HasKeys(const SchemaPtr& schema, std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        if (!g_settings_schema_has_key(schema.get(), key)) {
            return false;
        }
    }
    return true;
}

// The store GSettings picked; the in-memory fallback counts only when asked
// for by name (then the caller knows the values stay in the process).
bool UsableBackend(std::string* why) {
    GSettingsBackend* backend = g_settings_backend_get_default();
    const char* type = G_OBJECT_TYPE_NAME(backend);
    bool usable = true;
    if (std::strcmp(type, "GMemorySettingsBackend") == 0) {
        const char* asked = std::getenv("GSETTINGS_BACKEND");
        usable = asked != nullptr && std::strcmp(asked, "memory") == 0;
        if (!usable && why != nullptr) {
            *why = "GSettings has no store here (only its in-memory fallback)";
        }
    } else if (std::strcmp(type, "DConfSettingsBackend") == 0) {
        // dconf writes through its service on the session bus.
        gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        usable = address != nullptr;
        g_free(address);
        if (!usable && why != nullptr) {
            *why = "the dconf store needs a session bus and there is none";
        }
    }
    g_object_unref(backend);
    return usable;
}

// Writes one key and flushes it to the store.
ApplyResult Write(const char* schema, const char* key, GVariant* value) {
    GSettings* settings = g_settings_new(schema);
    if (!g_settings_is_writable(settings, key)) {
        g_variant_unref(g_variant_ref_sink(value));
        g_object_unref(settings);
        return ApplyResult::Failed(std::string(schema) + " " + key +
                                   " is locked by the administrator");
    }
    const gboolean written = g_settings_set_value(settings, key, value);
    g_settings_sync();
    g_object_unref(settings);
    if (!written) {
        return ApplyResult::Failed(std::string(schema) + " " + key + " refused the value");
    }
    return ApplyResult::Applied();
}

}  // namespace

std::unique_ptr<GSettingsDesktopSettings> GSettingsDesktopSettings::Open(std::string* why) {
    const SchemaPtr mouse = Lookup(kMouseSchema);
    const SchemaPtr keyboard = Lookup(kKeyboardSchema);
    if (!mouse || !keyboard) {
        if (why != nullptr) {
            *why = "the GNOME desktop schemas are not installed";
        }
        return nullptr;
    }
    if (!HasKeys(mouse, {"speed", "accel-profile"}) ||
        !HasKeys(keyboard, {"delay", "repeat-interval"})) {
        if (why != nullptr) {
            *why = "the installed GNOME desktop schemas lack the pointer or keyboard keys";
        }
        return nullptr;
    }
    if (!UsableBackend(why)) {
        return nullptr;
    }
    std::unique_ptr<GSettingsDesktopSettings> settings(new GSettingsDesktopSettings());
    settings->m_hasDoubleClick = HasKeys(mouse, {"double-click"});
    return settings;
}

bool GSettingsDesktopSettings::Offers(Setting setting) const {
    switch (setting) {
        case Setting::WheelLines:
            return false;
        case Setting::DoubleClickTime:
            return m_hasDoubleClick;
        default:
            return true;
    }
}

ApplyResult GSettingsDesktopSettings::SetPointerSpeed(int speed) {
    std::lock_guard lock(m_mutex);
    return Write(kMouseSchema, "speed", g_variant_new_double(units::GnomePointerSpeed(speed)));
}

ApplyResult GSettingsDesktopSettings::SetPointerAcceleration(bool accelerated) {
    std::lock_guard lock(m_mutex);
    return Write(kMouseSchema, "accel-profile",
                 g_variant_new_string(units::GnomeAccelProfile(accelerated)));
}

ApplyResult GSettingsDesktopSettings::SetWheelLines(int) {
    return ApplyResult::NotOffered("GNOME has no setting for the lines a wheel notch scrolls");
}

ApplyResult GSettingsDesktopSettings::SetDoubleClickTime(int milliseconds) {
    if (!m_hasDoubleClick) {
        return ApplyResult::NotOffered("this GNOME has no double-click time setting");
    }
    std::lock_guard lock(m_mutex);
    return Write(kMouseSchema, "double-click", g_variant_new_int32(milliseconds));
}

ApplyResult GSettingsDesktopSettings::SetKeyboardRepeatDelay(int index) {
    std::lock_guard lock(m_mutex);
    return Write(kKeyboardSchema, "delay",
                 g_variant_new_uint32(static_cast<guint32>(units::RepeatDelayMs(index))));
}

ApplyResult GSettingsDesktopSettings::SetKeyboardRepeatRate(int rate) {
    std::lock_guard lock(m_mutex);
    return Write(kKeyboardSchema, "repeat-interval",
                 g_variant_new_uint32(static_cast<guint32>(units::RepeatIntervalMs(rate))));
}

}  // namespace platform::settings
