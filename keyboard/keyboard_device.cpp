#include "keyboard/keyboard_device.h"

#include <algorithm>
#include <chrono>

#include "device/lighting_tables.h"
#include "keyboard/keyboard_tables.h"
#include "profile/macro_image.h"
#include "profile/macro_records.h"
#include "profile/macro_store.h"

namespace {

constexpr auto kDetachedWait = std::chrono::milliseconds(100);
// While synchronised lighting drives the keyboard the preview rests; it
// looks again this often.
constexpr auto kPausedWait = std::chrono::milliseconds(10);
constexpr int kSyncDelayMs = 100;
constexpr uint8_t kMaxSpeed = 4;

// Settings record bytes.
constexpr size_t kByteMode = 1;
constexpr size_t kByteBrightness = 2;
constexpr size_t kByteSpeed = 3;
constexpr size_t kByteDirection = 4;
constexpr size_t kByteMulti = 5;
constexpr size_t kByteRed = 6;
constexpr size_t kByteCleared = 16;
constexpr size_t kByteZzcc = 18;
constexpr size_t kByteWFlag = 19;
constexpr size_t kByte6Flag = 20;
constexpr size_t kByteWinFlag = 21;
constexpr size_t kByteReportRate = 22;
constexpr size_t kByteGroup = 25;

uint16_t Low(uint32_t word) {
    return static_cast<uint16_t>(word & 0xFFFF);
}
uint16_t High(uint32_t word) {
    return static_cast<uint16_t>(word >> 16);
}

// The first failure of a sequence is what its caller gets.
int FirstFailure(std::initializer_list<int> results) {
    for (const int r : results) {
        if (r != channel_result::kOk) {
            return r;
        }
    }
    return channel_result::kOk;
}

uint8_t Scaled(uint8_t channel, uint8_t alpha) {
    return static_cast<uint8_t>((channel * alpha) >> 8);
}

}  // namespace

CVeldmarkKeyboardDevice::CVeldmarkKeyboardDevice()
    : CVeldmarkUSBDevice(std::make_unique<CKeyboardProfiledata>()), m_preview(Engine()) {
    Construct();
}

CVeldmarkKeyboardDevice::CVeldmarkKeyboardDevice(platform::hid::HidBackend& backend)
    : CVeldmarkUSBDevice(backend, std::make_unique<CKeyboardProfiledata>()), m_preview(Engine()) {
    Construct();
}

CVeldmarkKeyboardDevice::~CVeldmarkKeyboardDevice() {
    // Both threads reach this object's preview: they end before it goes.
    StopLightingThread();
    CloseSyncInterface();
}

void CVeldmarkKeyboardDevice::Construct() {
    m_kind = kKind;
    m_doc = static_cast<CKeyboardProfiledata*>(&Document());
    m_doc->SetDefaultPath(DefaultDocumentPath());
    for (auto& button : m_positionButton) {
        button.store(kNoPosition);
    }
    SetSyncDelay(kSyncDelayMs);
    SetKeyFunctionPage(true);
    SetKeyEventHook([this](int position, bool pressed) { OnDeviceKeyEvent(position, pressed); });
}

// --- connection and tables ---------------------------------------------------------------

void CVeldmarkKeyboardDevice::ConnectDevice() {
    ReadDeviceTables();
    LoadProfile();
    ReadBack();
    RefreshPage();
    StopLightingThread();
    m_preview.DiscardKeyEvents();
    StartLightingThread([this](ui::StopSignal& stop) { LightingThread(stop); });
}

void CVeldmarkKeyboardDevice::ClearTables() {
    m_tablesRead = false;
    m_keyTable.fill(0);
    m_ledMap.fill(0);
    m_keyToPosition.clear();
    m_keyToLed.clear();
    for (auto& button : m_positionButton) {
        button.store(kNoPosition);
    }
}

