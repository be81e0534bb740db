#include "keyboard/keyboard_preview.h"

#include <algorithm>

#include "device/lighting_tables.h"

namespace keyboard {
namespace {

using device::kColorWheel;
using device::kColumnLayout;

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr uint8_t kHueCount = 192;
constexpr uint8_t kLit = 255;
constexpr int kTickMs = 2;
constexpr int kTickCount = 3;
constexpr int kCounterCeiling = 1 << 16;

uint8_t Scale(uint8_t value, uint8_t level) {
    return static_cast<uint8_t>((value * level) >> 8);
}

uint32_t PackRgb(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t{r} | uint32_t{g} << 8 | uint32_t{b} << 16;
}

}  // namespace

KeyboardPreview::KeyboardPreview(device::LightingEngine& engine, uint32_t seed)
    : m_engine(engine), m_keys(engine.Keys()), m_random(seed == 0 ? 1 : seed) {}

// The mode table: each mode's frame operation (the keyboard's own or a
// shared effect of the engine) and its thresholds for speeds 0-4. Modes 0
// and 19 have no row.
struct KeyboardPreview::ModeRow {
    void (KeyboardPreview::*own)() = nullptr;
    void (device::LightingEngine::*shared)() = nullptr;
    std::array<uint8_t, 5> thresholds{};
};

const KeyboardPreview::ModeRow* KeyboardPreview::FindRow(uint8_t mode) {
    using P = KeyboardPreview;
    using E = device::LightingEngine;
    static constexpr std::array<uint8_t, 5> kFast = {6, 5, 4, 3, 2};
    static constexpr std::array<uint8_t, 5> kSteady = {7, 6, 5, 4, 3};
    static constexpr std::array<uint8_t, 5> kSlow = {28, 23, 18, 13, 7};
    static constexpr std::array<uint8_t, 5> kEveryPassAtZero = {0, 28, 23, 18, 13};
    static const std::array<ModeRow, 30> kRows = {{
        {},                                               // 0: custom effect
        {&P::FrameColumnWave, nullptr, kFast},            // 1
        {&P::FrameColumnDrift, nullptr, kFast},           // 2
        {&P::FramePathWave, nullptr, kSteady},            // 3
        {nullptr, &E::FrameSpectrum, kFast},              // 4
        {nullptr, &E::FrameBreath, kSteady},              // 5
        {nullptr, &E::FrameStatic, {7, 5, 4, 3, 2}},      // 6
        {&P::FrameKeyGlow, nullptr, kSteady},             // 7
        {&P::FrameKeyRipple, nullptr, {7, 5, 4, 3, 2}},   // 8
        {&P::FrameRowRipple, nullptr, kSteady},           // 9
        {&P::FrameSparkle, nullptr, kFast},               // 10
        {&P::FrameHueCycle, nullptr, {27, 6, 5, 4, 3}},   // 11
        {&P::FrameRowWave, nullptr, kFast},               // 12
        {&P::FrameCentreBounce, nullptr, kFast},          // 13
        {&P::FrameShow, nullptr, kFast},                  // 14
        {&P::FrameTablePulse, nullptr, kSteady},          // 15
        {&P::FrameCornerBounce, nullptr, kSteady},        // 16
        {&P::FrameZoneColour, nullptr, kSlow},            // 17
        {&P::FrameRingRainbow, nullptr, kSlow},           // 18
        {},                                               // 19: custom effect
        {&P::FrameCustomColors, nullptr, kSlow},          // 20
        {&P::FrameStaggeredPulse, nullptr, kSlow},        // 21
        {nullptr, &E::FrameBlink, kSlow},                 // 22
        {&P::FrameSnake, nullptr, kSlow},                 // 23
        {&P::FrameKeyGlow, nullptr, kSlow},               // 24
        {nullptr, &E::FrameBreathCycle, kSteady},         // 25
        {nullptr, &E::FrameBlinkCycle, kSlow},            // 26
        {nullptr, &E::FrameOff, kEveryPassAtZero},        // 27
        {&P::FramePathSweep, nullptr, kEveryPassAtZero},  // 28
        {nullptr, &E::FrameStatic, kEveryPassAtZero},     // 29
    }};
    if (mode >= kRows.size() || (kRows[mode].own == nullptr && kRows[mode].shared == nullptr)) {
        return nullptr;
    }
    return &kRows[mode];
}

int KeyboardPreview::Threshold(uint8_t mode, uint8_t speed) {
    const ModeRow* row = FindRow(mode);
    return row == nullptr ? kNoRow : row->thresholds[std::min<uint8_t>(speed, 4)];
}

// --- shared state ----------------------------------------------------------------

bool KeyboardPreview::PostKeyEvent(int key, int event) {
    if (key < 0 || key >= kPreviewLeds || (event != kKeyPressed && event != kKeyReleased)) {
        return false;
    }
    const size_t tail = m_eventTail.load(kRelaxed);
    if (tail - m_eventHead.load(std::memory_order_acquire) >= kEventQueueSize) {
        return false;
    }
    m_events[tail % kEventQueueSize].store(static_cast<uint16_t>(key | event << 8), kRelaxed);
    m_eventTail.store(tail + 1, std::memory_order_release);
    return true;
}

void KeyboardPreview::DiscardKeyEvents() {
    m_eventHead.store(m_eventTail.load(std::memory_order_acquire), std::memory_order_release);
}

void KeyboardPreview::ApplyKeyEvents() {
    size_t head = m_eventHead.load(kRelaxed);
    const size_t tail = m_eventTail.load(std::memory_order_acquire);
    for (; head != tail; ++head) {
        const uint16_t packed = m_events[head % kEventQueueSize].load(kRelaxed);
        DispatchKeyEvent(packed & 0xFF, packed >> 8);
    }
    m_eventHead.store(head, std::memory_order_release);
}

CustomColor KeyboardPreview::GetCustomColor(int led) const {
    if (led < 0 || led >= kPreviewLeds) {
        return {};
    }
    const uint32_t rgb = m_customRgb[led].load(kRelaxed);
    return {static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8),
            static_cast<uint8_t>(rgb >> 16), m_customAlpha[led].load(kRelaxed)};
}

