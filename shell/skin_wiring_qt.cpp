#include "shell/skin_wiring_qt.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>

#include "shell/qt/qt_host.h"
#include "shell/qt/skin.h"
#include "shell/qt/window_view.h"

namespace shell {

namespace {

// Closes the chooser on a press anywhere else in the program, or when the
// desktop activates another window.
class ChooserDismissal final : public QObject {
  public:
    void Watch(CSkinFrame& chooser, QWidget& view) {
        if (m_view == nullptr) {
            qApp->installEventFilter(this);
        }
        m_chooser = &chooser;
        m_view = &view;
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (m_view && m_view->isVisible() && Dismisses(watched, event)) {
            m_chooser->Deactivated();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool Dismisses(QObject* watched, QEvent* event) const {
        if (event->type() == QEvent::WindowDeactivate) {
            return watched == m_view;
        }
        if (event->type() != QEvent::MouseButtonPress) {
            return false;
        }
        const auto* widget = qobject_cast<QWidget*>(watched);
        return widget != nullptr && widget->window() != m_view;
    }

    CSkinFrame* m_chooser = nullptr;
    QPointer<QWidget> m_view;
};

// The chooser's layout has no caption, which would give it a desktop frame.
void MakePopup(QWidget& view) {
    if (view.windowType() == Qt::Tool && (view.windowFlags() & Qt::FramelessWindowHint)) {
        return;
    }
    const QRect placed = view.geometry();
    view.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    view.setGeometry(placed);
    view.show();  // new flags hide a window
}

}  // namespace

SkinHooks QtSkinHooks(qthost::QtHost& host, const ui::Window& mainWindow) {
    auto dismissal = std::make_shared<ChooserDismissal>();
    SkinHooks hooks;
    hooks.applyStyleSheet = [&host](const std::string& sheet) {
        const std::optional<QString> text =
            host.GetSkin().ReadStyleSheet(QString::fromStdString(sheet));
        if (text) {
            qApp->setStyleSheet(*text);
        }
        return text.has_value();
    };
    hooks.clientOrigin = [&host, &mainWindow] {
        const QWidget* view = host.ViewOf(mainWindow);
        const QPoint origin = view != nullptr ? view->mapToGlobal(QPoint(0, 0)) : QPoint();
        return ui::Point{origin.x(), origin.y()};
    };
    hooks.chooserShown = [&host, dismissal](CSkinFrame& chooser) {
        QWidget* view = host.ViewOf(chooser);
        if (view == nullptr) {
            return;
        }
        MakePopup(*view);
        dismissal->Watch(chooser, *view);
        view->raise();
        view->activateWindow();
    };
    return hooks;
}

}  // namespace shell
