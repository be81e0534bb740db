#pragma once
// The base of every control in the tree. A control has a class name, a name
// (the key by which logic finds it), user data, a text that is either plain or
// a language key, and the look properties its host needs. Every control class
// registers its layout attributes once (AttributeTable) so that the layout
// loader and C++ agree on names and meanings.
//
// Threads: a control and its tree belong to the UI thread. Create, read and
// change controls only there (workers use Dispatcher::Send or Post).
//
// Ownership: a container owns its children; a window owns its root. A raw
// Control* stays valid while the control is in the tree; a ControlHandle tells
// whether a control is still alive.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ui/notification.h"
#include "platform/ui/painter.h"
#include "platform/ui/tree_observer.h"
#include "platform/ui/ui_types.h"

namespace ui {

class Container;
class Window;

// Image strings of a control, one per state. An image string is a
// skin-relative path, optionally followed by drawing options the host
// understands (for example "file='a.png' source='0,0,20,20' fade='200'").
enum class ImageState {
    Background,
    Normal,
    Hot,
    Pushed,
    Focused,
    Disabled,
    Selected,
    SelectedHot,
    SelectedPushed,
    SelectedDisabled,
    Fore,  // drawn over the state image (progress fill, a button's foreground mark)
    Thumb,
    ThumbHot,
    ThumbPushed,
    Count,
};

enum class ColorRole {
    Background,
    Text,
    Border,
    DisabledText,
    SelectedText,
    HotText,
    PushedText,
    FocusedBorder,
    Fore,  // progress fill colour
    SelectedBackground,
    HotBackground,
    Count,
};

enum class TimerKind { OneShot, Periodic };

// A text shown by a control: plain, or a key of the language table that is
// resolved whenever the text is read and again when the language changes.
struct TextValue {
    std::string text;
    bool isKey = false;
    friend bool operator==(const TextValue&, const TextValue&) = default;
};

// Name → setter table of the layout attributes of one control class. Names
// are matched case-insensitively; a class's table chains to its base's.
class AttributeTable {
  public:
    // Returns false when the value is malformed (the property keeps its value).
    using Setter = std::function<bool(Control&, std::string_view value)>;

    explicit AttributeTable(const AttributeTable* base = nullptr) : m_base(base) {}
    AttributeTable& Add(std::string_view name, Setter setter);
    const Setter* Find(std::string_view name) const;

  private:
    const AttributeTable* m_base;
    std::unordered_map<std::string, Setter> m_setters;  // lower-case names
};

// Tells whether a control still exists; cheap to copy, usable on the UI thread.
class ControlHandle {
  public:
    ControlHandle() = default;
    Control* Get() const { return m_cell ? *m_cell : nullptr; }
    bool IsAlive() const { return Get() != nullptr; }

  private:
    friend class Control;
    explicit ControlHandle(std::shared_ptr<Control*> cell) : m_cell(std::move(cell)) {}
    std::shared_ptr<Control*> m_cell;
};

class Control {
  public:
    static constexpr std::string_view kClassName = "Control";

    Control();
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    virtual std::string_view GetClass() const { return kClassName; }
    virtual Container* AsContainer() { return nullptr; }
    ControlHandle Handle() const { return ControlHandle(m_self); }

    // --- Tree ---
    Container* GetParent() const { return m_parent; }
    Window* GetWindow() const { return m_window; }
    // True when `ancestor` is this control or one of its ancestors.
    bool IsDescendantOf(const Control& ancestor) const;

    // --- Identity ---
    const std::string& GetName() const { return m_name; }
    void SetName(std::string name);
    const std::string& GetUserData() const { return m_userData; }
    void SetUserData(std::string data);
    intptr_t GetTag() const { return m_tag; }
    void SetTag(intptr_t tag);

    // --- Texts ---
    // The text as shown: a key resolved through the window's language table
    // (the key itself when the table lacks it or the control has no window).
    std::string GetText() const;
    const TextValue& GetTextValue() const { return m_text; }
    void SetText(std::string text);
    void SetTextKey(std::string key);
    std::string GetTooltip() const;
    const TextValue& GetTooltipValue() const { return m_tooltip; }
    void SetTooltip(std::string text);
    void SetTooltipKey(std::string key);

    // --- State ---
    bool IsVisible() const { return m_visible; }
    // Visible itself and every ancestor visible.
    bool IsVisibleInTree() const;
    void SetVisible(bool visible);
    bool IsEnabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    bool IsFocused() const;
    // Asks the window to move the input focus here ("killfocus" to the old
    // holder, then "setfocus" here). Does nothing without a window.
    void SetFocus();
    // Whether a context click raises "menu" (attribute "menu").
    bool HasContextMenu() const { return m_contextMenu; }
    void SetContextMenu(bool enabled) { m_contextMenu = enabled; }

