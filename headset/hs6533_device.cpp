#include "headset/hs6533_device.h"

#include <algorithm>
#include <chrono>

#include "device/lighting_key_levels.h"
#include "headset/magic_control_ui.h"
#include "headset/voice6533_control_ui.h"
#include "platform/audio/equalizer.h"
#include "platform/ui/window.h"

namespace {

// A lighting pass every 2 ms (two 1 ms waits), one tick each.
constexpr auto kPassPeriod = std::chrono::microseconds(2000);
constexpr int kEditorMaximum = 4;

// Record bytes.
constexpr size_t kProfileByte = 0;
constexpr size_t kModeByte = 1;
constexpr size_t kBrightnessByte = 2;
constexpr size_t kSpeedByte = 3;
constexpr size_t kMultiByte = 5;
constexpr size_t kRedByte = 6;

// Frame reports: LEDs 0-6 go in seven values, LEDs 7-12 in six.
constexpr int kLowLeds = 7;
constexpr int kHighLeds = 6;
constexpr uint8_t kTargetA = 0x22;
constexpr uint8_t kTargetB = 0x44;
constexpr uint8_t kLowPlane0 = 0xAA;
constexpr uint8_t kHighPlane0 = 0xAD;

// The headset's shape for the wave: three curve entries a frame, ten between
// neighbouring LEDs; a multi-colour wave puts 16 hues between neighbours.
constexpr device::WaveShape kWave{3, 0, 10, 16};

// The headset counts its speed the other way round.
uint8_t DeviceSpeed(uint8_t speed) {
    return static_cast<uint8_t>(4 - speed);
}

}  // namespace

CVeldmarkHS6533Device::CVeldmarkHS6533Device()
    : CVeldmarkUSBDevice(std::make_unique<CHs6533Profiledata>()),
      m_session(headset::ProcessAudioSession()),
      m_audio(m_session),
      m_equalizer(platform::audio::ProcessEqualizer()) {
    Construct();
}

CVeldmarkHS6533Device::CVeldmarkHS6533Device(platform::hid::HidBackend& backend,
                                             std::shared_ptr<headset::AudioSession> audio)
    : CVeldmarkUSBDevice(backend, std::make_unique<CHs6533Profiledata>()),
      m_session(std::move(audio)),
      m_audio(m_session) {
    Construct();
}

CVeldmarkHS6533Device::~CVeldmarkHS6533Device() {
    // The lighting thread runs this object's effects: it ends before they go.
    StopLightingThread();
    CloseSyncInterface();
    if (m_equalizer != nullptr) {
        m_equalizer->Remove();
    }
}

void CVeldmarkHS6533Device::Construct() {
    m_kind = kKind;
    Engine().SetRingIgnition(device::RingIgnition::PerLed);
    Engine().Keys().SetRing(0, 1);
    Document().SetDefaultPath(DefaultDocumentPath());
    m_modes = {
        {[this] { FrameWave(); }},   {[this] { FrameSpectrum(); }},   {[this] { FrameBreath(); }},
        {[this] { FrameStatic(); }}, {[this] { FrameBlink(); }},      {},
        {[this] { FrameRipple(); }}, {[this] { FramePairRipple(); }}, {[this] { FrameOff(); }},
    };
}

CHs6533Profiledata& CVeldmarkHS6533Device::HsDocument() {
    return static_cast<CHs6533Profiledata&>(Document());
}

void CVeldmarkHS6533Device::SetEqualizer(platform::audio::Equalizer* equalizer) {
    m_equalizer = equalizer;
    m_equalizerState.reset();
}

// --- page ------------------------------------------------------------------------------

void CVeldmarkHS6533Device::InitPage() {
    InitKindPage();
}

void CVeldmarkHS6533Device::InitKindPage() {
    if (GetPageLayout().empty()) {
        CVeldmarkUSBDevice::InitPage();
    } else if (ui::Control* panel = FindSubControl("hs6533_select_panel")) {
        if (ui::Container* area =
                panel->GetParent() ? panel->GetParent()->AsContainer() : nullptr) {
            BindPanel(*area);
        }
    }
    BindEditors();
    m_voiceEditor = FindSubControl("Voice6533ControlItem");
    m_magicEditor = FindSubControl("MagicControlItem");
    LoadProfile();
    StartAudio();
    RefreshPage();
}

