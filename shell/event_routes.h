#pragma once
// The main window's switchboard: which handler a control's notification
// reaches, by notification type and the sender's name. A route is either one
// name (compared without regard to case unless it asks for an exact match) or
// a prefix followed by a decimal number ("DPI_slider_" 3), whose number the
// handler receives. For one type, indexed routes are tried before names.
//
// Each group of routes lives in its own file and is added once, when the
// main window is made; handlers run on the UI thread.

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "platform/ui/notification.h"

namespace app {

// "DPI_slider_3" → ("DPI_slider_", 3). False when the name has no "_" or
// nothing but decimal digits does not follow the last one.
bool SplitIndexedName(std::string_view name, std::string& prefix, int& number);

struct RouteCall {
    const ui::Notification& n;
    const std::string& name;  // the sender's name as the layout spells it
    int index;                // the number of an indexed route, else -1
};
using RouteHandler = std::function<void(const RouteCall&)>;

enum class NameMatch { IgnoreCase, Exact };

class EventRoutes {
  public:
    // A later route for the same type and name replaces the earlier one.
    void On(std::string_view type, std::string_view name, RouteHandler handler,
            NameMatch match = NameMatch::IgnoreCase);
    void OnIndexed(std::string_view type, std::string_view prefix, RouteHandler handler);

    // Runs the handler that n's type and sender name select; false when none does.
    bool Dispatch(const ui::Notification& n) const;

  private:
    using Key = std::pair<std::string, std::string>;  // type, name (lower case unless exact)
    std::map<Key, RouteHandler> m_names;
    std::map<Key, RouteHandler> m_exact;
    std::map<Key, RouteHandler> m_indexed;  // type, prefix
};

}  // namespace app
