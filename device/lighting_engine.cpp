#include "device/lighting_engine.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <utility>

#include "device/lighting_tables.h"

namespace device {
namespace {

constexpr uint8_t kHueCount = 192;
constexpr uint8_t kBreathSteps = 128;
constexpr uint8_t kWaveLength = 96;
constexpr uint8_t kBreathHueStep = 16;
constexpr uint8_t kBlinkHueStep = 16;
constexpr uint8_t kRippleHueStep = 12;

// LEDs 1-14 of a strip light as mirrored pairs; LED 0 is in none.
constexpr std::array<std::pair<int, int>, 7> kLedPairs = {
    {{1, 14}, {2, 13}, {3, 12}, {4, 11}, {5, 10}, {6, 9}, {7, 8}}};

uint8_t Scale(uint8_t value, uint8_t level) {
    return static_cast<uint8_t>((value * level) >> 8);
}

uint64_t Pack(const LightingParams& p) {
    const std::array<uint8_t, 8> bytes = {p.mode,  p.brightness, p.speed, p.direction,
                                          p.multi, p.red,        p.green, p.blue};
    uint64_t packed = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        packed |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    }
    return packed;
}

LightingParams Unpack(uint64_t packed) {
    auto byte = [packed](int i) { return static_cast<uint8_t>(packed >> (8 * i)); };
    return {byte(0), byte(1), byte(2), byte(3), byte(4), byte(5), byte(6), byte(7)};
}

const Rgb& FixedColor(uint8_t index) {
    return kFixedColors[index < kFixedColors.size() ? index : 0];
}

}  // namespace

uint32_t SteadyMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

LightingEngine::LightingEngine(MillisecondClock clock)
    : m_clock(clock ? std::move(clock) : MillisecondClock(SteadyMilliseconds)) {}

void LightingEngine::SetLedCount(int n) {
    m_ledCount = std::max(n, 0);
    m_leds.assign(static_cast<size_t>(m_ledCount), LedColor{});
    m_layers.Resize(static_cast<size_t>(m_ledCount));
    m_published.Reset(static_cast<size_t>(m_ledCount));
}

void LightingEngine::SetLightingParams(const LightingParams& params) {
    m_params.store(Pack(params), std::memory_order_relaxed);
}

LightingParams LightingEngine::GetLightingParams() const {
    return Unpack(m_params.load(std::memory_order_relaxed));
}

void LightingEngine::ReplaceLayers(std::vector<LayerEntry> entries) {
    m_layers.Replace(std::move(entries));
}

void LightingEngine::ResetLayers() {
    m_layers.ResetLayers();
}

void LightingEngine::ReplaceEffectSteps(std::vector<EffectStep> steps) {
    m_player.ReplaceSteps(std::move(steps));
}

size_t LightingEngine::GetStepCount() const {
    return m_player.StepCount();
}

size_t LightingEngine::GetStepIndex() const {
    return m_player.StepIndex();
}

uint8_t LightingEngine::Step(uint8_t direction, uint8_t limit, uint8_t value) {
    return StepBy(direction, limit, 1, value);
}

uint8_t LightingEngine::StepBy(uint8_t direction, uint8_t limit, uint8_t stride, uint8_t value) {
    if (direction != 0) {
        const int next = value + stride;
        return next < limit ? static_cast<uint8_t>(next) : 0;
    }
    const uint8_t next = static_cast<uint8_t>(value - stride);
    return next < limit ? next : static_cast<uint8_t>(limit - stride);
}

void LightingEngine::Fill(uint8_t r, uint8_t g, uint8_t b, uint8_t alpha) {
    std::fill(m_leds.begin(), m_leds.end(), LedColor{r, g, b, alpha});
}

// Layout entries name the keyboard's LEDs; on a device with fewer LEDs the
// entries past its count address nothing.
void LightingEngine::SetIfPresent(uint8_t index, uint8_t r, uint8_t g, uint8_t b, uint8_t alpha) {
    if (index < kNoLed && index < m_ledCount) {
        m_leds[index] = {r, g, b, alpha};
    }
}

