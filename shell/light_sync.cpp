#include "shell/light_sync.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>

#include "device/catalogue.h"
#include "device/lighting_tables.h"
#include "device/usb_device.h"
#include "platform/trace/trace.h"

namespace app {

namespace {

// Lighting modes of each effect type: keyboards, and every other kind.
constexpr uint8_t kKeyboardModes[5] = {5, 6, 22, 4, 27};
constexpr uint8_t kOtherModes[5] = {2, 3, 4, 1, 8};

const uint8_t* ModesOf(int kind) {
    return kind == device::kKindKeyboard ? kKeyboardModes : kOtherModes;
}

uint64_t Pack(const SyncParams& p) {
    return static_cast<uint64_t>(p.type) | static_cast<uint64_t>(p.brightness) << 8 |
           static_cast<uint64_t>(p.speed) << 16 | static_cast<uint64_t>(p.direction) << 24 |
           static_cast<uint64_t>(p.multiColor) << 32 | static_cast<uint64_t>(p.red) << 40 |
           static_cast<uint64_t>(p.green) << 48 | static_cast<uint64_t>(p.blue) << 56;
}

SyncParams Unpack(uint64_t word) {
    auto byte = [word](int i) { return static_cast<uint8_t>(word >> (8 * i)); };
    SyncParams p;
    p.type = static_cast<SyncType>(std::min<uint8_t>(byte(0), 4));
    p.brightness = byte(1);
    p.speed = byte(2);
    p.direction = byte(3);
    p.multiColor = byte(4);
    p.red = byte(5);
    p.green = byte(6);
    p.blue = byte(7);
    return p;
}

device::LedColor Lit(const device::Rgb& rgb, uint8_t alpha) {
    return {rgb.r, rgb.g, rgb.b, alpha};
}

}  // namespace

std::optional<SyncType> SyncTypeOfMode(int kind, int mode) {
    const uint8_t* modes = ModesOf(kind);
    for (uint8_t type = 0; type < 5; ++type) {
        if (modes[type] == mode) {
            return static_cast<SyncType>(type);
        }
    }
    return std::nullopt;
}

uint8_t SyncModeOf(int kind, SyncType type) {
    return ModesOf(kind)[static_cast<uint8_t>(type)];
}

// --- the common effect -------------------------------------------------------------------

uint32_t SyncEffect::StepIntervalMs(uint8_t speed) {
    return kMsPerTick * kStepTicks[std::min<uint8_t>(speed, 4)];
}

device::LedColor SyncEffect::Step(const SyncParams& p, uint32_t nowMs) {
    using device::LightingEngine;
    const uint8_t level = device::BrightnessLevel(p.brightness);
    const device::Rgb stored{p.red, p.green, p.blue};
    switch (p.type) {
        case SyncType::Breath: {
            m_ramp = LightingEngine::StepBy(p.direction, 128, 1, m_ramp);
            device::Rgb color = stored;
            if (p.multiColor != 0) {
                if (m_ramp < 2) {
                    m_rampColorIndex = LightingEngine::StepBy(1, 192, 16, m_rampColorIndex);
                }
                color = device::kColorWheel[m_rampColorIndex];
            }
            return Lit(color, static_cast<uint8_t>(level * device::kBreathCurve[m_ramp] / 256));
        }
        case SyncType::Static:
            return Lit(stored, level);
        case SyncType::Blink: {
            const uint8_t speed = std::min<uint8_t>(p.speed, 4);
            if (nowMs - m_lastToggle >= uint32_t{kStepTicks[speed]} * 200) {
                m_blinkOn = !m_blinkOn;
                m_lastToggle = nowMs;
                m_blinkColorIndex = static_cast<uint8_t>(m_blinkColorIndex + 14);
                if (m_blinkColorIndex >= 192) {
                    m_blinkColorIndex = 0;
                }
            }
            if (!m_blinkOn) {
                return {};
            }
            return Lit(p.multiColor != 0 ? device::kColorWheel[m_blinkColorIndex] : stored, level);
        }
        case SyncType::Spectrum:
            m_colorIndex = LightingEngine::StepBy(1, 192, 1, m_colorIndex);
            return Lit(device::kColorWheel[m_colorIndex], level);
        case SyncType::Off:
            return {};
    }
    return {};
}

// --- the group's thread ------------------------------------------------------------------------

LightSync::LightSync(device::MillisecondClock clock) : m_clock(std::move(clock)) {}

void LightSync::SetParams(const SyncParams& params) {
    m_params.store(Pack(params), std::memory_order_relaxed);
}

SyncParams LightSync::GetParams() const {
    return Unpack(m_params.load(std::memory_order_relaxed));
}

void LightSync::Wake() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_generation;
    }
    m_wake.notify_all();
}

bool LightSync::Active() const {
    return std::any_of(m_pages.begin(), m_pages.end(), [](CVeldmarkUSBDevice* page) {
        return page->Channel().IsOpen() && page->Channel().streamPaused.load();
    });
}

void LightSync::Paint(const device::LedColor& color) const {
    for (CVeldmarkUSBDevice* page : m_pages) {
        if (page->Channel().streamPaused.load()) {
            page->PaintSyncColor(color);
        }
    }
}

device::LedColor LightSync::StepAndPaint(uint32_t nowMs) {
    const device::LedColor color = m_effect.Step(GetParams(), nowMs);
    Paint(color);
    return color;
}

uint64_t LightSync::Generation() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_generation;
}

bool LightSync::Wait(ui::StopSignal& stop, uint64_t seen, std::optional<uint32_t> timeoutMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    auto woken = [&] { return stop.IsRequested() || m_generation != seen; };
    if (timeoutMs) {
        m_wake.wait_for(lock, std::chrono::milliseconds(*timeoutMs), woken);
    } else {
        m_wake.wait(lock, woken);
    }
    return stop.IsRequested();
}

// With no group the thread sleeps until a group is formed; with one it wakes
// once per effect step. The step interval is what a loop counting a tick every
// 2 ms would give, without the waking up every millisecond.
void LightSync::Run(ui::StopSignal& stop) {
    pthread_setname_np(pthread_self(), "vm-light-sync");
    const int wake = stop.AddWakeCallback([this] { Wake(); });
    uint32_t nextStep = m_clock();
    while (!stop.IsRequested()) {
        // Read before looking at the pages: a group formed in between is
        // then not missed.
        const uint64_t seen = Generation();
        if (!Active()) {
            if (Wait(stop, seen, std::nullopt)) {
                break;
            }
            nextStep = m_clock();
            continue;
        }
        const uint32_t now = m_clock();
        const auto early = static_cast<int32_t>(nextStep - now);
        if (early > 0) {
            if (Wait(stop, seen, static_cast<uint32_t>(early))) {
                break;
            }
            continue;
        }
        StepAndPaint(now);
        nextStep = now + SyncEffect::StepIntervalMs(GetParams().speed);
    }
    stop.RemoveWakeCallback(wake);
    platform::trace::Write("同步灯光线程设定退出");
}

}  // namespace app
