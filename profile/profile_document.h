#pragma once
// The profile document of one device: a JSON file per profile whose
// "Device"[index] object holds everything the user set for the device.
//
// Layout of the file: a root object with "Device" (array; element `index`,
// always 0, is the device object), "profilename" and "profileUUID" (written
// by the profile list). Saving rewrites only "Device"[index]; every other
// root key of the file survives.
//
// Section readers treat an absent device object or section as all zeros and
// empty lists. Writers change only the in-memory device object; nothing
// reaches the disk until Save. Integers are read with their low 8 or 16 bits
// where the record has 8- or 16-bit fields.
//
// Files: reads are capped (kDocumentCap); a file that exists but cannot be
// read, or is too large, is never written over: Load leaves the device
// object null and every later Save of that path is refused (1) until a Load
// succeeds; GetLastFailure() names the file and the reason. Writes hold the
// profile folder's lock. When another process replaced the file since this
// object last read or wrote it, Save takes the file's device object and puts
// into it only the sections written since (instead of writing its stale
// copy over the other writer's changes); TakeReloaded() then tells so once.
//
// CBasicProfiledata serves mousepads as it is; keyboards, mice and headsets
// use the subclasses that add their sections. One device object uses one
// document from the UI thread.

#include <json/json.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "profile/json_file.h"
#include "profile/key_records.h"
#include "profile/light_records.h"
#include "profile/user_file.h"

class CBasicProfiledata {
  public:
    CBasicProfiledata() = default;
    virtual ~CBasicProfiledata() = default;

    // Paths. An empty text leaves the profile and default paths as they were.
    void SetProfilePath(const std::string& path);
    const std::string& GetProfilePath() const { return m_profilePath; }
    void SetDefaultPath(const std::string& path);
    const std::string& GetDefaultPath() const { return m_defaultPath; }
    void SetLightStorePath(const std::string& path) { m_lightStorePath = path; }
    const std::string& GetLightStorePath() const { return m_lightStorePath; }
    void SetDeviceIndex(int index) { m_deviceIndex = index < 0 ? 0 : index; }
    int GetDeviceIndex() const { return m_deviceIndex; }

    // Number of built-in lighting modes; a "SelectItem" at or above it names
    // a custom effect of the light store. 0 unless a device sets it.
    int GetBuiltInModeCount() const { return m_builtInModeCount; }
    void SetBuiltInModeCount(int count) { m_builtInModeCount = count < 0 ? 0 : count; }
    // The element of the light store's "LightInfo" that holds this device
    // family's custom effects (the family's type code). 0 unless set.
    int GetLightStoreIndex() const { return m_lightStoreIndex; }
    void SetLightStoreIndex(int index) { m_lightStoreIndex = index < 0 ? 0 : index; }

    // Loads the document at `path` and returns its device object (valid until
    // the next Load or writer call; copy it to keep it).
    // When the file has no device object (missing, empty, not JSON, or
    // without that element) the default document's device object is put
    // into it and the file is written: a missing file is created, an
    // existing one keeps its other keys, a damaged one is first kept aside
    // (".bad"). With no default document either, the device object is null.
    // Loading the default document itself (a reset) never writes it.
    const Json::Value& Load(const std::string& path);

    // Takes the device object from an already parsed document, as Load does
    // from a file, without touching any file (imports, tests, fuzzing).
    const Json::Value& UseDocument(const Json::Value& document);

    // Writes the in-memory device object into the profile file.
    // 0 on success, 1 when the file could not be written.
    virtual int Save();
    // Puts `device` into "Device"[index] of the document at `path`, keeping
    // every other key of that file. 0 on success, 1 on a write failure.
    virtual int SaveDevice(const Json::Value& device, const std::string& path);
    // Writes `document` as the whole file. 0 on success, 1 on failure.
    virtual int WriteDocument(const Json::Value& document, const std::string& path);

    // The in-memory device object.
    const Json::Value& GetDeviceObject() const { return m_device; }

