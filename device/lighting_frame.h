#pragma once
// What leaves the lighting engine: the frame in the two forms the frame push
// needs (bytes for the device stream, colour values for the page's light
// controls), and the hand-over of complete frames from the lighting thread
// to the UI thread.

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "device/lighting_types.h"

namespace device {

// The LED index the stream leaves untouched: that slot of the stream buffer
// keeps whatever it held.
inline constexpr size_t kStreamSkippedLed = 126;

// Resizes buffer to 3 bytes per LED and writes, for every LED but the skipped
// one, red, green and blue scaled by the LED's alpha (c * alpha >> 8).
void FillStreamBuffer(std::span<const LedColor> frame, std::vector<uint8_t>& buffer);

// The colour value a light control shows: red | blue << 8 | green << 16.
uint32_t LightControlColor(const LedColor& led);

// The last complete frame the lighting thread published. Publish and Snapshot
// copy under a small lock, so a reader never sees half of one frame and half
// of the next. Any thread may call any operation.
class SharedFrame {
  public:
    // Replaces the frame by n dark LEDs.
    void Reset(size_t n);
    void Publish(std::span<const LedColor> frame);
    // Copies the frame into out and returns how many frames were published
    // so far (a reader can skip a frame it has already shown).
    uint64_t Snapshot(std::vector<LedColor>& out) const;
    uint64_t Serial() const;

  private:
    mutable std::mutex m_mutex;
    std::vector<LedColor> m_frame;
    uint64_t m_serial = 0;
};

}  // namespace device