// A keyboard with more positions than a key-table block holds is refused;
// its write bracket is still closed, so it is not left waiting for the end
// of a write that never comes.
int CVeldmarkKeyboardDevice::ReadDeviceTables() {
    CDeviceChannel& channel = Channel();
    if (!channel.IsOpen()) {
        return channel_result::kNoReply;
    }
    ClearTables();
    const int begin = channel.BeginWrite();
    const int info =
        channel.ReadDeviceInfo(std::span(m_deviceInfo, CDeviceChannel::kDeviceInfoSize));
    const int positions = m_deviceInfo[5];
    if (!channel.SetBlockSize(static_cast<uint16_t>(3 * positions))) {
        const int end = channel.EndWrite();
        const int failure = FirstFailure({begin, info, end});
        return failure != channel_result::kOk ? failure : channel_result::kNoReply;
    }
    const int keys = channel.ReadKeyTable(m_keyTable);
    const int leds = channel.ReadLedMap(m_ledMap);
    const int end = channel.EndWrite();
    m_tablesRead = keys == channel_result::kOk;
    BuildMaps(positions);
    return FirstFailure({begin, info, keys, leds, end});
}

void CVeldmarkKeyboardDevice::BuildMaps(int positions) {
    for (int i = 0; i < positions; ++i) {
        m_keyToPosition[i] = kNoPosition;
        m_keyToLed[i] = kNoPosition;
    }
    for (int j = 0; j < keyboard::kKeyButtons; ++j) {
        const keyboard::KeyCode& code = keyboard::kDefaultKeyTable[j];
        for (int k = 0; k < positions; ++k) {
            if (std::equal(code.begin(), code.end(), m_keyTable.begin() + 3 * k)) {
                m_keyToPosition[j] = k;
                break;
            }
        }
    }
    for (int i = 0; i < positions; ++i) {
        const int k = m_keyToPosition[i];
        if (k != kNoPosition) {
            m_keyToLed[i] = m_ledMap[k];
        }
    }
    // The lowest button wins a position that two buttons share.
    for (int j = keyboard::kKeyButtons - 1; j >= 0; --j) {
        const int k = KeyPosition(j);
        if (k != kNoPosition) {
            m_positionButton[k].store(static_cast<uint8_t>(j));
        }
    }
}

int CVeldmarkKeyboardDevice::KeyPosition(int button) const {
    const auto it = m_keyToPosition.find(button);
    return it == m_keyToPosition.end() ? kNoPosition : it->second;
}

int CVeldmarkKeyboardDevice::KeyLed(int button) const {
    const auto it = m_keyToLed.find(button);
    return it == m_keyToLed.end() ? kNoPosition : it->second;
}

int CVeldmarkKeyboardDevice::ButtonAtPosition(int position) const {
    if (position < 0 || position >= static_cast<int>(m_positionButton.size())) {
        return -1;
    }
    const uint8_t button = m_positionButton[position].load();
    return button == kNoPosition ? -1 : button;
}

// --- settings record ------------------------------------------------------------------------

void CVeldmarkKeyboardDevice::ReadDeviceState() {
    ReadBack();
    RefreshPage();
}

int CVeldmarkKeyboardDevice::ReadBack(int* activeProfile) {
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
    m_activeProfile = profile;
    SettingsRecord r{};
    result = channel.ReadParameters(r, static_cast<uint16_t>(profile * kRecordStride));
    if (result != channel_result::kOk) {
        return result;
    }
    r[kByteCleared] = 0;
    m_lastRecord = r;

    // A speed beyond the fastest has no frame timing: it counts as the fastest.
    const int speed = 4 - r[kByteSpeed];
    LightInfoRecord info = m_lightInfo;
    info.mode = r[kByteMode];
    info.brightness = r[kByteBrightness];
    info.speed = speed < 0 || speed > kMaxSpeed ? kMaxSpeed : static_cast<uint8_t>(speed);
    info.direction = r[kByteDirection];
    info.multiColor = r[kByteMulti];
    info.red = r[kByteRed];
    info.green = r[kByteRed + 1];
    info.blue = r[kByteRed + 2];
    info.zzccMode = r[kByteZzcc];
    info.customGroup = r[kByteGroup];
    m_lightInfo = info;
    m_mirror = {info.mode, info.brightness, info.speed, info.direction, info.multiColor,
                info.red,  info.green,      info.blue,  info.zzccMode,  info.customGroup};
    FollowRecord(info);
    if (m_mirror.mode != m_previousMirror.mode) {
        OnModeChange(m_previousMirror.mode);
    }

    m_systemWords[1] = (m_systemWords[1] & 0xFFFF0000u) | r[kByte6Flag];
    m_systemWords[2] = static_cast<uint32_t>(r[kByteWinFlag]) << 16 | r[kByteWFlag];
    m_doc->WriteSystemStages(m_systemWords);
    m_doc->WriteLightInfo(info);
    SaveProfile();
    if (activeProfile != nullptr) {
        *activeProfile = profile;
    }
    return channel_result::kOk;
}

