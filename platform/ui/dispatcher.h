#pragma once
// The UI thread's loop: a queue of calls from any thread and the timers.
//
// Post(task) queues a call and returns at once. Send(task) runs the call on
// the UI thread and waits until it has run; called on the UI thread itself it
// runs inline. Both return false when the dispatcher is closed (the call will
// never run), so a worker is never left waiting on a loop that has ended.
// Calls run in the order they were queued.
//
// While the UI thread waits for something (a worker to stop, Worker::Stop),
// it keeps serving Send calls (ServeSends), so a worker that sends while it
// is being stopped cannot deadlock the shutdown.
//
// The loop: the headless host drives it (ProcessOnce, Run), the Qt host calls
// ProcessOnce when the wake hook fires or the next timer falls due.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/ui/clock.h"
#include "platform/ui/timer_queue.h"

namespace ui {

class Dispatcher {
  public:
    using Task = std::function<void()>;

    // The constructing thread becomes the UI thread (see BindToCurrentThread).
    explicit Dispatcher(Clock& clock);
    ~Dispatcher();
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    // Makes the calling thread the UI thread.
    void BindToCurrentThread();
    // Lock-free; cheap enough to check on every change of the tree.
    bool IsUiThread() const;
    Clock& GetClock() const { return m_clock; }
    // UI thread only.
    TimerQueue& Timers() { return m_timers; }

    // --- Any thread ---
    bool Post(Task task);
    bool Send(Task task);
    // Asks Run to return; the UI thread finishes the call it is in first.
    void Quit();
    bool IsQuitRequested() const;
    // Stops taking calls: every queued Send returns false to its waiting
    // thread, queued posts are dropped, later Post/Send return false.
    void Close();
    bool IsClosed() const;
    // Wakes a thread blocked in WaitForWork / Run.
    void Wake();
    // Called (from any thread) whenever new work is queued or Wake/Quit is
    // called; a toolkit host uses it to schedule ProcessOnce on its own loop.
    void SetWakeHook(std::function<void()> hook);

    // --- UI thread ---
    // Runs the calls queued before this call (calls they queue wait for the
    // next round). Returns how many ran.
    size_t RunPending();
    // Runs only queued Send calls, leaving posts queued in order.
    size_t ServeSends();
    // Fires the timers due at the clock's current time, in due order.
    size_t RunDueTimers();
    // RunPending, then RunDueTimers.
    size_t ProcessOnce();
    // Blocks (real time) until a call is queued, Wake/Quit is called, or
    // maxWaitMs passes; returns at once when calls are already queued.
    void WaitForWork(int64_t maxWaitMs);
    // Blocks like WaitForWork, but only for queued Send calls.
    void WaitForSends(int64_t maxWaitMs);
    // Milliseconds until the next timer is due (0 when overdue), or nullopt.
    std::optional<int64_t> TimeToNextTimer() const;
    // The loop: processes calls and timers until Quit. With a virtual clock
    // it only waits for calls (time does not pass by itself). Clears the quit
    // request on return.
    void Run();
    bool HasPendingCalls() const;

  private:
    struct SendState;
    struct Item {
        Task task;
        std::shared_ptr<SendState> send;  // null for posts
    };

    void RunItem(Item& item);
    void NotifyWork(std::unique_lock<std::mutex>& lock);

    Clock& m_clock;
    TimerQueue m_timers;
    std::atomic<std::thread::id> m_uiThread;
    mutable std::mutex m_mutex;
    std::condition_variable m_workCv;
    std::deque<Item> m_queue;
    size_t m_pendingSends = 0;
    bool m_quit = false;
    bool m_closed = false;
    uint64_t m_wakeCount = 0;
    std::function<void()> m_wakeHook;
};

}  // namespace ui
