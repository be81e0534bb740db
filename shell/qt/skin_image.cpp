#include "shell/qt/skin_image.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPixmapCache>
#include <QStringList>
#include <QSvgRenderer>
#include <algorithm>
#include <charconv>
#include <vector>

namespace qthost {
namespace {

bool ParseInts(std::string_view text, std::vector<int>& out) {
    out.clear();
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        if (comma == std::string_view::npos) {
            comma = text.size();
        }
        std::string_view part = text.substr(pos, comma - pos);
        while (!part.empty() && part.front() == ' ') {
            part.remove_prefix(1);
        }
        while (!part.empty() && part.back() == ' ') {
            part.remove_suffix(1);
        }
        int value = 0;
        auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (ec != std::errc() || end != part.data() + part.size()) {
            return false;
        }
        out.push_back(value);
        pos = comma + 1;
    }
    return true;
}

// "l,t,r,b" as in the layout files: right and bottom are edges, not sizes.
QRect ParseRect(std::string_view text) {
    std::vector<int> v;
    if (!ParseInts(text, v) || v.size() != 4 || v[2] <= v[0] || v[3] <= v[1]) {
        return {};
    }
    return QRect(QPoint(v[0], v[1]), QPoint(v[2] - 1, v[3] - 1));
}

QMargins ParseMargins(std::string_view text) {
    std::vector<int> v;
    if (!ParseInts(text, v) || v.size() != 4) {
        return {};
    }
    for (int x : v) {
        if (x < 0) {
            return {};
        }
    }
    return QMargins(v[0], v[1], v[2], v[3]);
}

void ApplyAttribute(ImageSpec& spec, std::string_view key, std::string_view value) {
    if (key == "file" || key == "res") {
        spec.file = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
    } else if (key == "source") {
        spec.source = ParseRect(value);
    } else if (key == "dest") {
        spec.dest = ParseRect(value);
    } else if (key == "corner") {
        spec.corner = ParseMargins(value);
    } else if (key == "fade") {
        std::vector<int> v;
        if (ParseInts(value, v) && v.size() == 1) {
            spec.fade = std::clamp(v[0], 0, 255);
        }
    }
}

// Draws `src` of `pixmap` into `dst`, keeping `corner` borders unscaled.
void DrawNineSlice(QPainter& p, const QRect& dst, const QPixmap& pixmap, const QRect& src,
                   const QMargins& c) {
    if (c.isNull() || c.left() + c.right() >= std::min(src.width(), dst.width()) ||
        c.top() + c.bottom() >= std::min(src.height(), dst.height())) {
        p.drawPixmap(dst, pixmap, src);
        return;
    }
    const int sx[4] = {src.left(), src.left() + c.left(), src.right() + 1 - c.right(),
                       src.right() + 1};
    const int sy[4] = {src.top(), src.top() + c.top(), src.bottom() + 1 - c.bottom(),
                       src.bottom() + 1};
    const int dx[4] = {dst.left(), dst.left() + c.left(), dst.right() + 1 - c.right(),
                       dst.right() + 1};
    const int dy[4] = {dst.top(), dst.top() + c.top(), dst.bottom() + 1 - c.bottom(),
                       dst.bottom() + 1};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            QRect s(QPoint(sx[col], sy[row]), QPoint(sx[col + 1] - 1, sy[row + 1] - 1));
            QRect d(QPoint(dx[col], dy[row]), QPoint(dx[col + 1] - 1, dy[row + 1] - 1));
            if (s.isValid() && d.isValid()) {
                p.drawPixmap(d, pixmap, s);
            }
        }
    }
}

}  // namespace

ImageSpec ParseImageSpec(std::string_view text) {
    ImageSpec spec;
    if (text.find('\'') == std::string_view::npos) {
        while (!text.empty() && text.front() == ' ') {
            text.remove_prefix(1);
        }
        while (!text.empty() && text.back() == ' ') {
            text.remove_suffix(1);
        }
        spec.file = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        return spec;
    }
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eq = text.find('=', pos);
        if (eq == std::string_view::npos || eq + 1 >= text.size() || text[eq + 1] != '\'') {
            break;
        }
        size_t close = text.find('\'', eq + 2);
        if (close == std::string_view::npos) {
            break;
        }
        std::string_view key = text.substr(pos, eq - pos);
        while (!key.empty() && key.front() == ' ') {
            key.remove_prefix(1);
        }
        while (!key.empty() && key.back() == ' ') {
            key.remove_suffix(1);
        }
        ApplyAttribute(spec, key, text.substr(eq + 2, close - eq - 2));
        pos = close + 1;
    }
    return spec;
}

