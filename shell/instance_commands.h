#pragma once
// What the running program answers on its single-instance endpoint. A request
// is one line of words (platform::session::SplitRequestWords). Each reply
// starts with "ok" or "error: " and may go on with lines of its own:
//
//   raise                  another copy was started: the window comes to the front
//   sim select KIND        simulated mode only: shows that device's page
//   sim ...                simulated mode only: the bus (shell/sim_commands.h)
//   ui ...                 the window's controls (shell/ui_script.h)
//   macro …                veldmarkctl's macro changes (shell/routes_macros.h)
//   key …                  veldmarkctl's key changes (shell/routes_keys.h)
//
// Threads: Handle runs on the endpoint's thread and never waits for the UI
// thread: work for the window is posted there and answered from there. The
// bus is safe from any thread, so its requests are answered at once.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/window.h"

namespace sim {
class SimBus;
}
namespace platform::audio {
class SimAudio;
}

namespace app {

class UiScript;

inline constexpr const char* kRaiseRequest = "raise";

class InstanceCommands {
  public:
    using Reply = std::function<void(std::string)>;

    // bus: the simulated bus when the program runs on it, else null; script:
    // the `ui` requests (null: refused). Both must outlive the endpoint.
    InstanceCommands(ui::WindowRef window, ui::Dispatcher& dispatcher, sim::SimBus* bus,
                     std::shared_ptr<UiScript> script = nullptr);
    void Handle(const std::string& request, Reply reply);
    // The simulated audio library, for `sim audio headset`.
    void SetSimAudio(std::shared_ptr<platform::audio::SimAudio> audio) {
        m_audio = std::move(audio);
    }

  private:
    void Select(const std::string& kindName, Reply reply);
    void PostUi(std::vector<std::string> words, Reply reply);

    ui::WindowRef m_window;
    ui::Dispatcher& m_dispatcher;
    sim::SimBus* m_bus;
    std::weak_ptr<UiScript> m_script;
    std::shared_ptr<platform::audio::SimAudio> m_audio;
};

}  // namespace app
