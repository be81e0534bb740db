#include "editors/macro_recorder.h"

#include <json/json.h>

#include <algorithm>
#include <string>

#include "editors/macro_control.h"
#include "platform/capture/capture_service.h"
#include "platform/ui/list.h"
#include "platform/ui/window.h"
#include "profile/key_tables.h"
#include "profile/macro_records.h"

namespace {

namespace capture = platform::capture;

struct MouseRow {
    uint32_t message;
    uint16_t xButton;  // 0 for the three main buttons
    uint8_t button;
    bool down;
};

constexpr std::array<MouseRow, 10> kMouseRows = {{
    {capture::kLeftDown, 0, 0x01, true},
    {capture::kLeftUp, 0, 0x01, false},
    {capture::kRightDown, 0, 0x02, true},
    {capture::kRightUp, 0, 0x02, false},
    {capture::kMiddleDown, 0, 0x04, true},
    {capture::kMiddleUp, 0, 0x04, false},
    {capture::kXDown, capture::kXButtonForward, 0x10, true},
    {capture::kXUp, capture::kXButtonForward, 0x10, false},
    {capture::kXDown, capture::kXButtonBack, 0x08, true},
    {capture::kXUp, capture::kXButtonBack, 0x08, false},
}};

const MouseRow* FindMouseRow(uint32_t message, uint16_t xButton) {
    const bool side = message == capture::kXDown || message == capture::kXUp;
    for (const MouseRow& row : kMouseRows) {
        if (row.message == message && (!side || row.xButton == xButton)) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

MacroRecorder::MacroRecorder(CMacroControlUI& editor) : m_editor(editor) {
    m_editor.AddListener([this](const ui::Notification& n) { OnEditorNotify(n); });
}

int MacroRecorder::SlotOf(int mode) {
    switch (mode) {
        case kModeAppend:
            return 0;
        case kModeBefore:
            return 1;
        case kModeAfter:
            return 2;
        case kModeReplace:
            return 3;
        default:
            return -1;
    }
}

int64_t MacroRecorder::NowMs() const {
    const ui::Window* window = m_editor.GetWindow();
    return window != nullptr ? window->Context().dispatcher.GetClock().NowMs() : 0;
}

bool MacroRecorder::Start(Timing timing, int mode) {
    if (SlotOf(mode) < 0) {
        return false;
    }
    m_recording = true;
    m_mode = mode;
    m_timing = timing;
    m_lastTick = NowMs();
    if (timing == Timing::Constant) {
        m_constantDelay = m_editor.ReadConstantDelay();
    }
    // A key still held, or a button message, from an earlier recording must
    // not swallow the first press of this one.
    m_heldKeys = {};
    m_lastMouse = {};
    ShowRecordingLook(true);
    return true;
}

void MacroRecorder::Stop() {
    if (!m_recording) {
        return;
    }
    m_recording = false;
    ShowRecordingLook(false);
}

void MacroRecorder::ShowRecordingLook(bool recording) {
    const auto set = [this](std::string_view name, auto&& apply) {
        if (ui::Control* control = m_editor.FindSubControl(name)) {
            apply(*control);
        }
    };
    for (std::string_view name : {"macro_name_tab", "macro_action_list"}) {
        set(name, [recording](ui::Control& c) { c.SetEnabled(!recording); });
    }
    for (std::string_view name :
         {"macro_tab_macroaction_edit", "macro_tab_macrodelay_edit", "macro_btn_starredio"}) {
        set(name, [recording](ui::Control& c) { c.SetVisible(!recording); });
    }
    set("macro_btn_stopredio", [recording](ui::Control& c) { c.SetVisible(recording); });
}

bool MacroRecorder::OnKey(int mode, uint32_t message, uint8_t scanCode, bool extended) {
    const int slot = SlotOf(mode);
    if (!m_recording || slot < 0) {
        return false;
    }
    const bool down = message == capture::kKeyDown || message == capture::kSysKeyDown;
    HeldKey& held = m_heldKeys[static_cast<size_t>(slot)];
    const bool same = held.held && held.scanCode == scanCode && held.extended == extended;
    if (down) {
        if (same) {
            return false;  // the key repeats while held
        }
        held = {true, scanCode, extended};
    } else if (same) {
        held.held = false;
    }
    const int row = keys::FindCaptureRow(scanCode, extended);
    if (row < 0) {
        return false;
    }
    const keys::KeyCodeRow& key = keys::KeyboardRows()[static_cast<size_t>(row)];
    if (key.param2 != 0) {
        return Place(mode, macro::kTypeKey, key.param2, down);
    }
    return Place(mode, macro::kTypeModifier, key.param1, down);
}

bool MacroRecorder::OnMouse(int mode, uint32_t message, uint16_t xButton, ui::Point windowPos) {
    const int slot = SlotOf(mode);
    if (!m_recording || slot < 0) {
        return false;
    }
    const MouseRow* row = FindMouseRow(message, xButton);
    uint32_t& last = m_lastMouse[static_cast<size_t>(slot)];
    if (row == nullptr || message == last) {
        return false;
    }
    if ((message == capture::kLeftDown || message == capture::kLeftUp) && OnStopButton(windowPos)) {
        return false;  // the click that ends the recording
    }
    last = message;
    return Place(mode, macro::kTypeMouseButton, row->button, row->down);
}

bool MacroRecorder::OnStopButton(ui::Point windowPos) const {
    const ui::Control* stop = m_editor.FindSubControl("macro_btn_stopredio");
    return stop != nullptr && stop->IsVisible() && stop->GetHostRect().Contains(windowPos);
}

bool MacroRecorder::Place(int mode, uint8_t type, uint8_t button, bool down) {
    if (mode == kModeReplace) {
        return Replace(type, button);
    }
    return Record(mode, macro::MakeEvent(down, type, button, 0));
}

uint16_t MacroRecorder::TakeDelay() {
    switch (m_timing) {
        case Timing::Real: {
            const int64_t now = NowMs();
            const int64_t gap = std::clamp<int64_t>(now - m_lastTick, 0, macro::kMaxDelay);
            m_lastTick = now;
            return static_cast<uint16_t>(gap);
        }
        case Timing::Constant:
            return m_constantDelay;
        case Timing::Ignore:
            break;
    }
    return 0;
}

bool MacroRecorder::Record(int mode, Json::Value event) {
    const int count = m_editor.GetEventCount();
    const int selected = m_editor.GetSelectedEvent();
    if (count >= macro::kMaxEvents) {
        return false;
    }
    int at = count;
    if (mode == kModeBefore || mode == kModeAfter) {
        if (selected < 0) {
            return false;
        }
        at = mode == kModeBefore ? selected : selected + 1;
    }
    const uint16_t gap = TakeDelay();
    // The first row of the list waits for the next event to learn its gap.
    const bool first = mode == kModeBefore ? at == 0 : count == 0;
    if (first) {
        event["Delay"] = 0;
    } else {
        event["Delay"] = m_timing == Timing::Constant ? std::to_string(m_constantDelay) : "0";
    }
    if (!m_editor.InsertEvent(at, event, mode != kModeBefore)) {
        return false;
    }
    if (!first && m_hasRecorded) {
        m_editor.SetEventDelay(at - 1, gap);
    }
    m_hasRecorded = true;
    if (mode == kModeBefore) {
        m_editor.SelectEvent(at + 1);  // the row that was selected stays selected
    }
    m_editor.SetTimer(kScrollTimer, kScrollDelayMs, ui::TimerKind::OneShot);
    return true;
}

bool MacroRecorder::Replace(uint8_t type, uint8_t button) {
    const int selected = m_editor.GetSelectedEvent();
    if (selected < 0) {
        return false;
    }
    Json::Value event = m_editor.GetEvent(selected);
    if (!event.isObject()) {
        return false;
    }
    event["Type"] = type;
    event["Button"] = button;
    // The row is built again so that its name and look follow the new key.
    m_editor.DeleteEvent();
    return m_editor.InsertEvent(selected, event, true);
}

void MacroRecorder::OnEditorNotify(const ui::Notification& n) {
    if (!n.Is(ui::notify::kTimer) || n.wParam != kScrollTimer) {
        return;
    }
    const int selected = m_editor.GetSelectedEvent();
    ui::List* list = m_editor.FindSubControl<ui::List>("macro_action_list");
    if (list != nullptr && selected >= 0) {
        list->EnsureVisible(static_cast<size_t>(selected));
    }
}
