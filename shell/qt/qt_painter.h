#pragma once
// The model's Painter over a QPainter. Custom-painted controls draw in window pixels (their
// host rectangle); the painter maps those onto the widget being painted.
//
// UI thread only; lives for one paint event.

#include <QFont>
#include <QPainter>
#include <QPoint>

#include "platform/ui/painter.h"

namespace qthost {

class SkinImages;

class QtPainter final : public ui::Painter {
  public:
    // `windowOrigin`: where the painted widget's (0, 0) lies in window pixels.
    QtPainter(QPainter& painter, const SkinImages& images, QPoint windowOrigin, QFont baseFont);

    void FillRect(const ui::Rect& rect, ui::Color color) override;
    void DrawRect(const ui::Rect& rect, ui::Color color, int width) override;
    void FillEllipse(const ui::Rect& bounds, ui::Color color) override;
    void FillPie(const ui::Rect& bounds, ui::Color color, double startDegrees,
                 double sweepDegrees) override;
    void DrawLine(ui::Point from, ui::Point to, ui::Color color, int width) override;
    void DrawImage(std::string_view image, const ui::Rect& dest,
                   const std::optional<ui::Rect>& source, uint8_t fade) override;
    void DrawText(std::string_view text, const ui::Rect& rect, ui::Color color,
                  const ui::FontSpec& font, ui::TextAlign align) override;

  private:
    QRect Map(const ui::Rect& rect) const;

    QPainter& m_painter;
    const SkinImages& m_images;
    QPoint m_origin;
    QFont m_baseFont;
};

}  // namespace qthost
