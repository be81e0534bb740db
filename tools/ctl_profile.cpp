#include "tools/ctl_profile.h"

#include <ostream>

#include "profile/profile_list.h"
#include "profile/profile_paths.h"
#include "profile/user_file.h"

namespace {

struct DeviceFamily {
    const char* name;    // as typed on the command line
    const char* folder;  // the device's profile folder and default document
    int kind;
};

constexpr DeviceFamily kFamilies[] = {
    {"keyboard", "keyboard", 1},
    {"mouse", "mouse", 2},
    {"mousepad", "MousePad", 3},
    {"headset", "HD", 7},
};

constexpr const char* kUsage =
    "usage: veldmarkctl profile <command> <device> [argument]\n"
    "  list <device>             the profiles; * marks the selected one\n"
    "  add <device>              adds \"Profile n\" from the defaults and selects it\n"
    "  copy <device>             copies the selected profile\n"
    "  rename <device> <name>    renames the selected profile\n"
    "  delete <device>           deletes the selected profile\n"
    "  select <device> <n|name>  selects profile n (counted from 0) or the named one\n"
    "  reset <device>            restores the selected profile's defaults\n"
    "  export <device> <file>    writes the selected profile to <file>\n"
    "  import <device> <file>    adds the profile stored in <file>\n"
    "<device>: keyboard, mouse, mousepad or headset\n";

const DeviceFamily* FindFamily(const std::string& name) {
    for (const DeviceFamily& family : kFamilies) {
        if (profile::SameProfileName(name, family.name) ||
            profile::SameProfileName(name, family.folder)) {
            return &family;
        }
    }
    return nullptr;
}

// Names come from files a user may have edited: control characters are
// shown escaped so they cannot move the cursor or clear the terminal.
void PrintList(const profile::ProfileList& list, std::ostream& out) {
    const auto& entries = list.GetEntries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const bool selected = static_cast<int>(i) == list.GetSelectedIndex();
        out << (selected ? "* " : "  ") << i << "  " << profile::EscapeForDisplay(entries[i].name)
            << "  (" << profile::EscapeForDisplay(entries[i].uuid) << ")\n";
    }
}

void PrintNotices(const profile::ProfileOutcome& outcome, std::ostream& err) {
    for (const std::string& notice : outcome.notices) {
        err << "veldmarkctl profile: " << profile::EscapeForDisplay(notice) << '\n';
    }
}

// The profile named or numbered by `key`, -1 when there is none.
int FindProfile(const profile::ProfileList& list, const std::string& key) {
    const auto& entries = list.GetEntries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (profile::SameProfileName(entries[i].name, key)) {
            return static_cast<int>(i);
        }
    }
    if (!key.empty() && key.find_first_not_of("0123456789") == std::string::npos &&
        key.size() < 6) {
        const int index = std::stoi(key);
        if (index < static_cast<int>(entries.size())) {
            return index;
        }
    }
    return -1;
}

// Reports an outcome: the done-message on `out`, the reason on `err`.
int Report(const std::string& command, const profile::ProfileOutcome& outcome,
           const std::string& doneText, std::ostream& out, std::ostream& err) {
    using profile::ProfileResult;
    PrintNotices(outcome, err);
    const std::string detail = profile::EscapeForDisplay(outcome.detail);
    switch (outcome.result) {
        case ProfileResult::Done:
            out << doneText << detail << '\n';
            return 0;
        case ProfileResult::NameClash:
            err << "veldmarkctl profile " << command << ": refused, " << detail
                << " already (names are compared without regard to letter case)\n";
            return 1;
        case ProfileResult::Unchanged:
            err << "veldmarkctl profile " << command << ": nothing to do\n";
            return 1;
        default:
            err << "veldmarkctl profile " << command << ": " << detail << '\n';
            return 1;
    }
}

int RunOn(profile::ProfileList& list, const std::string& command, const std::string& argument,
          std::ostream& out, std::ostream& err) {
    if (command == "add") {
        return Report(command, list.AddProfile(), "added and selected ", out, err);
    }
    if (command == "copy") {
        return Report(command, list.CopyProfile(), "copied as ", out, err);
    }
    if (command == "delete") {
        return Report(command, list.DeleteProfile(), "deleted ", out, err);
    }
    if (command == "reset") {
        return Report(command, list.RestoreDefaults(), "restored the defaults of ", out, err);
    }
    if (command == "rename") {
        return Report(command, list.RenameProfile(argument), "renamed to ", out, err);
    }
    if (command == "export") {
        return Report(command, list.ExportProfile(argument), "exported ", out, err);
    }
    if (command == "import") {
        return Report(command, list.ImportProfile(argument), "imported as ", out, err);
    }
    const int index = FindProfile(list, argument);
    if (index < 0) {
        err << "veldmarkctl profile select: no profile \"" << argument << "\"\n";
        return 1;
    }
    return Report(command, list.SelectProfile(index), "selected ", out, err);
}

}  // namespace

int RunProfileCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const size_t first = !args.empty() && args[0] == "profile" ? 1 : 0;
    const std::vector<std::string> words(args.begin() + static_cast<std::ptrdiff_t>(first),
                                         args.end());
    if (words.size() < 2) {
        err << kUsage;
        return 2;
    }
    const std::string& command = words[0];
    const bool takesArgument =
        command == "rename" || command == "select" || command == "export" || command == "import";
    const bool known = takesArgument || command == "list" || command == "add" ||
                       command == "copy" || command == "delete" || command == "reset";
    if (!known || words.size() != (takesArgument ? 3u : 2u)) {
        err << kUsage;
        return 2;
    }
    const DeviceFamily* family = FindFamily(words[1]);
    if (family == nullptr) {
        err << "veldmarkctl profile: unknown device \"" << words[1] << "\"\n" << kUsage;
        return 2;
    }
    const std::string defaults = profile::DefaultDocument(family->folder);
    if (!profile::FileExists(defaults)) {
        err << "veldmarkctl profile: warning: no default document at " << defaults
            << " (set VELDMARK_DATA_DIR to the data folder); new profiles start empty\n";
    }
    profile::ProfileList list;
    list.SetDeviceKind(family->kind);
    if (command == "list") {
        list.SetPaths(profile::ProfileFolderPath(family->folder), defaults);
        // Listing only reads: it works on a full disk or a read-only folder.
        const profile::ProfileOutcome read = list.ReadOnly();
        PrintNotices(read, err);
        if (!read.Ok()) {
            err << "veldmarkctl profile list: " << profile::EscapeForDisplay(read.detail) << '\n';
            return 1;
        }
        if (list.GetEntries().empty()) {
            err << "veldmarkctl profile list: no profiles yet (" << list.ListPath() << ")\n";
        }
        PrintList(list, out);
        return 0;
    }
    list.SetPaths(profile::ProfileFolder(family->folder), defaults);
    const profile::ProfileOutcome init = list.InitProfiles();
    PrintNotices(init, err);
    if (!init.Ok()) {
        err << "veldmarkctl profile: cannot open the profile list: "
            << profile::EscapeForDisplay(init.detail) << '\n';
        return 1;
    }
    return RunOn(list, command, takesArgument ? words[2] : std::string(), out, err);
}
