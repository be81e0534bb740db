#include "tools/ctl_effect.h"

#include <filesystem>
#include <ostream>

#include "device/catalogue.h"
#include "platform/session/local_socket.h"
#include "profile/light_effects.h"
#include "profile/profile_paths.h"
#include "profile/user_file.h"
#include "tools/ctl_instance.h"

namespace {

struct EffectFamily {
    const char* name;    // as typed on the command line
    const char* folder;  // the device's profile folder
    int typeCode;        // its element of the light store
};

constexpr EffectFamily kFamilies[] = {
    {"keyboard", "keyboard", device::kTypeKeyboard},
    {"mouse", "mouse", device::kTypeMouse},
    {"mousepad", "MousePad", device::kTypeMousePad},
    {"headset", "HD", device::kTypeHeadset},
};

constexpr const char* kUsage =
    "usage: veldmarkctl effect <command> <device> [arguments]\n"
    "  list <device>                       the custom light effects: position, mode, name, steps\n"
    "  import <device> <file.light> [name] adds the step file as the next custom effect\n"
    "<device>: keyboard, mouse, mousepad or headset\n";

// Mode numbers are one byte: the family's built-in modes come first.
int MaxEffects(int typeCode) {
    return 256 - device::BuiltInLightModes(typeCode);
}

int List(const EffectFamily& family, std::ostream& out, std::ostream& err) {
    const profile::EffectListing listing =
        profile::ListLightEffects(profile::ProfileFolderPath(family.folder), family.typeCode);
    if (!listing.ok) {
        err << "veldmarkctl effect list: " << listing.reason << '\n';
        return 1;
    }
    const int builtIn = device::BuiltInLightModes(family.typeCode);
    for (size_t i = 0; i < listing.effects.size(); ++i) {
        const profile::LightEffectEntry& e = listing.effects[i];
        out << i << "  mode " << builtIn + static_cast<int>(i) << "  "
            << profile::EscapeForDisplay(e.name) << "  ";
        if (e.steps < 0) {
            out << "(no playable step file)\n";
        } else {
            out << e.steps << (e.steps == 1 ? " step\n" : " steps\n");
        }
    }
    return 0;
}

// Tells a running program that the store changed; it has no say in the import.
void TellProgram(std::ostream& err) {
    std::string error;
    const std::optional<std::string> reply = platform::session::SendLocalRequest(
        AppInstanceName(), "effect refresh", kAppReplyTimeoutMs, &error);
    if (reply && *reply != "ok") {
        err << "veldmarkctl effect import: the running program did not take the new effect ("
            << *reply << "); it shows it after a restart\n";
    }
}

int Import(const EffectFamily& family, const std::string& file, const std::string& name,
           std::ostream& out, std::ostream& err) {
    std::error_code failed;
    const std::string path = std::filesystem::absolute(file, failed).string();
    if (failed) {
        err << "veldmarkctl effect import: " << file << ": " << failed.message() << '\n';
        return 1;
    }
    const profile::EffectImport done =
        profile::ImportLightEffect(profile::ProfileFolder(family.folder), family.typeCode, path,
                                   name, MaxEffects(family.typeCode));
    if (!done.ok) {
        err << "veldmarkctl effect import: " << done.reason << '\n';
        return 1;
    }
    out << "imported as effect " << done.position << " (mode "
        << device::BuiltInLightModes(family.typeCode) + done.position << ")\n";
    TellProgram(err);
    return 0;
}

}  // namespace

int RunEffectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const size_t first = !args.empty() && args[0] == "effect" ? 1 : 0;
    const std::vector<std::string> words(args.begin() + static_cast<std::ptrdiff_t>(first),
                                         args.end());
    const bool list = words.size() == 2 && words[0] == "list";
    const bool import = (words.size() == 3 || words.size() == 4) && words[0] == "import";
    if (!list && !import) {
        err << kUsage;
        return 2;
    }
    const EffectFamily* family = nullptr;
    for (const EffectFamily& f : kFamilies) {
        if (words[1] == f.name) {
            family = &f;
        }
    }
    if (family == nullptr) {
        err << "veldmarkctl effect: unknown device \"" << profile::EscapeForDisplay(words[1])
            << "\" (keyboard, mouse, mousepad or headset)\n";
        return 2;
    }
    if (list) {
        return List(*family, out, err);
    }
    return Import(*family, words[2], words.size() == 4 ? words[3] : std::string(), out, err);
}
