// The widget tree follows the model: one view per control, in the model's parent chain, of
// the right kind, and every later model change reaches its widget.

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QTemporaryDir>

#include "platform/ui/custom_control.h"

#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "platform/ui/range_controls.h"
#include "tests/shell_qt/qt_test_support.h"

namespace qthost_test {
namespace {

bool IsComboItem(const ui::Control& c) {
    return dynamic_cast<const ui::Combo*>(c.GetParent()) != nullptr;
}

// Walks the model and checks each control against its view.
void ExpectViewsMatch(qthost::WindowView& view, ui::Control& control, int& checked) {
    if (IsComboItem(control)) {
        return;
    }
    qthost::ControlView* v = view.ViewOf(&control);
    ASSERT_NE(v, nullptr) << control.GetName() << " (" << control.GetClass() << ")";
    ++checked;
    EXPECT_EQ(v->Widget()->objectName().toStdString(), control.GetName());
    if (ui::Container* parent = control.GetParent()) {
        QWidget* up = v->Widget()->parentWidget();
        while (up != nullptr && qthost::ControlView::Of(up) == nullptr) {
            up = up->parentWidget();
        }
        ASSERT_NE(up, nullptr) << control.GetName();
        EXPECT_EQ(qthost::ControlView::Of(up)->Model(), parent) << control.GetName();
    }
    if (ui::Container* box = control.AsContainer()) {
        for (size_t i = 0; i < box->GetCount(); ++i) {
            ExpectViewsMatch(view, *box->GetItemAt(i), checked);
        }
    }
}

using Views = QtHostTest;

TEST_F(Views, DemoLayoutGetsOneWidgetPerControlInTheModelsShape) {
    ui::Window& w = Load("main.xml");
    int checked = 0;
    ExpectViewsMatch(ViewOf(w), *w.GetRoot(), checked);
    EXPECT_GT(checked, 30);
    EXPECT_EQ(static_cast<size_t>(checked), ViewOf(w).ViewCount());

    EXPECT_NE(WidgetAs<QAbstractButton>("closebtn"), nullptr);
    EXPECT_NE(WidgetAs<QSlider>("deng_light_slider"), nullptr);
    EXPECT_NE(WidgetAs<QLineEdit>("deng_edit_R"), nullptr);
    EXPECT_NE(WidgetAs<QPlainTextEdit>("repeat_input"), nullptr);
    EXPECT_NE(WidgetAs<QProgressBar>("device_progress"), nullptr);
    auto* combo = WidgetAs<QComboBox>("light_combo_modeSelect");
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(1), QStringLiteral("Breathing"));  // key resolved
    EXPECT_EQ(combo->itemData(2).toString(), QStringLiteral("off"));
}

TEST_F(Views, FixedSizesAndSequencesArePlacedAsTheModelSays) {
    Load("main.xml");
    QWidget* close = WidgetOf("closebtn");
    QWidget* min = WidgetOf("minbtn");
    ASSERT_TRUE(close && min);
    EXPECT_EQ(close->width(), 36);
    EXPECT_EQ(close->height(), 36);
    EXPECT_EQ(min->geometry().right() + 1, close->x());  // neighbours without child padding
    EXPECT_EQ(close->geometry().right() + 1 + 8, WidgetOf("title_bar")->width());  // inset
    // The host reports where it put the control, in window pixels.
    const ui::Rect r = window->FindControl("closebtn")->GetHostRect();
    const QPoint at = close->mapTo(&ViewOf(*window), QPoint(0, 0));
    EXPECT_EQ(r.left, at.x());
    EXPECT_EQ(r.top, at.y());
    EXPECT_EQ(r.Width(), 36);
}

TEST_F(Views, TabLayoutShowsOnlyTheSelectedChild) {
    Load("main.xml");
    auto* tabs = window->FindControl<ui::TabLayout>("demo_switch");
    ASSERT_NE(tabs, nullptr);
    EXPECT_TRUE(WidgetOf("lighting_page")->isVisible());
    EXPECT_FALSE(WidgetOf("keys_page")->isVisible());
    tabs->SelectItem(1);
    Settle();
    EXPECT_FALSE(WidgetOf("lighting_page")->isVisible());
    EXPECT_TRUE(WidgetOf("keys_page")->isVisible());
    EXPECT_EQ(WidgetOf("keys_page")->size(), WidgetOf("demo_switch")->size());
}

TEST_F(Views, TextVisibilityValueAndEnabledFollowTheModel) {
    Load("main.xml");
    window->FindControl("closebtn")->SetText("Close");
    EXPECT_EQ(WidgetAs<QAbstractButton>("closebtn")->text(), QStringLiteral("Close"));
    window->FindControl<ui::Edit>("deng_edit_G")->SetText("128");
    EXPECT_EQ(WidgetAs<QLineEdit>("deng_edit_G")->text(), QStringLiteral("128"));

    window->FindControl("minbtn")->SetVisible(false);
    EXPECT_TRUE(WidgetOf("minbtn")->isHidden());
    window->FindControl("minbtn")->SetVisible(true);
    EXPECT_FALSE(WidgetOf("minbtn")->isHidden());

    auto* slider = window->FindControl<ui::Slider>("deng_speed_slider");
    slider->SetRange(0, 10);
    slider->SetValue(7, ui::Notify::No);
    EXPECT_EQ(WidgetAs<QSlider>("deng_speed_slider")->maximum(), 10);
    EXPECT_EQ(WidgetAs<QSlider>("deng_speed_slider")->value(), 7);
    slider->SetValue(99, ui::Notify::No);  // the model clamps; the widget shows its value
    EXPECT_EQ(WidgetAs<QSlider>("deng_speed_slider")->value(), 10);

    window->FindControl("deng_edit_B")->SetEnabled(false);
    EXPECT_FALSE(WidgetOf("deng_edit_B")->isEnabled());
    window->FindControl<ui::Edit>("deng_edit_B")->SetReadOnly(true);
    EXPECT_TRUE(WidgetAs<QLineEdit>("deng_edit_B")->isReadOnly());
}

TEST_F(Views, ComboItemsFollowAddsRemovalsVisibilityAndSelection) {
    Load("main.xml");
    auto* modes = window->FindControl<ui::Combo>("light_combo_modeSelect");
    auto* combo = WidgetAs<QComboBox>("light_combo_modeSelect");
    modes->AddTextItem("Wave", "wave", 30);
    ASSERT_EQ(combo->count(), 4);
    EXPECT_EQ(combo->itemText(3), QStringLiteral("Wave"));

    modes->SelectItem(3, ui::Notify::No);
    EXPECT_EQ(combo->currentIndex(), 3);
    modes->GetItem(1)->SetVisible(false);
    EXPECT_TRUE(qobject_cast<QListView*>(combo->view())->isRowHidden(1));
    modes->GetItem(0)->SetText("Solid");
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Solid"));

    modes->Remove(modes->GetItem(0));
    Settle();
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Breathing"));
    EXPECT_EQ(combo->currentIndex(), modes->GetCurSel());
}

TEST_F(Views, InsertedAndRemovedChildrenGainAndLoseWidgets) {
    Load("main.xml");
    auto* bar = window->FindControl<ui::Container>("status_bar");
    auto extra = std::make_unique<ui::Button>();
    extra->SetName("extra_btn");
    extra->SetFixedWidth(50);
    bar->AddAt(std::move(extra), 0);
    Settle();
    QWidget* w = WidgetOf("extra_btn");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->x(), 0);
    EXPECT_EQ(WidgetOf("status_text")->x(), 50);

