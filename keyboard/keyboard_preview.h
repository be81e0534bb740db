#pragma once
// The keyboard's lighting preview: the keyboard runs its lighting effects
// itself, and this engine computes the same effects on the host, frame by
// frame, so that the page shows what the keyboard shows. It draws into the
// device object's lighting engine (frame, phase, key levels and hues) and
// adds the keyboard's own state: the per-key state of the reactive modes,
// the four direction masks of the ripples, the pulse phases, and the
// custom colours of mode 20.
//
// LEDs are numbered as the page's key buttons (0-125); positions (x, y) are
// column x (0-22) and row y (0-5) of the engine's column layout.
//
// Threads:
// - The lighting thread runs Pass (and every frame operation, which tests
//   may also call directly while no thread runs). It alone writes the
//   preview state; it notices a change of the lighting mode itself and
//   resets the state for the new mode.
// - The keyboard's input thread posts key events (PostKeyEvent); they wait
//   in a lock-free queue and are applied at the start of the next pass, so
//   an event is never half-applied to a frame and never lost to one.
// - The UI thread sets the custom colours' red, green and blue, the ZZCC
//   mode and whether the light list animates; the lighting thread sets the
//   custom colours' alpha. Each value is its own atomic.

#include <array>
#include <atomic>
#include <cstdint>

#include "device/lighting_engine.h"
#include "device/lighting_tables.h"
#include "keyboard/keyboard_tables.h"
#include "profile/light_records.h"

namespace keyboard {

// Modes with a preparation or key events of their own.
inline constexpr uint8_t kModeKeyGlow = 7;
inline constexpr uint8_t kModeKeyRipple = 8;
inline constexpr uint8_t kModeRowRipple = 9;
inline constexpr uint8_t kModeCentreBounce = 13;
inline constexpr uint8_t kModeShow = 14;
inline constexpr uint8_t kModeTablePulse = 15;
inline constexpr uint8_t kModeCornerBounce = 16;
inline constexpr uint8_t kModeZoneColour = 17;
inline constexpr uint8_t kModeCustomColors = 20;
inline constexpr uint8_t kModeStaggeredPulse = 21;
inline constexpr uint8_t kModeSplash = 24;

// Key events, as the reactive modes take them.
inline constexpr int kKeyPressed = 1;
inline constexpr int kKeyReleased = 2;

// Per-key states of modes 7 and 24.
inline constexpr uint8_t kKeyIdle = 0;
inline constexpr uint8_t kKeyRising = 1;
inline constexpr uint8_t kKeyFalling = 2;

class KeyboardPreview {
  public:
    static constexpr int kMaskBytes = kLayoutColumns;
    static constexpr size_t kEventQueueSize = 64;
    // Modes without a row play the custom effect steps on every pass.
    static constexpr int kNoRow = -1;
    using Mask = std::array<uint8_t, kMaskBytes>;

    explicit KeyboardPreview(device::LightingEngine& engine, uint32_t seed = 0x5eed);

    // --- any thread ---------------------------------------------------------
    // The frame threshold of a mode at a speed, in counter units; kNoRow for
    // a mode without a row. Speeds above 4 count as 4.
    static int Threshold(uint8_t mode, uint8_t speed);

    // Queues a key event (LED index, kKeyPressed or kKeyReleased) for the
    // next pass. One producer at a time (the input thread). False when the
    // queue is full and the event was dropped.
    bool PostKeyEvent(int key, int event);

    void SetZzccMode(uint8_t mode) { m_zzcc.store(mode, std::memory_order_relaxed); }
    uint8_t GetZzccMode() const { return m_zzcc.load(std::memory_order_relaxed); }
    // Whether the light list holds entries that change on every pass
    // (breathing, spectrum); the thread then runs a pass every millisecond.
    void SetLayersAnimate(bool animate) { m_layersAnimate.store(animate); }

    // The custom colours of mode 20, one per LED; out-of-range LEDs read as
    // zero and ignore writes. The alpha is the brightness the colour was last
    // shown with (the lighting thread sets it while mode 20 runs).
    CustomColor GetCustomColor(int led) const;
    void SetCustomColor(int led, const CustomColor& color);
    void SetCustomRgb(int led, uint8_t red, uint8_t green, uint8_t blue);

    // --- lighting thread ------------------------------------------------------
    // Restarts the frame timing at `now` (milliseconds) with a zero counter.
    void StartTiming(uint32_t now);
    // One pass of the lighting thread at `now`: applies queued key events,
    // prepares a new mode, advances the counter by 3 for every 2 ms that
    // passed, runs the mode's frame when the counter reached its threshold
    // (or the custom effect player for a mode without a row), lays the light
    // list over the frame and publishes it. Returns the milliseconds until
    // the next pass is due: the time of the next frame, or 1 while the
    // custom effect or the light list need every pass.
    uint32_t Pass(uint32_t now);
    // Runs every pass due from `due` up to `now`, each at its own time (at
    // most 64; further behind, it goes on from now), and sets `due` to the
    // next one. Returns the milliseconds to wait: at least `minWaitMs` while
    // frames come by the tick table, 1 while the clock drives them.
    uint32_t PassesUntil(uint32_t& due, uint32_t now, uint32_t minWaitMs);
    // Drops queued key events (before the thread starts).
    void DiscardKeyEvents();

