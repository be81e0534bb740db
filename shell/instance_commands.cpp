#include "shell/instance_commands.h"

#include <sstream>
#include <vector>

#include "device/catalogue.h"
#include "shell/app_messages.h"
#include "shell/routes_macros.h"
#include "sim/sim_bus.h"

namespace app {

InstanceCommands::InstanceCommands(ui::WindowRef window, sim::SimBus* bus)
    : m_window(std::move(window)), m_bus(bus) {}

std::string InstanceCommands::Handle(const std::string& request) {
    std::istringstream words(request);
    std::string first, verb, kind, extra;
    words >> first >> verb >> kind >> extra;
    if (first == kRaiseRequest && verb.empty()) {
        // lParam 1: a second copy asked, as the instance message carries it.
        return m_window.Send(app_msg::kInstance, 0, 1) ? "ok" : "error: the window is gone";
    }
    if (first == "sim" && !verb.empty() && !kind.empty() && extra.empty()) {
        return HandleSim(verb, kind);
    }
    if (first == "macro") {
        MacroRequest macro{request, "error: the window is gone"};
        m_window.Send(app_msg::kMacroRequest, 0, reinterpret_cast<intptr_t>(&macro));
        return macro.reply;
    }
    return "error: unknown request";
}

std::string InstanceCommands::HandleSim(const std::string& verb, const std::string& kindName) {
    if (m_bus == nullptr) {
        return "error: the program does not run on the simulated devices (VELDMARK_HID=sim)";
    }
    std::vector<sim::DeviceKind> kinds;
    if (kindName.find(',') != std::string::npos || !sim::ParseKinds(kindName, kinds) ||
        kinds.size() != 1) {
        return "error: unknown device kind \"" + kindName +
               "\" (known: keyboard, mouse, mousepad, headset)";
    }
    std::shared_ptr<sim::SimDevice> device = m_bus->Find(kinds.front());
    if (verb == "plug") {
        if (!device) {
            m_bus->Add(kinds.front());
            return "ok plugged " + kindName;
        }
        return m_bus->Plug(device) ? "ok plugged " + kindName
                                   : "error: " + kindName + " is already plugged in";
    }
    if (verb == "unplug") {
        return device && m_bus->Unplug(device) ? "ok unplugged " + kindName
                                               : "error: " + kindName + " is not plugged in";
    }
    if (verb == "select") {
        return Select(kinds.front(), kindName);
    }
    return "error: unknown sim command \"" + verb + "\" (plug, unplug or select)";
}

std::string InstanceCommands::Select(sim::DeviceKind kind, const std::string& kindName) {
    static constexpr std::pair<sim::DeviceKind, int> kKinds[] = {
        {sim::DeviceKind::Keyboard, device::kKindKeyboard},
        {sim::DeviceKind::Mouse, device::kKindMouse},
        {sim::DeviceKind::Mousepad, device::kKindMousePad},
        {sim::DeviceKind::Headset, device::kKindHeadset},
    };
    for (const auto& [simKind, pageKind] : kKinds) {
        if (simKind == kind) {
            const std::optional<intptr_t> selected =
                m_window.Send(app_msg::kSelectKind, pageKind, 0);
            return selected.value_or(0) == 1 ? "ok selected " + kindName
                                             : "error: no " + kindName + " page is shown";
        }
    }
    return "error: unknown device kind";
}

}  // namespace app
