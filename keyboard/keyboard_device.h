#pragma once
// CVeldmarkKeyboardDevice: the keyboard (kind 1, 126 key buttons and LEDs).
// The keyboard runs its lighting itself; the host writes it a settings
// record, a key table, a macro image and custom colour groups, and shows a
// preview of its lighting on the page (KeyboardPreview).
//
// The keyboard's memory, as this object uses it:
//   parameters  address 0 the active profile; profile p's 26-byte settings
//               record at p × 25 (so a record's byte 25 is the next one's
//               byte 0). The host writes profile 0 only.
//   key table   3 bytes (kind, parameter 1, parameter 2) per device key
//               position; N positions, N = device information byte 5.
//   LED map     N bytes: the LED index of each position.
//   colours     group g at g × 512: red, green, blue at 3 × LED index.
// Key buttons are found in the key table by their factory codes
// (kDefaultKeyTable) when the keyboard connects.
//
// Threads: every operation runs on the UI thread, except OnDeviceKeyEvent
// (the input thread), which only queues the event for the lighting thread.
// Result codes are the channel's (1 success, 0 not open or no reply, -1
// write failed, -102/-103 device status, -201 key-table block not 0).

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "device/report_rate_page.h"
#include "device/usb_device.h"
#include "keyboard/keyboard_preview.h"
#include "profile/keyboard_profile.h"

namespace ui {
class Option;
}

class CVeldmarkKeyboardDevice : public CVeldmarkUSBDevice, public ReportRatePage {
  public:
    static constexpr std::string_view kClassName = "VeldmarkKeyboardDevice";
    static constexpr int kKind = 1;
    static constexpr size_t kRecordSize = 26;
    static constexpr uint16_t kRecordStride = 25;
    static constexpr size_t kTableCopySize = 512;
    static constexpr int kMaxPositions = 170;
    static constexpr uint32_t kColorGroupSize = 512;
    static constexpr uint8_t kNoPosition = 255;
    static constexpr int kFnKey = 110;
    static constexpr size_t kMacroUnitBytes = 128;
    using SettingsRecord = std::array<uint8_t, kRecordSize>;
    using SystemWords = CKeyboardProfiledata::SystemWords;

    // The keyboard's lighting as the host last wrote or read it.
    struct LightingMirror {
        uint8_t mode = 0;
        uint8_t brightness = 0;
        uint8_t speed = 0;
        uint8_t direction = 0;
        uint8_t multiColor = 0;
        uint8_t red = 0;
        uint8_t green = 0;
        uint8_t blue = 0;
        uint8_t zzccMode = 0;
        uint8_t customGroup = 0;

        friend bool operator==(const LightingMirror&, const LightingMirror&) = default;
    };

    CVeldmarkKeyboardDevice();
    explicit CVeldmarkKeyboardDevice(platform::hid::HidBackend& backend);
    ~CVeldmarkKeyboardDevice() override;

    std::string_view GetClass() const override { return kClassName; }

    // --- device operations ----------------------------------------------------
    // Reads the tables, loads the profile, reads the keyboard's settings back
    // into it, refreshes the page and starts the lighting thread.
    void ConnectDevice() override;
    // Device information, key table and LED map, then the maps from key
    // buttons to positions and LEDs. The first failing result, else 1.
    int ReadDeviceTables();
    // The read-back, then RefreshPage.
    void ReadDeviceState() override;
    // The read-back of the active profile's settings record into the
    // lighting state and the profile. Only what was really read is applied:
    // a failed read of the profile byte changes nothing, a failed read of
    // the record keeps the profile byte only. 1 with the active profile in
    // `activeProfile`, else the failing result.
    int ReadBack(int* activeProfile = nullptr);
    // Writes profile `profile`'s record at profile × 25, byte 0 = byte0.
    int UploadSettings(int profile, int byte0 = 0, int option2 = 0, int screenWidth = 0,
                       int screenHeight = 0) override;
    // Writes the key table: the table read at connection with every found
    // key button's position set to that button's entry of `keys`. Sends
    // nothing (0) when no key table was read at connection.
    int UploadKeyTable(int profile, const std::vector<KeyEntry>& keys) override;
    int UploadProfileKeys(int profile) override;
    // Writes the macro image of the keyboard's macro store: 0 when sent or
    // nothing to send, -1 when it could not be made or written, n > 0 when
    // it is n - 1 units of 4 bytes too large for the macro memory.
    int UploadMacros() override;

    // Custom colours (lighting mode 20).
    void SetCustomGroup(int group) override;
    void LoadCustomColors() override;
    // Sends the custom colours as the record's colour group (mode 20 only;
    // 0 and nothing sent in any other mode).
    int UploadCustomColors();
    void FillCustomColors(bool on);
    void PaintCustomKey(int led);

    // A key event of the keyboard (input thread): position pressed or released.
    void OnDeviceKeyEvent(int position, bool pressed);

    // --- profile --------------------------------------------------------------------
    int LoadProfile() override;
    int ApplyLighting() override;
    void ResetProfile() override;
    void SetProfilePaths() override;
    std::string GetProfilePath() const override;
    void SaveProfile() override;
    void SetTypeCode(int code) override;
    void SetLightInfo(const LightInfoRecord& record) override;
    LightInfoRecord GetLightInfo() const override;
    // Keys that play a macro the store no longer has get their default back.
    void ValidateMacroKeys() override;

