#pragma once
// CVeldmarkHS6533Device: the headset built on the CM6533 audio chip (kind 7,
// 13 LEDs round the ear cup, no keys). It reaches the headset two ways:
// - the audio library (headset_audio.h) for microphone and monitoring level
//   and mute, the equaliser and the voice effect, through the voice editor
//   and the voice-effect editor of its page;
// - its command channel for the lighting record in parameter memory, and
//   LED frames sent as 17-byte output reports (report ID 0xFF):
//     [1] target 0x22 or 0x44 (every frame goes to both), [2] 0xAA/0xAB/0xAC
//     for LEDs 0-6 of colour plane 0/1/2 in bytes 4-10, 0xAD/0xAE/0xAF for
//     LEDs 7-12 in bytes 4-9; a value is colour × alpha >> 8, at most 247.
//
// HeadsetLightRecord (21 bytes, the host's copy of the headset's record):
//   [0] active profile index as last read, [1] mode, [2] brightness,
//   [3] speed 0-4 in profile order (the headset stores 4 - speed), [4] as
//   read, [5] multi-colour, [6..8] red, green, blue, [9..20] as read.
// Read back from address p × 25 (p = the active profile at address 0),
// written at profile index × 64.
//
// Lighting modes: 0 wave, 1 spectrum, 2 breath, 3 static, 4 blink, 6 ripple,
// 7 pair ripple, 8 off, each at the speed's threshold; 5 and any other mode
// play the custom effect every pass. The ripples start from a seeded ring
// entry (ring[0] = 1 at construction and whenever the mode changes).
//
// Threads: as the base object. Audio calls and every editor operation run on
// the UI thread; the lighting thread reads the mode and speed from atomics.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/usb_device.h"
#include "headset/headset_audio.h"
#include "profile/headset_profile.h"

namespace platform::audio {
class Equalizer;
}
class CVoice6533ControlUI;
class CMagicControlUI;

class CVeldmarkHS6533Device : public CVeldmarkUSBDevice {
  public:
    static constexpr std::string_view kClassName = "VeldmarkHS6533Device";
    static constexpr int kKind = 7;
    static constexpr size_t kRecordSize = 21;
    static constexpr size_t kReadBackSize = 26;
    static constexpr uint16_t kReadStride = 25;
    static constexpr uint16_t kWriteStride = 64;
    static constexpr size_t kReportSize = 17;
    static constexpr uint8_t kReportId = 0xFF;
    static constexpr uint8_t kMaxLedValue = 247;
    static constexpr int kBands = 10;
    static constexpr int kCustomPreset = 13;
    static constexpr int kMaxCustomPresets = 20;
    using HeadsetLightRecord = std::array<uint8_t, kRecordSize>;
    using HeadsetFrameReport = std::array<uint8_t, kReportSize>;
    using Settings = CHs6533Profiledata::Settings;
    using Bands = CHs6533Profiledata::Bands;

    CVeldmarkHS6533Device();
    // Tests: the HID backend, and the audio session its start-up uses.
    CVeldmarkHS6533Device(platform::hid::HidBackend& backend,
                          std::shared_ptr<headset::AudioSession> audio);
    ~CVeldmarkHS6533Device() override;

    std::string_view GetClass() const override { return kClassName; }

    // --- base operations ------------------------------------------------------------
    void InitPage() override;
    void InitKindPage() override;
    void ConnectDevice() override;
    void ReadDeviceState() override;
    int LoadProfile() override;
    void RefreshPage() override;
    void RefreshEditorLists() override;
    int ApplyLighting() override;
    int UploadSettings(int profile, int option1 = 0, int option2 = 0, int screenWidth = 0,
                       int screenHeight = 0) override;
    void PushFrame() override;
    void ResetProfile() override;
    std::string GetProfilePath() const override;
    void SaveProfile() override;
    void SetTypeCode(int code) override;
    void SetLightInfo(const LightInfoRecord& record) override;
    LightInfoRecord GetLightInfo() const override;
    void IgniteRing() override;

    // --- editor operations (the page's routes) ------------------------------------------
    void SelectEqPreset(int preset);
    void ChangeEqBand(int band);
    void ApplyCustomEq();
    // 1 saved, 0 the name is taken (in any letter case), -1 nothing to save
    // (no name and no preset selected, or 20 presets already).
    int SaveCustomEq();
    void DeleteCustomEq();
    void ToggleMicMute();
    void SetMicLevel();
    void ToggleMonitorMute();
    void SetMonitorLevel();
    void SetVoiceEffectOn();
    void SelectVoiceEffect(int effect);

    // The ten gains of built-in preset 1-12; none for any other number.
    static const Bands* PresetBands(int preset);

    // --- lighting ------------------------------------------------------------------------
    void FrameWave();
    void FrameRipple();
    void FramePairRipple();
    // One pass of the lighting thread's work after its waits (tests drive it).
    void LightingPass();
    // The read-back: 1 with the record, or the failing channel result (0 when
    // not open) with the record unchanged.
    int ReadBack();
    // The twelve reports of the current frame, in sending order.
    std::vector<HeadsetFrameReport> FrameReports() const;

    // --- state -----------------------------------------------------------------------------
    const HeadsetLightRecord& GetRecord() const { return m_record; }
    const Settings& GetSettings() const { return m_settings; }
    const Bands& GetBands() const { return m_bands; }
    const std::vector<std::string>& GetCustomNames() const { return m_customNames; }
    headset::HeadsetAudio& Audio() { return m_audio; }
    bool AudioAvailable() const { return m_audioReady; }
    CHs6533Profiledata& HsDocument();
    // The equaliser that plays the chosen preset on the sound server (optional).
    void SetEqualizer(platform::audio::Equalizer* equalizer);

  private:
    void Construct();
    void LightingThread(ui::StopSignal& stop);
    void StartAudio();
    void RecordFromLightInfo(const LightInfoRecord& r);
    void PublishRecord();
    void SeedRipple(uint8_t mode);
    void Store();
    void ShowBands();
    void ShowAudioAvailability();
    void ApplyEqualizer();
    void ShowText(const std::string& text);
    CVoice6533ControlUI* Voice() const;
    CMagicControlUI* Magic() const;

    std::shared_ptr<headset::AudioSession> m_session;
    headset::HeadsetAudio m_audio;
    bool m_audioReady = false;
    Settings m_settings{};
    Bands m_bands{};
    std::vector<std::string> m_customNames;
    HeadsetLightRecord m_record{};
    ModeTable m_modes;
    std::vector<HeadsetFrameReport> m_sentReports;  // the frame the headset shows
    std::atomic<uint8_t> m_threadMode{0};
    std::atomic<uint8_t> m_threadSpeed{0};
    int m_seededMode = -1;
    ui::Control* m_voiceEditor = nullptr;
    ui::Control* m_magicEditor = nullptr;
    platform::audio::Equalizer* m_equalizer = nullptr;
    // What the equaliser was last asked to play (none: off); unset before the first request.
    std::optional<std::optional<Bands>> m_equalizerState;
};
