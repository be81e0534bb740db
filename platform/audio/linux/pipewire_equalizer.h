#pragma once
// The equaliser as a PipeWire filter chain: ten peaking filters (builtin
// "bq_peaking", one octave wide) between a virtual output named "Headset
// equaliser" and the headset's own output. The chain lives in this process
// (the filter-chain module loaded into our PipeWire context), so it goes
// away with the program however the program ends.
//
// The headset's output is the sink node of the PipeWire device whose USB
// vendor and product are the headset's, or a node named explicitly (tests,
// and setups where the sink is known by name). Without a PipeWire server,
// Available() is false and nothing is applied.
//
// Threads: Apply and Remove may be called from any thread and return at
// once; a worker ("vm-eq") applies the newest request, the PipeWire loop
// runs on its own thread ("vm-pw").

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/audio/equalizer.h"

namespace platform::audio {

struct EqualizerTarget {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string nodeName;  // when set, the sink of that node.name
};

// The filter-chain module's arguments for these gains and this output.
std::string FilterChainArguments(const std::array<int, 10>& gainsDb, const std::string& targetNode);

class PipeWireEqualizer : public Equalizer {
  public:
    static constexpr const char* kNodeName = "veldmark_headset_equalizer";

    explicit PipeWireEqualizer(EqualizerTarget target);
    ~PipeWireEqualizer() override;  // removes the chain

    bool Available() const override;
    void Apply(const std::array<int, 10>& gainsDb) override;
    void Remove() override;

    // Waits (tests) until the requests made so far have been carried out.
    bool WaitIdle(int timeoutMs);
    // The sink the chain plays into, "" until known.
    std::string TargetNode() const;

  private:
    struct Loop;
    void Worker();

    std::unique_ptr<Loop> m_loop;
    EqualizerTarget m_target;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<std::array<int, 10>> m_wanted;  // none: no chain
    bool m_pending = false;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_worker;
};

}  // namespace platform::audio
