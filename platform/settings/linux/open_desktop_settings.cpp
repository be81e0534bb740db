#include "platform/settings/linux/open_desktop_settings.h"

#include <cstdlib>

#include "platform/settings/linux/gsettings_desktop_settings.h"
#include "platform/settings/linux/x11_desktop_settings.h"
#include "platform/settings/store_choice.h"
#include "platform/trace/trace.h"

namespace platform::settings {
namespace {

const char* Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

std::unique_ptr<DesktopSettings> OpenDesktopSettings() {
    std::string reasons;
    for (StoreKind kind :
         StoreOrder(Env("VELDMARK_DESKTOP_SETTINGS"), Env("XDG_CURRENT_DESKTOP"))) {
        std::string why;
        std::unique_ptr<DesktopSettings> settings;
        if (kind == StoreKind::GSettings) {
            settings = GSettingsDesktopSettings::Open(&why);
        } else if (*Env("DISPLAY") != '\0') {
            settings = X11DesktopSettings::Open("", &why);
        } else {
            why = "no X display";
        }
        if (settings) {
            trace::Format("desktop settings: %s", std::string(settings->StoreName()).c_str());
            return settings;
        }
        reasons += reasons.empty() ? why : "; " + why;
    }
    if (reasons.empty()) {
        reasons = "desktop settings are turned off";
    }
    trace::Format("desktop settings: none (%s)", reasons.c_str());
    return std::make_unique<NoDesktopSettings>(reasons);
}

}  // namespace platform::settings
