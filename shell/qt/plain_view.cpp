#include "shell/qt/plain_view.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

#include "platform/ui/container.h"
#include "platform/ui/label.h"
#include "platform/ui/list.h"
#include "platform/ui/window.h"
#include "shell/qt/control_layout.h"
#include "shell/qt/qt_painter.h"
#include "shell/qt/skin.h"
#include "shell/qt/window_view.h"

namespace qthost {
namespace {

// List rows without colours of their own use the theme's selection colours.
const QColor kItemSelected(0x12, 0x36, 0x50);
const QColor kItemHot(0x23, 0x27, 0x2f);

bool HasScrollBars(const ui::Control& c) {
    const ui::Container* box = const_cast<ui::Control&>(c).AsContainer();
    return box != nullptr && (box->HasVerticalScroll() || box->HasHorizontalScroll());
}

const std::string& FirstImage(const ui::Control& c, std::initializer_list<ui::ImageState> states) {
    static const std::string kNone;
    for (ui::ImageState s : states) {
        const std::string& image = c.GetImage(s);
        if (!image.empty()) {
            return image;
        }
    }
    return kNone;
}

}  // namespace

PlainView::PlainView(ui::Control& control, WindowView& window, QWidget* parent)
    : QWidget(parent), ControlView(control, window, this) {
    setMouseTracking(true);
    if (HasScrollBars(control)) {
        m_scroll = new QScrollArea(this);
        m_scroll->setFrameShape(QFrame::NoFrame);
        m_scroll->setWidgetResizable(false);
        m_scroll->viewport()->setAutoFillBackground(false);
        m_content = new QWidget();
        m_content->setAutoFillBackground(false);
        m_scroll->setWidget(m_content);
        connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this,
                &PlainView::OnUserScrolled);
        connect(m_scroll->horizontalScrollBar(), &QScrollBar::valueChanged, this,
                &PlainView::OnUserScrolled);
    }
}

QWidget* PlainView::ChildHost() {
    ui::Control* c = Model();
    if (c == nullptr || c->AsContainer() == nullptr) {
        return nullptr;
    }
    return m_content ? m_content.data() : this;
}

bool PlainView::Fits() const {
    ui::Control* c = Model();
    return c == nullptr || HasScrollBars(*c) == (m_scroll != nullptr);
}

QSize PlainView::minimumSizeHint() const {
    const auto* label = dynamic_cast<const ui::Label*>(Model());
    if (label == nullptr) {
        return QSize(0, 0);
    }
    const ui::Padding& p = label->GetTextPadding();
    return QSize(0, fontMetrics().height() + p.top + p.bottom);
}

bool PlainView::IsListItem() const {
    return dynamic_cast<ui::ListElement*>(Model()) != nullptr;
}

void PlainView::LayoutChildren() {
    ui::Control* c = Model();
    ui::Container* box = c != nullptr ? c->AsContainer() : nullptr;
    if (box == nullptr) {
        return;
    }
    WindowView& win = Window();
    const ShownFn shown = [&win](const ui::Control& child) {
        return win.ViewOf(&child) != nullptr && win.IsShown(child);
    };
    QRect area = rect();
    if (m_scroll) {
        m_scroll->setGeometry(rect());
        m_scroll->setVerticalScrollBarPolicy(box->HasVerticalScroll() ? Qt::ScrollBarAsNeeded
                                                                      : Qt::ScrollBarAlwaysOff);
        m_scroll->setHorizontalScrollBarPolicy(box->HasHorizontalScroll() ? Qt::ScrollBarAsNeeded
                                                                          : Qt::ScrollBarAlwaysOff);
        const LeafMinimumFn leaf = [&win](const ui::Control& child) {
            ControlView* v = win.ViewOf(&child);
            return v ? v->Widget()->minimumSizeHint().expandedTo(QSize(0, 0)) : QSize();
        };
        const QSize need = MinimumContentSize(*box, shown, leaf);
        QSize view = m_scroll->maximumViewportSize();
        if (box->HasVerticalScroll() && need.height() > view.height()) {
            view.rwidth() -= m_scroll->verticalScrollBar()->sizeHint().width();
        }
        if (box->HasHorizontalScroll() && need.width() > view.width()) {
            view.rheight() -= m_scroll->horizontalScrollBar()->sizeHint().height();
        }
        const int w =
            box->HasHorizontalScroll() ? std::max(view.width(), need.width()) : view.width();
        const int h =
            box->HasVerticalScroll() ? std::max(view.height(), need.height()) : view.height();
        m_content->resize(std::max(w, 0), std::max(h, 0));
        area = QRect(0, 0, m_content->width(), m_content->height());
    }
    for (const ChildPlacement& place : PlaceChildren(*box, area, shown)) {
        if (ControlView* v = win.ViewOf(place.control)) {
            v->Widget()->setGeometry(place.rect);
        }
    }
}

