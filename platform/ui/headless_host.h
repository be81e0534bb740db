#pragma once
// Runs the model without a display.
//
// In tests: a virtual clock. AdvanceBy(ms) moves time forward step by step,
// firing every timer that falls due on the way in due order (and running the
// calls queued meanwhile); RunPending runs queued calls without moving time;
// RunUntil serves calls from workers in real time until a condition holds.
//
// For tools and runs without a display: the real clock and a blocking loop
// (Run) that ends with Quit; modal windows then run a nested loop until they
// close.
//
// The constructing thread is the UI thread. The host owns the dispatcher,
// the clock, the language table, the control factory and a
// RecordingHostOperations; windows created with Context() must be destroyed
// before the host.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "platform/ui/clock.h"
#include "platform/ui/control_factory.h"
#include "platform/ui/dispatcher.h"
#include "platform/ui/language_table.h"
#include "platform/ui/recording_host_operations.h"
#include "platform/ui/ui_context.h"

namespace ui {

class HeadlessHost {
  public:
    enum class ClockMode { Virtual, Real };

    explicit HeadlessHost(ClockMode mode = ClockMode::Virtual,
                          std::filesystem::path skinFolder = {});
    ~HeadlessHost();
    HeadlessHost(const HeadlessHost&) = delete;
    HeadlessHost& operator=(const HeadlessHost&) = delete;

    UiContext& Context() { return *m_context; }
    Dispatcher& GetDispatcher() { return *m_dispatcher; }
    Clock& GetClock() { return *m_clock; }
    // Null in real-clock mode.
    VirtualClock* GetVirtualClock() { return m_virtual; }
    RecordingHostOperations& Host() { return m_host; }
    LanguageTable& Language() { return m_language; }
    ControlFactory& Factory() { return m_factory; }

    // Virtual clock: moves time forward by `ms`, firing due timers in order
    // and running queued calls at each step. In real-clock mode it processes
    // the loop for `ms` of real time.
    void AdvanceBy(int64_t ms);
    // Runs queued calls and the timers due now until nothing is left to do
    // (bounded, so a call that keeps queueing calls cannot hang a test).
    size_t RunPending();
    // Serves the loop in real time until `done` returns true or `timeoutMs`
    // passes; returns done().
    bool RunUntil(const std::function<bool()>& done, int64_t timeoutMs);
    // The blocking loop (real clock), until Quit.
    void Run();
    void Quit();

  private:
    int RunModalLoop(Window& window);

    std::unique_ptr<Clock> m_clock;
    VirtualClock* m_virtual = nullptr;
    std::unique_ptr<Dispatcher> m_dispatcher;
    RecordingHostOperations m_host;
    LanguageTable m_language;
    ControlFactory m_factory;
    std::unique_ptr<UiContext> m_context;
};

}  // namespace ui
