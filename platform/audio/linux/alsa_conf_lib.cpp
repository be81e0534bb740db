#include "platform/audio/linux/alsa_conf_lib.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform::audio {

namespace {

constexpr int32_t kPlaybackId = 0;
constexpr int32_t kRecordingId = 1;
constexpr const wchar_t* kFeatureText = L"0,0,0,0,0,0,0";

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The first control among `names`, else the first whose name ends with
// `suffix` (when given), of the wanted type.
std::string Pick(const std::vector<ControlInfo>& controls, std::initializer_list<const char*> names,
                 std::string_view suffix, bool boolean) {
    for (const char* name : names) {
        for (const ControlInfo& c : controls) {
            if (c.name == name && c.isBoolean == boolean) {
                return c.name;
            }
        }
    }
    if (!suffix.empty()) {
        for (const ControlInfo& c : controls) {
            if (EndsWith(c.name, suffix) && c.isBoolean == boolean) {
                return c.name;
            }
        }
    }
    return {};
}

// A property name without its "AA" (monitoring) prefix; `monitor` tells which it had.
std::wstring Plain(std::wstring_view name, bool& monitor) {
    if (name.starts_with(L"GetAA")) {
        monitor = true;
        return L"Get" + std::wstring(name.substr(5));
    }
    monitor = name.starts_with(L"AA");
    return std::wstring(monitor ? name.substr(2) : name);
}

std::string HexId(uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", v);
    return text;
}

}  // namespace

AlsaConfLib::AlsaConfLib(std::unique_ptr<CardFinder> finder, HeadsetIdentity headset, int card)
    : m_finder(std::move(finder)), m_headset(headset), m_fixedCard(card) {}

int AlsaConfLib::ConfLibInit() {
    std::string why;
    if (!m_finder || !m_finder->Available(&why)) {
        m_availability = why;
        return 1;
    }
    m_initialised = true;
    return 0;
}

int AlsaConfLib::ConfLibUnInit() {
    m_controls.reset();
    m_info.clear();
    m_cardInUse = -1;
    m_initialised = false;
    return 0;
}

// Finds the headset's card again, so a headset plugged in after start-up is
// found on the next list.
int AlsaConfLib::CreateDeviceList() {
    if (!m_initialised) {
        return 1;
    }
    m_controls.reset();
    m_info.clear();
    m_mic = {};
    m_monitor = {};
    m_cardInUse = -1;
    const std::optional<int> card =
        m_fixedCard >= 0 ? std::optional<int>(m_fixedCard)
                         : m_finder->FindUsbCard(m_headset.vendorId, m_headset.productId);
    if (!card) {
        m_availability = "no sound card of the headset (USB " + HexId(m_headset.vendorId) + ":" +
                         HexId(m_headset.productId) + ") was found";
        return 0;
    }
    std::string why;
    m_controls = m_finder->Open(*card, &why);
    if (!m_controls) {
        m_availability = "the headset's sound card cannot be opened: " + why;
        return 0;
    }
    m_cardInUse = *card;
    m_info = m_controls->List();
    m_mic.volume =
        Pick(m_info, {"Mic Capture Volume", "Headset Capture Volume"}, " Capture Volume", false);
    if (m_mic.volume.empty()) {
        // Cards that name their levels without a direction keep the
        // microphone's capture level as "Mic Volume".
        m_mic.volume = Pick(m_info, {"Mic Volume"}, "", false);
    }
    m_mic.toggle =
        Pick(m_info, {"Mic Capture Switch", "Headset Capture Switch"}, " Capture Switch", true);
    m_monitor.volume = Pick(m_info, {"Mic Playback Volume", "Sidetone Playback Volume"}, "", false);
    m_monitor.toggle = Pick(m_info, {"Mic Playback Switch", "Sidetone Playback Switch"}, "", true);
    m_availability.clear();
    return 0;
}

int AlsaConfLib::GetDeviceCount(int flow, int& count) {
    count = m_controls && (flow == kFlowPlayback || flow == kFlowRecording) ? 1 : 0;
    return 0;
}

int AlsaConfLib::GetDeviceById(int flow, int index, EndpointRecord& out) {
    if (!m_controls || index != 0) {
        return 1;
    }
    if (flow == kFlowPlayback) {
        out = {kPlaybackId, kKindHeadset, kFlowPlayback, kStateActive};
        return 0;
    }
    if (flow == kFlowRecording) {
        out = {kRecordingId, kKindMicrophone, kFlowRecording, kStateActive};
        return 0;
    }
    return 1;
}

