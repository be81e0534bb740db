#pragma once
// A simulated audio library: the headset's endpoints and every property they
// hold, kept in memory, with the faults a real library shows. Tests and the
// program on the simulated devices use it through the loader below.
//
// Endpoints: playback flow lists an inactive speaker, a digital output and
// the headset's speakers (kind 1, active), so the choice by kind and state is
// exercised; recording flow lists the headset's microphone (kind 2).
// The microphone level is kept once: "VolumeControl" (dB) and
// "VolumeScalarControl" (0-1) read and set the same level over
// kMinDb ... kMaxDb, and so do the monitoring ("AA") pair.
//
// Threads: every operation locks the state; tests and the program's
// inspection commands may read it while the UI thread uses the library.

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/audio/conf_lib.h"

namespace platform::audio {

class SimAudio {
  public:
    static constexpr double kMinDb = -46.5;
    static constexpr double kMaxDb = 0.0;
    static constexpr double kStepDb = 1.5;
    static constexpr size_t kMaxLog = 4096;

    // One property call as the library received it.
    struct Call {
        int flow = 0;
        std::wstring name;
        bool set = false;
        double value = 0;  // the value set (integer or float), 0 for a get
        int32_t param = 0;
        bool hasParam = false;
        bool ok = false;
    };

    SimAudio();

    // --- faults ---------------------------------------------------------------------
    void SetLoadFails(bool fails);
    void SetInitFails(bool fails);
    // No endpoint of either flow is listed.
    void SetEndpointsPresent(bool present);
    // The feature text of one flow's endpoint ("GetSupportFeature").
    void SetFeatureText(int flow, std::wstring text);
    // The next `count` sets fail (-1: every set); `name` empty for any property.
    void FailSets(std::wstring name, int count = -1);
    // The property no longer has a value: gets fail until it is set again.
    void Forget(int flow, const std::wstring& name);
    // A line the library gives as its availability ("" = available).
    void SetAvailability(std::string text);

    // --- inspection -----------------------------------------------------------------
    // The value of a property, none when it has none.
    std::optional<double> Value(int flow, const std::wstring& name) const;
    void SetValue(int flow, const std::wstring& name, double value);
    std::vector<Call> Calls() const;
    void ClearCalls();
    // Every property of one flow, by name.
    std::map<std::wstring, double> Properties(int flow) const;
    int InitCount() const;

    // --- library side (SimConfLib) ------------------------------------------------------
    bool LoadFails() const;
    int Init();
    int Count(int flow) const;
    int Endpoint(int flow, int index, EndpointRecord& out) const;
    int Property(const EndpointRecord& endpoint, std::wstring_view name, std::span<uint8_t> value,
                 std::span<const uint8_t> param, int set);
    std::string Availability() const;

  private:
    int Get(int flow, const std::wstring& name, std::span<uint8_t> value) const;
    int Set(int flow, const std::wstring& name, std::span<const uint8_t> value);
    bool SetFailsLocked(const std::wstring& name);
    void LogLocked(Call call);

    mutable std::mutex m_mutex;
    std::vector<EndpointRecord> m_playback;
    std::vector<EndpointRecord> m_recording;
    std::map<std::wstring, double> m_values[2];
    std::wstring m_features[2];
    bool m_loadFails = false;
    bool m_initFails = false;
    bool m_present = true;
    std::wstring m_failName;
    int m_failCount = 0;
    int m_inits = 0;
    std::string m_availability;
    std::deque<Call> m_calls;
};

// A library handle over a shared simulated state.
class SimConfLib : public ConfLib {
  public:
    explicit SimConfLib(std::shared_ptr<SimAudio> audio) : m_audio(std::move(audio)) {}
    int ConfLibInit() override { return m_audio->Init(); }
    int ConfLibUnInit() override { return 0; }
    int CreateDeviceList() override { return 0; }
    int GetDeviceCount(int flow, int& count) override;
    int GetDeviceById(int flow, int index, EndpointRecord& out) override;
    int PropertyControl(const EndpointRecord& endpoint, std::wstring_view name,
                        std::span<uint8_t> value, std::span<const uint8_t> param, int set) override;
    std::string Availability() const override { return m_audio->Availability(); }

  private:
    std::shared_ptr<SimAudio> m_audio;
};

class SimConfLibLoader : public ConfLibLoader {
  public:
    explicit SimConfLibLoader(std::shared_ptr<SimAudio> audio = std::make_shared<SimAudio>())
        : m_audio(std::move(audio)) {}
    std::unique_ptr<ConfLib> Load(const HeadsetIdentity& headset, std::string* why) override;
    const std::shared_ptr<SimAudio>& Audio() const { return m_audio; }

  private:
    std::shared_ptr<SimAudio> m_audio;
};

}  // namespace platform::audio
