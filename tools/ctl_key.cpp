#include "tools/ctl_key.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <utility>

#include "keyboard/keyboard_tables.h"
#include "mouse/mouse_buttons.h"
#include "platform/session/local_socket.h"
#include "platform/ui/language_table.h"
#include "profile/json_fields.h"
#include "profile/json_file.h"
#include "profile/key_tables.h"
#include "profile/key_text.h"
#include "profile/macro_store.h"
#include "profile/profile_document.h"
#include "profile/profile_list.h"
#include "profile/profile_paths.h"
#include "profile/user_file.h"

namespace {

constexpr int kRequestTimeoutMs = 5000;

constexpr const char* kUsage =
    "usage: veldmarkctl key <command> <device> …\n"
    "  list <device> [--lang en|cn]       every key: index, name, function\n"
    "  set <device> <key> <function>      gives a key a function, for example\n"
    "                                     key set mouse forward keyboard:ctrl+c\n"
    "                                     key set mouse 4 macro:2:repeat:5\n"
    "                                     key set keyboard A keyboard:shift+b\n"
    "<device>: keyboard or mouse; functions: default, off, mouse:<button>,\n"
    "swing:<left|right>:<count>[:<delay>:<speed>], wheel:<up|down>:<count>[:<delay>:<speed>],\n"
    "dpi:<up|down|cycle>, fire:<interval>:<count>, keyboard:[ctrl+|shift+|alt+|win+]<key>,\n"
    "media:<name>, system:<power|sleep|wake>, "
    "macro:<n|name>[:once|hold|toggle|release|repeat:<n>],\n"
    "gun:<1-4>, combo:<open|new|undo|save|copy|cut|paste|find|select-all|zoom-out|zoom-in>\n";

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

bool Number(const std::string& text, int low, int high, int& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty() && value >= low &&
           value <= high;
}

// The language table of the skin beside the shipped data.
ui::LanguageTable Language(const std::string& code) {
    ui::LanguageTable table;
    const std::filesystem::path skin =
        std::filesystem::path(profile::DefaultDataFolder()).parent_path().parent_path() / "skin";
    table.LoadFile(skin / (code == "cn" ? "lan_cn.xml" : "lan_en.xml"));
    return table;
}

KeyAssignment Make(uint8_t kind, uint8_t p1, uint8_t p2) {
    return {0, kind, p1, p2, 0};
}

std::optional<int> FindWord(std::string_view word, std::initializer_list<std::string_view> words) {
    int i = 0;
    for (std::string_view w : words) {
        if (word == w) {
            return i;
        }
        ++i;
    }
    return std::nullopt;
}

std::optional<KeyAssignment> RowRecord(std::span<const keys::KeyCodeRow> rows,
                                       std::string_view nameKey) {
    for (const keys::KeyCodeRow& row : rows) {
        if (row.name == nameKey) {
            return row.Record();
        }
    }
    return std::nullopt;
}

// A key of the capture block (rows 8-112) by its name key or English name.
std::optional<uint8_t> KeyUsage(const std::string& name) {
    static const ui::LanguageTable english = Language("en");
    const std::string wanted = Lower(name);
    const auto rows =
        keys::KeyboardRows().subspan(keys::kModifierRows, keys::kCaptureRows - keys::kModifierRows);
    for (const keys::KeyCodeRow& row : rows) {
        const std::string_view key = row.name.substr(std::string_view("keyboard_key_").size());
        if (Lower(key) == wanted || Lower(english.Resolve(row.name)) == wanted) {
            return row.param2;
        }
    }
    return std::nullopt;
}

std::optional<uint8_t> ModifierBit(const std::string& word) {
    static constexpr std::array<std::pair<std::string_view, uint8_t>, 12> kModifiers = {{
        {"ctrl", 0x01},
        {"lctrl", 0x01},
        {"shift", 0x02},
        {"lshift", 0x02},
        {"alt", 0x04},
        {"lalt", 0x04},
        {"win", 0x08},
        {"lwin", 0x08},
        {"rctrl", 0x10},
        {"rshift", 0x20},
        {"ralt", 0x40},
        {"rwin", 0x80},
    }};
    for (const auto& [name, bit] : kModifiers) {
        if (word == name) {
            return bit;
        }
    }
    return std::nullopt;
}

std::optional<KeyAssignment> KeyboardFunction(const std::string& text, std::string& problem) {
    // Modifiers come first, each followed by "+"; the rest names the key
    // (which may itself hold a "+", as "Num +" does).
    uint8_t modifiers = 0;
    std::string rest = text;
    for (size_t plus = rest.find('+'); plus != std::string::npos && plus + 1 < rest.size();
         plus = rest.find('+')) {
        const std::optional<uint8_t> bit = ModifierBit(Lower(rest.substr(0, plus)));
        if (!bit) {
            break;
        }
        modifiers |= *bit;
        rest = rest.substr(plus + 1);
    }
    if (const std::optional<uint8_t> bit = ModifierBit(Lower(rest))) {
        return Make(keys::kKindKeyboard, modifiers | *bit, 0);
    }
    const std::optional<uint8_t> usage = KeyUsage(rest);
    if (!usage) {
        problem = "no key \"" + rest + "\" (keys as the key list names them: C, F1, Esc, Num 7 …)";
        return std::nullopt;
    }
    return Make(keys::kKindKeyboard, modifiers, *usage);
}

// Count, then optional delay and speed (0-15 each), as the editor packs them.
std::optional<KeyAssignment> Movement(uint8_t kind, bool reverse, const std::vector<std::string>& p,
                                      std::string& problem) {
    int count = 0;
    int delay = 0;
    int speed = 0;
    const int maxCount = kind == keys::kKindWheel && reverse ? 128 : 127;
    if (p.size() < 3 || !Number(p[2], 0, maxCount, count) ||
        (p.size() >= 4 && !Number(p[3], 0, 15, delay)) ||
        (p.size() >= 5 && !Number(p[4], 0, 15, speed)) || p.size() > 5) {
        problem = "needs a count 0-" + std::to_string(maxCount) +
                  ", then optionally a delay and a speed of 0-15";
        return std::nullopt;
    }
    const auto timing = static_cast<uint8_t>(delay << 4 | speed);
    if (kind == keys::kKindWheel && reverse) {
        return Make(kind, timing, static_cast<uint8_t>((128 - count) | 0x80));
    }
    return Make(kind, timing, static_cast<uint8_t>(count | (reverse ? 0x80 : 0)));
}

std::optional<KeyAssignment> MacroFunction(const std::vector<std::string>& p,
                                           const std::vector<std::string>& macroNames,
                                           std::string& problem) {
    if (p.size() < 2) {
        problem = "names no macro";
        return std::nullopt;
    }
    int index = -1;
    for (size_t i = 0; i < macroNames.size(); ++i) {
        if (Lower(macroNames[i]) == Lower(p[1])) {
            index = static_cast<int>(i);
        }
    }
    if (index < 0 && !Number(p[1], 0, static_cast<int>(macroNames.size()) - 1, index)) {
        problem = "no macro \"" + p[1] + "\" (" + std::to_string(macroNames.size()) + " macros)";
        return std::nullopt;
    }
    const std::string mode = p.size() >= 3 ? Lower(p[2]) : "once";
    if (mode == "repeat") {
        int count = 0;
        if (p.size() != 4 || !Number(p[3], 0, 255, count)) {
            problem = "repeat needs a count 0-255";
            return std::nullopt;
        }
        return Make(keys::kKindMacroRepeat, static_cast<uint8_t>(index),
                    static_cast<uint8_t>(count));
    }
    const std::optional<int> run = FindWord(mode, {"once", "hold", "toggle", "release"});
    if (!run || p.size() > 3) {
        problem = "the run mode is once, hold, toggle, release or repeat:<count>";
        return std::nullopt;
    }
    return Make(keys::kKindMacro, static_cast<uint8_t>(index), static_cast<uint8_t>(*run));
}

std::optional<KeyAssignment> TableFunction(const std::string& kind, const std::string& word,
                                           std::string& problem) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 18> kMedia = {{
        {"play", "media_play"},
        {"stop", "media_stop"},
        {"prev", "media_prev"},
        {"next", "media_next"},
        {"mute", "media_mute"},
        {"vol+", "media_vol_add"},
        {"vol-", "media_vol_sub"},
        {"mypc", "media_mypc"},
        {"calc", "media_calc"},
        {"mail", "media_mail"},
        {"player", "media_text"},
        {"home", "web_text"},
        {"refresh", "web_refresh"},
        {"stop-page", "wed_stop"},
        {"back", "wed_back"},
        {"forward", "wed_forward"},
        {"favorites", "wed_favorite"},
        {"search", "web_search"},
    }};
    if (kind == "mouse") {
        const std::optional<int> b = FindWord(word, {"left", "middle", "right", "forward", "back"});
        if (b) {
            return keys::MouseButtonRows()[static_cast<size_t>(*b)].Record();
        }
    } else if (kind == "dpi") {
        if (const std::optional<int> s = FindWord(word, {"up", "down", "cycle"})) {
            return keys::SensitivityRows()[static_cast<size_t>(*s)].Record();
        }
    } else if (kind == "system") {
        if (const std::optional<int> s = FindWord(word, {"power", "sleep", "wake"})) {
            return keys::SystemRows()[static_cast<size_t>(*s)].Record();
        }
    } else if (kind == "combo") {
        const std::optional<int> c =
            FindWord(word, {"open", "new", "undo", "save", "copy", "cut", "paste", "find",
                            "select-all", "zoom-out", "zoom-in"});
        if (c) {
            return keys::CombinationRows()[static_cast<size_t>(*c)].Record();
        }
    } else if (kind == "media") {
        for (const auto& [name, key] : kMedia) {
            if (word == name) {
                return RowRecord(keys::MediaRows(), key);
            }
        }
    } else if (kind == "gun") {
        int gun = 0;
        if (Number(word, 1, static_cast<int>(keys::kGunKeys), gun)) {
            return Make(keys::kKindGun, static_cast<uint8_t>(gun - 1), 0);
        }
    }
    problem = "no " + kind + " function \"" + word + "\"";
    return std::nullopt;
}

