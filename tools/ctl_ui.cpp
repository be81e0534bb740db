#include "tools/ctl_ui.h"

#include <filesystem>
#include <fstream>
#include <ostream>

#include "tools/ctl_instance.h"

namespace {

constexpr int kDefaultWaitMs = 5000;

const char* const kUsage =
    "usage: veldmarkctl ui tree [--page KIND] [NAME]\n"
    "       veldmarkctl ui get [--page KIND] NAME PROPERTY\n"
    "       veldmarkctl ui set [--page KIND] NAME PROPERTY VALUE\n"
    "       veldmarkctl ui click [--page KIND] NAME\n"
    "       veldmarkctl ui notify [--page KIND] NAME TYPE\n"
    "       veldmarkctl ui wait [--page KIND] NAME PROPERTY VALUE [--timeout MS]\n"
    "       veldmarkctl ui screenshot FILE.png\n"
    "KIND: keyboard, mouse, mousepad, headset. PROPERTY: text, tooltip, visible, enabled,\n"
    "selected, value, min, max, color, items, cursel, userdata, tab, class, name,\n"
    "rect (read only: left top right bottom in window pixels)\n";

int Usage(std::ostream& err) {
    err << kUsage;
    return 2;
}

int Screenshot(const std::string& file, std::ostream& out, std::ostream& err) {
    std::string png;
    const int status = SendToApp({"ui", "screenshot"}, kAppReplyTimeoutMs, out, err, &png);
    if (status != 0) {
        return status;
    }
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(png.data(), static_cast<std::streamsize>(png.size()));
    stream.close();
    if (!stream) {
        err << "veldmarkctl: cannot write " << file << '\n';
        return 1;
    }
    out << "wrote " << file << " (" << png.size() << " bytes)\n";
    return 0;
}

}  // namespace

int RunUiCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    // The verb is the first word that is not an option; the others are counted here.
    std::string verb;
    size_t verbIndex = 0;
    size_t words = 0;
    int waitMs = kDefaultWaitMs;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--page" || args[i] == "--timeout") {
            if (i + 1 >= args.size()) {
                return Usage(err);
            }
            if (args[i] == "--timeout") {
                try {
                    waitMs = std::stoi(args[i + 1]);
                } catch (...) {
                    return Usage(err);
                }
            }
            ++i;
        } else if (verb.empty()) {
            verb = args[i];
            verbIndex = i;
        } else {
            ++words;
        }
    }
    if (verb == "screenshot") {
        return args.size() == 2 && args[0] == verb ? Screenshot(args[1], out, err) : Usage(err);
    }
    const bool fits = (verb == "tree" && words <= 1) || (verb == "get" && words == 2) ||
                      (verb == "set" && words == 3) || (verb == "click" && words == 1) ||
                      (verb == "notify" && words == 2) || (verb == "wait" && words == 3);
    if (!fits || waitMs < 0) {
        return Usage(err);
    }
    std::vector<std::string> request{"ui", verb};
    for (size_t i = 0; i < args.size(); ++i) {
        if (i != verbIndex) {
            request.push_back(args[i]);
        }
    }
    // A wait answers when the value is there or its own time is up.
    const int timeout = verb == "wait" ? waitMs + kAppReplyTimeoutMs : kAppReplyTimeoutMs;
    return SendToApp(request, timeout, out, err);
}
