#include "shell/qt/qt_painter.h"

#include <QPainterPath>
#include <QPen>
#include <algorithm>

#include "shell/qt/skin.h"
#include "shell/qt/skin_image.h"

namespace qthost {

QtPainter::QtPainter(QPainter& painter, const SkinImages& images, QPoint windowOrigin,
                     QFont baseFont)
    : m_painter(painter),
      m_images(images),
      m_origin(windowOrigin),
      m_baseFont(std::move(baseFont)) {
    m_painter.setRenderHint(QPainter::Antialiasing, true);
}

QRect QtPainter::Map(const ui::Rect& rect) const {
    return ToQRect(rect).translated(-m_origin);
}

void QtPainter::FillRect(const ui::Rect& rect, ui::Color color) {
    m_painter.fillRect(Map(rect), ToQColor(color));
}

void QtPainter::DrawRect(const ui::Rect& rect, ui::Color color, int width) {
    const QRect r = Map(rect);
    if (width <= 0 || r.isEmpty()) {
        return;
    }
    // The border lies inside the rectangle, as a control's border does; four
    // filled strips that never overlap (a translucent colour is blended once)
    // draw it at a fraction of the cost of a stroked path.
    const QColor c = ToQColor(color);
    const int top = std::min(width, r.height());
    const int bottom = std::min(width, r.height() - top);
    const int left = std::min(width, r.width());
    const int right = std::min(width, r.width() - left);
    const int side = r.height() - top - bottom;
    m_painter.fillRect(QRect(r.left(), r.top(), r.width(), top), c);
    if (bottom > 0) {
        m_painter.fillRect(QRect(r.left(), r.bottom() + 1 - bottom, r.width(), bottom), c);
    }
    if (side > 0) {
        m_painter.fillRect(QRect(r.left(), r.top() + top, left, side), c);
        if (right > 0) {
            m_painter.fillRect(QRect(r.right() + 1 - right, r.top() + top, right, side), c);
        }
    }
}

void QtPainter::FillEllipse(const ui::Rect& bounds, ui::Color color) {
    m_painter.save();
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(ToQColor(color));
    m_painter.drawEllipse(Map(bounds));
    m_painter.restore();
}

void QtPainter::FillPie(const ui::Rect& bounds, ui::Color color, double startDegrees,
                        double sweepDegrees) {
    m_painter.save();
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(ToQColor(color));
    // QPainter angles are in 1/16 degree, counter-clockwise from three o'clock, as ours.
    m_painter.drawPie(Map(bounds), static_cast<int>(startDegrees * 16),
                      static_cast<int>(sweepDegrees * 16));
    m_painter.restore();
}

void QtPainter::DrawLine(ui::Point from, ui::Point to, ui::Color color, int width) {
    m_painter.save();
    m_painter.setPen(QPen(ToQColor(color), std::max(width, 1)));
    m_painter.drawLine(QPoint(from.x, from.y) - m_origin, QPoint(to.x, to.y) - m_origin);
    m_painter.restore();
}

void QtPainter::DrawImage(std::string_view image, const ui::Rect& dest,
                          const std::optional<ui::Rect>& source, uint8_t fade) {
    ImageSpec spec = ParseImageSpec(image);
    if (source) {
        spec.source = ToQRect(*source);
    }
    spec.fade = spec.fade * fade / 255;
    m_images.Draw(m_painter, Map(dest), spec);
}

void QtPainter::DrawText(std::string_view text, const ui::Rect& rect, ui::Color color,
                         const ui::FontSpec& font, ui::TextAlign align) {
    m_painter.save();
    m_painter.setFont(ToQFont(font, m_baseFont));
    m_painter.setPen(ToQColor(color));
    int flags = Qt::AlignVCenter | Qt::TextWordWrap;
    flags |= align == ui::TextAlign::Center  ? Qt::AlignHCenter
             : align == ui::TextAlign::Right ? Qt::AlignRight
                                             : Qt::AlignLeft;
    m_painter.drawText(Map(rect), flags,
                       QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    m_painter.restore();
}

}  // namespace qthost
