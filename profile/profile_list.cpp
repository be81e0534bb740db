#include "profile/profile_list.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>

#include "platform/trace/trace.h"
#include "profile/json_fields.h"
#include "profile/user_file.h"

namespace profile {
namespace {

constexpr int kHeadsetKind = 7;
constexpr const char* kRenameClashMessage = "message_text_5";

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

ProfileOutcome Outcome(ProfileResult result, std::string detail = {}) {
    ProfileOutcome outcome;
    outcome.result = result;
    outcome.detail = std::move(detail);
    return outcome;
}

ProfileOutcome WriteFailure(const std::string& path) {
    return Outcome(ProfileResult::WriteFailed, "cannot write " + path);
}

Json::Value ListElement(const ProfileEntry& entry) {
    Json::Value element(Json::objectValue);
    element["profilename"] = entry.name;
    element["profileUUID"] = entry.uuid;
    element["profileislink"] = 0;
    element["profilelinkmame"] = "";
    return element;
}

void NameDocument(Json::Value& document, const std::string& name, const std::string& uuid) {
    if (!document.isObject()) {
        document = Json::Value(Json::objectValue);
    }
    document["profilename"] = name;
    document["profileUUID"] = uuid;
}

}  // namespace

bool SameProfileName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAscii(x) == FoldAscii(y);
           });
}

void ProfileList::SetPaths(const std::string& profileFolder, const std::string& defaultDocument) {
    m_folder = profileFolder;
    if (!m_folder.empty() && m_folder.back() != '/') {
        m_folder.push_back('/');
    }
    m_defaultDocument = defaultDocument;
}

ProfileList::ReadResult ProfileList::ReadList() {
    JsonLoadStatus status = JsonLoadStatus::Ok;
    Json::Value document = m_jsonFile.Load(ListPath(), &status);
    std::vector<ProfileEntry> entries;
    std::set<std::string> seen;
    const Json::Value& list = json::Member(document, "profilelist");
    for (Json::ArrayIndex i = 0; i < json::Size(list); ++i) {
        ProfileEntry entry{json::Text(json::Member(list[i], "profilename")),
                           json::Text(json::Member(list[i], "profileUUID"))};
        // The UUID becomes a file name: it must stay inside the profile folder.
        if (!IsSafeFileId(entry.uuid) || !seen.insert(entry.uuid).second) {
            platform::trace::Format("profile list entry refused: %s", entry.uuid.c_str());
            continue;
        }
        entries.push_back(std::move(entry));
    }
    if (entries.empty()) {
        if (status != JsonLoadStatus::Missing && status != JsonLoadStatus::Empty) {
            KeepDamagedFile(ListPath());
        }
        return ReadResult::Unusable;
    }
    m_listDocument = document;
    m_entries = std::move(entries);
    const int stored = json::Int32(json::Member(document, "profileselect"));
    m_selected = stored >= 0 && stored < static_cast<int>(m_entries.size()) ? stored : 0;
    return ReadResult::Read;
}

void ProfileList::Refresh() {
    ReadList();
}

bool ProfileList::WriteList() {
    Json::Value list(Json::arrayValue);
    for (const ProfileEntry& entry : m_entries) {
        list.append(ListElement(entry));
    }
    if (!m_listDocument.isObject()) {
        m_listDocument = Json::Value(Json::objectValue);
    }
    m_listDocument["profilelist"] = list;
    m_listDocument["profileselect"] = m_selected;
    return m_jsonFile.Write(ListPath(), m_listDocument) == 0;
}

bool ProfileList::HasName(const std::string& name) const {
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const ProfileEntry& entry) {
        return SameProfileName(entry.name, name);
    });
}

bool ProfileList::HasSelection() const {
    return m_selected >= 0 && m_selected < static_cast<int>(m_entries.size());
}

std::string ProfileList::GetSelectedId() const {
    return HasSelection() ? m_entries[static_cast<size_t>(m_selected)].uuid : std::string();
}

// Time stamps repeat within a millisecond; a taken one moves on to the next
// millisecond so that a new profile never shares a document with another.
std::string ProfileList::NewProfileId() const {
    auto when = std::chrono::system_clock::now();
    for (;;) {
        const std::string id = CJsonFile::MakeTimeStampId(when);
        const bool listed =
            std::any_of(m_entries.begin(), m_entries.end(),
                        [&](const ProfileEntry& entry) { return entry.uuid == id; });
        if (!listed && !FileExists(DocumentPath(id))) {
            return id;
        }
        when += std::chrono::milliseconds(1);
    }
}

Json::Value ProfileList::DefaultDocumentNamed(const std::string& name,
                                              const std::string& uuid) const {
    Json::Value document = m_jsonFile.Load(m_defaultDocument);
    NameDocument(document, name, uuid);
    return document;
}

