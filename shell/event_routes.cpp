#include "shell/event_routes.h"

#include <cctype>

#include "platform/ui/control.h"

namespace app {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

bool SplitIndexedName(std::string_view name, std::string& prefix, int& number) {
    const size_t underscore = name.rfind('_');
    if (underscore == std::string_view::npos) {
        return false;
    }
    const std::string_view digits = name.substr(underscore + 1);
    // Nine digits cannot overflow an int; a longer number names no control.
    if (digits.empty() || digits.size() > 9) {
        return false;
    }
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    prefix.assign(name.substr(0, underscore + 1));
    number = value;
    return true;
}

void EventRoutes::On(std::string_view type, std::string_view name, RouteHandler handler,
                     NameMatch match) {
    if (match == NameMatch::Exact) {
        m_exact[{std::string(type), std::string(name)}] = std::move(handler);
    } else {
        m_names[{std::string(type), Lower(name)}] = std::move(handler);
    }
}

void EventRoutes::OnIndexed(std::string_view type, std::string_view prefix, RouteHandler handler) {
    m_indexed[{std::string(type), std::string(prefix)}] = std::move(handler);
}

bool EventRoutes::Dispatch(const ui::Notification& n) const {
    const std::string& name = n.SenderName();
    if (name.empty()) {
        return false;
    }
    std::string prefix;
    int index = -1;
    if (SplitIndexedName(name, prefix, index)) {
        if (auto it = m_indexed.find({n.type, prefix}); it != m_indexed.end()) {
            it->second(RouteCall{n, name, index});
            return true;
        }
    }
    if (auto it = m_exact.find({n.type, name}); it != m_exact.end()) {
        it->second(RouteCall{n, name, -1});
        return true;
    }
    if (auto it = m_names.find({n.type, Lower(name)}); it != m_names.end()) {
        it->second(RouteCall{n, name, -1});
        return true;
    }
    return false;
}

}  // namespace app
