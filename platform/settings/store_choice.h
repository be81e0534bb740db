#pragma once
// Which desktop settings store the program writes to, and in which order to
// try them. The GNOME settings store is installed on many desktops that
// never read it (its schemas come with common libraries), so a desktop that
// names itself and is not one of GNOME's family gets the X server first.
//
//   VELDMARK_DESKTOP_SETTINGS   gsettings | x11 | none: only that one
//   XDG_CURRENT_DESKTOP         GNOME, Unity, Budgie (any ":"-part): GSettings, then X
//                               another desktop: X, then GSettings
//                               unset: GSettings, then X

#include <string>
#include <string_view>
#include <vector>

namespace platform::settings {

enum class StoreKind { GSettings, X11 };

std::vector<StoreKind> StoreOrder(std::string_view forced, std::string_view currentDesktop);

}  // namespace platform::settings
