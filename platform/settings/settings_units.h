#pragma once
// Every unit conversion of the desktop settings, in one place.
//
// Page controls → program units (what DesktopSettings takes):
//   pointer speed slider v        → 2v + 2, limited to 1 … 20
//   wheel slider v, page check b  → 255 when b (one page per notch), else v + 1 (1 … 254)
//   double-click slider v of max  → (max − v + 1) × 100 ms (v limited to 0 … max)
//
// Program units → stores:
//   setting            GNOME settings (GSettings)                 X server
//   pointer speed s    mouse "speed": (s − 10) / 9 for s ≤ 10,     acceleration s/5 (10 → 2/1,
//                      (s − 10) / 10 above (1 → −1, 10 → 0,       the server's default),
//                      20 → 1)                                     reduced to lowest terms
//   acceleration b     mouse "accel-profile": adaptive / flat      threshold 4 (the server's
//                                                                  default) / 1 (nearly every
//                                                                  movement gets the factor)
//   wheel lines        —                                           —
//   double-click ms    mouse "double-click" (ms)                   —
//   repeat delay n     keyboard "delay": (n + 1) × 250 ms          XKB repeat delay, same ms
//   repeat rate r      keyboard "repeat-interval": 1000 / (2.5 +   XKB repeat interval, same ms
//                      r × 27.5 / 31) ms, rounded (0 → 400,
//                      31 → 33)

#include <cstdint>

namespace platform::settings::units {

inline constexpr int kMinPointerSpeed = 1;
inline constexpr int kMaxPointerSpeed = 20;
inline constexpr int kNormalPointerSpeed = 10;
inline constexpr int kWheelPageWise = 255;
inline constexpr int kMaxWheelLines = 254;
inline constexpr int kRepeatDelayCount = 4;
inline constexpr int kMaxRepeatRate = 31;

// --- page controls → program units ---------------------------------------------
int PointerSpeedFromSlider(int position);
int WheelLinesFromSlider(int position, bool pageWise);
int DoubleClickMsFromSlider(int position, int maximum);

// --- program units → stores ---------------------------------------------------------
int ClampPointerSpeed(int speed);
double GnomePointerSpeed(int speed);
const char* GnomeAccelProfile(bool accelerated);

struct XPointerControl {
    int numerator = 2;
    int denominator = 1;
    int threshold = 4;
};
// The acceleration factor for a speed (threshold left at its default).
XPointerControl XAcceleration(int speed);
int XThreshold(bool accelerated);

int RepeatDelayMs(int index);
int RepeatIntervalMs(int rate);

}  // namespace platform::settings::units