void KeyboardPreview::SetCustomColor(int led, const CustomColor& color) {
    if (led >= 0 && led < kPreviewLeds) {
        m_customRgb[led].store(PackRgb(color.red, color.green, color.blue), kRelaxed);
        m_customAlpha[led].store(color.alpha, kRelaxed);
    }
}

void KeyboardPreview::SetCustomRgb(int led, uint8_t red, uint8_t green, uint8_t blue) {
    if (led >= 0 && led < kPreviewLeds) {
        m_customRgb[led].store(PackRgb(red, green, blue), kRelaxed);
    }
}

// --- the lighting thread's pass ------------------------------------------------------

void KeyboardPreview::StartTiming(uint32_t now) {
    m_last = now;
    m_counter = 0;
}

uint32_t KeyboardPreview::Pass(uint32_t now) {
    const device::LightingParams p = m_engine.GetLightingParams();
    if (p.mode != m_lastMode) {
        ChangeMode(p.mode);
    }
    ApplyKeyEvents();
    // The counter gains 3 for every 2 ms, as it would when the thread looked
    // at the clock every millisecond; the thread need not wake that often.
    const uint32_t elapsed = now - m_last;
    if (elapsed >= kTickMs) {
        const uint32_t ticks = elapsed / kTickMs;
        m_counter = static_cast<int>(
            std::min<uint64_t>(m_counter + uint64_t{kTickCount} * ticks, kCounterCeiling));
        m_last += ticks * kTickMs;
    }
    const int threshold = Threshold(p.mode, p.speed);
    if (threshold == kNoRow) {
        m_engine.PlayEffectStep();
    } else if (m_counter >= threshold) {
        m_counter = 0;
        RunFrame(p.mode);
    }
    m_engine.ApplyLayers();
    m_engine.PublishFrame();
    return NextPassIn(now, threshold);
}

uint32_t KeyboardPreview::PassesUntil(uint32_t& due, uint32_t now, uint32_t minWaitMs) {
    constexpr int kMaxCatchUp = 64;
    const auto before = [](uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; };
    uint32_t at = before(due, now) ? due : now;
    uint32_t in = Pass(at);
    for (int passes = 1; in > 1 && !before(now, at + in) && passes < kMaxCatchUp; ++passes) {
        at += in;
        in = Pass(at);
    }
    if (in <= 1) {
        due = now + in;
        return in;
    }
    due = before(at + in, now) ? now : at + in;
    return std::max(due - now, minWaitMs);
}