int CVeldmarkKeyboardDevice::UploadSettings(int profile, int byte0, int, int, int) {
    const SystemWords words = m_doc->ReadSystemStages();
    const LightInfoRecord info = m_doc->ReadLightInfo();
    SettingsRecord r{};
    r[0] = static_cast<uint8_t>(byte0);
    r[kByteMode] = info.mode;
    r[kByteBrightness] = info.brightness;
    r[kByteSpeed] = static_cast<uint8_t>(4 - info.speed);
    r[kByteDirection] = info.direction;
    r[kByteMulti] = info.multiColor;
    r[kByteRed] = info.red;
    r[kByteRed + 1] = info.green;
    r[kByteRed + 2] = info.blue;
    r[kByteZzcc] = info.zzccMode;
    r[kByteWFlag] = static_cast<uint8_t>(Low(words[2]));
    r[kByte6Flag] = static_cast<uint8_t>(Low(words[1]));
    r[kByteWinFlag] = static_cast<uint8_t>(High(words[2]));
    r[kByteReportRate] = static_cast<uint8_t>(High(words[1]));
    // The keyboard shows the custom colours of the group its record names:
    // the group the colours are sent to.
    r[kByteGroup] = info.customGroup;
    CDeviceChannel& channel = Channel();
    if (!channel.IsOpen()) {
        return channel_result::kNoReply;
    }
    const int begin = channel.BeginWrite();
    const int write =
        channel.WriteParameters(r, static_cast<uint16_t>(std::max(profile, 0) * kRecordStride));
    const int end = channel.EndWrite();
    return FirstFailure({begin, write, end});
}

// --- key table ----------------------------------------------------------------------------------

// Positions that no key button maps to keep the bytes read at connection;
// the copy itself is not changed. Without a key table read at connection
// nothing is sent: an empty copy would wipe every key of the keyboard.
int CVeldmarkKeyboardDevice::UploadKeyTable(int profile, const std::vector<KeyEntry>& keys) {
    CDeviceChannel& channel = Channel();
    if (!channel.IsOpen() || !m_tablesRead) {
        return channel_result::kNoReply;
    }
    const int info =
        channel.ReadDeviceInfo(std::span(m_deviceInfo, CDeviceChannel::kDeviceInfoSize));
    std::array<uint8_t, kTableCopySize> buffer = m_keyTable;
    for (const auto& [button, position] : m_keyToPosition) {
        if (position == kNoPosition || button < 0 || button >= static_cast<int>(keys.size())) {
            continue;
        }
        const KeyAssignment& key = keys[static_cast<size_t>(button)].current;
        buffer[3 * position] = key.kind;
        buffer[3 * position + 1] = key.param1;
        buffer[3 * position + 2] = key.param2;
    }
    const int begin = channel.BeginWrite();
    const int write = channel.WriteKeyTable(buffer, profile);
    const int end = channel.EndWrite();
    return FirstFailure({info, begin, write, end});
}

int CVeldmarkKeyboardDevice::UploadProfileKeys(int profile) {
    const std::vector<KeyEntry> keys = GetKeyList();
    return UploadKeyTable(profile, keys);
}

// --- macros -------------------------------------------------------------------------------------

