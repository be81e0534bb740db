#include "shell/control_classes.h"

#include <memory>

#include "device/usb_device.h"
#include "editors/combo_edit_element.h"
#include "editors/key_set_control.h"
#include "editors/light_control_ui.h"
#include "editors/macro_control.h"
#include "headset/hs6533_device.h"
#include "headset/magic_control_ui.h"
#include "headset/voice6533_control_ui.h"
#include "keyboard/keyboard_device.h"
#include "mouse/mouse_device.h"
#include "mouse/shoot_control_ui.h"
#include "mousepad/mousepad_device.h"
#include "mousepad/mp_device_power_ui.h"
#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/list.h"
#include "profile/controls/device_option_ui.h"
#include "profile/controls/device_profile_ui.h"
#ifdef VELDMARK_HAVE_SHELL_CONTROLS
#include "shell/controls/shell_controls.h"
#endif

namespace app {
namespace {

template <typename T>
ui::ControlFactory::Creator Make() {
    return [] { return std::make_unique<T>(); };
}

// A stand-in keeps the short class name ("SelectPanel") that code looking
// for the real class by name expects.
template <typename Base>
class StandIn final : public Base {
  public:
    explicit StandIn(std::string_view className) : m_class(className) {}
    std::string_view GetClass() const override { return m_class; }

  private:
    std::string_view m_class;
};

template <typename Base>
ui::ControlFactory::Creator StandInOf(std::string_view shortName) {
    return [shortName] { return std::make_unique<StandIn<Base>>(shortName); };
}

struct ClassRow {
    const char* name;
    ui::ControlFactory::Creator create;
};

std::vector<ClassRow> ClassTable() {
    return {
        {"CCircleProgressUI", StandInOf<ui::Control>("CircleProgress")},
        {"CChartViewUI", StandInOf<ui::Container>("ChartView")},
        {"CWndUI", StandInOf<ui::Container>("Wnd")},
        {"CSelectPanelUI", StandInOf<ui::HorizontalLayout>("SelectPanel")},
        {"CDeviceKeyButtonUI", StandInOf<ui::Option>("DeviceKeyButton")},
        {"CCloudShareListItemUI", StandInOf<ui::ListContainerElement>("CloudShareListItem")},
        {"CUpdateInfoListItemUI", StandInOf<ui::ListContainerElement>("UpdateInfoListItem")},
        {"CDeviceOptionUI", Make<CDeviceOptionUI>()},
        {"CMpDevicePowerUI", Make<CMpDevicePowerUI>()},
        {"CComboEditContainerElementUI", Make<CComboEditContainerElementUI>()},
        {"CHandImgButtonUI", StandInOf<ui::Button>("HandImgButton")},
        {"CHandImgSelectButtonUI", StandInOf<ui::Option>("HandImgSelectButton")},
        {"CRedioMacroButtonUI", StandInOf<ui::Option>("RedioMacroButton")},
        {"CLightControlUI", Make<CLightControlUI>()},
        {"CMacroControlUI", Make<CMacroControlUI>()},
        {"CKeySetControlUI", Make<CKeySetControlUI>()},
        {"CDeviceProfileUI", Make<CDeviceProfileUI>()},
        {"CShootControlUI", Make<CShootControlUI>()},
        {"CMagicControlUI", Make<CMagicControlUI>()},
        {"CVoice6533ControlUI", Make<CVoice6533ControlUI>()},
        {"CVeldmarkUSBDevice", Make<CVeldmarkUSBDevice>()},
        {"CVeldmarkMousePadDevice", Make<CVeldmarkMousePadDevice>()},
        {"CVeldmarkHS6533Device", Make<CVeldmarkHS6533Device>()},
    };
}

}  // namespace

const std::vector<std::string>& ApplicationControlClasses() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const ClassRow& row : ClassTable()) {
            out.emplace_back(row.name);
        }
        return out;
    }();
    return names;
}

void RegisterApplicationControls(ui::ControlFactory& factory) {
    for (ClassRow& row : ClassTable()) {
        factory.Register(row.name, std::move(row.create));
    }
    // Page layouts name the device classes without the leading C.
    factory.Register("VeldmarkUSBDevice", Make<CVeldmarkUSBDevice>());
    factory.Register("VeldmarkMousePadDevice", Make<CVeldmarkMousePadDevice>());
    factory.Register("VeldmarkHS6533Device", Make<CVeldmarkHS6533Device>());
    factory.Register("VeldmarkKeyboardDevice", Make<CVeldmarkKeyboardDevice>());
    factory.Register("VeldmarkMouseDevice", Make<CVeldmarkMouseDevice>());
#ifdef VELDMARK_HAVE_SHELL_CONTROLS
    RegisterShellControls(factory);
#endif
}

}  // namespace app
