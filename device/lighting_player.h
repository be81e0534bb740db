#pragma once
// The custom effect player: plays the steps of a user's light effect one
// after another, each for its duration, and starts over after the last.
//
// Threads: the UI thread replaces the steps, the lighting thread plays them;
// both take the step list's own lock. Everything else here belongs to the
// lighting thread.

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "device/lighting_types.h"

namespace device {

class EffectPlayer {
  public:
    // Replaces the steps; playing restarts at the first step, which then
    // gets its full duration.
    void ReplaceSteps(std::vector<EffectStep> steps);
    size_t StepCount() const;
    size_t StepIndex() const;

    // One pass of the player at time now (milliseconds). deviceSpeed is the
    // device's own lighting speed, which sets the pace of blink steps. With
    // no steps every LED goes dark.
    void PlayEffectStep(std::span<LedColor> frame, uint32_t now, uint8_t deviceSpeed);

  private:
    void Breathing(std::span<LedColor> frame, const EffectStep& step);
    void Static(std::span<LedColor> frame, const EffectStep& step);
    void Blink(std::span<LedColor> frame, const EffectStep& step, uint32_t now,
               uint8_t deviceSpeed);
    void Wave(std::span<LedColor> frame, const EffectStep& step);
    void Spectrum(std::span<LedColor> frame, const EffectStep& step);
    // True when the counter reached threshold (it then restarts).
    bool CounterReached(uint8_t threshold);
    void AdvanceAfter(const EffectStep& step, uint64_t generation, uint32_t now);

    mutable std::mutex m_mutex;  // guards the three members below
    std::vector<EffectStep> m_steps;
    size_t m_index = 0;
    uint64_t m_generation = 0;  // counts replacements of the steps

    uint64_t m_playedGeneration = 0;
    bool m_started = false;
    uint32_t m_stepStart = 0;
    uint8_t m_phase = 0;
    uint8_t m_counter = 0;
    uint8_t m_blinkOn = 0;
    uint32_t m_blinkLastToggle = 0;
    uint8_t m_blinkWheel = 0;
};

}  // namespace device
