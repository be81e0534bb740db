#include "shell/qt/qt_loop.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <limits>
#include <mutex>

#include "platform/ui/dispatcher.h"

namespace qthost {

// The wake hook runs on any thread; it only holds a guarded pointer to the loop object and
// a flag that folds a burst of wake-ups into one queued round.
struct QtLoop::WakeState {
    std::mutex mutex;
    QPointer<QtLoop> loop;
    std::atomic<bool> pending{false};
};

QtLoop::QtLoop(ui::Dispatcher& dispatcher, QObject* parent)
    : QObject(parent), m_dispatcher(dispatcher), m_wake(std::make_shared<WakeState>()) {
    m_wake->loop = this;
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &QtLoop::ProcessNow);
    std::weak_ptr<WakeState> weak = m_wake;
    m_dispatcher.SetWakeHook([weak] {
        std::shared_ptr<WakeState> state = weak.lock();
        if (!state || state->pending.exchange(true)) {
            return;
        }
        std::lock_guard<std::mutex> lock(state->mutex);
        if (state->loop) {
            QMetaObject::invokeMethod(state->loop.data(), &QtLoop::OnWake, Qt::QueuedConnection);
        }
    });
    // Work queued before the hook existed still has to run.
    if (m_dispatcher.HasPendingCalls()) {
        m_wake->pending = true;
        QMetaObject::invokeMethod(this, &QtLoop::OnWake, Qt::QueuedConnection);
    }
    Rearm();
}

QtLoop::~QtLoop() {
    m_dispatcher.SetWakeHook({});
    std::lock_guard<std::mutex> lock(m_wake->mutex);
    m_wake->loop = nullptr;
}

void QtLoop::OnWake() {
    m_wake->pending = false;
    ProcessNow();
}

void QtLoop::ProcessNow() {
    ++m_rounds;
    m_dispatcher.ProcessOnce();
    if (m_dispatcher.IsQuitRequested()) {
        QCoreApplication::exit(0);
    }
    Rearm();
}

void QtLoop::Rearm() {
    const std::optional<int64_t> next = m_dispatcher.TimeToNextTimer();
    if (!next) {
        m_timer.stop();
        return;
    }
    const int64_t ms = std::clamp<int64_t>(*next, 0, std::numeric_limits<int>::max());
    // A round re-arms and kills several timers; the Qt timer is only moved
    // when the earliest one changed.
    const int64_t due = m_dispatcher.GetClock().NowMs() + ms;
    if (m_timer.isActive() && due == m_due) {
        return;
    }
    m_due = due;
    m_timer.start(static_cast<int>(ms));
}

}  // namespace qthost
