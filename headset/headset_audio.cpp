#include "headset/headset_audio.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <sstream>
#include <vector>

namespace headset {

namespace {

using platform::audio::kFlowPlayback;
using platform::audio::kFlowRecording;
using Setting = CHs6533Profiledata::Setting;

constexpr int kBands = 10;
constexpr int kFeatureFields = 7;

// Playback endpoints by preference.
constexpr int32_t kPlaybackKinds[] = {platform::audio::kKindSpeakers, platform::audio::kKindHeadset,
                                      platform::audio::kKindHeadphones,
                                      platform::audio::kKindDigital};

std::wstring Band(int i) {
    return L"EQ_Slider" + std::to_wstring(i);
}

// A number a library answered, as a 32-bit word: whatever the text said, the
// result stays in range.
int32_t Word(double value) {
    if (!(value > -2147483648.0)) {
        return value > 0 ? INT32_MAX : INT32_MIN;  // NaN counts as the low end
    }
    return value >= 2147483647.0 ? INT32_MAX : static_cast<int32_t>(value);
}

// A level 0-1 as the 0-100 a slider shows. Rounded, not cut: a level the page
// set (29 → 0.29f → 28.99...) reads back as it was set.
int32_t Percent(double level) {
    return static_cast<int32_t>(std::lround(std::clamp(level, 0.0, 1.0) * 100.0));
}

}  // namespace

// A new process-wide loader (the program sets one; tests set theirs in turn)
// starts a new session: nothing of the old library outlives its loader.
std::shared_ptr<AudioSession> ProcessAudioSession() {
    static std::shared_ptr<AudioSession> session;
    static uint64_t generation = 0;
    const uint64_t now = platform::audio::ProcessConfLibGeneration();
    if (!session || generation != now) {
        session = std::make_shared<AudioSession>();
        session->loader = platform::audio::ProcessConfLibLoader();
        generation = now;
    }
    return session;
}

HeadsetAudio::HeadsetAudio(std::shared_ptr<AudioSession> session)
    : m_session(session ? std::move(session) : std::make_shared<AudioSession>()) {}

bool HeadsetAudio::HasEndpoints() const {
    return m_session->library && m_session->playback.found && m_session->recording.found;
}

bool HeadsetAudio::StartUp(const platform::audio::HeadsetIdentity& headset, Settings& settings,
                           const MessageSink& message) {
    AudioSession& s = *m_session;
    if (!s.library) {
        std::string why;
        s.library = s.loader != nullptr ? s.loader->Load(headset, &why) : nullptr;
        if (!s.library) {
            s.unavailable = why.empty() ? "no audio library is available" : why;
            return false;
        }
    }
    if (s.library->ConfLibInit() != 0 && message) {
        message(kInitFailedText);
    }
    s.library->CreateDeviceList();
    int count = 0;
    if (s.library->GetDeviceCount(kFlowPlayback, count) != 0 || count == 0) {
        const std::string why = s.library->Availability();
        s.unavailable = why.empty() ? "the headset's audio device was not found" : why;
        return HasEndpoints();
    }
    FindEndpoints();
    if (!HasEndpoints()) {
        s.unavailable = "the headset's audio device was not found";
        return false;
    }
    s.unavailable.clear();
    ReadFeatures(s.recording, message);
    ReadFeatures(s.playback, message);
    EnforceDefaults();
    ReadState(settings);
    return true;
}

void HeadsetAudio::FindEndpoints() {
    AudioSession& s = *m_session;
    s.playback = {};
    s.recording = {};
    int count = 0;
    s.library->GetDeviceCount(kFlowPlayback, count);
    std::vector<EndpointRecord> playback;
    for (int i = 0; i < count; ++i) {
        EndpointRecord r;
        if (s.library->GetDeviceById(kFlowPlayback, i, r) == 0) {
            playback.push_back(r);
        }
    }
    for (int32_t kind : kPlaybackKinds) {
        for (const EndpointRecord& r : playback) {
            if (!s.playback.found && r.kind == kind && r.state == platform::audio::kStateActive) {
                s.playback.record = r;
                s.playback.found = true;
            }
        }
    }
    count = 0;
    s.library->GetDeviceCount(kFlowRecording, count);
    for (int i = 0; i < count && !s.recording.found; ++i) {
        EndpointRecord r;
        if (s.library->GetDeviceById(kFlowRecording, i, r) == 0 &&
            r.kind == platform::audio::kKindMicrophone) {
            s.recording.record = r;
            s.recording.found = true;
        }
    }
}

void HeadsetAudio::ReadFeatures(Endpoint& endpoint, const MessageSink& message) {
    Buffers& b = &endpoint == &m_session->recording ? m_recordingBuffers : m_playbackBuffers;
    b.value.fill(0);
    std::wstring text;
    if (m_session->library->PropertyControl(endpoint.record, L"GetSupportFeature", b.value, {},
                                            0) == 0) {
        text = platform::audio::TakeWideText(b.value);
    }
    std::vector<int32_t> fields;
    std::wstringstream in(text);
    for (std::wstring field; std::getline(in, field, L',');) {
        const std::optional<double> n = platform::audio::ParseNumber(field);
        fields.push_back(n ? Word(*n) : 0);
    }
    if (static_cast<int>(fields.size()) < kFeatureFields) {
        endpoint.features = {};
        if (message) {
            message(kFeatureFailedText);
        }
        return;
    }
    endpoint.features = {fields[0], fields[4], fields[6]};
}

// Sets a property to 0 only when the endpoint has no value for it yet.
void HeadsetAudio::Default(bool recording, std::wstring_view name, Params params, bool asFloat) {
    double current = 0;
    if (GetNumber(recording, name, current, params) == 0) {
        return;
    }
    if (asFloat) {
        SetFloat(recording, name, 0.0f, params);
    } else {
        SetInt(recording, name, 0, params);
    }
}

void HeadsetAudio::EnforceDefaults() {
    Default(false, L"VirtualSurroundEffectControl", {4, -1, 0});
    Default(true, L"Enable_ENC_LFX");
    Default(true, L"VolumeControl", {-1}, true);
    Default(false, L"Enable_EQ_GFX");
    for (int i = 1; i <= kBands; ++i) {
        Default(false, Band(i));
    }
    Default(false, L"Enable_RFX_GFX");
    Default(false, L"RFX_ENVIRONMENT");
    Default(false, L"RFX_ROOMSIZE");
    Default(true, L"MuteControl");
    Default(true, L"VolumeScalarControl", {-1}, true);
    Default(true, L"AAVolumeControl", {0}, true);
    Default(true, L"AAMuteControl");
    Default(true, L"AAVolumeScalarControl", {0}, true);
    Default(true, L"Enable_MAGICVOICE");
    Default(true, L"MagicVoice_Selection");
}

void HeadsetAudio::ReadState(Settings& settings) {
    if (!HasEndpoints()) {
        return;
    }
    double v = 0;
    for (const wchar_t* figure : {L"GetMaxVol", L"GetMinVol", L"GetVolStep"}) {
        GetNumber(true, figure, v);
    }
    GetNumber(true, L"VolumeControl", v, {-1});
    if (GetNumber(true, L"MuteControl", v) == 0) {
        m_micMuted = v != 0;
        settings[Setting::kMicInSelect] = m_micMuted ? 0 : 1;
    }
    if (GetNumber(true, L"VolumeScalarControl", v, {-1}) == 0) {
        settings[Setting::kMicInValue] = Percent(v);
    }
    if (GetNumber(true, L"GetAAMaxVol", v) == 0) {
        GetNumber(true, L"GetAAMinVol", v);
        GetNumber(true, L"GetAAVolStep", v);
        GetNumber(true, L"AAVolumeControl", v, {0});
        if (GetNumber(true, L"AAMuteControl", v) == 0) {
            m_monitorMuted = v != 0;
            settings[Setting::kMicMonitorSelect] = m_monitorMuted ? 0 : 1;
        }
        if (GetNumber(true, L"AAVolumeScalarControl", v, {0}) == 0) {
            settings[Setting::kMicMonitorValue] = Percent(v);
        }
        for (int i = 1; i <= kBands; ++i) {
            GetNumber(false, Band(i), v);
        }
    }
    const auto features = static_cast<uint32_t>(m_session->recording.features[0]);
    if ((features & kVoiceEffectFeature) != 0 && GetNumber(true, L"Enable_MAGICVOICE", v) == 0) {
        settings[Setting::kMagicEnable] = Word(v);
    }
    if (GetNumber(true, L"MagicVoice_Selection", v) == 0 && v >= 0 && v <= 3) {
        settings[Setting::kMagicType] = Word(v) + 1;
    }
}

// --- property calls ------------------------------------------------------------------------

int HeadsetAudio::Call(bool recording, std::wstring_view name, int set, Params params,
                       const std::function<void(std::span<uint8_t>)>& fill) {
    if (!HasEndpoints()) {
        return 1;
    }
    Buffers& b = recording ? m_recordingBuffers : m_playbackBuffers;
    b.value.fill(0);
    b.param.fill(0);
    size_t at = 0;
    for (int32_t p : params) {
        std::memcpy(b.param.data() + at, &p, sizeof p);
        at += sizeof p;
    }
    if (fill) {
        fill(b.value);
    }
    const Endpoint& endpoint = recording ? m_session->recording : m_session->playback;
    const std::span<const uint8_t> param =
        params.size() == 0 ? std::span<const uint8_t>() : std::span<const uint8_t>(b.param);
    return m_session->library->PropertyControl(endpoint.record, name, b.value, param, set);
}

int HeadsetAudio::GetNumber(bool recording, std::wstring_view name, double& out, Params params) {
    if (Call(recording, name, 0, params, {}) != 0) {
        return 1;
    }
    const Buffers& b = recording ? m_recordingBuffers : m_playbackBuffers;
    const std::optional<double> n =
        platform::audio::ParseNumber(platform::audio::TakeWideText(b.value));
    if (!n) {
        return 1;
    }
    out = *n;
    return 0;
}

int HeadsetAudio::SetInt(bool recording, std::wstring_view name, int32_t value, Params params) {
    return Call(recording, name, 1, params,
                [value](std::span<uint8_t> b) { platform::audio::PutInt(b, value); });
}

int HeadsetAudio::SetFloat(bool recording, std::wstring_view name, float value, Params params) {
    return Call(recording, name, 1, params,
                [value](std::span<uint8_t> b) { platform::audio::PutFloat(b, value); });
}

}  // namespace headset
