#include "tools/ctl_sim.h"

#include <cstdlib>

#include "platform/session/local_socket.h"

namespace {

constexpr int kReplyTimeoutMs = 3000;

std::string InstanceName() {
    const char* name = std::getenv("VELDMARK_INSTANCE");
    return name != nullptr && name[0] != '\0' ? std::string(name) : std::string("DARVO_ORVIX");
}

}  // namespace

int RunSimCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2 || (args[0] != "plug" && args[0] != "unplug" && args[0] != "select")) {
        err << "usage: veldmarkctl sim plug|unplug|select <keyboard|mouse|mousepad|headset>\n";
        return 2;
    }
    std::string error;
    const std::optional<std::string> reply = platform::session::SendLocalRequest(
        InstanceName(), "sim " + args[0] + " " + args[1], kReplyTimeoutMs, &error);
    if (!reply) {
        err << "veldmarkctl: the application does not run (" << error << ")\n";
        return 1;
    }
    if (reply->rfind("ok", 0) != 0) {
        err << "veldmarkctl: " << *reply << '\n';
        return 1;
    }
    out << *reply << '\n';
    return 0;
}
