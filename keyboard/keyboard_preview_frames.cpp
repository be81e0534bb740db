// The frame operations of the keyboard's lighting preview.
#include <algorithm>

#include "device/lighting_tables.h"
#include "keyboard/keyboard_preview.h"

namespace keyboard {
namespace {

using device::kColorWheel;
using device::kColumnLayout;
using device::kWaveCurve;
using device::LightingEngine;

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr uint8_t kHueCount = 192;
constexpr uint8_t kWaveLength = 96;
constexpr uint8_t kLit = 255;
constexpr uint8_t kSweepLevel = 254;
constexpr uint8_t kSweepRestart = 126;
constexpr uint8_t kRingNone = device::kRingNone;

uint8_t Scale(uint8_t value, uint8_t level) {
    return static_cast<uint8_t>((value * level) >> 8);
}

// Neighbours of a splash: offset, how far a press raises them and how far
// a release lowers them.
struct Neighbour {
    int dx;
    int dy;
    int raise;
    int lower;
};
constexpr std::array<Neighbour, 12> kSplashNeighbours = {{
    {0, -1, 150, 15},
    {0, 1, 150, 15},
    {-1, 0, 150, 15},
    {1, 0, 150, 15},
    {0, -2, 90, 90},
    {0, 2, 90, 90},
    {-1, -1, 90, 90},
    {-1, 1, 90, 90},
    {1, -1, 90, 90},
    {1, 1, 90, 90},
    {-2, 0, 60, 90},
    {2, 0, 60, 90},
}};

}  // namespace

// --- waves -----------------------------------------------------------------------------------

void KeyboardPreview::FrameColumnWave() {
    const device::LightingParams p = m_engine.GetLightingParams();
    const uint8_t b = device::BrightnessLevel(p.brightness);
    if (p.multi) {
        const uint8_t phase = LightingEngine::Step(p.direction, kHueCount, m_engine.Phase());
        m_engine.SetPhase(phase);
        int h = (phase + 1) % kHueCount;
        for (int x = 0; x < kLayoutColumns; ++x) {
            for (const uint8_t led : kColumnLayout[x]) {
                SetLed(led, kColorWheel[h], b);
            }
            h = (h + 7) % kHueCount;
        }
        return;
    }
    const uint8_t phase = LightingEngine::Step(p.direction, kWaveLength, m_engine.Phase());
    m_engine.SetPhase(phase);
    int w = (phase + 1) % kWaveLength;
    for (int x = 0; x < kLayoutColumns; ++x) {
        for (const uint8_t led : kColumnLayout[x]) {
            SetLed(led, {p.red, p.green, p.blue}, Scale(b, kWaveCurve[w]));
        }
        w = (w + 7) % kWaveLength;
    }
}

void KeyboardPreview::FrameRowWave() {
    const device::LightingParams p = m_engine.GetLightingParams();
    const uint8_t b = device::BrightnessLevel(p.brightness);
    if (p.multi) {
        const uint8_t phase = LightingEngine::Step(p.direction, kHueCount, m_engine.Phase());
        m_engine.SetPhase(phase);
        int h = (phase + 1) % kHueCount;
        for (int y = 0; y < device::kLayoutRows; ++y) {
            for (int x = 0; x < kLayoutColumns; ++x) {
                SetLed(kColumnLayout[x][y], kColorWheel[h], b);
            }
            h = (h + 21) % kHueCount;
        }
        return;
    }
    const uint8_t phase = LightingEngine::Step(p.direction, kWaveLength, m_engine.Phase());
    m_engine.SetPhase(phase);
    int w = (phase + 1) % kWaveLength;
    for (int y = 0; y < device::kLayoutRows; ++y) {
        for (int x = 0; x < kLayoutColumns; ++x) {
            SetLed(kColumnLayout[x][y], {p.red, p.green, p.blue}, Scale(b, kWaveCurve[w]));
        }
        w = (w + 7) % kWaveLength;
    }
}

void KeyboardPreview::FramePathWave() {
    const device::LightingParams p = m_engine.GetLightingParams();
    const uint8_t b = device::BrightnessLevel(p.brightness);
    if (p.multi) {
        const uint8_t phase = LightingEngine::Step(p.direction, kHueCount, m_engine.Phase());
        m_engine.SetPhase(phase);
        int h = phase;
        for (const uint8_t led : kPathOrder) {
            if (led < kNoLed) {
                SetLed(led, kColorWheel[h], b);
                h = (h + 5) % kHueCount;
            }
        }
        return;
    }
    const uint8_t phase = LightingEngine::Step(p.direction, kWaveLength, m_engine.Phase());
    m_engine.SetPhase(phase);
    int w = phase;
    for (const uint8_t led : kPathOrder) {
        if (led < kNoLed) {
            SetLed(led, {p.red, p.green, p.blue}, Scale(b, kWaveCurve[w]));
            w = (w + 5) % kWaveLength;
        }
    }
}

void KeyboardPreview::FrameColumnDrift() {
    const device::LightingParams p = m_engine.GetLightingParams();
    const uint8_t b = device::BrightnessLevel(p.brightness);
    if (p.multi) {
        const uint8_t phase = LightingEngine::Step(p.direction, kHueCount, m_engine.Phase());
        m_engine.SetPhase(phase);
        int h = phase;
        for (int x = 0; x < kLayoutColumns; ++x) {
            for (const uint8_t led : kColumnLayout[x]) {
                SetLed(led, kColorWheel[h], b);
            }
            h = (h + 2) % kHueCount;
        }
        return;
    }
    const uint8_t phase = LightingEngine::Step(p.direction, kWaveLength, m_engine.Phase());
    m_engine.SetPhase(phase);
    int w = phase;
    for (int x = 0; x < kLayoutColumns; ++x) {
        for (const uint8_t led : kColumnLayout[x]) {
            SetLed(led, {p.red, p.green, p.blue}, Scale(b, kPulseCurve[w]));
        }
        w = (w + 1) % kWaveLength;
    }
}

void KeyboardPreview::FrameRingRainbow() {
    const device::LightingParams p = m_engine.GetLightingParams();
    const uint8_t b = device::BrightnessLevel(p.brightness);
    const uint8_t phase = LightingEngine::Step(p.direction, kHueCount, m_engine.Phase());
    m_engine.SetPhase(phase);
    int h = phase;
    for (const auto& row : device::kRingLayout) {
        h = (h + 14) % kHueCount;
        for (const uint8_t led : row) {
            if (led != kRingNone && PathLookup(led) < kNoLed) {
                SetLed(led, kColorWheel[h], b);
            }
        }
    }
}

uint8_t KeyboardPreview::PathLookup(uint8_t led) {
    // Which LEDs the path holds, worked out once instead of searched per call.
    static const std::array<bool, 256> kOnPath = [] {
        std::array<bool, 256> onPath{};
        for (const uint8_t entry : kPathOrder) {
            onPath[entry] = entry < kNoLed;
        }
        return onPath;
    }();
    return kOnPath[led] ? led : kNoLed;
}

// --- sweeps, sparkles and pulses ----------------------------------------------------------------

// Forwards the sweep lights one entry per frame and rests one frame after
// the last; backwards it starts from entry 126 (LED 0) and rests at 0.
void KeyboardPreview::FramePathSweep() {
    const device::LightingParams p = m_engine.GetLightingParams();
    const uint8_t i = m_engine.Phase();
    const bool lights = p.direction != 0 ? i <= 125 : i != 0;
    if (lights && i < kSweepOrder.size() && kSweepOrder[i] < kNoLed) {
        m_keys.SetLevel(kSweepOrder[i], kSweepLevel);
    }
    if (p.direction != 0) {
        m_engine.SetPhase(i > 125 ? 0 : static_cast<uint8_t>(i + 1));
    } else {
        m_engine.SetPhase(i != 0 ? static_cast<uint8_t>(i - 1) : kSweepRestart);
    }
    DecayAndGlowPath();
}

void KeyboardPreview::FrameSparkle() {
    for (int n = 0; n < 6; ++n) {
        const uint8_t led = kPathOrder[kSparkleOrder[Random(kSparkleOrder.size())]];
        m_keys.SetHue(led, Random(kHueCount));
        m_keys.SetLevel(led, kLit);
    }
    DecayAndGlowAll();
}

void KeyboardPreview::PrepareStaggeredPulse() {
    for (int x = 0; x < kLayoutColumns; ++x) {
        auto v = static_cast<uint8_t>(192 - 8 * x);
        for (int y = 0; y < kLayout7Rows; ++y) {
            v = static_cast<uint8_t>(v >= 35 ? v - 35 : v + 158);
            const uint8_t led = kColumnLayout7[x][y];
            if (led != kNoEntry) {
                m_pulsePhase[led] = v;
                m_keys.SetHue(led, static_cast<uint8_t>(7 * x));
            }
        }
    }
}

// A phase that reaches the end of the pulse curve starts again with a new
// hue. The preparation can leave a phase at 192 itself, so the wrap is taken
// at 192 or above: a phase must never read past the curve.
void KeyboardPreview::FrameStaggeredPulse() {
    const device::LightingParams p = m_engine.GetLightingParams();
    const uint8_t b = device::BrightnessLevel(p.brightness);
    for (const uint8_t led : kPathOrder) {
        if (led >= kNoLed) {
            continue;
        }
        uint8_t& phase = m_pulsePhase[led];
        ++phase;
        if (phase >= kPulseLength) {
            phase = 0;
            m_keys.SetHue(led, Random(kHueCount));
        }
        const device::Rgb colour =
            p.multi ? kColorWheel[m_keys.Hue(led)] : device::Rgb{p.red, p.green, p.blue};
        SetLed(led, colour, Scale(b, kPulseCurve[phase]));
    }
}

void KeyboardPreview::PrepareTablePulse() {
    for (int x = 0; x < kLayoutColumns; ++x) {
        for (int y = 0; y < kLayout7Rows; ++y) {
            const uint8_t led = kColumnLayout7[x][y];
            if (led != kNoEntry) {
                m_keys.SetLevel(led, kStartPhases[6 * x + y]);
                m_keys.SetHue(led, static_cast<uint8_t>(7 * x));
            }
        }
    }
}

void KeyboardPreview::FrameTablePulse() {
    const device::LightingParams p = m_engine.GetLightingParams();
    const uint8_t b = device::BrightnessLevel(p.brightness);
    for (const uint8_t led : kPathOrder) {
        if (led >= kNoLed) {
            continue;
        }
        auto level = static_cast<uint8_t>(m_keys.Level(led) + 2);
        if (level >= kPulseLength) {
            level = 0;
            m_keys.SetHue(led, Random(kHueCount));
        }
        m_keys.SetLevel(led, level);
        const device::Rgb colour =
            p.multi ? kColorWheel[m_keys.Hue(led)] : device::Rgb{p.red, p.green, p.blue};
        SetLed(led, colour, Scale(b, kPulseCurve[level]));
    }
}

// The colours stay as the user painted them; only the brightness follows the
// lighting record, and the colours remember it as their alpha.
void KeyboardPreview::FrameCustomColors() {
    const uint8_t b = Brightness();
    for (int k = 0; k < kPreviewLeds; ++k) {
        m_customAlpha[k].store(b, kRelaxed);
        const CustomColor c = GetCustomColor(k);
        SetLed(k, {c.red, c.green, c.blue}, b);
    }
}

void KeyboardPreview::FrameZoneColour() {
    static constexpr std::array<uint8_t, 4> kZonePhase = {174, 25, 70, 95};
    const uint8_t zzcc = GetZzccMode();
    const uint8_t phase = zzcc < kZonePhase.size() ? kZonePhase[zzcc] : kZonePhase[0];
    m_engine.SetPhase(phase);
    const uint8_t b = Brightness();
    for (int k = 0; k < kPreviewLeds; ++k) {
        SetLed(k, kColorWheel[phase], b);
    }
}

void KeyboardPreview::FrameHueCycle() {
    const uint8_t b = Brightness();
    for (int k = 0; k < kPreviewLeds; ++k) {
        auto hue = static_cast<uint8_t>(m_keys.Hue(k) + 1);
        if (hue >= kHueCount) {
            hue = 0;
        }
        m_keys.SetHue(k, hue);
        SetLed(k, kColorWheel[hue], b);
    }
}

void KeyboardPreview::FrameSnake() {
    const device::LightingParams p = m_engine.GetLightingParams();
    const uint8_t b = device::BrightnessLevel(p.brightness);
    const uint8_t phase = LightingEngine::Step(p.direction, kSnakeRows, m_engine.Phase());
    m_engine.SetPhase(phase);
    for (const uint8_t led : kSnakeFrames[phase]) {
        if (led < kNoLed) {
            m_keys.SetLevel(led, kLit);
            m_keys.SetHue(led, 0);
        }
    }
    for (int k = 0; k < kPreviewLeds; ++k) {
        const uint8_t level = m_keys.Level(k);
        m_keys.SetLevel(k, level > 5 ? level - 5 : 0);
        const uint8_t hue = m_keys.Hue(k);
        if (hue < 255) {
            m_keys.SetHue(k, static_cast<uint8_t>(hue + 3));
        }
        if (p.multi) {
            SetLed(k, kColorWheel[m_keys.Hue(k)], b);
        } else {
            SetLed(k, {p.red, p.green, p.blue}, Scale(b, m_keys.Level(k)));
        }
    }
}

// --- bounces and ripples ---------------------------------------------------------------------

void KeyboardPreview::SeedCornerBounce() {
    SetAllMasks(1, 0);
}

void KeyboardPreview::FrameCornerBounce() {
    if (MaskUnion(1) == 0x01) {
        SetAllMasks(1, 0);
    }
    if (MaskUnion(kMaskBytes - 1) == 0x40) {
        SetAllMasks(kMaskBytes - 1, 6);
    }
    LightMaskedKeys();
    SpreadMasks();
    DecayAndGlowPath();
}

void KeyboardPreview::SeedCentreBounce() {
    SetAllMasks(9, 6);
}

void KeyboardPreview::FrameCentreBounce() {
    const uint8_t m = MaskUnion(9);
    if (m == 0x01) {
        SetAllMasks(9, 0);
    } else if (m == 0x40) {
        SetAllMasks(9, 6);
    }
    if (m_sweepState > 1) {
        m_sweepState = 0;
        LightMaskedKeys();
        SpreadMasks();
    }
    ++m_sweepState;
    DecayAndGlowAll();
}

void KeyboardPreview::FrameRowRipple() {
    LightMaskedKeys();
    ShiftMasksSideways();
    DecayAndGlowAll();
}

void KeyboardPreview::FrameKeyRipple() {
    LightMaskedKeys();
    SpreadMasks();
    DecayAndGlowAll();
}

// --- key glow and splash -------------------------------------------------------------------------

void KeyboardPreview::KeyGlowEvent(int key, int event) {
    if (key < 0 || key >= kNoLed) {
        return;
    }
    m_keyState[key] = static_cast<uint8_t>(event);
    m_keys.SetLevel(key, kLit);
}

void KeyboardPreview::FrameKeyGlow() {
    const device::LightingParams p = m_engine.GetLightingParams();
    const uint8_t b = device::BrightnessLevel(p.brightness);
    for (int k = 0; k < kPreviewLeds; ++k) {
        const uint8_t level = m_keys.Level(k);
        if (m_keyState[k] == kKeyRising) {
            m_keys.SetLevel(k, static_cast<uint8_t>(std::min(255, level + 15)));
        } else if (m_keyState[k] == kKeyFalling) {
            m_keys.SetLevel(k, static_cast<uint8_t>(std::max(0, level - 5)));
        }
        ShowGlow(k, p, b);
    }
}

void KeyboardPreview::Raise(int x, int y, int amount) {
    const uint8_t led = LayoutAt(x, y);
    if (led < kNoLed) {
        m_keyState[led] = kKeyRising;
        m_keys.SetLevel(led, static_cast<uint8_t>(std::min(255, m_keys.Level(led) + amount)));
    }
}

void KeyboardPreview::Lower(int x, int y, int amount) {
    const uint8_t led = LayoutAt(x, y);
    if (led < kNoLed) {
        m_keyState[led] = kKeyFalling;
        m_keys.SetLevel(led, static_cast<uint8_t>(std::max(0, m_keys.Level(led) - amount)));
    }
}

void KeyboardPreview::SplashEvent(int key, int event) {
    const Position at = Find(key);
    if (at.x < 0) {
        return;
    }
    if (event == kKeyPressed) {
        m_keyState[key] = kKeyRising;
        m_keyHeld[key] = 1;
        m_keys.SetLevel(key, kLit);
        for (const Neighbour& n : kSplashNeighbours) {
            Raise(at.x + n.dx, at.y + n.dy, n.raise);
        }
        return;
    }
    if (event != kKeyReleased) {
        return;
    }
    for (const Neighbour& n : kSplashNeighbours) {
        const int x = at.x + n.dx;
        const int y = at.y + n.dy;
        if (!IsNeighbourHeld(x, y, key)) {
            Lower(x, y, n.lower);
        }
    }
    if (!IsNeighbourHeld(at.x, at.y, key)) {
        m_keyState[key] = kKeyFalling;
    }
    m_keyHeld[key] = 0;
}

bool KeyboardPreview::IsNeighbourHeld(int column, int row, int key) const {
    static constexpr std::array<std::pair<int, int>, 13> kAround = {{
        {0, 0},
        {0, -1},
        {0, 1},
        {0, -2},
        {0, 2},
        {-1, 0},
        {1, 0},
        {-1, -1},
        {-1, 1},
        {1, -1},
        {1, 1},
        {-2, 0},
        {2, 0},
    }};
    for (const auto& [dx, dy] : kAround) {
        const uint8_t led = LayoutAt(column + dx, row + dy);
        if (led < kNoLed && led != key && m_keyHeld[led] == 1) {
            return true;
        }
    }
    return false;
}

// --- the show ------------------------------------------------------------------------------------

void KeyboardPreview::FrameShow() {
    constexpr uint8_t kWaitLed = 72;
    constexpr uint8_t kEndLed = 124;
    constexpr uint8_t kRippleLed = 52;
    const uint8_t phase = m_engine.Phase();
    const bool multi = m_engine.GetLightingParams().multi != 0;
    switch (m_sweepState) {
        case 0:
            for (const uint8_t led : kShowRowTable[phase < kShowRows ? phase : 0]) {
                if (led != kNoEntry) {
                    Light(led, multi);
                }
            }
            if (phase + 1 >= kShowRows) {
                m_engine.SetPhase(0);
                m_sweepState = 1;
            } else {
                m_engine.SetPhase(static_cast<uint8_t>(phase + 1));
            }
            break;
        case 1:
            if (phase <= 30) {
                for (const uint8_t led : kShowPairTable[phase % kShowPairs]) {
                    Light(led, multi);
                }
                m_engine.SetPhase(static_cast<uint8_t>(phase + 1));
            } else if (m_keys.Level(kWaitLed) == 0) {
                m_sweepState = 2;
                m_engine.SetPhase(0);
            }
            break;
        case 2:
            SeedKeyRipple(kRippleLed, kKeyPressed);
            m_sweepState = 3;
            break;
        case 3:
            LightMaskedKeys();
            SpreadMasks();
            if (m_keys.Level(kEndLed) != 0) {
                m_sweepState = 4;
            }
            break;
        default:
            if (m_keys.Level(kEndLed) == 0) {
                m_sweepState = 0;
                m_engine.SetPhase(0);
            }
            break;
    }
    DecayAndGlowAll();
}

}  // namespace keyboard
