#include "shell/ui_script.h"

#include <algorithm>

#include "device/usb_device.h"
#include "platform/ui/container.h"
#include "platform/ui/script_access.h"
#include "platform/ui/tree_observer.h"
#include "platform/ui/window.h"
#include "shell/main_wnd.h"

namespace app {
namespace {

std::string Ok(const std::vector<std::string>& lines = {}) {
    std::string out = "ok";
    for (const std::string& line : lines) {
        out += "\n" + line;
    }
    return out;
}

std::string Error(const std::string& text) {
    return "error: " + text;
}

// A text on one line: newlines and tabs written as \n and \t.
std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '\n' ? "\\n" : c == '\t' ? "\\t" : std::string(1, c);
    }
    return out;
}

// "--page KIND" and "--timeout MS" may stand anywhere; the rest are the words.
struct Words {
    std::vector<std::string> words;
    std::string page;
    std::optional<int> timeoutMs;
    std::string error;
};

Words Split(const std::vector<std::string>& args) {
    Words out;
    for (size_t i = 0; i < args.size(); ++i) {
        if ((args[i] == "--page" || args[i] == "--timeout") && i + 1 < args.size()) {
            if (args[i] == "--page") {
                out.page = args[++i];
            } else {
                const std::optional<int> ms = ui::ParseInt(args[++i]);
                if (!ms || *ms < 0) {
                    out.error = "--timeout takes milliseconds";
                }
                out.timeoutMs = ms;
            }
        } else {
            out.words.push_back(args[i]);
        }
    }
    return out;
}

const char* PageKindName(int kind) {
    switch (kind) {
        case device::kKindKeyboard:
            return "keyboard";
        case device::kKindMouse:
        case device::kKindSlowMouse:
            return "mouse";
        case device::kKindMousePad:
            return "mousepad";
        case device::kKindHeadset:
            return "headset";
        default:
            return "device";
    }
}

// Where a control sits, for a person choosing between candidates:
// "mousepad page: DeviceProfileItem/profile_menu_layout/device_add_btn".
std::string PathOf(const ui::Control& control) {
    std::string path;
    std::string page;
    for (const ui::Control* c = &control; c != nullptr; c = c->GetParent()) {
        if (auto* device = dynamic_cast<const CVeldmarkUSBDevice*>(c); device && page.empty()) {
            page = std::string(PageKindName(device->GetKind())) + " page: ";
        }
        if (!c->GetName().empty()) {
            path = c->GetName() + (path.empty() ? "" : "/" + path);
        }
    }
    const ui::Window* window = control.GetWindow();
    return (window != nullptr ? window->GetName() + " " : std::string()) + page + path;
}

void TreeLines(const ui::Control& control, int depth, std::vector<std::string>& lines) {
    std::string line(static_cast<size_t>(depth) * 2, ' ');
    line += std::string(control.GetClass()) + " \"" + control.GetName() + "\" " +
            (ui::IsShownInWindow(control) ? "visible " : "hidden ") +
            (control.IsEnabled() ? "enabled" : "disabled");
    if (const ui::ScriptResult text = ui::GetScriptProperty(control, "text"); text.ok) {
        line += " \"" + OneLine(text.lines.empty() ? std::string() : text.lines.front()) + "\"";
    }
    lines.push_back(std::move(line));
    if (auto* box = const_cast<ui::Control&>(control).AsContainer()) {
        for (size_t i = 0; i < box->GetCount(); ++i) {
            TreeLines(*box->GetItemAt(i), depth + 1, lines);
        }
    }
}

}  // namespace

// A control found by name; the handle tells whether it is still there.
struct UiScript::Target {
    ui::Control* control = nullptr;
};

// One `wait` in progress: it is checked whenever a window changes, and
// answered when the value is there or the time is up.
struct UiScript::Waiter : ui::TreeObserver {
    UiScript* script = nullptr;
    std::string kind, name, property, value;
    Reply reply;
    std::vector<ui::Window*> watched;
    int windowListener = 0;
    bool done = false;

    void Touch() { script->ScheduleCheck(); }
    void OnPropertyChanged(ui::Control&, ui::Property) override { Touch(); }
    void OnChildInserted(ui::Container&, ui::Control&, size_t) override { Touch(); }
    void OnChildRemoving(ui::Container&, ui::Control&, size_t) override { Touch(); }
    void OnWindowChanged(ui::Window&, ui::WindowProperty) override { Touch(); }

    // Watches every window of the context, also those made while waiting.
    void Watch(ui::UiContext& context) {
        const std::vector<ui::Window*>& all = context.windows.All();
        std::erase_if(watched, [&](ui::Window* w) {
            return std::find(all.begin(), all.end(), w) == all.end();
        });
        for (ui::Window* w : all) {
            if (std::find(watched.begin(), watched.end(), w) == watched.end()) {
                w->AddObserver(this);
                watched.push_back(w);
            }
        }
    }

