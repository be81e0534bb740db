#include "shell/qt/qt_host.h"

#include <QApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QIcon>
#include <QScreen>

#include "platform/ui/window.h"
#include "shell/qt/host_dialogs.h"
#include "shell/qt/qt_loop.h"
#include "shell/qt/window_view.h"

namespace qthost {

QtHost::QtHost(std::filesystem::path skinFolder)
    : m_dispatcher(std::make_unique<ui::Dispatcher>(m_clock)),
      m_skin(QString::fromStdString(skinFolder.string())) {
    m_context = std::make_unique<ui::UiContext>(ui::UiContext{
        *m_dispatcher, *this, m_language, m_factory, std::move(skinFolder), {}, {}, {}});
    m_loop = std::make_unique<QtLoop>(*m_dispatcher);
}

QtHost::~QtHost() {
    RemoveTrayIcon();
    for (auto& [window, view] : m_windows) {
        delete view.data();
    }
    m_loop.reset();
    // Workers still sending get a refusal instead of waiting for a loop that has ended.
    m_dispatcher->Close();
}

bool QtHost::ApplyStyleSheet(QString* error) {
    QString reason;
    const QString sheet = m_skin.LoadStyleSheet(&reason);
    if (!reason.isEmpty()) {
        if (error != nullptr) {
            *error = reason;
        }
        return false;
    }
    qApp->setStyleSheet(sheet);
    return true;
}

WindowView* QtHost::ViewOf(const ui::Window& window) const {
    auto it = m_windows.find(&window);
    return it != m_windows.end() ? it->second.data() : nullptr;
}

int QtHost::Exec() {
    m_loop->ProcessNow();
    return QApplication::exec();
}

QWidget* QtHost::OwnerWidget(ui::Window* window) const {
    return window != nullptr ? ViewOf(*window) : QApplication::activeWindow();
}

// --- Windows ---

void QtHost::WindowCreated(ui::Window& window) {
    m_windows[&window] = new WindowView(window, *this);
}

void QtHost::WindowDestroyed(ui::Window& window) {
    auto it = m_windows.find(&window);
    if (it == m_windows.end()) {
        return;
    }
    QPointer<WindowView> view = it->second;
    m_windows.erase(it);
    if (view) {
        view->EndModal(window.GetCloseCode());
        view->ModelGone();
        view->hide();
        // The window may be destroyed from inside one of its own views' handlers.
        view->deleteLater();
    }
}

void QtHost::ShowWindow(ui::Window& window, bool show) {
    if (WindowView* view = ViewOf(window)) {
        view->setVisible(show);
    }
}

void QtHost::CloseWindow(ui::Window& window, int code) {
    if (WindowView* view = ViewOf(window)) {
        view->hide();
        view->EndModal(code);
    }
}

void QtHost::ActivateWindow(ui::Window& window) {
    if (WindowView* view = ViewOf(window)) {
        view->show();
        view->raise();
        view->activateWindow();
    }
}

void QtHost::SetWindowState(ui::Window& window, ui::WindowState state) {
    WindowView* view = ViewOf(window);
    if (view == nullptr) {
        return;
    }
    switch (state) {
        case ui::WindowState::Minimized:
            view->showMinimized();
            break;
        case ui::WindowState::Maximized:
            view->showMaximized();
            break;
        case ui::WindowState::Normal:
            view->showNormal();
            break;
    }
}

void QtHost::MoveWindow(ui::Window& window, const ui::Rect& screenRect) {
    if (WindowView* view = ViewOf(window)) {
        view->setGeometry(ToQRect(screenRect));
    }
}

void QtHost::CenterWindow(ui::Window& window) {
    WindowView* view = ViewOf(window);
    QScreen* screen = view != nullptr ? view->screen() : nullptr;
    if (screen == nullptr) {
        return;
    }
    QRect frame = view->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    view->move(frame.topLeft());
}

void QtHost::SetTopmost(ui::Window& window, bool topmost) {
    WindowView* view = ViewOf(window);
    if (view == nullptr || bool(view->windowFlags() & Qt::WindowStaysOnTopHint) == topmost) {
        return;
    }
    const bool shown = view->isVisible();
    view->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (shown) {
        view->show();  // changing the flags hides a window
    }
}

int QtHost::RunModal(ui::Window& window) {
    WindowView* view = ViewOf(window);
    return view != nullptr ? view->RunModal() : -1;
}

// --- Pop-ups ---

std::string QtHost::ShowPopupMenu(ui::Window& owner, ui::Menu& menu, ui::Point screenPos) {
    return RunMenu(menu, m_language, QPoint(screenPos.x, screenPos.y), ViewOf(owner));
}

std::optional<std::string> QtHost::OpenFileDialog(ui::Window* owner,
                                                  const ui::FileDialogSpec& spec) {
    return RunFileDialog(OwnerWidget(owner), spec, false);
}

std::optional<std::string> QtHost::SaveFileDialog(ui::Window* owner,
                                                  const ui::FileDialogSpec& spec) {
    return RunFileDialog(OwnerWidget(owner), spec, true);
}

int QtHost::ShowMessageBox(ui::Window* owner, const std::string& title, const std::string& text,
                           ui::MessageButtons buttons) {
    return RunMessageBox(OwnerWidget(owner), title, text, buttons);
}

// --- Tray ---

bool QtHost::ShowTrayIcon(const ui::TrayIconSpec& spec,
                          std::function<void(ui::TrayEvent)> onEvent) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return false;  // the caller falls back to a window without a tray
    }
    if (!m_tray) {
        m_tray = std::make_unique<QSystemTrayIcon>();
        QObject::connect(m_tray.get(), &QSystemTrayIcon::activated,
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             if (!m_trayHandler) {
                                 return;
                             }
                             switch (reason) {
                                 case QSystemTrayIcon::Trigger:
                                     m_trayHandler(ui::TrayEvent::LeftUp);
                                     break;
                                 case QSystemTrayIcon::Context:
                                     m_trayHandler(ui::TrayEvent::RightUp);
                                     break;
                                 case QSystemTrayIcon::DoubleClick:
                                     m_trayHandler(ui::TrayEvent::DoubleClick);
                                     break;
                                 default:
                                     break;
                             }
                         });
    }
    m_trayHandler = std::move(onEvent);
    const QPixmap icon = m_skin.Images().Load(QString::fromStdString(spec.icon), QSize(64, 64));
    m_tray->setIcon(icon.isNull() ? QApplication::windowIcon() : QIcon(icon));
    m_tray->setToolTip(QString::fromStdString(spec.tooltip));
    m_tray->show();
    return true;
}

void QtHost::RemoveTrayIcon() {
    if (m_tray) {
        m_tray->hide();
        m_tray.reset();
    }
    m_trayHandler = nullptr;
}

// --- Facts ---

ui::Point QtHost::CursorPos() const {
    const QPoint p = QCursor::pos();
    return ui::Point{p.x(), p.y()};
}

ui::Size QtHost::ScreenSize() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return {};
    }
    return ui::Size{screen->geometry().width(), screen->geometry().height()};
}

bool QtHost::AddApplicationFont(const std::string& path) {
    return QFontDatabase::addApplicationFont(QString::fromStdString(path)) >= 0;
}

}  // namespace qthost
