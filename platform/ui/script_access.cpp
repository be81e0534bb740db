#include "platform/ui/script_access.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/custom_control.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "platform/ui/range_controls.h"
#include "platform/ui/window.h"

namespace ui {
namespace {

using Lines = std::vector<std::string>;
using Getter = std::function<std::optional<Lines>(const Control&)>;

std::string Bool(bool value) {
    return value ? "true" : "false";
}

std::string Rgb(Color c) {
    char text[8];
    std::snprintf(text, sizeof(text), "#%02x%02x%02x", c.Red(), c.Green(), c.Blue());
    return text;
}

template <typename T>
const T* As(const Control& c) {
    return dynamic_cast<const T*>(&c);
}

// Built-in properties: a getter yields nothing for a class that lacks the property.
struct ScriptProp {
    const char* name;
    Getter get;
};

const std::vector<ScriptProp>& Properties() {
    static const std::vector<ScriptProp> table = {
        {"class", [](const Control& c) { return Lines{std::string(c.GetClass())}; }},
        {"name", [](const Control& c) { return Lines{c.GetName()}; }},
        {"userdata", [](const Control& c) { return Lines{c.GetUserData()}; }},
        {"tooltip", [](const Control& c) { return Lines{c.GetTooltip()}; }},
        {"visible", [](const Control& c) { return Lines{Bool(IsShownInWindow(c))}; }},
        {"enabled", [](const Control& c) { return Lines{Bool(c.IsEnabled())}; }},
        {"text",
         [](const Control& c) -> std::optional<Lines> {
             auto* box = const_cast<Control&>(c).AsContainer();
             if (box != nullptr && As<ListElement>(c) == nullptr) {
                 return std::nullopt;
             }
             return Lines{c.GetText()};
         }},
        {"selected",
         [](const Control& c) -> std::optional<Lines> {
             if (auto* option = As<Option>(c)) {
                 return Lines{Bool(option->IsSelected())};
             }
             if (auto* item = As<ListElement>(c)) {
                 return Lines{Bool(item->IsSelected())};
             }
             return std::nullopt;
         }},
        {"value",
         [](const Control& c) -> std::optional<Lines> {
             auto* p = As<Progress>(c);
             return p ? std::optional(Lines{std::to_string(p->GetValue())}) : std::nullopt;
         }},
        {"min",
         [](const Control& c) -> std::optional<Lines> {
             auto* p = As<Progress>(c);
             return p ? std::optional(Lines{std::to_string(p->GetMinValue())}) : std::nullopt;
         }},
        {"max",
         [](const Control& c) -> std::optional<Lines> {
             auto* p = As<Progress>(c);
             return p ? std::optional(Lines{std::to_string(p->GetMaxValue())}) : std::nullopt;
         }},
        {"items",
         [](const Control& c) -> std::optional<Lines> {
             auto* list = As<ListBase>(c);
             if (list == nullptr) {
                 return std::nullopt;
             }
             Lines items;
             for (int i = 0; i < list->GetItemCount(); ++i) {
                 items.push_back(list->GetItem(i)->GetText());
             }
             return items;
         }},
        {"cursel",
         [](const Control& c) -> std::optional<Lines> {
             auto* list = As<ListBase>(c);
             return list ? std::optional(Lines{std::to_string(list->GetCurSel())}) : std::nullopt;
         }},
        {"tab",
         [](const Control& c) -> std::optional<Lines> {
             auto* tabs = As<TabLayout>(c);
             return tabs ? std::optional(Lines{std::to_string(tabs->GetCurSel())}) : std::nullopt;
         }},
        {"rect",
         [](const Control& c) {
             const Rect& r = c.GetHostRect();
             return Lines{std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                          std::to_string(r.right) + " " + std::to_string(r.bottom)};
         }},
        {"color",
         [](const Control& c) -> std::optional<Lines> {
             auto* palette = As<ColorPalette>(c);
             return palette ? std::optional(Lines{Rgb(palette->GetSelectColor())}) : std::nullopt;
         }},
    };
    return table;
}

std::string Describe(const Control& c) {
    return std::string(c.GetClass()) + " \"" + c.GetName() + "\"";
}

ScriptResult Lacks(const Control& c, std::string_view name) {
    std::string known;
    for (const std::string& n : ScriptPropertyNames(c)) {
        known += (known.empty() ? "" : ", ") + n;
    }
    return ScriptResult::Fail(Describe(c) + " has no property \"" + std::string(name) +
                              "\" (it has: " + known + ")");
}

ScriptResult Refused(const Control& c, const std::string& why) {
    return ScriptResult::Fail(Describe(c) + ": " + why);
}

size_t Utf8Length(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char ch) {
        return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    }));
}

