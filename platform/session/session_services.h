#pragma once
// Desktop-session services the main window listens to or talks through, each
// an interface with harmless no-op defaults for sessions that lack them and
// scripted doubles for tests:
//
// - PeerBus: other lighting programs of the same user. The program announces
//   whether it drives the device lighting (state 1) or leaves it to a peer
//   (state 0), and a peer may ask it to take or give the lighting back. On
//   Linux this is a signal on the session bus; without a session bus nothing
//   is sent and no request ever arrives.
// - SleepWatch: the system going to sleep and waking up (logind's
//   PrepareForSleep on the system bus); without one no event arrives.
//
// Threads: handlers are called on the UI thread (the adapters deliver from
// the UI thread's event loop); calls come from the UI thread.

#include <functional>
#include <utility>
#include <vector>

namespace platform::session {

class PeerBus {
  public:
    using RequestHandler = std::function<void(int wParam, int lParam)>;
    virtual ~PeerBus() = default;
    // Tells the peers the lighting state (wParam 1, lParam 0 or 1).
    virtual void BroadcastLightState(int wParam, int lParam) = 0;
    // The handler of a peer's request to take (lParam 1) or give back (0) the lighting.
    virtual void SetLightRequestHandler(RequestHandler handler) = 0;
};

class SleepWatch {
  public:
    // true: the system is about to sleep; false: it has woken up.
    using Handler = std::function<void(bool suspending)>;
    virtual ~SleepWatch() = default;
    virtual void SetHandler(Handler handler) = 0;
};

// No bus: broadcasts go nowhere, requests never come.
class NullPeerBus final : public PeerBus {
  public:
    void BroadcastLightState(int, int) override {}
    void SetLightRequestHandler(RequestHandler) override {}
};

class NullSleepWatch final : public SleepWatch {
  public:
    void SetHandler(Handler) override {}
};

// Test double: records broadcasts and lets a test play a peer.
class RecordingPeerBus final : public PeerBus {
  public:
    void BroadcastLightState(int wParam, int lParam) override {
        m_broadcasts.emplace_back(wParam, lParam);
    }
    void SetLightRequestHandler(RequestHandler handler) override { m_handler = std::move(handler); }
    void RaiseRequest(int wParam, int lParam) {
        if (m_handler) {
            m_handler(wParam, lParam);
        }
    }
    const std::vector<std::pair<int, int>>& Broadcasts() const { return m_broadcasts; }

  private:
    std::vector<std::pair<int, int>> m_broadcasts;
    RequestHandler m_handler;
};

// Test double: a test says when the system sleeps and wakes.
class ManualSleepWatch final : public SleepWatch {
  public:
    void SetHandler(Handler handler) override { m_handler = std::move(handler); }
    void Raise(bool suspending) {
        if (m_handler) {
            m_handler(suspending);
        }
    }

  private:
    Handler m_handler;
};

}  // namespace platform::session
