#pragma once
// The widget side of one control.
//
// A ControlView is bound to exactly one model control and to the widget that shows it
// (the view object IS that widget: every concrete view derives from a QWidget class and
// from ControlView). It reads everything it shows from the control when told that a
// property changed, and hands user input to the control's User... operations; it keeps no
// state of its own. Once the control leaves the tree the view is detached (Model() returns
// null) and its widget is deleted later, so a view whose control vanished inside a
// notification handler never touches it again.
//
// UI thread only.

#include <QWidget>

#include "platform/ui/control.h"

namespace qthost {

class WindowView;
class Skin;

class ControlView {
  public:
    ControlView(ui::Control& control, WindowView& window, QWidget* widget);
    virtual ~ControlView();
    ControlView(const ControlView&) = delete;
    ControlView& operator=(const ControlView&) = delete;

    // The view of a widget, or null for widgets that show no control.
    static ControlView* Of(const QObject* widget);

    QWidget* Widget() const { return m_widget; }
    // The control, or null once it left the tree or was destroyed.
    ui::Control* Model() const { return m_detached ? nullptr : m_handle.Get(); }
    WindowView& Window() const { return m_window; }
    void Detach();

    // Containers: the widget that child views are parented to (a scroll area's content
    // for scrolling containers); null for views that show no child views.
    virtual QWidget* ChildHost() { return nullptr; }
    // Places the child views from the model; containers only.
    virtual void LayoutChildren() {}
    // Asks for LayoutChildren soon (coalesced into one pass per event-loop round).
    void RequestLayout();
    // The model changed a child list the view shows itself (combos).
    virtual void ChildrenChanged() {}
    // Whether the current widget type can still show the control after a change of its
    // kind-deciding properties; false makes the window rebuild the view.
    virtual bool Fits() const { return true; }

    // The window's repaint pacer marks a view that waits for its repaint.
    quint64 paintMark = 0;

    // Mirrors one changed property (the model calls are the truth; widgets follow).
    virtual void Apply(ui::Property property);
    void ApplyAll();

  protected:
    virtual void ApplyText() {}
    virtual void ApplyLook();
    virtual void ApplyState(ui::Property /*property*/) {}
    // Colours as a stylesheet of the widget itself, for views drawn by the Qt style.
    void ApplyColorStyle(const char* selector);
    void ApplyVisibility();
    void ApplyFont();
    const Skin& GetSkin() const;
    QString ModelText() const;
    QPoint WindowPos(const QPoint& local) const;
    // Hands a raw input event to the control; true when it used it. Mouse positions are
    // in window pixels, as the model expects.
    bool ForwardInput(ui::InputEvent::Type type, const QPoint& local, Qt::MouseButtons buttons,
                      Qt::KeyboardModifiers modifiers, int key = 0, int wheelDelta = 0);

  private:
    ui::ControlHandle m_handle;
    WindowView& m_window;
    QWidget* m_widget;
    bool m_detached = false;
};

// Looks up the colour of a role, or `fallback` when the control has none.
QColor RoleColor(const ui::Control& control, ui::ColorRole role, const QColor& fallback);

}  // namespace qthost
