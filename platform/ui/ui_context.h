#pragma once
// The services every window of one UI thread shares: the loop, the host, the
// language table, the control factory and the skin folder. Owned by the host
// (HeadlessHost, or the Qt host), which outlives every window.

#include <filesystem>
#include <map>
#include <string>

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
    // Layout resource names (for example "XML_MAIN") → skin-relative paths.
    std::map<std::string, std::string> layoutAliases;

    LayoutLoader MakeLoader() const {
        LayoutLoader loader(factory, skinFolder);
        for (const auto& [name, path] : layoutAliases) {
            loader.SetAlias(name, path);
        }
        return loader;
    }
};

}  // namespace ui
