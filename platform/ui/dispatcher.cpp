#include "platform/ui/dispatcher.h"

#include <chrono>

namespace ui {

struct Dispatcher::SendState {
    std::mutex mutex;
    std::condition_variable cv;
    bool finished = false;
    bool ran = false;
};

Dispatcher::Dispatcher(Clock& clock) : m_clock(clock), m_uiThread(std::this_thread::get_id()) {}

Dispatcher::~Dispatcher() {
    Close();
}

void Dispatcher::BindToCurrentThread() {
    m_uiThread.store(std::this_thread::get_id());
}

bool Dispatcher::IsUiThread() const {
    return std::this_thread::get_id() == m_uiThread.load(std::memory_order_relaxed);
}

void Dispatcher::NotifyWork(std::unique_lock<std::mutex>& lock) {
    ++m_wakeCount;
    std::function<void()> hook = m_wakeHook;
    lock.unlock();
    m_workCv.notify_all();
    if (hook) {
        hook();
    }
}

bool Dispatcher::Post(Task task) {
    std::unique_lock lock(m_mutex);
    if (m_closed || !task) {
        return false;
    }
    m_queue.push_back(Item{std::move(task), nullptr});
    NotifyWork(lock);
    return true;
}

bool Dispatcher::Send(Task task) {
    if (!task) {
        return false;
    }
    if (IsUiThread()) {
        if (IsClosed()) {
            return false;
        }
        task();
        return true;
    }
    auto state = std::make_shared<SendState>();
    {
        std::unique_lock lock(m_mutex);
        if (m_closed) {
            return false;
        }
        m_queue.push_back(Item{std::move(task), state});
        ++m_pendingSends;
        NotifyWork(lock);
    }
    std::unique_lock wait(state->mutex);
    state->cv.wait(wait, [&] { return state->finished; });
    return state->ran;
}

void Dispatcher::Quit() {
    std::unique_lock lock(m_mutex);
    m_quit = true;
    NotifyWork(lock);
}

bool Dispatcher::IsQuitRequested() const {
    std::lock_guard lock(m_mutex);
    return m_quit;
}

void Dispatcher::Close() {
    std::deque<Item> dropped;
    {
        std::unique_lock lock(m_mutex);
        if (m_closed) {
            return;
        }
        m_closed = true;
        m_pendingSends = 0;
        dropped.swap(m_queue);
        NotifyWork(lock);
    }
    for (Item& item : dropped) {
        if (item.send) {
            std::lock_guard lock(item.send->mutex);
            item.send->finished = true;  // ran stays false: the sender learns it never ran
            item.send->cv.notify_all();
        }
    }
}

bool Dispatcher::IsClosed() const {
    std::lock_guard lock(m_mutex);
    return m_closed;
}

void Dispatcher::Wake() {
    std::unique_lock lock(m_mutex);
    NotifyWork(lock);
}

void Dispatcher::SetWakeHook(std::function<void()> hook) {
    std::lock_guard lock(m_mutex);
    m_wakeHook = std::move(hook);
}

void Dispatcher::RunItem(Item& item) {
    if (!item.send) {
        item.task();
        return;
    }
    // Whatever the call does, the waiting sender is released.
    struct Release {
        SendState& state;
        ~Release() {
            std::lock_guard lock(state.mutex);
            state.finished = true;
            state.cv.notify_all();
        }
    } release{*item.send};
    item.task();
    item.send->ran = true;
}

size_t Dispatcher::RunPending() {
    std::deque<Item> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_queue);
        m_pendingSends = 0;
    }
    size_t ran = 0;
    while (!batch.empty()) {
        Item item = std::move(batch.front());
        batch.pop_front();
        RunItem(item);
        ++ran;
    }
    return ran;
}

size_t Dispatcher::ServeSends() {
    std::deque<Item> sends;
    {
        std::lock_guard lock(m_mutex);
        if (m_pendingSends == 0) {
            return 0;
        }
        std::deque<Item> rest;
        for (Item& item : m_queue) {
            (item.send ? sends : rest).push_back(std::move(item));
        }
        m_queue.swap(rest);
        m_pendingSends = 0;
    }
    for (Item& item : sends) {
        RunItem(item);
    }
    return sends.size();
}

size_t Dispatcher::RunDueTimers() {
    size_t fired = 0;
    // Only timers due now: one re-armed by its own callback waits for the next round.
    int64_t now = m_clock.NowMs();
    while (m_timers.FireNext(now)) {
        ++fired;
    }
    return fired;
}

size_t Dispatcher::ProcessOnce() {
    return RunPending() + RunDueTimers();
}

void Dispatcher::WaitForWork(int64_t maxWaitMs) {
    std::unique_lock lock(m_mutex);
    uint64_t seen = m_wakeCount;
    if (!m_queue.empty() || m_quit || m_closed) {
        return;
    }
    m_workCv.wait_for(lock, std::chrono::milliseconds(maxWaitMs > 0 ? maxWaitMs : 0),
                      [&] { return m_wakeCount != seen || !m_queue.empty(); });
}

void Dispatcher::WaitForSends(int64_t maxWaitMs) {
    std::unique_lock lock(m_mutex);
    uint64_t seen = m_wakeCount;
    if (m_pendingSends != 0 || m_closed) {
        return;
    }
    m_workCv.wait_for(lock, std::chrono::milliseconds(maxWaitMs > 0 ? maxWaitMs : 0),
                      [&] { return m_wakeCount != seen || m_pendingSends != 0; });
}

std::optional<int64_t> Dispatcher::TimeToNextTimer() const {
    std::optional<int64_t> due = m_timers.NextDue();
    if (!due) {
        return std::nullopt;
    }
    int64_t left = *due - m_clock.NowMs();
    return left < 0 ? 0 : left;
}

bool Dispatcher::HasPendingCalls() const {
    std::lock_guard lock(m_mutex);
    return !m_queue.empty();
}

void Dispatcher::Run() {
    constexpr int64_t kIdleWaitMs = 1000;
    while (!IsQuitRequested() && !IsClosed()) {
        ProcessOnce();
        if (IsQuitRequested()) {
            break;
        }
        std::optional<int64_t> next = m_clock.IsReal() ? TimeToNextTimer() : std::nullopt;
        if (next && *next == 0) {
            continue;
        }
        WaitForWork(next ? *next : kIdleWaitMs);
    }
    std::lock_guard lock(m_mutex);
    m_quit = false;
}

}  // namespace ui
