#pragma once
// MouseSettings: what the mouse page shows and stores for the sensitivity
// stages, the report rate and the desktop's pointer settings. The mouse
// device object owns one, bound to its page and its profile document; the
// main window's routes call the On… operations and then save the profile
// (and upload the settings record when the answer says so).
//
// Controls (looked up in the page by name; a missing one makes its part a
// no-op and reads as 0): "DPI_layout_"N, "DPI_enable_check_"N, "DPI_slider_"N,
// "DPI_edit_"N for the five stages N = 0–4; "polling_rate_option_"N (0–4);
// "pointer_speed_slider", "pointer_precision_check", "scroll_speed_slider",
// "scrolls_page_check", "double_click_slider"; the mirrored pair
// "orvix_DPI_slider_"N / "orvix_DPI_edit_"N; "mouse_device_seting_layout" with
// its options "mouse_device_seting_option_"N in "mouse_option_layout";
// "device_tishi_info"; and one note label per desktop setting
// ("pointer_speed_note", "pointer_precision_note", "scroll_lines_note",
// "double_click_note") that says when the desktop lacks or refused it.
//
// Units: a stage's value is kept in the device's DPI steps; its text field
// shows steps × DPI step. The pointer sliders are stored as positions and
// turned into desktop units by platform/settings/settings_units.h.
//
// Threads: UI thread only. Desktop settings are handed to a SettingsApplier,
// whose helper threads report back by posting to the page's UI loop.

#include <array>
#include <cstdint>
#include <string>

#include "platform/settings/settings_applier.h"
#include "platform/ui/container.h"
#include "profile/mouse_profile.h"

namespace ui {
class Edit;
class Option;
class Slider;
}  // namespace ui

namespace mouse {

// The sensitivity scale of the device information record.
struct StageScale {
    int step = 0;     // DPI per slider step (byte 11); 0 while the device was never read
    int count = 0;    // number of steps, the slider maximum (bytes 12–13)
    int minimum = 0;  // lowest DPI the text field accepts (bytes 14–15)

    static StageScale FromDeviceInfo(const uint8_t* info);
};

// What an edit asks of the caller after it changed the document.
enum class Change {
    None,             // nothing stored
    Stored,           // save the profile
    StoredAndUpload,  // save the profile, then upload the settings record
};

class MouseSettings {
  public:
    static constexpr int kStageCount = 5;
    static constexpr int kReportRateCount = 5;
    static constexpr int kMirrorMinimum = 200;
    static constexpr int kMirrorMaximum = 6500;
    static constexpr const char* kActiveFore = "Control/SliderBar_BK3.png";
    static constexpr const char* kActiveThumb = "Control/SliderBar2_Thumb.png";
    static constexpr const char* kNormalFore = "Control/SliderBar_BK1.png";
    static constexpr const char* kNormalThumb = "Control/SliderBar1_Thumb.png";

    MouseSettings(ui::Container& page, CMouseProfiledata& document);
    MouseSettings(const MouseSettings&) = delete;
    MouseSettings& operator=(const MouseSettings&) = delete;

    void SetScale(const StageScale& scale) { m_scale = scale; }
    const StageScale& Scale() const { return m_scale; }
    // Where the pointer settings go; without one they are only stored.
    void SetDesktop(platform::settings::SettingsApplier* applier) { m_applier = applier; }

