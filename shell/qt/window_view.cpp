#include "shell/qt/window_view.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainterPath>
#include <QRegion>
#include <QTimer>
#include <QWindow>

#include "platform/ui/container.h"
#include "platform/ui/list.h"
#include "shell/qt/control_view.h"
#include "shell/qt/qt_host.h"
#include "shell/qt/qt_loop.h"
#include "shell/qt/view_factory.h"

namespace qthost {
namespace {

bool IsCombo(const ui::Control* c) {
    return dynamic_cast<const ui::Combo*>(c) != nullptr;
}

}  // namespace

WindowView::WindowView(ui::Window& window, QtHost& host)
    : QWidget(nullptr),
      m_window(window),
      m_host(host),
      m_pacer([this](const std::vector<QWidget*>& widgets) { Repaint(widgets); }) {
    setAttribute(Qt::WA_StyledBackground, true);
    setProperty("vroot", true);
    setObjectName(QString::fromStdString(window.GetName()));
    m_window.AddObserver(this);
    for (ui::WindowProperty p : {ui::WindowProperty::Title, ui::WindowProperty::Caption,
                                 ui::WindowProperty::Size, ui::WindowProperty::Modal}) {
        ApplyWindow(p);
    }
    BuildTree();
}

WindowView::~WindowView() {
    if (!m_gone) {
        m_window.RemoveObserver(this);
    }
    EndModal(m_modalCode);
}

void WindowView::ModelGone() {
    if (m_gone) {
        return;
    }
    m_window.RemoveObserver(this);
    m_gone = true;
    for (auto& [control, view] : m_views) {
        view->Detach();
    }
    m_views.clear();
    m_root = nullptr;
    m_rebuild.clear();
}

const Skin& WindowView::GetSkin() const {
    return m_host.GetSkin();
}

ControlView* WindowView::ViewOf(const ui::Control* control) const {
    auto it = m_views.find(control);
    return it != m_views.end() ? it->second : nullptr;
}

bool WindowView::IsShown(const ui::Control& control) const {
    if (!control.IsVisible()) {
        return false;
    }
    const auto* tab = dynamic_cast<const ui::TabLayout*>(control.GetParent());
    return tab == nullptr || tab->GetItemIndex(&control) == tab->GetCurSel();
}

QPoint WindowView::WindowOrigin(const QWidget* widget) const {
    return widget->mapTo(this, QPoint(0, 0));
}

// --- Building ---

void WindowView::BuildTree() {
    if (m_root != nullptr) {
        QWidget* old = m_root->Widget();
        m_quietFocus = true;
        for (auto& [control, view] : m_views) {
            view->Detach();
        }
        m_views.clear();
        old->hide();
        old->deleteLater();
        m_quietFocus = false;
        m_root = nullptr;
    }
    if (ui::Control* root = m_window.GetRoot()) {
        m_root = Build(*root, this);
        LayoutRoot();
    }
}

ControlView* WindowView::Build(ui::Control& control, QWidget* parent) {
    QWidget* widget = CreateView(control, *this, parent);
    if (widget == nullptr) {
        return nullptr;
    }
    ControlView* view = ControlView::Of(widget);
    m_views[&control] = view;
    view->ApplyAll();
    BuildChildren(control, *view);
    if (IsCombo(&control)) {
        view->ChildrenChanged();
    }
    return view;
}

void WindowView::BuildChildren(ui::Control& control, ControlView& view) {
    ui::Container* box = control.AsContainer();
    QWidget* host = view.ChildHost();
    if (box == nullptr || host == nullptr) {
        return;
    }
    for (size_t i = 0; i < box->GetCount(); ++i) {
        Build(*box->GetItemAt(i), host);
    }
    view.RequestLayout();
}

void WindowView::Forget(ui::Control& control) {
    if (ControlView* view = ViewOf(&control)) {
        view->Detach();
        m_views.erase(&control);
    }
    if (ui::Container* box = control.AsContainer()) {
        for (size_t i = 0; i < box->GetCount(); ++i) {
            Forget(*box->GetItemAt(i));
        }
    }
}

void WindowView::DropView(ui::Control& control) {
    ControlView* view = ViewOf(&control);
    Forget(control);
    if (view == nullptr) {
        return;
    }
    // The removal may come from inside this very widget's input handler: delete it later.
    m_quietFocus = true;
    view->Widget()->hide();
    view->Widget()->deleteLater();
    m_quietFocus = false;
}

void WindowView::RebuildSoon(ui::Control& control) {
    m_rebuild.push_back(control.Handle());
    if (m_rebuild.size() == 1) {
        QTimer::singleShot(0, this, &WindowView::RebuildPending);
    }
}

void WindowView::RebuildPending() {
    if (m_gone) {
        return;
    }
    std::vector<ui::ControlHandle> pending;
    pending.swap(m_rebuild);
    for (const ui::ControlHandle& handle : pending) {
        ui::Control* control = handle.Get();
        if (control == nullptr || control->GetWindow() != &m_window) {
            continue;
        }
        ControlView* old = ViewOf(control);
        if (old == nullptr || old->Fits()) {
            continue;
        }
        if (control == m_window.GetRoot()) {
            BuildTree();
            continue;
        }
        ControlView* parent = ParentView(*control);
        QWidget* host = parent != nullptr ? parent->ChildHost() : nullptr;
        DropView(*control);
        if (host != nullptr) {
            ControlView* fresh = Build(*control, host);
            if (fresh != nullptr && parent != nullptr) {
                parent->RequestLayout();
            }
        }
    }
}

ControlView* WindowView::ParentView(const ui::Control& control) const {
    return control.GetParent() != nullptr ? ViewOf(control.GetParent()) : nullptr;
}

void WindowView::ApplyShape() {
    const ui::Size round = m_window.GetRoundCorner();
    // The offscreen platform (tests, screenshots) cannot shape windows.
    static const bool kCanShape = QGuiApplication::platformName() != QLatin1String("offscreen");
    if (m_gone || !kCanShape || !(windowFlags() & Qt::FramelessWindowHint) || round.width <= 0 ||
        round.height <= 0) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), round.width, round.height);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void WindowView::LayoutRoot() {
    if (m_root != nullptr) {
        m_root->Widget()->setGeometry(rect());
    }
}

