#pragma once
// Plain records the lighting engine works on. They carry only what the engine
// reads; the device object fills them from the profile document's records
// (the lighting record, the light-list entries and the custom effect steps)
// when it loads or applies a profile.

#include <cstdint>

namespace device {

// One LED of a frame: its colour and the brightness (alpha) it is shown with.
struct LedColor {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t alpha = 0;

    friend bool operator==(const LedColor&, const LedColor&) = default;
};

// The part of a profile's lighting record that the engine uses.
struct LightingParams {
    uint8_t mode = 0;
    uint8_t brightness = 0;  // index into the brightness levels
    uint8_t speed = 0;       // 0 (slowest) ... 4 (fastest)
    uint8_t direction = 0;   // "Fx": non-zero runs the phase forwards
    uint8_t multi = 0;       // non-zero: colours come from the colour wheel
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    friend bool operator==(const LightingParams&, const LightingParams&) = default;
};

// Modes of a light-list layer entry.
inline constexpr uint8_t kLayerBreathing = 0;
inline constexpr uint8_t kLayerStatic = 1;
inline constexpr uint8_t kLayerBlink = 2;
inline constexpr uint8_t kLayerSpectrum = 3;
inline constexpr uint8_t kLayerOff = 4;

// One light-list entry: a fixed per-LED effect laid over the mode's frame.
// present is 0 for an entry that was null in the profile.
struct LayerEntry {
    int32_t mode = 0;  // any value but the five modes lays nothing over its LED
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0;
    uint8_t multi = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t present = 0;
};

// Modes of a custom effect step.
inline constexpr uint8_t kStepBreathing = 0;
inline constexpr uint8_t kStepStatic = 1;
inline constexpr uint8_t kStepBlink = 2;
inline constexpr uint8_t kStepNothing = 3;
inline constexpr uint8_t kStepWave = 4;
inline constexpr uint8_t kStepSpectrum = 5;

// One step of a user's custom light effect.
struct EffectStep {
    uint8_t mode = 0;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0;
    uint8_t multi = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    int32_t time = 0;   // how long the step plays, in milliseconds
    int32_t cycle = 0;  // kept with the step; the player does not read it
};

}  // namespace device
