#pragma once
// One skin as the Qt host sees it: a folder holding layout files, images and a stylesheet
// ("style.qss"), plus the conversions from the model's plain value types to Qt's.
//
// UI thread only.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <optional>

#include "platform/ui/ui_types.h"
#include "shell/qt/skin_image.h"

namespace qthost {

inline constexpr char kStyleSheetFile[] = "style.qss";

class Skin {
  public:
    explicit Skin(QString folder = {});

    const QString& Folder() const { return m_images.Folder(); }
    const SkinImages& Images() const { return m_images; }

    // The skin's stylesheet with every relative url(...) made absolute (Qt resolves
    // stylesheet urls against the working directory, not the file). Empty text when the
    // skin has none; `error` (when given) then says why, and stays empty for a skin that
    // simply ships no stylesheet.
    QString LoadStyleSheet(QString* error = nullptr) const;
    // A stylesheet of the skin by its path relative to the skin folder, its relative
    // url(...) references made absolute against the sheet's own folder. Nothing when it
    // cannot be read (`error`, when given, says why).
    std::optional<QString> ReadStyleSheet(const QString& relative, QString* error = nullptr) const;

  private:
    SkinImages m_images;
};

// Rewrites the relative url(...) references of `qss` against `folder`. Absolute paths,
// "qrc:" / ":/" resources and data urls are left alone.
QString ResolveStyleSheetUrls(const QString& qss, const QString& folder);

QColor ToQColor(ui::Color color);
QRect ToQRect(const ui::Rect& rect);
ui::Rect FromQRect(const QRect& rect);
// `base` supplies what the FontSpec leaves open (an empty face, a size of 0).
QFont ToQFont(const ui::FontSpec& spec, const QFont& base);

}  // namespace qthost
