#include "mousepad/mousepad_device.h"

#include <algorithm>
#include <chrono>

#include "device/lighting_key_levels.h"
#include "platform/ui/window.h"

namespace {

// A lighting pass every 2 ms: the pad counts one tick a pass, each pass
// after two 1 ms waits.
constexpr auto kPassPeriod = std::chrono::microseconds(2000);
constexpr uint8_t kModeRipple = 6;
constexpr uint8_t kModePairRipple = 7;

// Mirror bytes.
constexpr size_t kProfileByte = 0;
constexpr size_t kModeByte = 1;
constexpr size_t kBrightnessByte = 2;
constexpr size_t kSpeedByte = 3;
constexpr size_t kMultiByte = 5;
constexpr size_t kRedByte = 6;

// The pad counts its speed the other way round.
uint8_t PadSpeed(uint8_t speed) {
    return static_cast<uint8_t>(4 - speed);
}

}  // namespace

CVeldmarkMousePadDevice::CVeldmarkMousePadDevice() {
    Construct();
}

CVeldmarkMousePadDevice::CVeldmarkMousePadDevice(platform::hid::HidBackend& backend)
    : CVeldmarkUSBDevice(backend) {
    Construct();
}

CVeldmarkMousePadDevice::~CVeldmarkMousePadDevice() {
    // The lighting thread runs this object's effects: it ends before they go.
    StopLightingThread();
    CloseSyncInterface();
}

void CVeldmarkMousePadDevice::Construct() {
    m_kind = kKind;
    Engine().SetRingIgnition(device::RingIgnition::PerLedShifted);
    Document().SetDefaultPath(DefaultDocumentPath());
    m_modes = {
        {[this] { FrameWave(); }},   {[this] { FrameSpectrum(); }},   {[this] { FrameBreath(); }},
        {[this] { FrameStatic(); }}, {[this] { FrameBlink(); }},      {},
        {[this] { FrameRipple(); }}, {[this] { FramePairRipple(); }}, {[this] { FrameOff(); }},
    };
}

// --- page ------------------------------------------------------------------------------

void CVeldmarkMousePadDevice::InitPage() {
    InitKindPage();
}

void CVeldmarkMousePadDevice::InitKindPage() {
    if (GetPageLayout().empty()) {
        CVeldmarkUSBDevice::InitPage();
    } else if (auto* area = FindSubControl<ui::Container>("mousepad_device_key_light")) {
        BindPanel(*area);
    }
    BindEditors();
    LoadProfile();
    RefreshPage();
}

// --- device ------------------------------------------------------------------------------

void CVeldmarkMousePadDevice::ConnectDevice() {
    ReadDeviceInfoOnly();
    LoadProfile();
    RefreshPage();
    StartLightingThread([this](ui::StopSignal& stop) { LightingThread(stop); });
}

int CVeldmarkMousePadDevice::ReadDeviceInfoOnly() {
    CDeviceChannel& channel = Channel();
    if (!channel.IsOpen()) {
        return channel_result::kNoReply;
    }
    int result = channel.BeginWrite();
    if (result == channel_result::kOk) {
        result = channel.ReadDeviceInfo(std::span(m_deviceInfo, CDeviceChannel::kDeviceInfoSize));
        const int end = channel.EndWrite();
        result = result == channel_result::kOk ? end : result;
    }
    return result;
}

void CVeldmarkMousePadDevice::ReadDeviceState() {
    ReadBack();
}

// A failed read leaves the mirror as it was: a half-read record would later
// be written back to the pad as its settings.
int CVeldmarkMousePadDevice::ReadBack(int* activeProfile) {
    CDeviceChannel& channel = Channel();
    channel.streamPaused.store(false);
    m_previousMirror = m_mirror;
    if (!channel.IsOpen()) {
        return channel_result::kNoReply;
    }
    uint8_t profile = 0;
    int result = channel.ReadParameters(std::span(&profile, 1), 0);
    if (result != channel_result::kOk) {
        return result;
    }
    std::array<uint8_t, kReadBackSize> record{};
    result = channel.ReadParameters(record, static_cast<uint16_t>(profile * kReadStride));
    if (result != channel_result::kOk) {
        return result;
    }
    std::copy_n(record.begin(), kMirrorSize, m_mirror.begin());
    m_mirror[kProfileByte] = profile;
    m_mirror[kSpeedByte] = PadSpeed(m_mirror[kSpeedByte]);
    PublishMirror();
    if (activeProfile != nullptr) {
        *activeProfile = profile;
    }
    return channel_result::kOk;
}

