#include "shell/qt/input_views.h"

#include <QComboBox>
#include <QCursor>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QSlider>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionSlider>
#include <cmath>

#include "platform/ui/custom_control.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "platform/ui/range_controls.h"
#include "shell/qt/button_view.h"
#include "shell/qt/control_view.h"
#include "shell/qt/qt_painter.h"
#include "shell/qt/skin.h"
#include "shell/qt/window_view.h"

namespace qthost {
namespace {

bool IsUserFocusReason(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

// Shared by every view: its rectangle in window pixels follows the widget.
template <typename Base>
class Reporting : public Base, public ControlView {
  public:
    Reporting(ui::Control& control, WindowView& window, QWidget* parent)
        : Base(parent), ControlView(control, window, this) {}

  protected:
    void resizeEvent(QResizeEvent* event) override {
        Base::resizeEvent(event);
        Window().ReportHostRects(*this);
    }
    void moveEvent(QMoveEvent* event) override {
        Base::moveEvent(event);
        Window().ReportHostRects(*this);
    }
    void focusInEvent(QFocusEvent* event) override {
        Base::focusInEvent(event);
        if (IsUserFocusReason(event->reason())) {
            Window().UserPressed(*this);
        }
    }
    void focusOutEvent(QFocusEvent* event) override {
        Base::focusOutEvent(event);
        if (IsUserFocusReason(event->reason())) {
            Window().UserFocusLeft(*this);
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        // Qt gives no focus event for a press that changes nothing to it: in
        // a window that is not active, or on a widget that took the focus by
        // itself when its window came back to the front. The model's focus
        // follows the press all the same.
        if ((this->focusPolicy() & Qt::ClickFocus) != 0 && Model() != nullptr &&
            Model()->GetWindow() != nullptr && Model()->GetWindow()->GetFocus() != Model()) {
            Window().UserPressed(*this);
        }
        Base::mousePressEvent(event);
    }
};

// --- Edits ---

class EditView : public Reporting<QLineEdit> {
  public:
    EditView(ui::Control& control, WindowView& window, QWidget* parent)
        : Reporting(control, window, parent) {
        connect(this, &QLineEdit::textEdited, this, [this](const QString& typed) {
            auto* edit = dynamic_cast<ui::Edit*>(Model());
            if (edit == nullptr) {
                return;
            }
            QPointer<QWidget> self(this);
            const QString stored = QString::fromStdString(edit->UserSetText(typed.toStdString()));
            if (self && Model() != nullptr && stored != text()) {
                const int cursor = std::min<int>(cursorPosition(), stored.size());
                setText(stored);
                setCursorPosition(cursor);
            }
        });
        connect(this, &QLineEdit::returnPressed, this, [this] {
            if (auto* edit = dynamic_cast<ui::Edit*>(Model())) {
                edit->UserReturn();
            }
        });
    }

  protected:
    void ApplyText() override {
        const QString shown = ModelText();
        if (shown != text()) {
            setText(shown);
        }
        if (auto* edit = dynamic_cast<ui::Edit*>(Model())) {
            setPlaceholderText(QString::fromStdString(edit->GetHint()));
        }
    }
    void ApplyLook() override { ApplyColorStyle("QLineEdit"); }
    void ApplyState(ui::Property property) override {
        auto* edit = dynamic_cast<ui::Edit*>(Model());
        if (property != ui::Property::EditState || edit == nullptr) {
            return;
        }
        setReadOnly(edit->IsReadOnly());
        setMaxLength(edit->GetMaxChars() > 0 ? edit->GetMaxChars() : 32767);
        setEchoMode(edit->IsPassword() ? QLineEdit::Password : QLineEdit::Normal);
        setPlaceholderText(QString::fromStdString(edit->GetHint()));
    }
};

class RichEditView : public Reporting<QPlainTextEdit> {
  public:
    RichEditView(ui::Control& control, WindowView& window, QWidget* parent)
        : Reporting(control, window, parent) {
        connect(this, &QPlainTextEdit::textChanged, this, [this] {
            auto* edit = dynamic_cast<ui::Edit*>(Model());
            if (edit == nullptr || m_applying) {
                return;
            }
            const QString typed = toPlainText();
            QPointer<QWidget> self(this);
            const QString stored = QString::fromStdString(edit->UserSetText(typed.toStdString()));
            if (self && Model() != nullptr && stored != typed) {
                ApplyText();
            }
        });
    }

  protected:
    void ApplyText() override {
        const QString shown = ModelText();
        if (shown != toPlainText()) {
            m_applying = true;
            setPlainText(shown);
            moveCursor(QTextCursor::End);
            m_applying = false;
        }
        if (auto* edit = dynamic_cast<ui::Edit*>(Model())) {
            setPlaceholderText(QString::fromStdString(edit->GetHint()));
        }
    }
    void ApplyLook() override { ApplyColorStyle("QPlainTextEdit"); }
    void ApplyState(ui::Property property) override {
        if (auto* edit = dynamic_cast<ui::Edit*>(Model());
            edit != nullptr && property == ui::Property::EditState) {
            setReadOnly(edit->IsReadOnly());
            setPlaceholderText(QString::fromStdString(edit->GetHint()));
        }
    }

  private:
    bool m_applying = false;
};

// --- Slider ---

class SliderView : public Reporting<QSlider> {
  public:
    SliderView(ui::Control& control, WindowView& window, QWidget* parent)
        : Reporting(control, window, parent) {
        setTracking(true);
        connect(this, &QSlider::sliderMoved, this, [this](int value) {
            if (auto* slider = Slider()) {
                QPointer<QWidget> self(this);
                slider->UserDrag(value);
                if (self) {
                    SyncValue();
                }
            }
        });
        connect(this, &QSlider::sliderReleased, this, [this] { Commit(value()); });
    }

  protected:
    ui::Slider* Slider() const { return dynamic_cast<ui::Slider*>(Model()); }

    void Commit(int value) {
        if (auto* slider = Slider()) {
            QPointer<QWidget> self(this);
            slider->UserCommit(value);
            if (self) {
                SyncValue();
            }
        }
    }

    void SyncValue() {
        if (auto* slider = Slider(); slider != nullptr && slider->GetValue() != value()) {
            QSignalBlocker block(this);
            setValue(slider->GetValue());
        }
    }

    void ApplyState(ui::Property property) override {
        auto* slider = Slider();
        if (slider == nullptr) {
            return;
        }
        if (property == ui::Property::Range) {
            QSignalBlocker block(this);
            setOrientation(slider->IsHorizontal() ? Qt::Horizontal : Qt::Vertical);
            setRange(slider->GetMinValue(), slider->GetMaxValue());
            setSingleStep(std::max(slider->GetStep(), 1));
            setPageStep(std::max(slider->GetStep(), 1));
        }
        if (property == ui::Property::Range || property == ui::Property::Value) {
            SyncValue();
        }
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && Skinned() && OnHandle(event->pos())) {
            // Skin images: the thumb is where we draw it, so the drag is ours too.
            event->accept();
            setSliderDown(true);
            return;
        }
        if (event->button() != Qt::LeftButton || OnHandle(event->pos())) {
            QSlider::mousePressEvent(event);
            return;
        }
        // A click beside the thumb puts the value there at once and commits it.
        event->accept();
        Commit(ValueAt(event->pos()));
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (!Skinned()) {
            QSlider::mouseMoveEvent(event);
            return;
        }
        event->accept();
        if (isSliderDown()) {
            setSliderPosition(ValueAt(event->pos()));  // raises sliderMoved -> UserDrag
        }
        update();
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (!Skinned() || !isSliderDown()) {
            QSlider::mouseReleaseEvent(event);
            return;
        }
        event->accept();
        setSliderDown(false);  // raises sliderReleased -> UserCommit
    }

    void paintEvent(QPaintEvent* event) override {
        auto* slider = Slider();
        if (slider == nullptr) {
            return;
        }
        if (!Skinned()) {
            QSlider::paintEvent(event);
            return;
        }
        QPainter painter(this);
        const SkinImages& images = GetSkin().Images();
        auto image = [slider](ui::ImageState state) {
            return ParseImageSpec(slider->GetImage(state));
        };
        images.Draw(painter, rect(), image(ui::ImageState::Background));
        const QRect thumb = ThumbRect();
        painter.save();
        painter.setClipRect(orientation() == Qt::Horizontal
                                ? QRect(0, 0, thumb.center().x(), height())
                                : QRect(0, thumb.center().y(), width(), height()));
        images.Draw(painter, rect(), image(ui::ImageState::Fore));
        painter.restore();
        const bool hot = thumb.contains(mapFromGlobal(QCursor::pos()));
        ui::ImageState state = isSliderDown() ? ui::ImageState::ThumbPushed
                               : hot          ? ui::ImageState::ThumbHot
                                              : ui::ImageState::Thumb;
        if (slider->GetImage(state).empty()) {
            state = ui::ImageState::Thumb;
        }
        images.Draw(painter, thumb, image(state));
    }

    void keyPressEvent(QKeyEvent* event) override {
        QSlider::keyPressEvent(event);
        CommitIfMoved();
    }

    void wheelEvent(QWheelEvent* event) override {
        QSlider::wheelEvent(event);
        CommitIfMoved();
    }

  private:
    void CommitIfMoved() {
        auto* slider = Slider();
        if (slider != nullptr && !isSliderDown() && slider->GetValue() != value()) {
            Commit(value());
        }
    }

    // Skin images replace the style's drawing when at least one of them exists.
    bool Skinned() const {
        auto* slider = Slider();
        if (slider == nullptr) {
            return false;
        }
        for (ui::ImageState state :
             {ui::ImageState::Background, ui::ImageState::Fore, ui::ImageState::Thumb}) {
            const ImageSpec spec = ParseImageSpec(slider->GetImage(state));
            if (!spec.IsEmpty() && !GetSkin().Images().Resolve(spec.file).isEmpty()) {
                return true;
            }
        }
        return false;
    }

    // The thumb of a skinned slider: the model's thumb size, placed by the value.
    QRect ThumbRect() const {
        const ui::Size size = Slider()->GetThumbSize();
        const int tw = std::max(size.width, 1);
        const int th = std::max(size.height, 1);
        const double part = maximum() > minimum()
                                ? double(sliderPosition() - minimum()) / (maximum() - minimum())
                                : 0.0;
        if (orientation() == Qt::Horizontal) {
            const int x = static_cast<int>(std::lround(part * std::max(width() - tw, 0)));
            return QRect(x, (height() - th) / 2, tw, th);
        }
        const int y = static_cast<int>(std::lround((1.0 - part) * std::max(height() - th, 0)));
        return QRect((width() - tw) / 2, y, tw, th);
    }

    bool OnHandle(const QPoint& pos) {
        if (Skinned()) {
            return ThumbRect().adjusted(-2, -2, 2, 2).contains(pos);
        }
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        return style()
            ->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this)
            .contains(pos);
    }

    int ValueAt(const QPoint& pos) {
        if (Skinned()) {
            const QRect thumb = ThumbRect();
            const bool across = orientation() == Qt::Horizontal;
            const int span =
                std::max(across ? width() - thumb.width() : height() - thumb.height(), 1);
            const int at = across ? pos.x() - thumb.width() / 2 : pos.y() - thumb.height() / 2;
            return QStyle::sliderValueFromPosition(minimum(), maximum(), at, span, !across);
        }
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        const QRect groove =
            style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
        const QRect handle =
            style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
        if (orientation() == Qt::Horizontal) {
            const int span = std::max(groove.width() - handle.width(), 1);
            return QStyle::sliderValueFromPosition(minimum(), maximum(),
                                                   pos.x() - groove.x() - handle.width() / 2, span,
                                                   opt.upsideDown);
        }
        const int span = std::max(groove.height() - handle.height(), 1);
        return QStyle::sliderValueFromPosition(
            minimum(), maximum(), pos.y() - groove.y() - handle.height() / 2, span, opt.upsideDown);
    }
};

// --- Progress ---

class ProgressView : public Reporting<QProgressBar> {
  public:
    ProgressView(ui::Control& control, WindowView& window, QWidget* parent)
        : Reporting(control, window, parent) {
        setTextVisible(false);
    }

