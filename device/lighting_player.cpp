#include "device/lighting_player.h"

#include <algorithm>

#include "device/lighting_tables.h"

namespace device {
namespace {

constexpr uint8_t kHueCount = 192;
constexpr uint8_t kBreathSteps = 128;
constexpr uint8_t kStaticSteps = 9;
constexpr uint8_t kWaveLength = 96;
constexpr uint8_t kWaveSpacing = 12;

void Fill(std::span<LedColor> frame, const Rgb& c, uint8_t alpha) {
    std::fill(frame.begin(), frame.end(), LedColor{c.r, c.g, c.b, alpha});
}

Rgb OwnColor(const EffectStep& s) {
    return {s.red, s.green, s.blue};
}

uint8_t Scale(uint8_t value, uint8_t level) {
    return static_cast<uint8_t>((value * level) >> 8);
}

// The phase is shared by every step mode, and each mode counts in its own
// range. A phase left over from a step with a longer range restarts, so it
// never reads past the current mode's table.
uint8_t Advance(uint8_t phase, uint8_t range) {
    const int next = phase + 1;
    return next >= range ? 0 : static_cast<uint8_t>(next);
}

uint8_t Within(uint8_t phase, uint8_t range) {
    return phase >= range ? 0 : phase;
}

}  // namespace

void EffectPlayer::ReplaceSteps(std::vector<EffectStep> steps) {
    std::lock_guard lock(m_mutex);
    m_steps = std::move(steps);
    m_index = 0;
    ++m_generation;
}

size_t EffectPlayer::StepCount() const {
    std::lock_guard lock(m_mutex);
    return m_steps.size();
}

size_t EffectPlayer::StepIndex() const {
    std::lock_guard lock(m_mutex);
    return m_index;
}

void EffectPlayer::PlayEffectStep(std::span<LedColor> frame, uint32_t now, uint8_t deviceSpeed) {
    EffectStep step;
    uint64_t generation = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_index >= m_steps.size()) {
            m_index = 0;
        }
        if (m_steps.empty()) {
            Fill(frame, Rgb{}, 0);
            return;
        }
        step = m_steps[m_index];
        generation = m_generation;
    }
    // The first pass, and the first pass after the steps were replaced,
    // starts the clock of the current step.
    if (!m_started || generation != m_playedGeneration) {
        m_started = true;
        m_playedGeneration = generation;
        m_stepStart = now;
    }
    ++m_counter;
    switch (step.mode) {
        case kStepBreathing:
            Breathing(frame, step);
            break;
        case kStepStatic:
            Static(frame, step);
            break;
        case kStepBlink:
            Blink(frame, step, now, deviceSpeed);
            break;
        case kStepWave:
            Wave(frame, step);
            break;
        case kStepSpectrum:
            Spectrum(frame, step);
            break;
        default:  // kStepNothing and unknown modes leave the frame as it is
            break;
    }
    if (m_counter == 255) {
        m_counter = 0;
    }
    AdvanceAfter(step, generation, now);
}

bool EffectPlayer::CounterReached(uint8_t threshold) {
    if (m_counter < threshold) {
        return false;
    }
    m_counter = 0;
    return true;
}

void EffectPlayer::AdvanceAfter(const EffectStep& step, uint64_t generation, uint32_t now) {
    const uint32_t duration = static_cast<uint32_t>(std::max(step.time, 0));
    if (now - m_stepStart <= duration) {
        return;
    }
    std::lock_guard lock(m_mutex);
    // Steps replaced during this pass: the new list starts at its first step.
    if (generation != m_generation) {
        return;
    }
    if (++m_index >= m_steps.size()) {
        m_index = 0;
    }
    m_stepStart = now;
}

void EffectPlayer::Breathing(std::span<LedColor> frame, const EffectStep& step) {
    m_phase = Within(m_phase, kBreathSteps);
    if (CounterReached(SpeedTicks(step.speed))) {
        m_phase = Advance(m_phase, kBreathSteps);
    }
    // A multi-colour breathing step shows the wheel's first hue.
    const Rgb colour = step.multi ? kColorWheel[0] : OwnColor(step);
    Fill(frame, colour, Scale(kBreathCurve[m_phase], BrightnessLevel(step.brightness)));
}

void EffectPlayer::Static(std::span<LedColor> frame, const EffectStep& step) {
    if (CounterReached(SpeedTicks(step.speed))) {
        m_phase = Advance(m_phase, kStaticSteps);
    }
    Fill(frame, OwnColor(step), BrightnessLevel(step.brightness));
}

void EffectPlayer::Blink(std::span<LedColor> frame, const EffectStep& step, uint32_t now,
                         uint8_t deviceSpeed) {
    m_phase = Advance(m_phase, kBreathSteps);
    CounterReached(SpeedTicks(step.speed));
    if (now - m_blinkLastToggle >= BlinkHalfPeriodMs(deviceSpeed)) {
        m_blinkOn = !m_blinkOn;
        m_blinkLastToggle = now;
        m_blinkWheel = ((m_phase + 78) % 256 > 63) ? static_cast<uint8_t>(m_phase + 14) : 0;
    }
    if (!m_blinkOn) {
        Fill(frame, Rgb{}, 0);
        return;
    }
    const Rgb colour = step.multi ? kColorWheel[m_blinkWheel] : OwnColor(step);
    Fill(frame, colour, BrightnessLevel(step.brightness));
}

void EffectPlayer::Wave(std::span<LedColor> frame, const EffectStep& step) {
    m_phase = Within(m_phase, kHueCount);
    if (CounterReached(SpeedTicks(step.speed))) {
        m_phase = Advance(m_phase, kHueCount);
    }
    const uint8_t brightness = BrightnessLevel(step.brightness);
    unsigned d = step.direction == 0 ? Advance(m_phase, kHueCount)
                                     : std::min<unsigned>(kHueCount - m_phase, kHueCount - 1);
    for (LedColor& led : frame) {
        if (step.multi) {
            const Rgb& c = kColorWheel[d];
            led = {c.r, c.g, c.b, brightness};
            d = (d + kWaveSpacing) % kHueCount;
        } else {
            d = (d + kWaveSpacing) % kWaveLength;
            led = {step.red, step.green, step.blue, Scale(brightness, kWaveCurve[d])};
        }
    }
}

void EffectPlayer::Spectrum(std::span<LedColor> frame, const EffectStep& step) {
    m_phase = Within(m_phase, kHueCount);
    if (CounterReached(ShortSpectrumTicks(step.speed))) {
        m_phase = Advance(m_phase, kHueCount);
    }
    Fill(frame, kColorWheel[m_phase], BrightnessLevel(step.brightness));
}

}  // namespace device