// Writes the mirror as the pad's record. The write bracket is closed even
// after a failed write, so the pad is never left waiting for its end; the
// first failure is what the caller gets.
int CVeldmarkMousePadDevice::UploadSettings(int profile, int, int, int, int) {
    Mirror bytes = m_mirror;
    bytes[kSpeedByte] = PadSpeed(m_mirror[kSpeedByte]);
    CDeviceChannel& channel = Channel();
    if (!channel.IsOpen()) {
        return channel_result::kNoReply;
    }
    int result = channel.BeginWrite();
    if (result != channel_result::kOk) {
        return result;
    }
    const auto address = static_cast<uint16_t>(std::max(profile, 0) * kWriteStride);
    result = channel.WriteParameters(bytes, address);
    const int end = channel.EndWrite();
    return result == channel_result::kOk ? end : result;
}

void CVeldmarkMousePadDevice::PollStatus() {
    CDeviceChannel& channel = Channel();
    if (!channel.IsOpen()) {
        return;
    }
    std::array<uint8_t, kStatusSize> status{};
    if (channel.ReadBytes(status, 0) != channel_result::kOk) {
        return;
    }
    status[3] = channel.IsSlow() ? 1 : 0;
    if (auto* power = dynamic_cast<PowerStatusView*>(GetPowerControl())) {
        power->ShowStatus(status);
    }
}

// --- profile -----------------------------------------------------------------------------

int CVeldmarkMousePadDevice::ApplyLighting() {
    CVeldmarkUSBDevice::ApplyLighting();
    MirrorFromRecord(m_lightInfo);
    SeedRipple(m_lightInfo.mode);
    return 1;
}

void CVeldmarkMousePadDevice::MirrorFromRecord(const LightInfoRecord& r) {
    m_mirror[kModeByte] = r.mode;
    m_mirror[kBrightnessByte] = r.brightness;
    m_mirror[kSpeedByte] = r.speed;
    m_mirror[kMultiByte] = r.multiColor;
    m_mirror[kRedByte] = r.red;
    m_mirror[kRedByte + 1] = r.green;
    m_mirror[kRedByte + 2] = r.blue;
    PublishMirror();
}

void CVeldmarkMousePadDevice::PublishMirror() {
    m_threadMode.store(m_mirror[kModeByte]);
    m_threadSpeed.store(m_mirror[kSpeedByte]);
}

// Nothing on the pad lights a ring entry by itself; the ripples start from
// one seeded entry that then runs round the ring. The pair ripple turns only
// the first entries: one that the whole-ring ripple left further round would
// stand still there and keep the pad dark, so such entries are dropped and the
// ripple is seeded again when none is left in reach.
void CVeldmarkMousePadDevice::SeedRipple(uint8_t mode) {
    if (mode != kModeRipple && mode != kModePairRipple) {
        return;
    }
    const int turned = mode == kModePairRipple ? device::LightingEngine::kPairRingLength
                                               : device::KeyLevels::kRingSize;
    device::KeyLevels& keys = Engine().Keys();
    bool seeded = false;
    for (int i = 0; i < device::KeyLevels::kRingSize; ++i) {
        if (i >= turned) {
            keys.SetRing(i, 0);
        } else {
            seeded = seeded || keys.Ring(i) != 0;
        }
    }
    if (!seeded) {
        keys.SetRing(0, 1);
    }
}

void CVeldmarkMousePadDevice::ResetProfile() {
    Document().Load(DefaultDocumentPath());
    ApplyLighting();
    SaveProfile();
    RefreshPage();
}

void CVeldmarkMousePadDevice::SetTypeCode(int code) {
    CVeldmarkUSBDevice::SetTypeCode(code);
    Document().SetDeviceIndex(0);
}

void CVeldmarkMousePadDevice::IgniteRing() {
    Engine().Keys().IgniteRing(device::RingIgnition::PerLedShifted, GetLedCount());
}

// --- lighting thread ------------------------------------------------------------------------

void CVeldmarkMousePadDevice::FrameWave() {
    Engine().FrameWave();
}

void CVeldmarkMousePadDevice::FramePairRipple() {
    Engine().FramePairRipple();
}

void CVeldmarkMousePadDevice::FrameRipple() {
    Engine().FrameRipple();
}

void CVeldmarkMousePadDevice::LightingPass() {
    RunLightingStep(m_modes, m_threadMode.load(), m_threadSpeed.load(), 1);
}

void CVeldmarkMousePadDevice::LightingThread(ui::StopSignal& stop) {
    RunLightingPasses(stop, m_modes, m_threadMode, m_threadSpeed, kPassPeriod,
                      "MS灯光线程设定退出");
}