void LightingEngine::FrameBreath() {
    const LightingParams p = GetLightingParams();
    m_phase = Step(p.direction, kBreathSteps, m_phase);
    if (m_phase == 0) {
        m_colorIndex += kBreathHueStep;
        if (m_colorIndex > kHueCount) {
            m_colorIndex = 0;
        }
    }
    const uint8_t alpha = Scale(kBreathCurve[m_phase], BrightnessLevel(p.brightness));
    if (!p.multi) {
        Fill(p.red, p.green, p.blue, alpha);
        return;
    }
    for (int x = 0; x < kLayoutColumns; ++x) {
        const Rgb& c = kColorWheel[1 + 7 * x];
        for (uint8_t led : kColumnLayout[x]) {
            SetIfPresent(led, c.r, c.g, c.b, alpha);
        }
    }
}

void LightingEngine::FrameBreathCycle() {
    const LightingParams p = GetLightingParams();
    m_phase = Step(p.direction, kBreathSteps, m_phase);
    if (m_phase == 0 && ++m_colorIndex >= kFixedColors.size()) {
        m_colorIndex = 0;
    }
    const Rgb& c = FixedColor(m_colorIndex);
    Fill(c.r, c.g, c.b, Scale(kBreathCurve[m_phase], BrightnessLevel(p.brightness)));
}

void LightingEngine::FrameStatic() {
    const LightingParams p = GetLightingParams();
    const uint8_t alpha = BrightnessLevel(p.brightness);
    if (!p.multi) {
        Fill(p.red, p.green, p.blue, alpha);
        return;
    }
    for (int r = 0; r < kRingRows; ++r) {
        const Rgb& c = kColorWheel[132 - 12 * r];
        for (uint8_t led : kRingLayout[r]) {
            SetIfPresent(led, c.r, c.g, c.b, alpha);
        }
    }
}

void LightingEngine::FrameSpectrum() {
    const LightingParams p = GetLightingParams();
    m_phase = Step(p.direction, kHueCount, m_phase);
    const Rgb& c = kColorWheel[m_phase];
    Fill(c.r, c.g, c.b, BrightnessLevel(p.brightness));
}

bool LightingEngine::BlinkToggleDue(uint8_t speed) {
    const uint32_t now = Now();
    if (now - m_lastToggle < BlinkHalfPeriodMs(speed)) {
        return false;
    }
    m_blinkOn = !m_blinkOn;
    m_lastToggle = now;
    return true;
}

void LightingEngine::FrameBlink() {
    const LightingParams p = GetLightingParams();
    if (BlinkToggleDue(p.speed)) {
        m_phase += kBlinkHueStep;
        if (m_phase >= kHueCount) {
            m_phase = 0;
        }
    }
    if (!m_blinkOn) {
        Fill(0, 0, 0, 0);
        return;
    }
    const Rgb c = p.multi ? kColorWheel[m_phase] : Rgb{p.red, p.green, p.blue};
    Fill(c.r, c.g, c.b, BrightnessLevel(p.brightness));
}

void LightingEngine::FrameBlinkCycle() {
    const LightingParams p = GetLightingParams();
    if (BlinkToggleDue(p.speed) && ++m_phase >= kFixedColors.size()) {
        m_phase = 0;
    }
    if (!m_blinkOn) {
        Fill(0, 0, 0, 0);
        return;
    }
    const Rgb& c = FixedColor(m_phase);
    Fill(c.r, c.g, c.b, BrightnessLevel(p.brightness));
}

void LightingEngine::FrameOff() {
    Fill(0, 0, 0, 0);
}