// The profile's document as a device would load it: the stored file, with
// the default device object when it has none.
Json::Value ProfileList::CompleteDocument(const std::string& uuid) const {
    Json::Value document = m_jsonFile.Load(DocumentPath(uuid));
    if (!document.isObject()) {
        document = Json::Value(Json::objectValue);
    }
    if (json::Element(json::Member(document, "Device"), 0).isNull()) {
        const Json::Value defaults = m_jsonFile.Load(m_defaultDocument);
        json::ArrayElement(json::ObjectMember(document, "Device"), 0) =
            json::Element(json::Member(defaults, "Device"), 0);
    }
    return document;
}

// Writes the new profile's document first, then the list; a list that cannot
// be written takes the orphaned document back.
ProfileOutcome ProfileList::AppendProfile(const std::string& name, Json::Value document,
                                          bool select) {
    const std::string uuid = NewProfileId();
    NameDocument(document, name, uuid);
    if (m_jsonFile.Write(DocumentPath(uuid), document) != 0) {
        return WriteFailure(DocumentPath(uuid));
    }
    const int previous = m_selected;
    m_entries.push_back(ProfileEntry{name, uuid});
    if (select) {
        m_selected = static_cast<int>(m_entries.size()) - 1;
    }
    if (!WriteList()) {
        m_entries.pop_back();
        m_selected = previous;
        ::unlink(DocumentPath(uuid).c_str());
        return WriteFailure(ListPath());
    }
    return Outcome(ProfileResult::Done, name);
}

ProfileOutcome ProfileList::InitProfiles() {
    if (ReadList() == ReadResult::Unusable) {
        m_entries.clear();
        m_selected = 0;
        m_listDocument = Json::Value(Json::objectValue);
        const ProfileOutcome created =
            AppendProfile("Profile 1", DefaultDocumentNamed("Profile 1", ""), true);
        if (!created.Ok()) {
            return created;
        }
    }
    return SelectProfile(m_selected);
}

ProfileOutcome ProfileList::SelectProfile(int index) {
    Refresh();
    if (index < 0 || index >= static_cast<int>(m_entries.size())) {
        return Outcome(ProfileResult::Refused, "no profile " + std::to_string(index));
    }
    const int previous = m_selected;
    m_selected = index;
    if (!WriteList()) {
        m_selected = previous;
        return WriteFailure(ListPath());
    }
    return Outcome(ProfileResult::Done, m_entries[static_cast<size_t>(index)].name);
}

ProfileOutcome ProfileList::AddProfile() {
    Refresh();
    if (static_cast<int>(m_entries.size()) >= kMaxProfiles) {
        return Outcome(ProfileResult::Refused,
                       "a device keeps at most " + std::to_string(kMaxProfiles) + " profiles");
    }
    std::string name;
    for (int n = 1;; ++n) {
        name = "Profile " + std::to_string(n);
        if (!HasName(name)) {
            break;
        }
    }
    return AppendProfile(name, DefaultDocumentNamed(name, ""), true);
}

ProfileOutcome ProfileList::CopyProfile() {
    Refresh();
    if (!HasSelection()) {
        return Outcome(ProfileResult::Refused, "no profile selected");
    }
    const ProfileEntry source = m_entries[static_cast<size_t>(m_selected)];
    std::string name = source.name + " Copy";
    while (HasName(name)) {
        name += " Copy";
    }
    return AppendProfile(name, CompleteDocument(source.uuid), false);
}

ProfileOutcome ProfileList::DeleteProfile() {
    Refresh();
    if (!HasSelection() || m_entries.size() < 2) {
        return Outcome(ProfileResult::Refused, "the last profile cannot be deleted");
    }
    const auto removedIndex = static_cast<size_t>(m_selected);
    const std::vector<ProfileEntry> before = m_entries;
    const int previous = m_selected;
    const ProfileEntry removed = m_entries[removedIndex];
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(removedIndex));
    m_selected = m_selected == 0 ? 0 : m_selected - 1;
    if (!WriteList()) {
        m_entries = before;
        m_selected = previous;
        return WriteFailure(ListPath());
    }
    ::unlink(DocumentPath(removed.uuid).c_str());
    return Outcome(ProfileResult::Done, removed.name);
}