  protected:
    ui::Progress* Progress() const { return dynamic_cast<ui::Progress*>(Model()); }

    void ApplyText() override {
        const QString text = ModelText();
        setTextVisible(!text.isEmpty());
        setFormat(text);
    }
    void ApplyLook() override {
        ApplyColorStyle("QProgressBar");
        update();
    }
    void ApplyState(ui::Property property) override {
        auto* progress = Progress();
        if (progress == nullptr) {
            return;
        }
        if (property == ui::Property::Range) {
            setOrientation(progress->IsHorizontal() ? Qt::Horizontal : Qt::Vertical);
            setRange(progress->GetMinValue(), progress->GetMaxValue());
        }
        if (property == ui::Property::Range || property == ui::Property::Value) {
            setValue(progress->GetValue());
        }
    }

    void paintEvent(QPaintEvent* event) override {
        auto* progress = Progress();
        if (progress == nullptr) {
            return;
        }
        if (progress->IsCustomPainted()) {
            QPainter painter(this);
            QtPainter canvas(painter, GetSkin().Images(), WindowPos(QPoint(0, 0)), font());
            progress->Paint(canvas);
            return;
        }
        if (!HasSkinLook(*progress)) {
            QProgressBar::paintEvent(event);
            return;
        }
        PaintImages(*progress);
    }

