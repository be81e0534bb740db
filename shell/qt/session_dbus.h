#pragma once
// The desktop-session services of the main window over D-Bus (Qt DBus):
//
// - DbusPeerBus: the lighting state goes out as the signal
//   org.veldmark.Lighting.LightState(int32 wParam, int32 lParam) on the
//   session bus at /org/veldmark/Lighting; a peer's request arrives as
//   org.veldmark.Lighting.LightRequest(int32 wParam, int32 lParam).
// - LogindSleepWatch: logind's org.freedesktop.login1.Manager.PrepareForSleep
//   (true before sleep, false after waking) on the system bus.
//
// Without the bus (no session, a container) both do nothing, harmlessly.
// Signals are delivered by the Qt event loop of the UI thread.

#include <QObject>

#include "platform/session/session_services.h"

namespace qthost {

class DbusPeerBus final : public QObject, public platform::session::PeerBus {
    Q_OBJECT

  public:
    static constexpr const char* kPath = "/org/veldmark/Lighting";
    static constexpr const char* kInterface = "org.veldmark.Lighting";

    DbusPeerBus();
    bool IsConnected() const { return m_connected; }
    void BroadcastLightState(int wParam, int lParam) override;
    void SetLightRequestHandler(RequestHandler handler) override;

  private slots:
    void OnLightRequest(int wParam, int lParam);

  private:
    RequestHandler m_handler;
    bool m_connected = false;
};

class LogindSleepWatch final : public QObject, public platform::session::SleepWatch {
    Q_OBJECT

  public:
    LogindSleepWatch();
    bool IsConnected() const { return m_connected; }
    void SetHandler(Handler handler) override;

  private slots:
    void OnPrepareForSleep(bool sleeping);

  private:
    Handler m_handler;
    bool m_connected = false;
};

}  // namespace qthost