    QPointer<QWidget> gone = w;
    bar->Remove(window->FindControl("extra_btn"));
    Settle();
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(WidgetOf("status_text")->x(), 0);
}

TEST_F(Views, LanguageSwitchReResolvesTextsOfKeys) {
    Load("main.xml");
    auto* combo = WidgetAs<QComboBox>("light_combo_modeSelect");
    const QString before = combo->itemText(0);
    const QString tabBefore = WidgetAs<QAbstractButton>("page_option_0")->text();
    ASSERT_TRUE(host.Language().LoadFile(DemoSkinFolder() + "/lang/cn.xml"));
    Settle();
    EXPECT_NE(combo->itemText(0), before);
    EXPECT_NE(WidgetAs<QAbstractButton>("page_option_0")->text(), tabBefore);
    EXPECT_EQ(WidgetAs<QAbstractButton>("page_option_0")->text().toStdString(),
              window->FindControl("page_option_0")->GetText());
}

QString SolidPng(const QTemporaryDir& dir, const char* name, const QColor& color) {
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(color);
    const QString path = dir.filePath(QString::fromLatin1(name));
    image.save(path);
    return path;
}

QColor CenterOf(QWidget* w) {
    return w->grab().toImage().pixelColor(w->width() / 2, w->height() / 2);
}

