#pragma once
// UiScript: the `ui` requests of the instance endpoint, run on the UI thread
// against the main window's control tree. A request acts through the same
// User... operations the Qt host calls for a person's input, so a script
// reaches the same routes as a click (see platform/ui/script_access.h).
//
//   tree [--page KIND] [NAME]            every control below NAME (or the page, or the
//                                        window), one a line, indented by depth:
//                                        class "name" visible|hidden enabled|disabled ["text"]
//   get [--page KIND] NAME PROPERTY      the value, one line (items: one a line)
//   set [--page KIND] NAME PROPERTY VALUE   as a person changes it
//   click [--page KIND] NAME
//   notify [--page KIND] NAME TYPE       raises notification TYPE with NAME as sender
//   wait [--page KIND] NAME PROPERTY VALUE [--timeout MS]   until NAME's PROPERTY reads
//                                        VALUE (default 5000 ms, at most 60000 ms)
//   screenshot                           the window as it is drawn now (PNG)
//
// KIND (keyboard, mouse, mousepad, headset) makes that device page the root of
// the search. Without it a name is looked up in an open modal window first,
// then in the current page, then in the whole main window, then in the other
// shown windows; the first of these that holds it must hold it once, or the
// request fails with the candidates listed.
//
// Replies: "ok" and the value lines, or "error: " and one line; for a
// screenshot "ok" and the PNG bytes after the first newline.
//
// Threads: UI thread; the reply callback may be called later (wait).

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CMainWnd;
class CVeldmarkUSBDevice;
namespace ui {
class Control;
class Window;
}  // namespace ui

namespace app {

class UiScript : public std::enable_shared_from_this<UiScript> {
  public:
    using Reply = std::function<void(std::string)>;
    // The PNG image of a window as drawn now; nullopt when nothing draws it.
    using Screenshot = std::function<std::optional<std::string>(ui::Window&)>;

    static constexpr int kDefaultWaitMs = 5000;
    static constexpr int kMaxWaitMs = 60000;

    UiScript(CMainWnd& window, Screenshot screenshot);
    ~UiScript();

    // `args` are the words after "ui".
    void Handle(const std::vector<std::string>& args, Reply reply);
    // The name of the newest modal window, "" when none runs.
    std::string ModalWindowName() const;

  private:
    struct Target;
    struct Waiter;

    CVeldmarkUSBDevice* PageOfKind(const std::string& kind, std::string& error);
    std::optional<Target> Find(const std::string& kind, const std::string& name,
                               std::string& error);
    std::string Tree(const std::string& kind, const std::string& name);
    void Wait(const std::string& kind, const std::string& name, const std::string& property,
              const std::string& value, int timeoutMs, Reply reply);
    void CheckWaiters();
    void ScheduleCheck();

    CMainWnd& m_window;
    Screenshot m_screenshot;
    std::vector<std::shared_ptr<Waiter>> m_waiters;
    bool m_checkPosted = false;
};

}  // namespace app
