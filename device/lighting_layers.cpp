#include "device/lighting_layers.h"

#include <algorithm>

#include "device/lighting_tables.h"

namespace device {
namespace {

// Wheel positions stay inside the 192 distinct hues.
constexpr uint8_t kHueCount = 192;
constexpr uint8_t kBreathSteps = 128;
constexpr uint8_t kLastBreathHue = 191;
constexpr uint8_t kBlinkHueStep = 14;

LedColor Shown(const Rgb& c, uint8_t alpha) {
    return {c.r, c.g, c.b, alpha};
}

Rgb OwnColor(const LayerEntry& e) {
    return {e.red, e.green, e.blue};
}

uint8_t NextHue(uint8_t hue, uint8_t step) {
    const int next = hue + step;
    return next >= kHueCount ? 0 : static_cast<uint8_t>(next);
}

}  // namespace

void LightingLayers::Resize(size_t n) {
    Replace(std::vector<LayerEntry>(n));
}

void LightingLayers::Replace(std::vector<LayerEntry> entries) {
    std::lock_guard lock(m_mutex);
    m_entries = std::move(entries);
    ResetLocked();
}

void LightingLayers::ResetLayers() {
    std::lock_guard lock(m_mutex);
    ResetLocked();
}

size_t LightingLayers::Size() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

void LightingLayers::ResetLocked() {
    m_state.fill(LedState{});
    const size_t n = std::min(m_entries.size(), kMaxLeds);
    for (size_t i = 0; i < n; ++i) {
        const LayerEntry& e = m_entries[i];
        m_state[i].blinkPeriod = BlinkHalfPeriodMs(e.speed);
        if (e.present) {
            m_state[i].spectrumThreshold = SpeedTicks(e.speed);
        }
    }
}

bool LightingLayers::AnyPresent() const {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [](const LayerEntry& e) { return e.present; });
}

void LightingLayers::ApplyLayers(std::span<LedColor> frame, uint32_t now) {
    std::lock_guard lock(m_mutex);
    Breathing(frame);
    Static(frame);
    Spectrum(frame);
    Blink(frame, now);
    Off(frame);
}

// A profile's light list may be longer than the device has LEDs, and the
// layer state is fixed in size: only entries that fit all three are drawn.
size_t LightingLayers::DrawnCount(std::span<LedColor> frame) const {
    return std::min({m_entries.size(), frame.size(), kMaxLeds});
}

void LightingLayers::Breathing(std::span<LedColor> frame) {
    const size_t n = DrawnCount(frame);
    for (size_t i = 0; i < n; ++i) {
        const LayerEntry& e = m_entries[i];
        if (!e.present || e.mode != kLayerBreathing) {
            continue;
        }
        LedState& s = m_state[i];
        const Rgb colour = e.multi ? kColorWheel[s.breathWheel] : OwnColor(e);
        const int level = s.breathLevel + e.speed + 4;
        if (level >= kBreathSteps) {
            s.breathLevel = 0;
            // A breathing layer walks the wheel once and stays on its last hue.
            s.breathWheel = s.breathWheel < kLastBreathHue ? s.breathWheel + 1 : kLastBreathHue;
        } else {
            s.breathLevel = static_cast<uint8_t>(level);
        }
        const int alpha = (kBreathCurve[s.breathLevel] * BrightnessLevel(e.brightness)) >> 8;
        frame[i] = Shown(colour, static_cast<uint8_t>(alpha));
    }
}

void LightingLayers::Static(std::span<LedColor> frame) {
    const size_t n = DrawnCount(frame);
    for (size_t i = 0; i < n; ++i) {
        const LayerEntry& e = m_entries[i];
        if (e.mode == kLayerStatic) {
            frame[i] = Shown(OwnColor(e), BrightnessLevel(e.brightness));
        }
    }
}

void LightingLayers::Spectrum(std::span<LedColor> frame) {
    const size_t n = DrawnCount(frame);
    for (size_t i = 0; i < n; ++i) {
        const LayerEntry& e = m_entries[i];
        if (!e.present || e.mode != kLayerSpectrum) {
            continue;
        }
        LedState& s = m_state[i];
        if (++s.spectrumCounter >= s.spectrumThreshold) {
            s.spectrumCounter = 0;
            s.spectrumWheel = NextHue(s.spectrumWheel, 1);
        }
        frame[i] = Shown(kColorWheel[s.spectrumWheel], BrightnessLevel(e.brightness));
    }
}

void LightingLayers::Blink(std::span<LedColor> frame, uint32_t now) {
    const size_t n = DrawnCount(frame);
    for (size_t i = 0; i < n; ++i) {
        LedState& s = m_state[i];
        if (now - s.blinkLastToggle >= s.blinkPeriod) {
            s.blinkOn = !s.blinkOn;
            s.blinkLastToggle = now;
            s.blinkWheel = NextHue(s.blinkWheel, kBlinkHueStep);
        }
        const LayerEntry& e = m_entries[i];
        if (e.mode != kLayerBlink) {
            continue;
        }
        if (!s.blinkOn) {
            frame[i] = LedColor{};
            continue;
        }
        const Rgb colour = e.multi ? kColorWheel[s.blinkWheel] : OwnColor(e);
        frame[i] = Shown(colour, BrightnessLevel(e.brightness));
    }
}

void LightingLayers::Off(std::span<LedColor> frame) {
    const size_t n = DrawnCount(frame);
    for (size_t i = 0; i < n; ++i) {
        if (m_entries[i].mode == kLayerOff) {
            frame[i] = LedColor{};
        }
    }
}

}  // namespace device