// --- the profile ----------------------------------------------------------------------

struct Device {
    std::string name;  // "mouse" or "keyboard", also its profile folder
    bool isMouse = false;
};

std::optional<Device> ParseDevice(const std::string& word, std::ostream& err) {
    if (word == "mouse" || word == "keyboard") {
        return Device{word, word == "mouse"};
    }
    err << "veldmarkctl key: unknown device \"" << word << "\" (keyboard or mouse)\n";
    return std::nullopt;
}

// The selected profile's document, read only; empty with the reason on failure.
std::string SelectedDocument(const Device& device, std::ostream& err) {
    profile::ProfileList list;
    const std::string folder = profile::ProfileFolderPath(device.name);
    list.SetPaths(folder, profile::DefaultDocument(device.name));
    const profile::ProfileOutcome read = list.ReadOnly();
    if (!read.Ok()) {
        err << "veldmarkctl key: " << read.detail << '\n';
        return {};
    }
    const std::string id = list.GetSelectedId();
    if (id.empty()) {
        err << "veldmarkctl key: the " << device.name
            << " has no profile yet (the program makes the first one)\n";
        return {};
    }
    return folder + id + ".Json";
}

std::vector<KeyEntry> KeysOf(const Json::Value& document) {
    std::vector<KeyEntry> keys;
    const Json::Value devices = profile::json::Member(document, "Device");
    const Json::Value device = devices.isArray() && !devices.empty() ? devices[0] : Json::Value();
    const Json::Value list = profile::json::Member(device, "KeyList");
    if (!list.isArray()) {
        return keys;
    }
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        const auto index = static_cast<uint16_t>(i);
        const Json::Value current = profile::json::Member(list[i], "Assignment");
        const Json::Value defaults = profile::json::Member(list[i], "DefaultAssignment");
        keys.push_back(
            {UnpackKeyAssignment(current.isIntegral() ? current.asInt64() : 0, index),
             UnpackKeyAssignment(defaults.isIntegral() ? defaults.asInt64() : 0, index)});
    }
    return keys;
}

