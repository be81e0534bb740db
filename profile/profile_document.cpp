#include "profile/profile_document.h"

#include <algorithm>

#include "platform/trace/trace.h"
#include "profile/json_fields.h"
#include "profile/user_file.h"

using profile::json::ArrayElement;
using profile::json::Element;
using profile::json::Integer;
using profile::json::Low8;
using profile::json::Member;
using profile::json::ObjectMember;
using profile::json::Size;
using profile::json::Text;
using profile::json::Truth;

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A file whose root is not an object, or whose "Device" is not an array,
// would lose its content when the device object is put into it.
bool WouldBeOverwritten(const Json::Value& document) {
    if (!document.isObject()) {
        return !document.isNull();
    }
    const Json::Value& devices = Member(document, "Device");
    return !devices.isNull() && !devices.isArray();
}

LightEffectStep ReadEffectStep(const Json::Value& element) {
    LightEffectStep step;
    step.mode = Low8(Member(element, "LEDREGMode"));
    step.brightness = Low8(Member(element, "LEDBrightness"));
    step.speed = Low8(Member(element, "LEDSpeed"));
    step.direction = Low8(Member(element, "LEDDirection"));
    step.multiColor = Low8(Member(element, "LEDMultiColor"));
    step.red = Low8(Member(element, "red"));
    step.green = Low8(Member(element, "green"));
    step.blue = Low8(Member(element, "blue"));
    step.time = profile::json::Int32(Member(element, "Time"));
    step.cycle = profile::json::Int32(Member(element, "Cyle"));
    return step;
}

}  // namespace

void CBasicProfiledata::SetProfilePath(const std::string& path) {
    if (!path.empty()) {
        m_profilePath = path;
    }
}

void CBasicProfiledata::SetDefaultPath(const std::string& path) {
    if (!path.empty()) {
        m_defaultPath = path;
    }
}

Json::Value CBasicProfiledata::PrepareForUpdate(const std::string& path, Json::Value document,
                                                JsonLoadStatus status) {
    if (status == JsonLoadStatus::Damaged || WouldBeOverwritten(document)) {
        const std::string kept = profile::KeepDamagedFile(path);
        platform::trace::Format("damaged profile kept as %s", kept.c_str());
        document = Json::Value(Json::objectValue);
    }
    if (!document.isObject()) {
        document = Json::Value(Json::objectValue);
    }
    return document;
}

Json::Value CBasicProfiledata::DocumentForSave(const std::string& path) {
    // Comparing the bytes costs far less than parsing them, and unlike file
    // times it cannot miss a change made by another writer.
    const std::string text = m_jsonFile.ReadText(path);
    if (path == m_cachePath && m_cacheIndex == m_deviceIndex && !text.empty() &&
        text == m_cacheText) {
        return m_cacheRoot;
    }
    JsonLoadStatus status = JsonLoadStatus::Ok;
    Json::Value document = m_jsonFile.Load(path, &status);
    return PrepareForUpdate(path, std::move(document), status);
}

void CBasicProfiledata::Remember(const std::string& path, Json::Value document, std::string text) {
    const auto index = static_cast<Json::ArrayIndex>(m_deviceIndex);
    Json::Value& devices = ObjectMember(document, "Device");
    if (devices.isArray() && index < devices.size()) {
        devices[index] = Json::Value();
    }
    m_cachePath = path;
    m_cacheIndex = m_deviceIndex;
    m_cacheRoot = std::move(document);
    m_cacheText = std::move(text);
}

