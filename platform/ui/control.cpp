#include "platform/ui/control.h"

#include <utility>

#include "platform/ui/container.h"
#include "platform/ui/window.h"

namespace ui {
namespace {

size_t Index(ImageState s) {
    return static_cast<size_t>(s);
}
size_t Index(ColorRole r) {
    return static_cast<size_t>(r);
}

// Builders for the common attribute kinds, so each table row stays one line.
AttributeTable::Setter StringSetter(void (Control::*set)(std::string)) {
    return [set](Control& c, std::string_view v) {
        (c.*set)(std::string(v));
        return true;
    };
}

AttributeTable::Setter BoolSetter(void (Control::*set)(bool)) {
    return [set](Control& c, std::string_view v) {
        auto b = ParseBool(v);
        if (b) {
            (c.*set)(*b);
        }
        return b.has_value();
    };
}

AttributeTable::Setter IntSetter(void (Control::*set)(int)) {
    return [set](Control& c, std::string_view v) {
        auto i = ParseInt(v);
        if (i) {
            (c.*set)(*i);
        }
        return i.has_value();
    };
}

AttributeTable::Setter ImageSetter(ImageState state) {
    return [state](Control& c, std::string_view v) {
        c.SetImage(state, std::string(v));
        return true;
    };
}

AttributeTable::Setter ColorSetter(ColorRole role) {
    return [role](Control& c, std::string_view v) {
        auto color = ParseColor(v);
        if (color) {
            c.SetColor(role, *color);
        }
        return color.has_value();
    };
}

AttributeTable::Setter FontFieldSetter(void (*apply)(FontSpec&, std::string_view, bool&)) {
    return [apply](Control& c, std::string_view v) {
        FontSpec font = c.GetFont();
        bool ok = true;
        apply(font, v, ok);
        if (ok) {
            c.SetFont(std::move(font));
        }
        return ok;
    };
}

template <typename Apply>
AttributeTable::Setter SizeSetter(Apply apply) {
    return [apply](Control& c, std::string_view v) {
        auto s = ParseSize(v);
        if (s) {
            apply(c, *s);
        }
        return s.has_value();
    };
}

AttributeTable BuildControlTable() {
    AttributeTable t;
    t.Add("name", StringSetter(&Control::SetName))
        .Add("userdata", StringSetter(&Control::SetUserData))
        .Add("text", StringSetter(&Control::SetText))
        .Add("textkey", StringSetter(&Control::SetTextKey))
        .Add("tooltip", StringSetter(&Control::SetTooltip))
        .Add("tooltipkey", StringSetter(&Control::SetTooltipKey))
        .Add("visible", BoolSetter(&Control::SetVisible))
        .Add("enabled", BoolSetter(&Control::SetEnabled))
        .Add("menu", BoolSetter(&Control::SetContextMenu))
        .Add("width", IntSetter(&Control::SetFixedWidth))
        .Add("height", IntSetter(&Control::SetFixedHeight));
    t.Add("tag", [](Control& c, std::string_view v) {
        auto i = ParseInt(v);
        if (i) {
            c.SetTag(*i);
        }
        return i.has_value();
    });
    const std::pair<const char*, ImageState> images[] = {
        {"bkimage", ImageState::Background},
        {"normalimage", ImageState::Normal},
        {"hotimage", ImageState::Hot},
        {"pushedimage", ImageState::Pushed},
        {"focusedimage", ImageState::Focused},
        {"disabledimage", ImageState::Disabled},
        {"selectedimage", ImageState::Selected},
        {"selectedhotimage", ImageState::SelectedHot},
        {"selectedpushedimage", ImageState::SelectedPushed},
        {"selecteddisabledimage", ImageState::SelectedDisabled},
        {"foreimage", ImageState::Fore},
        {"thumbimage", ImageState::Thumb},
        {"thumbhotimage", ImageState::ThumbHot},
        {"thumbpushedimage", ImageState::ThumbPushed},
    };
    for (const auto& [name, state] : images) {
        t.Add(name, ImageSetter(state));
    }
    const std::pair<const char*, ColorRole> colors[] = {
        {"bkcolor", ColorRole::Background},
        {"textcolor", ColorRole::Text},
        {"bordercolor", ColorRole::Border},
        {"disabledtextcolor", ColorRole::DisabledText},
        {"selectedtextcolor", ColorRole::SelectedText},
        {"hottextcolor", ColorRole::HotText},
        {"pushedtextcolor", ColorRole::PushedText},
        {"focusbordercolor", ColorRole::FocusedBorder},
        {"forecolor", ColorRole::Fore},
        {"selectedbkcolor", ColorRole::SelectedBackground},
        {"hotbkcolor", ColorRole::HotBackground},
    };
    for (const auto& [name, role] : colors) {
        t.Add(name, ColorSetter(role));
    }
    t.Add("font", FontFieldSetter([](FontSpec& f, std::string_view v, bool& ok) {
              auto id = ParseInt(v);
              ok = id.has_value();
              f.id = id.value_or(-1);
          }));
    t.Add("fontface",
          FontFieldSetter([](FontSpec& f, std::string_view v, bool&) { f.face = std::string(v); }));
    t.Add("fontsize", FontFieldSetter([](FontSpec& f, std::string_view v, bool& ok) {
              auto size = ParseInt(v);
              ok = size.has_value() && *size >= 0;
              f.size = ok ? *size : f.size;
          }));
    t.Add("bold", FontFieldSetter([](FontSpec& f, std::string_view v, bool& ok) {
              auto b = ParseBool(v);
              ok = b.has_value();
              f.bold = b.value_or(f.bold);
          }));
    t.Add("italic", FontFieldSetter([](FontSpec& f, std::string_view v, bool& ok) {
              auto b = ParseBool(v);
              ok = b.has_value();
              f.italic = b.value_or(f.italic);
          }));
    t.Add("underline", FontFieldSetter([](FontSpec& f, std::string_view v, bool& ok) {
              auto b = ParseBool(v);
              ok = b.has_value();
              f.underline = b.value_or(f.underline);
          }));
    t.Add("minwidth", [](Control& c, std::string_view v) {
        auto i = ParseInt(v);
        if (i)
            c.SetMinSize({*i, c.GetMinSize().height});
        return i.has_value();
    });
    t.Add("minheight", [](Control& c, std::string_view v) {
        auto i = ParseInt(v);
        if (i)
            c.SetMinSize({c.GetMinSize().width, *i});
        return i.has_value();
    });
    t.Add("maxwidth", [](Control& c, std::string_view v) {
        auto i = ParseInt(v);
        if (i)
            c.SetMaxSize({*i, c.GetMaxSize().height});
        return i.has_value();
    });
    t.Add("maxheight", [](Control& c, std::string_view v) {
        auto i = ParseInt(v);
        if (i)
            c.SetMaxSize({c.GetMaxSize().width, *i});
        return i.has_value();
    });
    t.Add("minsize", SizeSetter([](Control& c, Size s) { c.SetMinSize(s); }));
    t.Add("maxsize", SizeSetter([](Control& c, Size s) { c.SetMaxSize(s); }));
    t.Add("padding", [](Control& c, std::string_view v) {
        auto r = ParseRect(v);
        if (r)
            c.SetPadding(*r);
        return r.has_value();
    });
    t.Add("float", [](Control& c, std::string_view v) {
        auto b = ParseBool(v);
        if (b)
            c.SetFloat(*b, c.GetFloatPos());
        return b.has_value();
    });
    t.Add("pos", [](Control& c, std::string_view v) {
        auto r = ParseRect(v);
        if (r)
            c.SetFloat(c.IsFloat(), *r);
        return r.has_value();
    });
    return t;
}

}  // namespace

// --- AttributeTable ---

AttributeTable& AttributeTable::Add(std::string_view name, Setter setter) {
    m_setters[ToLowerAscii(name)] = std::move(setter);
    return *this;
}

const AttributeTable::Setter* AttributeTable::Find(std::string_view name) const {
    std::string key = ToLowerAscii(name);
    for (const AttributeTable* t = this; t != nullptr; t = t->m_base) {
        auto it = t->m_setters.find(key);
        if (it != t->m_setters.end()) {
            return &it->second;
        }
    }
    return nullptr;
}

// --- Control ---

Control::Control() : m_self(std::make_shared<Control*>(this)) {}

Control::~Control() {
    *m_self = nullptr;
}

bool Control::IsDescendantOf(const Control& ancestor) const {
    for (const Control* c = this; c != nullptr; c = c->m_parent) {
        if (c == &ancestor) {
            return true;
        }
    }
    return false;
}

void Control::SetName(std::string name) {
    if (name == m_name) {
        return;
    }
    std::string old = std::exchange(m_name, std::move(name));
    if (m_window != nullptr) {
        m_window->Rename(*this, old);
    }
    Changed(Property::Name);
}

void Control::SetUserData(std::string data) {
    if (data != m_userData) {
        m_userData = std::move(data);
        Changed(Property::UserData);
    }
}

void Control::SetTag(intptr_t tag) {
    if (tag != m_tag) {
        m_tag = tag;
        Changed(Property::UserData);
    }
}

std::string Control::GetText() const {
    if (m_text.isKey && m_window != nullptr) {
        return m_window->Context().language.Resolve(m_text.text);
    }
    return m_text.text;
}

void Control::SetText(std::string text) {
    TextValue value{std::move(text), false};
    if (value != m_text) {
        m_text = std::move(value);
        Changed(Property::Text);
    }
}

void Control::SetTextKey(std::string key) {
    TextValue value{std::move(key), true};
    if (value != m_text) {
        m_text = std::move(value);
        Changed(Property::Text);
    }
}

std::string Control::GetTooltip() const {
    if (m_tooltip.isKey && m_window != nullptr) {
        return m_window->Context().language.Resolve(m_tooltip.text);
    }
    return m_tooltip.text;
}

void Control::SetTooltip(std::string text) {
    TextValue value{std::move(text), false};
    if (value != m_tooltip) {
        m_tooltip = std::move(value);
        Changed(Property::Tooltip);
    }
}

void Control::SetTooltipKey(std::string key) {
    TextValue value{std::move(key), true};
    if (value != m_tooltip) {
        m_tooltip = std::move(value);
        Changed(Property::Tooltip);
    }
}

bool Control::IsVisibleInTree() const {
    for (const Control* c = this; c != nullptr; c = c->m_parent) {
        if (!c->m_visible) {
            return false;
        }
    }
    return true;
}

void Control::SetVisible(bool visible) {
    if (visible != m_visible) {
        m_visible = visible;
        Changed(Property::Visible);
    }
}

void Control::SetEnabled(bool enabled) {
    if (enabled != m_enabled) {
        m_enabled = enabled;
        Changed(Property::Enabled);
    }
}

bool Control::IsFocused() const {
    return m_window != nullptr && m_window->GetFocus() == this;
}

void Control::SetFocus() {
    if (m_window != nullptr) {
        m_window->SetFocus(this);
    }
}

const std::string& Control::GetImage(ImageState state) const {
    static const std::string kEmpty;
    return state == ImageState::Count ? kEmpty : m_images[Index(state)];
}

void Control::SetImage(ImageState state, std::string image) {
    if (state == ImageState::Count || m_images[Index(state)] == image) {
        return;
    }
    m_images[Index(state)] = std::move(image);
    Changed(Property::Images);
}

std::optional<Color> Control::GetColor(ColorRole role) const {
    return role == ColorRole::Count ? std::nullopt : m_colors[Index(role)];
}

void Control::SetColor(ColorRole role, Color color) {
    if (role == ColorRole::Count || m_colors[Index(role)] == color) {
        return;
    }
    m_colors[Index(role)] = color;
    Changed(Property::Colors);
}

void Control::ClearColor(ColorRole role) {
    if (role == ColorRole::Count || !m_colors[Index(role)]) {
        return;
    }
    m_colors[Index(role)].reset();
    Changed(Property::Colors);
}

void Control::SetFont(FontSpec font) {
    if (!(font == m_font)) {
        m_font = std::move(font);
        Changed(Property::Font);
    }
}

void Control::SetFixedWidth(int width) {
    width = width < 0 ? 0 : width;
    if (width != m_fixed.width) {
        m_fixed.width = width;
        Changed(Property::Geometry);
    }
}

void Control::SetFixedHeight(int height) {
    height = height < 0 ? 0 : height;
    if (height != m_fixed.height) {
        m_fixed.height = height;
        Changed(Property::Geometry);
    }
}

void Control::SetMinSize(Size size) {
    if (!(size == m_min)) {
        m_min = size;
        Changed(Property::Geometry);
    }
}

void Control::SetMaxSize(Size size) {
    if (!(size == m_max)) {
        m_max = size;
        Changed(Property::Geometry);
    }
}

void Control::SetPadding(const Padding& padding) {
    if (!(padding == m_padding)) {
        m_padding = padding;
        Changed(Property::Geometry);
    }
}

void Control::SetFloat(bool isFloat, const Rect& pos) {
    if (isFloat != m_float || !(pos == m_floatPos)) {
        m_float = isFloat;
        m_floatPos = pos;
        Changed(Property::Geometry);
    }
}

void Control::SetHostRect(const Rect& rect) {
    if (!(rect == m_hostRect)) {
        m_hostRect = rect;
        Changed(Property::HostRect);
    }
}

bool Control::SetAttribute(std::string_view name, std::string_view value) {
    if (const AttributeTable::Setter* setter = Attributes().Find(name)) {
        return (*setter)(*this, value);
    }
    std::string key = ToLowerAscii(name);
    auto it = m_bag.find(key);
    if (it == m_bag.end() || it->second != value) {
        m_bag[std::move(key)] = std::string(value);
        Changed(Property::Attribute);
    }
    return true;
}

std::optional<std::string> Control::GetAttribute(std::string_view name) const {
    auto it = m_bag.find(ToLowerAscii(name));
    if (it == m_bag.end()) {
        return std::nullopt;
    }
    return it->second;
}

const AttributeTable& Control::Attributes() const {
    return ControlAttributes();
}

const AttributeTable& Control::ControlAttributes() {
    static const AttributeTable table = BuildControlTable();
    return table;
}

void Control::SendNotify(std::string_view type, intptr_t wParam, intptr_t lParam) {
    Notification n{std::string(type), this, wParam, lParam};
    if (m_window != nullptr) {
        m_window->SendNotify(n);
    } else {
        DeliverToListeners(n);
    }
}

int Control::AddListener(Listener listener) {
    int id = m_nextListenerId++;
    m_listeners.emplace_back(id, std::move(listener));
    return id;
}

void Control::RemoveListener(int id) {
    std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
}

void Control::DeliverToListeners(const Notification& notification) {
    if (m_listeners.empty()) {
        return;
    }
    ControlHandle self = Handle();
    // A listener may add or remove listeners, or destroy this control.
    auto listeners = m_listeners;
    for (auto& [id, listener] : listeners) {
        if (!self.IsAlive()) {
            return;
        }
        bool stillListed = false;
        for (const auto& entry : m_listeners) {
            stillListed = stillListed || entry.first == id;
        }
        if (stillListed) {
            listener(notification);
        }
    }
}

bool Control::SetTimer(int id, int intervalMs, TimerKind kind) {
    return m_window != nullptr && m_window->SetControlTimer(*this, id, intervalMs, kind);
}

bool Control::KillTimer(int id) {
    return m_window != nullptr && m_window->KillControlTimer(*this, id);
}

bool Control::HasTimer(int id) const {
    return m_window != nullptr && m_window->HasControlTimer(*this, id);
}

void Control::OnTimer(int id) {
    SendNotify(notify::kTimer, id);
}

void Control::Invalidate() {
    if (m_window != nullptr) {
        m_window->NotifyRepaint(*this);
    }
}

bool Control::HandleInput(const InputEvent& event) {
    if (event.type == InputEvent::Type::ContextMenu) {
        UserContextMenu(event.pos);
        return m_contextMenu;
    }
    return false;
}

void Control::UserContextMenu(Point at) {
    if (m_contextMenu && m_enabled) {
        SendNotify(notify::kMenu, at.x, at.y);
    }
}

void Control::Changed(Property property) {
    if (m_window != nullptr) {
        m_window->NotifyPropertyChanged(*this, property);
    }
}

const std::string& Notification::SenderName() const {
    static const std::string kEmpty;
    return sender != nullptr ? sender->GetName() : kEmpty;
}

}  // namespace ui
