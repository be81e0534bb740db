#pragma once
// QtCaptureService: the keyboard and mouse capture of the Qt host.
//
// On X11 it grabs the keyboard (and, for macro recording, the pointer) for
// the main window, so every key goes to the program and no other client sees
// it; the X server keeps the lock keys' state for the whole desktop, and it
// drops the grabs by itself when the window becomes unviewable or the
// program ends for any reason, a crash included. The window's own controls
// still take clicks during a pointer grab, so the stop button works.
//
// Keys and buttons are read from the events Qt hands the program's windows:
// X keycodes (and Wayland's, both the Linux key code + 8) go through the one
// translation table to set-1 codes. A held key is one press, repeated, and
// one release (on X the capture asks the server for that while it runs). Keys are withheld from the
// window's own controls too (typing into an edit while recording records, it does not type); only
// the lock keys go on.
//
// Elsewhere (Wayland, offscreen) no program may grab: the capture sees what
// reaches the program's windows while they have the focus, and keys typed
// into other programs reach those programs.
//
// The capture ends by itself, telling the sink, when the window is hidden,
// minimised or deactivated.
//
// UI thread only.

#include <QObject>
#include <QPointer>

#include "platform/capture/capture_service.h"
#include "platform/capture/x11/x11_key_repeat.h"

class QWidget;
class QWindow;
class QKeyEvent;
class QMouseEvent;
namespace ui {
class Window;
}

namespace qthost {

class QtHost;

class QtCaptureService final : public QObject, public platform::capture::CaptureService {
    Q_OBJECT

  public:
    explicit QtCaptureService(QtHost& host);
    ~QtCaptureService() override;

    // The window that captures (the main window); its view must exist when a
    // capture starts.
    void SetWindow(ui::Window* window) { m_window = window; }
    // True where the program can take the desktop's input for itself (X11).
    static bool GrabsDesktop();

    platform::capture::CaptureResult Start(const platform::capture::CaptureRequest& request,
                                           platform::capture::CaptureSink& sink) override;
    void Stop() override;
    bool IsActive() const override { return m_sink != nullptr; }
    platform::capture::ScreenPoint WindowOrigin() const override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* View() const;
    // The toolkit's X server connection, null elsewhere.
    static void* X11Connection();
    bool OnKey(QKeyEvent& event);
    void OnMouse(QMouseEvent& event, bool down);
    void End(platform::capture::EndReason reason);
    void Release();

    QtHost& m_host;
    ui::Window* m_window = nullptr;
    platform::capture::CaptureSink* m_sink = nullptr;
    platform::capture::CaptureRequest m_request;
    QPointer<QWindow> m_grabbed;
    QPointer<QWidget> m_view;
    bool m_keyboardGrab = false;
    bool m_mouseGrab = false;
    // What the X connection's key repeat was before the capture changed it.
    platform::capture::x11::RepeatState m_repeat;
};

}  // namespace qthost
