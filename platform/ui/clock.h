#pragma once
// The time source of the UI loop: timers fall due against it. The real clock
// is the monotonic system clock; the virtual clock only moves when a test (or
// the headless host) advances it, so timer behaviour is reproducible.

#include <atomic>
#include <chrono>
#include <cstdint>

namespace ui {

class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary fixed start; never decreases.
    virtual int64_t NowMs() const = 0;
    // Whether time passes by itself (so the loop may sleep until a timer is due).
    virtual bool IsReal() const = 0;
};

class SteadyClock final : public Clock {
  public:
    int64_t NowMs() const override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    bool IsReal() const override { return true; }
};

// Thread-safe to read; advanced on the UI thread by its owner.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(int64_t startMs = 0) : m_now(startMs) {}
    int64_t NowMs() const override { return m_now.load(std::memory_order_acquire); }
    bool IsReal() const override { return false; }
    // Moves the time forward to `ms`; an earlier time is ignored.
    void SetNow(int64_t ms) {
        int64_t cur = m_now.load(std::memory_order_relaxed);
        while (ms > cur && !m_now.compare_exchange_weak(cur, ms, std::memory_order_acq_rel)) {
        }
    }
    void Advance(int64_t ms) { SetNow(NowMs() + (ms > 0 ? ms : 0)); }

  private:
    std::atomic<int64_t> m_now;
};

}  // namespace ui
