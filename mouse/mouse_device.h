#pragma once
// CVeldmarkMouseDevice: the mouse (kind 2, or 6 behind a slow radio link) and
// its page. The mouse keeps three memories the host writes:
//   - parameter memory: address 0 the active profile, then one 128-byte
//     settings area per profile (see mouse_settings_record.h); the host
//     writes profile 0's area and reads back the active one;
//   - the key table: one 3-byte function per key position, read once per
//     connection and used as the template of every upload; the logical
//     buttons' positions come from the factory codes found in it
//     (mouse_buttons.h);
//   - macro memory: the MacroImage of the profile folder's macro store.
//
// On a slow channel every command of an upload is preceded by a Probe and a
// failed probe abandons the operation there (commands already sent stay
// sent); a closed channel sends nothing at all.
//
// Results of the command operations: the channel's codes (1 success, 0 not
// open or no reply, -1 write failed, -102/-103 device status); UploadMacros
// answers as the keyboard's does: 0 done or nothing to send, n > 0 when the
// image is n - 1 four-byte units too large for the mouse, -1 when it could
// not be written. An upload that did not reach the mouse is sent again at
// the next connection.
//
// Lighting: modes 0-8 are the mouse's wave, spectrum, breath, static, blink,
// group ripple, breath cycle, blink cycle and off, stepping at the speed's
// threshold; 9 and above play the custom effects of the light store.
//
// Threads: UI thread for everything but the frame operations, which the
// lighting thread runs; it reads the mode and speed it follows from atomics.

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/report_rate_page.h"
#include "device/usb_device.h"
#include "mouse/mouse_settings.h"
#include "mouse/mouse_settings_record.h"
#include "profile/mouse_profile.h"

class CVeldmarkMouseDevice : public CVeldmarkUSBDevice,
                             public mouse::MouseSettingsOwner,
                             public ReportRatePage {
  public:
    static constexpr std::string_view kClassName = "VeldmarkMouseDevice";
    static constexpr int kKind = 2;
    static constexpr size_t kKeyTableBytes = 512;
    static constexpr size_t kMacroUnitBytes = 128;
    static constexpr int kKeyRowHeight = 25;
    static constexpr int kKeyNameWidth = 200;
    static constexpr int kKeyTextWidth = 180;
    static constexpr uint32_t kKeyNameColor = 0xFFFFFFFF;
    static constexpr uint32_t kKeyTextColor = 0xFF0099FF;

    CVeldmarkMouseDevice();
    explicit CVeldmarkMouseDevice(platform::hid::HidBackend& backend);
    ~CVeldmarkMouseDevice() override;

    std::string_view GetClass() const override { return kClassName; }

    // --- page ----------------------------------------------------------------
    // Binds the picture's keys, lights and logo inside
    // "mouse_device_seting_layout" and the editors, then loads the profile.
    void InitPage() override;
    void InitKindPage() override;
    void RefreshPage() override;
    // Macro names and lighting lists into the editors.
    // Every key's function on its key button and in "device_setkeyinfo_list",
    // and the lighting summary on the logo.
    void RefreshKeyDisplay() override;
    // Key `index` becomes the key being edited; the key editor shows it.
    // The sensitivity stages, report rate and desktop pointer settings of
    // the page (mouse_device_settings.cpp).
    mouse::MouseSettings& Settings() override { return *m_settings; }
    bool SelectReportRateOption(int n) override;
    // Keys that play a macro the list no longer has get their default back.
    void ValidateMacroKeys() override;
    // The base behaviour, then the page's tip for modes 1, 2 and 4.
    void SetFunctionMode(int mode) override;

    // --- device ----------------------------------------------------------------
    void ConnectDevice() override;
    void ReadDeviceState() override;
    int UploadSettings(int profile, int byte0 = 0, int byte59 = 0, int screenWidth = 0,
                       int screenHeight = 0) override;
    int UploadKeyTable(int profile, const std::vector<KeyEntry>& keys) override;
    int UploadMacros() override;
    int ApplyLighting() override;

    // --- profile ---------------------------------------------------------------
    int LoadProfile() override;
    void ResetProfile() override;
    std::string GetProfilePath() const override;
    void SaveProfile() override;
    void SetTypeCode(int code) override;
    void SetLightInfo(const LightInfoRecord& record) override;
    LightInfoRecord GetLightInfo() const override;
    CMouseProfiledata& MouseDocument();

    // --- state read at connection -------------------------------------------------
    // Logical button → key position (mouse::kNotMapped when absent).
    const std::vector<uint8_t>& GetButtonMap() const { return m_buttonMap; }
    std::span<const uint8_t> KeyTableCopy() const { return m_keyTable; }
    // Whether this connection read the mouse's key table (uploads need it).
    bool HasKeyTable() const { return m_hasKeyTable; }
    const mouse::SettingsRecord& GetLastSettings() const { return m_lastSettings; }
    int GetActiveProfileRead() const { return m_activeProfileRead; }
    bool KeysPending() const { return m_keysPending; }
    bool MacrosPending() const { return m_macrosPending; }

    // --- lighting thread -----------------------------------------------------------
    void FrameWave();
    // Mode 5: nine LED groups lit by the entry that travels round the ring.
    void FrameGroupRipple();
    // One pass of the lighting thread's work after its waits (tests drive it).
    void LightingPass();
    uint8_t ThreadMode() const { return m_threadMode.load(); }
    uint8_t ThreadSpeed() const { return m_threadSpeed.load(); }

    // The nine LED groups of the ripple (255 = none).
    static const std::array<std::array<uint8_t, 3>, 9>& RippleGroups();

  private:
    void Construct();
    void LightingThread(ui::StopSignal& stop);
    // The probe before each command of a sequence on a slow channel: true
    // when the command may go (no probe needed, or the mouse answered).
    bool ProbeGuard();
    int ReadDeviceTables();
    int SendKeyTable(int profile, std::span<const uint8_t> table);
    void ResendPending();
    void ShowKeyRow(ui::Control* list, size_t index, const std::string& name,
                    const std::string& text);
    void ShowLogoSummary();
    static constexpr int kKeySettingsMode = 2;
    void SeedRing();
    // The recoil editor and the first sub-page, when the page is built.
    void InitSettingsPage();
    // The stage sliders and fields follow the device information just read.
    void ApplyStageScale();

    std::array<uint8_t, kKeyTableBytes> m_keyTable{};
    bool m_hasKeyTable = false;
    std::vector<uint8_t> m_buttonMap;
    mouse::SettingsRecord m_lastSettings{};
    int m_activeProfileRead = 0;
    ui::Control* m_logo = nullptr;
    bool m_keysPending = false;
    bool m_macrosPending = false;
    ModeTable m_modes;
    std::atomic<uint8_t> m_threadMode{0};
    std::atomic<uint8_t> m_threadSpeed{0};
    std::unique_ptr<mouse::MouseSettings> m_settings;
};
