#pragma once
// What the skin tests share: where the shipped skin is, and a factory and
// layout builder that stand in for the application's classes the way the
// main window builds its pages (a tag such as "KeySetControlUI" loads the
// editor's layout file).

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/ui/container.h"
#include "platform/ui/control_factory.h"
#include "platform/ui/layout_loader.h"
#include "shell/controls/shell_controls.h"

namespace skintest {

inline std::filesystem::path DataFolder() {
    const char* dir = std::getenv("VELDMARK_DATA_DIR");
    return dir != nullptr ? std::filesystem::path(dir) : std::filesystem::path("data");
}

inline std::filesystem::path SkinFolder() {
    return DataFolder() / "skin";
}

// A stand-in keeps the short class name the layouts use for classes built
// elsewhere (device pages, editors, the profile list).
template <typename Base>
class StandIn final : public Base {
  public:
    explicit StandIn(std::string name) : m_class(std::move(name)) {}
    std::string_view GetClass() const override { return m_class; }

  private:
    std::string m_class;
};

inline void RegisterStandIns(ui::ControlFactory& factory) {
    for (const char* name : {"VeldmarkKeyboardDevice", "VeldmarkMouseDevice",
                             "VeldmarkHS6533Device", "VeldmarkMousePadDevice"}) {
        factory.Register(name,
                         [name] { return std::make_unique<StandIn<ui::HorizontalLayout>>(name); });
    }
    for (const char* name :
         {"KeySetControl", "MacroControl", "LightControl", "ShootControl", "Voice6533Control",
          "MagicControl", "DeviceProfile", "MpDevicePower", "DeviceOption"}) {
        factory.Register(name,
                         [name] { return std::make_unique<StandIn<ui::VerticalLayout>>(name); });
    }
}

// The layout rows of the main window's builder: a tag → the file it loads.
inline const std::map<std::string, std::string>& LayoutTags() {
    static const std::map<std::string, std::string> tags = {
        {"DeviceProfileUI", "XML/CustomControlXML/DeviceProfile.xml"},
        {"LightSetControlUI", "XML/CustomControlXML/LightControl.xml"},
        {"Voice6533SetControlUI", "XML/CustomControlXML/Voice6533Control.xml"},
        {"MagicSetControlUI", "XML/CustomControlXML/MagicControl.xml"},
        {"KeySetControlUI", "XML/CustomControlXML/KeySetControl.xml"},
        {"MacroSetControlUI", "XML/CustomControlXML/MacroControl.xml"},
        {"ShootKeySetControlUI", "XML/CustomControlXML/ShootControl.xml"},
    };
    return tags;
}

inline ui::LayoutLoader::Builder TagBuilder() {
    return [](std::string_view tag, ui::LayoutLoader& loader) -> std::unique_ptr<ui::Control> {
        auto it = LayoutTags().find(std::string(tag));
        if (it == LayoutTags().end()) {
            return nullptr;
        }
        // The editor layouts name no further tags of the builder.
        ui::LayoutLoader inner(loader);
        inner.SetBuilder({});
        return inner.LoadFile(it->second).root;
    };
}

struct SkinFactory {
    ui::ControlFactory factory;
    SkinFactory() {
        RegisterStandIns(factory);
        RegisterShellControls(factory);
    }
};

}  // namespace skintest
