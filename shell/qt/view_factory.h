#pragma once
// Picks the widget that shows a control, by what the control is (most specific first).

#include <QWidget>

namespace ui {
class Control;
}

namespace qthost {

class WindowView;

// A new view for `control` parented to `parent`, or null for controls that are not shown
// in a window (menus, which appear only as pop-ups).
QWidget* CreateView(ui::Control& control, WindowView& window, QWidget* parent);

}  // namespace qthost
