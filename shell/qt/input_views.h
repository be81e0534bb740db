#pragma once
// Views of the controls the user types into or drags: one-line and multi-line edits,
// sliders, progress bars, drop-down lists and the colour palette.
//
// Each one writes what the user did into the model through the control's User...
// operation (which applies the model's rules and raises the notification) and then shows
// what the model kept:
//   edit        typing -> UserSetText ("textchanged"; the model may cut or filter the text,
//               and the widget is corrected to what it stored), Enter -> UserReturn
//               ("return"), focus in/out -> the window's focus ("setfocus"/"killfocus")
//   slider      drag -> UserDrag ("movevaluechanged") for every step, release -> UserCommit
//               ("valuechanged"); a click on the groove jumps there and commits; keys and
//               the wheel commit every step
//   combo       a choice -> SelectItem ("itemselect")
//   palette     a click or a drag released on the colour field -> UserPick ("colorchanged")

#include <QWidget>

namespace ui {
class Control;
}

namespace qthost {

class WindowView;

QWidget* CreateEditView(ui::Control& control, WindowView& window, QWidget* parent);
QWidget* CreateSliderView(ui::Control& control, WindowView& window, QWidget* parent);
QWidget* CreateProgressView(ui::Control& control, WindowView& window, QWidget* parent);
QWidget* CreateComboView(ui::Control& control, WindowView& window, QWidget* parent);
QWidget* CreatePaletteView(ui::Control& control, WindowView& window, QWidget* parent);

// The colour at a point of the palette's field (hue left to right, white at the top through
// the pure hue in the middle to black at the bottom). Exposed for tests.
QColor PaletteColorAt(const QPoint& point, const QSize& size);

}  // namespace qthost