    // Why the last Load, Save or write failed (file and reason); empty after
    // a success.
    const std::string& GetLastFailure() const { return m_failure; }
    // True once after a Save merged this object's changes into a file that
    // another process had changed (the device object now holds the merge).
    bool TakeReloaded();

    // "LightInfo". The last record read or written is the current lighting state.
    LightInfoRecord ReadLightInfo();
    void WriteLightInfo(const LightInfoRecord& record);
    const LightInfoRecord& GetLightInfo() const { return m_lightInfo; }

    // "LightList" (read only; comes from the default document).
    std::vector<LightListEntry> ReadLightList();

    // "KeyList". Reading replaces the document's key list; writing stores
    // only the current assignment of each given entry and leaves
    // "DefaultAssignment" and elements beyond the list as they are.
    std::vector<KeyEntry> ReadKeyList();
    void WriteKeyAssignments(const std::vector<KeyEntry>& keys);
    const std::vector<KeyEntry>& GetKeyList() const { return m_keys; }

    // The light store (custom effect names and Guids per type code). Loads
    // the file into the object and returns a copy (null when unreadable).
    Json::Value LoadLightStore(const std::string& path);
    // The steps of the custom effect that the current lighting mode selects:
    // entry (mode - built-in count) of the store's "LightInfo"[light store
    // index]; its Guid names the step file Guid + ".light" in the light
    // store's folder. Empty when anything is missing, when the Guid is not a
    // plain file name or when the step file is a symbolic link: nothing
    // outside that folder is ever opened.
    std::vector<LightEffectStep> ReadLightEffects();
    const std::vector<LightEffectStep>& GetLightEffects() const { return m_effectSteps; }

  protected:
    // The in-memory device object for writing (made an object if needed).
    Json::Value& MutableDevice();
    // A section of the device object (null when absent).
    const Json::Value& Section(const char* key) const;
    // A section for writing, made an object or array as asked.
    Json::Value& MutableSection(const char* key);

    // Largest index a reader may grow an array to: indexes come from files
    // and must not make the program allocate without bound.
    static constexpr int kMaxGrownIndex = 255;

    CJsonFile m_jsonFile;

  private:
    // `document`, read from `path`, prepared for replacing element `index`:
    // a damaged file is kept aside, a non-object becomes an empty object.
    Json::Value PrepareForUpdate(const std::string& path, Json::Value document,
                                 JsonLoadStatus status);
    // The document at `path` for a save: the remembered one while the file
    // is the one last read or written, else parsed again (and, with `merge`,
    // the sections edited here put onto the other writer's device object).
    // Null when the file must not be written over.
    Json::Value DocumentForSave(const std::string& path, bool merge);
    // Keeps `document` (its device element emptied) as the meaning of the
    // file bytes `text`, so that a save need not parse the file again.
    void Remember(const std::string& path, Json::Value document, std::string text,
                  const profile::FileStamp& stamp);
    // Load's second half, under the folder lock: puts the default device
    // object into a file that has none.
    const Json::Value& CreateFromDefaults(const std::string& path);
    // Refuses (1) a write of `path` while it is known to be unreadable.
    bool Blocked(const std::string& path);
    int Written(const std::string& path, Json::Value& document, const profile::WriteResult& w,
                std::string text);

    std::string m_profilePath;
    std::string m_defaultPath;
    std::string m_lightStorePath;
    int m_builtInModeCount = 0;
    int m_lightStoreIndex = 0;
    LightInfoRecord m_lightInfo;
    std::vector<LightListEntry> m_lightList;
    Json::Value m_device;
    std::vector<LightEffectStep> m_effectSteps;
    Json::Value m_lightStore;
    std::string m_lightStoreFolder;
    std::vector<KeyEntry> m_keys;
    int m_deviceIndex = 0;

    std::string m_cachePath;
    int m_cacheIndex = 0;
    Json::Value m_cacheRoot;
    std::string m_cacheText;
    profile::FileStamp m_cacheStamp;

    // Sections written since the last Load or Save ("*": the whole object).
    std::set<std::string> m_dirty;
    std::string m_blockedPath;
    std::string m_failure;
    bool m_reloaded = false;
};