// What the edit would keep of `value`, checked before it is typed.
std::optional<std::string> EditRefusal(const Edit& edit, std::string_view value) {
    if (edit.IsReadOnly()) {
        return "the edit is read-only";
    }
    if (edit.IsNumberOnly()) {
        if (!std::all_of(value.begin(), value.end(),
                         [](char ch) { return ch >= '0' && ch <= '9'; })) {
            return "the edit takes only digits";
        }
        const std::optional<int> number = ParseInt(value);
        if (!value.empty() && (!number || (edit.GetMinValue() && *number < *edit.GetMinValue()) ||
                               (edit.GetMaxValue() && *number > *edit.GetMaxValue()))) {
            return "the edit takes numbers from " +
                   (edit.GetMinValue() ? std::to_string(*edit.GetMinValue()) : std::string("0")) +
                   (edit.GetMaxValue() ? " to " + std::to_string(*edit.GetMaxValue()) : "");
        }
    }
    if (edit.GetMaxChars() > 0 && Utf8Length(value) > static_cast<size_t>(edit.GetMaxChars())) {
        return "the edit takes at most " + std::to_string(edit.GetMaxChars()) + " characters";
    }
    return std::nullopt;
}

ScriptResult TypeText(Control& c, std::string_view value) {
    auto* edit = dynamic_cast<Edit*>(&c);
    if (edit == nullptr) {
        return Refused(c, "only an edit takes typed text");
    }
    if (!edit->IsEnabled()) {
        return Refused(c, "it is disabled");
    }
    if (std::optional<std::string> why = EditRefusal(*edit, value)) {
        return Refused(c, *why);
    }
    Window* window = edit->GetWindow();
    if (window == nullptr || !IsShownInWindow(*edit) || !window->SetFocus(edit)) {
        return Refused(c, "it is not shown, so it cannot take the focus");
    }
    const ControlHandle self = edit->Handle();
    edit->UserSetText(value);
    if (self.IsAlive() && window->GetFocus() == edit) {
        window->SetFocus(nullptr);
    }
    return {};
}

ScriptResult ChangeValue(Control& c, std::string_view value) {
    auto* slider = dynamic_cast<Slider*>(&c);
    if (slider == nullptr) {
        return Refused(c, "only a slider's value can be changed by hand");
    }
    const std::optional<int> number = ParseInt(value);
    if (!number || *number < slider->GetMinValue() || *number > slider->GetMaxValue()) {
        return Refused(c, "the value must be a number from " +
                              std::to_string(slider->GetMinValue()) + " to " +
                              std::to_string(slider->GetMaxValue()));
    }
    if (!slider->IsEnabled()) {
        return Refused(c, "it is disabled");
    }
    slider->UserCommit(*number);
    return {};
}

ScriptResult ChangeSelected(Control& c, std::string_view value) {
    const std::optional<bool> wanted = ParseBool(value);
    if (!wanted) {
        return Refused(c, "selected takes true or false");
    }
    if (!c.IsEnabled()) {
        return Refused(c, "it is disabled");
    }
    if (auto* option = dynamic_cast<Option*>(&c)) {
        if (option->IsSelected() == *wanted) {
            return {};
        }
        if (!*wanted && !option->GetGroup().empty()) {
            return Refused(c, "an option of a group is unselected by selecting another one");
        }
        option->UserClick();
        return {};
    }
    if (auto* item = dynamic_cast<ListElement*>(&c)) {
        if (item->IsSelected() == *wanted) {
            return {};
        }
        ListBase* owner = item->GetOwner();
        if (!*wanted && (owner == nullptr || !owner->IsMultiSelect())) {
            return Refused(c, "an item is unselected by choosing another one");
        }
        item->UserPress(!*wanted || (owner != nullptr && owner->IsMultiSelect()));
        item->UserClick();
        return {};
    }
    return Refused(c, "only options and list items can be selected");
}

ScriptResult ChangeCursel(Control& c, std::string_view value) {
    auto* list = dynamic_cast<ListBase*>(&c);
    if (list == nullptr) {
        return Refused(c, "only lists and drop-downs have items to choose");
    }
    const std::optional<int> index = ParseInt(value);
    if (!index || *index < 0 || *index >= list->GetItemCount()) {
        return Refused(c, "choose an item from 0 to " + std::to_string(list->GetItemCount() - 1));
    }
    ListElement* item = list->GetItem(*index);
    if (!list->IsEnabled() || !item->IsEnabled()) {
        return Refused(c, "it is disabled");
    }
    if (dynamic_cast<Combo*>(list) != nullptr) {
        list->SelectItem(*index, Notify::Yes);
    } else {
        const ControlHandle self = item->Handle();
        item->UserPress();
        if (self.IsAlive()) {
            item->UserClick();
        }
    }
    return {};
}

