#pragma once
// The pop-ups the model asks for, built with Qt: menus from a menu layout, file dialogs,
// and the plain message box.
//
// UI thread only; each call runs its own modal loop (the dispatcher keeps being served in
// it, since its wake-ups are queued Qt calls).

#include <QPoint>
#include <QString>
#include <optional>
#include <string>

#include "platform/ui/host_operations.h"

class QMenu;
class QWidget;

namespace ui {
class LanguageTable;
class Menu;
}  // namespace ui

namespace qthost {

// "Label (*.a *.b);;..." for QFileDialog from the model's filter pairs. A label that
// already ends in its own "(...)" pattern list is kept as it is; patterns are separated by
// ';' in the model and empty ones are dropped.
QString FileDialogFilter(const ui::FileDialogSpec& spec);

// The path to save to: `chosen` with `defaultExtension` appended when it has no extension.
QString WithDefaultExtension(const QString& chosen, const std::string& defaultExtension);

// Fills `menu` with the elements of a menu layout (disabled, hidden, checked, separators,
// submenus). Texts that are language keys are resolved through `language`: a menu layout
// is loaded on its own, without a window whose table would resolve them. Each action's
// data is the element name.
void FillMenu(QMenu& menu, const ui::Menu& model, const ui::LanguageTable& language);

// Shows the menu at a screen position and returns the chosen element's name ("" when it
// was dismissed).
std::string RunMenu(const ui::Menu& model, const ui::LanguageTable& language,
                    const QPoint& screenPos, QWidget* owner);

std::optional<std::string> RunFileDialog(QWidget* owner, const ui::FileDialogSpec& spec, bool save);

int RunMessageBox(QWidget* owner, const std::string& title, const std::string& text,
                  ui::MessageButtons buttons);

}  // namespace qthost
