#include "tools/ctl_sim.h"

#include "tools/ctl_instance.h"

namespace {

const char* const kUsage =
    "usage: veldmarkctl sim plug|unplug|select KIND\n"
    "       veldmarkctl sim memory KIND params|keys|leds|macros|colors [GROUP]\n"
    "       veldmarkctl sim frames|log|sync KIND\n"
    "       veldmarkctl sim audio headset   the simulated audio library's properties\n"
    "       veldmarkctl sim key KIND POSITION down|up\n"
    "       veldmarkctl sim status KIND BYTES (hex, e.g. 64 01 00 00 00 02)\n"
    "       veldmarkctl sim fault KIND noreply|late|echo|ff|fe|unplug-mid|far|clear [COUNT]\n"
    "KIND: keyboard, mouse, mousepad, headset\n";

bool Fits(const std::string& verb, size_t count) {
    if (verb == "plug" || verb == "unplug" || verb == "select" || verb == "frames" ||
        verb == "log" || verb == "sync" || verb == "audio") {
        return count == 2;
    }
    if (verb == "memory") {
        return count == 3 || count == 4;
    }
    if (verb == "key") {
        return count == 4;
    }
    if (verb == "status") {
        return count >= 3;
    }
    if (verb == "fault") {
        return count == 3 || count == 4;
    }
    return false;
}

}  // namespace

int RunSimCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || !Fits(args[0], args.size())) {
        err << kUsage;
        return 2;
    }
    std::vector<std::string> request{"sim"};
    request.insert(request.end(), args.begin(), args.end());
    return SendToApp(request, kAppReplyTimeoutMs, out, err);
}
