#include "device/usb_device.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "device/lighting_frame.h"
#include "platform/trace/trace.h"
#include "platform/ui/window.h"
#include "profile/key_text.h"
#include "profile/macro_records.h"
#include "profile/macro_store.h"
#include "profile/profile_list.h"
#include "profile/profile_paths.h"

namespace {

constexpr std::string_view kSelectPanelClass = "SelectPanel";
constexpr std::string_view kKeyButtonClass = "DeviceKeyButton";
constexpr uint32_t kWhite = 0xFFFFFF;

// Splits "prefix_12" into "prefix_" and 12; false without "_" or a number.
bool SplitIndexed(const std::string& text, std::string& prefix, int& number) {
    const size_t cut = text.rfind('_');
    if (cut == std::string::npos) {
        return false;
    }
    prefix = text.substr(0, cut + 1);
    const char* first = text.data() + cut + 1;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(first, last, number);
    return ec == std::errc() && end == last && number >= 0;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

void SelectTab(ui::Control* control, int index) {
    if (auto* tabs = dynamic_cast<ui::TabLayout*>(control)) {
        tabs->SelectItem(index);
    }
}

}  // namespace

CVeldmarkUSBDevice::CVeldmarkUSBDevice(std::unique_ptr<CBasicProfiledata> document)
    : m_document(document ? std::move(document) : std::make_unique<CBasicProfiledata>()) {}

CVeldmarkUSBDevice::CVeldmarkUSBDevice(platform::hid::HidBackend& backend,
                                       std::unique_ptr<CBasicProfiledata> document)
    : m_channel(backend),
      m_eventChannel(backend),
      m_document(document ? std::move(document) : std::make_unique<CBasicProfiledata>()) {}

CVeldmarkUSBDevice::~CVeldmarkUSBDevice() {
    StopLightingThread();
    CloseSyncInterface();
    m_syncWorker.Stop();
}

// --- page binding --------------------------------------------------------------

void CVeldmarkUSBDevice::InitPage() {
    if (m_pageLayout.empty()) {
        SetKeyCount(0);
        SetLedCount(0);
        m_keyButtons.clear();
        m_lightControls.clear();
        m_leds.clear();
        return;
    }
    BindPanel(*this);
}

void CVeldmarkUSBDevice::BindPanel(ui::Container& container) {
    m_selectPanel = container.FindChildByClass(kSelectPanelClass);
    ui::Container* panel = m_selectPanel ? m_selectPanel->AsContainer() : nullptr;
    if (panel == nullptr) {
        return;
    }
    for (size_t i = 0; i < panel->GetCount(); ++i) {
        ui::Control* child = panel->GetItemAt(i);
        if (child->GetClass() != kKeyButtonClass) {
            continue;
        }
        std::string prefix;
        int number = 0;
        if (SplitIndexed(child->GetName(), prefix, number) &&
            SameTextIgnoringCase(prefix, "key_") &&
            number < static_cast<int>(m_keyButtons.size())) {
            m_keyButtons[number] = child;
        }
        if (SplitIndexed(child->GetUserData(), prefix, number) && prefix == "light_" &&
            number < static_cast<int>(m_lightControls.size())) {
            m_lightControls[number] = child;
            if (auto* led = dynamic_cast<LedControlView*>(child)) {
                led->ShowLed(kWhite, 255, true);
            }
        }
    }
}

void CVeldmarkUSBDevice::BindEditors() {
    m_profileControl = FindSubControl("DeviceProfileItem");
    m_lightEditor = FindSubControl("LightControlItem");
    m_keyEditor = FindSubControl("KeySetControlItem");
    m_translator = FindSubControl("text_test");
    if (auto* editor = dynamic_cast<LightEditorView*>(m_lightEditor)) {
        editor->SetDeviceKind(m_kind);
    }
    if (auto* keys = dynamic_cast<KeySetView*>(m_keyEditor)) {
        keys->SetDeviceKind(m_kind);
    }
}

void CVeldmarkUSBDevice::InitKindPage() {
    CVeldmarkUSBDevice::InitPage();
    BindEditors();
    LoadProfile();
    RefreshPage();
}

ui::Control* CVeldmarkUSBDevice::KeyButton(int index) const {
    return index >= 0 && index < static_cast<int>(m_keyButtons.size()) ? m_keyButtons[index]
                                                                       : nullptr;
}

ui::Control* CVeldmarkUSBDevice::LightControl(int index) const {
    return index >= 0 && index < static_cast<int>(m_lightControls.size()) ? m_lightControls[index]
                                                                          : nullptr;
}

// --- counts and identity ---------------------------------------------------------

void CVeldmarkUSBDevice::SetKeyCount(int n) {
    n = std::max(n, 0);
    if (n != m_keyCount) {
        m_keyCount = n;
        m_keyButtons.assign(static_cast<size_t>(n), nullptr);
    }
}

void CVeldmarkUSBDevice::SetLedCount(int n) {
    n = std::max(n, 0);
    if (n != m_ledCount) {
        m_ledCount = n;
        m_lightControls.assign(static_cast<size_t>(n), nullptr);
    }
    m_leds.assign(static_cast<size_t>(n), device::LedColor{});
    {
        std::lock_guard<std::mutex> lock(m_customColorsLock);
        m_customColors.assign(static_cast<size_t>(n), LightListEntry{});
    }
    m_engine.SetLedCount(n);
    // The engine's dark start frame is not news: what the page holds stands
    // until the lighting thread publishes a frame.
    std::vector<device::LedColor> start;
    m_frameSerial = m_engine.SnapshotFrame(start);
}

void CVeldmarkUSBDevice::SetExtra(int value) {
    m_extra = value;
    if (auto* power = dynamic_cast<PowerStatusView*>(m_powerControl)) {
        power->SetExtra(value);
    }
}

void CVeldmarkUSBDevice::SetPowerControl(ui::Control* control) {
    m_powerControl = control;
    if (auto* power = dynamic_cast<PowerStatusView*>(control)) {
        power->SetExtra(m_extra);
    }
}

void CVeldmarkUSBDevice::SetIdentity(const device::InterfaceRecord& record) {
    m_identity = record;
    m_kind = record.kind;
    m_role = record.role;
}

// The type code also says which part of the light store is this family's and
// how many built-in modes come before its custom effects.
void CVeldmarkUSBDevice::SetTypeCode(int code) {
    m_typeCode = code;
    m_document->SetLightStoreIndex(code);
    m_document->SetBuiltInModeCount(device::BuiltInLightModes(code));
}

// --- frame ---------------------------------------------------------------------------

void CVeldmarkUSBDevice::SetLedColor(int index, const device::LedColor& color) {
    if (index >= 0 && index < static_cast<int>(m_leds.size())) {
        m_leds[index] = color;
    }
}

device::LedColor CVeldmarkUSBDevice::GetLedColor(int index) const {
    if (index < 0 || index >= static_cast<int>(m_leds.size())) {
        return {};
    }
    return m_leds[index];
}

bool CVeldmarkUSBDevice::FetchPublishedFrame() {
    if (m_engine.GetLedCount() != m_ledCount) {
        return false;
    }
    std::vector<device::LedColor> frame;
    const uint64_t serial = m_engine.SnapshotFrame(frame);
    if (serial == m_frameSerial || frame.size() != m_leds.size()) {
        return false;
    }
    m_frameSerial = serial;
    m_leds = std::move(frame);
    return true;
}

// Shows the frame on the page and streams it. After a failed stream the
// device gets a rest of 200 ms before the next one; the UI thread itself never
// waits, so the page stays responsive while a device hangs.
void CVeldmarkUSBDevice::PushFrame() {
    if (!m_lightingActive.load()) {
        return;
    }
    ShowFrame();
    device::FillStreamBuffer(m_leds, m_streamBuffer);
    if (m_channel.IsSlow() || m_leds.empty()) {
        return;
    }
    const int64_t now = UiNow();
    if (now < m_streamResumeAt) {
        return;
    }
    if (m_channel.StreamFrame(m_streamBuffer) != channel_result::kOk) {
        m_streamResumeAt = now + kStreamBackoffMs;
    }
}

void CVeldmarkUSBDevice::ShowFrame() {
    if (m_channel.streamPaused.load()) {
        std::fill(m_leds.begin(), m_leds.end(), GetSyncColor());
    } else {
        FetchPublishedFrame();
    }
    // Frames come every push period, a screen shows far fewer: the page's
    // lights follow at the pace of a display (a frame never seen is skipped).
    const int64_t now = UiNow();
    if (m_ledsShownAt >= 0 && now >= m_ledsShownAt && now - m_ledsShownAt < kShowPeriodMs) {
        return;
    }
    m_ledsShownAt = now;
    for (size_t i = 0; i < m_leds.size(); ++i) {
        ui::Control* control = m_lightControls[i];
        if (control != nullptr && control->IsVisible()) {
            if (auto* led = dynamic_cast<LedControlView*>(control)) {
                led->ShowLed(device::LightControlColor(m_leds[i]), m_leds[i].alpha, true);
            }
        }
    }
}

void CVeldmarkUSBDevice::PaintSyncColor(const device::LedColor& color) {
    m_syncColor.store(static_cast<uint32_t>(color.r) | static_cast<uint32_t>(color.g) << 8 |
                          static_cast<uint32_t>(color.b) << 16 |
                          static_cast<uint32_t>(color.alpha) << 24,
                      std::memory_order_relaxed);
}

device::LedColor CVeldmarkUSBDevice::GetSyncColor() const {
    const uint32_t packed = m_syncColor.load(std::memory_order_relaxed);
    return {static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
            static_cast<uint8_t>(packed >> 16), static_cast<uint8_t>(packed >> 24)};
}

int64_t CVeldmarkUSBDevice::UiNow() const {
    if (const ui::Dispatcher* dispatcher = LoopDispatcher()) {
        return dispatcher->GetClock().NowMs();
    }
    return ui::SteadyClock().NowMs();
}

ui::Dispatcher* CVeldmarkUSBDevice::LoopDispatcher() const {
    if (m_dispatcher != nullptr) {
        return m_dispatcher;
    }
    ui::Window* window = GetWindow();
    return window ? &window->Context().dispatcher : nullptr;
}

// --- shared effects (lighting thread) -------------------------------------------------

void CVeldmarkUSBDevice::FrameBreath() {
    m_engine.FrameBreath();
}
void CVeldmarkUSBDevice::FrameBreathCycle() {
    m_engine.FrameBreathCycle();
}
void CVeldmarkUSBDevice::FrameStatic() {
    m_engine.FrameStatic();
}
void CVeldmarkUSBDevice::FrameSpectrum() {
    m_engine.FrameSpectrum();
}
void CVeldmarkUSBDevice::FrameBlink() {
    m_engine.FrameBlink();
}
void CVeldmarkUSBDevice::FrameBlinkCycle() {
    m_engine.FrameBlinkCycle();
}
void CVeldmarkUSBDevice::FrameOff() {
    m_engine.FrameOff();
}

// --- key levels ---------------------------------------------------------------------------

void CVeldmarkUSBDevice::SetKeyLevelMap(const std::map<int, int>& map) {
    m_keyLevelMap = map;
}
void CVeldmarkUSBDevice::DecayKeyLevel(int index, bool fineTail) {
    m_engine.DecayKeyLevel(index, fineTail);
}
void CVeldmarkUSBDevice::IgniteRing() {
    m_engine.IgniteRing();
}
void CVeldmarkUSBDevice::RotateRing(bool forward) {
    m_engine.RotateRing(forward);
}
void CVeldmarkUSBDevice::ClearKeyLevels() {
    m_engine.ClearKeyLevels();
}

// --- function tabs and key selection ---------------------------------------------------------

void CVeldmarkUSBDevice::SetFunctionMode(int mode) {
    m_functionMode = mode;
    if (m_functionSwitch == nullptr) {
        m_functionSwitch = FindSubControl("device_function_switch");
    }
    if (m_keyFunctionSwitch == nullptr) {
        m_keyFunctionSwitch = FindSubControl("device_key_function_switch");
    }
    if (m_functionSwitch == nullptr || m_keyFunctionSwitch == nullptr) {
        return;
    }
    if (mode == 3 || mode == 7) {
        SelectTab(m_functionSwitch, 1);
        return;
    }
    if (mode == 5) {
        SelectTab(m_functionSwitch, 2);
        return;
    }
    SelectTab(m_functionSwitch, 0);
    const int keyTab = (mode == 2 || mode == 6) ? 1 : mode == 4 ? 2 : 0;
    SelectTab(m_keyFunctionSwitch, keyTab);
}

void CVeldmarkUSBDevice::SelectKey(int index) {
    m_selectedKey = index;
    if (!m_keyFunctionPage) {
        return;
    }
    MarkSelectedKey(index);
    if (m_keyEditor == nullptr) {
        return;
    }
    m_keyEditor->SetVisible(true);
    const std::vector<KeyEntry>& keys = m_document->GetKeyList();
    if (index >= 0 && index < static_cast<int>(keys.size())) {
        if (auto* view = dynamic_cast<KeySetView*>(m_keyEditor)) {
            view->SetKeyEntry(keys[static_cast<size_t>(index)]);
        }
    }
}

void CVeldmarkUSBDevice::MarkSelectedKey(int index) {
    for (int i = 0; i < static_cast<int>(m_keyButtons.size()); ++i) {
        if (auto* view = dynamic_cast<KeyButtonView*>(m_keyButtons[static_cast<size_t>(i)])) {
            view->SetKeySelected(i == index);
        }
    }
}

void CVeldmarkUSBDevice::SetSelectedKeyEntry(const KeyEntry& entry) {
    std::vector<KeyEntry> keys = m_document->GetKeyList();
    if (m_selectedKey < 0 || m_selectedKey >= static_cast<int>(keys.size())) {
        return;
    }
    keys[static_cast<size_t>(m_selectedKey)] = entry;
    m_document->WriteKeyAssignments(keys);
}

ui::Size CVeldmarkUSBDevice::HostScreenSize() const {
    const ui::Window* window = GetWindow();
    return window != nullptr ? window->Context().host.ScreenSize() : ui::Size{};
}

// --- profile and lighting defaults ------------------------------------------------------------
// What every kind does with its profile's lighting; the kinds add their own
// device state on top.

int CVeldmarkUSBDevice::LoadProfile() {
    SetProfilePaths();
    m_document->Load(m_document->GetProfilePath());
    ApplyLighting();
    return 1;
}

// The engine follows the record, the light list and the selected custom
// effect of the document.
int CVeldmarkUSBDevice::ApplyLighting() {
    m_lightInfo = m_document->ReadLightInfo();
    SetEngineParams(m_lightInfo);
    ReplaceCustomColors(m_document->ReadLightList());
    m_document->LoadLightStore(m_document->GetLightStorePath());
    ReplaceEffectSteps(m_document->ReadLightEffects());
    return 1;
}

void CVeldmarkUSBDevice::RefreshPage() {
    RefreshEditorLists();
    if (auto* editor = dynamic_cast<LightEditorView*>(m_lightEditor)) {
        editor->ShowLightInfo(m_lightInfo);
    }
}

void CVeldmarkUSBDevice::RefreshEditorLists() {
    LoadEditorLists();
    if (m_keyFunctionPage) {
        LoadMacroNames();
        if (auto* keys = dynamic_cast<KeySetView*>(m_keyEditor)) {
            keys->SetMacroNames(m_macroNames);
        }
    }
    ShowEditorLists();
}

void CVeldmarkUSBDevice::LoadMacroNames() {
    profile::MacroStore store;
    store.SetFolder(ProfileFolder());
    store.Load();
    const profile::FileStatus state = store.GetListState();
    m_macroListRead = state == profile::FileStatus::Ok || state == profile::FileStatus::Missing;
    m_macroNames.clear();
    for (const profile::MacroInfo& macro : store.GetMacros()) {
        m_macroNames.push_back(macro.name);
    }
}

std::string CVeldmarkUSBDevice::Translate(std::string_view key) {
    if (m_translator == nullptr) {
        return std::string(key);
    }
    m_translator->SetTextKey(std::string(key));
    return m_translator->GetText();
}

std::optional<std::string> CVeldmarkUSBDevice::KeyFunctionText(const KeyAssignment& record) {
    return keys::AssignmentText(record, m_macroNames,
                                [this](std::string_view key) { return Translate(key); });
}

void CVeldmarkUSBDevice::SaveProfile() {
    m_document->Save();
}

void CVeldmarkUSBDevice::SetLightInfo(const LightInfoRecord& record) {
    m_lightInfo = record;
    m_document->WriteLightInfo(record);
}

LightInfoRecord CVeldmarkUSBDevice::GetLightInfo() const {
    return m_lightInfo;
}

std::string CVeldmarkUSBDevice::GetProfilePath() const {
    return m_document->GetProfilePath();
}

// --- no-operation slots that the kinds fill in ----------------------------------------------

void CVeldmarkUSBDevice::ConnectDevice() {}
void CVeldmarkUSBDevice::ReadDeviceState() {}
void CVeldmarkUSBDevice::TimerHook1003() {}
void CVeldmarkUSBDevice::TimerHook1004() {}
void CVeldmarkUSBDevice::PollStatus() {}
void CVeldmarkUSBDevice::ValidateMacroKeys() {
    std::vector<KeyEntry> keys = m_document->GetKeyList();
    if (keys.empty()) {
        return;
    }
    profile::MacroStore store;
    store.SetFolder(ProfileFolder());
    store.Load();
    // Only a list that was read (or that does not exist yet) says which macros
    // are gone; an unreadable or damaged one must not take the keys' macros away.
    const profile::FileStatus state = store.GetListState();
    if (state != profile::FileStatus::Ok && state != profile::FileStatus::Missing) {
        return;
    }
    if (!macro::ResetMissingMacros(keys, store.Count())) {
        return;
    }
    m_document->WriteKeyAssignments(keys);
    SaveProfile();
    RefreshKeyDisplay();
}
void CVeldmarkUSBDevice::ResetProfile() {}
int CVeldmarkUSBDevice::UploadKeyTable(int, const std::vector<KeyEntry>&) {
    return 0;
}
int CVeldmarkUSBDevice::UploadProfileKeys(int profile) {
    return UploadKeyTable(profile, m_document->GetKeyList());
}
int CVeldmarkUSBDevice::UploadMacros() {
    return 0;
}
int CVeldmarkUSBDevice::UploadSettings(int, int, int, int, int) {
    return 0;
}
void CVeldmarkUSBDevice::RefreshKeyDisplay() {}

bool CVeldmarkUSBDevice::KeysPlayMacro(int index) const {
    return macro::AnyKeyPlays(m_document->GetKeyList(), index);
}

void CVeldmarkUSBDevice::OnMacroRemoved(int index) {
    std::vector<KeyEntry> keys = m_document->GetKeyList();
    if (!macro::RenumberAfterRemoval(keys, index)) {
        return;
    }
    m_document->WriteKeyAssignments(keys);
    SaveProfile();
    RefreshKeyDisplay();
    UploadProfileKeys(0);
}
void CVeldmarkUSBDevice::SetCustomGroup(int) {}
void CVeldmarkUSBDevice::LoadCustomColors() {}

// --- paths ------------------------------------------------------------------------------------

std::string CVeldmarkUSBDevice::DefaultDocumentPath() const {
    return profile::DefaultDocument(m_folderName);
}

std::string CVeldmarkUSBDevice::ProfileFolder() const {
    return profile::ProfileFolder(m_folderName);
}

// Gives the document its paths. Without a profile identifier yet (the page
// loads before its profile list is filled) the selection of the profile list
// is used, and failing that the stored selection of the list file, which is
// created with its first profile when missing: a profile never loads from or
// saves to a file that no profile names.
void CVeldmarkUSBDevice::SetProfilePaths() {
    if (m_profileId.empty()) {
        if (auto* list = dynamic_cast<ProfileSelectionView*>(m_profileControl)) {
            m_profileId = list->GetSelectedId();
        }
    }
    if (m_profileId.empty()) {
        profile::ProfileList list;
        list.SetPaths(ProfileFolder(), DefaultDocumentPath());
        list.SetDeviceKind(m_kind);
        // A list that cannot be read leaves no identifier: the page then
        // neither loads nor saves a document.
        if (list.InitProfiles().Ok()) {
            m_profileId = list.GetSelectedId();
        }
    }
    const std::string folder = ProfileFolder();
    m_document->SetProfilePath(m_profileId.empty() ? std::string()
                                                   : folder + m_profileId + ".Json");
    m_document->SetDefaultPath(DefaultDocumentPath());
    m_document->SetLightStorePath(folder + m_lightStoreName + ".config");
}

// --- profile switching -------------------------------------------------------------------------

int CVeldmarkUSBDevice::SwitchProfile(const std::string& id) {
    if (!id.empty()) {
        m_profileId = id;
    }
    LoadProfile();
    // Keys of the new profile may name macros the list no longer has.
    ValidateMacroKeys();
    RefreshPage();
    return CommitProfile();
}

int CVeldmarkUSBDevice::CommitProfile() {
    if (!m_channel.IsOpen()) {
        return channel_result::kNoReply;
    }
    const ui::Size screen = HostScreenSize();
    const int settings = UploadSettings(0, 0, 1, screen.width, screen.height);
    if (settings != channel_result::kOk) {
        return settings;
    }
    // Kinds without a key table or macro memory answer 0 here: nothing to send.
    const int keys = UploadProfileKeys(0);
    if (keys != channel_result::kOk && keys != channel_result::kNoReply) {
        return keys;
    }
    const int macros = UploadMacros();
    if (macros != channel_result::kOk && macros != channel_result::kNoReply) {
        return macros;
    }
    return channel_result::kOk;
}

void CVeldmarkUSBDevice::Trace(std::string_view text) {
    platform::trace::Write(text);
}
