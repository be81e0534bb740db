#include "mouse/mouse_device.h"

#include <algorithm>
#include <chrono>

#include "device/lighting_tables.h"
#include "mouse/mouse_buttons.h"
#include "platform/ui/window.h"
#include "profile/macro_image.h"
#include "profile/macro_store.h"

namespace {

// A lighting pass every 1 ms, one tick each.
constexpr auto kPassPeriod = std::chrono::microseconds(1000);
constexpr size_t kInfoKeyPositions = 5;
constexpr size_t kInfoMacroUnits = 6;

bool Ok(int result) {
    return result == channel_result::kOk;
}

}  // namespace

CVeldmarkMouseDevice::CVeldmarkMouseDevice()
    : CVeldmarkUSBDevice(std::make_unique<CMouseProfiledata>()) {
    Construct();
}

CVeldmarkMouseDevice::CVeldmarkMouseDevice(platform::hid::HidBackend& backend)
    : CVeldmarkUSBDevice(backend, std::make_unique<CMouseProfiledata>()) {
    Construct();
}

CVeldmarkMouseDevice::~CVeldmarkMouseDevice() {
    // The lighting thread runs this object's frames: it ends before they go.
    StopLightingThread();
    CloseSyncInterface();
}

void CVeldmarkMouseDevice::Construct() {
    m_kind = kKind;
    Document().SetDefaultPath(DefaultDocumentPath());
    Document().SetBuiltInModeCount(mouse::kBuiltInModes);
    // The mouse's own frames cover every LED; the light list is not laid over them.
    SetLayersInFrames(false);
    SetKeyFunctionPage(true);
    m_modes = {
        {[this] { FrameWave(); }},        {[this] { FrameSpectrum(); }},
        {[this] { FrameBreath(); }},      {[this] { FrameStatic(); }},
        {[this] { FrameBlink(); }},       {[this] { FrameGroupRipple(); }},
        {[this] { FrameBreathCycle(); }}, {[this] { FrameBlinkCycle(); }},
        {[this] { FrameOff(); }},
    };
    SeedRing();
    m_settings = std::make_unique<mouse::MouseSettings>(*this, MouseDocument());
}

CMouseProfiledata& CVeldmarkMouseDevice::MouseDocument() {
    return static_cast<CMouseProfiledata&>(Document());
}

// --- device ------------------------------------------------------------------------------

bool CVeldmarkMouseDevice::ProbeGuard() {
    CDeviceChannel& channel = Channel();
    return channel.IsOpen() && (!channel.IsSlow() || channel.Probe());
}

// The device phase reads the information record and the key table and finds
// the logical buttons in it; the page phase loads the profile whatever the
// device phase did.
void CVeldmarkMouseDevice::ConnectDevice() {
    const bool read = Ok(ReadDeviceTables());
    if (read) {
        ApplyStageScale();
    }
    LoadProfile();
    RefreshPage();
    StartLightingThread([this](ui::StopSignal& stop) { LightingThread(stop); });
    if (read) {
        ResendPending();
    }
}

int CVeldmarkMouseDevice::ReadDeviceTables() {
    CDeviceChannel& channel = Channel();
    m_hasKeyTable = false;
    if (!ProbeGuard()) {
        return channel_result::kNoReply;
    }
    (void)channel.BeginWrite();
    (void)channel.ReadDeviceInfo(std::span(m_deviceInfo, CDeviceChannel::kDeviceInfoSize));
    const size_t positions = m_deviceInfo[kInfoKeyPositions];
    if (!channel.SetBlockSize(static_cast<uint16_t>(3 * positions))) {
        // A table larger than the host can hold is not read; the write
        // bracket is still closed so the mouse does not wait for its end.
        (void)channel.EndWrite();
        return channel_result::kNoReply;
    }
    m_keyTable.fill(0);
    const int table = channel.ReadKeyTable(m_keyTable);
    (void)channel.EndWrite();
    if (!Ok(table)) {
        return table;
    }
    m_hasKeyTable = true;
    m_buttonMap = mouse::BuildButtonMap(m_keyTable, positions);
    return channel_result::kOk;
}

