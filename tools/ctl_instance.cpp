#include "tools/ctl_instance.h"

#include <cstdlib>
#include <optional>
#include <ostream>

#include "platform/session/local_socket.h"

std::string AppInstanceName() {
    const char* name = std::getenv("VELDMARK_INSTANCE");
    return name != nullptr && name[0] != '\0' ? std::string(name) : std::string("DARVO_ORVIX");
}

int SendToApp(const std::vector<std::string>& words, int timeoutMs, std::ostream& out,
              std::ostream& err, std::string* body) {
    std::string error;
    const std::optional<std::string> reply = platform::session::SendLocalRequest(
        AppInstanceName(), platform::session::JoinRequestWords(words), timeoutMs, &error);
    if (!reply) {
        err << "veldmarkctl: the application does not run (" << error << ")\n";
        return 1;
    }
    const size_t newline = reply->find('\n');
    const std::string first = reply->substr(0, newline);
    const std::string rest =
        newline == std::string::npos ? std::string() : reply->substr(newline + 1);
    if (first.rfind("ok", 0) != 0) {
        err << "veldmarkctl: " << first << '\n';
        return 1;
    }
    if (first != "ok") {
        out << first << '\n';
    }
    if (body != nullptr) {
        *body = rest;
    } else if (!rest.empty()) {
        out << rest << '\n';
    }
    return 0;
}