const Json::Value& CBasicProfiledata::Load(const std::string& path) {
    const auto index = static_cast<Json::ArrayIndex>(m_deviceIndex);
    JsonLoadStatus status = JsonLoadStatus::Ok;
    std::string text;
    Json::Value document = m_jsonFile.Load(path, &status, &text);
    const Json::Value& devices = Member(document, "Device");
    if (!Element(devices, index).isNull()) {
        // Moved, not copied: the document keeps an empty slot for the cache.
        m_device = Json::Value();
        m_device.swap(document["Device"][index]);
        Remember(path, std::move(document), std::move(text));
        return m_device;
    }
    if (path == m_defaultPath) {
        // A reset reads the shipped default document; that file is only ever
        // read, so a damaged or incomplete one is neither set aside nor
        // rewritten here: the device object is simply null.
        m_device = Json::Value();
        return m_device;
    }
    document = PrepareForUpdate(path, std::move(document), status);
    const Json::Value defaults = m_jsonFile.Load(m_defaultPath);
    m_device = Element(Member(defaults, "Device"), index);
    ArrayElement(ObjectMember(document, "Device"), index) = m_device;
    if (m_jsonFile.Write(path, document, &text) == 0) {
        Remember(path, std::move(document), std::move(text));
    }
    return m_device;
}

int CBasicProfiledata::Save() {
    if (m_profilePath.empty()) {
        return 1;
    }
    // The device object is lent to the document for the write instead of
    // being copied into it: documents are large and saved on every edit.
    Json::Value document = DocumentForSave(m_profilePath);
    Json::Value& slot = ArrayElement(ObjectMember(document, "Device"),
                                     static_cast<Json::ArrayIndex>(m_deviceIndex));
    slot.swap(m_device);
    std::string written;
    const int result = m_jsonFile.Write(m_profilePath, document, &written);
    slot.swap(m_device);
    if (result == 0) {
        Remember(m_profilePath, std::move(document), std::move(written));
    }
    return result;
}

int CBasicProfiledata::SaveDevice(const Json::Value& device, const std::string& path) {
    Json::Value document = DocumentForSave(path);
    ArrayElement(ObjectMember(document, "Device"), static_cast<Json::ArrayIndex>(m_deviceIndex)) =
        device;
    std::string written;
    const int result = m_jsonFile.Write(path, document, &written);
    if (result == 0) {
        Remember(path, std::move(document), std::move(written));
    }
    return result;
}

int CBasicProfiledata::WriteDocument(const Json::Value& document, const std::string& path) {
    if (path == m_cachePath) {
        m_cachePath.clear();
    }
    return m_jsonFile.Write(path, document);
}

Json::Value& CBasicProfiledata::MutableDevice() {
    if (!m_device.isObject()) {
        m_device = Json::Value(Json::objectValue);
    }
    return m_device;
}

const Json::Value& CBasicProfiledata::Section(const char* key) const {
    return Member(m_device, key);
}

Json::Value& CBasicProfiledata::MutableSection(const char* key) {
    return ObjectMember(MutableDevice(), key);
}

LightInfoRecord CBasicProfiledata::ReadLightInfo() {
    const Json::Value& section = Section("LightInfo");
    LightInfoRecord record;
    record.mode = Low8(Member(section, "SelectItem"));
    record.brightness = Low8(Member(section, "Light"));
    record.speed = Low8(Member(section, "Speed"));
    record.direction = Low8(Member(section, "Fx"));
    record.multiColor = Truth(Member(section, "MultiColor"));
    record.red = Low8(Member(section, "Red"));
    record.green = Low8(Member(section, "Green"));
    record.blue = Low8(Member(section, "Blue"));
    record.zzccMode = Low8(Member(section, "ZZCCLedMode"));
    record.customGroup = Low8(Member(section, "CustomGroup"));
    m_lightInfo = record;
    return record;
}

void CBasicProfiledata::WriteLightInfo(const LightInfoRecord& record) {
    m_lightInfo = record;
    Json::Value& section = MutableSection("LightInfo");
    ObjectMember(section, "SelectItem") = record.mode;
    ObjectMember(section, "Light") = record.brightness;
    ObjectMember(section, "Speed") = record.speed;
    ObjectMember(section, "Fx") = record.direction;
    ObjectMember(section, "MultiColor") = record.multiColor;
    ObjectMember(section, "Red") = record.red;
    ObjectMember(section, "Green") = record.green;
    ObjectMember(section, "Blue") = record.blue;
    ObjectMember(section, "ZZCCLedMode") = record.zzccMode;
    ObjectMember(section, "CustomGroup") = record.customGroup;
}

