#pragma once
// The services every window of one UI thread shares: the loop, the host, the
// language table, the control factory and the skin folder. Owned by the host
// (HeadlessHost, or the Qt host), which outlives every window.

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/control_factory.h"
#include "platform/ui/dispatcher.h"
#include "platform/ui/host_operations.h"
#include "platform/ui/language_table.h"
#include "platform/ui/layout_loader.h"

namespace ui {

class Window;

// Every window of one UI thread, in the order they were made, and the
// listeners told when one comes or goes (a script that waits for a window).
class WindowList {
  public:
    const std::vector<Window*>& All() const { return m_windows; }
    void Add(Window* window) {
        m_windows.push_back(window);
        Changed();
    }
    void Remove(Window* window) {
        std::erase(m_windows, window);
        Changed();
    }
    int AddListener(std::function<void()> listener) {
        m_listeners.emplace_back(m_nextId, std::move(listener));
        return m_nextId++;
    }
    void RemoveListener(int id) {
        std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
    }

  private:
    void Changed() {
        for (auto& [id, listener] : std::vector(m_listeners)) {
            listener();
        }
    }
    std::vector<Window*> m_windows;
    std::vector<std::pair<int, std::function<void()>>> m_listeners;
    int m_nextId = 1;
};

struct UiContext {
    Dispatcher& dispatcher;
    HostOperations& host;
    LanguageTable& language;
    ControlFactory& factory;
    std::filesystem::path skinFolder;
    // Layout resource names (for example "XML_MAIN") → skin-relative paths.
    std::map<std::string, std::string> layoutAliases;
    WindowList windows;
    // The application's message box for a plain text, installed by the
    // application; without one, messages use the host's plain box.
    std::function<void(Window* owner, const std::string& text)> showMessage;

    LayoutLoader MakeLoader() const {
        LayoutLoader loader(factory, skinFolder);
        for (const auto& [name, path] : layoutAliases) {
            loader.SetAlias(name, path);
        }
        return loader;
    }
};

}  // namespace ui