void LightingEngine::FrameWave(const WaveShape& shape) {
    const LightingParams p = GetLightingParams();
    const uint8_t brightness = BrightnessLevel(p.brightness);
    if (p.multi) {
        m_phase = Step(p.direction, kHueCount, m_phase);
        for (int i = 0; i < m_ledCount; ++i) {
            const Rgb& c = kColorWheel[(m_phase + 1 + shape.multiSpacing * i) % kHueCount];
            m_leds[i] = {c.r, c.g, c.b, brightness};
        }
        return;
    }
    m_phase = StepBy(p.direction, kWaveLength, shape.singleStride, m_phase);
    for (int i = 0; i < m_ledCount; ++i) {
        const int index = (m_phase + shape.singleOffset + shape.singleSpacing * i) % kWaveLength;
        m_leds[i] = {p.red, p.green, p.blue, Scale(brightness, kWaveCurve[index])};
    }
}

void LightingEngine::RippleLead(const LightingParams& p, int rotateLength, bool forward) {
    m_phase = Step(p.direction, kHueCount, m_phase);
    if (m_rippleCounter > 1) {
        m_rippleCounter = 0;
        IgniteRing();
        RotateRingPrefix(rotateLength, forward);
    }
    ++m_rippleCounter;
}

// Colours LEDs first and second (either may be -1 or past the device) with the
// ripple colour at key level `level`. While the leading edge is lit a
// multi-colour ripple keeps the colour ownLed already shows.
void LightingEngine::RippleColour(const LightingParams& p, int ownLed, int first, int second,
                                  int level) {
    Rgb c{p.red, p.green, p.blue};
    if (p.multi) {
        m_phase += kRippleHueStep;
        c = kColorWheel[m_phase >= kHueCount ? m_phase - kHueCount : m_phase];
        const int keyed = std::min(m_ledCount, KeyLevels::kKeyCount);
        const uint8_t edge = p.direction != 0 ? m_keys.Level(0) : m_keys.Level(keyed - 1);
        if (edge != 0 && ownLed < m_ledCount) {
            c = {m_leds[ownLed].r, m_leds[ownLed].g, m_leds[ownLed].b};
        }
    }
    const uint8_t alpha = Scale(BrightnessLevel(p.brightness), m_keys.Level(level));
    for (int led : {first, second}) {
        if (led >= 0 && led < m_ledCount) {
            m_leds[led] = {c.r, c.g, c.b, alpha};
        }
    }
}

void LightingEngine::FramePairRipple() {
    const LightingParams p = GetLightingParams();
    RippleLead(p, kPairRingLength, p.direction == 0);
    for (int k = 0; k < static_cast<int>(kLedPairs.size()); ++k) {
        DecayKeyLevel(k, p.mode != 0);
        RippleColour(p, kLedPairs[k].first, kLedPairs[k].first, kLedPairs[k].second, k);
    }
}

void LightingEngine::FrameRipple() {
    const LightingParams p = GetLightingParams();
    RippleLead(p, KeyLevels::kRingSize, p.direction != 0);
    const int keyed = std::min(m_ledCount, KeyLevels::kKeyCount);
    for (int i = 0; i < keyed; ++i) {
        DecayKeyLevel(i, p.mode != 0);
        RippleColour(p, i, i, -1, i);
    }
}

void LightingEngine::ApplyLayers() {
    m_layers.ApplyLayers(m_leds, Now());
}

void LightingEngine::PlayEffectStep() {
    m_player.PlayEffectStep(m_leds, Now(), GetLightingParams().speed);
}

void LightingEngine::PublishFrame() {
    m_published.Publish(m_leds);
}

uint64_t LightingEngine::SnapshotFrame(std::vector<LedColor>& out) const {
    return m_published.Snapshot(out);
}

void LightingEngine::SetLedColor(int index, const LedColor& color) {
    if (index >= 0 && index < m_ledCount) {
        m_leds[index] = color;
    }
}

LedColor LightingEngine::GetLedColor(int index) const {
    if (index < 0 || index >= m_ledCount) {
        return {};
    }
    return m_leds[index];
}

}  // namespace device
