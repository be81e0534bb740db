// The macro editor drawn by the Qt host on the mouse page: its event rows
// show their labels and a delay edit inside the event list. With
// VELDMARK_SCREENSHOT_DIR set the page is saved as a PNG for a person to look at.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "editors/combo_edit_element.h"
#include "editors/macro_control.h"
#include "platform/ui/container.h"
#include "platform/ui/edit.h"
#include "platform/ui/list.h"
#include "platform/ui/window.h"
#include "shell/qt/control_view.h"
#include "shell/qt/qt_host.h"
#include "shell/qt/window_view.h"
#include "tests/shell/skin_test_support.h"

namespace {

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "editors_macro_render_test";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

  private:
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void RenderPage(const std::string& layout, const std::string& shot) {
    char pattern[] = "/tmp/veldmark-macro-render-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string folder = std::string(pattern) + "/";

    qthost::QtHost host(skintest::SkinFolder());
    skintest::RegisterStandIns(host.Factory());
    RegisterShellControls(host.Factory());
    host.Factory().Register<CMacroControlUI>("MacroControl");
    host.Factory().Register<CComboEditContainerElementUI>("ComboEditContainerElement");
    host.ApplyStyleSheet();
    host.Language().LoadFile(skintest::SkinFolder() / "lan_en.xml");

    ui::Window window(host.Context(), shot);
    std::string error;
    ASSERT_TRUE(window.LoadLayout(layout, skintest::TagBuilder(), &error)) << error;
    auto* editor = window.FindControl<CMacroControlUI>("MacroControlItem");
    ASSERT_NE(editor, nullptr);
    window.FindControl<ui::TabLayout>("device_function_switch")->SelectItem(editor);
    editor->SetMacroFolder(folder);
    editor->LoadMacroList();
    ASSERT_TRUE(editor->AddMacro().Ok());
    ASSERT_TRUE(editor->AddMacro().Ok());
    const struct {
        bool down;
        uint8_t type;
        uint8_t button;
        uint16_t delay;
    } events[] = {{true, 9, 0x01, 12},   {true, 10, 0x06, 80}, {false, 10, 0x06, 15},
                  {false, 9, 0x01, 200}, {true, 1, 0x01, 30},  {false, 1, 0x01, 0},
                  {true, 4, 25, 5}};
    for (const auto& e : events) {
        editor->InsertEvent(editor->GetEventCount(),
                            macro::MakeEvent(e.down, e.type, e.button, e.delay), false);
    }
    editor->SelectEvent(1);
    // The page's share of the main window: the device list takes the rest.
    window.SetSize({1185, 760});
    window.Show();
    QTest::qWait(300);

    qthost::WindowView* view = host.ViewOf(window);
    const QPixmap pixels = view->grab();
    if (const char* dir = std::getenv("VELDMARK_SCREENSHOT_DIR")) {
        pixels.save(QString::fromStdString(std::string(dir) + "/" + shot + ".png"));
    }
    ASSERT_FALSE(pixels.isNull());
    auto* list = window.FindControl<ui::List>("macro_action_list");
    QWidget* listWidget = view->ViewOf(list)->Widget();
    ASSERT_NE(listWidget, nullptr);
    EXPECT_TRUE(listWidget->isVisible());
    for (int i = 0; i < 3; ++i) {
        auto* row = dynamic_cast<CComboEditContainerElementUI*>(list->GetItem(i));
        ASSERT_NE(row, nullptr);
        QWidget* delay = view->ViewOf(row->DelayEdit())->Widget();
        ASSERT_NE(delay, nullptr);
        EXPECT_TRUE(delay->isVisible()) << i;
        EXPECT_GT(delay->width(), 30) << i;
        const QRect inList(delay->mapTo(listWidget, QPoint(0, 0)), delay->size());
        EXPECT_TRUE(listWidget->rect().contains(inList)) << i;
    }
    // The buttons beside the events and below them are on the page, not cut off.
    for (const char* name : {"macro_btn_save", "macro_btn_cancel", "macro_btn_downbottom",
                             "macro_inset_movedownkey_btn", "macro_btn_name_edit"}) {
        QWidget* button = view->ViewOf(window.FindControl(name))->Widget();
        ASSERT_NE(button, nullptr) << name;
        const QRect onPage(button->mapTo(view, QPoint(0, 0)), button->size());
        EXPECT_TRUE(view->rect().contains(onPage)) << name;
    }
    window.Close(0);
    std::filesystem::remove_all(pattern);
}

TEST(MacroRender, EventRowsShowTheirNamesAndDelayEditsOnTheMousePage) {
    RenderPage("XML/DeviceXml/mousedevice.xml", "mouse_macro_editor");
}

TEST(MacroRender, EventRowsShowTheirNamesAndDelayEditsOnTheKeyboardPage) {
    RenderPage("XML/DeviceXml/keyboarddevice.xml", "keyboard_macro_editor");
}

}  // namespace
