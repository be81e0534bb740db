#include "shell/qt/session_dbus.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace qthost {

DbusPeerBus::DbusPeerBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_connected = bus.isConnected() &&
                  bus.connect(QString(), kPath, kInterface, QStringLiteral("LightRequest"), this,
                              SLOT(OnLightRequest(int, int)));
}

void DbusPeerBus::BroadcastLightState(int wParam, int lParam) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("LightState"));
    signal << wParam << lParam;
    bus.send(signal);
}

void DbusPeerBus::SetLightRequestHandler(RequestHandler handler) {
    m_handler = std::move(handler);
}

void DbusPeerBus::OnLightRequest(int wParam, int lParam) {
    if (m_handler) {
        m_handler(wParam, lParam);
    }
}

LogindSleepWatch::LogindSleepWatch() {
    QDBusConnection bus = QDBusConnection::systemBus();
    m_connected = bus.isConnected() && bus.connect(QStringLiteral("org.freedesktop.login1"),
                                                   QStringLiteral("/org/freedesktop/login1"),
                                                   QStringLiteral("org.freedesktop.login1.Manager"),
                                                   QStringLiteral("PrepareForSleep"), this,
                                                   SLOT(OnPrepareForSleep(bool)));
}

void LogindSleepWatch::SetHandler(Handler handler) {
    m_handler = std::move(handler);
}

void LogindSleepWatch::OnPrepareForSleep(bool sleeping) {
    if (m_handler) {
        m_handler(sleeping);
    }
}

}  // namespace qthost