    // Mode change: ResetPreview and the new mode's preparation.
    void ChangeMode(uint8_t mode);
    // The frame operation of a mode's row; nothing for a mode without one.
    void RunFrame(uint8_t mode);
    // Routes a key event by the current lighting mode (7, 8, 9 and 24 react).
    void DispatchKeyEvent(int key, int event);

    void ResetPreview();
    void SpreadHues();
    void LightMaskedKeys();
    void SpreadMasks();
    void ShiftMasksSideways();

    void FrameColumnWave();
    void FrameRowWave();
    void FramePathWave();
    void FramePathSweep();
    void PrepareStaggeredPulse();
    void FrameStaggeredPulse();
    void FrameSparkle();
    void PrepareTablePulse();
    void FrameTablePulse();
    void FrameCustomColors();
    static uint8_t PathLookup(uint8_t led);
    void FrameRingRainbow();
    void FrameColumnDrift();
    void SeedCornerBounce();
    void FrameCornerBounce();
    void SeedRowRipple(int key, int event);
    void FrameRowRipple();
    void SeedKeyRipple(int key, int event);
    void FrameKeyRipple();
    void FrameSnake();
    void KeyGlowEvent(int key, int event);
    void FrameKeyGlow();
    void SplashEvent(int key, int event);
    bool IsNeighbourHeld(int column, int row, int key) const;
    void SeedCentreBounce();
    void FrameCentreBounce();
    void FrameShow();
    void FrameZoneColour();
    void FrameHueCycle();

    // State (lighting thread, or a test while no thread runs).
    uint8_t SweepState() const { return m_sweepState; }
    const Mask& UpLeftMask() const { return m_upLeft; }
    const Mask& UpRightMask() const { return m_upRight; }
    const Mask& DownRightMask() const { return m_downRight; }
    const Mask& DownLeftMask() const { return m_downLeft; }
    uint8_t KeyState(int led) const;
    uint8_t KeyHeld(int led) const;
    uint8_t PulsePhase(int led) const;
    void SetKeyState(int led, uint8_t state);
    int Counter() const { return m_counter; }

  private:
    struct ModeRow;
    static const ModeRow* FindRow(uint8_t mode);
    struct Position {
        int x = -1;
        int y = -1;
    };
    // First position of `key` in the column layout, columns then rows.
    static Position Find(int key);
    static uint8_t LayoutAt(int x, int y);  // kNoLed outside the layout
    uint8_t Random(uint8_t modulus);
    uint8_t Brightness() const;
    void SetLed(int led, const device::Rgb& colour, uint8_t alpha);
    // Lights LED k for the glow: level 255 and, with multi-colour, a new hue.
    void Light(int led, bool multi);
    // The glow colour of a key at its level.
    void ShowGlow(int led, const device::LightingParams& p, uint8_t brightness);
    void DecayAndGlowAll();
    void DecayAndGlowPath();
    void SetAllMasks(int column, int bit);
    uint8_t MaskUnion(int column) const;
    void Raise(int x, int y, int amount);
    void Lower(int x, int y, int amount);
    void ApplyKeyEvents();
    uint32_t NextPassIn(uint32_t now, int threshold) const;

    device::LightingEngine& m_engine;
    device::KeyLevels& m_keys;
    uint32_t m_random;  // xorshift state, never 0

    // Lighting-thread state.
    uint8_t m_sweepState = 0;
    Mask m_upLeft{};
    Mask m_upRight{};
    Mask m_downRight{};
    Mask m_downLeft{};
    std::array<uint8_t, kPreviewLeds> m_keyState{};
    std::array<uint8_t, kPreviewLeds> m_keyHeld{};
    std::array<uint8_t, kPreviewLeds> m_pulsePhase{};
    int m_lastMode = -1;
    uint32_t m_last = 0;
    int m_counter = 0;

    // Shared with the other threads.
    std::atomic<uint8_t> m_zzcc{0};
    std::atomic<bool> m_layersAnimate{false};
    std::array<std::atomic<uint32_t>, kPreviewLeds> m_customRgb{};
    std::array<std::atomic<uint8_t>, kPreviewLeds> m_customAlpha{};
    std::array<std::atomic<uint16_t>, kEventQueueSize> m_events{};
    std::atomic<size_t> m_eventHead{0};  // next to read (lighting thread)
    std::atomic<size_t> m_eventTail{0};  // next to write (input thread)
};

}  // namespace keyboard