CVoice6533ControlUI* CVeldmarkHS6533Device::Voice() const {
    return dynamic_cast<CVoice6533ControlUI*>(m_voiceEditor);
}

CMagicControlUI* CVeldmarkHS6533Device::Magic() const {
    return dynamic_cast<CMagicControlUI*>(m_magicEditor);
}

void CVeldmarkHS6533Device::StartAudio() {
    const device::InterfaceRecord& identity = GetIdentity();
    m_audioReady = m_audio.StartUp({identity.vendorId, identity.productId}, m_settings,
                                   [this](const std::string& text) { ShowText(text); });
}

void CVeldmarkHS6533Device::ShowText(const std::string& text) {
    ui::Window* window = GetWindow();
    if (window == nullptr && GetMainWindow() != nullptr) {
        window = GetMainWindow()->GetWindow();
    }
    if (window != nullptr) {
        ui::TellUser(*window, text);
    }
}

void CVeldmarkHS6533Device::RefreshPage() {
    RefreshEditorLists();
    if (auto* editor = dynamic_cast<LightEditorView*>(GetLightEditor())) {
        editor->ShowLightInfo(m_lightInfo);
    }
    using S = CHs6533Profiledata::Setting;
    if (CMagicControlUI* magic = Magic()) {
        magic->SetEffectOn(m_settings[S::kMagicEnable] != 0);
        magic->EnableEffects(m_settings[S::kMagicEnable] != 0);
        magic->SelectEffect(m_settings[S::kMagicType]);
    }
    if (CVoice6533ControlUI* voice = Voice()) {
        voice->SetMicOption(m_settings[S::kMicInSelect] != 0);
        voice->SetMicLevel(m_settings[S::kMicInValue]);
        voice->SetMonitorOption(m_settings[S::kMicMonitorSelect] != 0);
        voice->SetMonitorLevel(m_settings[S::kMicMonitorValue]);
        voice->SelectPreset(m_settings[S::kEqType]);
        voice->RemoveAllNames();
        for (const std::string& name : m_customNames) {
            voice->AddName(name);
        }
        voice->SelectName(m_settings[S::kCustomEqSelectIndex]);
        voice->EnableCustomControls(m_settings[S::kEqType] == kCustomPreset);
        ShowBands();
    }
    ShowAudioAvailability();
    ApplyEqualizer();
}

void CVeldmarkHS6533Device::ShowBands() {
    if (CVoice6533ControlUI* voice = Voice()) {
        for (int i = 0; i < kBands; ++i) {
            voice->SetBand(i, m_bands[static_cast<size_t>(i)]);
        }
    }
}

// Without a sound card of its own (or without a sound system) the audio
// controls are off and say why, rather than taking changes that go nowhere.
// Voice effects need the endpoint's support as well.
void CVeldmarkHS6533Device::ShowAudioAvailability() {
    const bool ready = m_audio.HasEndpoints();
    std::string reason;
    if (!ready) {
        ui::Window* window = GetWindow();
        const std::string lead = window != nullptr
                                     ? window->Context().language.Resolve("hs_audio_off_text")
                                     : std::string("Audio settings are off");
        reason = lead + ": " + m_audio.Unavailable();
    }
    if (CVoice6533ControlUI* voice = Voice()) {
        voice->EnableAudio(ready, reason);
        if (ready) {
            voice->EnableCustomControls(m_settings[CHs6533Profiledata::kEqType] == kCustomPreset);
        }
    }
    if (CMagicControlUI* magic = Magic()) {
        const auto features = static_cast<uint32_t>(m_audio.Session().recording.features[0]);
        const bool effects = ready && (features & headset::HeadsetAudio::kVoiceEffectFeature) != 0;
        std::string why = reason;
        if (ready && !effects) {
            ui::Window* window = GetWindow();
            why = window != nullptr
                      ? window->Context().language.Resolve("hs_magic_off_text")
                      : std::string("The headset's sound system has no voice effects");
        }
        magic->EnableAudio(effects, why);
        if (effects) {
            magic->EnableEffects(m_settings[CHs6533Profiledata::kMagicEnable] != 0);
        }
    }
}

