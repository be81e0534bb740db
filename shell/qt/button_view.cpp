#include "shell/qt/button_view.h"

#include <QCheckBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <optional>
#include <string>
#include <utility>

#include "platform/ui/button.h"
#include "shell/qt/qt_painter.h"
#include "shell/qt/skin.h"
#include "shell/qt/text_cache.h"
#include "shell/qt/window_view.h"

namespace qthost {
namespace {

using ui::ImageState;

const std::string& FirstOf(const ui::Control& c, std::initializer_list<ImageState> states) {
    static const std::string kNone;
    for (ImageState s : states) {
        if (!c.GetImage(s).empty()) {
            return c.GetImage(s);
        }
    }
    return kNone;
}

struct ButtonState {
    bool disabled, pushed, hot, focused, selected;
};

const std::string& StateImage(const ui::Control& c, const ButtonState& s) {
    if (s.selected) {
        if (s.disabled)
            return FirstOf(c, {ImageState::SelectedDisabled, ImageState::Disabled});
        if (s.pushed)
            return FirstOf(c, {ImageState::SelectedPushed, ImageState::Selected});
        if (s.hot)
            return FirstOf(c, {ImageState::SelectedHot, ImageState::Selected});
        return FirstOf(c, {ImageState::Selected, ImageState::Normal});
    }
    if (s.disabled)
        return FirstOf(c, {ImageState::Disabled, ImageState::Normal});
    if (s.pushed)
        return FirstOf(c, {ImageState::Pushed, ImageState::Hot, ImageState::Normal});
    if (s.hot)
        return FirstOf(c, {ImageState::Hot, ImageState::Normal});
    if (s.focused)
        return FirstOf(c, {ImageState::Focused, ImageState::Normal});
    return c.GetImage(ImageState::Normal);
}

template <typename Base>
class ButtonView : public Base, public ControlView {
  public:
    ButtonView(ui::Control& control, WindowView& window, QWidget* parent, ButtonKind kind)
        : Base(parent), ControlView(control, window, this), m_kind(kind) {
        this->setAttribute(Qt::WA_Hover, true);
        this->setMouseTracking(true);
        this->setCheckable(kind != ButtonKind::Push);
        this->setAutoExclusive(false);
        QObject::connect(this, &QAbstractButton::clicked, this, [this] { OnClicked(); });
    }

    bool Fits() const override {
        ui::Control* c = Model();
        return c == nullptr || ButtonKindOf(*c) == m_kind;
    }

  protected:
    // The model decides the checked state, not Qt.
    void nextCheckState() override {}
    // The whole control takes clicks, not only a check box's indicator and label.
    bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }

    // Receivers may remove the control, and a nested loop they run (a modal box) may then
    // delete this widget: nothing of it is touched after a model call without checking.
    void OnClicked() {
        QPointer<QWidget> self(this);
        Window().UserPressed(*this);
        auto* button = self ? dynamic_cast<ui::Button*>(Model()) : nullptr;
        if (button == nullptr) {
            return;
        }
        button->UserClick();
        if (self) {
            SyncChecked();
        }
    }

    void SyncChecked() {
        if (auto* option = dynamic_cast<ui::Option*>(Model())) {
            QSignalBlocker block(this);
            this->setChecked(option->IsSelected());
        }
    }

    void ApplyText() override { this->setText(ModelText()); }
    void ApplyLook() override {
        ApplyColorStyle(Selector());
        this->update();
    }
    void ApplyState(ui::Property property) override {
        if (property == ui::Property::Selected) {
            SyncChecked();
            this->update();
        } else if (property == ui::Property::Group && !Fits()) {
            Window().RebuildSoon(*Model());
        }
    }

    const char* Selector() const {
        switch (m_kind) {
            case ButtonKind::Radio:
                return "QRadioButton";
            case ButtonKind::Check:
                return "QCheckBox";
            default:
                return "QPushButton";
        }
    }

    void paintEvent(QPaintEvent* event) override {
        ui::Control* c = Model();
        if (c == nullptr) {
            return;
        }
        if (!HasSkinLook(*c)) {
            Base::paintEvent(event);
        }
        QPainter painter(this);
        if (HasSkinLook(*c)) {
            PaintSkin(painter, *c);
        }
        if (c->IsCustomPainted()) {
            QtPainter canvas(painter, GetSkin().Images(), WindowPos(QPoint(0, 0)), this->font());
            c->Paint(canvas);
        }
    }

