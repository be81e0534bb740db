#pragma once
// MacroRecorder: turns captured keys and mouse buttons into events of the
// macro editor's list, and gives the editor its recording look. Every macro
// editor has one (CMacroControlUI::Recorder()).
//
// Capture modes: 4 appends, 8 inserts before the selected row (the new rows
// land in order ahead of it, and it stays selected), 16 inserts after the
// selected row (the selection follows the new row), 32 replaces the key or
// button of the selected row and keeps its action and delay. Modes 8, 16
// and 32 do nothing without a selected row; nothing is added past 4000 rows.
//
// Delays: each event's delay is the time to the next recorded event. A new
// row shows "0" (with the fixed delay: that delay) until the next event
// gives it its gap; the first row of an empty list shows the integer 0. Once
// the editor has recorded anything, the first event of a later recording
// also gives its gap (from the start of recording) to the row before it.
// Timing: real time, the fixed delay of "macro_fixed_time_edit", or none.
//
// Repeats: a key held down repeats its press; only the first press is
// recorded, until the key is released. Two identical mouse messages in a row
// keep only the first. A left click on "macro_btn_stopredio" is never
// recorded, so stopping leaves no trace.
//
// Recording look: "macro_name_tab" and "macro_action_list" disabled, the
// column titles "macro_tab_macroaction_edit" and "macro_tab_macrodelay_edit"
// hidden, "macro_btn_starredio" hidden and "macro_btn_stopredio" shown.
//
// Times are read from the clock of the editor's window. UI thread only.

#include <array>
#include <cstdint>

#include "platform/ui/ui_types.h"

class CMacroControlUI;
namespace Json {
class Value;
}
namespace ui {
struct Notification;
}

class MacroRecorder {
  public:
    enum class Timing { Real = 1, Constant = 2, Ignore = 3 };

    static constexpr int kModeAppend = 4;
    static constexpr int kModeBefore = 8;
    static constexpr int kModeAfter = 16;
    static constexpr int kModeReplace = 32;
    static constexpr int kScrollTimer = 4101;
    static constexpr int kScrollDelayMs = 50;

    explicit MacroRecorder(CMacroControlUI& editor);
    MacroRecorder(const MacroRecorder&) = delete;
    MacroRecorder& operator=(const MacroRecorder&) = delete;

    // Enters recording in capture mode 4, 8, 16 or 32 (false for another
    // mode): the time counts from now, the fixed delay is read, the look changes.
    bool Start(Timing timing, int mode);
    // Leaves recording and restores the look.
    void Stop();
    bool IsRecording() const { return m_recording; }
    int GetMode() const { return m_recording ? m_mode : 0; }
    Timing GetTiming() const { return m_timing; }
    bool HasRecorded() const { return m_hasRecorded; }

    // A captured key: keyboard message (0x100/0x104 down, 0x101/0x105 up),
    // set-1 make code and extended flag, for capture mode `mode`. True when
    // the list changed.
    bool OnKey(int mode, uint32_t message, uint8_t scanCode, bool extended);
    // A captured mouse button: mouse message (0x201 … 0x20C), side button
    // number for 0x20B/0x20C, cursor position in window pixels.
    bool OnMouse(int mode, uint32_t message, uint16_t xButton, ui::Point windowPos);

  private:
    struct HeldKey {
        bool held = false;
        uint8_t scanCode = 0;
        bool extended = false;
    };

    static int SlotOf(int mode);
    int64_t NowMs() const;
    bool Place(int mode, uint8_t type, uint8_t button, bool down);
    bool Record(int mode, Json::Value event);
    bool Replace(uint8_t type, uint8_t button);
    uint16_t TakeDelay();
    bool OnStopButton(ui::Point windowPos) const;
    void ShowRecordingLook(bool recording);
    void OnEditorNotify(const ui::Notification& n);

    CMacroControlUI& m_editor;
    bool m_recording = false;
    int m_mode = 0;
    Timing m_timing = Timing::Real;
    bool m_hasRecorded = false;
    uint16_t m_constantDelay = 0;
    int64_t m_lastTick = 0;
    // Per capture mode (4, 8, 16, 32): the key held down, the last mouse message.
    std::array<HeldKey, 4> m_heldKeys{};
    std::array<uint32_t, 4> m_lastMouse{};
};
