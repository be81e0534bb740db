#pragma once
// How a host learns of every change of the model, so that it can mirror the
// control tree as native widgets. The model calls these on the UI thread,
// after the change took effect; an observer reads the new state through the
// controls' typed accessors. Observers must not destroy the control they are
// told about from inside a callback.

#include <string_view>

namespace ui {

class Control;
class Container;
class Window;

// Which property of a control changed. One value may cover several related
// accessors (Images covers every image state, Geometry every size hint).
enum class Property {
    Name,
    UserData,  // user data text and tag
    Text,      // text, or the language the text key resolves through
    Tooltip,
    Visible,
    Enabled,
    Focus,
    Images,  // any image string (background, normal, hot, pushed, ...)
    Colors,  // any colour (text, background, border, ...)
    Font,
    Geometry,       // fixed size, min/max, padding, float position, inset
    Attribute,      // an attribute kept only in the control's attribute bag
    Selected,       // option/check state, list element selection
    Group,          // option group or tab binding
    Value,          // slider/progress value
    Range,          // slider/progress min, max, step
    SelectedIndex,  // tab layout, list and combo selection
    Items,          // list/combo item height or other item-wide settings
    EditState,      // read-only, max length, number-only, hint, password
    Scroll,         // scroll position or an ensure-visible request
    HostRect,       // the host reported a new on-screen rectangle
    Custom,         // an application control's own state; see its class
};

enum class WindowProperty {
    Title,
    Size,
    Visible,
    Modal,
    Fonts,
    Caption,  // caption area, size box, round corners, min/max sizes
    Root,     // the root control was attached or replaced
    Background,
};

class TreeObserver {
  public:
    virtual ~TreeObserver() = default;

    virtual void OnPropertyChanged(Control& control, Property property) = 0;
    // A child joined `parent` at `index`; its own subtree is complete.
    virtual void OnChildInserted(Container& parent, Control& child, size_t index) = 0;
    // A child is about to leave `parent` (it is still in the tree and alive).
    virtual void OnChildRemoving(Container& parent, Control& child, size_t index) = 0;
    // A custom-painted control asks to be painted again.
    virtual void OnRepaintRequested(Control& /*control*/) {}
    virtual void OnTimerSet(Control& /*control*/, int /*id*/, int /*intervalMs*/,
                            bool /*periodic*/) {}
    virtual void OnTimerKilled(Control& /*control*/, int /*id*/) {}
    virtual void OnWindowChanged(Window& /*window*/, WindowProperty /*property*/) {}
};

}  // namespace ui
