#include "platform/ui/window.h"

#include <algorithm>

#include "platform/trace/trace.h"
#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/edit.h"

namespace ui {
namespace {

template <typename F>
void ForEachInTree(Control& control, const F& visit) {
    visit(control);
    if (Container* box = control.AsContainer()) {
        for (size_t i = 0; i < box->GetCount(); ++i) {
            ForEachInTree(*box->GetItemAt(i), visit);
        }
    }
}

// Calls every still-registered entry of a handler list that callbacks may change.
template <typename List, typename Call>
void CallStillListed(const List& live, Call call) {
    auto snapshot = live;
    for (auto& [id, fn] : snapshot) {
        bool listed = std::any_of(live.begin(), live.end(),
                                  [id = id](const auto& entry) { return entry.first == id; });
        if (listed && !call(fn)) {
            return;
        }
    }
}

// The tree belongs to the UI thread; a change from elsewhere is a race the
// caller must fix (by Dispatcher::Send or Post), so it is made visible.
void CheckUiThread(const Dispatcher& dispatcher, const Control& control, const char* what) {
    if (!dispatcher.IsUiThread()) {
        platform::trace::Format("ui: %s of %.*s \"%s\" off the UI thread", what,
                                static_cast<int>(control.GetClass().size()),
                                control.GetClass().data(), control.GetName().c_str());
    }
}

}  // namespace

// --- WindowRef ---

std::optional<intptr_t> WindowRef::Send(uint32_t message, intptr_t wParam, intptr_t lParam) const {
    if (m_dispatcher == nullptr || !m_cell) {
        return std::nullopt;
    }
    intptr_t result = 0;
    bool delivered = false;
    auto cell = m_cell;
    bool ran = m_dispatcher->Send([&] {
        if (Window* window = *cell) {
            result = window->HandleMessage(message, wParam, lParam);
            delivered = true;
        }
    });
    if (!ran || !delivered) {
        return std::nullopt;
    }
    return result;
}

bool WindowRef::Post(uint32_t message, intptr_t wParam, intptr_t lParam) const {
    if (m_dispatcher == nullptr || !m_cell) {
        return false;
    }
    return m_dispatcher->Post([cell = m_cell, message, wParam, lParam] {
        if (Window* window = *cell) {
            window->HandleMessage(message, wParam, lParam);
        }
    });
}

// --- Window ---

Window::Window(UiContext& context, std::string name)
    : m_context(context), m_name(std::move(name)), m_cell(std::make_shared<Window*>(this)) {
    m_languageListener = m_context.language.AddListener([this] { OnLanguageChanged(); });
    m_context.host.WindowCreated(*this);
    m_context.windows.Add(this);
}

Window::~Window() {
    m_context.windows.Remove(this);
    m_context.host.WindowDestroyed(*this);
    m_context.language.RemoveListener(m_languageListener);
    if (m_root) {
        DetachSubtree(*m_root);
        m_root.reset();
    }
    *m_cell = nullptr;
}

WindowRef Window::Ref() const {
    return WindowRef(&m_context.dispatcher, m_cell);
}

void Window::Attach(std::unique_ptr<Control> root, const WindowLayout* layout) {
    std::unique_ptr<Control> old = DetachRoot();
    if (layout != nullptr) {
        ApplyLayout(*layout);
    }
    m_root = std::move(root);
    if (!m_root) {
        WindowChanged(WindowProperty::Root);
        return;
    }
    AttachSubtree(*m_root);
    // Tabs bound to options that start selected show their page.
    ForEachInTree(*m_root, [](Control& c) {
        if (auto* option = dynamic_cast<Option*>(&c)) {
            option->SyncBoundTab();
        }
    });
    WindowChanged(WindowProperty::Root);
    SendNotify(Notification{std::string(notify::kWindowInit), m_root.get(), 0, 0});
}

bool Window::LoadLayout(std::string_view file, const LayoutLoader::Builder& builder,
                        std::string* error) {
    LayoutLoader loader = m_context.MakeLoader();
    loader.SetBuilder(builder);
    LayoutResult result = loader.LoadFile(file);
    if (!result.ok()) {
        if (error != nullptr) {
            *error = result.error;
        }
        return false;
    }
    Attach(std::move(result.root), result.window ? &*result.window : nullptr);
    return true;
}

std::unique_ptr<Control> Window::DetachRoot() {
    if (!m_root) {
        return nullptr;
    }
    DetachSubtree(*m_root);
    std::unique_ptr<Control> root = std::move(m_root);
    WindowChanged(WindowProperty::Root);
    return root;
}

void Window::AttachSubtree(Control& control) {
    control.m_window = this;
    ++m_controlCount;
    IndexName(control);
    if (Container* box = control.AsContainer()) {
        for (size_t i = 0; i < box->GetCount(); ++i) {
            AttachSubtree(*box->GetItemAt(i));
        }
    }
    control.OnAttached(*this);
}

void Window::DetachSubtree(Control& control) {
    control.OnDetaching(*this);
    if (Container* box = control.AsContainer()) {
        for (size_t i = 0; i < box->GetCount(); ++i) {
            DetachSubtree(*box->GetItemAt(i));
        }
    }
    // A control's timers end when it leaves its window.
    m_context.dispatcher.Timers().KillAll(&control);
    UnindexName(control);
    if (m_focus.Get() == &control) {
        m_focus = ControlHandle();
    }
    control.m_window = nullptr;
    --m_controlCount;
}

void Window::IndexName(Control& control) {
    if (!control.GetName().empty()) {
        m_names[control.GetName()].push_back(&control);
    }
}

void Window::UnindexName(Control& control) {
    auto it = m_names.find(control.GetName());
    if (it == m_names.end()) {
        return;
    }
    std::erase(it->second, &control);
    if (it->second.empty()) {
        m_names.erase(it);
    }
}

void Window::Rename(Control& control, const std::string& oldName) {
    auto it = m_names.find(oldName);
    if (it != m_names.end()) {
        std::erase(it->second, &control);
        if (it->second.empty()) {
            m_names.erase(it);
        }
    }
    IndexName(control);
}

Control* Window::FindControl(std::string_view name) const {
    auto it = m_names.find(name);
    return it != m_names.end() ? it->second.front() : nullptr;
}

const std::vector<Control*>& Window::FindControls(std::string_view name) const {
    static const std::vector<Control*> kNone;
    auto it = m_names.find(name);
    return it != m_names.end() ? it->second : kNone;
}

std::vector<Control*> Window::FindControlsByClass(std::string_view className) const {
    std::vector<Control*> out;
    if (m_root) {
        ForEachInTree(*m_root, [&](Control& c) {
            if (c.GetClass() == className) {
                out.push_back(&c);
            }
        });
    }
    return out;
}

// --- Notifications ---

int Window::AddNotifyHandler(NotifyHandler handler) {
    int id = m_nextHandlerId++;
    m_handlers.emplace_back(id, std::move(handler));
    return id;
}

void Window::RemoveNotifyHandler(int id) {
    std::erase_if(m_handlers, [id](const auto& entry) { return entry.first == id; });
}

void Window::SendNotify(const Notification& notification) {
    ControlHandle sender = notification.sender ? notification.sender->Handle() : ControlHandle();
    std::shared_ptr<Window*> self = m_cell;
    if (notification.sender != nullptr) {
        notification.sender->DeliverToListeners(notification);
        if (!sender.IsAlive()) {
            return;
        }
    }
    CallStillListed(m_handlers, [&](NotifyHandler& handler) {
        handler(notification);
        // Stop when a receiver destroyed the window or the sender.
        return *self != nullptr && (notification.sender == nullptr || sender.IsAlive());
    });
}

void Window::PostNotify(const Notification& notification) {
    ControlHandle sender = notification.sender ? notification.sender->Handle() : ControlHandle();
    m_context.dispatcher.Post([cell = m_cell, sender, notification] {
        Window* window = *cell;
        if (window == nullptr || (notification.sender != nullptr && !sender.IsAlive())) {
            return;
        }
        window->SendNotify(notification);
    });
}

// --- Focus ---

bool Window::SetFocus(Control* control) {
    Control* old = m_focus.Get();
    if (control == old) {
        return true;
    }
    if (control != nullptr &&
        (control->GetWindow() != this || !control->IsVisibleInTree() || !control->IsEnabled())) {
        return false;
    }
    ControlHandle target = control != nullptr ? control->Handle() : ControlHandle();
    m_focus = target;
    if (old != nullptr) {
        old->Changed(Property::Focus);
        old->SendNotify(notify::kKillFocus);
    }
    // A killfocus receiver may have moved the focus elsewhere or removed the target.
    Control* now = target.Get();
    if (now != nullptr && m_focus.Get() == now) {
        now->Changed(Property::Focus);
        now->SendNotify(notify::kSetFocus);
    }
    return true;
}

// --- Option groups ---

std::vector<Option*> Window::GetOptionGroup(std::string_view group) const {
    auto it = m_groups.find(std::string(group));
    return it != m_groups.end() ? it->second : std::vector<Option*>();
}

void Window::RegisterOption(Option& option) {
    if (option.GetGroup().empty()) {
        return;
    }
    auto& members = m_groups[option.GetGroup()];
    // An option that joins selected wins over the group's earlier selection.
    if (option.IsSelected()) {
        for (Option* other : members) {
            other->SetSelected(false, Notify::No);
        }
    }
    members.push_back(&option);
}

void Window::UnregisterOption(Option& option) {
    auto it = m_groups.find(option.GetGroup());
    if (it != m_groups.end()) {
        std::erase(it->second, &option);
        if (it->second.empty()) {
            m_groups.erase(it);
        }
    }
}

void Window::RegroupOption(Option& option, const std::string& oldGroup) {
    auto it = m_groups.find(oldGroup);
    if (it != m_groups.end()) {
        std::erase(it->second, &option);
        if (it->second.empty()) {
            m_groups.erase(it);
        }
    }
    RegisterOption(option);
}

// --- Observers ---

void Window::AddObserver(TreeObserver* observer) {
    if (observer != nullptr &&
        std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end()) {
        m_observers.push_back(observer);
    }
}

void Window::RemoveObserver(TreeObserver* observer) {
    std::erase(m_observers, observer);
}

void Window::NotifyPropertyChanged(Control& control, Property property) {
    CheckUiThread(m_context.dispatcher, control, "property change");
    for (TreeObserver* observer : std::vector<TreeObserver*>(m_observers)) {
        observer->OnPropertyChanged(control, property);
    }
}

void Window::NotifyRepaint(Control& control) {
    // Asked for thousands of times a second, so the list is not copied; it
    // is walked by index, which stays safe should an observer leave meanwhile.
    for (size_t i = 0; i < m_observers.size(); ++i) {
        m_observers[i]->OnRepaintRequested(control);
    }
}

void Window::OnChildInserted(Container& parent, Control& child, size_t index) {
    CheckUiThread(m_context.dispatcher, child, "insertion");
    for (TreeObserver* observer : std::vector<TreeObserver*>(m_observers)) {
        observer->OnChildInserted(parent, child, index);
    }
}

void Window::OnChildRemoving(Container& parent, Control& child, size_t index) {
    CheckUiThread(m_context.dispatcher, child, "removal");
    for (TreeObserver* observer : std::vector<TreeObserver*>(m_observers)) {
        observer->OnChildRemoving(parent, child, index);
    }
}

void Window::WindowChanged(WindowProperty property) {
    for (TreeObserver* observer : std::vector<TreeObserver*>(m_observers)) {
        observer->OnWindowChanged(*this, property);
    }
}

// --- Timers ---

bool Window::SetControlTimer(Control& control, int id, int intervalMs, TimerKind kind) {
    if (intervalMs < 0 || control.GetWindow() != this) {
        return false;
    }
    bool oneShot = kind == TimerKind::OneShot;
    int64_t due = m_context.dispatcher.GetClock().NowMs() + intervalMs;
    m_context.dispatcher.Timers().Set(&control, id, due, intervalMs, !oneShot,
                                      [cell = m_cell, handle = control.Handle(), id, oneShot] {
                                          if (Window* window = *cell) {
                                              window->FireTimer(handle, id, oneShot);
                                          }
                                      });
    for (TreeObserver* observer : std::vector<TreeObserver*>(m_observers)) {
        observer->OnTimerSet(control, id, intervalMs, !oneShot);
    }
    return true;
}

bool Window::KillControlTimer(Control& control, int id) {
    if (!m_context.dispatcher.Timers().Kill(&control, id)) {
        return false;
    }
    for (TreeObserver* observer : std::vector<TreeObserver*>(m_observers)) {
        observer->OnTimerKilled(control, id);
    }
    return true;
}

bool Window::HasControlTimer(const Control& control, int id) const {
    return m_context.dispatcher.Timers().Has(&control, id);
}

void Window::FireTimer(const ControlHandle& handle, int id, bool oneShot) {
    Control* control = handle.Get();
    if (control == nullptr || control->GetWindow() != this) {
        return;
    }
    if (oneShot) {
        for (TreeObserver* observer : std::vector<TreeObserver*>(m_observers)) {
            observer->OnTimerKilled(*control, id);
        }
    }
    control->OnTimer(id);
}

// --- Window state ---

void Window::SetTitle(std::string title) {
    if (title != m_title) {
        m_title = std::move(title);
        WindowChanged(WindowProperty::Title);
    }
}

void Window::SetSize(Size size) {
    if (!(size == m_size)) {
        m_size = size;
        WindowChanged(WindowProperty::Size);
    }
}

void Window::SetMinMaxSize(Size minSize, Size maxSize) {
    m_minSize = minSize;
    m_maxSize = maxSize;
    WindowChanged(WindowProperty::Caption);
}

void Window::SetCaption(const Rect& caption, const Rect& sizeBox, Size roundCorner) {
    m_caption = caption;
    m_sizeBox = sizeBox;
    m_roundCorner = roundCorner;
    WindowChanged(WindowProperty::Caption);
}

void Window::SetFont(int id, FontSpec font, bool isDefault) {
    font.id = id;
    m_fonts[id] = std::move(font);
    if (isDefault || m_defaultFont < 0) {
        m_defaultFont = id;
    }
    WindowChanged(WindowProperty::Fonts);
}

void Window::RemoveAllFonts() {
    m_fonts.clear();
    m_defaultFont = -1;
    WindowChanged(WindowProperty::Fonts);
}

FontSpec Window::ResolveFont(const Control& control) const {
    const FontSpec& own = control.GetFont();
    if (own.id >= 0) {
        if (auto it = m_fonts.find(own.id); it != m_fonts.end()) {
            return it->second;
        }
    }
    FontSpec font = own;
    auto def = m_fonts.find(m_defaultFont);
    if (def != m_fonts.end()) {
        if (font.face.empty()) {
            font.face = def->second.face;
        }
        if (font.size == 0) {
            font.size = def->second.size;
        }
    }
    font.id = -1;
    return font;
}

void Window::ApplyLayout(const WindowLayout& layout) {
    if (!layout.title.empty()) {
        SetTitle(layout.title);
    }
    SetSize(layout.size);
    m_minSize = layout.minSize;
    m_maxSize = layout.maxSize;
    SetCaption(layout.caption, layout.sizeBox, layout.roundCorner);
    for (const auto& entry : layout.fonts) {
        SetFont(entry.id, entry.font, entry.isDefault);
    }
    m_extra = layout.extra;
}

void Window::OnLanguageChanged() {
    if (!m_root) {
        return;
    }
    ForEachInTree(*m_root, [this](Control& c) {
        if (c.GetTextValue().isKey) {
            NotifyPropertyChanged(c, Property::Text);
        }
        if (c.GetTooltipValue().isKey) {
            NotifyPropertyChanged(c, Property::Tooltip);
        }
        if (auto* edit = dynamic_cast<Edit*>(&c); edit != nullptr && edit->GetHintValue().isKey) {
            NotifyPropertyChanged(c, Property::EditState);
        }
    });
}

void Window::HostResized(Size size) {
    SetSize(size);
    SendNotify(
        Notification{std::string(notify::kWindowSize), m_root.get(), size.width, size.height});
}

// --- Host requests ---

void Window::Show() {
    m_closed = false;
    if (!m_visible) {
        m_visible = true;
        WindowChanged(WindowProperty::Visible);
    }
    m_context.host.ShowWindow(*this, true);
}

void Window::Hide() {
    if (m_visible) {
        m_visible = false;
        WindowChanged(WindowProperty::Visible);
    }
    m_context.host.ShowWindow(*this, false);
}

void Window::Close(int code) {
    if (m_closed) {
        return;
    }
    m_closed = true;
    m_closeCode = code;
    if (m_visible) {
        m_visible = false;
        WindowChanged(WindowProperty::Visible);
    }
    m_context.host.CloseWindow(*this, code);
}

void Window::Activate() {
    m_context.host.ActivateWindow(*this);
}

void Window::Minimize() {
    m_state = WindowState::Minimized;
    m_context.host.SetWindowState(*this, m_state);
}

void Window::Maximize() {
    m_state = WindowState::Maximized;
    m_context.host.SetWindowState(*this, m_state);
}

void Window::Restore() {
    m_state = WindowState::Normal;
    m_context.host.SetWindowState(*this, m_state);
}

void Window::CenterOnScreen() {
    m_context.host.CenterWindow(*this);
}

void Window::SetTopmost(bool topmost) {
    m_context.host.SetTopmost(*this, topmost);
}

int Window::ShowModal() {
    m_closed = false;
    m_modal = true;
    m_visible = true;
    WindowChanged(WindowProperty::Modal);
    std::shared_ptr<Window*> self = m_cell;
    int code = m_context.host.RunModal(*this);
    if (*self != nullptr) {
        m_modal = false;
        WindowChanged(WindowProperty::Modal);
    }
    return code;
}

intptr_t Window::HandleMessage(uint32_t message, intptr_t wParam, intptr_t lParam) {
    if (!m_messageHandler) {
        return 0;
    }
    bool handled = false;
    return m_messageHandler(message, wParam, lParam, handled);
}

void TellUser(Window& owner, const std::string& text) {
    UiContext& context = owner.Context();
    if (context.showMessage) {
        context.showMessage(&owner, text);
    } else {
        context.host.ShowMessageBox(&owner, "", text, MessageButtons::Ok);
    }
}

}  // namespace ui