    // Everything the skin look of the button is drawn from.
    struct SkinLook {
        QSize size;
        qreal ratio = 1.0;
        QColor background;
        std::string images[3];  // background, state, fore
        std::optional<ui::Color> border;
        std::string text;
        QFont font;
        QColor textColor;
        QRect textArea;
        int textFlags = 0;
        bool operator==(const SkinLook&) const = default;
    };

    // Fills look in place: a look kept from the last paint reuses its
    // strings, so repainting a key in every frame of an effect allocates nothing.
    void LookOf(const ui::Control& c, SkinLook& look) const {
        const auto* option = dynamic_cast<const ui::Option*>(&c);
        const ButtonState s{!this->isEnabled(), this->isDown(), this->underMouse(),
                            this->hasFocus(), option != nullptr && option->IsSelected()};
        look.size = this->size();
        look.ratio = this->devicePixelRatio();
        look.background = RoleColor(c, ui::ColorRole::Background, QColor());
        if (s.selected)
            look.background = RoleColor(c, ui::ColorRole::SelectedBackground, look.background);
        else if (s.hot)
            look.background = RoleColor(c, ui::ColorRole::HotBackground, look.background);
        look.images[0] = c.GetImage(ImageState::Background);
        look.images[1] = StateImage(c, s);
        look.images[2] = c.GetImage(ImageState::Fore);
        look.border = c.GetColor(ui::ColorRole::Border);
        look.text = c.GetText();
        if (!look.text.empty()) {
            LabelOf(c, s, look);
        } else {
            look.textColor = QColor();
            look.textArea = QRect();
            look.textFlags = 0;
        }
    }

    void LabelOf(const ui::Control& c, const ButtonState& s, SkinLook& look) const {
        QColor color =
            RoleColor(c, ui::ColorRole::Text, this->palette().color(QPalette::ButtonText));
        if (s.disabled) {
            color = RoleColor(c, ui::ColorRole::DisabledText,
                              this->palette().color(QPalette::Disabled, QPalette::ButtonText));
        } else if (s.pushed) {
            color = RoleColor(c, ui::ColorRole::PushedText, color);
        } else if (s.selected) {
            color = RoleColor(c, ui::ColorRole::SelectedText, color);
        } else if (s.hot) {
            color = RoleColor(c, ui::ColorRole::HotText, color);
        }
        QRect area = this->rect();
        int flags = Qt::AlignVCenter | Qt::AlignHCenter;
        if (const auto* label = dynamic_cast<const ui::Label*>(&c)) {
            const ui::Padding& p = label->GetTextPadding();
            area.adjust(p.left, p.top, -p.right, -p.bottom);
            if (label->GetAlign() == ui::TextAlign::Left &&
                (p.left > 0 || m_kind == ButtonKind::Check || m_kind == ButtonKind::Radio)) {
                flags = Qt::AlignVCenter | Qt::AlignLeft;
            } else if (label->GetAlign() == ui::TextAlign::Right) {
                flags = Qt::AlignVCenter | Qt::AlignRight;
            }
        }
        look.font = this->font();
        look.textColor = color;
        look.textArea = area;
        look.textFlags = flags;
    }

    void DrawLook(QPainter& painter, const SkinLook& look) {
        const QRect all(QPoint(0, 0), look.size);
        if (look.background.isValid() && look.background.alpha() > 0) {
            painter.fillRect(all, look.background);
        }
        const SkinImages& images = GetSkin().Images();
        for (const std::string& image : look.images) {
            images.Draw(painter, all, ParseImageSpec(image));
        }
        if (look.border) {
            painter.setPen(ToQColor(*look.border));
            painter.drawRect(all.adjusted(0, 0, -1, -1));
        }
        if (!look.text.empty()) {
            m_label.Draw(painter, look.textArea, look.textFlags, QString::fromStdString(look.text),
                         look.font, look.textColor);
        }
    }