bool PlainView::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest) {
        LayoutChildren();
        return true;
    }
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange) {
        FollowStyledBackground();
    }
    return QWidget::event(event);
}

// The skin's style sheet may give a class a background ([vclass="List"]);
// the model's own colours and images are drawn over it. Qt paints a styled
// background only for a view that asks, and asking costs a painter and a
// rule lookup each time anything inside the view is repainted (every frame
// of a light effect), so a view asks only when the sheet draws something
// for it: the style draws the view's background once into a small picture.
void PlainView::FollowStyledBackground() {
    QStyleOption option;
    option.initFrom(this);
    option.rect = QRect(QPoint(0, 0), size().expandedTo(QSize(16, 16)));
    QImage probe(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
    probe.fill(Qt::transparent);
    {
        QPainter painter(&probe);
        style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    }
    bool drawn = false;
    for (int y = 0; y < probe.height() && !drawn; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(probe.constScanLine(y));
        drawn = std::any_of(line, line + probe.width(), [](QRgb p) { return qAlpha(p) != 0; });
    }
    setAttribute(Qt::WA_StyledBackground, drawn);
}

void PlainView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Window().ReportHostRects(*this);
    LayoutChildren();
}

void PlainView::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    Window().ReportHostRects(*this);
}

void PlainView::paintEvent(QPaintEvent* event) {
    if (Model() == nullptr || PaintsNothing()) {
        return;
    }
    QPainter painter(this);
    // Below a row of small widgets (a mousepad's lights) the region to paint
    // is many rectangles. Drawn through that clip, art and fills go the
    // toolkit's slow way, which hands each tall one to a pool of threads and
    // waits; drawn rectangle by rectangle they are plain copies.
    const QRegion& region = event->region();
    if (region.rectCount() > 1) {
        for (const QRect& part : region) {
            painter.setClipRect(part);
            Paint(painter);
        }
        return;
    }
    Paint(painter);
}

// A bare layout (no colour, art or text) is passed over whenever something
// inside it is repainted, thirty times a second below a moving light effect.
bool PlainView::PaintsNothing() const {
    const ui::Control& c = *Model();
    if (c.IsCustomPainted() || dynamic_cast<const ui::ListElement*>(&c) != nullptr ||
        dynamic_cast<const ui::Label*>(&c) != nullptr) {
        return false;
    }
    for (ui::ColorRole role :
         {ui::ColorRole::Background, ui::ColorRole::HotBackground, ui::ColorRole::Border}) {
        if (c.GetColor(role)) {
            return false;
        }
    }
    for (ui::ImageState state :
         {ui::ImageState::Background, ui::ImageState::Normal, ui::ImageState::Hot,
          ui::ImageState::Disabled, ui::ImageState::Selected, ui::ImageState::Fore}) {
        if (!c.GetImage(state).empty()) {
            return false;
        }
    }
    return true;
}

void PlainView::Paint(QPainter& painter) {
    ui::Control* c = Model();
    if (c->IsCustomPainted()) {
        QtPainter canvas(painter, GetSkin().Images(), WindowPos(QPoint(0, 0)), font());
        c->Paint(canvas);
        return;
    }
    PaintSkin(painter);
    PaintText(painter);
}