TEST_F(Views, SkinnedButtonsDrawTheImageOfTheirState) {
    QTemporaryDir dir;
    const std::string xml =
        "<HorizontalLayout><Button name=\"b\" width=\"60\" normalimage=\"" +
        SolidPng(dir, "n.png", Qt::red).toStdString() + "\" pushedimage=\"" +
        SolidPng(dir, "p.png", Qt::green).toStdString() + "\" disabledimage=\"" +
        SolidPng(dir, "d.png", Qt::blue).toStdString() + "\"/><Option name=\"o\" width=\"60\" " +
        "normalimage=\"" + SolidPng(dir, "n.png", Qt::red).toStdString() + "\" selectedimage=\"" +
        SolidPng(dir, "s.png", Qt::yellow).toStdString() + "\"/></HorizontalLayout>";
    LoadXml(xml);
    auto* button = WidgetAs<QAbstractButton>("b");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(CenterOf(button), QColor(Qt::red));
    button->setDown(true);
    EXPECT_EQ(CenterOf(button), QColor(Qt::green));
    button->setDown(false);
    window->FindControl("b")->SetEnabled(false);
    EXPECT_EQ(CenterOf(button), QColor(Qt::blue));

    EXPECT_EQ(CenterOf(WidgetOf("o")), QColor(Qt::red));
    window->FindControl<ui::Option>("o")->SetSelected(true);
    EXPECT_EQ(CenterOf(WidgetOf("o")), QColor(Qt::yellow));
}

TEST_F(Views, CustomPaintingDrawsInWindowPixelsAtTheControlsPlace) {
    LoadXml(
        R"(<VerticalLayout><Control height="40"/><Custom name="c" height="30"/></VerticalLayout>)");
    auto* custom = window->FindControl<ui::CustomControl>("c");
    ASSERT_NE(custom, nullptr);
    custom->SetPaintHook([](ui::Control& self, ui::Painter& painter) {
        const ui::Rect r = self.GetHostRect();
        painter.FillRect(r, ui::Color{0xFF000000});
        // A 10-pixel green square at the control's top-left corner.
        painter.FillRect(ui::Rect{r.left, r.top, r.left + 10, r.top + 10}, ui::Color{0xFF00FF00});
    });
    Settle();
    EXPECT_EQ(custom->GetHostRect().top, 40);
    const QImage image = WidgetOf("c")->grab().toImage();
    EXPECT_EQ(image.pixelColor(3, 3), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(20, 20), QColor(Qt::black));
}

TEST_F(Views, ReplacingTheRootRebuildsTheWidgets) {
    Load("main.xml");
    QPointer<QWidget> oldRoot = WidgetOf("root");
    LoadXml(R"(<VerticalLayout name="root2"><Button name="only" height="30"/></VerticalLayout>)");
    EXPECT_TRUE(oldRoot.isNull());
    ASSERT_NE(WidgetOf("only"), nullptr);
    EXPECT_EQ(ViewOf(*window).ViewCount(), 2u);
}

}  // namespace
}  // namespace qthost_test
