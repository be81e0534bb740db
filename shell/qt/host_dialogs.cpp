#include "shell/qt/host_dialogs.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStringList>

#include "platform/ui/language_table.h"
#include "platform/ui/menu.h"

namespace qthost {
namespace {

QString ElementText(const ui::MenuElement& element, const ui::LanguageTable& language) {
    const ui::TextValue& value = element.GetTextValue();
    if (value.isKey && element.GetWindow() == nullptr) {
        return QString::fromStdString(language.Resolve(value.text));
    }
    return QString::fromStdString(element.GetText());
}

void AddElements(QMenu& menu, const std::vector<ui::MenuElement*>& elements,
                 const ui::LanguageTable& language) {
    for (const ui::MenuElement* element : elements) {
        if (!element->IsVisible()) {
            continue;
        }
        if (element->IsSeparator()) {
            menu.addSeparator();
            continue;
        }
        const QString text = ElementText(*element, language);
        const std::vector<ui::MenuElement*> sub = element->SubItems();
        if (!sub.empty()) {
            QMenu* child = menu.addMenu(text);
            child->setEnabled(element->IsEnabled());
            AddElements(*child, sub, language);
            continue;
        }
        QAction* action = menu.addAction(text);
        action->setData(QString::fromStdString(element->GetName()));
        action->setEnabled(element->IsEnabled());
        if (element->IsChecked()) {
            action->setCheckable(true);
            action->setChecked(true);
        }
    }
}

}  // namespace

QString FileDialogFilter(const ui::FileDialogSpec& spec) {
    static const QRegularExpression kOwnPatterns(QStringLiteral(R"(\([^()]*\*[^()]*\)\s*$)"));
    QStringList filters;
    for (const auto& [labelText, patternText] : spec.filters) {
        const QString label = QString::fromStdString(labelText).trimmed();
        QStringList patterns;
        for (const QString& p : QString::fromStdString(patternText).split(QLatin1Char(';'))) {
            if (!p.trimmed().isEmpty()) {
                patterns << p.trimmed();
            }
        }
        if (label.isEmpty()) {
            filters << patterns.join(QLatin1Char(' '));
        } else if (label.contains(kOwnPatterns) || patterns.isEmpty()) {
            filters << label;
        } else {
            filters << QStringLiteral("%1 (%2)").arg(label, patterns.join(QLatin1Char(' ')));
        }
    }
    return filters.join(QStringLiteral(";;"));
}

QString WithDefaultExtension(const QString& chosen, const std::string& defaultExtension) {
    if (chosen.isEmpty() || defaultExtension.empty() || !QFileInfo(chosen).suffix().isEmpty()) {
        return chosen;
    }
    return chosen + QLatin1Char('.') + QString::fromStdString(defaultExtension);
}

void FillMenu(QMenu& menu, const ui::Menu& model, const ui::LanguageTable& language) {
    AddElements(menu, model.Items(), language);
}

std::string RunMenu(const ui::Menu& model, const ui::LanguageTable& language,
                    const QPoint& screenPos, QWidget* owner) {
    QMenu menu(owner);
    FillMenu(menu, model, language);
    if (menu.isEmpty()) {
        return {};
    }
    QAction* chosen = menu.exec(screenPos);
    return chosen != nullptr ? chosen->data().toString().toStdString() : std::string();
}

std::optional<std::string> RunFileDialog(QWidget* owner, const ui::FileDialogSpec& spec,
                                         bool save) {
    QString start = QString::fromStdString(spec.folder);
    if (!spec.defaultName.empty()) {
        start = start.isEmpty()
                    ? QString::fromStdString(spec.defaultName)
                    : start + QLatin1Char('/') + QString::fromStdString(spec.defaultName);
    }
    const QString title = QString::fromStdString(spec.title);
    const QString filter = FileDialogFilter(spec);
    QString path = save ? QFileDialog::getSaveFileName(owner, title, start, filter)
                        : QFileDialog::getOpenFileName(owner, title, start, filter);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    if (save) {
        path = WithDefaultExtension(path, spec.defaultExtension);
    }
    return path.toStdString();
}

int RunMessageBox(QWidget* owner, const std::string& title, const std::string& text,
                  ui::MessageButtons buttons) {
    QMessageBox box(owner);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    if (buttons == ui::MessageButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Ok ? 1 : 0;
}

}  // namespace qthost
