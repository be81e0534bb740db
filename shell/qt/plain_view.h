#pragma once
// The view of every control that Qt has no ready widget for: plain controls, labels and
// texts, containers of every kind (vertical, horizontal, plain, tab layout, scrolling),
// list items, and controls the application paints itself.
//
// It draws what the model holds, in this order: background colour and border, background
// image, the state image (normal, hot, pushed, disabled, selected), the fore image, and the
// text of text-showing controls. A custom-painted control draws everything itself through
// the model's Painter. Containers place their child views with the model's layout rules;
// a container with scroll bars shows its children inside a QScrollArea whose position is
// written back to the model.
//
// Input: list items turn presses, clicks and double clicks into UserPress / UserClick /
// UserActivate; every control first gets the raw event (Control::HandleInput), so
// application classes can take it; a context click raises "menu" where enabled.

#include <QPointer>
#include <QScrollArea>
#include <QWidget>

#include "shell/qt/control_view.h"
#include "shell/qt/text_cache.h"

namespace qthost {

class PlainView : public QWidget, public ControlView {
    Q_OBJECT

  public:
    PlainView(ui::Control& control, WindowView& window, QWidget* parent);

    QWidget* ChildHost() override;
    void LayoutChildren() override;
    bool Fits() const override;
    // Text-showing controls need at least one line of their font (scrolling content sizes
    // itself from this when the model gives no height).
    QSize minimumSizeHint() const override;
    // The scroll area of a scrolling container, or null.
    QScrollArea* ScrollArea() const { return m_scroll; }

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    void ApplyState(ui::Property property) override;

  private:
    // The control as it looks: its own drawing, or its skin art and text.
    void Paint(QPainter& painter);
    bool PaintsNothing() const;
    void FollowStyledBackground();
    void PaintSkin(QPainter& painter);
    void PaintText(QPainter& painter);
    void ApplyScroll();
    void OnUserScrolled();
    bool IsListItem() const;

    QPointer<QScrollArea> m_scroll;
    QPointer<QWidget> m_content;
    bool m_pressedInside = false;
    bool m_writingBack = false;  // our own scroll position is being stored in the model
    TextCache m_label;
};

}  // namespace qthost
