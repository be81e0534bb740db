#pragma once
// Views of buttons, options and check boxes.
//
// Without skin images a button is drawn by the Qt style (so the skin's stylesheet decides
// its look): a push button; an option bound to a tab layout or without a group, a checkable
// push button; a grouped option, a radio button; a check box, a check box. With any image
// (background, state, fore) the view draws the model's images for its state instead:
// normal, hot, pushed, focused, disabled and their selected variants, with the text in the
// state's colour. A custom-painted button class draws over that look.
//
// Qt never toggles the widget by itself: a click goes to the model (UserClick), which
// selects, deselects and notifies; the widget's checked state then follows the model.

#include <QAbstractButton>

#include "shell/qt/control_view.h"

namespace qthost {

enum class ButtonKind { Push, Toggle, Radio, Check };

// The widget kind that shows `control` (a ui::Button or one of its subclasses).
ButtonKind ButtonKindOf(const ui::Control& control);
// Whether the control carries images that replace the Qt style's drawing.
bool HasSkinLook(const ui::Control& control);

// Creates the view of a button-like control.
QWidget* CreateButtonView(ui::Control& control, WindowView& window, QWidget* parent);

}  // namespace qthost
