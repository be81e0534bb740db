#pragma once
// Registers the application's own control classes with a control factory,
// under their class names ("CCircleProgressUI", ...), which the factory also
// finds by their short layout names ("CircleProgress", ...).

#include "platform/ui/control_factory.h"

void RegisterShellControls(ui::ControlFactory& factory);
