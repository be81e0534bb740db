#include "profile/profile_document.h"

#include <sys/stat.h>

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

// A link could lead out of the light store's folder; step files are plain files.
bool IsSymbolicLink(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
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
    // Kept as a copy: the file stays in place until the new one replaces it,
    // so a reader in another process never finds it missing.
    if (status == JsonLoadStatus::Damaged || WouldBeOverwritten(document)) {
        const std::string kept = profile::KeepCopyAside(path);
        platform::trace::Format("damaged profile kept as %s", kept.c_str());
        document = Json::Value(Json::objectValue);
    }
    if (!document.isObject()) {
        document = Json::Value(Json::objectValue);
    }
    return document;
}

namespace {

JsonLoadStatus LoadStatusOf(const JsonRead& read) {
    switch (read.file.status) {
        case profile::FileStatus::Ok:
            return JsonLoadStatus::Ok;
        case profile::FileStatus::Missing:
            return JsonLoadStatus::Missing;
        case profile::FileStatus::Damaged:
            return read.file.bytes.empty() ? JsonLoadStatus::Empty : JsonLoadStatus::Damaged;
        case profile::FileStatus::Unreadable:
            return JsonLoadStatus::Unreadable;
        case profile::FileStatus::TooLarge:
            return JsonLoadStatus::TooLarge;
    }
    return JsonLoadStatus::Missing;
}

}  // namespace

// The document at `path` for a save, with this object's device object
// brought up to date when another writer replaced the file in between.
// Null (and m_failure set) when the file must not be written over.
Json::Value CBasicProfiledata::DocumentForSave(const std::string& path, bool merge) {
    const bool known = path == m_cachePath && m_cacheIndex == m_deviceIndex;
    if (known && profile::StampOf(path) == m_cacheStamp) {
        return m_cacheRoot;
    }
    JsonRead read = m_jsonFile.Read(path);
    if (!read.file.MayReplace()) {
        m_failure = read.file.Reason();
        return Json::Value();
    }
    if (known && read.file.Ok() && read.file.bytes == m_cacheText) {
        m_cacheStamp = read.file.stamp;
        return m_cacheRoot;
    }
    const auto index = static_cast<Json::ArrayIndex>(m_deviceIndex);
    const Json::Value& theirs = Element(Member(read.value, "Device"), index);
    if (merge && known && theirs.isObject() && m_dirty.count("*") == 0) {
        // Another process wrote this profile since we read it: its file is
        // the base, and only what was edited here since goes on top.
        Json::Value merged = theirs;
        for (const std::string& key : m_dirty) {
            merged[key] = Member(m_device, key.c_str());
        }
        m_device = std::move(merged);
        m_reloaded = true;
        platform::trace::Format("profile %s changed by another writer; merged %zu sections",
                                path.c_str(), m_dirty.size());
    }
    Json::Value document = PrepareForUpdate(path, std::move(read.value), LoadStatusOf(read));
    return document.isObject() ? document : Json::Value(Json::objectValue);
}

void CBasicProfiledata::Remember(const std::string& path, Json::Value document, std::string text,
                                 const profile::FileStamp& stamp) {
    const auto index = static_cast<Json::ArrayIndex>(m_deviceIndex);
    Json::Value& devices = ObjectMember(document, "Device");
    if (devices.isArray() && index < devices.size()) {
        devices[index] = Json::Value();
    }
    m_cachePath = path;
    m_cacheIndex = m_deviceIndex;
    m_cacheRoot = std::move(document);
    m_cacheText = std::move(text);
    m_cacheStamp = stamp;
}

bool CBasicProfiledata::Blocked(const std::string& path) {
    if (!m_blockedPath.empty() && path == m_blockedPath) {
        m_failure = "not saved: " + path + " could not be read when it was loaded";
        return true;
    }
    return false;
}

bool CBasicProfiledata::TakeReloaded() {
    const bool reloaded = m_reloaded;
    m_reloaded = false;
    return reloaded;
}

const Json::Value& CBasicProfiledata::Load(const std::string& path) {
    const auto index = static_cast<Json::ArrayIndex>(m_deviceIndex);
    m_dirty.clear();
    m_failure.clear();
    if (path == m_blockedPath) {
        m_blockedPath.clear();
    }
    if (path.empty()) {
        m_device = Json::Value();
        return m_device;
    }
    JsonRead read = m_jsonFile.Read(path);
    if (!read.file.MayReplace()) {
        // Never replaced by defaults: the user's settings may be in there.
        m_failure = read.file.Reason();
        m_device = Json::Value();
        if (path != m_defaultPath) {
            m_blockedPath = path;
        }
        m_cachePath.clear();
        return m_device;
    }
    if (!Element(Member(read.value, "Device"), index).isNull()) {
        // Moved, not copied: the document keeps an empty slot for the cache.
        m_device = Json::Value();
        m_device.swap(read.value["Device"][index]);
        Remember(path, std::move(read.value), std::move(read.file.bytes), read.file.stamp);
        return m_device;
    }
    if (path == m_defaultPath) {
        // A reset reads the shipped default document; that file is only ever
        // read, so a damaged or incomplete one is neither set aside nor
        // rewritten here: the device object is simply null.
        m_device = Json::Value();
        return m_device;
    }
    return CreateFromDefaults(path);
}

