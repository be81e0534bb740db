#include "shell/qt/view_factory.h"

#include "platform/ui/button.h"
#include "platform/ui/custom_control.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "platform/ui/menu.h"
#include "platform/ui/range_controls.h"
#include "shell/qt/button_view.h"
#include "shell/qt/input_views.h"
#include "shell/qt/plain_view.h"

namespace qthost {

QWidget* CreateView(ui::Control& control, WindowView& window, QWidget* parent) {
    if (dynamic_cast<ui::Menu*>(&control) != nullptr) {
        return nullptr;
    }
    if (dynamic_cast<ui::Combo*>(&control) != nullptr) {
        return CreateComboView(control, window, parent);
    }
    if (dynamic_cast<ui::Button*>(&control) != nullptr) {
        return CreateButtonView(control, window, parent);
    }
    if (dynamic_cast<ui::Progress*>(&control) != nullptr) {
        return dynamic_cast<ui::Slider*>(&control) != nullptr && !control.IsCustomPainted()
                   ? CreateSliderView(control, window, parent)
                   : CreateProgressView(control, window, parent);
    }
    if (control.AsContainer() != nullptr || control.IsCustomPainted()) {
        return new PlainView(control, window, parent);
    }
    if (dynamic_cast<ui::Edit*>(&control) != nullptr) {
        return CreateEditView(control, window, parent);
    }
    if (dynamic_cast<ui::ColorPalette*>(&control) != nullptr) {
        return CreatePaletteView(control, window, parent);
    }
    return new PlainView(control, window, parent);
}

}  // namespace qthost
