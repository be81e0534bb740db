#pragma once
// A control's label drawn once and kept as a picture. Laying out and shaping
// a text costs far more than copying it, and labels are repainted far more
// often than they change (a keyboard's key names under a moving effect are
// repainted with every frame). The picture is remade when the text, font,
// colour, flags, area size or pixel ratio differ from the last draw.
//
// UI thread only.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>

class QPainter;

namespace qthost {

class TextCache {
  public:
    // As QPainter::drawText(area, flags, text) with this font and colour.
    void Draw(QPainter& painter, const QRect& area, int flags, const QString& text,
              const QFont& font, const QColor& color);

  private:
    QPixmap m_picture;
    QString m_text;
    QFont m_font;
    QColor m_color;
    QSize m_size;
    int m_flags = 0;
    qreal m_ratio = 0;
};

}  // namespace qthost