uint32_t KeyboardPreview::NextPassIn(uint32_t now, int threshold) const {
    if (threshold <= 0 || m_layersAnimate.load()) {
        return 1;
    }
    const int ticks = (threshold - m_counter + kTickCount - 1) / kTickCount;
    const uint32_t due = m_last + static_cast<uint32_t>(std::max(ticks, 1) * kTickMs);
    const uint32_t wait = due - now;
    return wait == 0 || wait > static_cast<uint32_t>(kCounterCeiling) ? 1 : wait;
}

void KeyboardPreview::ChangeMode(uint8_t mode) {
    m_lastMode = mode;
    ResetPreview();
    switch (mode) {
        case kModeCentreBounce:
            SeedCentreBounce();
            break;
        case kModeTablePulse:
            PrepareTablePulse();
            break;
        case kModeCornerBounce:
            SeedCornerBounce();
            break;
        case kModeStaggeredPulse:
            PrepareStaggeredPulse();
            break;
        default:
            // Mode 20's colours are loaded by the device object; its hues
            // spread like every other mode's.
            SpreadHues();
            break;
    }
}

void KeyboardPreview::RunFrame(uint8_t mode) {
    if (const ModeRow* row = FindRow(mode)) {
        if (row->own != nullptr) {
            (this->*row->own)();
        } else if (row->shared != nullptr) {
            (m_engine.*row->shared)();
        }
    }
}

void KeyboardPreview::DispatchKeyEvent(int key, int event) {
    switch (m_engine.GetLightingParams().mode) {
        case kModeSplash:
            SplashEvent(key, event);
            break;
        case kModeKeyRipple:
            SeedKeyRipple(key, event);
            break;
        case kModeKeyGlow:
            KeyGlowEvent(key, event);
            break;
        case kModeRowRipple:
            SeedRowRipple(key, event);
            break;
        default:
            break;
    }
}

// --- helpers ---------------------------------------------------------------------------

KeyboardPreview::Position KeyboardPreview::Find(int key) {
    if (key < 0 || key >= kNoLed) {
        return {};
    }
    for (int x = 0; x < kLayoutColumns; ++x) {
        for (int y = 0; y < device::kLayoutRows; ++y) {
            if (kColumnLayout[x][y] == key) {
                return {x, y};
            }
        }
    }
    return {};
}

uint8_t KeyboardPreview::LayoutAt(int x, int y) {
    if (x < 0 || x >= kLayoutColumns || y < 0 || y >= device::kLayoutRows) {
        return kNoLed;
    }
    return kColumnLayout[x][y];
}

// A 32-bit xorshift, scaled to the modulus by a multiply: cheap enough for
// the sparkle's dozen draws a frame.
uint8_t KeyboardPreview::Random(uint8_t modulus) {
    m_random ^= m_random << 13;
    m_random ^= m_random >> 17;
    m_random ^= m_random << 5;
    return static_cast<uint8_t>((uint64_t{m_random} * modulus) >> 32);
}

uint8_t KeyboardPreview::Brightness() const {
    return device::BrightnessLevel(m_engine.GetLightingParams().brightness);
}

void KeyboardPreview::SetLed(int led, const device::Rgb& colour, uint8_t alpha) {
    const std::span<device::LedColor> frame = m_engine.Frame();
    if (led >= 0 && led < kNoLed && static_cast<size_t>(led) < frame.size()) {
        frame[led] = {colour.r, colour.g, colour.b, alpha};
    }
}

void KeyboardPreview::Light(int led, bool multi) {
    if (led < 0 || led >= kNoLed) {
        return;
    }
    m_keys.SetLevel(led, kLit);
    if (multi) {
        m_keys.SetHue(led, Random(kHueCount));
    }
}

void KeyboardPreview::ShowGlow(int led, const device::LightingParams& p, uint8_t brightness) {
    const device::Rgb colour =
        p.multi ? kColorWheel[m_keys.Hue(led)] : device::Rgb{p.red, p.green, p.blue};
    SetLed(led, colour, Scale(brightness, m_keys.Level(led)));
}

void KeyboardPreview::DecayAndGlowAll() {
    const device::LightingParams p = m_engine.GetLightingParams();
    const uint8_t b = device::BrightnessLevel(p.brightness);
    for (int k = 0; k < kPreviewLeds; ++k) {
        m_keys.DecayKeyLevel(k, true);
        ShowGlow(k, p, b);
    }
}

void KeyboardPreview::DecayAndGlowPath() {
    const device::LightingParams p = m_engine.GetLightingParams();
    const uint8_t b = device::BrightnessLevel(p.brightness);
    for (const uint8_t led : kPathOrder) {
        if (led < kNoLed) {
            m_keys.DecayKeyLevel(led, true);
            ShowGlow(led, p, b);
        }
    }
}

