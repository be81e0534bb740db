#pragma once
// Image descriptions of the skin and their loading.
//
// A control names an image either by a bare skin-relative path ("common/logo.svg") or by an
// attribute string in the layout files' style: "file='common/key.png' source='0,0,40,40'
// corner='4,4,4,4' fade='200' dest='2,2,22,22'". "res" is accepted as a synonym of "file".
// Paths are relative to the skin folder; absolute paths (a background the user picked) are
// used as they are. A missing ".png" whose ".svg" sibling exists is drawn from the SVG, so
// the skin can ship vector art under the names the layouts use.
//
// Everything here runs on the UI thread (QPixmap is not thread-safe).

#include <QHash>
#include <QMargins>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <string_view>

class QPainter;

namespace qthost {

struct ImageSpec {
    QString file;
    QRect source;     // part of the image to draw; null = the whole image
    QRect dest;       // where to draw inside the control; null = the whole control
    QMargins corner;  // nine-slice borders that keep their size when stretched
    int fade = 255;   // 0 (invisible) .. 255 (opaque)

    bool IsEmpty() const { return file.isEmpty(); }
};

// Parses either form above. Unknown attributes are ignored; malformed numbers leave the
// field at its default; an empty text gives an empty spec.
ImageSpec ParseImageSpec(std::string_view text);

class SkinImages {
  public:
    explicit SkinImages(QString skinFolder = {});

    const QString& Folder() const { return m_folder; }
    void SetFolder(QString skinFolder);

    // Absolute path of a skin reference, or empty when no file exists for it.
    // Looked up once per reference and folder: painting asks on every frame.
    QString Resolve(const QString& file) const;

    // The image at its natural size (SVG: at `svgSize`, or its default size when empty).
    // Results are kept in Qt's pixmap cache; a missing or unreadable file gives a null pixmap.
    QPixmap Load(const QString& file, QSize svgSize = {}) const;

    // Draws `spec` into `target`; returns false (drawing nothing) when the image is missing.
    bool Draw(QPainter& painter, const QRect& target, const ImageSpec& spec) const;

    // What a composed picture is made from (Composed).
    struct ComposedKey {
        qint64 pixmap = 0;  // QPixmap::cacheKey of the loaded art
        QRect src;
        QMargins corner;
        QSize size;
        qreal ratio = 1.0;
        bool smooth = false;
        bool operator==(const ComposedKey&) const = default;
    };

  private:
    static constexpr qsizetype kMaxComposed = 512;
    QString FindFile(const QString& file) const;
    QPixmap Composed(const QPainter& painter, QSize size, const QPixmap& pixmap, const QRect& src,
                     const ImageSpec& spec) const;

    QString m_folder;
    mutable QHash<QString, QString> m_resolved;
    mutable QHash<ComposedKey, QPixmap> m_composed;
};

size_t qHash(const SkinImages::ComposedKey& key, size_t seed = 0);

}  // namespace qthost
