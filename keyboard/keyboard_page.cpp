// The keyboard's page: its controls bound and shown from the profile, the
// key texts on the picture, key selection, and the system settings it keeps
// (report rate, key lock flags, key repeat).
#include <algorithm>
#include <cctype>

#include "keyboard/keyboard_device.h"
#include "keyboard/keyboard_tables.h"
#include "platform/ui/button.h"
#include "platform/ui/edit.h"
#include "platform/ui/range_controls.h"
#include "platform/ui/script_access.h"
#include "platform/ui/window.h"
#include "profile/key_tables.h"
#include "profile/key_text.h"

namespace {

constexpr int kOptionCount = 4;
// The preview on the page at 25 frames a second while it is seen; the
// keyboard itself runs the effect at its own pace whatever the page shows.
constexpr int kSeenPushMs = 40;
constexpr int kRestingPushMs = 250;
constexpr int kRepeatStepMs = 250;
constexpr int kLightingMode = 1;
constexpr int kKeyMode = 2;
constexpr uint8_t kKindProfileKey = 0xD0;
constexpr uint8_t kKindGunKey = 0x72;

// Word halves of "SystemStages".
constexpr size_t kWordRepeat = 0;
constexpr size_t kWordFlags6AndRate = 1;
constexpr size_t kWordLockFlags = 2;

std::string Indexed(std::string_view prefix, int n) {
    return std::string(prefix) + std::to_string(n);
}

int Half(uint32_t word, bool high) {
    return static_cast<int>(high ? word >> 16 : word & 0xFFFF);
}

int OptionIndex(int n) {
    return n >= 0 && n < kOptionCount ? n : 0;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

// --- binding and refresh -------------------------------------------------------------------

void CVeldmarkKeyboardDevice::InitPage() {
    InitKindPage();
}

void CVeldmarkKeyboardDevice::InitKindPage() {
    if (GetPageLayout().empty()) {
        CVeldmarkUSBDevice::InitPage();
    } else if (auto* area = FindSubControl<ui::Container>("keyboard_device_key_light")) {
        BindPanel(*area);
    }
    BindEditors();
    LoadProfile();
    RefreshPage();
}

void CVeldmarkKeyboardDevice::RefreshPage() {
    RefreshEditorLists();
    RefreshKeyDisplay();
    if (auto* editor = dynamic_cast<LightEditorView*>(GetLightEditor())) {
        editor->ShowLightInfo(m_lightInfo);
    }
    const SystemWords& w = m_systemWords;
    SetWinLockOption(Half(w[kWordLockFlags], true) != 0);
    SetWFlagOption(Half(w[kWordLockFlags], false) != 0);
    Set6FlagOption(Half(w[kWordFlags6AndRate], false) != 0);
    SetRepeatRate(Half(w[kWordRepeat], false));
    SelectRepeatDelay(Half(w[kWordRepeat], true));
    ClearRepeatInput();
    ShowRepeatHint();
    SelectPollingRate(Half(w[kWordFlags6AndRate], true));
}

// --- keys ------------------------------------------------------------------------------------

// A profile key (0xD0) reads like a device key; the gun keys of a mouse mean
// nothing on a keyboard and read as "off" like every kind without a name.
void CVeldmarkKeyboardDevice::RefreshKeyDisplay() {
    const std::vector<KeyEntry> keys = GetKeyList();
    for (size_t i = 0; i < keys.size(); ++i) {
        KeyAssignment record = keys[i].current;
        std::optional<std::string> text;
        if (record.kind == kKindGunKey) {
            text = std::string(keys::kUntranslatedOff);
        } else {
            if (record.kind == kKindProfileKey) {
                record.kind = keys::kKindDevice;
            }
            text = KeyFunctionText(record);
        }
        if (text) {
            ShowKeyText(static_cast<int>(i), *text);
        }
    }
    ShowRepeatDelay(Half(m_systemWords[kWordRepeat], true));
    ShowRepeatHint();
}

// The key's own name is that of the first keyboard-table row with the code
// the key carries in a factory table.
void CVeldmarkKeyboardDevice::ShowKeyText(int index, const std::string& text) {
    ui::Control* button = KeyButton(index);
    if (button == nullptr || index >= keyboard::kKeyButtons) {
        return;
    }
    const std::string_view nameKey = keyboard::KeyNameKey(index);
    const std::string name = nameKey.empty() ? std::string() : Translate(nameKey);
    if (auto* view = dynamic_cast<KeyButtonView*>(button)) {
        view->ShowKeyTexts(name, Translate("Key_Set") + text);
        view->SetKeySetFlag(SameIgnoringCase(name, text) ? 0 : 1);
    }
}

void CVeldmarkKeyboardDevice::SetFunctionMode(int mode) {
    CVeldmarkUSBDevice::SetFunctionMode(mode);
    if (ui::Control* fn = KeyButton(kFnKey);
        fn != nullptr && (mode == kLightingMode || mode == kKeyMode)) {
        fn->SetEnabled(mode == kLightingMode);
    }
    // Outside the key functions no key is being edited.
    if (mode != kKeyMode) {
        MarkSelectedKey(-1);
    }
}

// The keyboard runs its own lighting: the preview is shown, never sent.
void CVeldmarkKeyboardDevice::PushFrame() {
    const bool seen = PageSeen();
    if (seen != m_previewSeen.load()) {
        {
            std::lock_guard lock(m_restMutex);
            m_previewSeen.store(seen);
        }
        m_restCv.notify_all();
    }
    if (seen && IsLightingActive()) {
        ShowFrame();
    }
}

// A page outside a window (as in tests) counts as seen.
bool CVeldmarkKeyboardDevice::PageSeen() const {
    const ui::Window* window = GetWindow();
    if (window == nullptr) {
        return true;
    }
    return window->IsVisible() && window->GetState() != ui::WindowState::Minimized &&
           ui::IsShownInWindow(*this);
}

int CVeldmarkKeyboardDevice::PushIntervalMs() const {
    return m_previewSeen.load() ? kSeenPushMs : kRestingPushMs;
}

// --- system settings ------------------------------------------------------------------------

void CVeldmarkKeyboardDevice::SetSystemWords(uint32_t word0, uint32_t word1, uint32_t word2) {
    m_systemWords = {word0, word1, word2};
    m_doc->WriteSystemStages(m_systemWords);
}

void CVeldmarkKeyboardDevice::SetHalf(size_t word, bool high, int value) {
    SystemWords w = GetSystemWords();
    const auto half = static_cast<uint32_t>(value) & 0xFFFF;
    w[word] = high ? (w[word] & 0x0000FFFFu) | half << 16 : (w[word] & 0xFFFF0000u) | half;
    SetSystemWords(w[0], w[1], w[2]);
}

ui::Option* CVeldmarkKeyboardDevice::OptionNamed(std::string_view name) const {
    return FindSubControl<ui::Option>(std::string(name));
}

void CVeldmarkKeyboardDevice::SelectPollingRate(int n) {
    n = OptionIndex(n);
    for (int i = 0; i < kOptionCount; ++i) {
        if (ui::Option* option = OptionNamed(Indexed("polling_rate_option_", i))) {
            option->SetSelected(i == n, ui::Notify::No);
        }
    }
}

void CVeldmarkKeyboardDevice::SelectRepeatDelay(int n) {
    n = OptionIndex(n);
    for (int i = 0; i < kOptionCount; ++i) {
        if (ui::Option* option = OptionNamed(Indexed("repeat_delay_check_", i))) {
            option->SetSelected(i == n, ui::Notify::No);
        }
    }
    ShowRepeatDelay(n);
}

void CVeldmarkKeyboardDevice::ShowRepeatDelay(int n) {
    if (ui::Control* label = FindSubControl("repeat_delay_time_label1")) {
        label->SetText(Translate("Repeat_Delay_Time") +
                       std::to_string((OptionIndex(n) + 1) * kRepeatStepMs) + Translate("ms"));
    }
}

void CVeldmarkKeyboardDevice::SetWinLockOption(bool on) {
    if (ui::Option* option = OptionNamed("winlockflag_option")) {
        option->SetSelected(on, ui::Notify::No);
    }
}

void CVeldmarkKeyboardDevice::SetWFlagOption(bool on) {
    if (ui::Option* option = OptionNamed("wflag_option")) {
        option->SetSelected(on, ui::Notify::No);
    }
}

void CVeldmarkKeyboardDevice::Set6FlagOption(bool on) {
    if (ui::Option* option = OptionNamed("6flag_option")) {
        option->SetSelected(on, ui::Notify::No);
    }
}

bool CVeldmarkKeyboardDevice::IsWinLockOption() const {
    const ui::Option* option = OptionNamed("winlockflag_option");
    return option != nullptr && option->IsSelected();
}

bool CVeldmarkKeyboardDevice::IsWFlagOption() const {
    const ui::Option* option = OptionNamed("wflag_option");
    return option != nullptr && option->IsSelected();
}

bool CVeldmarkKeyboardDevice::Is6FlagOption() const {
    const ui::Option* option = OptionNamed("6flag_option");
    return option != nullptr && option->IsSelected();
}

void CVeldmarkKeyboardDevice::SetRepeatRate(int value) {
    if (auto* slider = FindSubControl<ui::Slider>("repeat_rate_slider")) {
        slider->SetValue(value, ui::Notify::No);
    }
}

int CVeldmarkKeyboardDevice::GetRepeatRate() const {
    const auto* slider = FindSubControl<ui::Slider>("repeat_rate_slider");
    return slider != nullptr ? slider->GetValue() : 0;
}

void CVeldmarkKeyboardDevice::ClearRepeatInput() {
    if (ui::Control* field = FindSubControl("repeat_input_richedit")) {
        field->SetText("");
    }
}

void CVeldmarkKeyboardDevice::ShowRepeatHint() {
    if (auto* field = FindSubControl<ui::Edit>("repeat_input_richedit")) {
        field->SetHint(Translate("Repeat_input_text"));
    }
}

bool CVeldmarkKeyboardDevice::SelectReportRateOption(int n) {
    SelectPollingRate(n);
    SetHalf(kWordFlags6AndRate, true, OptionIndex(n));
    return true;
}

bool CVeldmarkKeyboardDevice::OnWinLockChanged() {
    SetHalf(kWordLockFlags, true, IsWinLockOption() ? 1 : 0);
    return true;
}

bool CVeldmarkKeyboardDevice::OnWFlagChanged() {
    SetHalf(kWordLockFlags, false, IsWFlagOption() ? 1 : 0);
    return true;
}

bool CVeldmarkKeyboardDevice::On6FlagChanged() {
    SetHalf(kWordFlags6AndRate, false, Is6FlagOption() ? 1 : 0);
    return true;
}

int CVeldmarkKeyboardDevice::OnRepeatDelaySelected(int n) {
    n = OptionIndex(n);
    SelectRepeatDelay(n);
    SetHalf(kWordRepeat, true, n);
    return n;
}

int CVeldmarkKeyboardDevice::OnRepeatRateChanged() {
    const int rate = GetRepeatRate();
    SetHalf(kWordRepeat, false, rate);
    return rate;
}