    void Finish(ui::UiContext& context, std::string answer) {
        if (done) {
            return;
        }
        done = true;
        context.dispatcher.Timers().Kill(this, 1);
        context.windows.RemoveListener(windowListener);
        for (ui::Window* w : watched) {
            w->RemoveObserver(this);
        }
        watched.clear();
        reply(std::move(answer));
    }
};

UiScript::UiScript(CMainWnd& window, Screenshot screenshot)
    : m_window(window), m_screenshot(std::move(screenshot)) {}

UiScript::~UiScript() {
    for (const std::shared_ptr<Waiter>& waiter : m_waiters) {
        waiter->Finish(m_window.Context(), Error("the program is closing"));
    }
}

CVeldmarkUSBDevice* UiScript::PageOfKind(const std::string& kind, std::string& error) {
    const std::vector<CVeldmarkUSBDevice*>* pages = kind == "keyboard"   ? &m_window.KeyboardPages()
                                                    : kind == "mouse"    ? &m_window.MousePages()
                                                    : kind == "mousepad" ? &m_window.PadPages()
                                                    : kind == "headset"  ? &m_window.HeadsetPages()
                                                                         : nullptr;
    if (pages == nullptr) {
        error = "unknown page \"" + kind + "\" (keyboard, mouse, mousepad or headset)";
        return nullptr;
    }
    if (pages->empty()) {
        error = "the window has no " + kind + " page";
        return nullptr;
    }
    return pages->front();
}

std::optional<UiScript::Target> UiScript::Find(const std::string& kind, const std::string& name,
                                               std::string& error) {
    // The places a person would look, in order.
    std::vector<std::pair<ui::Window*, ui::Control*>> scopes;
    if (!kind.empty()) {
        CVeldmarkUSBDevice* page = PageOfKind(kind, error);
        if (page == nullptr) {
            return std::nullopt;
        }
        scopes.emplace_back(&m_window, page);
        // The page's selection entry in the device list belongs to it too.
        if (ui::Control* entry = page->GetOptionControl()) {
            scopes.emplace_back(&m_window, entry);
        }
    } else {
        const std::vector<ui::Window*>& all = m_window.Context().windows.All();
        for (auto it = all.rbegin(); it != all.rend(); ++it) {
            if ((*it)->IsModal() && (*it)->IsVisible()) {
                scopes.emplace_back(*it, (*it)->GetRoot());
            }
        }
        if (CVeldmarkUSBDevice* page = m_window.CurrentPage()) {
            scopes.emplace_back(&m_window, page);
        }
        scopes.emplace_back(&m_window, m_window.GetRoot());
        for (ui::Window* w : all) {
            if (w != &m_window && !w->IsModal() && w->IsVisible()) {
                scopes.emplace_back(w, w->GetRoot());
            }
        }
    }
    for (const auto& [window, root] : scopes) {
        if (root == nullptr) {
            continue;
        }
        std::vector<ui::Control*> found;
        for (ui::Control* c : window->FindControls(name)) {
            if (c->IsDescendantOf(*root)) {
                found.push_back(c);
            }
        }
        if (found.size() == 1) {
            return Target{found.front()};
        }
        if (found.size() > 1) {
            error = "\"" + name + "\" is ambiguous: ";
            for (size_t i = 0; i < found.size(); ++i) {
                error += (i == 0 ? "" : "; ") + PathOf(*found[i]);
            }
            error += " (use --page KIND)";
            return std::nullopt;
        }
    }
    error = "no control named \"" + name + "\"" + (kind.empty() ? "" : " on the " + kind + " page");
    return std::nullopt;
}

std::string UiScript::Tree(const std::string& kind, const std::string& name) {
    ui::Control* root = m_window.GetRoot();
    if (!name.empty() || !kind.empty()) {
        std::string error;
        if (name.empty()) {
            root = PageOfKind(kind, error);
            if (root == nullptr) {
                return Error(error);
            }
        } else {
            std::optional<Target> target = Find(kind, name, error);
            if (!target) {
                return Error(error);
            }
            root = target->control;
        }
    }
    if (root == nullptr) {
        return Error("the window has no controls");
    }
    std::vector<std::string> lines;
    TreeLines(*root, 0, lines);
    return Ok(lines);
}

std::string UiScript::ModalWindowName() const {
    const std::vector<ui::Window*>& all = m_window.Context().windows.All();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if ((*it)->IsModal()) {
            return (*it)->GetName();
        }
    }
    return {};
}

