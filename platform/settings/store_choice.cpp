#include "platform/settings/store_choice.h"

#include <algorithm>
#include <cctype>

namespace platform::settings {
namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool ReadsGnomeKeys(std::string_view desktops) {
    size_t start = 0;
    while (start <= desktops.size()) {
        const size_t end = std::min(desktops.find(':', start), desktops.size());
        const std::string_view part = desktops.substr(start, end - start);
        for (std::string_view known : {"GNOME", "Unity", "Budgie"}) {
            if (EqualNoCase(part, known)) {
                return true;
            }
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

std::vector<StoreKind> StoreOrder(std::string_view forced, std::string_view currentDesktop) {
    if (EqualNoCase(forced, "gsettings")) {
        return {StoreKind::GSettings};
    }
    if (EqualNoCase(forced, "x11")) {
        return {StoreKind::X11};
    }
    if (EqualNoCase(forced, "none")) {
        return {};
    }
    if (!currentDesktop.empty() && !ReadsGnomeKeys(currentDesktop)) {
        return {StoreKind::X11, StoreKind::GSettings};
    }
    return {StoreKind::GSettings, StoreKind::X11};
}

}  // namespace platform::settings
