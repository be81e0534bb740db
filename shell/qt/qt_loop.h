#pragma once
// Runs the model's UI loop on the Qt event loop of the thread that owns it.
//
// Calls posted or sent from workers wake the Qt loop through the dispatcher's wake hook
// (a queued call, so it also reaches nested loops such as a modal run); the model's timers
// are driven by one precise single-shot QTimer aimed at the earliest due timer and re-aimed
// after every round and whenever a timer is armed or killed. Due timers fire in due order
// because the dispatcher fires them from its own queue.
//
// A quit request of the dispatcher ends the Qt loop that is running (QCoreApplication::exit).
//
// Threads: create, use and destroy on the UI thread; the wake hook it installs may be called
// from any thread.

#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <memory>

namespace ui {
class Dispatcher;
}

namespace qthost {

class QtLoop : public QObject {
    Q_OBJECT

  public:
    explicit QtLoop(ui::Dispatcher& dispatcher, QObject* parent = nullptr);
    ~QtLoop() override;

    // Re-aims the timer at the next due model timer (call after arming or killing one).
    void Rearm();
    // Runs one round now: queued calls, then due timers.
    void ProcessNow();
    // How many rounds ran (for diagnostics and tests).
    quint64 Rounds() const { return m_rounds; }

  private:
    void OnWake();

    ui::Dispatcher& m_dispatcher;
    QTimer m_timer;
    // Shared with the wake hook, which may outlive a round on another thread.
    struct WakeState;
    std::shared_ptr<WakeState> m_wake;
    quint64 m_rounds = 0;
    int64_t m_due = 0;  // when the Qt timer fires, on the dispatcher's clock
};

}  // namespace qthost
