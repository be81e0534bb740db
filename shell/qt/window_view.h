#pragma once
// The top-level widget of one model window, and the observer that keeps its widget tree in
// step with the window's control tree.
//
// Every control gets one view (see view_factory.h), parented like the control. Property
// changes go to the control's view; inserted children get new views; removed children lose
// theirs (detached at once, deleted later, since the removal may happen inside the view's
// own input handler). Window-level changes (title, size, visibility, fonts, caption) are
// applied to the top-level widget. The size of the window the user drags is reported back
// with Window::HostResized; every view reports its on-screen rectangle with SetHostRect.
//
// A window with a caption area is frameless: dragging the caption moves it, as in the skin's
// design. Closing it from the desktop (the title bar's close or Alt+F4) asks the model to
// close it (Window::Close), which decides what happens.
//
// UI thread only.

#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <unordered_map>
#include <vector>

#include "platform/ui/tree_observer.h"
#include "platform/ui/window.h"
#include "shell/qt/paint_pacer.h"

namespace qthost {

class ControlView;
class QtHost;
class Skin;

class WindowView : public QWidget, public ui::TreeObserver {
    Q_OBJECT

  public:
    WindowView(ui::Window& window, QtHost& host);
    ~WindowView() override;

    ui::Window& Model() const { return m_window; }
    // The model window is being destroyed: stop observing it and never touch it again.
    void ModelGone();
    QtHost& Host() const { return m_host; }
    const Skin& GetSkin() const;

    // The view of a control, or null (no view: not in this window, inside a combo or menu).
    ControlView* ViewOf(const ui::Control* control) const;
    size_t ViewCount() const { return m_views.size(); }
    // Whether the control's view is shown: visible itself and, inside a tab layout, the
    // selected tab.
    bool IsShown(const ui::Control& control) const;
    // Replaces the views of `control`'s subtree soon (after the current event).
    void RebuildSoon(ui::Control& control);
    // Reports the on-screen rectangles of a view and its descendants to the model.
    void ReportHostRects(ControlView& view);
    // Where a widget's (0, 0) lies in window pixels.
    QPoint WindowOrigin(const QWidget* widget) const;
    // The user pressed inside a view: the model's focus follows the click.
    void UserPressed(ControlView& view);
    // The user moved the keyboard focus out of a view (to no other control view).
    void UserFocusLeft(ControlView& view);

    // Modal runs (HostOperations::RunModal / CloseWindow).
    int RunModal();
    void EndModal(int code);
    bool IsInModalRun() const { return m_modalLoop != nullptr; }

    // --- ui::TreeObserver ---
    void OnPropertyChanged(ui::Control& control, ui::Property property) override;
    void OnChildInserted(ui::Container& parent, ui::Control& child, size_t index) override;
    void OnChildRemoving(ui::Container& parent, ui::Control& child, size_t index) override;
    void OnRepaintRequested(ui::Control& control) override;
    void OnTimerSet(ui::Control& control, int id, int intervalMs, bool periodic) override;
    void OnTimerKilled(ui::Control& control, int id) override;
    void OnWindowChanged(ui::Window& window, ui::WindowProperty property) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void BuildTree();
    ControlView* Build(ui::Control& control, QWidget* parent);
    void BuildChildren(ui::Control& control, ControlView& view);
    void Forget(ui::Control& control);
    void DropView(ui::Control& control);
    void RebuildPending();
    void ApplyWindow(ui::WindowProperty property);
    void LayoutRoot();
    // A frameless window with round corners is cut to them.
    void ApplyShape();
    ControlView* ParentView(const ui::Control& control) const;
    void Repaint(const std::vector<QWidget*>& widgets);

    ui::Window& m_window;
    QtHost& m_host;
    std::unordered_map<const ui::Control*, ControlView*> m_views;
    ControlView* m_root = nullptr;
    std::vector<ui::ControlHandle> m_rebuild;
    QPointer<QEventLoop> m_modalLoop;
    int m_modalCode = 0;
    bool m_applyingSize = false;
    bool m_quietFocus = false;
    bool m_gone = false;  // focus moves caused by removing views are not the user's
    PaintPacer m_pacer;
};

}  // namespace qthost
