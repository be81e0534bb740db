#include "shell/qt/text_cache.h"

#include <QPaintDevice>
#include <QPainter>

namespace qthost {

void TextCache::Draw(QPainter& painter, const QRect& area, int flags, const QString& text,
                     const QFont& font, const QColor& color) {
    if (area.isEmpty() || text.isEmpty()) {
        return;
    }
    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatio() : 1.0;
    if (m_picture.isNull() || text != m_text || font != m_font || color != m_color ||
        area.size() != m_size || flags != m_flags || ratio != m_ratio) {
        m_text = text;
        m_font = font;
        m_color = color;
        m_size = area.size();
        m_flags = flags;
        m_ratio = ratio;
        m_picture = QPixmap(area.size() * ratio);
        m_picture.setDevicePixelRatio(ratio);
        m_picture.fill(Qt::transparent);
        QPainter p(&m_picture);
        p.setRenderHints(painter.renderHints());
        p.setPen(color);
        p.setFont(font);
        p.drawText(QRect(QPoint(0, 0), area.size()), flags, text);
    }
    painter.drawPixmap(area.topLeft(), m_picture);
}

}  // namespace qthost
