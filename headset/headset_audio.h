#pragma once
// The headset's audio side: the audio library session that every headset
// object of the program shares (the library and the two endpoints found at
// the last start-up), and one object's property calls with its own buffers.
//
// Start-up (once per page): load the library for the headset, initialise it,
// list the endpoints, take the playback endpoint (the first active one of
// kind speakers, else headset, else headphones, else digital) and the
// recording endpoint (the first microphone), read their feature words, set
// every default the endpoints do not hold yet, and read the audio state.
//
// Threads: UI thread only.

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "platform/audio/conf_lib.h"
#include "profile/headset_profile.h"

namespace headset {

using platform::audio::EndpointRecord;

struct Endpoint {
    EndpointRecord record;
    std::array<int32_t, 3> features{};  // feature fields 0, 4 and 6
    bool found = false;
};

// What every headset object of a program shares.
struct AudioSession {
    platform::audio::ConfLibLoader* loader = nullptr;
    std::unique_ptr<platform::audio::ConfLib> library;
    Endpoint playback;
    Endpoint recording;
    // Why audio cannot be used ("" while it can).
    std::string unavailable;
};

// The session of the process-wide loader (platform::audio::SetProcessConfLibLoader).
std::shared_ptr<AudioSession> ProcessAudioSession();

class HeadsetAudio {
  public:
    static constexpr uint32_t kVoiceEffectFeature = 0x20000;
    static constexpr const char* kInitFailedText = "ConfLibInit called failed!";
    static constexpr const char* kFeatureFailedText = "UpdateAPOAvailable failed!";
    using Settings = CHs6533Profiledata::Settings;
    // Shows a plain-text message to the user.
    using MessageSink = std::function<void(const std::string& text)>;

    explicit HeadsetAudio(std::shared_ptr<AudioSession> session);

    // The start-up above; `settings` takes the state read. False when audio
    // cannot be used (no library, no endpoint), with the reason in Unavailable().
    bool StartUp(const platform::audio::HeadsetIdentity& headset, Settings& settings,
                 const MessageSink& message);
    // Reads microphone, monitoring and voice-effect state into `settings`; a
    // failed get leaves its word as it was. Also sets the two mute flags.
    void ReadState(Settings& settings);
    // Whether the endpoints were found (by this object's or another's start-up).
    bool HasEndpoints() const;
    const std::string& Unavailable() const { return m_session->unavailable; }
    const AudioSession& Session() const { return *m_session; }

    // Property calls: 0 success, as the library answers; 1 without endpoints.
    // `params` fill the parameter buffer (none: the property takes none).
    using Params = std::initializer_list<int32_t>;
    int GetNumber(bool recording, std::wstring_view name, double& out, Params params = {});
    int SetInt(bool recording, std::wstring_view name, int32_t value, Params params = {});
    int SetFloat(bool recording, std::wstring_view name, float value, Params params = {});

    bool MicMuted() const { return m_micMuted; }
    bool MonitorMuted() const { return m_monitorMuted; }
    void SetMicMuted(bool muted) { m_micMuted = muted; }
    void SetMonitorMuted(bool muted) { m_monitorMuted = muted; }

  private:
    struct Buffers {
        std::array<uint8_t, platform::audio::kBufferBytes> value{};
        std::array<uint8_t, platform::audio::kBufferBytes> param{};
    };
    int Call(bool recording, std::wstring_view name, int set, Params params,
             const std::function<void(std::span<uint8_t>)>& fill);
    void FindEndpoints();
    void ReadFeatures(Endpoint& endpoint, const MessageSink& message);
    void EnforceDefaults();
    void Default(bool recording, std::wstring_view name, Params params = {}, bool asFloat = false);

    std::shared_ptr<AudioSession> m_session;
    Buffers m_playbackBuffers;
    Buffers m_recordingBuffers;
    bool m_micMuted = false;
    bool m_monitorMuted = false;
};

}  // namespace headset