    // --- Look ---
    const std::string& GetImage(ImageState state) const;
    void SetImage(ImageState state, std::string image);
    std::optional<Color> GetColor(ColorRole role) const;
    void SetColor(ColorRole role, Color color);
    void ClearColor(ColorRole role);
    const FontSpec& GetFont() const { return m_font; }
    void SetFont(FontSpec font);

    // --- Size hints (pixels; 0 = not fixed / no limit) ---
    int GetFixedWidth() const { return m_fixed.width; }
    int GetFixedHeight() const { return m_fixed.height; }
    void SetFixedWidth(int width);
    void SetFixedHeight(int height);
    Size GetMinSize() const { return m_min; }
    Size GetMaxSize() const { return m_max; }
    void SetMinSize(Size size);
    void SetMaxSize(Size size);
    const Padding& GetPadding() const { return m_padding; }
    void SetPadding(const Padding& padding);
    // A floating control is placed at its own position inside its parent
    // instead of being laid out in sequence.
    bool IsFloat() const { return m_float; }
    const Rect& GetFloatPos() const { return m_floatPos; }
    void SetFloat(bool isFloat, const Rect& pos);

    // The rectangle the host laid the control out at, in window pixels. Only
    // a host sets it; logic may read it (for example to hit-test children).
    const Rect& GetHostRect() const { return m_hostRect; }
    void SetHostRect(const Rect& rect);
    // The host's own view of the control, kept here so that the host finds
    // it without a lookup (repaints are asked for thousands of times a
    // second); set and read by the host only.
    void* GetHostView() const { return m_hostView; }
    void SetHostView(void* view) { m_hostView = view; }

    // --- Attributes ---
    // Applies a layout attribute through the class's table; a name no table
    // knows is kept in the attribute bag, where hosts and application code can
    // read it. Returns false only for a malformed value of a known attribute.
    bool SetAttribute(std::string_view name, std::string_view value);
    std::optional<std::string> GetAttribute(std::string_view name) const;
    virtual const AttributeTable& Attributes() const;
    static const AttributeTable& ControlAttributes();

    // --- Notifications ---
    // Raises a notification with this control as sender. Without a window
    // only the control's own listeners receive it.
    void SendNotify(std::string_view type, intptr_t wParam = 0, intptr_t lParam = 0);
    using Listener = std::function<void(const Notification&)>;
    // Listeners of this control run before the window's notify handlers.
    int AddListener(Listener listener);
    void RemoveListener(int id);

    // --- Timers (UI thread; need a window) ---
    // Arms (or re-arms) timer `id` of this control. Returns false without a
    // window or with a negative interval. An interval of 0 fires as soon as
    // the loop runs; periodic timers fire at least 1 ms apart.
    bool SetTimer(int id, int intervalMs, TimerKind kind);
    bool KillTimer(int id);
    bool HasTimer(int id) const;
    // Called when timer `id` fires, before anyone else hears of it; the
    // default raises the "timer" notification (wParam = id).
    virtual void OnTimer(int id);

    // --- Custom painting and raw input ---
    virtual bool IsCustomPainted() const { return false; }
    virtual void Paint(Painter& /*painter*/) {}
    // Asks the host to repaint this control.
    void Invalidate();
    // Raw input for controls that handle it themselves; returns true when used.
    virtual bool HandleInput(const InputEvent& event);
    // User action: a context click. Raises "menu" when HasContextMenu().
    void UserContextMenu(Point at);

  protected:
    // Tells the window's observers that `property` changed.
    void Changed(Property property);
    // Called after the control (and its subtree) joined a window / before it leaves.
    virtual void OnAttached(Window& /*window*/) {}
    virtual void OnDetaching(Window& /*window*/) {}
    void DeliverToListeners(const Notification& notification);

  private:
    friend class Container;
    friend class Window;

    std::shared_ptr<Control*> m_self;
    Container* m_parent = nullptr;
    Window* m_window = nullptr;
    std::string m_name;
    std::string m_userData;
    intptr_t m_tag = 0;
    TextValue m_text;
    TextValue m_tooltip;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_contextMenu = false;
    bool m_float = false;
    std::array<std::string, static_cast<size_t>(ImageState::Count)> m_images;
    std::array<std::optional<Color>, static_cast<size_t>(ColorRole::Count)> m_colors;
    FontSpec m_font;
    Size m_fixed;
    Size m_min;
    Size m_max;
    Padding m_padding;
    Rect m_floatPos;
    Rect m_hostRect;
    void* m_hostView = nullptr;
    std::map<std::string, std::string, std::less<>> m_bag;
    std::vector<std::pair<int, Listener>> m_listeners;
    int m_nextListenerId = 1;
};

}  // namespace ui