int AlsaConfLib::PropertyControl(const EndpointRecord& endpoint, std::wstring_view name,
                                 std::span<uint8_t> value, std::span<const uint8_t> param,
                                 int set) {
    if (!m_controls || value.size() < kBufferBytes) {
        return 1;
    }
    if (name == L"GetSupportFeature") {
        return set == 0 && PutWideText(value, kFeatureText) ? 0 : 1;
    }
    if (endpoint.id != kRecordingId) {
        return 1;
    }
    bool monitor = false;
    const std::wstring what = Plain(name, monitor);
    const Level& level = monitor ? m_monitor : m_mic;
    const int channel = param.empty() ? -1 : TakeInt(param);
    return set != 0 ? Set(level, what, channel, value) : Get(level, what, channel, value);
}

std::optional<AlsaConfLib::Scale> AlsaConfLib::ScaleOf(const std::string& control) {
    const auto info = std::find_if(m_info.begin(), m_info.end(),
                                   [&](const ControlInfo& c) { return c.name == control; });
    if (control.empty() || info == m_info.end() || info->max <= info->min) {
        return std::nullopt;
    }
    Scale s;
    s.min = info->min;
    s.max = info->max;
    if (info->minCentiDb && info->maxCentiDb) {
        s.minDb = *info->minCentiDb / 100.0;
        s.maxDb = *info->maxCentiDb / 100.0;
    } else {
        s.minDb = -static_cast<double>(info->max - info->min);
        s.maxDb = 0;
    }
    s.stepDb = (s.maxDb - s.minDb) / static_cast<double>(info->max - info->min);
    return s;
}

std::optional<double> AlsaConfLib::DbOf(const std::string& control, long raw) {
    if (const std::optional<long> centi = m_controls->ToCentiDb(control, raw)) {
        return *centi / 100.0;
    }
    const std::optional<Scale> s = ScaleOf(control);
    return s ? std::optional<double>(s->minDb + (raw - s->min) * s->stepDb) : std::nullopt;
}

int AlsaConfLib::Get(const Level& level, std::wstring_view what, int channel,
                     std::span<uint8_t> value) {
    const int read = std::max(channel, 0);
    long raw = 0;
    if (what == L"MuteControl") {
        if (level.toggle.empty() || !m_controls->Read(level.toggle, read, raw)) {
            return 1;
        }
        return PutWideText(value, IntText(raw != 0 ? 0 : 1)) ? 0 : 1;
    }
    const std::optional<Scale> s = ScaleOf(level.volume);
    if (!s) {
        return 1;
    }
    std::optional<double> number;
    if (what == L"GetMaxVol") {
        number = s->maxDb;
    } else if (what == L"GetMinVol") {
        number = s->minDb;
    } else if (what == L"GetVolStep") {
        number = s->stepDb;
    } else if (what == L"VolumeControl" && m_controls->Read(level.volume, read, raw)) {
        number = DbOf(level.volume, raw);
    } else if (what == L"VolumeScalarControl" && m_controls->Read(level.volume, read, raw)) {
        number = static_cast<double>(raw - s->min) / static_cast<double>(s->max - s->min);
    }
    return number && PutWideText(value, FloatText(*number)) ? 0 : 1;
}

int AlsaConfLib::Set(const Level& level, std::wstring_view what, int channel,
                     std::span<const uint8_t> value) {
    if (what == L"MuteControl") {
        return !level.toggle.empty() &&
                       m_controls->Write(level.toggle, channel, TakeInt(value) != 0 ? 0 : 1)
                   ? 0
                   : 1;
    }
    const std::optional<Scale> s = ScaleOf(level.volume);
    if (!s) {
        return 1;
    }
    const float wanted = TakeFloat(value);
    if (!std::isfinite(wanted)) {
        return 1;
    }
    long raw = 0;
    if (what == L"VolumeScalarControl") {
        const double scalar = std::clamp(static_cast<double>(wanted), 0.0, 1.0);
        raw = s->min + std::lround(scalar * static_cast<double>(s->max - s->min));
    } else if (what == L"VolumeControl") {
        const double db = std::clamp(static_cast<double>(wanted), s->minDb, s->maxDb);
        const std::optional<long> exact =
            m_controls->FromCentiDb(level.volume, std::lround(db * 100));
        raw = exact ? *exact : s->min + std::lround((db - s->minDb) / s->stepDb);
    } else {
        return 1;
    }
    return m_controls->Write(level.volume, channel, std::clamp(raw, s->min, s->max)) ? 0 : 1;
}

std::unique_ptr<ConfLib> AlsaConfLibLoader::Load(const HeadsetIdentity& headset, std::string* why) {
    std::unique_ptr<CardFinder> finder = MakeAlsaCardFinder();
    if (!finder->Available(why)) {
        return nullptr;
    }
    return std::make_unique<AlsaConfLib>(std::move(finder), headset);
}

}  // namespace platform::audio