// --- Model to widgets ---

void WindowView::OnPropertyChanged(ui::Control& control, ui::Property property) {
    if (property == ui::Property::HostRect) {
        return;
    }
    if (ControlView* view = ViewOf(&control)) {
        if (!view->Fits()) {
            RebuildSoon(control);
            return;
        }
        view->Apply(property);
        return;
    }
    // Items of a drop-down have no views: the drop-down shows them itself.
    if (IsCombo(control.GetParent())) {
        if (ControlView* combo = ParentView(control)) {
            combo->ChildrenChanged();
        }
    }
}

void WindowView::OnChildInserted(ui::Container& parent, ui::Control& child, size_t index) {
    ControlView* parentView = ViewOf(&parent);
    if (parentView == nullptr) {
        return;
    }
    if (IsCombo(&parent)) {
        parentView->ChildrenChanged();
        return;
    }
    QWidget* host = parentView->ChildHost();
    if (host == nullptr) {
        return;
    }
    ControlView* view = Build(child, host);
    if (view == nullptr) {
        return;
    }
    // Later siblings stay on top of an inserted child, as the model's order says.
    for (size_t i = index + 1; i < parent.GetCount(); ++i) {
        if (ControlView* next = ViewOf(parent.GetItemAt(i))) {
            view->Widget()->stackUnder(next->Widget());
            break;
        }
    }
    parentView->RequestLayout();
}

void WindowView::OnChildRemoving(ui::Container& parent, ui::Control& child, size_t /*index*/) {
    ControlView* parentView = ViewOf(&parent);
    if (IsCombo(&parent)) {
        if (parentView != nullptr) {
            // The item is still in the model now; refresh once it has gone.
            QPointer<QWidget> combo = parentView->Widget();
            QTimer::singleShot(0, this, [this, combo, handle = parent.Handle()] {
                if (combo && handle.IsAlive()) {
                    if (ControlView* v = ViewOf(handle.Get())) {
                        v->ChildrenChanged();
                    }
                }
            });
        }
        return;
    }
    DropView(child);
    if (parentView != nullptr) {
        parentView->RequestLayout();
    }
}

void WindowView::OnRepaintRequested(ui::Control& control) {
    // Nothing is drawn while the window is hidden or minimised; it is
    // repainted whole when it comes back (showEvent, changeEvent).
    if (!isVisible() || isMinimized()) {
        return;
    }
    auto* view = static_cast<ControlView*>(control.GetHostView());
    if (view != nullptr && &view->Window() == this) {
        m_pacer.Request(view->Widget(), view->paintMark);
    }
}

void WindowView::Repaint(const std::vector<QWidget*>& widgets) {
    // Widgets far apart (a mousepad's lights around its picture) are
    // repainted each on its own. Widgets packed close (a keyboard's keys in a
    // moving effect) are repainted as the one rectangle around them: painting
    // what lies below them through a clip of a hundred small rectangles costs
    // more than painting the whole rectangle.
    QRect around;
    qint64 area = 0;
    for (QWidget* widget : widgets) {
        if (widget->isVisible()) {
            around |= QRect(widget->mapTo(this, QPoint(0, 0)), widget->size());
            area += static_cast<qint64>(widget->width()) * widget->height();
        }
    }
    if (2 * area >= static_cast<qint64>(around.width()) * around.height()) {
        update(around);
        return;
    }
    for (QWidget* widget : widgets) {
        widget->update();
    }
}

void WindowView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_pacer.Drop();
    update();
}

void WindowView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) {
        m_pacer.Drop();
        update();
    }
}

void WindowView::OnTimerSet(ui::Control& /*control*/, int /*id*/, int /*intervalMs*/,
                            bool /*periodic*/) {
    m_host.Loop().Rearm();
}

void WindowView::OnTimerKilled(ui::Control& /*control*/, int /*id*/) {
    m_host.Loop().Rearm();
}

