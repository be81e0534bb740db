#include "shell/controls/shell_controls.h"

#include "shell/controls/circle_progress.h"
#include "shell/controls/device_key_button.h"
#include "shell/controls/hand_img_button.h"
#include "shell/controls/host_controls.h"
#include "shell/controls/radio_macro_button.h"
#include "shell/controls/select_panel.h"

void RegisterShellControls(ui::ControlFactory& factory) {
    factory.Register<CCircleProgressUI>("CCircleProgressUI");
    factory.Register<CChartViewUI>("CChartViewUI");
    factory.Register<CWndUI>("CWndUI");
    factory.Register<CSelectPanelUI>("CSelectPanelUI");
    factory.Register<CDeviceKeyButtonUI>("CDeviceKeyButtonUI");
    factory.Register<CCloudShareListItemUI>("CCloudShareListItemUI");
    factory.Register<CHandImgButtonUI>("CHandImgButtonUI");
    factory.Register<CHandImgSelectButtonUI>("CHandImgSelectButtonUI");
    factory.Register<CRedioMacroButtonUI>("CRedioMacroButtonUI");
}
