#pragma once
// Registers the application's control classes with the control factory, in
// the fixed order of the class table, plus the device page classes that the
// page layouts name by tag ("VeldmarkKeyboardDevice", ...). Classes whose
// implementation is not part of this build yet are registered as stand-ins
// of the same kind (a plain container, a button, an option, or the base
// device object for device pages), so that every layout still loads.

#include <string>
#include <vector>

#include "platform/ui/control_factory.h"

namespace app {

// The 23 application class names, in registration order.
const std::vector<std::string>& ApplicationControlClasses();

void RegisterApplicationControls(ui::ControlFactory& factory);

}  // namespace app
