#pragma once
// Reading controls and acting on them from a script the way a person would:
// the properties a control's class has, by name, and the person's actions
// (a click, a slider let go at a value, an item chosen, text typed into an
// edit, a colour picked), which go through the same User... operations the
// host calls for real input and so raise the same notifications.
//
// Properties, and the classes that have them:
//   class, name, userdata, tooltip, visible, enabled   every control
//   text        every control that is not a container, and list items
//   selected    options (check boxes, tabs, radio buttons) and list items
//   value, min, max   progress bars and sliders
//   items, cursel     lists and drop-downs (items: one text a line)
//   tab               tab layouts (the index of the child shown)
//   color             colour palettes ("#rrggbb"), and classes that add it
//   rect              every control: where the host laid it out, in window
//                     pixels ("left top right bottom"); read only
// A class adds properties of its own by implementing ScriptableControl.
// "visible" is what a person sees: the control, every ancestor, and on the
// way every tab layout's shown child.
//
// A person changes value (a slider: "valuechanged"), selected (an option:
// "click" and "selectchanged"), cursel (a drop-down: "itemselect"; a list:
// the item pressed, "itemselect" and "itemclick"), text (an edit: "setfocus",
// the typing, "killfocus") and color (a palette: "colorchanged"). Every check
// is made before anything is touched: a refused change changes nothing.
//
// UI thread only.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class Control;

// A control class with properties beyond those of the classes it derives from.
class ScriptableControl {
  public:
    virtual ~ScriptableControl() = default;
    // The names of the properties it adds.
    virtual std::vector<std::string> ScriptPropertyNames() const = 0;
    // The value of one of them (one line, or one item a line); nullopt for a
    // name it does not add.
    virtual std::optional<std::vector<std::string>> ScriptProperty(std::string_view name) const = 0;
};

struct ScriptResult {
    bool ok = true;
    std::string error;               // one line when !ok
    std::vector<std::string> lines;  // the value read
    static ScriptResult Fail(std::string error) { return {false, std::move(error), {}}; }
    static ScriptResult Value(std::vector<std::string> lines) {
        return {true, {}, std::move(lines)};
    }
};

// Every property name the control's class has, built-in ones first.
std::vector<std::string> ScriptPropertyNames(const Control& control);
ScriptResult GetScriptProperty(const Control& control, std::string_view name);
// Whether the value equals what GetScriptProperty reads (booleans as
// true/false or 1/0, colours in any case).
bool ScriptValueMatches(const Control& control, std::string_view name, std::string_view value);
ScriptResult SetScriptProperty(Control& control, std::string_view name, std::string_view value);
// A click: buttons and options as the host clicks them, list items pressed
// and released. Refused for a disabled control or one a person cannot click.
ScriptResult ScriptClick(Control& control);
// Whether a person sees the control (see above).
bool IsShownInWindow(const Control& control);

}  // namespace ui
