#pragma once
// Lighting records kept in profile documents and light stores. Shared by the
// profile documents, the device objects and the lighting editor.

#include <cstdint>

// The lighting state of a profile, 16 bytes in this order. The comment after
// each field names its "LightInfo" key.
struct LightInfoRecord {
    uint8_t mode = 0;          // "SelectItem": built-in modes first, then custom effects
    uint8_t brightness = 0;    // "Light": brightness level 0-4
    uint8_t speed = 0;         // "Speed": 0-4
    uint8_t direction = 0;     // "Fx"
    uint8_t multiColor = 0;    // "MultiColor": colour cycle, 0 or 1
    uint8_t red = 0;           // "Red"
    uint8_t green = 0;         // "Green"
    uint8_t blue = 0;          // "Blue"
    uint8_t unused8[3] = {};   // not stored
    uint8_t zzccMode = 0;      // "ZZCCLedMode": keyboards, with mode 17
    uint8_t customGroup = 0;   // "CustomGroup": keyboards, with mode 20
    uint8_t unused13[3] = {};  // not stored

    friend bool operator==(const LightInfoRecord&, const LightInfoRecord&) = default;
};
static_assert(sizeof(LightInfoRecord) == 16);

// The layer modes of a light list entry. Any other value lays nothing over
// the LED (nor does a null element, whose entry is not present).
enum LightLayerMode : int32_t {
    kLightLayerBreath = 0,
    kLightLayerStatic = 1,
    kLightLayerBlink = 2,
    kLightLayerSpectrum = 3,
    kLightLayerOff = 4,
    kLightLayerNone = 255,
};

// One per-LED layer of the profile's "LightList"; `present` is 0 for a null
// element (all other fields 0 then).
struct LightListEntry {
    int32_t mode = 0;        // "LEDREGMode"
    uint8_t brightness = 0;  // "LEDBrightness"
    uint8_t speed = 0;       // "LEDSpeed"
    uint8_t direction = 0;   // "LEDDirection", truth value
    uint8_t multiColor = 0;  // "LEDMultiColor", truth value
    uint8_t red = 0;         // "red"
    uint8_t green = 0;       // "green"
    uint8_t blue = 0;        // "blue"
    uint8_t present = 0;

    friend bool operator==(const LightListEntry&, const LightListEntry&) = default;
};

// One step of a custom light effect (an element of "LEDEffectList").
struct LightEffectStep {
    uint8_t mode = 0;  // "LEDREGMode": 0 breath, 1 static, 2 blink, 3 none, 4 wave, 5 spectrum
    uint8_t brightness = 0;  // "LEDBrightness"
    uint8_t speed = 0;       // "LEDSpeed"
    uint8_t direction = 0;   // "LEDDirection"
    uint8_t multiColor = 0;  // "LEDMultiColor"
    uint8_t red = 0;         // "red"
    uint8_t green = 0;       // "green"
    uint8_t blue = 0;        // "blue"
    int32_t time = 0;        // "Time": duration in milliseconds
    int32_t cycle = 0;       // "Cyle": kept with the step, not played

    friend bool operator==(const LightEffectStep&, const LightEffectStep&) = default;
};

// One key colour of a keyboard custom-colour group.
struct CustomColor {
    uint8_t red = 0;    // "Red"
    uint8_t green = 0;  // "Green"
    uint8_t blue = 0;   // "Blue"
    uint8_t alpha = 0;  // "Alpha"

    friend bool operator==(const CustomColor&, const CustomColor&) = default;
};
static_assert(sizeof(CustomColor) == 4);