const Json::Value& CBasicProfiledata::UseDocument(const Json::Value& document) {
    m_dirty.clear();
    m_failure.clear();
    m_cachePath.clear();
    m_device = Element(Member(document, "Device"), static_cast<Json::ArrayIndex>(m_deviceIndex));
    return m_device;
}

const Json::Value& CBasicProfiledata::CreateFromDefaults(const std::string& path) {
    const auto index = static_cast<Json::ArrayIndex>(m_deviceIndex);
    const profile::FolderLock lock(FolderOf(path));
    // Read again under the lock: another process may have written it since.
    JsonRead read = m_jsonFile.Read(path);
    if (!read.file.MayReplace() || !lock.Held()) {
        m_failure = lock.Held() ? read.file.Reason() : lock.Reason();
        m_device = Json::Value();
        m_blockedPath = path;
        m_cachePath.clear();
        return m_device;
    }
    if (!Element(Member(read.value, "Device"), index).isNull()) {
        m_device = Json::Value();
        m_device.swap(read.value["Device"][index]);
        Remember(path, std::move(read.value), std::move(read.file.bytes), read.file.stamp);
        return m_device;
    }
    Json::Value document = PrepareForUpdate(path, std::move(read.value), LoadStatusOf(read));
    const Json::Value defaults = m_jsonFile.Load(m_defaultPath);
    m_device = Element(Member(defaults, "Device"), index);
    ArrayElement(ObjectMember(document, "Device"), index) = m_device;
    std::string text;
    const profile::WriteResult written = m_jsonFile.WriteFile(path, document, &text);
    if (written.ok) {
        Remember(path, std::move(document), std::move(text), written.stamp);
    } else {
        m_failure = written.Reason();
    }
    return m_device;
}

int CBasicProfiledata::Written(const std::string& path, Json::Value& document,
                               const profile::WriteResult& written, std::string text) {
    if (!written.ok) {
        m_failure = written.Reason();
        return 1;
    }
    m_failure.clear();
    Remember(path, std::move(document), std::move(text), written.stamp);
    return 0;
}

int CBasicProfiledata::Save() {
    if (m_profilePath.empty() || Blocked(m_profilePath)) {
        return 1;
    }
    const profile::FolderLock lock(FolderOf(m_profilePath));
    if (!lock.Held()) {
        m_failure = lock.Reason();
        return 1;
    }
    Json::Value document = DocumentForSave(m_profilePath, true);
    if (document.isNull()) {
        return 1;
    }
    // The device object is lent to the document for the write instead of
    // being copied into it: documents are large and saved on every edit.
    Json::Value& slot = ArrayElement(ObjectMember(document, "Device"),
                                     static_cast<Json::ArrayIndex>(m_deviceIndex));
    slot.swap(m_device);
    std::string text;
    const profile::WriteResult written = m_jsonFile.WriteFile(m_profilePath, document, &text);
    slot.swap(m_device);
    if (written.ok) {
        m_dirty.clear();
    }
    return Written(m_profilePath, document, written, std::move(text));
}

int CBasicProfiledata::SaveDevice(const Json::Value& device, const std::string& path) {
    if (Blocked(path)) {
        return 1;
    }
    const profile::FolderLock lock(FolderOf(path));
    if (!lock.Held()) {
        m_failure = lock.Reason();
        return 1;
    }
    Json::Value document = DocumentForSave(path, false);
    if (document.isNull()) {
        return 1;
    }
    ArrayElement(ObjectMember(document, "Device"), static_cast<Json::ArrayIndex>(m_deviceIndex)) =
        device;
    std::string text;
    const profile::WriteResult written = m_jsonFile.WriteFile(path, document, &text);
    return Written(path, document, written, std::move(text));
}

int CBasicProfiledata::WriteDocument(const Json::Value& document, const std::string& path) {
    if (Blocked(path)) {
        return 1;
    }
    const profile::FolderLock lock(FolderOf(path));
    const profile::UserFileRead current = profile::ReadUserFile(path, profile::kDocumentCap);
    if (!lock.Held() || !current.MayReplace()) {
        m_failure = lock.Held() ? current.Reason() : lock.Reason();
        return 1;
    }
    if (path == m_cachePath) {
        m_cachePath.clear();
    }
    const profile::WriteResult written = m_jsonFile.WriteFile(path, document);
    m_failure = written.Reason();
    return written.ok ? 0 : 1;
}

Json::Value& CBasicProfiledata::MutableDevice() {
    m_dirty.insert("*");
    if (!m_device.isObject()) {
        m_device = Json::Value(Json::objectValue);
    }
    return m_device;
}

const Json::Value& CBasicProfiledata::Section(const char* key) const {
    return Member(m_device, key);
}

Json::Value& CBasicProfiledata::MutableSection(const char* key) {
    m_dirty.insert(key);
    if (!m_device.isObject()) {
        m_device = Json::Value(Json::objectValue);
    }
    return ObjectMember(m_device, key);
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
                                             static_cast<Json::ArrayIndex>(m_lightStoreIndex));
        const Json::Value& entry =
            Element(effects, static_cast<Json::ArrayIndex>(mode - m_builtInModeCount));
        const std::string guid = Text(Member(entry, "Guid"));
        const std::string stepFile = m_lightStoreFolder + guid + ".light";
        if (profile::IsSafeFileId(guid) && !IsSymbolicLink(stepFile)) {
            const Json::Value file = m_jsonFile.Load(stepFile);
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