    // --- page operations ---------------------------------------------------------------
    // Slider ranges 0 … count, text field ranges 0 … count × step.
    void SetStageRanges();
    // The stage's row and check follow `enabled`; at least one check stays
    // usable: the last checked one is disabled, and checking any enables all.
    void SetStageEnabled(int n, bool enabled);
    bool IsStageChecked(int n);
    int GetStageSlider(int n);
    // The typed DPI, at least the minimum (empty or no digits read as 0 first).
    int GetStageText(int n);
    // Slider ← steps, field ← steps × DPI step, and the active-stage skin on
    // the profile's active stage only.
    void ShowStageValue(int n, int steps);
    // Option n selected, the others not; n outside 0–4 counts as 0.
    void SelectReportRate(int n);
    void SetPointerSpeed(int v);
    int GetPointerSpeed();
    void SetPointerPrecision(bool on);
    bool GetPointerPrecision();
    void SetScroll(bool pageWise, int lines);
    int GetScrollLines();
    bool GetScrollPageWise();
    // Slider ← v; returns the double-click time it stands for in ms.
    int SetDoubleClick(int v);
    int GetDoubleClick();
    int GetDoubleClickMax();
    // Page n of "mouse_device_seting_layout" (0 when out of range) and its option.
    void ShowSubPage(int n);
    // The stages, report rate and pointer settings of the profile.
    void ShowProfile();
    // "device_tishi_info" is shown for function modes 1, 2 and 4.
    void ShowDeviceTip(int mode);
    // Drops stages a previously loaded profile left in the document's list,
    // so the list holds exactly the loaded profile's stages.
    void TakeStagesFromDocument();

    // --- control events ----------------------------------------------------------------
    Change OnStageSlider(int n);    // "valuechanged" of "DPI_slider_"n
    void OnStageSliderMove(int n);  // "movevaluechanged": preview only
    Change OnStageEdit(int n);      // "killfocus" of "DPI_edit_"n
    Change OnStageCheck(int n);     // "selectchanged" of "DPI_enable_check_"n
    Change OnReportRate(int n);     // "selectchanged" of a selected "polling_rate_option_"n
    Change OnPointerSpeed();
    Change OnPointerPrecision();
    Change OnScrollLines();
    Change OnScrollPage();
    Change OnDoubleClick();
    void OnMirrorEdit(int n);    // "killfocus" of "orvix_DPI_edit_"n
    void OnMirrorSlider(int n);  // "movevaluechanged" of "orvix_DPI_slider_"n

    // The note that a desktop setting is missing or was refused, as shown
    // now (UI thread; the helper threads post here).
    void ShowDesktopResult(platform::settings::Setting setting,
                           const platform::settings::ApplyResult& result);

  private:
    struct StageControls {
        ui::Control* layout = nullptr;
        ui::Option* check = nullptr;
        ui::Slider* slider = nullptr;
        ui::Edit* edit = nullptr;
    };

    StageControls& Stage(int n);
    template <typename T>
    T* Find(T*& cache, const char* name);
    ui::Slider* SliderNamed(const std::string& name);
    ui::Edit* EditNamed(const std::string& name);
    // Stage n of the document's list, growing the list to n + 1 first; null
    // for n outside 0–4 (a control name cannot add a sixth stage).
    DpiStage* GrownStage(std::vector<DpiStage>& stages, int n);
    Change StoreStage(int n, void (*change)(DpiStage&, int), int value);
    void WriteWords(int word, bool high, int value);
    void Apply(platform::settings::Setting setting, int value);

    ui::Container& m_page;
    CMouseProfiledata& m_document;
    StageScale m_scale;
    platform::settings::SettingsApplier* m_applier = nullptr;
    std::array<StageControls, kStageCount> m_stages{};
    std::array<ui::Option*, kReportRateCount> m_rates{};
    ui::Slider* m_speed = nullptr;
    ui::Option* m_precision = nullptr;
    ui::Slider* m_scrollLines = nullptr;
    ui::Option* m_scrollPage = nullptr;
    ui::Slider* m_doubleClick = nullptr;
    std::array<bool, platform::settings::kSettingCount> m_toldMissing{};
};

// The page that owns mouse settings (the mouse device object); the main
// window's routes reach the settings of the current page through it.
class MouseSettingsOwner {
  public:
    virtual MouseSettings& Settings() = 0;

  protected:
    ~MouseSettingsOwner() = default;
};

}  // namespace mouse