void WindowView::OnWindowChanged(ui::Window& /*window*/, ui::WindowProperty property) {
    ApplyWindow(property);
}

void WindowView::ApplyWindow(ui::WindowProperty property) {
    switch (property) {
        case ui::WindowProperty::Title:
            setWindowTitle(QString::fromStdString(m_window.GetTitle()));
            break;
        case ui::WindowProperty::Size: {
            const ui::Size size = m_window.GetSize();
            if (size.width > 0 && size.height > 0 && size != ui::Size{width(), height()}) {
                m_applyingSize = true;
                resize(size.width, size.height);
                m_applyingSize = false;
            }
            break;
        }
        case ui::WindowProperty::Visible:
            if (m_window.IsVisible() != isVisible()) {
                setVisible(m_window.IsVisible());
            }
            break;
        case ui::WindowProperty::Modal:
            if (!isVisible()) {
                setWindowModality(m_window.IsModal() ? Qt::ApplicationModal : Qt::NonModal);
            }
            break;
        case ui::WindowProperty::Caption: {
            const ui::Size min = m_window.GetMinSize();
            const ui::Size max = m_window.GetMaxSize();
            setMinimumSize(std::max(min.width, 0), std::max(min.height, 0));
            setMaximumSize(max.width > 0 ? max.width : QWIDGETSIZE_MAX,
                           max.height > 0 ? max.height : QWIDGETSIZE_MAX);
            const bool frameless =
                !m_window.GetCaption().IsEmpty() || m_window.GetCaption().bottom > 0;
            if (frameless != bool(windowFlags() & Qt::FramelessWindowHint)) {
                const bool shown = isVisible();
                setWindowFlag(Qt::FramelessWindowHint, frameless);
                if (shown) {
                    show();
                }
            }
            ApplyShape();
            break;
        }
        case ui::WindowProperty::Fonts:
            for (auto& [control, view] : m_views) {
                view->Apply(ui::Property::Font);
            }
            break;
        case ui::WindowProperty::Root:
            BuildTree();
            break;
        case ui::WindowProperty::Background:
            update();
            break;
    }
}

// --- Widgets to model ---

void WindowView::ReportHostRects(ControlView& view) {
    ui::Control* control = view.Model();
    if (control == nullptr) {
        return;
    }
    const QWidget* w = view.Widget();
    const QPoint origin = WindowOrigin(w);
    control->SetHostRect(
        ui::Rect{origin.x(), origin.y(), origin.x() + w->width(), origin.y() + w->height()});
    if (ui::Container* box = control->AsContainer()) {
        for (size_t i = 0; i < box->GetCount(); ++i) {
            if (ControlView* child = ViewOf(box->GetItemAt(i))) {
                ReportHostRects(*child);
            }
        }
    }
}

void WindowView::UserPressed(ControlView& view) {
    if (m_quietFocus || m_gone) {
        return;
    }
    if (ui::Control* control = view.Model()) {
        m_window.SetFocus(control);
    }
}

void WindowView::UserFocusLeft(ControlView& view) {
    if (m_quietFocus || m_gone) {
        return;
    }
    ui::Control* control = view.Model();
    if (control != nullptr && m_window.GetFocus() == control) {
        m_window.SetFocus(nullptr);
    }
}

void WindowView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutRoot();
    ApplyShape();
    if (!m_gone && !m_applyingSize && (m_window.GetSize() != ui::Size{width(), height()})) {
        m_window.HostResized(ui::Size{width(), height()});
    }
}

void WindowView::closeEvent(QCloseEvent* event) {
    // The model decides what closing means (hiding to the tray, ending a modal run, ...).
    event->ignore();
    if (!m_gone) {
        m_window.OnCloseRequest();
    }
}

void WindowView::mousePressEvent(QMouseEvent* event) {
    if (m_gone) {
        return;
    }
    // A press that no control used: the focus goes to the control under the pointer, and
    // a press in the caption area drags the window.
    QWidget* under = childAt(event->pos());
    while (under != nullptr && ControlView::Of(under) == nullptr) {
        under = under->parentWidget();
    }
    if (ControlView* view = ControlView::Of(under)) {
        UserPressed(*view);
    }
    const ui::Rect& caption = m_window.GetCaption();
    const int captionBottom = caption.bottom > 0 ? caption.bottom : 0;
    const bool inCaption = event->button() == Qt::LeftButton && event->pos().y() < captionBottom &&
                           event->pos().y() >= caption.top;
    if (inCaption && windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
    }
    QWidget::mousePressEvent(event);
}

// --- Modal runs ---

int WindowView::RunModal() {
    if (m_modalLoop) {
        return -1;  // already running modally
    }
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    m_modalLoop = &loop;
    m_modalCode = 0;
    // The window (and this view) may be destroyed while the loop runs.
    QPointer<WindowView> self(this);
    const int code = loop.exec(QEventLoop::DialogExec);
    if (self) {
        m_modalLoop = nullptr;
    }
    return code;
}

void WindowView::EndModal(int code) {
    m_modalCode = code;
    if (m_modalLoop) {
        m_modalLoop->exit(code);
    }
}

}  // namespace qthost