    // --- page (keyboard_page.cpp) ---------------------------------------------------------
    void InitPage() override;
    void InitKindPage() override;
    // Shows the object's state: editor lists, key texts, lighting, the three
    // key flags, repeat rate and delay, the repeat field and the report rate.
    void RefreshPage() override;
    // Every key button's tool-tip names its key and what it does now; a key
    // that does something else than its own key is marked.
    void RefreshKeyDisplay() override;
    void ShowKeyText(int index, const std::string& text);
    // The base's tabs; the lighting tab (1) enables the Fn key, the key tab
    // (2) disables it.
    void SetFunctionMode(int mode) override;
    // Shows the preview while a person can see it (the page shown in a
    // window on screen), at a pace the eye takes in; while nobody can, the
    // lighting thread rests and frames come rarely.
    void PushFrame() override;
    int PushIntervalMs() const override;
    bool IsPreviewSeen() const { return m_previewSeen.load(); }

    // System settings: "SystemStages" word 0 = repeat rate | repeat delay << 16,
    // word 1 = 6-key flag | report rate << 16, word 2 = W-key flag | Windows-key
    // lock << 16.
    SystemWords GetSystemWords() const { return m_systemWords; }
    // Stores the words and writes "SystemStages" into the document.
    void SetSystemWords(uint32_t word0, uint32_t word1, uint32_t word2);
    // Options 0-3; any other number selects option 0.
    void SelectPollingRate(int n);
    void SelectRepeatDelay(int n);
    void ShowRepeatDelay(int n);
    void SetWinLockOption(bool on);
    void SetWFlagOption(bool on);
    void Set6FlagOption(bool on);
    bool IsWinLockOption() const;
    bool IsWFlagOption() const;
    bool Is6FlagOption() const;
    void SetRepeatRate(int value);
    int GetRepeatRate() const;
    void ClearRepeatInput();
    void ShowRepeatHint();

    // What the page's own controls change (the main window saves the profile
    // afterwards). The report rate and the three flags return true when the
    // keyboard's settings record needs writing; the repeat delay and rate
    // return the value the desktop is to take.
    bool SelectReportRateOption(int n) override;
    bool OnWinLockChanged();
    bool OnWFlagChanged();
    bool On6FlagChanged();
    int OnRepeatDelaySelected(int n);
    int OnRepeatRateChanged();

    // --- inspection -------------------------------------------------------------------
    CKeyboardProfiledata& KeyboardDocument() { return *m_doc; }
    keyboard::KeyboardPreview& Preview() { return m_preview; }
    const std::array<uint8_t, kTableCopySize>& KeyTableCopy() const { return m_keyTable; }
    const std::array<uint8_t, kTableCopySize>& LedMapCopy() const { return m_ledMap; }
    // Device key position / LED index of key button `button`; 255 when absent.
    int KeyPosition(int button) const;
    int KeyLed(int button) const;
    // Key button at a device key position; -1 when none.
    int ButtonAtPosition(int position) const;
    int GetActiveProfile() const { return m_activeProfile; }
    const SettingsRecord& GetLastRecord() const { return m_lastRecord; }
    const LightingMirror& GetMirror() const { return m_mirror; }
    const LightingMirror& GetPreviousMirror() const { return m_previousMirror; }
    // One pass of the lighting thread at `now` (tests drive it).
    uint32_t LightingPass(uint32_t now) { return m_preview.Pass(now); }

  private:
    void Construct();
    ui::Option* OptionNamed(std::string_view name) const;
    void SetHalf(size_t word, bool high, int value);
    void LightingThread(ui::StopSignal& stop);
    // Whether a person can see the page now (UI thread).
    bool PageSeen() const;
    // Waits while nobody sees the preview and no key event came; false when
    // the thread is to stop.
    bool RestUntilSeen(ui::StopSignal& stop, uint32_t& keyEventsSeen);
    void WakeLighting(bool keyEvent);
    void BuildMaps(int positions);
    void ClearTables();
    // Puts a lighting record into the mirror, the engine and the preview.
    void FollowRecord(const LightInfoRecord& record);
    // What a new mode needs on this side: mode 20's colours are loaded and sent.
    void OnModeChange(uint8_t previousMode);
    std::array<uint8_t, kTableCopySize> ColorBuffer(bool scaled) const;
    int WriteColors(const std::array<uint8_t, kTableCopySize>& buffer);
    size_t ColorLength() const;
    std::vector<CustomColor> CustomColorList() const;
    int SelectedCustomGroup() const;

    CKeyboardProfiledata* m_doc = nullptr;
    keyboard::KeyboardPreview m_preview;
    std::array<uint8_t, kTableCopySize> m_keyTable{};
    std::array<uint8_t, kTableCopySize> m_ledMap{};
    bool m_tablesRead = false;
    // Lowest key button at each device key position, for the input thread.
    std::array<std::atomic<uint8_t>, 256> m_positionButton{};
    int m_activeProfile = 0;
    SettingsRecord m_lastRecord{};
    LightingMirror m_mirror;
    LightingMirror m_previousMirror;
    SystemWords m_systemWords{};
    // Set by the UI thread; the lighting thread rests while it is false.
    std::atomic<bool> m_previewSeen{true};
    std::atomic<uint32_t> m_keyEvents{0};
    std::mutex m_restMutex;
    std::condition_variable m_restCv;
};