std::vector<std::string> MacroNames(const Device& device) {
    profile::MacroStore store;
    store.SetFolder(profile::ProfileFolderPath(device.name));
    store.Load();
    std::vector<std::string> names;
    for (const profile::MacroInfo& macro : store.GetMacros()) {
        names.push_back(macro.name);
    }
    return names;
}

std::string KeyName(const Device& device, size_t index, const ui::LanguageTable& language) {
    const auto buttons = mouse::LogicalButtons();
    if (device.isMouse && index < buttons.size()) {
        return language.Resolve(buttons[index].name);
    }
    const std::string_view key =
        device.isMouse ? std::string_view() : keyboard::KeyNameKey(static_cast<int>(index));
    return key.empty() ? "key " + std::to_string(index) : language.Resolve(key);
}

// A keyboard key by the name the page gives it (in English or by its name
// key without "keyboard_key_"), the first key of that name; -1 when none.
int FindKeyboardKey(const std::string& word) {
    const ui::LanguageTable english = Language("en");
    const std::string wanted = Lower(word);
    for (int button = 0; button < keyboard::kKeyButtons; ++button) {
        const std::string_view key = keyboard::KeyNameKey(button);
        if (key.empty()) {
            continue;
        }
        const std::string_view bare = key.substr(std::string_view("keyboard_key_").size());
        if (Lower(english.Resolve(key)) == wanted || Lower(std::string(bare)) == wanted) {
            return button;
        }
    }
    return -1;
}

