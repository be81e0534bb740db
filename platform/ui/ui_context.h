#pragma once
// The services every window of one UI thread shares: the loop, the host, the
// language table, the control factory and the skin folder. Owned by the host
// (HeadlessHost, or the Qt host), which outlives every window.

#include <filesystem>

#include "platform/ui/control_factory.h"
#include "platform/ui/dispatcher.h"
#include "platform/ui/host_operations.h"
#include "platform/ui/language_table.h"
#include "platform/ui/layout_loader.h"

namespace ui {

struct UiContext {
    Dispatcher& dispatcher;
    HostOperations& host;
    LanguageTable& language;
    ControlFactory& factory;
    std::filesystem::path skinFolder;

    LayoutLoader MakeLoader() const { return LayoutLoader(factory, skinFolder); }
};

}  // namespace ui