// The editor offers the headset's modes followed by the user's custom effects.
void CVeldmarkHS6533Device::RefreshEditorLists() {
    LoadEditorLists();
    auto* editor = dynamic_cast<LightEditorView*>(GetLightEditor());
    if (editor == nullptr) {
        return;
    }
    std::vector<std::string> names = m_modeNames;
    std::vector<bool> visible = m_modeVisible;
    names.insert(names.end(), m_effectNames.begin(), m_effectNames.end());
    visible.resize(names.size(), true);
    editor->InitModes(names, visible, kEditorMaximum, kEditorMaximum);
}

// --- device ------------------------------------------------------------------------------

void CVeldmarkHS6533Device::ConnectDevice() {
    m_sentReports.clear();  // a headset just attached shows nothing of ours yet
    LoadProfile();
    if (m_audio.HasEndpoints()) {
        m_audio.ReadState(m_settings);
    } else {
        // The headset's sound card comes with the headset: one plugged in
        // after the page was built is found now.
        StartAudio();
    }
    RefreshPage();
    StartLightingThread([this](ui::StopSignal& stop) { LightingThread(stop); });
}

// The headset asked to be read again: it may have changed its lights itself.
void CVeldmarkHS6533Device::ReadDeviceState() {
    m_sentReports.clear();
    ReadBack();
}

// A failed read leaves the record as it was: a half-read record would later
// be written back to the headset as its settings.
int CVeldmarkHS6533Device::ReadBack() {
    CDeviceChannel& channel = Channel();
    channel.streamPaused.store(false);
    if (!channel.IsOpen()) {
        return channel_result::kNoReply;
    }
    uint8_t profile = 0;
    int result = channel.ReadParameters(std::span(&profile, 1), 0);
    if (result != channel_result::kOk) {
        return result;
    }
    std::array<uint8_t, kReadBackSize> bytes{};
    result = channel.ReadParameters(bytes, static_cast<uint16_t>(profile * kReadStride));
    if (result != channel_result::kOk) {
        return result;
    }
    std::copy_n(bytes.begin(), kRecordSize, m_record.begin());
    m_record[kProfileByte] = profile;
    m_record[kSpeedByte] = DeviceSpeed(m_record[kSpeedByte]);
    PublishRecord();
    return channel_result::kOk;
}

