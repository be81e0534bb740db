#pragma once
// The main window's routes of the key assignment editor: a click on a key of
// the picture chooses the key to edit, the editor's lists, edits, modifier
// options and buttons apply, reset, cancel and commit the edit.

#include <string>

#include "shell/event_routes.h"

class CMainWnd;
class CVeldmarkUSBDevice;

void AddKeyRoutes(app::EventRoutes& routes, CMainWnd& wnd);

namespace app {

// Key `index` of the current page becomes the key being edited, unless it is
// the last key of a mouse that still clicks left ("message_text_6").
void ChooseKeyToEdit(CMainWnd& wnd, CVeldmarkUSBDevice& page, int index);

// The editor's record becomes the selected key's function: stored in the
// profile, shown, saved and sent to the device.
void ApplyKeyEdit(CMainWnd& wnd);

// Shows what a macro upload's result n means to the user: a positive n
// (the image is too large) shows "message_text_16" with n, -1 (the macros
// could not be written) "message_text_7". False when the caller must stop
// (positive n), true to go on.
bool ReportMacroUpload(CMainWnd& wnd, int result);

// A request of veldmarkctl, run on the UI thread (app_msg::kKeyRequest):
//   key set <keyboard|mouse> <key index> <record as kind << 16 | p1 << 8 | p2>
// The page of that kind stores the record for the key, saves its profile,
// shows it and sends the key table. The reply is one line, "ok …" or
// "error: …"; nothing is shown in a message box.
struct KeyRequest {
    std::string request;
    std::string reply;
};
void HandleKeyRequest(CMainWnd& wnd, KeyRequest& request);

}  // namespace app
