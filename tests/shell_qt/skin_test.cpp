// Image descriptions, image files of the skin, stylesheet urls, file dialog filters and the
// palette's colour field.

#include <QAction>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>

#include "platform/ui/menu.h"
#include "shell/qt/host_dialogs.h"
#include "shell/qt/input_views.h"
#include "shell/qt/skin.h"
#include "shell/qt/skin_image.h"
#include "tests/shell_qt/qt_test_support.h"

namespace qthost_test {
namespace {

using qthost::ParseImageSpec;

TEST(ImageSpec, BarePathIsTheWholeImage) {
    const qthost::ImageSpec spec = ParseImageSpec("  common/logo.png ");
    EXPECT_EQ(spec.file, QStringLiteral("common/logo.png"));
    EXPECT_TRUE(spec.source.isNull());
    EXPECT_EQ(spec.fade, 255);
}

TEST(ImageSpec, AttributesGiveFileSourceCornerDestAndFade) {
    const qthost::ImageSpec spec = ParseImageSpec(
        "file='keys/k.png' source='10,20,50,40' corner='4,4,4,4' dest='2,2,22,12' fade='200'");
    EXPECT_EQ(spec.file, QStringLiteral("keys/k.png"));
    EXPECT_EQ(spec.source, QRect(10, 20, 40, 20));  // right and bottom are edges
    EXPECT_EQ(spec.corner, QMargins(4, 4, 4, 4));
    EXPECT_EQ(spec.dest, QRect(2, 2, 20, 10));
    EXPECT_EQ(spec.fade, 200);
    EXPECT_EQ(ParseImageSpec("res='a.png' fade='80'").file, QStringLiteral("a.png"));
}

TEST(ImageSpec, MalformedPartsFallBackWithoutLosingTheFile) {
    qthost::ImageSpec spec = ParseImageSpec("file='a.png' source='1,2,x,4' fade='999' other='1'");
    EXPECT_EQ(spec.file, QStringLiteral("a.png"));
    EXPECT_TRUE(spec.source.isNull());
    EXPECT_EQ(spec.fade, 255);                                                     // clamped
    EXPECT_TRUE(ParseImageSpec("file='a.png' source='5,5,1,1'").source.isNull());  // inverted
    EXPECT_EQ(ParseImageSpec("file='unterminated").file, QString());
    EXPECT_TRUE(ParseImageSpec("").IsEmpty());
}

TEST(SkinImages, PngNameFallsBackToTheSvgBesideIt) {
    qthost::SkinImages images(QString::fromStdString(DemoSkinFolder()));
    const QString path = images.Resolve(QStringLiteral("images/check_on.png"));
    EXPECT_TRUE(path.endsWith(QStringLiteral("images/check_on.svg"))) << path.toStdString();
    EXPECT_TRUE(images.Resolve(QStringLiteral("images/nothing.png")).isEmpty());
    const QPixmap svg = images.Load(QStringLiteral("images/check_on.svg"), QSize(32, 32));
    EXPECT_EQ(svg.size(), QSize(32, 32));
}

TEST(SkinImages, DrawUsesTheSourcePartAndReportsMissingFiles) {
    QTemporaryDir dir;
    QImage tile(20, 10, QImage::Format_ARGB32);
    tile.fill(Qt::red);
    for (int y = 0; y < 10; ++y) {
        for (int x = 10; x < 20; ++x) {
            tile.setPixelColor(x, y, Qt::blue);
        }
    }
    ASSERT_TRUE(tile.save(dir.filePath("tile.png")));
    qthost::SkinImages images(dir.path());
    QImage target(10, 10, QImage::Format_ARGB32);
    target.fill(Qt::transparent);
    QPainter painter(&target);
    EXPECT_TRUE(
        images.Draw(painter, target.rect(), ParseImageSpec("file='tile.png' source='10,0,20,10'")));
    EXPECT_FALSE(images.Draw(painter, target.rect(), ParseImageSpec("missing.png")));
    painter.end();
    EXPECT_EQ(target.pixelColor(5, 5), QColor(Qt::blue));
}

TEST(StyleSheet, RelativeUrlsBecomeAbsoluteAndOthersStay) {
    const QString out = qthost::ResolveStyleSheetUrls(
        "A { image: url(images/a.svg); } B { image: url('/abs/b.png'); } C { image: url(:/c.png); "
        "}",
        "/skin/demo");
    EXPECT_TRUE(out.contains(QStringLiteral("url(\"/skin/demo/images/a.svg\")")));
    EXPECT_TRUE(out.contains(QStringLiteral("url(\"/abs/b.png\")")));
    EXPECT_TRUE(out.contains(QStringLiteral("url(\":/c.png\")")));
}

TEST(StyleSheet, DemoSkinSheetLoads) {
    qthost::Skin skin(QString::fromStdString(DemoSkinFolder()));
    QString error;
    const QString sheet = skin.LoadStyleSheet(&error);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(sheet.contains(QStringLiteral("QSlider::handle")));
    EXPECT_FALSE(sheet.contains(QStringLiteral("url(images/")));
}

TEST(FileDialogs, FiltersKeepOwnPatternsOrGainThem) {
    ui::FileDialogSpec spec;
    spec.filters = {{"Profile Files(*.json)", "*.json;"}, {"Images", "*.png;*.jpg"}, {"", "*.*"}};
    EXPECT_EQ(qthost::FileDialogFilter(spec).toStdString(),
              "Profile Files(*.json);;Images (*.png *.jpg);;*.*");
    EXPECT_EQ(qthost::WithDefaultExtension("/tmp/out", "json"), QStringLiteral("/tmp/out.json"));
    EXPECT_EQ(qthost::WithDefaultExtension("/tmp/out.txt", "json"), QStringLiteral("/tmp/out.txt"));
    EXPECT_EQ(qthost::WithDefaultExtension("", "json"), QString());
}

TEST(Palette, FieldRunsFromWhiteThroughTheHueToBlack) {
    const QSize size(101, 101);
    EXPECT_EQ(qthost::PaletteColorAt(QPoint(0, 0), size), QColor(255, 255, 255));
    EXPECT_EQ(qthost::PaletteColorAt(QPoint(50, 100), size).value(), 0);
    const QColor red = qthost::PaletteColorAt(QPoint(0, 50), size);
    EXPECT_EQ(red.red(), 255);
    EXPECT_LE(red.green(), 1);
    // Points outside the field are taken at its edge.
    EXPECT_EQ(qthost::PaletteColorAt(QPoint(-10, -10), size), QColor(255, 255, 255));
}

using MenuFromLayout = QtHostTest;

TEST_F(MenuFromLayout, ElementsBecomeActionsWithTheirNamesAndStates) {
    ui::LayoutLoader loader = host.Context().MakeLoader();
    ui::LayoutResult result = loader.LoadFile("xml/menu.xml");
    ASSERT_TRUE(result.ok()) << result.error;
    auto* model = dynamic_cast<ui::Menu*>(result.root.get());
    ASSERT_NE(model, nullptr);
    model->FindItem("exit")->SetEnabled(false);

    QMenu menu;
    qthost::FillMenu(menu, *model, host.Language());
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Show window"));  // language key resolved
    EXPECT_EQ(actions[0]->data().toString(), QStringLiteral("show"));
    ASSERT_NE(actions[1]->menu(), nullptr);  // a submenu
    const QList<QAction*> sub = actions[1]->menu()->actions();
    ASSERT_EQ(sub.size(), 2);
    EXPECT_TRUE(sub[0]->isChecked());
    EXPECT_EQ(sub[1]->data().toString(), QStringLiteral("lighting_off"));
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_FALSE(actions[3]->isEnabled());
}

}  // namespace
}  // namespace qthost_test