// The write bracket is closed even after a failed write, so the headset is
// never left waiting for its end; the first failure is what the caller gets.
int CVeldmarkHS6533Device::UploadSettings(int profile, int, int, int, int) {
    HeadsetLightRecord bytes = m_record;
    bytes[kSpeedByte] = DeviceSpeed(m_record[kSpeedByte]);
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

std::vector<CVeldmarkHS6533Device::HeadsetFrameReport> CVeldmarkHS6533Device::FrameReports() const {
    std::vector<HeadsetFrameReport> reports;
    reports.reserve(12);
    for (uint8_t plane = 0; plane < 3; ++plane) {
        for (uint8_t target : {kTargetA, kTargetB}) {
            for (bool high : {false, true}) {
                HeadsetFrameReport r{};
                r[0] = kReportId;
                r[1] = target;
                r[2] = static_cast<uint8_t>((high ? kHighPlane0 : kLowPlane0) + plane);
                const int first = high ? kLowLeds : 0;
                const int count = high ? kHighLeds : kLowLeds;
                for (int i = 0; i < count; ++i) {
                    const device::LedColor led = GetLedColor(first + i);
                    const uint8_t colour = plane == 0 ? led.r : plane == 1 ? led.g : led.b;
                    const int value = colour * led.alpha >> 8;
                    r[4 + static_cast<size_t>(i)] =
                        static_cast<uint8_t>(std::min<int>(value, kMaxLedValue));
                }
                reports.push_back(r);
            }
        }
    }
    return reports;
}

// Shows the frame on the page and sends it as the headset's twelve reports.
// The headset keeps what it was sent, so a frame equal to the last one sent
// is not sent again: each report is a control transfer, and a still frame
// would otherwise cost 2400 of them a second. A refused report does not hold
// back the others, and the next push sends the whole frame again.
void CVeldmarkHS6533Device::PushFrame() {
    if (!IsLightingActive()) {
        return;
    }
    ShowFrame();
    CDeviceChannel& channel = Channel();
    if (!channel.IsOpen()) {
        return;
    }
    std::vector<HeadsetFrameReport> reports = FrameReports();
    if (reports == m_sentReports) {
        return;
    }
    bool sent = true;
    for (const HeadsetFrameReport& report : reports) {
        std::lock_guard<std::mutex> lock(channel.IoLock());
        sent = channel.Hid().SetOutputReport(report) && sent;
    }
    m_sentReports = sent ? std::move(reports) : std::vector<HeadsetFrameReport>();
}

// --- profile -----------------------------------------------------------------------------

int CVeldmarkHS6533Device::LoadProfile() {
    SetProfilePaths();
    CHs6533Profiledata& document = HsDocument();
    document.Load(document.GetProfilePath());
    ApplyLighting();
    m_settings = document.ReadHeadsetSettings();
    const int eqType = m_settings[CHs6533Profiledata::kEqType];
    const std::vector<int32_t> bands =
        eqType == kCustomPreset
            ? document.ReadCustomEqBands(m_settings[CHs6533Profiledata::kCustomEqSelectIndex])
            : document.ReadEqBands(eqType);
    if (bands.size() == m_bands.size()) {
        std::copy(bands.begin(), bands.end(), m_bands.begin());
    }
    m_customNames = document.ReadCustomEqNames();
    return 1;
}

int CVeldmarkHS6533Device::ApplyLighting() {
    CBasicProfiledata& document = Document();
    m_lightInfo = document.ReadLightInfo();
    SetEngineParams(m_lightInfo);
    RecordFromLightInfo(m_lightInfo);
    ReplaceCustomColors(document.ReadLightList());
    document.LoadLightStore(document.GetLightStorePath());
    ReplaceEffectSteps(document.ReadLightEffects());
    SeedRipple(m_lightInfo.mode);
    return 1;
}

void CVeldmarkHS6533Device::RecordFromLightInfo(const LightInfoRecord& r) {
    m_record[kModeByte] = r.mode;
    m_record[kBrightnessByte] = r.brightness;
    m_record[kSpeedByte] = r.speed;
    m_record[kMultiByte] = r.multiColor;
    m_record[kRedByte] = r.red;
    m_record[kRedByte + 1] = r.green;
    m_record[kRedByte + 2] = r.blue;
    PublishRecord();
}

void CVeldmarkHS6533Device::PublishRecord() {
    m_threadMode.store(m_record[kModeByte]);
    m_threadSpeed.store(m_record[kSpeedByte]);
}

// Nothing on the headset lights a ring entry by itself: the ripples start
// from ring[0], seeded afresh whenever the mode changes (a whole-ring ripple
// may have carried the entry past the part the pair ripple turns).
void CVeldmarkHS6533Device::SeedRipple(uint8_t mode) {
    if (mode == m_seededMode) {
        return;
    }
    m_seededMode = mode;
    ClearKeyLevels();
    Engine().Keys().SetRing(0, 1);
}

// The eight settings, band values and names the page shows stay as they are:
// the next stored change writes them into the reset document.
void CVeldmarkHS6533Device::ResetProfile() {
    Document().Load(DefaultDocumentPath());
    ApplyLighting();
    SaveProfile();
    RefreshPage();
}

std::string CVeldmarkHS6533Device::GetProfilePath() const {
    return Document().GetProfilePath();
}

void CVeldmarkHS6533Device::SaveProfile() {
    Document().Save();
}

void CVeldmarkHS6533Device::SetTypeCode(int code) {
    CVeldmarkUSBDevice::SetTypeCode(code);
    Document().SetDeviceIndex(0);
}

void CVeldmarkHS6533Device::SetLightInfo(const LightInfoRecord& record) {
    m_lightInfo = record;
    Document().WriteLightInfo(record);
}

LightInfoRecord CVeldmarkHS6533Device::GetLightInfo() const {
    return m_lightInfo;
}

void CVeldmarkHS6533Device::IgniteRing() {
    Engine().IgniteRing();
}

// --- lighting thread ------------------------------------------------------------------------

void CVeldmarkHS6533Device::FrameWave() {
    Engine().FrameWave(kWave);
}

void CVeldmarkHS6533Device::FrameRipple() {
    Engine().FrameRipple();
}

void CVeldmarkHS6533Device::FramePairRipple() {
    Engine().FramePairRipple();
}

void CVeldmarkHS6533Device::LightingPass() {
    RunLightingStep(m_modes, m_threadMode.load(), m_threadSpeed.load(), 1);
}

void CVeldmarkHS6533Device::LightingThread(ui::StopSignal& stop) {
    RunLightingPasses(stop, m_modes, m_threadMode, m_threadSpeed, kPassPeriod,
                      "HS灯光线程设定退出");
}