void UiScript::Handle(const std::vector<std::string>& args, Reply reply) {
    const Words w = Split(args);
    const std::vector<std::string>& v = w.words;
    const std::string verb = v.empty() ? std::string() : v[0];
    if (!w.error.empty()) {
        reply(Error(w.error));
        return;
    }
    if (verb == "tree" && v.size() <= 2) {
        reply(Tree(w.page, v.size() == 2 ? v[1] : std::string()));
        return;
    }
    if (verb == "screenshot" && v.size() == 1) {
        std::optional<std::string> png = m_screenshot ? m_screenshot(m_window) : std::nullopt;
        reply(png ? "ok\n" + *png : Error("nothing draws the window (no display)"));
        return;
    }
    const size_t expected = verb == "get"      ? 3
                            : verb == "set"    ? 4
                            : verb == "click"  ? 2
                            : verb == "notify" ? 3
                            : verb == "wait"   ? 4
                                               : 0;
    if (expected == 0 || v.size() != expected) {
        reply(Error("usage: ui tree|get|set|click|notify|wait|screenshot (see veldmarkctl ui)"));
        return;
    }
    if (verb == "wait") {
        Wait(w.page, v[1], v[2], v[3], w.timeoutMs.value_or(kDefaultWaitMs), std::move(reply));
        return;
    }
    std::string error;
    std::optional<Target> target = Find(w.page, v[1], error);
    if (!target) {
        reply(Error(error));
        return;
    }
    ui::Control& control = *target->control;
    ui::ScriptResult result;
    if (verb == "get") {
        result = ui::GetScriptProperty(control, v[2]);
    } else if (verb == "set") {
        result = ui::SetScriptProperty(control, v[2], v[3]);
    } else if (verb == "click") {
        result = ui::ScriptClick(control);
    } else {
        control.SendNotify(v[2]);
    }
    reply(result.ok ? Ok(result.lines) : Error(result.error));
}

void UiScript::Wait(const std::string& kind, const std::string& name, const std::string& property,
                    const std::string& value, int timeoutMs, Reply reply) {
    auto waiter = std::make_shared<Waiter>();
    waiter->script = this;
    waiter->kind = kind;
    waiter->name = name;
    waiter->property = property;
    waiter->value = value;
    waiter->reply = std::move(reply);
    m_waiters.push_back(waiter);
    ui::UiContext& context = m_window.Context();
    waiter->Watch(context);
    waiter->windowListener = context.windows.AddListener([this, raw = waiter.get()] {
        raw->Watch(m_window.Context());
        ScheduleCheck();
    });
    ui::Dispatcher& dispatcher = context.dispatcher;
    const int64_t due = dispatcher.GetClock().NowMs() + std::clamp(timeoutMs, 0, kMaxWaitMs);
    dispatcher.Timers().Set(waiter.get(), 1, due, 0, false, [this, raw = waiter.get()] {
        std::string error;
        std::string now = "not there";
        if (std::optional<Target> target = Find(raw->kind, raw->name, error)) {
            const ui::ScriptResult current = ui::GetScriptProperty(*target->control, raw->property);
            now = current.ok ? (current.lines.empty() ? std::string() : current.lines.front())
                             : current.error;
        }
        raw->Finish(m_window.Context(),
                    Error("timed out waiting for " + raw->name + " " + raw->property + " " +
                          raw->value + " (it is " + now + ")"));
        CheckWaiters();  // drops the finished waiter
    });
    dispatcher.Wake();
    CheckWaiters();
}

void UiScript::ScheduleCheck() {
    if (m_checkPosted) {
        return;
    }
    m_checkPosted = true;
    std::weak_ptr<UiScript> weak = weak_from_this();
    const bool posted = m_window.Context().dispatcher.Post([weak] {
        if (std::shared_ptr<UiScript> self = weak.lock()) {
            self->m_checkPosted = false;
            self->CheckWaiters();
        }
    });
    if (!posted) {
        m_checkPosted = false;
    }
}

void UiScript::CheckWaiters() {
    for (const std::shared_ptr<Waiter>& waiter : std::vector(m_waiters)) {
        if (waiter->done) {
            continue;
        }
        std::string error;
        std::optional<Target> target = Find(waiter->kind, waiter->name, error);
        if (!target) {
            continue;  // it may appear yet (a message box that opens)
        }
        const ui::ScriptResult current = ui::GetScriptProperty(*target->control, waiter->property);
        if (!current.ok) {
            waiter->Finish(m_window.Context(), Error(current.error));
        } else if (ui::ScriptValueMatches(*target->control, waiter->property, waiter->value)) {
            waiter->Finish(m_window.Context(), Ok(current.lines));
        }
    }
    std::erase_if(m_waiters, [](const std::shared_ptr<Waiter>& w) { return w->done; });
}

}  // namespace app
