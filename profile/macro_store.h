#pragma once
// The macros of one device: the macro list ("macro.config", or
// "orvix_macro.config" for the accessories) and one event file per macro
// (Guid + ".mac"), all in the device's profile folder.
//
// List file: {"MacroInfo": [{"MacroName": name, "Guid": id}, …]}. A macro's
// position in the list is the index that key assignments play, so entries
// are never dropped or reordered when the list is read; an entry whose Guid
// is not a plain identifier (letters, digits, "_" and "-", at most 64) or
// repeats an earlier one keeps its place but has no event file: it shows no
// events, uploads none, and saving it does nothing.
//
// Event file: {"MacroName", "Guid", "Events": [event objects], "Version": 64}
// (see macro_records.h). The list, not the event file, is the authority for
// name and Guid: an imported file keeps its origin's values until it is saved.
//
// This is the model under the macro editor of a device page and under
// `veldmarkctl macro`; it shows nothing. Every change re-reads the list
// first under the folder's lock (another copy of the program or the
// command-line tool may have changed it) and refuses when the macro it was
// asked about is no longer at the place the caller saw it. Every file goes
// through the user file helper (profile/user_file.h): written atomically, a
// list or event file that is not JSON kept aside as ".bad" before it is
// replaced, one that cannot be read (permissions, not a regular file, over
// its cap) never written over.
//
// Limits: 50 macros; 4000 events per macro (events beyond are ignored when a
// file is read); the helper's caps for the list (kDocumentCap) and an event
// file (kMacroFileCap).
//
// Used from one thread at a time.

#include <json/json.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "profile/json_file.h"
#include "profile/macro_records.h"
#include "profile/user_file.h"

namespace profile {

enum class MacroResult {
    Done,          // the change is on disk
    Unchanged,     // nothing to do (no macro selected, empty name)
    Refused,       // a limit, a stale view or an unreadable file forbids it
    NameClash,     // another macro has that name
    InvalidInput,  // a name or an import file that cannot be taken
    WriteFailed,   // a file could not be written; see `detail`
};

struct MacroOutcome {
    MacroResult result = MacroResult::Unchanged;
    std::string messageKey;  // language key the window shows, empty for none
    std::string detail;      // a name or a reason, for logs and the command line

    bool Ok() const { return result == MacroResult::Done; }
};

struct MacroInfo {
    std::string name;
    std::string guid;  // empty when the list's identifier cannot name a file
};

class MacroStore {
  public:
    static constexpr const char* kListName = "macro.config";
    static constexpr const char* kAccessoryListName = "orvix_macro.config";
    static constexpr const char* kEventFileExtension = ".mac";
    static constexpr size_t kMaxListBytes = kDocumentCap;
    static constexpr size_t kMaxEventFileBytes = kMacroFileCap;
    // Message keys of the refusals a user meets.
    static constexpr const char* kLimitMessage = "message_macro_limit";
    static constexpr const char* kImportInvalidMessage = "message_macro_import_invalid";
    static constexpr const char* kUnreadableMessage = "message_macro_unreadable";
    static constexpr const char* kNameClashMessage = "message_text_5";
    // The text a refused rename reports for an empty name or one with a space.
    static constexpr const char* kEmptyNameMarker = "IsEmpty";

    // `folder` ends with "/" (added when missing).
    void SetFolder(const std::string& folder, const std::string& listName = kListName);
    const std::string& GetFolder() const { return m_folder; }
    std::string ListPath() const { return m_folder + m_listName; }

    // Reads the list. A missing or damaged list reads as empty (the next
    // change writes a new one, keeping the damaged file aside); an unreadable
    // or oversized one reads as empty and refuses every change. Returns Done
    // or Refused. Takes no lock and writes nothing.
    MacroOutcome Load();
    FileStatus GetListState() const { return m_listState; }

    const std::vector<MacroInfo>& GetMacros() const { return m_macros; }
    int Count() const { return static_cast<int>(m_macros.size()); }
    // Position of the macro named `name` (any letter case), or -1.
    int Find(const std::string& name) const;
    // "Macro_n" with the smallest n >= 1 that no macro's name equals in any
    // letter case.
    std::string NextName() const;
    // The event file of macro `index`; empty when it has none.
    std::string EventFilePath(int index) const;

    // Appends a macro named NextName() with a new Guid (no event file until
    // its first save). Refused at 50 macros. `detail` is the new name.
    MacroOutcome Add();
    // Removes macro `index` and its event file; later macros move up.
    MacroOutcome Remove(int index);
    // Renames macro `index`. An empty name or one with a space changes
    // nothing (detail "IsEmpty"); a name any macro has in any letter case,
    // the macro's own included, is a NameClash with "message_text_5".
    MacroOutcome Rename(int index, const std::string& name);
    // Adds the event file at `path` as a new macro named NextName() with a
    // new Guid, copying the file's bytes unchanged. Never overwrites a macro
    // or a file; refused at 50 macros and for a file that is not an event
    // file. `detail` is the new name.
    MacroOutcome Import(const std::string& path);
    // Copies macro `index`'s event file to `path` unchanged (a macro never
    // saved is written as an event file without events).
    MacroOutcome Export(int index, const std::string& path);

    // The event objects of macro `index` in play order (at most 4000); an
    // empty array when the macro has no readable events. `state` (optional)
    // tells how its file was read.
    Json::Value LoadEvents(int index, FileStatus* state = nullptr) const;
    // The same events packed for the device; reads the file at most once.
    // The packed events of every file read are kept per thread with the
    // file's stamp, so an upload after one macro changed parses that macro
    // only; a file replaced or edited since is read again.
    std::vector<MacroEventRecord> PackedEvents(int index) const;
    // Forgets the packed events kept by this thread.
    static void ForgetPackedEvents();
    // Writes macro `index`'s event file: its name and Guid from the list,
    // `events` (at most the first 4000) and the version. Does nothing for a
    // macro without a Guid; refused when its file cannot be read.
    MacroOutcome SaveEvents(int index, const Json::Value& events);

  private:
    struct ListRead {
        FileStatus state = FileStatus::Missing;
        Json::Value document;
        std::vector<MacroInfo> macros;
        std::string reason;
    };
    ListRead ReadList() const;
    // Re-reads the list for a change (the folder locked); false (with
    // `outcome` set) when the list cannot be changed now.
    bool Refresh(MacroOutcome& outcome);
    // Holds the folder's lock while `change` runs.
    MacroOutcome Locked(const std::function<MacroOutcome()>& change);
    MacroOutcome AppendMacro(const MacroInfo& info);
    // True when macro `index` is still the one the caller saw.
    bool SameMacro(int index, const MacroInfo& seen) const;
    MacroOutcome WriteList();
    std::string NewGuid() const;

    CJsonFile m_jsonFile;
    std::string m_folder;
    std::string m_listName = kListName;
    FileStatus m_listState = FileStatus::Missing;
    std::string m_listReason;
    Json::Value m_document{Json::objectValue};
    std::vector<MacroInfo> m_macros;
};

// True when `id` can name an event file: 1-64 of A-Z a-z 0-9 "_" "-", not
// starting with "-".
bool IsPlainMacroId(const std::string& id);

}  // namespace profile