// The keyboard's macro memory is 128 bytes per unit of device information
// byte 6; before any keyboard answered, the size every keyboard reports.
// Result 0 when sent or nothing to send, -1 when the image could not be made
// or written, n > 0 when it is n - 1 units of 4 bytes too large.
int CVeldmarkKeyboardDevice::UploadMacros() {
    CDeviceChannel& channel = Channel();
    if (channel.IsOpen()) {
        (void)channel.ReadDeviceInfo(std::span(m_deviceInfo, CDeviceChannel::kDeviceInfoSize));
    }
    const uint8_t units =
        m_deviceInfo[6] != 0 ? m_deviceInfo[6] : CDeviceChannel::kMacroUnitsForced;
    const size_t capacity = kMacroUnitBytes * units;
    const MacroImage image =
        MacroImage::FromStore(ProfileFolder(), profile::MacroStore::kListName, capacity);
    switch (image.GetStatus()) {
        case MacroImage::Status::NoMacros:
            return 0;
        case MacroImage::Status::TooLarge:
            return image.ExcessUnits(capacity);
        case MacroImage::Status::NoMemory:
            return -1;
        case MacroImage::Status::Built:
            break;
    }
    if (!channel.IsOpen()) {
        return 0;
    }
    const int begin = channel.BeginWrite();
    const int write = channel.WriteMacroImage(image.Bytes());
    const int end = channel.EndWrite();
    return FirstFailure({begin, write, end}) == channel_result::kOk ? 0 : -1;
}

// --- key events -------------------------------------------------------------------------------

void CVeldmarkKeyboardDevice::OnDeviceKeyEvent(int position, bool pressed) {
    const int button = ButtonAtPosition(position);
    if (button >= 0) {
        m_preview.PostKeyEvent(button, pressed ? keyboard::kKeyPressed : keyboard::kKeyReleased);
        WakeLighting(true);
    }
}

// --- custom colours ------------------------------------------------------------------------------

int CVeldmarkKeyboardDevice::SelectedCustomGroup() const {
    if (const auto* groups = dynamic_cast<const CustomGroupView*>(GetLightEditor())) {
        return groups->GetCustomGroup();
    }
    return -1;
}

void CVeldmarkKeyboardDevice::SetCustomGroup(int group) {
    if (auto* groups = dynamic_cast<CustomGroupView*>(GetLightEditor())) {
        groups->SelectCustomGroup(group);
    }
    m_doc->WriteCustomGroupIndex(group);
}

void CVeldmarkKeyboardDevice::LoadCustomColors() {
    const int group = m_doc->ReadCustomGroupIndex();
    const std::vector<CustomColor> colors = m_doc->ReadCustomColors(group, GetLedCount());
    for (int k = 0; k < keyboard::kPreviewLeds; ++k) {
        m_preview.SetCustomColor(k,
                                 k < static_cast<int>(colors.size()) ? colors[k] : CustomColor{});
    }
    if (auto* groups = dynamic_cast<CustomGroupView*>(GetLightEditor())) {
        groups->SelectCustomGroup(group);
    }
    UploadCustomColors();
}

std::vector<CustomColor> CVeldmarkKeyboardDevice::CustomColorList() const {
    std::vector<CustomColor> colors(static_cast<size_t>(std::clamp(GetLedCount(), 0, 126)));
    for (size_t k = 0; k < colors.size(); ++k) {
        colors[k] = m_preview.GetCustomColor(static_cast<int>(k));
    }
    return colors;
}

// Three bytes per LED at 3 × the LED's index; an LED index whose three bytes
// would not fit the 512-byte group is left out.
std::array<uint8_t, CVeldmarkKeyboardDevice::kTableCopySize> CVeldmarkKeyboardDevice::ColorBuffer(
    bool scaled) const {
    std::array<uint8_t, kTableCopySize> buffer{};
    // Scaled colours are sent at the brightness they are shown with, which
    // the preview's frames give them as their alpha. It is taken from the
    // lighting record rather than from the last frame, so that the bytes sent
    // do not depend on whether the preview has drawn since the mode changed.
    const uint8_t level = device::BrightnessLevel(m_lightInfo.brightness);
    for (const auto& [led, index] : m_keyToLed) {
        if (led < 0 || led >= keyboard::kPreviewLeds || index == kNoPosition ||
            3 * index + 2 >= static_cast<int>(kTableCopySize)) {
            continue;
        }
        const CustomColor c = m_preview.GetCustomColor(led);
        const uint8_t alpha = scaled ? level : 255;
        buffer[3 * index] = scaled ? Scaled(c.red, alpha) : c.red;
        buffer[3 * index + 1] = scaled ? Scaled(c.green, alpha) : c.green;
        buffer[3 * index + 2] = scaled ? Scaled(c.blue, alpha) : c.blue;
    }
    return buffer;
}