SkinImages::SkinImages(QString skinFolder) : m_folder(std::move(skinFolder)) {}

size_t qHash(const SkinImages::ComposedKey& k, size_t seed) {
    return qHashMulti(seed, k.pixmap, k.src.x(), k.src.y(), k.src.width(), k.src.height(),
                      k.corner.left(), k.corner.top(), k.corner.right(), k.corner.bottom(),
                      k.size.width(), k.size.height(), k.ratio, k.smooth);
}

void SkinImages::SetFolder(QString skinFolder) {
    m_folder = std::move(skinFolder);
    m_resolved.clear();
    m_composed.clear();
}

QString SkinImages::Resolve(const QString& file) const {
    if (file.isEmpty()) {
        return {};
    }
    const auto known = m_resolved.constFind(file);
    if (known != m_resolved.constEnd()) {
        return *known;
    }
    QString path = FindFile(file);
    m_resolved.insert(file, path);
    return path;
}

QString SkinImages::FindFile(const QString& file) const {
    QString path = QDir::isAbsolutePath(file) ? file : QDir(m_folder).filePath(file);
    if (QFileInfo::exists(path)) {
        return QFileInfo(path).absoluteFilePath();
    }
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) {
        QString svg = path.left(path.size() - 4) + QLatin1String(".svg");
        if (QFileInfo::exists(svg)) {
            return QFileInfo(svg).absoluteFilePath();
        }
    }
    return {};
}

QPixmap SkinImages::Load(const QString& file, QSize svgSize) const {
    const QString path = Resolve(file);
    if (path.isEmpty()) {
        return {};
    }
    const bool svg = path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
    const QString key =
        svg ? QStringLiteral("%1@%2x%3").arg(path).arg(svgSize.width()).arg(svgSize.height())
            : path;
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) {
        return pixmap;
    }
    if (svg) {
        QSvgRenderer renderer(path);
        if (!renderer.isValid()) {
            return {};
        }
        QSize size = svgSize.isEmpty() ? renderer.defaultSize() : svgSize;
        if (size.isEmpty()) {
            return {};
        }
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        pixmap = QPixmap::fromImage(image);
    } else if (!pixmap.load(path)) {
        return {};
    }
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

bool SkinImages::Draw(QPainter& painter, const QRect& target, const ImageSpec& spec) const {
    if (spec.IsEmpty() || spec.fade == 0) {
        return !spec.IsEmpty() && !Resolve(spec.file).isEmpty();
    }
    QRect dst = spec.dest.isNull() ? target : spec.dest.translated(target.topLeft());
    // Vector art without a source rectangle is rendered at the size it is drawn at.
    const bool wholeSvg = spec.source.isNull() && spec.corner.isNull() &&
                          Resolve(spec.file).endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
    QPixmap pixmap = Load(spec.file, wholeSvg ? dst.size() : QSize());
    if (pixmap.isNull()) {
        return false;
    }
    QRect src = spec.source.isNull() ? pixmap.rect() : spec.source.intersected(pixmap.rect());
    if (src.isEmpty()) {
        return false;
    }
    const qreal oldOpacity = painter.opacity();
    painter.setOpacity(oldOpacity * spec.fade / 255.0);
    if (dst.size() == src.size() && spec.corner.isNull()) {
        painter.drawPixmap(dst.topLeft(), pixmap, src);
    } else {
        painter.drawPixmap(dst.topLeft(), Composed(painter, dst.size(), pixmap, src, spec));
    }
    painter.setOpacity(oldOpacity);
    return true;
}

// Scaled or sliced art is composed once for the size it is drawn at, so that
// repainting it (a light's key on every frame) is one plain copy.
QPixmap SkinImages::Composed(const QPainter& painter, QSize size, const QPixmap& pixmap,
                             const QRect& src, const ImageSpec& spec) const {
    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatio() : 1.0;
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    const ComposedKey key{pixmap.cacheKey(), src, spec.corner, size, ratio, smooth};
    if (const auto known = m_composed.constFind(key); known != m_composed.constEnd()) {
        return *known;
    }
    QPixmap composed(size * ratio);
    composed.setDevicePixelRatio(ratio);
    composed.fill(Qt::transparent);
    QPainter p(&composed);
    p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    DrawNineSlice(p, QRect(QPoint(0, 0), size), pixmap, src, spec.corner);
    p.end();
    if (m_composed.size() >= kMaxComposed) {
        m_composed.clear();  // sizes changed a lot (a resized window); start over
    }
    m_composed.insert(key, composed);
    return composed;
}

}  // namespace qthost