// Uploads that did not reach the mouse before it went away are sent again.
void CVeldmarkMouseDevice::ResendPending() {
    if (m_macrosPending) {
        UploadMacros();
    }
    if (m_keysPending) {
        UploadProfileKeys(0);
    }
}

void CVeldmarkMouseDevice::ReadDeviceState() {
    CDeviceChannel& channel = Channel();
    channel.streamPaused.store(false);
    if (ProbeGuard()) {
        uint8_t active = 0;
        mouse::SettingsRecord record{};
        const bool read = Ok(channel.ReadParameters(std::span(&active, 1), 0)) &&
                          Ok(channel.ReadParameters(
                              record, static_cast<uint16_t>(active * mouse::kSettingsAreaBytes)));
        // A failed read is not applied: a zero-filled record would replace the
        // profile's lighting with darkness.
        if (read) {
            m_activeProfileRead = active;
            m_lastSettings = record;
            LightInfoRecord light = Document().ReadLightInfo();
            light.mode = record[1];
            light.brightness = record[2];
            light.speed = mouse::SpeedFromDevice(record[3]);
            light.multiColor = record[5];
            light.red = record[6];
            light.green = record[7];
            light.blue = record[8];
            MouseDocument().WriteActiveStage(record[12]);
            SetLightInfo(light);
            SaveProfile();
            ApplyLighting();
        }
    }
    RefreshPage();
}

int CVeldmarkMouseDevice::UploadSettings(int profile, int byte0, int byte59, int screenWidth,
                                         int screenHeight) {
    CMouseProfiledata& document = MouseDocument();
    mouse::SettingsInput in;
    in.byte0 = static_cast<uint8_t>(byte0);
    in.byte59 = static_cast<uint8_t>(byte59);
    in.screenWidth = static_cast<uint16_t>(screenWidth);
    in.screenHeight = static_cast<uint16_t>(screenHeight);
    in.light = document.ReadLightInfo();
    in.reportRate = static_cast<uint8_t>(document.ReadSystemStages()[2] >> 16);
    in.activeStage = static_cast<uint8_t>(document.GetActiveStage());
    in.stages = document.ReadDpiStages();
    in.corrections = document.ReadCorrectInfo();
    const mouse::SettingsRecord bytes = mouse::ToDevice(mouse::BuildSettingsRecord(in));

    CDeviceChannel& channel = Channel();
    if (!ProbeGuard()) {
        return channel_result::kNoReply;
    }
    const int begin = channel.BeginWrite();
    if (!ProbeGuard()) {
        return channel_result::kNoReply;
    }
    const auto address = static_cast<uint16_t>(std::max(profile, 0) * mouse::kSettingsAreaBytes);
    const int write =
        channel.WriteParameters(std::span(bytes.data(), mouse::kSettingsWriteBytes), address);
    if (!ProbeGuard()) {
        return channel_result::kNoReply;
    }
    const int end = channel.EndWrite();
    return !Ok(begin) ? begin : !Ok(write) ? write : end;
}

// Entry i of `keys` goes to the key position of logical button i; positions
// no button maps to keep the bytes read at connection.
int CVeldmarkMouseDevice::UploadKeyTable(int profile, const std::vector<KeyEntry>& keys) {
    CDeviceChannel& channel = Channel();
    if (!ProbeGuard()) {
        m_keysPending = true;
        return channel_result::kNoReply;
    }
    (void)channel.ReadDeviceInfo(std::span(m_deviceInfo, CDeviceChannel::kDeviceInfoSize));
    // Without the table of this connection there is nothing to start from:
    // sending the empty copy would wipe every key of the mouse.
    if (!m_hasKeyTable) {
        m_keysPending = true;
        return channel_result::kNoReply;
    }
    std::array<uint8_t, kKeyTableBytes> table = m_keyTable;
    const size_t count = std::min(m_buttonMap.size(), keys.size());
    for (size_t i = 0; i < count; ++i) {
        const uint8_t position = m_buttonMap[i];
        if (position == mouse::kNotMapped || 3u * position + 2 >= table.size()) {
            continue;
        }
        const KeyAssignment& key = keys[i].current;
        table[3u * position] = key.kind;
        table[3u * position + 1] = key.param1;
        table[3u * position + 2] = key.param2;
    }
    const int result = SendKeyTable(profile, std::span(table.data(), channel.BlockSize()));
    m_keysPending = !Ok(result);
    return result;
}

