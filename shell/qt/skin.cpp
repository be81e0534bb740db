#include "shell/qt/skin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace qthost {

Skin::Skin(QString folder) : m_images(std::move(folder)) {}

QString Skin::LoadStyleSheet(QString* error) const {
    const QString path = QDir(Folder()).filePath(QLatin1String(kStyleSheetFile));
    if (!QFileInfo::exists(path)) {
        return {};
    }
    return ReadStyleSheet(QLatin1String(kStyleSheetFile), error).value_or(QString());
}

std::optional<QString> Skin::ReadStyleSheet(const QString& relative, QString* error) const {
    const QString path = QDir(Folder()).filePath(relative);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error != nullptr) {
            *error = QStringLiteral("open %1: %2").arg(path, file.errorString());
        }
        return std::nullopt;
    }
    return ResolveStyleSheetUrls(QString::fromUtf8(file.readAll()), QFileInfo(path).absolutePath());
}

QString ResolveStyleSheetUrls(const QString& qss, const QString& folder) {
    static const QRegularExpression kUrl(QStringLiteral(R"(url\(\s*(['"]?)([^'")]+)\1\s*\))"));
    QString out;
    out.reserve(qss.size() + 256);
    qsizetype last = 0;
    auto it = kUrl.globalMatch(qss);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString ref = m.captured(2).trimmed();
        out += qss.mid(last, m.capturedStart() - last);
        const bool keep = QDir::isAbsolutePath(ref) || ref.startsWith(QLatin1String(":/")) ||
                          ref.startsWith(QLatin1String("qrc:")) ||
                          ref.startsWith(QLatin1String("data:"));
        const QString target = keep ? ref : QDir::cleanPath(QDir(folder).absoluteFilePath(ref));
        out += QStringLiteral("url(\"%1\")").arg(target);
        last = m.capturedEnd();
    }
    out += qss.mid(last);
    return out;
}

QColor ToQColor(ui::Color color) {
    return QColor(color.Red(), color.Green(), color.Blue(), color.Alpha());
}

QRect ToQRect(const ui::Rect& rect) {
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

ui::Rect FromQRect(const QRect& rect) {
    return ui::Rect{rect.left(), rect.top(), rect.left() + rect.width(),
                    rect.top() + rect.height()};
}

QFont ToQFont(const ui::FontSpec& spec, const QFont& base) {
    QFont font = base;
    if (!spec.face.empty()) {
        font.setFamily(QString::fromStdString(spec.face));
    }
    if (spec.size > 0) {
        font.setPixelSize(spec.size);
    }
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    return font;
}

}  // namespace qthost