uint8_t KeyboardPreview::KeyState(int led) const {
    return led >= 0 && led < kPreviewLeds ? m_keyState[led] : 0;
}

uint8_t KeyboardPreview::KeyHeld(int led) const {
    return led >= 0 && led < kPreviewLeds ? m_keyHeld[led] : 0;
}

uint8_t KeyboardPreview::PulsePhase(int led) const {
    return led >= 0 && led < kPreviewLeds ? m_pulsePhase[led] : 0;
}

void KeyboardPreview::SetKeyState(int led, uint8_t state) {
    if (led >= 0 && led < kPreviewLeds) {
        m_keyState[led] = state;
    }
}

// --- state and masks ----------------------------------------------------------------------

void KeyboardPreview::ResetPreview() {
    m_engine.SetPhase(0);
    m_sweepState = 0;
    for (int k = 0; k < kPreviewLeds; ++k) {
        m_keys.SetLevel(k, 0);
    }
    m_upLeft.fill(0);
    m_upRight.fill(0);
    m_downRight.fill(0);
    m_downLeft.fill(0);
}

void KeyboardPreview::SpreadHues() {
    uint8_t s = 0;
    for (int k = 0; k < kPreviewLeds; ++k) {
        s = static_cast<uint8_t>(s < 160 || s > 222 ? s + 33 : s + 97);
        m_keys.SetHue(k, s);
    }
}

uint8_t KeyboardPreview::MaskUnion(int column) const {
    return m_upLeft[column] | m_upRight[column] | m_downRight[column] | m_downLeft[column];
}

void KeyboardPreview::SetAllMasks(int column, int bit) {
    const auto value = static_cast<uint8_t>(1u << bit);
    m_upLeft[column] |= value;
    m_upRight[column] |= value;
    m_downRight[column] |= value;
    m_downLeft[column] |= value;
}

void KeyboardPreview::LightMaskedKeys() {
    const bool multi = m_engine.GetLightingParams().multi != 0;
    for (int x = 0; x < kLayoutColumns; ++x) {
        const uint8_t bits = MaskUnion(x);
        for (int y = 0; y < device::kLayoutRows; ++y) {
            if (bits & (1u << y)) {
                Light(kColumnLayout[x][y], multi);
            }
        }
    }
}

// Up masks move towards row 0 (a right shift), down masks towards row 5 and
// beyond; left masks take the column on their right, right masks the column
// on their left. Bits pushed past either end of a byte are gone.
void KeyboardPreview::SpreadMasks() {
    const Mask upLeft = m_upLeft;
    const Mask upRight = m_upRight;
    const Mask downRight = m_downRight;
    const Mask downLeft = m_downLeft;
    constexpr int kLast = kMaskBytes - 1;
    for (int x = 0; x < kMaskBytes; ++x) {
        m_upLeft[x] = static_cast<uint8_t>((upLeft[x] >> 1) | (x < kLast ? upLeft[x + 1] : 0));
        m_upRight[x] = static_cast<uint8_t>((upRight[x] >> 1) | (x > 0 ? upRight[x - 1] : 0));
        m_downRight[x] = static_cast<uint8_t>((downRight[x] << 1) | (x > 0 ? downRight[x - 1] : 0));
        m_downLeft[x] =
            static_cast<uint8_t>((downLeft[x] << 1) | (x < kLast ? downLeft[x + 1] : 0));
    }
}

void KeyboardPreview::ShiftMasksSideways() {
    const Mask upRight = m_upRight;
    const Mask downLeft = m_downLeft;
    constexpr int kLast = kMaskBytes - 1;
    m_upLeft.fill(0);
    m_downRight.fill(0);
    for (int x = 0; x < kMaskBytes; ++x) {
        m_downLeft[x] = x < kLast ? downLeft[x + 1] : 0;
        m_upRight[x] = x > 0 ? upRight[x - 1] : 0;
    }
}

void KeyboardPreview::SeedKeyRipple(int key, int event) {
    if (event != kKeyPressed) {
        return;
    }
    const Position at = Find(key);
    if (at.x >= 0) {
        SetAllMasks(at.x, at.y);
    }
}

void KeyboardPreview::SeedRowRipple(int key, int event) {
    SeedKeyRipple(key, event);
}

}  // namespace keyboard
