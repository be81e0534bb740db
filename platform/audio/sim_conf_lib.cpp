#include "platform/audio/sim_conf_lib.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace platform::audio {

namespace {

constexpr std::array<const wchar_t*, 8> kRecordingSettable = {
    L"MuteControl",          L"AAMuteControl",  L"Enable_MAGICVOICE",   L"Enable_MICECHO",
    L"MagicVoice_Selection", L"Enable_ENC_LFX", L"VolumeScalarControl", L"AAVolumeScalarControl"};
constexpr std::array<const wchar_t*, 5> kPlaybackSettable = {L"Enable_EQ_GFX", L"Enable_RFX_GFX",
                                                             L"RFX_ENVIRONMENT", L"RFX_ROOMSIZE",
                                                             L"VirtualSurroundEffectControl"};
constexpr int kBands = 10;

// A level property set in dB, and the scalar property that holds it.
const wchar_t* ScalarOfDb(std::wstring_view name) {
    if (name == L"VolumeControl") {
        return L"VolumeScalarControl";
    }
    if (name == L"AAVolumeControl") {
        return L"AAVolumeScalarControl";
    }
    return nullptr;
}

bool IsFloat(std::wstring_view name) {
    return name == L"VolumeScalarControl" || name == L"AAVolumeScalarControl" ||
           ScalarOfDb(name) != nullptr;
}

// Read-only figures of the microphone and monitoring levels.
std::optional<double> Figure(int flow, std::wstring_view name) {
    if (flow != kFlowRecording) {
        return std::nullopt;
    }
    if (name == L"GetMaxVol" || name == L"GetAAMaxVol") {
        return SimAudio::kMaxDb;
    }
    if (name == L"GetMinVol" || name == L"GetAAMinVol") {
        return SimAudio::kMinDb;
    }
    if (name == L"GetVolStep" || name == L"GetAAVolStep") {
        return SimAudio::kStepDb;
    }
    return std::nullopt;
}

// "EQ_Slider1" ... "EQ_Slider10".
bool IsBand(std::wstring_view name) {
    for (int i = 1; i <= kBands; ++i) {
        if (name == L"EQ_Slider" + std::to_wstring(i)) {
            return true;
        }
    }
    return false;
}

int FlowIndex(int flow) {
    return flow == kFlowRecording ? 1 : 0;
}

}  // namespace

SimAudio::SimAudio() {
    m_playback = {{0, kKindSpeakers, kFlowPlayback, 0},
                  {1, kKindDigital, kFlowPlayback, kStateActive},
                  {2, kKindSpeakers, kFlowPlayback, kStateActive}};
    m_recording = {{3, kKindMicrophone, kFlowRecording, kStateActive}};
    // Voice effects on the microphone (0x20000) and the equaliser on the speakers.
    m_features[1] = L"131072,0,0,0,3,0,1";
    m_features[0] = L"0,0,0,0,7,0,1";
    auto& rec = m_values[1];
    rec = {{L"MuteControl", 0},          {L"VolumeScalarControl", 0.8},
           {L"AAMuteControl", 1},        {L"AAVolumeScalarControl", 0.5},
           {L"Enable_MAGICVOICE", 0},    {L"Enable_MICECHO", 0},
           {L"MagicVoice_Selection", 0}, {L"Enable_ENC_LFX", 0}};
    auto& play = m_values[0];
    play = {{L"Enable_EQ_GFX", 0},
            {L"Enable_RFX_GFX", 0},
            {L"RFX_ENVIRONMENT", 0},
            {L"RFX_ROOMSIZE", 0},
            {L"VirtualSurroundEffectControl", 0}};
    for (int i = 1; i <= kBands; ++i) {
        play[L"EQ_Slider" + std::to_wstring(i)] = 0;
    }
}

// --- faults and inspection ---------------------------------------------------------------

void SimAudio::SetLoadFails(bool fails) {
    std::lock_guard lock(m_mutex);
    m_loadFails = fails;
}

void SimAudio::SetInitFails(bool fails) {
    std::lock_guard lock(m_mutex);
    m_initFails = fails;
}

void SimAudio::SetEndpointsPresent(bool present) {
    std::lock_guard lock(m_mutex);
    m_present = present;
}

void SimAudio::SetFeatureText(int flow, std::wstring text) {
    std::lock_guard lock(m_mutex);
    m_features[FlowIndex(flow)] = std::move(text);
}

void SimAudio::FailSets(std::wstring name, int count) {
    std::lock_guard lock(m_mutex);
    m_failName = std::move(name);
    m_failCount = count;
}

void SimAudio::Forget(int flow, const std::wstring& name) {
    std::lock_guard lock(m_mutex);
    const wchar_t* scalar = ScalarOfDb(name);
    m_values[FlowIndex(flow)].erase(scalar != nullptr ? std::wstring(scalar) : name);
}

void SimAudio::SetAvailability(std::string text) {
    std::lock_guard lock(m_mutex);
    m_availability = std::move(text);
}

std::optional<double> SimAudio::Value(int flow, const std::wstring& name) const {
    std::lock_guard lock(m_mutex);
    const auto& values = m_values[FlowIndex(flow)];
    const auto found = values.find(name);
    if (found == values.end()) {
        return std::nullopt;
    }
    return found->second;
}

void SimAudio::SetValue(int flow, const std::wstring& name, double value) {
    std::lock_guard lock(m_mutex);
    m_values[FlowIndex(flow)][name] = value;
}

std::vector<SimAudio::Call> SimAudio::Calls() const {
    std::lock_guard lock(m_mutex);
    return {m_calls.begin(), m_calls.end()};
}