  private:
    void PaintImages(const ui::Progress& p) {
        QPainter painter(this);
        const SkinImages& images = GetSkin().Images();
        images.Draw(painter, rect(), ParseImageSpec(p.GetImage(ui::ImageState::Background)));
        images.Draw(painter, rect(), ParseImageSpec(p.GetImage(ui::ImageState::Normal)));
        const int span = std::max(p.GetMaxValue() - p.GetMinValue(), 1);
        const double part = double(p.GetValue() - p.GetMinValue()) / span;
        QRect fill = rect();
        if (p.IsHorizontal()) {
            fill.setWidth(static_cast<int>(fill.width() * part));
        } else {
            fill.setTop(fill.bottom() - static_cast<int>(fill.height() * part));
        }
        painter.setClipRect(fill);
        images.Draw(painter, rect(), ParseImageSpec(p.GetImage(ui::ImageState::Fore)));
    }
};

// --- Combo ---

class ComboView : public Reporting<QComboBox> {
  public:
    ComboView(ui::Control& control, WindowView& window, QWidget* parent)
        : Reporting(control, window, parent) {
        connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
            if (auto* combo = Combo()) {
                QPointer<QWidget> self(this);
                combo->SelectItem(index, ui::Notify::Yes);
                if (self) {
                    SyncIndex();
                }
            }
        });
    }

