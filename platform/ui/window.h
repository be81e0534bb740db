#pragma once
// A window: owns one control tree, finds its controls by name (an index kept
// as controls join and leave, so a look-up costs O(1) on average), delivers
// notifications, runs its controls' timers, keeps the input focus and the
// option groups, and carries the window-level state (title, size, fonts,
// visibility) that its host shows. Requests such as Show, Close or ShowModal
// go to the host through HostOperations; observers (the host) hear of every
// change of the tree.
//
// Threads: UI thread, except WindowRef, which any thread may use to send or
// post a message to the window.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/layout_loader.h"
#include "platform/ui/notification.h"
#include "platform/ui/tree_observer.h"
#include "platform/ui/ui_context.h"

namespace ui {

class Option;
class Window;

// A thread-safe reference for sending messages to a window from workers.
// Messages to a window that no longer exists are dropped (Send returns
// nullopt), so a worker never calls into a destroyed window.
class WindowRef {
  public:
    WindowRef() = default;
    // Runs the window's message handler on the UI thread and waits for it.
    // nullopt when the window is gone or the loop is closed.
    std::optional<intptr_t> Send(uint32_t message, intptr_t wParam, intptr_t lParam) const;
    // Queues the message; false when the loop is closed.
    bool Post(uint32_t message, intptr_t wParam, intptr_t lParam) const;

  private:
    friend class Window;
    WindowRef(Dispatcher* dispatcher, std::shared_ptr<Window*> cell)
        : m_dispatcher(dispatcher), m_cell(std::move(cell)) {}
    Dispatcher* m_dispatcher = nullptr;
    std::shared_ptr<Window*> m_cell;  // read and cleared on the UI thread only
};

class Window {
  public:
    Window(UiContext& context, std::string name);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    UiContext& Context() const { return m_context; }
    const std::string& GetName() const { return m_name; }
    WindowRef Ref() const;

    // --- Tree ---
    // Replaces the tree with `root`, applies the window settings of `layout`
    // (when given) and raises "windowinit" (sender = root).
    void Attach(std::unique_ptr<Control> root, const WindowLayout* layout = nullptr);
    // Loads a layout file with the context's factory and `builder`, then
    // attaches it. On failure nothing changes and `error` says why.
    bool LoadLayout(std::string_view file, const LayoutLoader::Builder& builder = {},
                    std::string* error = nullptr);
    Control* GetRoot() const { return m_root.get(); }
    // Removes the tree from the window and hands it back.
    std::unique_ptr<Control> DetachRoot();

    // First control with this name that joined the window, or null.
    Control* FindControl(std::string_view name) const;
    template <typename T>
    T* FindControl(std::string_view name) const {
        return dynamic_cast<T*>(FindControl(name));
    }
    // Every control with this name, in the order they joined.
    const std::vector<Control*>& FindControls(std::string_view name) const;
    // Every control of exactly this class, in tree order.
    std::vector<Control*> FindControlsByClass(std::string_view className) const;
    size_t ControlCount() const { return m_controlCount; }

    // --- Notifications ---
    using NotifyHandler = std::function<void(const Notification&)>;
    int AddNotifyHandler(NotifyHandler handler);
    void RemoveNotifyHandler(int id);
    // Delivers now: the sender's listeners, then the window's handlers, in
    // the order they were added. A receiver that destroys the sender stops
    // the delivery to the remaining receivers.
    void SendNotify(const Notification& notification);
    // Delivers later from the loop; dropped when the sender no longer exists.
    void PostNotify(const Notification& notification);

    // --- Focus ---
    Control* GetFocus() const { return m_focus.Get(); }
    // Moves the focus ("killfocus" to the old holder, then "setfocus" to the
    // new one). Null clears it. A control of another window, an invisible
    // or a disabled control is refused (false).
    bool SetFocus(Control* control);

    // --- Option groups ---
    std::vector<Option*> GetOptionGroup(std::string_view group) const;

    // --- Observers ---
    void AddObserver(TreeObserver* observer);
    void RemoveObserver(TreeObserver* observer);

    // --- Window state ---
    const std::string& GetTitle() const { return m_title; }
    void SetTitle(std::string title);
    Size GetSize() const { return m_size; }
    void SetSize(Size size);
    Size GetMinSize() const { return m_minSize; }
    Size GetMaxSize() const { return m_maxSize; }
    void SetMinMaxSize(Size minSize, Size maxSize);
    const Rect& GetCaption() const { return m_caption; }
    const Rect& GetSizeBox() const { return m_sizeBox; }
    Size GetRoundCorner() const { return m_roundCorner; }
    void SetCaption(const Rect& caption, const Rect& sizeBox, Size roundCorner);
    bool IsVisible() const { return m_visible; }
    bool IsModal() const { return m_modal; }
    bool IsClosed() const { return m_closed; }
    int GetCloseCode() const { return m_closeCode; }
    WindowState GetState() const { return m_state; }

