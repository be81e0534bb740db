#include "platform/ui/worker.h"

#include <pthread.h>

#include <algorithm>

#include "platform/trace/trace.h"
#include "platform/ui/dispatcher.h"

namespace ui {

// --- StopSignal ---

void StopSignal::Request() {
    std::vector<std::function<void()>> callbacks;
    {
        std::lock_guard lock(m_mutex);
        if (m_requested.exchange(true, std::memory_order_acq_rel)) {
            return;
        }
        for (const auto& entry : m_callbacks) {
            callbacks.push_back(entry.second);
        }
    }
    m_cv.notify_all();
    for (auto& callback : callbacks) {
        callback();
    }
}

void StopSignal::Reset() {
    std::lock_guard lock(m_mutex);
    m_requested.store(false, std::memory_order_release);
}

bool StopSignal::WaitFor(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, timeout, [this] { return IsRequested(); });
}

int StopSignal::AddWakeCallback(std::function<void()> callback) {
    std::lock_guard lock(m_mutex);
    int id = m_nextId++;
    m_callbacks.emplace_back(id, std::move(callback));
    return id;
}

void StopSignal::RemoveWakeCallback(int id) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_callbacks, [id](const auto& entry) { return entry.first == id; });
}

// --- Worker ---

Worker::Worker(std::string name, Dispatcher* ui) : m_name(std::move(name)), m_ui(ui) {}

void Worker::SetName(std::string name) {
    m_name = std::move(name);
}

Worker::~Worker() {
    if (!m_thread.joinable()) {
        return;
    }
    m_signal.Request();
    // Never killed and never detached (its body may still use its owner):
    // wait as long as it takes, still serving the UI thread's sends.
    while (!WaitForEnd(std::chrono::milliseconds(1000))) {
    }
    m_thread.join();
}

bool Worker::Start(std::function<void(StopSignal&)> body) {
    if (m_thread.joinable() && Stop() == StopResult::TimedOut) {
        return false;
    }
    if (!body) {
        return false;
    }
    m_signal.Reset();
    m_running.store(true, std::memory_order_release);
    m_thread = std::thread([this, name = m_name.substr(0, 15), body = std::move(body)] {
        // `top -H` and debuggers show who spends what (15 bytes at most).
        pthread_setname_np(pthread_self(), name.c_str());
        body(m_signal);
        {
            std::lock_guard lock(m_endMutex);
            m_running.store(false, std::memory_order_release);
        }
        m_endCv.notify_all();
        if (m_ui != nullptr) {
            m_ui->Wake();  // a UI thread waiting in Stop notices at once
        }
    });
    return true;
}

bool Worker::WaitForEnd(std::chrono::milliseconds bound) {
    auto deadline = std::chrono::steady_clock::now() + bound;
    if (m_ui == nullptr || !m_ui->IsUiThread()) {
        std::unique_lock lock(m_endMutex);
        return m_endCv.wait_until(lock, deadline, [this] { return !IsRunning(); });
    }
    // On the UI thread: keep serving sends, or a worker that sends while
    // being stopped would wait for us while we wait for it.
    while (IsRunning()) {
        m_ui->ServeSends();
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return !IsRunning();
        }
        m_ui->WaitForSends(std::min<int64_t>(left.count(), 10));
    }
    return true;
}

StopResult Worker::Stop(std::chrono::milliseconds bound) {
    if (!m_thread.joinable()) {
        return StopResult::NotRunning;
    }
    m_signal.Request();
    if (std::this_thread::get_id() == m_thread.get_id()) {
        return StopResult::TimedOut;  // a body cannot join itself; it ends when it returns
    }
    if (!WaitForEnd(bound)) {
        platform::trace::Format(
            "worker %s: still running %lld ms after the stop request; "
            "left to end by itself",
            m_name.c_str(), static_cast<long long>(bound.count()));
        return StopResult::TimedOut;
    }
    m_thread.join();
    return StopResult::Stopped;
}

}  // namespace ui
