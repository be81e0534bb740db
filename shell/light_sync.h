#pragma once
// Synchronised lighting: every device of a group shows one common colour that
// one thread computes step by step, so that all of them breathe, cycle or
// blink together.
//
// A page belongs to the group while its channel's streamPaused flag is set:
// its own lighting thread then computes nothing, and its frame push shows the
// colour the group's thread last handed it (CVeldmarkUSBDevice::PaintSyncColor).
//
// - SyncEffect: the common effect (breath, static, blink, spectrum, off) and
//   its animation state. Plain computation, no threads.
// - LightSync: the thread body. With no group it waits on its stop signal and
//   on Wake() without waking up at all; with a group it runs one effect step
//   each time one is due and paints the step's colour on every page of the
//   group.
//
// Threads: SetParams, SetPages (before the thread starts) and Wake on the UI
// thread; Run on the group's own thread. The parameters are handed over as
// one atomic word, the colours through the pages' atomic colour words, so the
// two threads share nothing else.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "device/lighting_engine.h"
#include "device/lighting_types.h"
#include "platform/ui/worker.h"

class CVeldmarkUSBDevice;

namespace app {

// Effect types of a group, and the lighting modes that stand for them.
enum class SyncType : uint8_t { Breath = 0, Static = 1, Blink = 2, Spectrum = 3, Off = 4 };

// The type a page's lighting mode stands for; none for a mode that has no
// common effect. Keyboards use their own mode numbers (5, 6, 22, 4, 27), mice,
// mousepads and headsets theirs (2, 3, 4, 1, 8).
std::optional<SyncType> SyncTypeOfMode(int kind, int mode);
// The mode that shows `type` on a page of `kind`.
uint8_t SyncModeOf(int kind, SyncType type);

// What the group shows, taken from the record of the page it was started on.
struct SyncParams {
    SyncType type = SyncType::Breath;
    uint8_t brightness = 0;  // level 0-5
    uint8_t speed = 0;       // 0-4
    uint8_t direction = 0;
    uint8_t multiColor = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    friend bool operator==(const SyncParams&, const SyncParams&) = default;
};

class SyncEffect {
  public:
    // Steps counted between two effect steps, by speed 0-4.
    static constexpr uint8_t kStepTicks[5] = {28, 23, 18, 13, 7};
    // A step is counted at most every 2 ms (a tick is counted when the clock
    // has moved on by two or more since the last counted one).
    static constexpr uint32_t kMsPerTick = 2;
    // Time between two effect steps at a speed (out-of-range speeds count as 4).
    static uint32_t StepIntervalMs(uint8_t speed);

    // One step of the effect at time `nowMs`: the colour every LED of the
    // group shows, its alpha the brightness.
    device::LedColor Step(const SyncParams& params, uint32_t nowMs);

    uint8_t Ramp() const { return m_ramp; }
    uint8_t ColorIndex() const { return m_colorIndex; }
    bool BlinkOn() const { return m_blinkOn; }

  private:
    uint8_t m_colorIndex = 0;  // spectrum
    uint8_t m_ramp = 0;        // breath
    uint8_t m_rampColorIndex = 0;
    bool m_blinkOn = false;
    uint8_t m_blinkColorIndex = 0;
    uint32_t m_lastToggle = 0;
};

class LightSync {
  public:
    explicit LightSync(device::MillisecondClock clock = device::SteadyMilliseconds);

    // The pages the group may include, in painting order (mice, mousepads,
    // headsets, keyboards). Before the thread starts.
    void SetPages(std::vector<CVeldmarkUSBDevice*> pages) { m_pages = std::move(pages); }
    void SetParams(const SyncParams& params);
    SyncParams GetParams() const;
    // A group was formed or changed: the thread looks again at once.
    void Wake();

    // The thread body: runs until `stop` is requested.
    void Run(ui::StopSignal& stop);
    // Whether some page is open and in a group.
    bool Active() const;
    // One effect step at `nowMs`, painted on every page of the group; returns
    // the colour painted.
    device::LedColor StepAndPaint(uint32_t nowMs);
    // Hands `color` to every page of the group.
    void Paint(const device::LedColor& color) const;

  private:
    uint64_t Generation();
    // Waits until Wake (since generation `seen`), stop or `timeoutMs` (none:
    // no time limit); true when stopped.
    bool Wait(ui::StopSignal& stop, uint64_t seen, std::optional<uint32_t> timeoutMs);

    device::MillisecondClock m_clock;
    std::vector<CVeldmarkUSBDevice*> m_pages;
    std::atomic<uint64_t> m_params{0};
    SyncEffect m_effect;  // the group's thread only

    std::mutex m_mutex;
    std::condition_variable m_wake;
    uint64_t m_generation = 0;
};

}  // namespace app