ProfileOutcome ProfileList::RenameProfile(const std::string& requested) {
    const std::string name = json::ValidUtf8(requested);
    if (name.empty()) {
        return Outcome(ProfileResult::Unchanged);
    }
    Refresh();
    if (!HasSelection()) {
        return Outcome(ProfileResult::Refused, "no profile selected");
    }
    const auto taken = std::find_if(m_entries.begin(), m_entries.end(), [&](const auto& entry) {
        return SameProfileName(entry.name, name);
    });
    if (taken != m_entries.end()) {
        ProfileOutcome clash =
            Outcome(ProfileResult::NameClash, "a profile is named " + taken->name);
        clash.messageKey = kRenameClashMessage;
        return clash;
    }
    ProfileEntry& entry = m_entries[static_cast<size_t>(m_selected)];
    const std::string oldName = entry.name;
    entry.name = name;
    if (!WriteList()) {
        entry.name = oldName;
        return WriteFailure(ListPath());
    }
    JsonLoadStatus status = JsonLoadStatus::Ok;
    Json::Value document = m_jsonFile.Load(DocumentPath(entry.uuid), &status);
    if (status == JsonLoadStatus::Damaged) {
        KeepDamagedFile(DocumentPath(entry.uuid));
    }
    NameDocument(document, name, entry.uuid);
    if (m_jsonFile.Write(DocumentPath(entry.uuid), document) != 0) {
        return WriteFailure(DocumentPath(entry.uuid));
    }
    return Outcome(ProfileResult::Done, name);
}

ProfileOutcome ProfileList::RestoreDefaults() {
    Refresh();
    if (!HasSelection()) {
        return Outcome(ProfileResult::Refused, "no profile selected");
    }
    const ProfileEntry& entry = m_entries[static_cast<size_t>(m_selected)];
    Json::Value document = m_jsonFile.Load(m_defaultDocument);
    if (!document.isObject()) {
        // Without the defaults a reset would only wipe the user's settings.
        return Outcome(ProfileResult::Refused, "cannot read " + m_defaultDocument);
    }
    NameDocument(document, entry.name, entry.uuid);
    if (m_kind == kHeadsetKind) {
        // The user's own equaliser presets survive a reset.
        const Json::Value current = m_jsonFile.Load(DocumentPath(entry.uuid));
        const Json::Value& device = json::Element(json::Member(current, "Device"), 0);
        for (const char* key : {"CustomEQNameInfo", "CustomEQHzValueInfo"}) {
            const Json::Value& kept = json::Member(device, key);
            if (!kept.isNull()) {
                json::ObjectMember(json::ArrayElement(json::ObjectMember(document, "Device"), 0),
                                   key) = kept;
            }
        }
    }
    if (m_jsonFile.Write(DocumentPath(entry.uuid), document) != 0) {
        return WriteFailure(DocumentPath(entry.uuid));
    }
    return Outcome(ProfileResult::Done, entry.name);
}

ProfileOutcome ProfileList::ImportProfile(const std::string& path) {
    if (path.empty()) {
        return Outcome(ProfileResult::Unchanged);
    }
    const Json::Value document = m_jsonFile.Load(path);
    const std::string base = json::Text(json::Member(document, "profilename"));
    if (base.empty() || json::Member(document, "profileUUID").isNull()) {
        return Outcome(ProfileResult::InvalidInput,
                       path + " is not a profile (it needs \"profilename\" and \"profileUUID\")");
    }
    Refresh();
    std::string name = base;
    for (int n = 1; HasName(name); ++n) {
        name += "(" + std::to_string(n) + ")";
    }
    return AppendProfile(name, document, false);
}

ProfileOutcome ProfileList::ExportProfile(const std::string& path) {
    if (path.empty()) {
        return Outcome(ProfileResult::Unchanged);
    }
    Refresh();
    if (!HasSelection()) {
        return Outcome(ProfileResult::Refused, "no profile selected");
    }
    const ProfileEntry& entry = m_entries[static_cast<size_t>(m_selected)];
    Json::Value document = CompleteDocument(entry.uuid);
    NameDocument(document, entry.name, entry.uuid);
    if (m_jsonFile.Write(path, document) != 0) {
        return WriteFailure(path);
    }
    return Outcome(ProfileResult::Done, entry.name);
}

std::string ProfileTabName(int number) {
    static constexpr const char* kTabs[] = {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab",
                                            "key_Op_tab",    "deng_Op_tab",  "6533_voice_Op_tab",
                                            "magic_Op_tab"};
    return number >= 1 && number <= 7 ? kTabs[number - 1] : "";
}

std::vector<std::pair<std::string, bool>> ProfileTabVisibility(int kind) {
    switch (kind) {
        case 1:
            return {{"cursor_Op_tab", false}};
        case 3:
            return {{"cursor_Op_tab", false},
                    {"macro_Op_tab", false},
                    {"system_Op_tab", false},
                    {"key_Op_tab", false}};
        case kHeadsetKind:
            return {{"cursor_Op_tab", false}, {"macro_Op_tab", false},     {"system_Op_tab", false},
                    {"key_Op_tab", false},    {"6533_voice_Op_tab", true}, {"magic_Op_tab", true}};
        default:
            return {};
    }
}

}  // namespace profile