std::string FunctionText(const KeyAssignment& record, const std::vector<std::string>& macros,
                         const ui::LanguageTable& language) {
    const std::optional<std::string> text = keys::AssignmentText(
        record, macros, [&language](std::string_view key) { return language.Resolve(key); });
    return text ? profile::EscapeForDisplay(*text) : std::string("-");
}

int List(const Device& device, const std::string& lang, std::ostream& out, std::ostream& err) {
    const std::string path = SelectedDocument(device, err);
    if (path.empty()) {
        return 1;
    }
    JsonLoadStatus status = JsonLoadStatus::Ok;
    const Json::Value document = CJsonFile().Load(path, &status);
    if (status != JsonLoadStatus::Ok) {
        err << "veldmarkctl key list: cannot read " << path << '\n';
        return 1;
    }
    const ui::LanguageTable language = Language(lang);
    const std::vector<std::string> macros = MacroNames(device);
    const std::vector<KeyEntry> keys = KeysOf(document);
    for (size_t i = 0; i < keys.size(); ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%06x", PackKeyAssignment(keys[i].current));
        out << i << "  " << KeyName(device, i, language) << "  "
            << FunctionText(keys[i].current, macros, language) << "  " << code << '\n';
    }
    return 0;
}

std::string InstanceName() {
    const char* name = std::getenv("VELDMARK_INSTANCE");
    return name != nullptr && name[0] != '\0' ? std::string(name) : std::string("DARVO_ORVIX");
}

// Asks the running program to make the change; nullopt when no program runs.
std::optional<int> SetThroughProgram(const Device& device, size_t index,
                                     const KeyAssignment& record, std::ostream& err) {
    std::string error;
    const std::string request = "key set " + device.name + " " + std::to_string(index) + " " +
                                std::to_string(PackKeyAssignment(record));
    const std::optional<std::string> reply =
        platform::session::SendLocalRequest(InstanceName(), request, kRequestTimeoutMs, &error);
    if (!reply) {
        if (error.rfind("connect", 0) == 0) {
            return std::nullopt;  // nobody listens: the files are ours alone
        }
        err << "veldmarkctl key set: the running program did not answer (" << error
            << "); nothing was changed\n";
        return 1;
    }
    if (reply->rfind("ok", 0) == 0) {
        return 0;
    }
    if (*reply == "error: unknown request") {
        err << "veldmarkctl key set: the running program does not take key changes; close it "
               "and run this again\n";
        return 1;
    }
    err << "veldmarkctl key set: " << reply->substr(reply->rfind("error: ", 0) == 0 ? 7 : 0)
        << '\n';
    return 1;
}

int SetInFile(const Device& device, size_t index, const KeyAssignment& record, std::ostream& err) {
    profile::ProfileList list;
    const std::string folder = profile::ProfileFolder(device.name);
    list.SetPaths(folder, profile::DefaultDocument(device.name));
    list.SetDeviceKind(device.isMouse ? 2 : 1);
    const profile::ProfileOutcome init = list.InitProfiles();
    if (list.GetSelectedId().empty()) {
        err << "veldmarkctl key set: " << init.detail << '\n';
        return 1;
    }
    CBasicProfiledata document;
    document.SetDefaultPath(profile::DefaultDocument(device.name));
    document.SetProfilePath(folder + list.GetSelectedId() + ".Json");
    document.Load(document.GetProfilePath());
    std::vector<KeyEntry> keys = document.ReadKeyList();
    if (index >= keys.size()) {
        err << "veldmarkctl key set: the profile has " << keys.size() << " keys\n";
        return 1;
    }
    keys[index].current = record;
    keys[index].current.keyIndex = static_cast<uint16_t>(index);
    document.WriteKeyAssignments(keys);
    if (document.Save() != 0) {
        err << "veldmarkctl key set: cannot write " << document.GetProfilePath() << '\n';
        return 1;
    }
    return 0;
}