void PlainView::PaintSkin(QPainter& painter) {
    const ui::Control& c = *Model();
    auto* item = dynamic_cast<const ui::ListElement*>(&c);
    const bool selected = item != nullptr && item->IsSelected();
    const bool hot = underMouse() && isEnabled();
    QColor background = RoleColor(c, ui::ColorRole::Background, QColor());
    if (selected) {
        background =
            RoleColor(c, ui::ColorRole::SelectedBackground, item ? kItemSelected : background);
    } else if (hot && (item != nullptr || c.GetColor(ui::ColorRole::HotBackground))) {
        background = RoleColor(c, ui::ColorRole::HotBackground, kItemHot);
    }
    if (background.isValid() && background.alpha() > 0) {
        painter.fillRect(rect(), background);
    }
    const SkinImages& images = GetSkin().Images();
    images.Draw(painter, rect(), ParseImageSpec(c.GetImage(ui::ImageState::Background)));
    const std::string& state =
        !isEnabled() ? FirstImage(c, {ui::ImageState::Disabled, ui::ImageState::Normal})
        : selected   ? FirstImage(c, {ui::ImageState::Selected, ui::ImageState::Normal})
        : hot        ? FirstImage(c, {ui::ImageState::Hot, ui::ImageState::Normal})
                     : c.GetImage(ui::ImageState::Normal);
    images.Draw(painter, rect(), ParseImageSpec(state));
    images.Draw(painter, rect(), ParseImageSpec(c.GetImage(ui::ImageState::Fore)));
    if (std::optional<ui::Color> border = c.GetColor(ui::ColorRole::Border)) {
        painter.setPen(ToQColor(*border));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void PlainView::PaintText(QPainter& painter) {
    const ui::Control& c = *Model();
    const auto* label = dynamic_cast<const ui::Label*>(&c);
    const auto* item = dynamic_cast<const ui::ListLabelElement*>(&c);
    if (label == nullptr && item == nullptr) {
        return;
    }
    const QString text = ModelText();
    if (text.isEmpty()) {
        return;
    }
    QRect area = rect();
    int flags = Qt::AlignVCenter;
    if (label != nullptr) {
        const ui::Padding& p = label->GetTextPadding();
        area.adjust(p.left, p.top, -p.right, -p.bottom);
        flags |= label->GetAlign() == ui::TextAlign::Center  ? Qt::AlignHCenter
                 : label->GetAlign() == ui::TextAlign::Right ? Qt::AlignRight
                                                             : Qt::AlignLeft;
        if (label->IsMultiLine()) {
            flags = (flags & ~Qt::AlignVCenter) | Qt::AlignTop | Qt::TextWordWrap;
        }
    } else {
        area.adjust(8, 0, -8, 0);
        flags |= Qt::AlignLeft;
    }
    const bool selected = item != nullptr && item->IsSelected();
    QColor color = RoleColor(c, ui::ColorRole::Text, palette().color(QPalette::WindowText));
    if (!isEnabled()) {
        color = RoleColor(c, ui::ColorRole::DisabledText,
                          palette().color(QPalette::Disabled, QPalette::WindowText));
    } else if (selected) {
        color = RoleColor(c, ui::ColorRole::SelectedText, color);
    } else if (underMouse()) {
        color = RoleColor(c, ui::ColorRole::HotText, color);
    }
    const bool wrap = flags & Qt::TextWordWrap;
    m_label.Draw(painter, area, flags,
                 wrap ? text : fontMetrics().elidedText(text, Qt::ElideRight, area.width()), font(),
                 color);
}

void PlainView::ApplyState(ui::Property property) {
    ui::Control* c = Model();
    if (c == nullptr) {
        return;
    }
    if (property == ui::Property::SelectedIndex) {
        if (auto* tab = dynamic_cast<ui::TabLayout*>(c)) {
            for (size_t i = 0; i < tab->GetCount(); ++i) {
                if (ControlView* v = Window().ViewOf(tab->GetItemAt(i))) {
                    v->Apply(ui::Property::Visible);
                }
            }
            RequestLayout();
        }
    } else if (property == ui::Property::Selected) {
        update();
    } else if (property == ui::Property::Scroll) {
        ApplyScroll();
    } else if (property == ui::Property::Items) {
        RequestLayout();
    }
}

void PlainView::ApplyScroll() {
    ui::Control* c = Model();
    if (c == nullptr || c->AsContainer() == nullptr || m_writingBack) {
        return;
    }
    if (!Fits()) {
        Window().RebuildSoon(*c);
        return;
    }
    if (!m_scroll) {
        return;
    }
    ui::Container& box = *c->AsContainer();
    LayoutChildren();
    QScrollBar* v = m_scroll->verticalScrollBar();
    QScrollBar* h = m_scroll->horizontalScrollBar();
    const ui::Point want = box.GetScrollPos();
    if (want.x != h->value() || want.y != v->value()) {
        h->setValue(want.x);  // clamped by the bar; the change is reported back
        v->setValue(want.y);
        if (h->value() != want.x || v->value() != want.y) {
            OnUserScrolled();
        }
        return;
    }
    const int index = box.GetEnsureVisibleIndex();
    if (index >= 0) {
        if (ControlView* child = Window().ViewOf(box.GetItemAt(static_cast<size_t>(index)))) {
            m_scroll->ensureWidgetVisible(child->Widget(), 0, 0);
        }
    }
}

void PlainView::OnUserScrolled() {
    ui::Control* c = Model();
    if (c == nullptr || c->AsContainer() == nullptr || !m_scroll) {
        return;
    }
    const ui::Point now{m_scroll->horizontalScrollBar()->value(),
                        m_scroll->verticalScrollBar()->value()};
    if (c->AsContainer()->GetScrollPos() == now) {
        return;
    }
    // Writing back must not re-apply a pending ensure-visible request.
    QPointer<QWidget> self(this);
    m_writingBack = true;
    c->AsContainer()->SetScrollPos(now);
    if (!self) {
        return;
    }
    m_writingBack = false;
    if (ui::Control* alive = Model()) {
        for (size_t i = 0; i < alive->AsContainer()->GetCount(); ++i) {
            if (ControlView* v = Window().ViewOf(alive->AsContainer()->GetItemAt(i))) {
                Window().ReportHostRects(*v);
            }
        }
    }
}

void PlainView::mousePressEvent(QMouseEvent* event) {
    m_pressedInside = false;
    if (ForwardInput(ui::InputEvent::Type::ButtonDown, event->pos(), event->button(),
                     event->modifiers())) {
        event->accept();
        return;
    }
    auto* item = dynamic_cast<ui::ListElement*>(Model());
    if (item != nullptr && event->button() == Qt::LeftButton) {
        Window().UserPressed(*this);
        m_pressedInside = true;
        item->UserPress(event->modifiers() & Qt::ControlModifier);
        event->accept();
        return;
    }
    event->ignore();
}

void PlainView::mouseReleaseEvent(QMouseEvent* event) {
    if (ForwardInput(ui::InputEvent::Type::ButtonUp, event->pos(), event->button(),
                     event->modifiers())) {
        event->accept();
        return;
    }
    auto* item = dynamic_cast<ui::ListElement*>(Model());
    if (item != nullptr && m_pressedInside && rect().contains(event->pos())) {
        m_pressedInside = false;
        item->UserClick();
        event->accept();
        return;
    }
    event->ignore();
}

void PlainView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (ForwardInput(ui::InputEvent::Type::DoubleClick, event->pos(), event->button(),
                     event->modifiers())) {
        event->accept();
        return;
    }
    if (auto* item = dynamic_cast<ui::ListElement*>(Model())) {
        item->UserActivate();
        event->accept();
        return;
    }
    event->ignore();
}

void PlainView::mouseMoveEvent(QMouseEvent* event) {
    if (!ForwardInput(ui::InputEvent::Type::Move, event->pos(), event->buttons(),
                      event->modifiers())) {
        event->ignore();
    }
}

void PlainView::wheelEvent(QWheelEvent* event) {
    if (!ForwardInput(ui::InputEvent::Type::Wheel, event->position().toPoint(), event->buttons(),
                      event->modifiers(), 0, event->angleDelta().y())) {
        event->ignore();
    }
}

void PlainView::enterEvent(QEnterEvent* event) {
    ForwardInput(ui::InputEvent::Type::Enter, event->position().toPoint(), Qt::NoButton,
                 Qt::NoModifier);
    update();
}

void PlainView::leaveEvent(QEvent* /*event*/) {
    ForwardInput(ui::InputEvent::Type::Leave, mapFromGlobal(QCursor::pos()), Qt::NoButton,
                 Qt::NoModifier);
    update();
}

void PlainView::contextMenuEvent(QContextMenuEvent* event) {
    if (ForwardInput(ui::InputEvent::Type::ContextMenu, event->pos(), Qt::RightButton,
                     event->modifiers())) {
        return;
    }
    ui::Control* c = Model();
    if (c != nullptr && c->HasContextMenu()) {
        const QPoint at = WindowPos(event->pos());
        c->UserContextMenu(ui::Point{at.x(), at.y()});
        return;
    }
    event->ignore();
}

void PlainView::keyPressEvent(QKeyEvent* event) {
    if (ForwardInput(ui::InputEvent::Type::KeyDown, QPoint(), Qt::NoButton, event->modifiers(),
                     event->key())) {
        return;
    }
    auto* item = dynamic_cast<ui::ListElement*>(Model());
    if (item != nullptr && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        item->UserActivate();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace qthost
