// The Qt side of the skin wiring (offscreen): a theme's stylesheet styles the
// program with its own pictures, the tray picture loads, and the chooser is a
// frameless pop-up under the main window's button that a press elsewhere
// closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <memory>

#include "platform/ui/button.h"
#include "shell/qt/qt_host.h"
#include "shell/qt/skin.h"
#include "shell/qt/window_view.h"
#include "shell/skin_wiring_qt.h"
#include "tests/shell/skin_test_support.h"

namespace {

TEST(SkinWiringQt, ThemeSheetStylesTheProgramAndTheChooserPopsUpUntilAPressElsewhere) {
    int argc = 1;
    char name[] = "shell_app_skin_wiring_qt_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    qthost::QtHost host(skintest::SkinFolder());
    RegisterShellControls(host.Factory());
    ui::Window main(host.Context(), "main");
    auto button = std::make_unique<ui::Button>();
    button->SetName("skinbtn");
    main.Attach(std::move(button));
    main.SetSize({400, 300});
    main.Show();
    QTest::qWait(50);
    const shell::SkinHooks hooks = shell::QtSkinHooks(host, main);

    ASSERT_TRUE(hooks.applyStyleSheet("themes/midnight/style.qss"));
    const QString sheet = qApp->styleSheet();
    EXPECT_TRUE(sheet.contains("#0c1424"));
    // "../../common/qss/..." in the theme folder is the skin's common folder.
    const QString common = QDir(host.GetSkin().Folder()).absoluteFilePath("common/qss");
    EXPECT_TRUE(sheet.contains("url(\"" + QDir::cleanPath(common) + "/check_off.svg\")"));
    EXPECT_FALSE(hooks.applyStyleSheet("themes/retired/style.qss"));
    EXPECT_EQ(qApp->styleSheet(), sheet);

    // The tray's picture is in the skin, with a transparent surround.
    const QPixmap icon = host.GetSkin().Images().Load("common/app_icon.png", QSize(64, 64));
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.hasAlphaChannel());

    QWidget* mainView = host.ViewOf(main);
    const QPoint origin = mainView->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(hooks.clientOrigin(), (ui::Point{origin.x(), origin.y()}));

    const std::string ini = QDir::tempPath().toStdString() + "/skin_wiring_qt_test.ini";
    shell::CSkinFrame chooser(host.Context(), ini);
    ui::Control& anchor = *main.FindControl("skinbtn");
    ASSERT_TRUE(chooser.Open(anchor, hooks.clientOrigin()));
    hooks.chooserShown(chooser);
    QWidget* popup = host.ViewOf(chooser);
    EXPECT_EQ(popup->windowType(), Qt::Tool);
    EXPECT_TRUE(popup->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->geometry(),
              qthost::ToQRect(chooser.PlaceUnder(anchor.GetHostRect(), hooks.clientOrigin())));

    QTest::mousePress(popup, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(chooser.IsClosed());  // a press inside keeps it
    QTest::mousePress(mainView, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(chooser.IsClosed());
    EXPECT_FALSE(popup->isVisible());
    qApp->setStyleSheet({});
}

}  // namespace
