// veldmarkctl: looks at the supported devices from the command line.
// Each command group lives in its own ctl_<group> file and joins the table
// below with one line.

#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/backend_choice.h"
#include "tools/ctl_device.h"
#include "tools/ctl_effect.h"
#include "tools/ctl_key.h"
#include "tools/ctl_macro.h"
#include "tools/ctl_profile.h"
#include "tools/ctl_sim.h"
#include "tools/ctl_udev.h"
#include "tools/ctl_ui.h"

namespace {

using CommandFunction = int (*)(const std::vector<std::string>& args, std::ostream& out,
                                std::ostream& err);

struct CommandGroup {
    const char* name;
    CommandFunction run;
    const char* usage;
};

constexpr CommandGroup kCommands[] = {
    {"list", RunListCommand, "list                  HID collections, identities and slots"},
    {"info", RunInfoCommand, "info <kind>           device information record of a device"},
    {"watch", RunWatchCommand, "watch [--seconds N]   arrivals and removals as they happen"},
    {"udev-rules", RunUdevRulesCommand, "udev-rules            rules for device access"},
    {"profile", RunProfileCommand, "profile <cmd> <kind>  profiles (veldmarkctl profile for more)"},
    {"macro", RunMacroCommand, "macro <cmd> <kind>    macros (veldmarkctl macro for more)"},
    {"effect", RunEffectCommand,
     "effect list|import <kind> …  custom light effects (veldmarkctl effect for more)"},
    {"key", RunKeyCommand, "key list|set <kind> …  key functions (veldmarkctl key for more)"},
    {"sim", RunSimCommand,
     "sim <cmd> <kind> ...  simulated devices of the running app (veldmarkctl sim for more)"},
    {"ui", RunUiCommand,
     "ui <cmd> ...           the running app's window (veldmarkctl ui for more)"},
};

void PrintUsage(std::ostream& out) {
    out << "usage: veldmarkctl <command> [arguments]\ncommands:\n";
    for (const CommandGroup& command : kCommands) {
        out << "  " << command.usage << '\n';
    }
    out << "VELDMARK_HID=sim[:kinds] selects the simulated devices; VELDMARK_TRACE=1 prints "
           "the debug trace on stderr.\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(std::cerr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "help" || name == "--help" || name == "-h") {
        PrintUsage(std::cout);
        return 0;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    // The mouse's identity file decides which devices the catalogue names.
    const char* hid = std::getenv("VELDMARK_HID");
    ConfigureMouseIdentity(hid != nullptr && std::string_view(hid).starts_with("sim"));
    for (const CommandGroup& command : kCommands) {
        if (name == command.name) {
            // A command that runs out of memory or meets a library's
            // exception says so and fails instead of aborting.
            try {
                return command.run(args, std::cout, std::cerr);
            } catch (const std::exception& e) {
                std::cerr << "veldmarkctl " << name << ": failed: " << e.what() << '\n';
                return 1;
            }
        }
    }
    std::cerr << "veldmarkctl: unknown command \"" << name << "\"\n";
    PrintUsage(std::cerr);
    return 2;
}
