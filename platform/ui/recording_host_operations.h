#pragma once
// A HostOperations double: records every call as a line of text ("show
// main 1", "menu main action_menu") and answers from scripts. Used by the
// headless host and by tests; answers not scripted fall back to "cancel"
// (empty menu choice, no file, 0 from message boxes and modal runs unless
// a modal runner is installed).

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/host_operations.h"

namespace ui {

class RecordingHostOperations : public HostOperations {
  public:
    // --- Scripts ---
    // Consumed in order, one per call of the matching operation.
    void ScriptMenuChoice(std::string itemName) { m_menuChoices.push_back(std::move(itemName)); }
    void ScriptFileChoice(std::optional<std::string> path) { m_files.push_back(std::move(path)); }
    void ScriptMessageBoxAnswer(int answer) { m_messageAnswers.push_back(answer); }
    void ScriptModalResult(int code) { m_modalResults.push_back(code); }
    // Runs a modal window when no scripted result is left (for example to
    // click its buttons, or to run a nested loop until it closes).
    void SetModalRunner(std::function<int(Window&)> runner) { m_modalRunner = std::move(runner); }
    void SetCursorPos(Point p) { m_cursor = p; }
    void SetScreenSize(Size s) { m_screen = s; }
    void SetTrayAvailable(bool available) { m_trayAvailable = available; }
    // Sends a tray event to the handler given with ShowTrayIcon.
    void RaiseTrayEvent(TrayEvent event);

    // --- Record ---
    const std::vector<std::string>& Calls() const { return m_calls; }
    // How many recorded calls start with `prefix`.
    size_t CountCalls(std::string_view prefix) const;
    void ClearCalls() { m_calls.clear(); }
    bool HasTrayIcon() const { return m_trayShown; }
    const std::vector<std::string>& Fonts() const { return m_fonts; }

    // --- HostOperations ---
    void WindowCreated(Window& window) override;
    void WindowDestroyed(Window& window) override;
    void ShowWindow(Window& window, bool show) override;
    void CloseWindow(Window& window, int code) override;
    void ActivateWindow(Window& window) override;
    void SetWindowState(Window& window, WindowState state) override;
    void MoveWindow(Window& window, const Rect& screenRect) override;
    void CenterWindow(Window& window) override;
    void SetTopmost(Window& window, bool topmost) override;
    int RunModal(Window& window) override;
    std::string ShowPopupMenu(Window& owner, Menu& menu, Point screenPos) override;
    std::optional<std::string> OpenFileDialog(Window* owner, const FileDialogSpec& spec) override;
    std::optional<std::string> SaveFileDialog(Window* owner, const FileDialogSpec& spec) override;
    int ShowMessageBox(Window* owner, const std::string& title, const std::string& text,
                       MessageButtons buttons) override;
    bool ShowTrayIcon(const TrayIconSpec& spec, std::function<void(TrayEvent)> onEvent) override;
    void RemoveTrayIcon() override;
    Point CursorPos() const override { return m_cursor; }
    Size ScreenSize() const override { return m_screen; }
    bool AddApplicationFont(const std::string& path) override;

  private:
    void Record(std::string line) { m_calls.push_back(std::move(line)); }
    std::optional<std::string> NextFile();

    std::vector<std::string> m_calls;
    std::deque<std::string> m_menuChoices;
    std::deque<std::optional<std::string>> m_files;
    std::deque<int> m_messageAnswers;
    std::deque<int> m_modalResults;
    std::function<int(Window&)> m_modalRunner;
    std::function<void(TrayEvent)> m_trayHandler;
    bool m_trayAvailable = true;
    bool m_trayShown = false;
    Point m_cursor;
    Size m_screen{1920, 1080};
    std::vector<std::string> m_fonts;
};

}  // namespace ui