ScriptResult PickColor(Control& c, std::string_view value) {
    auto* palette = dynamic_cast<ColorPalette*>(&c);
    if (palette == nullptr) {
        return Refused(c, "only a colour palette takes a colour");
    }
    const std::optional<Color> color = ParseColor(value);
    if (!color || value.size() != 7 || value[0] != '#') {
        return Refused(c, "a colour is written #rrggbb");
    }
    if (!palette->IsEnabled()) {
        return Refused(c, "it is disabled");
    }
    palette->UserPick(*color);
    return {};
}

}  // namespace

std::vector<std::string> ScriptPropertyNames(const Control& control) {
    std::vector<std::string> names;
    for (const ScriptProp& p : Properties()) {
        if (p.get(control)) {
            names.emplace_back(p.name);
        }
    }
    if (auto* own = dynamic_cast<const ScriptableControl*>(&control)) {
        for (std::string& n : own->ScriptPropertyNames()) {
            if (std::find(names.begin(), names.end(), n) == names.end()) {
                names.push_back(std::move(n));
            }
        }
    }
    return names;
}

ScriptResult GetScriptProperty(const Control& control, std::string_view name) {
    // A class's own property comes first: it knows its state best.
    if (auto* own = dynamic_cast<const ScriptableControl*>(&control)) {
        if (std::optional<Lines> value = own->ScriptProperty(name)) {
            return ScriptResult::Value(std::move(*value));
        }
    }
    for (const ScriptProp& p : Properties()) {
        if (name == p.name) {
            if (std::optional<Lines> value = p.get(control)) {
                return ScriptResult::Value(std::move(*value));
            }
            break;
        }
    }
    return Lacks(control, name);
}

bool ScriptValueMatches(const Control& control, std::string_view name, std::string_view value) {
    const ScriptResult current = GetScriptProperty(control, name);
    if (!current.ok) {
        return false;
    }
    std::string joined;
    for (size_t i = 0; i < current.lines.size(); ++i) {
        joined += (i == 0 ? "" : "\n") + current.lines[i];
    }
    if (joined == value) {
        return true;
    }
    const std::optional<bool> a = ParseBool(joined);
    const std::optional<bool> b = ParseBool(value);
    if (a && b && (joined == "true" || joined == "false")) {
        return *a == *b;
    }
    return joined.size() == 7 && joined[0] == '#' && EqualsNoCase(joined, value);
}

ScriptResult SetScriptProperty(Control& control, std::string_view name, std::string_view value) {
    const std::vector<std::string> names = ScriptPropertyNames(control);
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        return Lacks(control, name);
    }
    if (name == "value") {
        return ChangeValue(control, value);
    }
    if (name == "selected") {
        return ChangeSelected(control, value);
    }
    if (name == "cursel") {
        return ChangeCursel(control, value);
    }
    if (name == "text") {
        return TypeText(control, value);
    }
    if (name == "color") {
        return PickColor(control, value);
    }
    return Refused(control, "a person cannot change its " + std::string(name));
}

ScriptResult ScriptClick(Control& control) {
    if (!control.IsEnabled()) {
        return Refused(control, "it is disabled");
    }
    if (auto* button = dynamic_cast<Button*>(&control)) {
        button->UserClick();
        return {};
    }
    if (auto* item = dynamic_cast<ListElement*>(&control)) {
        const ControlHandle self = item->Handle();
        item->UserPress();
        if (self.IsAlive()) {
            item->UserClick();
        }
        return {};
    }
    return Refused(control, "a person cannot click it (send the notification with notify)");
}

bool IsShownInWindow(const Control& control) {
    const Control* child = &control;
    if (!child->IsVisible()) {
        return false;
    }
    for (const Container* parent = child->GetParent(); parent != nullptr;
         child = parent, parent = parent->GetParent()) {
        if (!parent->IsVisible()) {
            return false;
        }
        if (auto* tabs = dynamic_cast<const TabLayout*>(parent);
            tabs != nullptr && tabs->GetItemIndex(child) != tabs->GetCurSel()) {
            return false;
        }
    }
    return true;
}

}  // namespace ui
