#include "platform/settings/settings_units.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace platform::settings::units {

int PointerSpeedFromSlider(int position) {
    // Limited before narrowing: a slider past its range is the fastest speed,
    // never a wrapped-around slow one.
    return ClampPointerSpeed(2 * std::clamp(position, -1, kMaxPointerSpeed) + 2);
}

int WheelLinesFromSlider(int position, bool pageWise) {
    if (pageWise) {
        return kWheelPageWise;
    }
    return std::clamp(position, 0, kMaxWheelLines - 1) + 1;
}

int DoubleClickMsFromSlider(int position, int maximum) {
    maximum = std::max(maximum, 0);
    return (maximum - std::clamp(position, 0, maximum) + 1) * 100;
}

int ClampPointerSpeed(int speed) {
    return std::clamp(speed, kMinPointerSpeed, kMaxPointerSpeed);
}

double GnomePointerSpeed(int speed) {
    // Two straight pieces so that both ends and the normal speed meet the
    // store's ends and its default.
    const int s = ClampPointerSpeed(speed);
    if (s <= kNormalPointerSpeed) {
        return static_cast<double>(s - kNormalPointerSpeed) /
               (kNormalPointerSpeed - kMinPointerSpeed);
    }
    return static_cast<double>(s - kNormalPointerSpeed) / (kMaxPointerSpeed - kNormalPointerSpeed);
}

const char* GnomeAccelProfile(bool accelerated) {
    return accelerated ? "adaptive" : "flat";
}

XPointerControl XAcceleration(int speed) {
    const int s = ClampPointerSpeed(speed);
    const int divisor = std::gcd(s, 5);
    XPointerControl control;
    control.numerator = s / divisor;
    control.denominator = 5 / divisor;
    return control;
}

int XThreshold(bool accelerated) {
    return accelerated ? 4 : 1;
}

int RepeatDelayMs(int index) {
    return (std::clamp(index, 0, kRepeatDelayCount - 1) + 1) * 250;
}

int RepeatIntervalMs(int rate) {
    const double perSecond = 2.5 + std::clamp(rate, 0, kMaxRepeatRate) * 27.5 / kMaxRepeatRate;
    return static_cast<int>(std::lround(1000.0 / perSecond));
}

}  // namespace platform::settings::units
