#pragma once
// The Qt 6 Widgets host of the control tree.
//
// Owns what every window of the UI thread shares (the dispatcher on a real clock, the
// language table, the control factory, the skin) and implements the model's host
// operations with Qt: every ui::Window gets a WindowView as soon as it is created; show,
// hide, close, modal runs, activation, window states, pop-up menus, file dialogs, message
// boxes and the tray icon act on those views. The dispatcher's calls and timers run on the
// Qt event loop (QtLoop).
//
// A QApplication must exist before the host and outlive it; windows made with Context()
// must be destroyed before the host. UI thread only (the dispatcher's Post and Send are the
// way in from other threads).

#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <filesystem>
#include <functional>
#include <memory>
#include <unordered_map>

#include "platform/ui/clock.h"
#include "platform/ui/control_factory.h"
#include "platform/ui/dispatcher.h"
#include "platform/ui/host_operations.h"
#include "platform/ui/language_table.h"
#include "platform/ui/ui_context.h"
#include "shell/qt/skin.h"

namespace qthost {

class QtLoop;
class WindowView;

class QtHost final : public ui::HostOperations {
  public:
    explicit QtHost(std::filesystem::path skinFolder);
    ~QtHost() override;
    QtHost(const QtHost&) = delete;
    QtHost& operator=(const QtHost&) = delete;

    ui::UiContext& Context() { return *m_context; }
    ui::Dispatcher& GetDispatcher() { return *m_dispatcher; }
    ui::LanguageTable& Language() { return m_language; }
    ui::ControlFactory& Factory() { return m_factory; }
    const Skin& GetSkin() const { return m_skin; }
    QtLoop& Loop() { return *m_loop; }

    // Applies the skin's stylesheet (style.qss) to the application. False, with the reason
    // in `error`, when the file exists but cannot be read; a skin without one is fine.
    bool ApplyStyleSheet(QString* error = nullptr);

    // The top-level widget of a model window (null when it has none).
    WindowView* ViewOf(const ui::Window& window) const;

    // Runs the Qt event loop until the dispatcher is asked to quit (or the application
    // quits); returns the loop's exit code.
    int Exec();

    // --- ui::HostOperations ---
    void WindowCreated(ui::Window& window) override;
    void WindowDestroyed(ui::Window& window) override;
    void ShowWindow(ui::Window& window, bool show) override;
    void CloseWindow(ui::Window& window, int code) override;
    void ActivateWindow(ui::Window& window) override;
    void SetWindowState(ui::Window& window, ui::WindowState state) override;
    void MoveWindow(ui::Window& window, const ui::Rect& screenRect) override;
    void CenterWindow(ui::Window& window) override;
    void SetTopmost(ui::Window& window, bool topmost) override;
    int RunModal(ui::Window& window) override;
    std::string ShowPopupMenu(ui::Window& owner, ui::Menu& menu, ui::Point screenPos) override;
    std::optional<std::string> OpenFileDialog(ui::Window* owner,
                                              const ui::FileDialogSpec& spec) override;
    std::optional<std::string> SaveFileDialog(ui::Window* owner,
                                              const ui::FileDialogSpec& spec) override;
    int ShowMessageBox(ui::Window* owner, const std::string& title, const std::string& text,
                       ui::MessageButtons buttons) override;
    bool ShowTrayIcon(const ui::TrayIconSpec& spec,
                      std::function<void(ui::TrayEvent)> onEvent) override;
    void RemoveTrayIcon() override;
    ui::Point CursorPos() const override;
    ui::Size ScreenSize() const override;
    bool AddApplicationFont(const std::string& path) override;

  private:
    QWidget* OwnerWidget(ui::Window* window) const;

    ui::SteadyClock m_clock;
    std::unique_ptr<ui::Dispatcher> m_dispatcher;
    ui::LanguageTable m_language;
    ui::ControlFactory m_factory;
    std::unique_ptr<ui::UiContext> m_context;
    Skin m_skin;
    std::unique_ptr<QtLoop> m_loop;
    std::unordered_map<const ui::Window*, QPointer<WindowView>> m_windows;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::function<void(ui::TrayEvent)> m_trayHandler;
};

}  // namespace qthost
