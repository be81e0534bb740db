#pragma once
// Worker threads with a stop signal.
//
// A Worker runs one body on its own thread. The body receives the StopSignal
// and must return soon after the signal is raised: every wait in a worker
// (sleep, poll, blocking read) uses StopSignal::WaitFor or registers a wake
// callback that cancels the blocking call.
//
// Stop() raises the signal and waits up to a bound (1000 ms by default) for
// the body to end. On the UI thread the wait keeps serving the dispatcher's
// Send calls, so a worker that sends to the UI thread while it is being
// stopped cannot deadlock. A thread is never killed: when the bound passes,
// Stop reports TimedOut and the thread is joined later (a new Start is
// refused until then; the destructor waits for it, serving sends).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ui {

class Dispatcher;

class StopSignal {
  public:
    void Request();
    // Clears the signal (Worker::Start does this before starting a body).
    void Reset();
    bool IsRequested() const { return m_requested.load(std::memory_order_acquire); }
    // Waits up to `timeout`; returns true as soon as stop is requested
    // (at once when it already is), false when the time passed.
    bool WaitFor(std::chrono::milliseconds timeout) const;
    // Callbacks run on the thread that requests the stop, once per request;
    // use them to cancel blocking I/O. Returns an id for removal.
    int AddWakeCallback(std::function<void()> callback);
    void RemoveWakeCallback(int id);

  private:
    std::atomic<bool> m_requested{false};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    std::vector<std::pair<int, std::function<void()>>> m_callbacks;
    int m_nextId = 1;
};

enum class StopResult {
    NotRunning,  // nothing was running
    Stopped,     // the body ended within the bound and the thread was joined
    TimedOut,    // the body is still running; it was not killed
};

class Worker {
  public:
    // `ui` (optional) is the dispatcher whose Send calls are served while the
    // UI thread waits for this worker.
    explicit Worker(std::string name, Dispatcher* ui = nullptr);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    const std::string& Name() const { return m_name; }
    // The thread's name from the next Start on (short: "vm-light-pad").
    void SetName(std::string name);
    // Stops a running body first (as Stop). Returns false when a previous
    // body could not be stopped (the new one is not started).
    bool Start(std::function<void(StopSignal&)> body);
    void RequestStop() { m_signal.Request(); }
    // Whether a body has been started and has not ended yet.
    bool IsRunning() const { return m_running.load(std::memory_order_acquire); }
    StopResult Stop(std::chrono::milliseconds bound = std::chrono::milliseconds(1000));
    StopSignal& Signal() { return m_signal; }

  private:
    // Waits until the body ended or `bound` passed; serves sends on the UI thread.
    bool WaitForEnd(std::chrono::milliseconds bound);

    std::string m_name;
    Dispatcher* m_ui;
    StopSignal m_signal;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::mutex m_endMutex;
    std::condition_variable m_endCv;
};

}  // namespace ui
