#pragma once
// What the running program answers on its single-instance endpoint. Each
// request is one line, each answer one line beginning with "ok" or "error":
//
//   raise                  another copy was started: the window comes to the front
//   sim plug <kind>        simulated mode only: plugs in a simulated device
//   sim unplug <kind>      (kind: keyboard, mouse, mousepad, headset)
//   sim select <kind>      simulated mode only: shows that device's page
//   macro …                veldmarkctl's macro changes (shell/routes_macros.h)
//
// Threads: Handle runs on the endpoint's thread; the window is reached
// through a synchronous send, the simulated bus is safe from any thread.

#include <string>

#include "platform/ui/window.h"

#include "sim/firmware.h"

namespace sim {
class SimBus;
}

namespace app {

inline constexpr const char* kRaiseRequest = "raise";

class InstanceCommands {
  public:
    // bus: the simulated bus when the program runs on it, else null.
    InstanceCommands(ui::WindowRef window, sim::SimBus* bus);
    std::string Handle(const std::string& request);

  private:
    std::string HandleSim(const std::string& verb, const std::string& kindName);

    std::string Select(sim::DeviceKind kind, const std::string& kindName);

    ui::WindowRef m_window;
    sim::SimBus* m_bus;
};

}  // namespace app
