#include "device/lighting_key_levels.h"

#include <algorithm>

namespace device {
namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr uint8_t kLit = 255;

template <size_t N>
uint8_t Read(const std::array<std::atomic<uint8_t>, N>& values, int index) {
    if (index < 0 || index >= static_cast<int>(N)) {
        return 0;
    }
    return values[static_cast<size_t>(index)].load(kRelaxed);
}

template <size_t N>
void Write(std::array<std::atomic<uint8_t>, N>& values, int index, uint8_t value) {
    if (index >= 0 && index < static_cast<int>(N)) {
        values[static_cast<size_t>(index)].store(value, kRelaxed);
    }
}

uint8_t Decayed(uint8_t v, bool fineTail) {
    if (v >= 128) {
        return v - 40;
    }
    if (v >= 64) {
        return v - 30;
    }
    if (v >= 32) {
        return v - 10;
    }
    if (v >= 17) {
        return v - 8;
    }
    if (v == 0) {
        return 0;
    }
    if (fineTail) {
        return v - 1;
    }
    return v > 4 ? v - 4 : 0;
}

}  // namespace

uint8_t KeyLevels::Level(int index) const {
    return Read(m_levels, index);
}
void KeyLevels::SetLevel(int index, uint8_t level) {
    Write(m_levels, index, level);
}
uint8_t KeyLevels::Hue(int index) const {
    return Read(m_hues, index);
}
void KeyLevels::SetHue(int index, uint8_t hue) {
    Write(m_hues, index, hue);
}
uint8_t KeyLevels::Ring(int index) const {
    return Read(m_ring, index);
}
void KeyLevels::SetRing(int index, uint8_t value) {
    Write(m_ring, index, value);
}

void KeyLevels::DecayKeyLevel(int index, bool fineTail) {
    SetLevel(index, Decayed(Level(index), fineTail));
}

void KeyLevels::IgniteRing(RingIgnition ignition, int ledCount) {
    int first = 0;
    int count = 9;
    if (ignition != RingIgnition::FirstNine) {
        first = ignition == RingIgnition::PerLedShifted ? 1 : 0;
        count = std::max(ledCount, 0);
    }
    // The ring and the key levels both bound the walk, whatever the LED count.
    const int end = std::min(first + count, kRingSize);
    for (int i = first; i < end; ++i) {
        if (Ring(i) != 0) {
            SetLevel(i, kLit);
        }
    }
}

void KeyLevels::RotateRing(bool forward) {
    RotateRingPrefix(kRingSize, forward);
}

void KeyLevels::RotateRingPrefix(int length, bool forward) {
    const int n = std::min(length, kRingSize);
    if (n < 2) {
        return;
    }
    if (forward) {
        const uint8_t last = Ring(n - 1);
        for (int i = n - 1; i > 0; --i) {
            SetRing(i, Ring(i - 1));
        }
        SetRing(0, last);
    } else {
        const uint8_t first = Ring(0);
        for (int i = 0; i < n - 1; ++i) {
            SetRing(i, Ring(i + 1));
        }
        SetRing(n - 1, first);
    }
}

void KeyLevels::ClearKeyLevels() {
    for (auto& level : m_levels) {
        level.store(0, kRelaxed);
    }
    for (auto& entry : m_ring) {
        entry.store(0, kRelaxed);
    }
}

}  // namespace device
