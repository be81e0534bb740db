#pragma once
// CVeldmarkMousePadDevice: the lit mousepad with a phone charger (kind 3,
// 15 LEDs, no keys). The host computes every lighting frame and streams it
// to the pad every 5 ms; the pad's own settings record is read back on the
// pad's request and written on every lighting edit; the charger's status is
// shown by the power control.
//
// Settings mirror (21 bytes, the host's copy of the pad's record):
//   [0] active profile index as last read, [1] lighting mode, [2] brightness,
//   [3] speed 0-4 in profile order (the pad stores 4 - speed), [4] direction
//   as last read, [5] multi-colour, [6..8] red, green, blue, [9..20] the
//   pad's own bytes as last read.
// The pad reads the record back from parameter address p × 25 (p = the
// active profile at address 0) and takes writes at p × 64.
//
// Lighting modes: 0 wave, 1 spectrum, 2 breath, 3 static, 4 blink, 6 ripple,
// 7 pair ripple, 8 off, each stepping at the speed's threshold; 5 and 9 and
// above play the custom effect of the profile. The ripples start from a
// seeded ring entry, so they show a running wave rather than staying dark.
//
// Threads: as the base object; the mirror belongs to the UI thread, and the
// lighting thread reads the mode and speed it follows from atomics.

#include <array>
#include <atomic>
#include <cstdint>

#include "device/usb_device.h"

class CVeldmarkMousePadDevice : public CVeldmarkUSBDevice {
  public:
    static constexpr std::string_view kClassName = "VeldmarkMousePadDevice";
    static constexpr int kKind = 3;
    static constexpr size_t kMirrorSize = 21;
    static constexpr size_t kReadBackSize = 26;
    static constexpr uint16_t kReadStride = 25;
    static constexpr uint16_t kWriteStride = 64;
    static constexpr size_t kStatusSize = 6;
    using Mirror = std::array<uint8_t, kMirrorSize>;

    CVeldmarkMousePadDevice();
    explicit CVeldmarkMousePadDevice(platform::hid::HidBackend& backend);
    ~CVeldmarkMousePadDevice() override;

    std::string_view GetClass() const override { return kClassName; }

    // Binds the page inside "mousepad_device_key_light" (InitKindPage).
    void InitPage() override;
    void InitKindPage() override;
    void ConnectDevice() override;
    void ReadDeviceState() override;
    void PollStatus() override;
    int UploadSettings(int profile, int option1 = 0, int option2 = 0, int screenWidth = 0,
                       int screenHeight = 0) override;
    // The base's lighting, mirrored into the pad's settings record.
    int ApplyLighting() override;
    void ResetProfile() override;
    void SetTypeCode(int code) override;
    void IgniteRing() override;

    // Mousepad effects (lighting thread).
    void FrameWave();
    void FramePairRipple();
    void FrameRipple();

    // BeginWrite, ReadDeviceInfo, EndWrite when the channel is open; the
    // first failing result, else 1 (0 when not open).
    int ReadDeviceInfoOnly();
    // The read-back: 1 with the pad's active profile in `activeProfile` and
    // its record in the mirror, or the failing channel result (0 when not
    // open) with the mirror unchanged.
    int ReadBack(int* activeProfile = nullptr);

    const Mirror& GetMirror() const { return m_mirror; }
    const Mirror& GetPreviousMirror() const { return m_previousMirror; }
    // One pass of the lighting thread's work after its waits (tests drive it).
    void LightingPass();
    uint8_t ThreadMode() const { return m_threadMode.load(); }
    uint8_t ThreadSpeed() const { return m_threadSpeed.load(); }

  private:
    void Construct();
    void LightingThread(ui::StopSignal& stop);
    void MirrorFromRecord(const LightInfoRecord& record);
    void PublishMirror();
    void SeedRipple(uint8_t mode);

    Mirror m_mirror{};
    Mirror m_previousMirror{};
    ModeTable m_modes;
    std::atomic<uint8_t> m_threadMode{0};
    std::atomic<uint8_t> m_threadSpeed{0};
};