size_t CVeldmarkKeyboardDevice::ColorLength() const {
    return std::min(3 * m_keyToLed.size(), kTableCopySize);
}

// Colour groups are keyboard memory like the others: written inside a
// write bracket.
int CVeldmarkKeyboardDevice::WriteColors(const std::array<uint8_t, kTableCopySize>& buffer) {
    CDeviceChannel& channel = Channel();
    if (!channel.IsOpen()) {
        return channel_result::kNoReply;
    }
    const int begin = channel.BeginWrite();
    const int write = channel.WriteColorTable(std::span(buffer.data(), ColorLength()),
                                              m_lightInfo.customGroup, kColorGroupSize);
    const int end = channel.EndWrite();
    return FirstFailure({begin, write, end});
}

int CVeldmarkKeyboardDevice::UploadCustomColors() {
    if (m_lightInfo.mode != keyboard::kModeCustomColors) {
        return channel_result::kNoReply;
    }
    return WriteColors(ColorBuffer(true));
}

void CVeldmarkKeyboardDevice::FillCustomColors(bool on) {
    for (int k = 0; k < keyboard::kPreviewLeds; ++k) {
        if (on) {
            m_preview.SetCustomRgb(k, m_lightInfo.red, m_lightInfo.green, m_lightInfo.blue);
        } else {
            m_preview.SetCustomRgb(k, 0, 0, 0);
        }
    }
    UploadCustomColors();
    const int group = SelectedCustomGroup();
    if (group != -1) {
        m_doc->WriteCustomColors(CustomColorList(), group);
        SaveProfile();
    }
}

void CVeldmarkKeyboardDevice::PaintCustomKey(int led) {
    if (m_lightInfo.mode != keyboard::kModeCustomColors || led < 0 || led >= GetLedCount()) {
        return;
    }
    m_preview.SetCustomRgb(led, m_lightInfo.red, m_lightInfo.green, m_lightInfo.blue);
    const int group = SelectedCustomGroup();
    if (group == -1) {
        return;
    }
    m_doc->WriteCustomColors(CustomColorList(), group);
    SaveProfile();
    if (!Channel().IsSlow()) {
        WriteColors(ColorBuffer(false));
    }
}

// --- lighting
// -------------------------------------------------------------------------------------

void CVeldmarkKeyboardDevice::FollowRecord(const LightInfoRecord& record) {
    SetEngineParams(record);
    m_preview.SetZzccMode(record.zzccMode);
}

// The preview itself is reset by the lighting thread when it sees the new
// mode; what needs the device or the document happens here.
void CVeldmarkKeyboardDevice::OnModeChange(uint8_t) {
    if (m_mirror.mode == keyboard::kModeCustomColors) {
        LoadCustomColors();
    }
}

int CVeldmarkKeyboardDevice::ApplyLighting() {
    m_lightInfo = m_doc->ReadLightInfo();
    const uint8_t previousMode = m_mirror.mode;
    m_mirror.mode = m_lightInfo.mode;
    m_mirror.brightness = m_lightInfo.brightness;
    m_mirror.speed = m_lightInfo.speed;
    m_mirror.multiColor = m_lightInfo.multiColor;
    m_mirror.red = m_lightInfo.red;
    m_mirror.green = m_lightInfo.green;
    m_mirror.blue = m_lightInfo.blue;
    FollowRecord(m_lightInfo);
    if (m_mirror.mode != previousMode) {
        OnModeChange(previousMode);
    }
    const std::vector<LightListEntry> layers = m_doc->ReadLightList();
    m_preview.SetLayersAnimate(std::any_of(layers.begin(), layers.end(), [](const auto& e) {
        return e.present && (e.mode == kLightLayerBreath || e.mode == kLightLayerSpectrum);
    }));
    ReplaceCustomColors(layers);
    m_doc->LoadLightStore(m_doc->GetLightStorePath());
    ReplaceEffectSteps(m_doc->ReadLightEffects());
    return 1;
}

void CVeldmarkKeyboardDevice::WakeLighting(bool keyEvent) {
    {
        std::lock_guard lock(m_restMutex);
        if (keyEvent) {
            m_keyEvents.fetch_add(1);
        }
    }
    m_restCv.notify_all();
}

