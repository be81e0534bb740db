// User input on the widgets becomes the model's notifications, and the model, not Qt,
// decides the resulting state.

#include <QAbstractButton>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTemporaryDir>

#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "platform/ui/range_controls.h"
#include "tests/shell_qt/qt_test_support.h"

namespace qthost_test {
namespace {

using Input = QtHostTest;
using Types = std::vector<std::string>;

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QRect HandleRect(QSlider* s) {
    QStyleOptionSlider opt;
    opt.initFrom(s);
    opt.orientation = s->orientation();
    opt.minimum = s->minimum();
    opt.maximum = s->maximum();
    opt.sliderPosition = s->sliderPosition();
    opt.sliderValue = s->value();
    opt.subControls = QStyle::SC_All;
    return s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, s);
}

TEST_F(Input, ButtonClickReachesTheReceiverAsClickAndNotWhenDisabled) {
    Load("main.xml");
    QTest::mouseClick(WidgetOf("closebtn"), Qt::LeftButton);
    EXPECT_EQ(HeardTypes("closebtn"), Types{"click"});

    ClearHeard();
    window->FindControl("closebtn")->SetEnabled(false);
    QTest::mouseClick(WidgetOf("closebtn"), Qt::LeftButton);
    EXPECT_TRUE(HeardTypes("closebtn").empty());
}

TEST_F(Input, OptionGroupMovesTheSelectionAndNotifiesBothMembers) {
    Load("main.xml");
    auto* left = window->FindControl<ui::Option>("deng_FXL_check");
    auto* right = window->FindControl<ui::Option>("deng_FXR_check");
    ASSERT_TRUE(left->IsSelected());

    QTest::mouseClick(WidgetOf("deng_FXR_check"), Qt::LeftButton);
    EXPECT_TRUE(right->IsSelected());
    EXPECT_FALSE(left->IsSelected());
    EXPECT_TRUE(WidgetAs<QAbstractButton>("deng_FXR_check")->isChecked());
    EXPECT_FALSE(WidgetAs<QAbstractButton>("deng_FXL_check")->isChecked());
    // The deselected member hears first.
    EXPECT_EQ(HeardActions(), (Types{"click:deng_FXR_check", "selectchanged:deng_FXL_check",
                                     "selectchanged:deng_FXR_check"}));

    // Clicking the selected member again keeps it selected: Qt does not toggle it off.
    ClearHeard();
    QTest::mouseClick(WidgetOf("deng_FXR_check"), Qt::LeftButton);
    EXPECT_TRUE(right->IsSelected());
    EXPECT_TRUE(WidgetAs<QAbstractButton>("deng_FXR_check")->isChecked());
    EXPECT_EQ(HeardTypes("deng_FXR_check"), Types{"click"});
}

TEST_F(Input, CheckBoxTogglesOnEveryClick) {
    Load("main.xml");
    auto* cycle = window->FindControl<ui::Option>("deng_7color_check");
    QTest::mouseClick(WidgetOf("deng_7color_check"), Qt::LeftButton);
    EXPECT_TRUE(cycle->IsSelected());
    QTest::mouseClick(WidgetOf("deng_7color_check"), Qt::LeftButton);
    EXPECT_FALSE(cycle->IsSelected());
    EXPECT_FALSE(WidgetAs<QAbstractButton>("deng_7color_check")->isChecked());
    EXPECT_EQ(HeardTypes("deng_7color_check"),
              (Types{"click", "selectchanged", "click", "selectchanged"}));
}

TEST_F(Input, PageOptionsBoundToTabsSwitchThePage) {
    Load("main.xml");
    QTest::mouseClick(WidgetOf("page_option_2"), Qt::LeftButton);
    Settle();
    EXPECT_EQ(window->FindControl<ui::TabLayout>("demo_switch")->GetCurSel(), 2);
    EXPECT_TRUE(WidgetOf("demo_device")->isVisible());
    EXPECT_FALSE(WidgetOf("lighting_page")->isVisible());
}

TEST_F(Input, SliderDragGivesMoveStepsThenOneCommittedValue) {
    Load("main.xml");
    auto* model = window->FindControl<ui::Slider>("deng_speed_slider");
    auto* slider = WidgetAs<QSlider>("deng_speed_slider");
    ASSERT_EQ(model->GetValue(), 2);
    const QPoint start = HandleRect(slider).center();
    SendMouse(slider, QEvent::MouseButtonPress, start, Qt::LeftButton);
    for (int x = start.x(); x <= slider->width(); x += 20) {
        SendMouse(slider, QEvent::MouseMove, QPoint(x, start.y()), Qt::LeftButton);
    }
    SendMouse(slider, QEvent::MouseButtonRelease, QPoint(slider->width(), start.y()), Qt::NoButton);

    const Types types = HeardTypes("deng_speed_slider");
    ASSERT_GE(types.size(), 2u);
    EXPECT_EQ(types.front(), "movevaluechanged");
    EXPECT_EQ(types.back(), "valuechanged");
    EXPECT_EQ(std::count(types.begin(), types.end(), "valuechanged"), 1);
    EXPECT_EQ(model->GetValue(), 4);
}

TEST_F(Input, SliderGrooveClickAndKeysCommitAtOnce) {
    Load("main.xml");
    auto* model = window->FindControl<ui::Slider>("deng_speed_slider");
    auto* slider = WidgetAs<QSlider>("deng_speed_slider");
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier,
                      QPoint(slider->width() - 2, slider->height() / 2));
    EXPECT_EQ(model->GetValue(), 4);
    EXPECT_EQ(HeardTypes("deng_speed_slider"), Types{"valuechanged"});

