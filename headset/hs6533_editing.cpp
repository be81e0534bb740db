// CVeldmarkHS6533Device: the changes the voice editor and the voice-effect
// editor hand over. The equaliser goes to the playback endpoint, everything
// else to the recording endpoint; each stored change writes the eight
// settings into the profile and saves it.
#include <algorithm>
#include <cctype>

#include "headset/hs6533_device.h"
#include "headset/magic_control_ui.h"
#include "headset/voice6533_control_ui.h"
#include "platform/audio/equalizer.h"

namespace {

using S = CHs6533Profiledata::Setting;
constexpr bool kRecording = true;
constexpr bool kPlayback = false;

constexpr std::array<CHs6533Profiledata::Bands, 12> kPresets = {{
    {7, 11, 2, -3, -1, 4, 9, 12, 9, 5},
    {7, 11, 6, -3, -11, -1, 6, 13, 6, 13},
    {10, 4, 0, -3, -4, -3, -2, -1, 0, 0},
    {2, 1, -2, -3, -5, -7, 0, 4, 9, 8},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {7, 14, -13, -6, -1, 8, 13, 7, 2, 6},
    {14, 10, 4, 0, -4, -3, -1, 1, 2, 3},
    {2, 1, -2, -3, -5, -1, 7, 11, 15, 13},
    {8, 2, -4, -8, 1, 3, 8, 11, 14, 16},
    {-3, 4, 10, 0, -11, 3, 9, 13, 6, 0},
    {18, 14, 8, 2, -3, -6, -1, 2, 5, 6},
    {2, 1, -2, -4, -8, 4, 12, 16, 18, 15},
}};

std::wstring Band(int i) {
    return L"EQ_Slider" + std::to_wstring(i);
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

CHs6533Profiledata::Bands ToBands(const std::vector<int32_t>& values) {
    CHs6533Profiledata::Bands bands{};
    std::copy_n(values.begin(), std::min(values.size(), bands.size()), bands.begin());
    return bands;
}

}  // namespace

const CVeldmarkHS6533Device::Bands* CVeldmarkHS6533Device::PresetBands(int preset) {
    return preset >= 1 && preset <= 12 ? &kPresets[static_cast<size_t>(preset - 1)] : nullptr;
}

void CVeldmarkHS6533Device::Store() {
    HsDocument().WriteHeadsetSettings(m_settings);
}

// The equaliser on the sound server follows the chosen preset; "none" takes
// it away. Without a sound server the page says the choice is only stored.
void CVeldmarkHS6533Device::ApplyEqualizer() {
    if (m_equalizer == nullptr) {
        return;
    }
    // The chain is rebuilt only when what it plays changes.
    const std::optional<Bands> wanted =
        m_settings[S::kEqType] != 0 ? std::optional<Bands>(m_bands) : std::nullopt;
    if (!m_equalizerState || *m_equalizerState != wanted) {
        m_equalizerState = wanted;
        if (wanted) {
            std::array<int, kBands> gains{};
            std::copy(wanted->begin(), wanted->end(), gains.begin());
            m_equalizer->Apply(gains);
        } else {
            m_equalizer->Remove();
        }
    }
    if (CVoice6533ControlUI* voice = Voice()) {
        voice->SetEqualizerStatus(m_equalizer->Available() ? "" : "hs_eq_not_applied_text");
    }
}

// --- equaliser ------------------------------------------------------------------------------

void CVeldmarkHS6533Device::SelectEqPreset(int preset) {
    CVoice6533ControlUI* voice = Voice();
    if (const Bands* bands = PresetBands(preset)) {
        m_audio.SetInt(kPlayback, L"Enable_EQ_GFX", 1);
        for (int i = 0; i < kBands; ++i) {
            const int32_t gain = (*bands)[static_cast<size_t>(i)];
            if (voice != nullptr) {
                voice->SetBand(i, gain);
            }
            m_bands[static_cast<size_t>(i)] = gain;
            m_audio.SetInt(kPlayback, Band(i + 1), gain);
        }
        m_settings[S::kEqType] = preset;
        if (voice != nullptr) {
            voice->SelectPreset(preset);
            voice->EnableCustomControls(false);
        }
        Store();
        HsDocument().WriteEqBands(preset, m_bands);
        SaveProfile();
        ApplyEqualizer();
    } else if (preset == kCustomPreset) {
        m_settings[S::kEqType] = kCustomPreset;
        if (voice != nullptr) {
            voice->SelectPreset(kCustomPreset);
            voice->EnableCustomControls(true);
        }
        ApplyCustomEq();
        SaveProfile();
    }
}

// A moved band makes the curve a custom one; it plays at once and is kept
// only when saved as a custom preset.
void CVeldmarkHS6533Device::ChangeEqBand(int band) {
    CVoice6533ControlUI* voice = Voice();
    if (band < 0 || band >= kBands || voice == nullptr) {
        return;
    }
    if (m_settings[S::kEqType] != kCustomPreset) {
        m_settings[S::kEqType] = kCustomPreset;
        voice->SelectPreset(kCustomPreset);
        voice->SelectName(-1);
        voice->EnableCustomControls(true);
    }
    const int value = voice->GetBand(band);
    m_bands[static_cast<size_t>(band)] = value;
    m_audio.SetInt(kPlayback, Band(band + 1), value);
    ApplyEqualizer();
}

void CVeldmarkHS6533Device::ApplyCustomEq() {
    CVoice6533ControlUI* voice = Voice();
    const int k = voice != nullptr ? voice->GetSelection() : -1;
    if (k < 0) {
        return;
    }
    m_bands = ToBands(HsDocument().ReadCustomEqBands(k));
    m_audio.SetInt(kPlayback, L"Enable_EQ_GFX", 1);
    ShowBands();
    for (int i = 0; i < kBands; ++i) {
        m_audio.SetInt(kPlayback, Band(i + 1), m_bands[static_cast<size_t>(i)]);
    }
    m_settings[S::kCustomEqSelectIndex] = k;
    Store();
    SaveProfile();
    ApplyEqualizer();
}

int CVeldmarkHS6533Device::SaveCustomEq() {
    CVoice6533ControlUI* voice = Voice();
    if (voice == nullptr) {
        return -1;
    }
    const std::string name = voice->GetNameField();
    Bands values{};
    for (int i = 0; i < kBands; ++i) {
        values[static_cast<size_t>(i)] = voice->GetBand(i);
    }
    if (name.empty()) {
        const int k = voice->GetSelection();
        if (k < 0) {
            return -1;
        }
        m_settings[S::kCustomEqSelectIndex] = k;
        Store();
        HsDocument().WriteCustomEqBands(k, values);
        SaveProfile();
        return 1;
    }
    const int count = voice->GetNameCount();
    if (count >= kMaxCustomPresets) {
        return -1;
    }
    for (int i = 0; i < count; ++i) {
        if (SameNameIgnoringCase(voice->GetName(i), name)) {
            return 0;
        }
    }
    voice->AddName(name);
    m_customNames.push_back(name);
    const int index = count;
    m_settings[S::kCustomEqSelectIndex] = index;
    voice->SelectName(index);
    Store();
    HsDocument().WriteCustomEqBands(index, values);
    HsDocument().WriteCustomEqNames(m_customNames);
    SaveProfile();
    return 1;
}

// The presets' bands are stored by position: the bands of every later preset
// move down with its name, so each name keeps its own curve. What the page
// shows afterwards is also what the headset plays.
void CVeldmarkHS6533Device::DeleteCustomEq() {
    CVoice6533ControlUI* voice = Voice();
    const int k = voice != nullptr ? voice->GetSelection() : -1;
    if (k < 0) {
        return;
    }
    voice->RemoveName(k);
    const int remaining = voice->GetNameCount();
    CHs6533Profiledata& document = HsDocument();
    if (remaining == 0) {
        voice->SelectPreset(1);
        m_settings[S::kEqType] = 1;
        Store();
        m_bands = ToBands(document.ReadEqBands(1));
        voice->EnableCustomControls(false);
        m_customNames.clear();
        document.WriteCustomEqNames(m_customNames);
    } else {
        m_customNames.clear();
        for (int i = 0; i < remaining; ++i) {
            m_customNames.push_back(voice->GetName(i));
        }
        for (int i = k; i < remaining; ++i) {
            document.WriteCustomEqBands(i, ToBands(document.ReadCustomEqBands(i + 1)));
        }
        m_settings[S::kCustomEqSelectIndex] = 0;
        voice->SelectName(0);
        Store();
        m_bands = ToBands(document.ReadCustomEqBands(0));
        document.WriteCustomEqNames(m_customNames);
    }
    ShowBands();
    for (int i = 0; i < kBands; ++i) {
        m_audio.SetInt(kPlayback, Band(i + 1), m_bands[static_cast<size_t>(i)]);
    }
    SaveProfile();
    ApplyEqualizer();
}

// --- microphone and monitoring ----------------------------------------------------------------

// A refused change leaves the option as the headset has it: the page never
// shows a microphone as on while the headset keeps it muted.
void CVeldmarkHS6533Device::ToggleMicMute() {
    const bool muted = !m_audio.MicMuted();
    CVoice6533ControlUI* voice = Voice();
    if (m_audio.SetInt(kRecording, L"MuteControl", muted ? 1 : 0) != 0) {
        if (voice != nullptr) {
            voice->SetMicOption(!m_audio.MicMuted());
        }
        return;
    }
    m_audio.SetMicMuted(muted);
    if (voice != nullptr) {
        voice->SetMicOption(!muted);
    }
    m_settings[S::kMicInSelect] = muted ? 0 : 1;
    Store();
    SaveProfile();
}

void CVeldmarkHS6533Device::ToggleMonitorMute() {
    const bool muted = !m_audio.MonitorMuted();
    CVoice6533ControlUI* voice = Voice();
    if (m_audio.SetInt(kRecording, L"AAMuteControl", muted ? 1 : 0) != 0) {
        if (voice != nullptr) {
            voice->SetMonitorOption(!m_audio.MonitorMuted());
        }
        return;
    }
    m_audio.SetMonitorMuted(muted);
    if (voice != nullptr) {
        voice->SetMonitorOption(!muted);
    }
    m_settings[S::kMicMonitorSelect] = muted ? 0 : 1;
    Store();
    SaveProfile();
}

void CVeldmarkHS6533Device::SetMicLevel() {
    CVoice6533ControlUI* voice = Voice();
    const int level = voice != nullptr ? voice->GetMicLevel() : -1;
    if (level < 0) {
        return;
    }
    if (m_audio.SetFloat(kRecording, L"VolumeScalarControl", static_cast<float>(level) / 100.0f,
                         {-1}) != 0) {
        voice->SetMicLevel(m_settings[S::kMicInValue]);
        return;
    }
    double db = 0;
    m_audio.GetNumber(kRecording, L"VolumeControl", db, {-1});
    m_settings[S::kMicInValue] = level;
    Store();
    SaveProfile();
}

void CVeldmarkHS6533Device::SetMonitorLevel() {
    CVoice6533ControlUI* voice = Voice();
    const int level = voice != nullptr ? voice->GetMonitorLevel() : -1;
    if (level < 0) {
        return;
    }
    if (m_audio.SetFloat(kRecording, L"AAVolumeScalarControl", static_cast<float>(level) / 100.0f,
                         {0}) != 0) {
        voice->SetMonitorLevel(m_settings[S::kMicMonitorValue]);
        return;
    }
    double db = 0;
    m_audio.GetNumber(kRecording, L"AAVolumeControl", db, {1});
    m_settings[S::kMicMonitorValue] = level;
    Store();
    SaveProfile();
}

// --- voice effect
// ----------------------------------------------------------------------------------

void CVeldmarkHS6533Device::SetVoiceEffectOn() {
    CMagicControlUI* magic = Magic();
    if (magic == nullptr) {
        return;
    }
    const bool on = magic->GetEffectOn();
    magic->EnableEffects(on);
    m_audio.SetInt(kRecording, L"Enable_MAGICVOICE", on ? 1 : 0);
    if (on) {
        m_audio.SetInt(kRecording, L"Enable_MICECHO", 0);
    }
    m_settings[S::kMagicEnable] = on ? 1 : 0;
    Store();
    SaveProfile();
}

void CVeldmarkHS6533Device::SelectVoiceEffect(int effect) {
    if (effect < 1 || effect > CMagicControlUI::kEffects) {
        return;
    }
    m_audio.SetInt(kRecording, L"MagicVoice_Selection", effect - 1);
    m_settings[S::kMagicType] = effect;
    if (CMagicControlUI* magic = Magic()) {
        magic->SelectEffect(effect);
    }
    Store();
    SaveProfile();
}