int CVeldmarkMouseDevice::SendKeyTable(int profile, std::span<const uint8_t> table) {
    CDeviceChannel& channel = Channel();
    if (!ProbeGuard()) {
        return channel_result::kNoReply;
    }
    const int begin = channel.BeginWrite();
    if (!ProbeGuard()) {
        return channel_result::kNoReply;
    }
    const int write = channel.WriteKeyTable(table, profile);
    if (!ProbeGuard()) {
        return channel_result::kNoReply;
    }
    const int end = channel.EndWrite();
    return !Ok(begin) ? begin : !Ok(write) ? write : end;
}

// Each macro file is read once; the image is sized from that reading.
int CVeldmarkMouseDevice::UploadMacros() {
    CDeviceChannel& channel = Channel();
    if (!ProbeGuard()) {
        // Nothing reached the mouse: it gets the macros when it is next reached.
        m_macrosPending = true;
        return channel.IsOpen() ? -1 : 0;
    }
    (void)channel.ReadDeviceInfo(std::span(m_deviceInfo, CDeviceChannel::kDeviceInfoSize));
    const size_t capacity = kMacroUnitBytes * m_deviceInfo[kInfoMacroUnits];
    const MacroImage image =
        MacroImage::FromStore(ProfileFolder(), profile::MacroStore::kListName, capacity);
    switch (image.GetStatus()) {
        case MacroImage::Status::NoMacros:
            // The mouse keeps what it has.
            m_macrosPending = false;
            return 0;
        case MacroImage::Status::TooLarge:
            m_macrosPending = false;
            return image.ExcessUnits(capacity);
        case MacroImage::Status::NoMemory:
            return -1;
        case MacroImage::Status::Built:
            break;
    }
    bool sent = ProbeGuard() && Ok(channel.BeginWrite());
    sent = ProbeGuard() && Ok(channel.WriteMacroImage(image.Bytes())) && sent;
    sent = ProbeGuard() && Ok(channel.EndWrite()) && sent;
    m_macrosPending = !sent;
    return sent ? 0 : -1;
}

// --- profile -------------------------------------------------------------------------------

int CVeldmarkMouseDevice::LoadProfile() {
    SetProfilePaths();
    CMouseProfiledata& document = MouseDocument();
    document.Load(document.GetProfilePath());
    document.ReadKeyList();
    ApplyLighting();
    m_settings->TakeStagesFromDocument();
    document.ReadSystemStages();
    return 1;
}

void CVeldmarkMouseDevice::ResetProfile() {
    CMouseProfiledata& document = MouseDocument();
    document.Load(DefaultDocumentPath());
    document.ReadKeyList();
    ApplyLighting();
    m_settings->TakeStagesFromDocument();
    document.ReadSystemStages();
    SaveProfile();
    RefreshPage();
}

int CVeldmarkMouseDevice::ApplyLighting() {
    CBasicProfiledata& document = Document();
    const uint8_t before = m_threadMode.load();
    m_lightInfo = document.ReadLightInfo();
    SetEngineParams(m_lightInfo);
    m_threadSpeed.store(m_lightInfo.speed);
    m_threadMode.store(m_lightInfo.mode);
    if (m_lightInfo.mode != before) {
        SeedRing();
    }
    ReplaceCustomColors(document.ReadLightList());
    document.LoadLightStore(document.GetLightStorePath());
    ReplaceEffectSteps(document.ReadLightEffects());
    // The logo names the lighting mode; an edit of the lighting alone does
    // not refresh the page, so the summary follows here.
    ShowLogoSummary();
    return 1;
}

// A new mode starts dark, with one lit entry that the group ripple carries
// round the ring.
void CVeldmarkMouseDevice::SeedRing() {
    ClearKeyLevels();
    Engine().Keys().SetRing(0, 1);
}

std::string CVeldmarkMouseDevice::GetProfilePath() const {
    return Document().GetProfilePath();
}

void CVeldmarkMouseDevice::SaveProfile() {
    Document().Save();
}

