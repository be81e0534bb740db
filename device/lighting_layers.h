#pragma once
// The light-list layers: fixed per-LED effects (breathing, static, spectrum,
// blink, off) laid over whatever frame the current mode produced. Entry i of
// the list drives LED i.
//
// Threads: the UI thread replaces or resets the list, the lighting thread
// applies it once per pass; both take the list's own lock.

#include <array>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "device/lighting_types.h"

namespace device {

class LightingLayers {
  public:
    // Layer state is kept for this many LEDs; entries past it are not drawn.
    static constexpr size_t kMaxLeds = 128;

    // Replaces the list by n zeroed entries and resets the layer state.
    void Resize(size_t n);
    // Replaces the list and resets the layer state.
    void Replace(std::vector<LayerEntry> entries);
    // Restarts every layer: levels, counters, wheel positions and blink
    // ticks 0; blink periods and spectrum thresholds from each entry's speed.
    void ResetLayers();
    size_t Size() const;
    // Whether any entry is present, so that the layers draw on every pass.
    bool AnyPresent() const;

    // Runs the five layers in order (breathing, static, spectrum, blink,
    // off) over frame, at time now (milliseconds). Entries past the end of
    // the frame address no LED.
    void ApplyLayers(std::span<LedColor> frame, uint32_t now);

  private:
    struct LedState {
        uint8_t breathLevel = 0;
        uint8_t breathWheel = 0;
        uint8_t blinkOn = 0;
        uint8_t blinkWheel = 0;
        uint32_t blinkLastToggle = 0;
        uint32_t blinkPeriod = 0;
        uint8_t spectrumCounter = 0;
        uint8_t spectrumWheel = 0;
        uint8_t spectrumThreshold = 0;
    };

    void ResetLocked();
    void Breathing(std::span<LedColor> frame);
    void Static(std::span<LedColor> frame);
    void Spectrum(std::span<LedColor> frame);
    void Blink(std::span<LedColor> frame, uint32_t now);
    void Off(std::span<LedColor> frame);
    size_t DrawnCount(std::span<LedColor> frame) const;

    mutable std::mutex m_mutex;
    std::vector<LayerEntry> m_entries;
    std::array<LedState, kMaxLeds> m_state{};
};

}  // namespace device
