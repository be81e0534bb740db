#pragma once
// Per-key glow levels and hues of the reactive effects, and the ring of 23
// column values that carries a ripple round the device.
//
// Threads: the lighting thread runs the frames that read and decay the
// levels, while key events (input thread) and mode changes (UI thread) light
// or clear them. Every value is a relaxed atomic byte, so these writers never
// race in the language's sense; an event that lands in the middle of a frame
// shows in that frame or the next.

#include <array>
#include <atomic>
#include <cstdint>

namespace device {

// How IgniteRing turns ring entries into lit keys.
enum class RingIgnition {
    FirstNine,      // ring[i] lights key i, for i = 0 ... 8
    PerLed,         // ring[i] lights key i, for every LED i of the device
    PerLedShifted,  // ring[i + 1] lights key i + 1, for every LED i of the device
};

class KeyLevels {
  public:
    static constexpr int kKeyCount = 126;
    static constexpr int kRingSize = 23;

    // Out-of-range indices read 0 and ignore writes.
    uint8_t Level(int index) const;
    void SetLevel(int index, uint8_t level);
    uint8_t Hue(int index) const;
    void SetHue(int index, uint8_t hue);
    uint8_t Ring(int index) const;
    void SetRing(int index, uint8_t value);

    // Lowers one level a step: fast while bright, slowly near dark. With
    // fineTail the last 16 steps go one at a time, otherwise four at a time.
    void DecayKeyLevel(int index, bool fineTail);
    // Lights (255) the keys whose ring entries are non-zero; ledCount bounds
    // the per-LED variants.
    void IgniteRing(RingIgnition ignition, int ledCount);
    // Moves every ring entry one place: forward towards higher indices (the
    // last entry wraps to 0), backward towards lower ones.
    void RotateRing(bool forward);
    // The same on the first length entries only (above 23 counts as 23).
    void RotateRingPrefix(int length, bool forward);
    // Every level and ring entry back to 0; hues are kept.
    void ClearKeyLevels();

  private:
    std::array<std::atomic<uint8_t>, kKeyCount> m_levels{};
    std::array<std::atomic<uint8_t>, kKeyCount> m_hues{};
    std::array<std::atomic<uint8_t>, kRingSize> m_ring{};
};

}  // namespace device
