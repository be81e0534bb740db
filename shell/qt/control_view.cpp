#include "shell/qt/control_view.h"

#include <QApplication>
#include <QEvent>
#include <QStringList>

#include "platform/ui/container.h"
#include "platform/ui/window.h"
#include "shell/qt/skin.h"
#include "shell/qt/window_view.h"

namespace qthost {
namespace {

constexpr char kViewProperty[] = "qthost_view";

QString Rgba(const QColor& c) {
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(c.alpha());
}

}  // namespace

ControlView::ControlView(ui::Control& control, WindowView& window, QWidget* widget)
    : m_handle(control.Handle()), m_window(window), m_widget(widget) {
    control.SetHostView(this);
    m_widget->setProperty(kViewProperty, QVariant::fromValue(static_cast<void*>(this)));
    m_widget->setProperty("vclass",
                          QString::fromUtf8(control.GetClass().data(),
                                            static_cast<qsizetype>(control.GetClass().size())));
}

ControlView::~ControlView() {
    Detach();
}

void ControlView::Detach() {
    m_detached = true;
    if (ui::Control* control = m_handle.Get();
        control != nullptr && control->GetHostView() == this) {
        control->SetHostView(nullptr);
    }
}

ControlView* ControlView::Of(const QObject* widget) {
    if (widget == nullptr) {
        return nullptr;
    }
    return static_cast<ControlView*>(widget->property(kViewProperty).value<void*>());
}

void ControlView::RequestLayout() {
    // Qt folds repeated layout requests to one receiver into one event.
    QApplication::postEvent(m_widget, new QEvent(QEvent::LayoutRequest));
}

void ControlView::Apply(ui::Property property) {
    ui::Control* c = Model();
    if (c == nullptr) {
        return;
    }
    switch (property) {
        case ui::Property::Name:
            m_widget->setObjectName(QString::fromStdString(c->GetName()));
            break;
        case ui::Property::Text:
            ApplyText();
            m_widget->setToolTip(QString::fromStdString(c->GetTooltip()));
            m_widget->update();
            break;
        case ui::Property::Tooltip:
            m_widget->setToolTip(QString::fromStdString(c->GetTooltip()));
            break;
        case ui::Property::Visible:
            ApplyVisibility();
            break;
        case ui::Property::Enabled:
            m_widget->setEnabled(c->IsEnabled());
            break;
        case ui::Property::Focus:
            if (c->IsFocused() && !m_widget->hasFocus() && m_widget->focusPolicy() != Qt::NoFocus) {
                m_widget->setFocus(Qt::OtherFocusReason);
            } else if (!c->IsFocused() && m_widget->hasFocus()) {
                m_widget->clearFocus();
            }
            break;
        case ui::Property::Images:
        case ui::Property::Colors:
            ApplyLook();
            break;
        case ui::Property::Font:
            ApplyFont();
            break;
        case ui::Property::Geometry:
            if (ControlView* parent = ControlView::Of(m_widget->parentWidget())) {
                parent->RequestLayout();
            }
            // Scroll contents have a plain parent whose owner is the scrolling container.
            if (ui::Container* own = c->GetParent()) {
                if (ControlView* owner = m_window.ViewOf(own)) {
                    owner->RequestLayout();
                }
            }
            if (ChildHost() != nullptr) {
                RequestLayout();
            }
            break;
        case ui::Property::HostRect:
        case ui::Property::UserData:
            break;
        case ui::Property::Custom:
            m_widget->update();
            ApplyState(property);
            break;
        default:
            ApplyState(property);
            break;
    }
}

void ControlView::ApplyAll() {
    for (ui::Property p :
         {ui::Property::Name, ui::Property::Font, ui::Property::Text, ui::Property::Enabled,
          ui::Property::Images, ui::Property::Colors, ui::Property::Range, ui::Property::Value,
          ui::Property::Selected, ui::Property::SelectedIndex, ui::Property::Items,
          ui::Property::EditState, ui::Property::Scroll, ui::Property::Visible}) {
        Apply(p);
    }
}

void ControlView::ApplyLook() {
    m_widget->update();
}

void ControlView::ApplyColorStyle(const char* selector) {
    ui::Control* c = Model();
    if (c == nullptr) {
        return;
    }
    struct Rule {
        ui::ColorRole role;
        const char* state;
        const char* property;
    };
    static const Rule kRules[] = {
        {ui::ColorRole::Text, "", "color"},
        {ui::ColorRole::Background, "", "background-color"},
        {ui::ColorRole::Border, "", "border-color"},
        {ui::ColorRole::DisabledText, ":disabled", "color"},
        {ui::ColorRole::HotText, ":hover", "color"},
        {ui::ColorRole::HotBackground, ":hover", "background-color"},
        {ui::ColorRole::PushedText, ":pressed", "color"},
        {ui::ColorRole::SelectedText, ":checked", "color"},
        {ui::ColorRole::SelectedBackground, ":checked", "background-color"},
        {ui::ColorRole::FocusedBorder, ":focus", "border-color"},
    };
    QStringList rules;
    for (const Rule& r : kRules) {
        if (std::optional<ui::Color> color = c->GetColor(r.role)) {
            rules << QStringLiteral("%1%2 { %3: %4; }")
                         .arg(QLatin1String(selector), QLatin1String(r.state),
                              QLatin1String(r.property), Rgba(ToQColor(*color)));
        }
    }
    if (std::optional<ui::Color> fore = c->GetColor(ui::ColorRole::Fore)) {
        rules << QStringLiteral("%1::chunk { background-color: %2; }")
                     .arg(QLatin1String(selector), Rgba(ToQColor(*fore)));
    }
    const QString sheet = rules.join(QLatin1Char('\n'));
    if (m_widget->styleSheet() != sheet) {
        m_widget->setStyleSheet(sheet);
    }
    m_widget->update();
}

void ControlView::ApplyVisibility() {
    ui::Control* c = Model();
    if (c == nullptr) {
        return;
    }
    const bool shown = m_window.IsShown(*c);
    if (shown == m_widget->isHidden()) {
        m_widget->setVisible(shown);
    }
    if (ControlView* parent = ControlView::Of(m_widget->parentWidget())) {
        parent->RequestLayout();
    } else if (ui::Container* own = c->GetParent()) {
        if (ControlView* owner = m_window.ViewOf(own)) {
            owner->RequestLayout();
        }
    }
}

void ControlView::ApplyFont() {
    ui::Control* c = Model();
    ui::Window* w = c != nullptr ? c->GetWindow() : nullptr;
    if (w == nullptr) {
        return;
    }
    const ui::FontSpec spec = w->ResolveFont(*c);
    m_widget->setFont(ToQFont(spec, QApplication::font()));
}

const Skin& ControlView::GetSkin() const {
    return m_window.GetSkin();
}

QString ControlView::ModelText() const {
    ui::Control* c = Model();
    return c != nullptr ? QString::fromStdString(c->GetText()) : QString();
}

QPoint ControlView::WindowPos(const QPoint& local) const {
    return m_window.WindowOrigin(m_widget) + local;
}

bool ControlView::ForwardInput(ui::InputEvent::Type type, const QPoint& local,
                               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int key,
                               int wheelDelta) {
    ui::Control* c = Model();
    if (c == nullptr) {
        return false;
    }
    ui::InputEvent e;
    e.type = type;
    const QPoint at = WindowPos(local);
    e.pos = ui::Point{at.x(), at.y()};
    e.button = (buttons & Qt::LeftButton ? ui::InputEvent::kLeft : 0) |
               (buttons & Qt::RightButton ? ui::InputEvent::kRight : 0) |
               (buttons & Qt::MiddleButton ? ui::InputEvent::kMiddle : 0);
    e.key = key;
    e.wheelDelta = wheelDelta;
    e.ctrl = modifiers & Qt::ControlModifier;
    e.shift = modifiers & Qt::ShiftModifier;
    e.alt = modifiers & Qt::AltModifier;
    return c->HandleInput(e);
}

QColor RoleColor(const ui::Control& control, ui::ColorRole role, const QColor& fallback) {
    std::optional<ui::Color> color = control.GetColor(role);
    return color ? ToQColor(*color) : fallback;
}

}  // namespace qthost
