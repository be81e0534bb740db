#include "platform/ui/recording_host_operations.h"

#include "platform/ui/menu.h"
#include "platform/ui/window.h"

namespace ui {

void RecordingHostOperations::RaiseTrayEvent(TrayEvent event) {
    if (m_trayShown && m_trayHandler) {
        auto handler = m_trayHandler;  // the handler may remove the icon
        handler(event);
    }
}

size_t RecordingHostOperations::CountCalls(std::string_view prefix) const {
    size_t count = 0;
    for (const std::string& call : m_calls) {
        count += call.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    }
    return count;
}

void RecordingHostOperations::WindowCreated(Window& window) {
    Record("create " + window.GetName());
}

void RecordingHostOperations::WindowDestroyed(Window& window) {
    Record("destroy " + window.GetName());
}

void RecordingHostOperations::ShowWindow(Window& window, bool show) {
    Record("show " + window.GetName() + (show ? " 1" : " 0"));
}

void RecordingHostOperations::CloseWindow(Window& window, int code) {
    Record("close " + window.GetName() + " " + std::to_string(code));
}

void RecordingHostOperations::ActivateWindow(Window& window) {
    Record("activate " + window.GetName());
}

void RecordingHostOperations::SetWindowState(Window& window, WindowState state) {
    const char* names[] = {"normal", "minimized", "maximized"};
    Record("state " + window.GetName() + " " + names[static_cast<int>(state)]);
}

void RecordingHostOperations::MoveWindow(Window& window, const Rect& r) {
    Record("move " + window.GetName() + " " + std::to_string(r.left) + "," + std::to_string(r.top) +
           "," + std::to_string(r.right) + "," + std::to_string(r.bottom));
}

void RecordingHostOperations::CenterWindow(Window& window) {
    Record("center " + window.GetName());
}

void RecordingHostOperations::SetTopmost(Window& window, bool topmost) {
    Record("topmost " + window.GetName() + (topmost ? " 1" : " 0"));
}

int RecordingHostOperations::RunModal(Window& window) {
    Record("modal " + window.GetName());
    if (!m_modalResults.empty()) {
        int code = m_modalResults.front();
        m_modalResults.pop_front();
        return code;
    }
    if (m_modalRunner) {
        return m_modalRunner(window);
    }
    return window.IsClosed() ? window.GetCloseCode() : 0;
}

std::string RecordingHostOperations::ShowPopupMenu(Window& owner, Menu& menu, Point at) {
    Record("menu " + owner.GetName() + " " + menu.GetName() + " " + std::to_string(at.x) + "," +
           std::to_string(at.y));
    if (m_menuChoices.empty()) {
        return {};
    }
    std::string choice = std::move(m_menuChoices.front());
    m_menuChoices.pop_front();
    return choice;
}

std::optional<std::string> RecordingHostOperations::NextFile() {
    if (m_files.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> path = std::move(m_files.front());
    m_files.pop_front();
    return path;
}

std::optional<std::string> RecordingHostOperations::OpenFileDialog(Window* /*owner*/,
                                                                   const FileDialogSpec& spec) {
    Record("open " + spec.title + (spec.filters.empty() ? "" : " " + spec.filters[0].second));
    return NextFile();
}

std::optional<std::string> RecordingHostOperations::SaveFileDialog(Window* /*owner*/,
                                                                   const FileDialogSpec& spec) {
    Record("save " + spec.title + (spec.filters.empty() ? "" : " " + spec.filters[0].second));
    return NextFile();
}

int RecordingHostOperations::ShowMessageBox(Window* /*owner*/, const std::string& title,
                                            const std::string& text, MessageButtons buttons) {
    Record("message " + title + " | " + text +
           (buttons == MessageButtons::OkCancel ? " | ok cancel" : " | ok"));
    if (m_messageAnswers.empty()) {
        return 0;
    }
    int answer = m_messageAnswers.front();
    m_messageAnswers.pop_front();
    return answer;
}

bool RecordingHostOperations::ShowTrayIcon(const TrayIconSpec& spec,
                                           std::function<void(TrayEvent)> onEvent) {
    Record("tray " + spec.icon + " " + spec.tooltip);
    if (!m_trayAvailable) {
        return false;
    }
    m_trayShown = true;
    m_trayHandler = std::move(onEvent);
    return true;
}

void RecordingHostOperations::RemoveTrayIcon() {
    Record("tray remove");
    m_trayShown = false;
    m_trayHandler = nullptr;
}

bool RecordingHostOperations::AddApplicationFont(const std::string& path) {
    Record("font " + path);
    m_fonts.push_back(path);
    return true;
}

}  // namespace ui
