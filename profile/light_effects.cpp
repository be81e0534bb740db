#include "profile/light_effects.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <set>

#include "profile/json_fields.h"
#include "profile/json_file.h"
#include "profile/user_file.h"

namespace profile {

namespace {

using json::Member;
using json::Size;

struct StepKey {
    const char* key;
    int64_t low;
    int64_t high;
    bool required;
};

// The keys of one step and the values each may take. "Cyle" is kept with the
// step but not played, so a file without it is taken (as 0).
constexpr StepKey kStepKeys[] = {
    {"LEDREGMode", 0, 5, true},
    {"LEDBrightness", 0, 5, true},
    {"LEDSpeed", 0, 4, true},
    {"LEDDirection", 0, 1, true},
    {"LEDMultiColor", 0, 1, true},
    {"red", 0, 255, true},
    {"green", 0, 255, true},
    {"blue", 0, 255, true},
    {"Time", kMinStepMs, kMaxStepMs, true},
    {"Cyle", 0, INT32_MAX, false},
};

int LineAt(const std::string& bytes, std::ptrdiff_t offset) {
    offset = std::clamp<std::ptrdiff_t>(offset, 0, static_cast<std::ptrdiff_t>(bytes.size()));
    return 1 + static_cast<int>(std::count(bytes.begin(), bytes.begin() + offset, '\n'));
}

int LineOf(const std::string& bytes, const Json::Value& value) {
    return LineAt(bytes, value.getOffsetStart());
}

EffectFileCheck Refuse(int line, std::string reason) {
    EffectFileCheck check;
    check.line = line;
    check.reason = std::move(reason);
    return check;
}

bool IsWholeNumber(const Json::Value& v) {
    return v.type() == Json::intValue || v.type() == Json::uintValue;
}

std::string StorePath(const std::string& folder) {
    return folder + kLightStoreFile;
}

// A step file that is a plain file inside the folder: a link could lead out.
bool IsPlainFile(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsBadName(const std::string& name) {
    return name.empty() || name.size() > kMaxEffectNameBytes ||
           std::any_of(name.begin(), name.end(), [](char c) {
               const auto byte = static_cast<unsigned char>(c);
               return byte < 0x20 || byte == 0x7f;
           });
}

std::string StemOf(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    const size_t dot = name.rfind('.');
    return dot != std::string::npos && dot > 0 ? name.substr(0, dot) : name;
}

}  // namespace

std::string EffectFileCheck::Describe() const {
    return line > 0 ? "line " + std::to_string(line) + ": " + reason : reason;
}

EffectFileCheck CheckEffectFile(const std::string& bytes) {
    Json::Value root;
    Json::Reader reader(Json::Features::all());
    bool parsed = false;
    try {
        parsed = reader.parse(bytes, root, false);
    } catch (const std::exception&) {
        // jsoncpp throws on documents nested deeper than it allows.
        return Refuse(0, "not JSON: nested too deeply");
    }
    if (!parsed) {
        const std::vector<Json::Reader::StructuredError> errors = reader.getStructuredErrors();
        if (errors.empty()) {
            return Refuse(0, "not a JSON document");
        }
        return Refuse(LineAt(bytes, errors.front().offset_start),
                      "not JSON: " + errors.front().message);
    }
    if (!root.isObject()) {
        return Refuse(1, "the file is not an object with \"LEDEffectList\"");
    }
    const Json::Value& list = Member(root, "LEDEffectList");
    if (!list.isArray()) {
        return Refuse(list.isNull() ? 1 : LineOf(bytes, list), "\"LEDEffectList\" is not a list");
    }
    if (list.empty()) {
        return Refuse(LineOf(bytes, list), "\"LEDEffectList\" has no steps");
    }
    if (list.size() > kMaxEffectSteps) {
        return Refuse(
            LineOf(bytes, list[static_cast<Json::ArrayIndex>(kMaxEffectSteps)]),
            std::to_string(list.size()) + " steps; at most " + std::to_string(kMaxEffectSteps));
    }
    EffectFileCheck check;
    check.steps = Json::Value(Json::arrayValue);
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        const Json::Value& element = list[i];
        const std::string which = "step " + std::to_string(i + 1);
        if (!element.isObject()) {
            return Refuse(LineOf(bytes, element), which + " is not an object");
        }
        Json::Value step(Json::objectValue);
        for (const StepKey& k : kStepKeys) {
            const Json::Value& v = Member(element, k.key);
            if (v.isNull() && !k.required) {
                step[k.key] = 0;
                continue;
            }
            if (v.isNull()) {
                return Refuse(LineOf(bytes, element), which + " has no \"" + k.key + "\"");
            }
            if (!IsWholeNumber(v)) {
                return Refuse(LineOf(bytes, v),
                              which + ": \"" + k.key + "\" is not a whole number");
            }
            const bool negative = v.type() == Json::intValue && v.asInt64() < 0;
            const std::string shown =
                negative ? std::to_string(v.asInt64()) : std::to_string(v.asUInt64());
            if (negative || v.asUInt64() > static_cast<uint64_t>(k.high) || v.asInt64() < k.low) {
                return Refuse(LineOf(bytes, v), which + ": \"" + k.key + "\" is " + shown +
                                                    ", not " + std::to_string(k.low) + "-" +
                                                    std::to_string(k.high));
            }
            step[k.key] = v.asInt64();
        }
        check.steps.append(step);
    }
    check.ok = true;
    return check;
}

EffectListing ListLightEffects(const std::string& folder, int typeCode) {
    EffectListing listing;
    const JsonRead store = CJsonFile().Read(StorePath(folder));
    if (store.file.status == FileStatus::Missing) {
        listing.ok = true;
        return listing;
    }
    if (!store.Ok()) {
        listing.reason = store.file.Reason();
        return listing;
    }
    const Json::Value& family =
        json::Element(Member(store.value, "LightInfo"), static_cast<Json::ArrayIndex>(typeCode));
    for (Json::ArrayIndex i = 0; i < Size(family); ++i) {
        LightEffectEntry entry;
        const Json::Value& name = Member(family[i], "LightName");
        const Json::Value& guid = Member(family[i], "Guid");
        entry.name = name.isString() ? name.asString() : std::string();
        entry.guid = guid.isString() ? guid.asString() : std::string();
        const std::string stepFile = folder + entry.guid + ".light";
        if (IsSafeFileId(entry.guid) && IsPlainFile(stepFile)) {
            const UserFileRead file = ReadUserFile(stepFile, kDocumentCap);
            const EffectFileCheck check =
                file.Ok() ? CheckEffectFile(file.bytes) : EffectFileCheck{};
            entry.steps = check.ok ? static_cast<int>(check.steps.size()) : -1;
        }
        listing.effects.push_back(std::move(entry));
    }
    listing.ok = true;
    return listing;
}

EffectImport ImportLightEffect(const std::string& folder, int typeCode, const std::string& path,
                               const std::string& givenName, int maxEffects) {
    EffectImport result;
    const UserFileRead file = ReadUserFile(path, kDocumentCap);
    if (!file.Ok()) {
        result.reason = file.Reason();
        return result;
    }
    const EffectFileCheck check = CheckEffectFile(file.bytes);
    if (!check.ok) {
        result.reason = path + ": " + check.Describe();
        return result;
    }
    const std::string name = givenName.empty() ? StemOf(path) : givenName;
    if (IsBadName(name)) {
        result.reason = "the name must have 1-" + std::to_string(kMaxEffectNameBytes) +
                        " bytes and no control characters";
        return result;
    }
    if (typeCode < 0) {
        result.reason = "this device has no light effects";
        return result;
    }

    FolderLock lock(folder);
    if (!lock.Held()) {
        result.reason = lock.Reason();
        return result;
    }
    const JsonRead store = CJsonFile().Read(StorePath(folder));
    Json::Value root(Json::objectValue);
    if (store.Ok()) {
        root = store.value;
    } else if (store.file.status != FileStatus::Missing) {
        result.reason = store.file.Reason() + "; nothing was written";
        return result;
    }
    if (!root.isObject() || (root.isMember("LightInfo") && !root["LightInfo"].isArray())) {
        result.reason = StorePath(folder) + " is not a light store; nothing was written";
        return result;
    }
    Json::Value& families = root["LightInfo"];
    if (families.isNull()) {
        families = Json::Value(Json::arrayValue);
    }
    const auto index = static_cast<Json::ArrayIndex>(typeCode);
    while (families.size() <= index) {
        families.append(Json::Value(Json::arrayValue));
    }
    Json::Value& family = families[index];
    if (family.isNull()) {
        family = Json::Value(Json::arrayValue);
    }
    if (!family.isArray()) {
        result.reason = StorePath(folder) +
                        ": this device's effects are not a list; nothing "
                        "was written";
        return result;
    }
    if (static_cast<int>(family.size()) >= maxEffects) {
        result.reason = "this device already has " + std::to_string(family.size()) +
                        " effects, as many as its lighting modes can name";
        return result;
    }
    std::set<std::string> taken;
    for (const Json::Value& f : families) {
        for (Json::ArrayIndex i = 0; i < Size(f); ++i) {
            const Json::Value& guid = Member(f[i], "Guid");
            if (guid.isString()) {
                taken.insert(guid.asString());
            }
        }
    }
    Json::Value document(Json::objectValue);
    document["LEDEffectList"] = check.steps;
    const std::string bytes = CJsonFile::StyledText(document);
    WriteResult written;
    const std::string guid = CreateWithNewId(
        folder, ".light", [&bytes](const std::string&) { return bytes; },
        [&taken](const std::string& id) { return taken.count(id) != 0; }, &written);
    if (guid.empty()) {
        result.reason = written.Reason();
        return result;
    }
    Json::Value entry(Json::objectValue);
    entry["LightName"] = name;
    entry["Guid"] = guid;
    family.append(entry);
    const WriteResult saved = CJsonFile().WriteFile(StorePath(folder), root);
    if (!saved) {
        ::unlink((folder + guid + ".light").c_str());
        result.reason = saved.Reason() + "; nothing was written";
        return result;
    }
    result.ok = true;
    result.guid = guid;
    result.position = static_cast<int>(family.size()) - 1;
    return result;
}

}  // namespace profile