void CVeldmarkMouseDevice::SetTypeCode(int code) {
    CVeldmarkUSBDevice::SetTypeCode(code);
    Document().SetDeviceIndex(0);
}

void CVeldmarkMouseDevice::SetLightInfo(const LightInfoRecord& record) {
    m_lightInfo = record;
    Document().WriteLightInfo(record);
}

LightInfoRecord CVeldmarkMouseDevice::GetLightInfo() const {
    return m_lightInfo;
}

// --- page ------------------------------------------------------------------------------------

void CVeldmarkMouseDevice::InitPage() {
    InitKindPage();
}

void CVeldmarkMouseDevice::InitKindPage() {
    if (GetPageLayout().empty()) {
        CVeldmarkUSBDevice::InitPage();
    } else if (auto* area = FindSubControl<ui::Container>("mouse_device_seting_layout")) {
        for (ui::Control* panel : area->FindSubControlsByClass("SelectPanel")) {
            if (ui::Container* holder = panel->GetParent()) {
                BindPanel(*holder);
            }
            if (m_logo == nullptr && panel->AsContainer() != nullptr) {
                m_logo = panel->AsContainer()->FindSubControl("logo");
            }
        }
    }
    BindEditors();
    InitSettingsPage();
    LoadProfile();
    RefreshPage();
}

void CVeldmarkMouseDevice::RefreshPage() {
    RefreshEditorLists();
    RefreshKeyDisplay();
    if (auto* editor = dynamic_cast<LightEditorView*>(GetLightEditor())) {
        editor->ShowLightInfo(m_lightInfo);
    }
    m_settings->ShowProfile();
}

// --- lighting thread ---------------------------------------------------------------------------

void CVeldmarkMouseDevice::FrameWave() {
    Engine().FrameWave();
}

const std::array<std::array<uint8_t, 3>, 9>& CVeldmarkMouseDevice::RippleGroups() {
    static constexpr std::array<std::array<uint8_t, 3>, 9> kGroups = {{
        {0, 18, 18},
        {1, 17, 255},
        {2, 16, 255},
        {3, 15, 255},
        {4, 14, 255},
        {5, 13, 255},
        {6, 12, 255},
        {7, 9, 11},
        {8, 9, 10},
    }};
    return kGroups;
}

void CVeldmarkMouseDevice::FrameGroupRipple() {
    static constexpr uint8_t kHues = 192;
    static constexpr uint8_t kHueStepPerGroup = 12;
    device::LightingEngine& engine = Engine();
    const device::LightingParams params = engine.GetLightingParams();
    const uint8_t brightness = device::BrightnessLevel(params.brightness);
    uint8_t phase = device::LightingEngine::Step(params.direction, kHues, engine.Phase());
    engine.SetPhase(phase);
    IgniteRing();
    RotateRing(params.direction != 0);
    const int leds = engine.GetLedCount();
    for (size_t g = 0; g < RippleGroups().size(); ++g) {
        DecayKeyLevel(static_cast<int>(g), true);
        device::Rgb colour{params.red, params.green, params.blue};
        if (params.multi) {
            // The hue moves on per group in 8-bit steps; the stored phase is not reduced.
            phase = static_cast<uint8_t>(phase + kHueStepPerGroup);
            engine.SetPhase(phase);
            colour = device::kColorWheel[phase >= kHues ? phase - kHues : phase];
        }
        const uint8_t level = engine.Keys().Level(static_cast<int>(g));
        const auto alpha = static_cast<uint8_t>(brightness * level >> 8);
        for (const uint8_t led : RippleGroups()[g]) {
            if (led < leds) {
                engine.SetLedColor(led, {colour.r, colour.g, colour.b, alpha});
            }
        }
    }
}

void CVeldmarkMouseDevice::LightingPass() {
    RunLightingStep(m_modes, m_threadMode.load(), m_threadSpeed.load(), 1);
}

void CVeldmarkMouseDevice::LightingThread(ui::StopSignal& stop) {
    RunLightingPasses(stop, m_modes, m_threadMode, m_threadSpeed, kPassPeriod,
                      "MS灯光线程设定退出");
}
