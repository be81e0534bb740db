#include "tools/ctl_macro.h"

#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "editors/macro_event_names.h"
#include "platform/session/local_socket.h"
#include "platform/ui/language_table.h"
#include "profile/json_fields.h"
#include "profile/macro_store.h"
#include "profile/profile_paths.h"
#include "profile/user_file.h"
#include "tools/ctl_instance.h"

namespace {

constexpr int kRequestTimeoutMs = 5000;

constexpr const char* kUsage =
    "usage: veldmarkctl macro <command> <device> [arguments]\n"
    "  list <device>                    the macros: index, name, number of events\n"
    "  show <device> <n|name>           one macro's events, one a line\n"
    "  import <device> <file>           adds the macro file as a new macro \"Macro_n\"\n"
    "  export <device> <n|name> <file>  writes the macro's file to <file> unchanged\n"
    "<device>: keyboard or mouse; a macro is named by its index (from 0) or its name\n";

// True when the reason a request failed says that no program listens, as
// opposed to one that is there and did not answer.
bool NoProgram(const std::string& error) {
    return error.rfind("no private folder", 0) == 0 ||
           (error.rfind("connect ", 0) == 0 &&
            (error.find("No such file") != std::string::npos ||
             error.find("Connection refused") != std::string::npos));
}

// The macro named or numbered by `key`, -1 when there is none.
int FindMacro(const profile::MacroStore& store, const std::string& key) {
    const int named = store.Find(key);
    if (named >= 0) {
        return named;
    }
    if (!key.empty() && key.size() < 4 &&
        key.find_first_not_of("0123456789") == std::string::npos) {
        const int index = std::stoi(key);
        return index < store.Count() ? index : -1;
    }
    return -1;
}

// English names of keys and buttons, from the skin beside the shipped data.
ui::LanguageTable EnglishNames() {
    ui::LanguageTable table;
    const std::filesystem::path skin =
        std::filesystem::path(profile::DefaultDataFolder()).parent_path().parent_path() / "skin";
    table.LoadFile(skin / "lan_en.xml");
    return table;
}

std::string EventText(const Json::Value& event, const ui::LanguageTable& names) {
    const macro::EventName name = macro::NameOfEvent(event);
    if (name.key.empty()) {
        return name.plain;
    }
    return names.Resolve(name.key) + name.suffix;
}

void PrintList(const profile::MacroStore& store, std::ostream& out) {
    for (int i = 0; i < store.Count(); ++i) {
        const profile::MacroInfo& info = store.GetMacros()[i];
        out << i << "  " << profile::EscapeForDisplay(info.name) << "  "
            << store.LoadEvents(i).size() << " events\n";
    }
}

int Show(const profile::MacroStore& store, int index, std::ostream& out, std::ostream& err) {
    profile::FileStatus status = profile::FileStatus::Ok;
    const Json::Value events = store.LoadEvents(index, &status);
    if (status == profile::FileStatus::Unreadable || status == profile::FileStatus::TooLarge) {
        err << "veldmarkctl macro show: cannot read " << store.EventFilePath(index) << '\n';
        return 1;
    }
    const ui::LanguageTable names = EnglishNames();
    out << profile::EscapeForDisplay(store.GetMacros()[index].name) << ": " << events.size()
        << " events\n";
    for (Json::ArrayIndex i = 0; i < events.size(); ++i) {
        const MacroEventRecord packed = macro::PackEvent(events[i]);
        out << i << "  " << (macro::IsDown(events[i]) ? "down" : "up  ") << "  "
            << EventText(events[i], names) << "  " << (packed.delayLow | packed.delayHigh << 8)
            << " ms\n";
    }
    return 0;
}

// Asks the running program to import the file; nullopt when no program runs.
std::optional<int> ImportThroughProgram(const std::string& device, const std::string& path,
                                        std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<std::string> reply = platform::session::SendLocalRequest(
        AppInstanceName(), "macro import " + device + " " + path, kRequestTimeoutMs, &error);
    if (!reply) {
        if (NoProgram(error)) {
            return std::nullopt;  // nobody listens: the files are ours alone
        }
        err << "veldmarkctl macro import: the running program did not answer (" << error
            << "); nothing was changed\n";
        return 1;
    }
    if (reply->rfind("ok", 0) == 0) {
        out << reply->substr(reply->size() > 3 ? 3 : reply->size()) << '\n';
        return 0;
    }
    if (*reply == "error: unknown request") {
        err << "veldmarkctl macro import: the running program does not take macro changes; "
               "close it and run this again\n";
        return 1;
    }
    err << "veldmarkctl macro import: " << reply->substr(reply->rfind("error: ", 0) == 0 ? 7 : 0)
        << '\n';
    return 1;
}

int Import(const std::string& device, const std::string& file, std::ostream& out,
           std::ostream& err) {
    std::error_code failed;
    const std::string path = std::filesystem::absolute(file, failed).string();
    if (failed) {
        err << "veldmarkctl macro import: " << file << ": " << failed.message() << '\n';
        return 1;
    }
    if (const std::optional<int> done = ImportThroughProgram(device, path, out, err)) {
        return *done;
    }
    profile::MacroStore store;
    store.SetFolder(profile::ProfileFolder(device));
    const profile::MacroOutcome outcome = store.Import(path);
    if (!outcome.Ok()) {
        err << "veldmarkctl macro import: " << outcome.detail << '\n';
        return 1;
    }
    out << "imported as " << outcome.detail << '\n';
    return 0;
}

}  // namespace

int RunMacroCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const size_t first = !args.empty() && args[0] == "macro" ? 1 : 0;
    const std::vector<std::string> words(args.begin() + static_cast<std::ptrdiff_t>(first),
                                         args.end());
    if (words.size() < 2) {
        err << kUsage;
        return 2;
    }
    const std::string& command = words[0];
    const size_t expected = command == "list"                          ? 2
                            : command == "show" || command == "import" ? 3
                            : command == "export"                      ? 4
                                                                       : 0;
    if (expected == 0 || words.size() != expected) {
        err << kUsage;
        return 2;
    }
    const std::string& device = words[1];
    if (device != "keyboard" && device != "mouse") {
        err << "veldmarkctl macro: unknown device \"" << device << "\" (keyboard or mouse)\n";
        return 2;
    }
    if (command == "import") {
        return Import(device, words[2], out, err);
    }
    // Reading only: nothing is created or written in the profile folder.
    profile::MacroStore store;
    store.SetFolder(profile::ProfileFolderPath(device));
    const profile::MacroOutcome loaded = store.Load();
    if (!loaded.Ok()) {
        err << "veldmarkctl macro " << command << ": " << loaded.detail << '\n';
        return 1;
    }
    if (command == "list") {
        PrintList(store, out);
        return 0;
    }
    const int index = FindMacro(store, words[2]);
    if (index < 0) {
        err << "veldmarkctl macro " << command << ": no macro \""
            << profile::EscapeForDisplay(words[2]) << "\"\n";
        return 1;
    }
    if (command == "show") {
        return Show(store, index, out, err);
    }
    const profile::MacroOutcome exported = store.Export(index, words[3]);
    if (!exported.Ok()) {
        err << "veldmarkctl macro export: " << exported.detail << '\n';
        return 1;
    }
    out << "exported " << profile::EscapeForDisplay(store.GetMacros()[index].name) << " to "
        << words[3] << '\n';
    return 0;
}
