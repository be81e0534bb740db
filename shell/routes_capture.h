#pragma once
// The main window's routes of the keyboard and mouse capture: starting and
// stopping macro recording (the record and stop buttons, the recording items
// of the event menu), the key editor's key capture while its key field has
// the focus, and the capture messages, which reach the macro editor's
// recorders and the key editor of the current keyboard or mouse page.
//
// While a recording runs the device list and the profile list are locked;
// it ends with the stop button, and also when the capture ends by itself
// (window hidden, minimised or inactive, five minutes without input), when
// the program exits or its device leaves: the recorded events are kept and
// saved in every case.
//
// UI thread.

#include <cstdint>
#include <string_view>

#include "editors/macro_recorder.h"
#include "platform/capture/capture_service.h"
#include "shell/event_routes.h"

class CMainWnd;

void AddCaptureRoutes(app::EventRoutes& routes, CMainWnd& window);

namespace app {

// The current page's macro editor records in `mode` (4, 8, 16, 32) with
// `timing`, and the capture starts. Nothing happens without a selected
// macro; a capture that cannot start is reported and records nothing.
void StartRecording(CMainWnd& window, MacroRecorder::Timing timing, int mode);
// Ends the recording that runs: capture off, look restored, lists unlocked,
// the macro saved and (with `upload`) sent to the device.
void StopRecording(CMainWnd& window, bool upload = true);
// A recording item of the event menu ("redio_…", "macro_action_edit")
// starts its recording; false for any other item.
bool StartRecordingItem(CMainWnd& window, std::string_view item);

// The capture on/off message (app_msg::kHookCapture): key capture for the
// key editor starts (on) or stops (off). A running recording keeps its capture.
void SetKeyCapture(CMainWnd& window, bool on);
// A registered capture message: routed to its receiver. False when
// `message` is not one of them.
bool RouteCaptureMessage(CMainWnd& window, uint32_t message, intptr_t wParam, intptr_t lParam);

// The capture must end now (`why` goes to the trace): whatever captures stops
// as if stopped by the user.
void EndCapture(CMainWnd& window, const char* why, bool upload = true);
// The capture service or the idle limit ended the capture.
void CaptureEnded(CMainWnd& window, platform::capture::EndReason reason);

}  // namespace app
