#pragma once
// The main window's routes of the macro editor: its buttons, the macro list,
// the delay edits of the event rows and the event menu. Each acts on the
// macro editor of the current keyboard or mouse page and does nothing
// without one. The window adds what the editor leaves to it: the
// confirmations of a deletion, messages, the file dialogs, the keys that
// follow a deleted macro, the key editor's macro names and the upload of the
// macros after every change of the store.
//
// UI thread.

#include <string>

#include "shell/event_routes.h"

class CMainWnd;
class CMacroControlUI;
class CVeldmarkUSBDevice;

void AddMacroRoutes(app::EventRoutes& routes, CMainWnd& window);

// The macro editor of a keyboard or mouse page, or null.
CMacroControlUI* MacroEditorOf(CVeldmarkUSBDevice* page);

// Saves the editor's selected macro as the save button does: a failure is
// shown, a saved macro is sent to the device.
void SaveMacroAndUpload(CMainWnd& window, CVeldmarkUSBDevice& page, CMacroControlUI& editor);

// Makes the macro editor of `page` read the macro folder of the page.
void BindMacroEditor(CVeldmarkUSBDevice& page);

// After the macro files changed outside the window: the pages' macro editors
// and key editors read them again and the macros are uploaded. Returns an
// "ok …" or "error: …" line.
std::string ReloadMacros(CMainWnd& window, int kind);

// A request of veldmarkctl, run on the UI thread (app_msg::kMacroRequest):
//   macro import <keyboard|mouse> <absolute path>   imports as the page's
//                                                   import button does
//   macro reload <keyboard|mouse>                   ReloadMacros
// The reply is one line, "ok …" or "error: …"; nothing is shown in the window.
struct MacroRequest {
    std::string request;
    std::string reply;
};
void HandleMacroRequest(CMainWnd& window, MacroRequest& request);
