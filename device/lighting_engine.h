#pragma once
// The host-side lighting engine a device object owns: the LED frame and the
// animation state behind it, the shared frame effects, the light-list layers,
// the custom effect player and the key levels of the reactive effects. It
// does no I/O; the device object streams and shows the frames it publishes.
//
// Threads:
// - Configuration (SetLedCount, SetRingIgnition): before the lighting thread
//   starts or while it is stopped.
// - The lighting thread runs the frame operations, ApplyLayers,
//   PlayEffectStep and PublishFrame, and owns the work frame and the
//   animation state (phase, colorIndex, blinkOn, lastToggle).
// - Any thread: SetLightingParams, ReplaceLayers, ResetLayers,
//   ReplaceEffectSteps, SnapshotFrame, the key levels.

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "device/lighting_frame.h"
#include "device/lighting_key_levels.h"
#include "device/lighting_layers.h"
#include "device/lighting_player.h"
#include "device/lighting_types.h"

namespace device {

// Milliseconds from an arbitrary origin; wraps after 2^32.
using MillisecondClock = std::function<uint32_t()>;
uint32_t SteadyMilliseconds();

// How a kind lays the wave over its LEDs. The defaults are the mousepad's:
// a single-colour wave moves one curve entry per frame, starts one entry on
// and puts 7 entries between neighbouring LEDs; a multi-colour wave puts 7
// hues between neighbours.
struct WaveShape {
    uint8_t singleStride = 1;
    uint8_t singleOffset = 1;
    uint8_t singleSpacing = 7;
    uint8_t multiSpacing = 7;
};

class LightingEngine {
  public:
    // Ring entries the pair ripple turns (the whole-ring ripple turns all 23).
    static constexpr int kPairRingLength = 8;

    explicit LightingEngine(MillisecondClock clock = SteadyMilliseconds);

    // Configuration.
    // Resizes the frame and the layer list to n (negative counts as 0) and
    // darkens every LED and clears every layer entry.
    void SetLedCount(int n);
    int GetLedCount() const { return m_ledCount; }
    void SetRingIgnition(RingIgnition ignition) { m_ignition = ignition; }

    // The lighting record the effects follow.
    void SetLightingParams(const LightingParams& params);
    LightingParams GetLightingParams() const;

    // Layers and effect steps, each under its own lock.
    void ReplaceLayers(std::vector<LayerEntry> entries);
    void ResetLayers();
    // Whether the light list has a layer that draws (any thread).
    bool HasLayers() const { return m_layers.AnyPresent(); }
    void ReplaceEffectSteps(std::vector<EffectStep> steps);
    size_t GetStepCount() const;
    size_t GetStepIndex() const;

    // The phase counter: forwards (direction non-zero) value + 1, wrapping to 0
    // at limit; backwards value - 1, wrapping to limit - 1 below 0 or from a
    // value outside the range.
    static uint8_t Step(uint8_t direction, uint8_t limit, uint8_t value);
    // The same with a stride: forwards value + stride, 0 once limit is reached;
    // backwards value - stride, limit - stride when the 8-bit result is out of
    // range.
    static uint8_t StepBy(uint8_t direction, uint8_t limit, uint8_t stride, uint8_t value);

    // Shared frame operations (lighting thread), each computing one frame.
    void FrameBreath();
    void FrameBreathCycle();
    void FrameStatic();
    void FrameSpectrum();
    void FrameBlink();
    void FrameBlinkCycle();
    void FrameOff();
    // Wave and ripples of the strip-shaped devices; the ripples light the
    // keys whose ring entries are set (see SetRingIgnition).
    void FrameWave(const WaveShape& shape = {});
    void FramePairRipple();
    void FrameRipple();

    // Lays the light-list layers over the frame (lighting thread).
    void ApplyLayers();
    // One pass of the custom effect player (lighting thread).
    void PlayEffectStep();
    // Hands the work frame to readers as one complete frame (lighting thread).
    void PublishFrame();
    // The last published frame; returns its serial number (any thread).
    uint64_t SnapshotFrame(std::vector<LedColor>& out) const;

    // The work frame (lighting thread). Outside 0 <= index < ledCount a write
    // changes nothing and a read gives a dark, transparent LED.
    void SetLedColor(int index, const LedColor& color);
    LedColor GetLedColor(int index) const;
    std::span<LedColor> Frame() { return m_leds; }
    std::span<const LedColor> Frame() const { return m_leds; }

    // Animation state (lighting thread).
    uint8_t Phase() const { return m_phase; }
    void SetPhase(uint8_t phase) { m_phase = phase; }
    uint8_t ColorIndex() const { return m_colorIndex; }
    uint8_t BlinkOn() const { return m_blinkOn; }
    uint32_t LastToggle() const { return m_lastToggle; }

    // Key levels (any thread).
    KeyLevels& Keys() { return m_keys; }
    const KeyLevels& Keys() const { return m_keys; }
    void DecayKeyLevel(int index, bool fineTail) { m_keys.DecayKeyLevel(index, fineTail); }
    void IgniteRing() { m_keys.IgniteRing(m_ignition, m_ledCount); }
    void RotateRing(bool forward) { m_keys.RotateRing(forward); }
    void RotateRingPrefix(int length, bool forward) { m_keys.RotateRingPrefix(length, forward); }
    void ClearKeyLevels() { m_keys.ClearKeyLevels(); }

    uint32_t Now() const { return m_clock(); }

  private:
    void Fill(uint8_t r, uint8_t g, uint8_t b, uint8_t alpha);
    void SetIfPresent(uint8_t index, uint8_t r, uint8_t g, uint8_t b, uint8_t alpha);
    bool BlinkToggleDue(uint8_t speed);
    void RippleColour(const LightingParams& p, int ownLed, int first, int second, int level);
    void RippleLead(const LightingParams& p, int rotateLength, bool forward);

    MillisecondClock m_clock;
    RingIgnition m_ignition = RingIgnition::FirstNine;
    int m_ledCount = 0;
    std::atomic<uint64_t> m_params{0};

    std::vector<LedColor> m_leds;
    uint8_t m_phase = 0;
    uint8_t m_colorIndex = 0;
    uint8_t m_blinkOn = 0;
    uint32_t m_lastToggle = 0;
    uint8_t m_rippleCounter = 0;

    KeyLevels m_keys;
    LightingLayers m_layers;
    EffectPlayer m_player;
    SharedFrame m_published;
};

}  // namespace device