    void ChildrenChanged() override {
        auto* combo = Combo();
        if (combo == nullptr) {
            return;
        }
        QSignalBlocker block(this);
        clear();
        auto* list = qobject_cast<QListView*>(view());
        for (int i = 0; i < combo->GetItemCount(); ++i) {
            ui::ListElement* item = combo->GetItem(i);
            addItem(QString::fromStdString(item->GetText()),
                    QString::fromStdString(item->GetUserData()));
            if (item->GetFixedHeight() > 0) {
                setItemData(i, QSize(0, item->GetFixedHeight()), Qt::SizeHintRole);
            }
            if (auto* model = qobject_cast<QStandardItemModel*>(this->model())) {
                model->item(i)->setEnabled(item->IsEnabled());
            }
            if (list != nullptr) {
                list->setRowHidden(i, !item->IsVisible());
            }
        }
        SyncIndex();
    }

  protected:
    ui::Combo* Combo() const { return dynamic_cast<ui::Combo*>(Model()); }

    void SyncIndex() {
        if (auto* combo = Combo(); combo != nullptr && combo->GetCurSel() != currentIndex()) {
            QSignalBlocker block(this);
            setCurrentIndex(combo->GetCurSel());
        }
    }

    void ApplyLook() override { ApplyColorStyle("QComboBox"); }
    void ApplyState(ui::Property property) override {
        auto* combo = Combo();
        if (combo == nullptr) {
            return;
        }
        if (property == ui::Property::SelectedIndex) {
            SyncIndex();
        } else if (property == ui::Property::Items) {
            ChildrenChanged();
        }
        if (combo->GetDropBoxSize().width > 0) {
            view()->setMinimumWidth(combo->GetDropBoxSize().width);
        }
    }
};