    ClearHeard();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_EQ(model->GetValue(), 3);
    EXPECT_EQ(HeardTypes("deng_speed_slider"), Types{"valuechanged"});
}

TEST_F(Input, SkinnedSliderDragsItsOwnThumbAndDrawsItWhereTheValueIs) {
    QTemporaryDir dir;
    QImage thumb(10, 10, QImage::Format_ARGB32);
    thumb.fill(Qt::green);
    ASSERT_TRUE(thumb.save(dir.filePath("thumb.png")));
    LoadXml(
        "<HorizontalLayout><Slider name=\"s\" width=\"110\" height=\"20\" max=\"10\" "
        "value=\"0\" thumbsize=\"10,10\" thumbimage=\"" +
        dir.filePath("thumb.png").toStdString() + "\"/></HorizontalLayout>");
    auto* slider = WidgetAs<QSlider>("s");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->grab().toImage().pixelColor(5, 10), QColor(Qt::green));

    SendMouse(slider, QEvent::MouseButtonPress, QPoint(5, 10), Qt::LeftButton);
    SendMouse(slider, QEvent::MouseMove, QPoint(55, 10), Qt::LeftButton);
    SendMouse(slider, QEvent::MouseMove, QPoint(105, 10), Qt::LeftButton);
    SendMouse(slider, QEvent::MouseButtonRelease, QPoint(105, 10), Qt::NoButton);
    EXPECT_EQ(HeardTypes("s"), (Types{"movevaluechanged", "movevaluechanged", "valuechanged"}));
    EXPECT_EQ(window->FindControl<ui::Slider>("s")->GetValue(), 10);
    const QImage drawn = slider->grab().toImage();
    EXPECT_EQ(drawn.pixelColor(105, 10), QColor(Qt::green));
    EXPECT_NE(drawn.pixelColor(5, 10), QColor(Qt::green));
}

TEST_F(Input, TypingGoesThroughTheModelsRulesAndEnterReturns) {
    Load("main.xml");
    auto* model = window->FindControl<ui::Edit>("deng_edit_R");
    auto* edit = WidgetAs<QLineEdit>("deng_edit_R");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "1x2");
    // Number-only: the letter never reaches the model, and the widget shows what it kept.
    EXPECT_EQ(model->GetText(), "12");
    EXPECT_EQ(edit->text(), QStringLiteral("12"));
    QTest::keyClicks(edit, "345");  // at most three characters
    EXPECT_EQ(model->GetText().size(), 3u);
    EXPECT_EQ(edit->text().toStdString(), model->GetText());
    QTest::keyClick(edit, Qt::Key_Return);
    const Types types = HeardTypes("deng_edit_R");
    EXPECT_NE(std::find(types.begin(), types.end(), "textchanged"), types.end());
    EXPECT_EQ(types.back(), "return");
}

TEST_F(Input, FocusMovingBetweenEditsGivesKillfocusThenSetfocus) {
    Load("main.xml");
    QTest::mouseClick(WidgetOf("deng_edit_R"), Qt::LeftButton);
    ClearHeard();
    QTest::mouseClick(WidgetOf("deng_edit_G"), Qt::LeftButton);
    ASSERT_GE(heard.size(), 2u);
    EXPECT_EQ(heard[0].type + ":" + heard[0].sender, "killfocus:deng_edit_R");
    EXPECT_EQ(heard[1].type + ":" + heard[1].sender, "setfocus:deng_edit_G");
    EXPECT_EQ(window->GetFocus(), window->FindControl("deng_edit_G"));

    // A click on a button takes the focus too, so a typed value is committed first.
    ClearHeard();
    QTest::mouseClick(WidgetOf("deng_7color_check"), Qt::LeftButton);
    EXPECT_EQ(HeardTypes("deng_edit_G", true), Types{"killfocus"});
    EXPECT_EQ(heard.front().type + ":" + heard.front().sender, "killfocus:deng_edit_G");
}

