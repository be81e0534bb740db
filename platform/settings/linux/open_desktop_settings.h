#pragma once
// The composition root's choice of desktop settings store (see store_choice.h):
// the first store in the order that opens, else a store that offers nothing
// and says why.

#include <memory>

#include "platform/settings/desktop_settings.h"

namespace platform::settings {

std::unique_ptr<DesktopSettings> OpenDesktopSettings();

}  // namespace platform::settings