int Set(const Device& device, const std::string& keyWord, const std::string& function,
        std::ostream& out, std::ostream& err) {
    const std::string path = SelectedDocument(device, err);
    const Json::Value document = path.empty() ? Json::Value() : CJsonFile().Load(path);
    const std::vector<KeyEntry> keys = KeysOf(document);
    int index = device.isMouse ? mouse::FindLogicalButton(Lower(keyWord)) : -1;
    if (index < 0 && !Number(keyWord, 0, 511, index)) {
        index = device.isMouse ? -1 : FindKeyboardKey(keyWord);
    }
    if (index < 0) {
        err << "veldmarkctl key set: no key \"" << keyWord << "\"\n";
        return 2;
    }
    if (!keys.empty() && static_cast<size_t>(index) >= keys.size()) {
        err << "veldmarkctl key set: the profile has " << keys.size() << " keys\n";
        return 1;
    }
    const KeyAssignment defaults = static_cast<size_t>(index) < keys.size()
                                       ? keys[static_cast<size_t>(index)].defaults
                                       : KeyAssignment{};
    const std::vector<std::string> macros = MacroNames(device);
    std::string problem;
    const std::optional<KeyAssignment> record =
        ParseKeyFunction(function, defaults, macros, problem);
    if (!record) {
        err << "veldmarkctl key set: \"" << function << "\": " << problem << '\n';
        return 2;
    }
    const auto slot = static_cast<size_t>(index);
    const std::optional<int> viaProgram = SetThroughProgram(device, slot, *record, err);
    if (viaProgram && *viaProgram != 0) {
        return *viaProgram;
    }
    if (!viaProgram && SetInFile(device, slot, *record, err) != 0) {
        return 1;
    }
    const ui::LanguageTable language = Language("en");
    out << device.name << " key " << index << " (" << KeyName(device, slot, language)
        << "): " << FunctionText(*record, macros, language) << '\n';
    return 0;
}

}  // namespace

std::optional<KeyAssignment> ParseKeyFunction(const std::string& text,
                                              const KeyAssignment& defaults,
                                              const std::vector<std::string>& macroNames,
                                              std::string& problem) {
    const std::vector<std::string> parts = Split(text, ':');
    const std::string kind = Lower(parts[0]);
    if (parts.size() == 1 && kind == "default") {
        return Make(defaults.kind, defaults.param1, defaults.param2);
    }
    if (parts.size() == 1 && kind == "off") {
        return Make(keys::kKindKeyboard, 0, 0);
    }
    if (parts.size() < 2) {
        problem = "not a function (see veldmarkctl key)";
        return std::nullopt;
    }
    if (kind == "keyboard") {
        // Everything after the first ":" is the key, which may be ":" itself.
        return KeyboardFunction(text.substr(parts[0].size() + 1), problem);
    }
    if (kind == "macro") {
        return MacroFunction(parts, macroNames, problem);
    }
    const std::string word = Lower(parts[1]);
    if (kind == "swing" || kind == "wheel") {
        const std::optional<int> way =
            kind == "swing" ? FindWord(word, {"left", "right"}) : FindWord(word, {"up", "down"});
        if (!way) {
            problem =
                kind == "swing" ? "the direction is left or right" : "the direction is up or down";
            return std::nullopt;
        }
        return Movement(kind == "swing" ? keys::kKindSwing : keys::kKindWheel, *way == 1, parts,
                        problem);
    }
    if (kind == "fire") {
        int interval = 0;
        int count = 0;
        if (parts.size() != 3 || !Number(parts[1], 0, 255, interval) ||
            !Number(parts[2], 0, 255, count)) {
            problem = "fire needs an interval and a count of 0-255";
            return std::nullopt;
        }
        return Make(keys::kKindFire, static_cast<uint8_t>(interval), static_cast<uint8_t>(count));
    }
    if (parts.size() != 2) {
        problem = "too many parts";
        return std::nullopt;
    }
    return TableFunction(kind, word, problem);
}

int RunKeyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const size_t first = !args.empty() && args[0] == "key" ? 1 : 0;
    const std::vector<std::string> words(args.begin() + static_cast<std::ptrdiff_t>(first),
                                         args.end());
    if (words.size() < 2) {
        err << kUsage;
        return 2;
    }
    const std::optional<Device> device = ParseDevice(words[1], err);
    if (!device) {
        return 2;
    }
    if (words[0] == "list") {
        std::string lang = "en";
        if (words.size() == 4 && words[2] == "--lang" && (words[3] == "en" || words[3] == "cn")) {
            lang = words[3];
        } else if (words.size() != 2) {
            err << kUsage;
            return 2;
        }
        return List(*device, lang, out, err);
    }
    if (words[0] == "set" && words.size() == 4) {
        return Set(*device, words[2], words[3], out, err);
    }
    err << kUsage;
    return 2;
}