bool CVeldmarkKeyboardDevice::RestUntilSeen(ui::StopSignal& stop, uint32_t& keyEventsSeen) {
    std::unique_lock lock(m_restMutex);
    m_restCv.wait(lock, [&] {
        return stop.IsRequested() || m_previewSeen.load() || m_keyEvents.load() != keyEventsSeen;
    });
    keyEventsSeen = m_keyEvents.load();
    return !stop.IsRequested();
}

// The frames are only for the page: while nobody sees it the thread rests,
// waking for a key event so that the reactive modes' key states (a release
// above all) stay right for when the page is seen again.
void CVeldmarkKeyboardDevice::LightingThread(ui::StopSignal& stop) {
    CDeviceChannel& channel = Channel();
    const int wake = stop.AddWakeCallback([this] { WakeLighting(false); });
    m_preview.StartTiming(Engine().Now());
    uint32_t keyEventsSeen = m_keyEvents.load();
    std::chrono::milliseconds wait(1);
    uint32_t due = Engine().Now();  // when the next pass is due
    while (!stop.WaitFor(wait)) {
        if (!channel.IsOpen()) {
            wait = kDetachedWait;
            continue;
        }
        if (channel.streamPaused.load()) {
            wait = kPausedWait;
            continue;
        }
        if (!m_previewSeen.load()) {
            if (!RestUntilSeen(stop, keyEventsSeen)) {
                break;
            }
            if (!m_previewSeen.load()) {
                (void)m_preview.Pass(Engine().Now());  // the key events
                wait = std::chrono::milliseconds(0);
                continue;
            }
            m_preview.StartTiming(Engine().Now());
            due = Engine().Now();
        }
        // The frames are only shown, at the pace of a display: the thread wakes
        // that often and runs the passes that came due meanwhile, each at its
        // own time, so an effect keeps its speed with a fifth of the wake-ups.
        wait = std::chrono::milliseconds(
            m_preview.PassesUntil(due, Engine().Now(), static_cast<uint32_t>(kShowPeriodMs)));
    }
    stop.RemoveWakeCallback(wake);
    Trace("KB灯光线程设定退出");
}

// --- profile
// -----------------------------------------------------------------------------------------

int CVeldmarkKeyboardDevice::LoadProfile() {
    SetProfilePaths();
    m_doc->Load(m_doc->GetProfilePath());
    m_doc->ReadKeyList();
    ApplyLighting();
    m_systemWords = m_doc->ReadSystemStages();
    return 1;
}

void CVeldmarkKeyboardDevice::ResetProfile() {
    m_doc->Load(DefaultDocumentPath());
    m_doc->ReadKeyList();
    ApplyLighting();
    m_systemWords = m_doc->ReadSystemStages();
    SaveProfile();
    RefreshPage();
}

void CVeldmarkKeyboardDevice::SetProfilePaths() {
    CVeldmarkUSBDevice::SetProfilePaths();
}

std::string CVeldmarkKeyboardDevice::GetProfilePath() const {
    return m_doc->GetProfilePath();
}

void CVeldmarkKeyboardDevice::SaveProfile() {
    m_doc->Save();
}

void CVeldmarkKeyboardDevice::SetTypeCode(int code) {
    CVeldmarkUSBDevice::SetTypeCode(code);
    m_doc->SetDeviceIndex(0);
}

void CVeldmarkKeyboardDevice::SetLightInfo(const LightInfoRecord& record) {
    m_lightInfo = record;
    m_doc->WriteLightInfo(record);
}

LightInfoRecord CVeldmarkKeyboardDevice::GetLightInfo() const {
    return m_lightInfo;
}

// A macro list that cannot be read changes no key.
void CVeldmarkKeyboardDevice::ValidateMacroKeys() {
    LoadMacroNames();
    if (!MacroListRead()) {
        return;
    }
    std::vector<KeyEntry> keys = GetKeyList();
    if (macro::ResetMissingMacros(keys, static_cast<int>(GetMacroNames().size()))) {
        SetKeyList(keys);
        RefreshKeyDisplay();
    }
}
