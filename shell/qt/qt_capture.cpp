#include "shell/qt/qt_capture.h"

#include <qguiapplication_platform.h>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include "platform/capture/linux_key_codes.h"
#include "platform/capture/x11/x11_key_repeat.h"
#include "shell/qt/qt_host.h"
#include "shell/qt/window_view.h"

namespace qthost {

namespace capture = platform::capture;

QtCaptureService::QtCaptureService(QtHost& host) : m_host(host) {}

QtCaptureService::~QtCaptureService() {
    Stop();
}

bool QtCaptureService::GrabsDesktop() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

void* QtCaptureService::X11Connection() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

QWidget* QtCaptureService::View() const {
    return m_window != nullptr ? m_host.ViewOf(*m_window) : nullptr;
}

capture::CaptureResult QtCaptureService::Start(const capture::CaptureRequest& request,
                                               capture::CaptureSink& sink) {
    Stop();
    QWidget* view = View();
    if (view == nullptr || !view->isVisible() || view->isMinimized()) {
        return {false, "the window is not shown"};
    }
    QWindow* handle = view->windowHandle();
    if (handle == nullptr) {
        return {false, "the window has no native window"};
    }
    if (GrabsDesktop()) {
        if (request.keyboard && !handle->setKeyboardGrabEnabled(true)) {
            return {false, "another program holds the keyboard"};
        }
        m_keyboardGrab = request.keyboard;
        if (request.mouse && !handle->setMouseGrabEnabled(true)) {
            if (m_keyboardGrab) {
                handle->setKeyboardGrabEnabled(false);
                m_keyboardGrab = false;
            }
            return {false, "another program holds the pointer"};
        }
        m_mouseGrab = request.mouse;
        // Without this, X repeats a held key as release and press pairs that
        // look like the user letting go and pressing again.
        if (request.keyboard) {
            m_repeat = capture::x11::SetDetectableRepeat(X11Connection(), true);
        }
    }
    m_grabbed = handle;
    m_view = view;
    m_request = request;
    m_sink = &sink;
    qApp->installEventFilter(this);
    return {true, ""};
}

void QtCaptureService::Release() {
    qApp->removeEventFilter(this);
    if (m_grabbed) {
        if (m_keyboardGrab) {
            m_grabbed->setKeyboardGrabEnabled(false);
        }
        if (m_mouseGrab) {
            m_grabbed->setMouseGrabEnabled(false);
        }
    }
    if (m_repeat.known && !m_repeat.detectable) {
        capture::x11::SetDetectableRepeat(X11Connection(), false);
    }
    m_repeat = {};
    m_keyboardGrab = false;
    m_mouseGrab = false;
    m_grabbed = nullptr;
    m_view = nullptr;
}

void QtCaptureService::Stop() {
    if (m_sink == nullptr) {
        return;
    }
    m_sink = nullptr;
    Release();
}

void QtCaptureService::End(capture::EndReason reason) {
    capture::CaptureSink* sink = m_sink;
    Stop();
    if (sink != nullptr) {
        sink->OnCaptureEnded(reason);
    }
}

capture::ScreenPoint QtCaptureService::WindowOrigin() const {
    const QWidget* view = View();
    if (view == nullptr) {
        return {};
    }
    const QPoint origin = view->mapToGlobal(QPoint(0, 0));
    return {origin.x(), origin.y()};
}

bool QtCaptureService::eventFilter(QObject* watched, QEvent* event) {
    if (m_sink == nullptr) {
        return false;
    }
    const QEvent::Type type = event->type();
    if (watched == m_view.data()) {
        if (type == QEvent::Hide) {
            End(capture::EndReason::Hidden);
        } else if (type == QEvent::WindowStateChange && m_view->isMinimized()) {
            End(capture::EndReason::Minimized);
        } else if (type == QEvent::WindowDeactivate) {
            // Hiding and minimising deactivate the window on their way.
            End(m_view->isHidden()      ? capture::EndReason::Hidden
                : m_view->isMinimized() ? capture::EndReason::Minimized
                                        : capture::EndReason::Deactivated);
        }
        return false;
    }
    // Input reaches a native window first and its widgets after; taking it at
    // the window sees each event once.
    switch (type) {
        case QEvent::ShortcutOverride:
            if (m_request.keyboard) {
                // No shortcut of the program may act on a captured key.
                event->accept();
                return true;
            }
            return false;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return m_request.keyboard && watched->isWindowType() &&
                   OnKey(static_cast<QKeyEvent&>(*event));
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            if (m_request.mouse && watched->isWindowType()) {
                OnMouse(static_cast<QMouseEvent&>(*event), type != QEvent::MouseButtonRelease);
            }
            return false;  // the window's own controls take their clicks
        default:
            return false;
    }
}

bool QtCaptureService::OnKey(QKeyEvent& event) {
    const bool down = event.type() == QEvent::KeyPress;
    if (event.isAutoRepeat() && !down) {
        // The toolkit repeats a held key as a release and a press marked as
        // repeats (Wayland); the key was not let go, so the release is
        // withheld and not reported, and the press reported as a repeat.
        return true;
    }
    const quint32 keycode = event.nativeScanCode();
    if (keycode < capture::kXKeycodeOffset) {
        return true;  // no key code: withheld, but nothing to report
    }
    const std::optional<capture::KeyboardRecord> record =
        capture::RecordOfLinuxKey(static_cast<uint16_t>(keycode - capture::kXKeycodeOffset), down,
                                  static_cast<uint32_t>(event.timestamp()));
    if (!record) {
        return true;
    }
    const bool passOn = m_sink->OnKeyboard(down ? capture::kKeyDown : capture::kKeyUp, *record);
    return !(passOn && capture::IsLockKey(record->vkCode));
}

void QtCaptureService::OnMouse(QMouseEvent& event, bool down) {
    uint32_t message = 0;
    uint16_t side = 0;
    switch (event.button()) {
        case Qt::LeftButton:
            message = down ? capture::kLeftDown : capture::kLeftUp;
            break;
        case Qt::RightButton:
            message = down ? capture::kRightDown : capture::kRightUp;
            break;
        case Qt::MiddleButton:
            message = down ? capture::kMiddleDown : capture::kMiddleUp;
            break;
        case Qt::BackButton:
            message = down ? capture::kXDown : capture::kXUp;
            side = capture::kXButtonBack;
            break;
        case Qt::ForwardButton:
            message = down ? capture::kXDown : capture::kXUp;
            side = capture::kXButtonForward;
            break;
        default:
            return;
    }
    capture::MouseRecord record;
    const QPointF global = event.globalPosition();
    record.x = static_cast<int32_t>(global.x());
    record.y = static_cast<int32_t>(global.y());
    record.mouseData = static_cast<uint32_t>(side) << 16;
    m_sink->OnMouse(message, record);
}

}  // namespace qthost