    // Font table: id → font; the default font is used by controls without one.
    void SetFont(int id, FontSpec font, bool isDefault = false);
    void RemoveAllFonts();
    const std::map<int, FontSpec>& Fonts() const { return m_fonts; }
    int GetDefaultFontId() const { return m_defaultFont; }
    // A control's effective font: its own, the table entry it names, or the default.
    FontSpec ResolveFont(const Control& control) const;
    // Window attributes a host may use (from the layout's <Window> element).
    const std::map<std::string, std::string>& ExtraAttributes() const { return m_extra; }

    // --- Requests performed by the host ---
    void Show();
    void Hide();
    void Close(int code = 0);
    // The desktop asks the window to close (its frame's close button, Alt+F4).
    // Closes it; a window that means something else by closing (hiding to the
    // tray) overrides this.
    virtual void OnCloseRequest() { Close(0); }
    void Activate();
    void Minimize();
    void Maximize();
    void Restore();
    void CenterOnScreen();
    void SetTopmost(bool topmost);
    // Runs the window modally (the host's nested loop) and returns its close code.
    int ShowModal();

    // --- Messages (a window procedure's replacement) ---
    using MessageHandler =
        std::function<intptr_t(uint32_t message, intptr_t wParam, intptr_t lParam, bool& handled)>;
    void SetMessageHandler(MessageHandler handler) { m_messageHandler = std::move(handler); }
    // UI thread: runs the handler now (0 without one).
    intptr_t HandleMessage(uint32_t message, intptr_t wParam, intptr_t lParam);

    // --- Used by controls and hosts ---
    void NotifyPropertyChanged(Control& control, Property property);
    void NotifyRepaint(Control& control);
    bool SetControlTimer(Control& control, int id, int intervalMs, TimerKind kind);
    bool KillControlTimer(Control& control, int id);
    bool HasControlTimer(const Control& control, int id) const;
    // The host reports that the window's size changed ("windowsize" notification).
    void HostResized(Size size);

  private:
    friend class Container;
    friend class Control;
    friend class Option;

    void AttachSubtree(Control& control);
    void DetachSubtree(Control& control);
    void IndexName(Control& control);
    void UnindexName(Control& control);
    void Rename(Control& control, const std::string& oldName);
    void OnChildInserted(Container& parent, Control& child, size_t index);
    void OnChildRemoving(Container& parent, Control& child, size_t index);
    void RegisterOption(Option& option);
    void UnregisterOption(Option& option);
    void RegroupOption(Option& option, const std::string& oldGroup);
    void ApplyLayout(const WindowLayout& layout);
    void OnLanguageChanged();
    void WindowChanged(WindowProperty property);
    void FireTimer(const ControlHandle& handle, int id, bool oneShot);

    // Heterogeneous look-up: FindControl(string_view) builds no string.
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };

    UiContext& m_context;
    std::string m_name;
    std::shared_ptr<Window*> m_cell;
    std::unique_ptr<Control> m_root;
    std::unordered_map<std::string, std::vector<Control*>, NameHash, std::equal_to<>> m_names;
    std::unordered_map<std::string, std::vector<Option*>> m_groups;
    size_t m_controlCount = 0;
    std::vector<std::pair<int, NotifyHandler>> m_handlers;
    int m_nextHandlerId = 1;
    std::vector<TreeObserver*> m_observers;
    ControlHandle m_focus;
    int m_languageListener = 0;

    std::string m_title;
    Size m_size;
    Size m_minSize;
    Size m_maxSize;
    Rect m_caption;
    Rect m_sizeBox;
    Size m_roundCorner;
    bool m_visible = false;
    bool m_modal = false;
    bool m_closed = false;
    int m_closeCode = 0;
    WindowState m_state = WindowState::Normal;
    std::map<int, FontSpec> m_fonts;
    int m_defaultFont = -1;
    std::map<std::string, std::string> m_extra;
    MessageHandler m_messageHandler;
};

// Tells the user `text`: in the application's message box when the context
// has one, else in the host's plain box. UI thread only.
void TellUser(Window& owner, const std::string& text);

}  // namespace ui
