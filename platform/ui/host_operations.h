#pragma once
// What the model asks of the host that shows it: windows appearing and going,
// modal runs, pop-up menus, file dialogs, message boxes, the tray icon, and a
// few facts about the screen. The Qt host implements it with widgets;
// RecordingHostOperations records the calls and returns scripted answers.
//
// Threads: every call comes from the UI thread.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/ui_types.h"

namespace ui {

class Menu;
class Window;

enum class WindowState { Normal, Minimized, Maximized };

struct FileDialogSpec {
    std::string title;
    // Label and semicolon-separated patterns, e.g. {"Profile Files(*.json)", "*.json;"}.
    std::vector<std::pair<std::string, std::string>> filters;
    std::string defaultExtension;  // without dot, e.g. "json"
    std::string defaultName;       // suggested file name
    std::string folder;            // starting folder ("" = the host's choice)
};

struct TrayIconSpec {
    std::string icon;  // skin-relative image
    std::string tooltip;
};

enum class TrayEvent { LeftUp, RightUp, DoubleClick };

enum class MessageButtons { Ok, OkCancel };

class HostOperations {
  public:
    virtual ~HostOperations() = default;

    // A window object was created / is being destroyed (its tree still exists).
    virtual void WindowCreated(Window& window) = 0;
    virtual void WindowDestroyed(Window& window) = 0;

    virtual void ShowWindow(Window& window, bool show) = 0;
    // The window closes with `code` (a modal run returns it).
    virtual void CloseWindow(Window& window, int code) = 0;
    virtual void ActivateWindow(Window& window) = 0;
    virtual void SetWindowState(Window& window, WindowState state) = 0;
    virtual void MoveWindow(Window& window, const Rect& screenRect) = 0;
    virtual void CenterWindow(Window& window) = 0;
    virtual void SetTopmost(Window& window, bool topmost) = 0;
    // Shows the window modally and returns its close code when it closes.
    virtual int RunModal(Window& window) = 0;

    // Shows `menu` at a screen position; returns the chosen element's name,
    // or "" when the menu was dismissed.
    virtual std::string ShowPopupMenu(Window& owner, Menu& menu, Point screenPos) = 0;
    // The chosen path, or nullopt when cancelled.
    virtual std::optional<std::string> OpenFileDialog(Window* owner,
                                                      const FileDialogSpec& spec) = 0;
    virtual std::optional<std::string> SaveFileDialog(Window* owner,
                                                      const FileDialogSpec& spec) = 0;
    // A plain system message box (tools and fallbacks; the application's own
    // message box is a layout). Returns 1 when confirmed, 0 otherwise.
    virtual int ShowMessageBox(Window* owner, const std::string& title, const std::string& text,
                               MessageButtons buttons) = 0;

    // Returns false when the desktop has no tray (the caller then falls back).
    virtual bool ShowTrayIcon(const TrayIconSpec& spec, std::function<void(TrayEvent)> onEvent) = 0;
    virtual void RemoveTrayIcon() = 0;

    virtual Point CursorPos() const = 0;
    virtual Size ScreenSize() const = 0;
    // Registers a font file (absolute path) for the application; false on failure.
    virtual bool AddApplicationFont(const std::string& path) = 0;
};

}  // namespace ui