std::vector<LightListEntry> CBasicProfiledata::ReadLightList() {
    const Json::Value& section = Section("LightList");
    std::vector<LightListEntry> entries(Size(section));
    for (Json::ArrayIndex i = 0; i < entries.size(); ++i) {
        const Json::Value& element = section[i];
        if (element.isNull()) {
            continue;
        }
        LightListEntry& entry = entries[i];
        entry.mode = profile::json::Int32(Member(element, "LEDREGMode"));
        entry.brightness = Low8(Member(element, "LEDBrightness"));
        entry.speed = Low8(Member(element, "LEDSpeed"));
        entry.direction = Truth(Member(element, "LEDDirection"));
        entry.multiColor = Truth(Member(element, "LEDMultiColor"));
        entry.red = Low8(Member(element, "red"));
        entry.green = Low8(Member(element, "green"));
        entry.blue = Low8(Member(element, "blue"));
        entry.present = 1;
    }
    m_lightList = entries;
    return entries;
}

std::vector<KeyEntry> CBasicProfiledata::ReadKeyList() {
    const Json::Value& section = Section("KeyList");
    // Key indexes are 16-bit; a longer list cannot be addressed.
    const Json::ArrayIndex count = std::min<Json::ArrayIndex>(Size(section), 0x10000);
    std::vector<KeyEntry> keys(count);
    for (Json::ArrayIndex i = 0; i < count; ++i) {
        const auto index = static_cast<uint16_t>(i);
        keys[i].current = UnpackKeyAssignment(Integer(Member(section[i], "Assignment")), index);
        keys[i].defaults =
            UnpackKeyAssignment(Integer(Member(section[i], "DefaultAssignment")), index);
    }
    m_keys = keys;
    return keys;
}

void CBasicProfiledata::WriteKeyAssignments(const std::vector<KeyEntry>& keys) {
    m_keys = keys;
    Json::Value& section = MutableSection("KeyList");
    for (size_t i = 0; i < keys.size(); ++i) {
        Json::Value& element = ArrayElement(section, static_cast<Json::ArrayIndex>(i));
        ObjectMember(element, "Assignment") = PackKeyAssignment(keys[i].current);
    }
}

Json::Value CBasicProfiledata::LoadLightStore(const std::string& path) {
    m_lightStore = m_jsonFile.Load(path);
    m_lightStoreFolder = FolderOf(path);
    return m_lightStore;
}

std::vector<LightEffectStep> CBasicProfiledata::ReadLightEffects() {
    std::vector<LightEffectStep> steps;
    const int mode = m_lightInfo.mode;
    if (!m_lightStore.isNull() && mode >= m_builtInModeCount) {
        const Json::Value& effects = Element(Member(m_lightStore, "LightInfo"),
                                             static_cast<Json::ArrayIndex>(m_deviceIndex));
        const Json::Value& entry =
            Element(effects, static_cast<Json::ArrayIndex>(mode - m_builtInModeCount));
        const std::string guid = Text(Member(entry, "Guid"));
        if (profile::IsSafeFileId(guid)) {
            const Json::Value file = m_jsonFile.Load(m_lightStoreFolder + guid + ".light");
            const Json::Value& list = Member(file, "LEDEffectList");
            for (Json::ArrayIndex i = 0; i < Size(list); ++i) {
                steps.push_back(ReadEffectStep(list[i]));
            }
        } else if (!guid.empty()) {
            platform::trace::Format("light effect Guid refused: %s", guid.c_str());
        }
    }
    m_effectSteps = steps;
    return steps;
}