TEST_F(Input, PressingAnEditThatTookTheFocusByItselfMovesTheModelsFocus) {
    Load("main.xml");
    // A window coming back to the front gives a widget the focus without the user.
    WidgetOf("deng_edit_B")->setFocus(Qt::ActiveWindowFocusReason);
    ASSERT_TRUE(WidgetOf("deng_edit_B")->hasFocus());
    ASSERT_NE(window->GetFocus(), window->FindControl("deng_edit_B"));
    ClearHeard();
    QTest::mouseClick(WidgetOf("deng_edit_B"), Qt::LeftButton);
    EXPECT_EQ(window->GetFocus(), window->FindControl("deng_edit_B"));
    EXPECT_EQ(HeardTypes("deng_edit_B", true), Types{"setfocus"});
    // Pressed again, nothing more is heard.
    QTest::mouseClick(WidgetOf("deng_edit_B"), Qt::LeftButton);
    EXPECT_EQ(HeardTypes("deng_edit_B", true), Types{"setfocus"});

    // A press into a window that is not the active one moves the model's focus too.
    QWidget other;
    other.show();
    other.activateWindow();
    Settle();
    ASSERT_FALSE(ViewOf(*window).isActiveWindow());
    ClearHeard();
    QTest::mouseClick(WidgetOf("deng_edit_R"), Qt::LeftButton);
    EXPECT_EQ(window->GetFocus(), window->FindControl("deng_edit_R"));
    EXPECT_EQ(HeardTypes("deng_edit_R", true), Types{"setfocus"});
}

TEST_F(Input, ComboChoiceRaisesItemSelectWithNewAndPreviousIndex) {
    Load("main.xml");
    auto* modes = window->FindControl<ui::Combo>("light_combo_modeSelect");
    modes->SelectItem(0, ui::Notify::No);
    auto* combo = WidgetAs<QComboBox>("light_combo_modeSelect");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(modes->GetCurSel(), 1);
    ASSERT_EQ(HeardTypes("light_combo_modeSelect"), Types{"itemselect"});
    EXPECT_EQ(heard.back().wParam, 1);
    EXPECT_EQ(heard.back().lParam, 0);
}

TEST_F(Input, ListItemPressSelectsClickAndDoubleClickActivate) {
    Load("main.xml");
    window->FindControl<ui::TabLayout>("demo_switch")->SelectItem(1);
    auto* list = window->FindControl<ui::List>("macro_action_list");
    list->AddTextItem("second")->SetName("second_item");
    Settle();
    QWidget* item = WidgetOf("second_item");
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(item, Qt::LeftButton);
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(HeardTypes("macro_action_list"), Types{"itemselect"});
    EXPECT_EQ(HeardTypes("second_item"), Types{"itemclick"});

    ClearHeard();
    QTest::mouseDClick(item, Qt::LeftButton);
    const Types types = HeardTypes("second_item");
    EXPECT_NE(std::find(types.begin(), types.end(), "itemactivate"), types.end());
}

TEST_F(Input, ContextClickOnAListWithAMenuRaisesMenu) {
    Load("main.xml");
    window->FindControl<ui::TabLayout>("demo_switch")->SelectItem(1);
    Settle();
    QWidget* list = WidgetOf("macro_action_list");
    const QPoint at(5, list->height() - 5);
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, list->mapToGlobal(at));
    QApplication::sendEvent(list, &e);
    EXPECT_EQ(HeardTypes("macro_action_list"), Types{"menu"});
}

TEST_F(Input, AControlRemovedByItsOwnClickHandlerLeavesNoDanglingWidget) {
    Load("main.xml");
    window->AddNotifyHandler([this](const ui::Notification& n) {
        if (n.Is("click") && n.SenderName() == "minbtn") {
            window->FindControl<ui::Container>("title_bar")->Remove(n.sender);
        }
    });
    QPointer<QWidget> button = WidgetOf("minbtn");
    QTest::mouseClick(button, Qt::LeftButton);
    Settle();
    EXPECT_EQ(window->FindControl("minbtn"), nullptr);
    EXPECT_TRUE(button.isNull());
}

TEST_F(Input, ClosingFromTheDesktopAsksTheModel) {
    Load("main.xml");
    QWidget* top = &ViewOf(*window);
    top->close();
    EXPECT_TRUE(window->IsClosed());
    EXPECT_FALSE(top->isVisible());
}

// A window may give closing another meaning, as the main window hides to the tray.
class HidingWindow final : public ui::Window {
  public:
    using ui::Window::Window;
    void OnCloseRequest() override { Hide(); }
};

TEST_F(Input, AWindowCanRefuseTheDesktopsClose) {
    window = std::make_unique<HidingWindow>(host.Context(), "hiding");
    Load("main.xml");
    QWidget* top = &ViewOf(*window);
    top->close();
    Settle();
    EXPECT_FALSE(window->IsClosed());
    EXPECT_FALSE(window->IsVisible());
    EXPECT_FALSE(top->isVisible());
    window->Show();
    Settle();
    EXPECT_TRUE(top->isVisible());
}

}  // namespace
}  // namespace qthost_test