// --- Colour palette ---

class PaletteView : public Reporting<QWidget> {
  public:
    PaletteView(ui::Control& control, WindowView& window, QWidget* parent)
        : Reporting(control, window, parent) {
        setCursor(Qt::CrossCursor);
    }

  protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        auto* palette = dynamic_cast<ui::ColorPalette*>(Model());
        if (palette == nullptr || width() < 2 || height() < 2) {
            return;
        }
        if (m_field.size() != size()) {
            m_field = QImage(size(), QImage::Format_RGB32);
            for (int y = 0; y < height(); ++y) {
                for (int x = 0; x < width(); ++x) {
                    m_field.setPixelColor(x, y, PaletteColorAt(QPoint(x, y), size()));
                }
            }
        }
        QPainter painter(this);
        painter.drawImage(0, 0, m_field);
        const QColor chosen = ToQColor(palette->GetSelectColor());
        const QPoint mark = m_dragging ? m_dragPoint : MarkerFor(chosen);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(mark, 5, 5);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawEllipse(mark, 7, 7);
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            m_dragging = true;
            m_dragPoint = Clamp(event->pos());
            update();
        }
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (m_dragging) {
            m_dragPoint = Clamp(event->pos());
            update();
        }
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (!m_dragging || event->button() != Qt::LeftButton) {
            return;
        }
        m_dragging = false;
        const QColor c = PaletteColorAt(Clamp(event->pos()), size());
        QPointer<QWidget> self(this);
        if (auto* palette = dynamic_cast<ui::ColorPalette*>(Model())) {
            palette->UserPick(ui::Color::FromArgb(255, static_cast<uint8_t>(c.red()),
                                                  static_cast<uint8_t>(c.green()),
                                                  static_cast<uint8_t>(c.blue())));
        }
        if (self) {
            update();
        }
    }

  private:
    QPoint Clamp(const QPoint& p) const {
        return QPoint(std::clamp(p.x(), 0, width() - 1), std::clamp(p.y(), 0, height() - 1));
    }
    QPoint MarkerFor(const QColor& c) const {
        const double hue = std::max(c.hslHueF(), 0.0f);
        return QPoint(static_cast<int>(hue * (width() - 1)),
                      static_cast<int>((1.0 - c.lightnessF()) * (height() - 1)));
    }

    QImage m_field;  // the drawn gradient, kept while the size stays
    bool m_dragging = false;
    QPoint m_dragPoint;
};

}  // namespace

QColor PaletteColorAt(const QPoint& point, const QSize& size) {
    const double w = std::max(size.width() - 1, 1);
    const double h = std::max(size.height() - 1, 1);
    const double hue = std::clamp(point.x() / w, 0.0, 1.0);
    const double lightness = 1.0 - std::clamp(point.y() / h, 0.0, 1.0);
    return QColor::fromHslF(static_cast<float>(std::min(hue, 0.9999)), 1.0f,
                            static_cast<float>(lightness))
        .toRgb();
}

QWidget* CreateEditView(ui::Control& control, WindowView& window, QWidget* parent) {
    if (dynamic_cast<ui::RichEdit*>(&control) != nullptr) {
        return new RichEditView(control, window, parent);
    }
    return new EditView(control, window, parent);
}

QWidget* CreateSliderView(ui::Control& control, WindowView& window, QWidget* parent) {
    return new SliderView(control, window, parent);
}

QWidget* CreateProgressView(ui::Control& control, WindowView& window, QWidget* parent) {
    return new ProgressView(control, window, parent);
}

QWidget* CreateComboView(ui::Control& control, WindowView& window, QWidget* parent) {
    return new ComboView(control, window, parent);
}

QWidget* CreatePaletteView(ui::Control& control, WindowView& window, QWidget* parent) {
    return new PaletteView(control, window, parent);
}

}  // namespace qthost