    // Buttons the control paints over (a device's lights and keys) are
    // repainted with every frame of an effect while their skin look stays;
    // the look is kept as a picture and remade when what it shows changes.
    void PaintSkin(QPainter& painter, const ui::Control& c) {
        LookOf(c, m_next);
        if (!c.IsCustomPainted()) {
            DrawLook(painter, m_next);
            return;
        }
        if (m_layer.isNull() || !(m_next == m_look)) {
            m_layer = QPixmap(m_next.size * m_next.ratio);
            m_layer.setDevicePixelRatio(m_next.ratio);
            m_layer.fill(Qt::transparent);
            QPainter layer(&m_layer);
            layer.setRenderHints(painter.renderHints());
            DrawLook(layer, m_next);
            layer.end();
            std::swap(m_look, m_next);
        }
        painter.drawPixmap(0, 0, m_layer);
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (ForwardInput(ui::InputEvent::Type::ButtonDown, event->pos(), event->button(),
                         event->modifiers())) {
            return;
        }
        Base::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (ForwardInput(ui::InputEvent::Type::ButtonUp, event->pos(), event->button(),
                         event->modifiers())) {
            this->setDown(false);
            return;
        }
        Base::mouseReleaseEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (ForwardInput(ui::InputEvent::Type::DoubleClick, event->pos(), event->button(),
                         event->modifiers())) {
            return;
        }
        // The second press of a double click still presses the button (a second click
        // follows on release); the double click is raised as well.
        Base::mouseDoubleClickEvent(event);
        if (auto* button = dynamic_cast<ui::Button*>(Model())) {
            button->UserDoubleClick();
        }
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        ForwardInput(ui::InputEvent::Type::Move, event->pos(), event->buttons(),
                     event->modifiers());
        Base::mouseMoveEvent(event);
    }
    void enterEvent(QEnterEvent* event) override {
        ForwardInput(ui::InputEvent::Type::Enter, event->position().toPoint(), Qt::NoButton,
                     Qt::NoModifier);
        Base::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override {
        ForwardInput(ui::InputEvent::Type::Leave, this->mapFromGlobal(QCursor::pos()), Qt::NoButton,
                     Qt::NoModifier);
        Base::leaveEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override {
        Base::focusInEvent(event);
        if (event->reason() != Qt::ActiveWindowFocusReason &&
            event->reason() != Qt::PopupFocusReason) {
            Window().UserPressed(*this);
        }
    }
    void resizeEvent(QResizeEvent* event) override {
        Base::resizeEvent(event);
        Window().ReportHostRects(*this);
    }
    void moveEvent(QMoveEvent* event) override {
        Base::moveEvent(event);
        Window().ReportHostRects(*this);
    }

  private:
    ButtonKind m_kind;
    TextCache m_label;
    SkinLook m_look;  // what m_layer shows
    SkinLook m_next;  // the look now, filled on each paint
    QPixmap m_layer;
};

}  // namespace

bool HasSkinLook(const ui::Control& c) {
    for (ImageState s :
         {ImageState::Background, ImageState::Normal, ImageState::Hot, ImageState::Pushed,
          ImageState::Disabled, ImageState::Selected, ImageState::SelectedHot, ImageState::Fore}) {
        if (!c.GetImage(s).empty()) {
            return true;
        }
    }
    return false;
}

ButtonKind ButtonKindOf(const ui::Control& control) {
    if (dynamic_cast<const ui::CheckBox*>(&control) != nullptr) {
        return ButtonKind::Check;
    }
    if (const auto* option = dynamic_cast<const ui::Option*>(&control)) {
        const bool radio = !option->GetGroup().empty() && option->GetBoundTabName().empty();
        return radio ? ButtonKind::Radio : ButtonKind::Toggle;
    }
    return ButtonKind::Push;
}

QWidget* CreateButtonView(ui::Control& control, WindowView& window, QWidget* parent) {
    const ButtonKind kind = ButtonKindOf(control);
    switch (kind) {
        case ButtonKind::Check:
            return new ButtonView<QCheckBox>(control, window, parent, kind);
        case ButtonKind::Radio:
            return new ButtonView<QRadioButton>(control, window, parent, kind);
        default:
            return new ButtonView<QPushButton>(control, window, parent, kind);
    }
}

}  // namespace qthost