void SimAudio::ClearCalls() {
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

std::map<std::wstring, double> SimAudio::Properties(int flow) const {
    std::lock_guard lock(m_mutex);
    return m_values[FlowIndex(flow)];
}

int SimAudio::InitCount() const {
    std::lock_guard lock(m_mutex);
    return m_inits;
}

// --- library side -------------------------------------------------------------------------

bool SimAudio::LoadFails() const {
    std::lock_guard lock(m_mutex);
    return m_loadFails;
}

std::string SimAudio::Availability() const {
    std::lock_guard lock(m_mutex);
    return m_availability;
}

int SimAudio::Init() {
    std::lock_guard lock(m_mutex);
    ++m_inits;
    return m_initFails ? 1 : 0;
}

int SimAudio::Count(int flow) const {
    std::lock_guard lock(m_mutex);
    if (!m_present) {
        return 0;
    }
    return static_cast<int>(flow == kFlowRecording ? m_recording.size() : m_playback.size());
}

int SimAudio::Endpoint(int flow, int index, EndpointRecord& out) const {
    std::lock_guard lock(m_mutex);
    const auto& list = flow == kFlowRecording ? m_recording : m_playback;
    if (!m_present || index < 0 || index >= static_cast<int>(list.size())) {
        return 1;
    }
    out = list[static_cast<size_t>(index)];
    return 0;
}

int SimAudio::Property(const EndpointRecord& endpoint, std::wstring_view name,
                       std::span<uint8_t> value, std::span<const uint8_t> param, int set) {
    std::lock_guard lock(m_mutex);
    const std::wstring key(name);
    Call call{endpoint.flow, key, set != 0, 0, TakeInt(param), !param.empty(), false};
    const bool known = m_present && endpoint.id >= 0 &&
                       (endpoint.flow == kFlowPlayback || endpoint.flow == kFlowRecording);
    if (known && set != 0) {
        call.value = IsFloat(key) ? TakeFloat(value) : TakeInt(value);
        call.ok = Set(endpoint.flow, key, value) == 0;
    } else if (known) {
        call.ok = Get(endpoint.flow, key, value) == 0;
    }
    LogLocked(call);
    return call.ok ? 0 : 1;
}

int SimAudio::Get(int flow, const std::wstring& name, std::span<uint8_t> value) const {
    const auto& values = m_values[FlowIndex(flow)];
    if (name == L"GetSupportFeature") {
        return PutWideText(value, m_features[FlowIndex(flow)]) ? 0 : 1;
    }
    if (const std::optional<double> figure = Figure(flow, name)) {
        return PutWideText(value, FloatText(*figure)) ? 0 : 1;
    }
    const wchar_t* scalar = ScalarOfDb(name);
    const auto found = values.find(scalar != nullptr ? std::wstring(scalar) : name);
    if (found == values.end()) {
        return 1;
    }
    if (scalar != nullptr) {
        return PutWideText(value, FloatText(kMinDb + found->second * (kMaxDb - kMinDb))) ? 0 : 1;
    }
    const std::wstring text =
        IsFloat(name) ? FloatText(found->second) : IntText(static_cast<int64_t>(found->second));
    return PutWideText(value, text) ? 0 : 1;
}

int SimAudio::Set(int flow, const std::wstring& name, std::span<const uint8_t> value) {
    if (SetFailsLocked(name)) {
        return 1;
    }
    auto& values = m_values[FlowIndex(flow)];
    if (const wchar_t* scalar = ScalarOfDb(name); scalar != nullptr && flow == kFlowRecording) {
        const double db = std::clamp<double>(TakeFloat(value), kMinDb, kMaxDb);
        values[scalar] = (db - kMinDb) / (kMaxDb - kMinDb);
        return 0;
    }
    const bool recording = flow == kFlowRecording;
    const bool settable =
        recording ? std::find(kRecordingSettable.begin(), kRecordingSettable.end(), name) !=
                        kRecordingSettable.end()
                  : std::find(kPlaybackSettable.begin(), kPlaybackSettable.end(), name) !=
                            kPlaybackSettable.end() ||
                        IsBand(name);
    if (!settable) {
        return 1;
    }
    if (IsFloat(name)) {
        const float level = TakeFloat(value);
        if (!(level >= 0.0f && level <= 1.0f)) {
            return 1;
        }
        values[name] = level;
    } else {
        values[name] = TakeInt(value);
    }
    return 0;
}

bool SimAudio::SetFailsLocked(const std::wstring& name) {
    if (m_failCount == 0 || (!m_failName.empty() && m_failName != name)) {
        return false;
    }
    if (m_failCount > 0) {
        --m_failCount;
    }
    return true;
}

void SimAudio::LogLocked(Call call) {
    if (m_calls.size() >= kMaxLog) {
        m_calls.pop_front();
    }
    m_calls.push_back(std::move(call));
}

// --- handle and loader ----------------------------------------------------------------------

int SimConfLib::GetDeviceCount(int flow, int& count) {
    count = m_audio->Count(flow);
    return 0;
}

int SimConfLib::GetDeviceById(int flow, int index, EndpointRecord& out) {
    return m_audio->Endpoint(flow, index, out);
}

int SimConfLib::PropertyControl(const EndpointRecord& endpoint, std::wstring_view name,
                                std::span<uint8_t> value, std::span<const uint8_t> param, int set) {
    return m_audio->Property(endpoint, name, value, param, set);
}

std::unique_ptr<ConfLib> SimConfLibLoader::Load(const HeadsetIdentity&, std::string* why) {
    if (m_audio->LoadFails()) {
        if (why != nullptr) {
            *why = "the simulated audio library is set to fail loading";
        }
        return nullptr;
    }
    return std::make_unique<SimConfLib>(m_audio);
}

}  // namespace platform::audio
