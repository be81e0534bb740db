#include "platform/ui/layout_loader.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/ui/button.h"
#include "platform/ui/container.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/list.h"
#include "platform/ui/menu.h"
#include "platform/ui/range_controls.h"
#include "platform/ui/window.h"

namespace {

namespace fs = std::filesystem;
using namespace ui;

fs::path DemoSkin() {
    const char* data = std::getenv("VELDMARK_DATA_DIR");
    return fs::path(data != nullptr ? data : "data") / "skin" / "demo";
}

// A page class of the application's own, as the program registers them.
class DemoDevice : public HorizontalLayout {
  public:
    static constexpr std::string_view kClassName = "DemoDevice";
    std::string_view GetClass() const override { return kClassName; }
};

class ScratchSkin : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("veldmark_ui_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir / "xml");
    }
    void TearDown() override { fs::remove_all(m_dir); }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(m_dir / name) << text;
    }
    LayoutResult Load(const std::string& name) {
        LayoutLoader loader(m_factory, m_dir);
        return loader.LoadFile(name);
    }

    fs::path m_dir;
    ControlFactory m_factory;
};

TEST(LayoutLoader, BuildsTheDemoWindowWithIncludesAndAnApplicationClass) {
    HeadlessHost host(HeadlessHost::ClockMode::Virtual, DemoSkin());
    host.Factory().Register<DemoDevice>("CDemoDeviceUI");
    LayoutLoader loader = host.Context().MakeLoader();
    std::string error;
    ASSERT_TRUE(loader.LoadResourceIndex("res.xml", &error)) << error;
    LayoutResult result = loader.LoadFile("XML_MAIN");
    ASSERT_TRUE(result.ok()) << result.error;
    ASSERT_TRUE(result.window.has_value());
    EXPECT_EQ(result.window->size, (Size{800, 572}));
    EXPECT_EQ(result.window->fonts.size(), 3u);

    Window window(host.Context(), "main");
    window.Attach(std::move(result.root), &*result.window);
    EXPECT_EQ(window.GetTitle(), "Veldmark demo");
    EXPECT_EQ(window.GetDefaultFontId(), 0);
    // Both includes (one written with a backslash) landed inside the tab layout.
    auto* tabs = window.FindControl<TabLayout>("demo_switch");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->GetCount(), 3u);
    EXPECT_EQ(tabs->GetItemAt(0)->GetName(), "lighting_page");
    EXPECT_EQ(tabs->GetItemAt(1)->GetName(), "keys_page");
    // The application class came from the factory under its short name.
    auto* device = window.FindControl<DemoDevice>("demo_device");
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->GetUserData(), "kb");
    EXPECT_NE(device->FindSubControl<Progress>("device_progress"), nullptr);
    // Class defaults of <Window> reach buttons of the main file.
    EXPECT_EQ(window.FindControl("closebtn")->GetColor(ColorRole::Text), Color{0xFFFFFFFF});
    // "value" is applied after "max" whatever the attribute order.
    EXPECT_EQ(window.FindControl<Slider>("deng_light_slider")->GetValue(), 3);
    // A drop-down's selection given before its items applies once they exist.
    auto* modes = window.FindControl<Combo>("light_combo_modeSelect");
    EXPECT_EQ(modes->GetItemCount(), 3);
    EXPECT_EQ(modes->GetCurSel(), 1);
    EXPECT_EQ(modes->GetSelectedText(), "demo_mode_breath");  // no language loaded: the key
}

TEST(LayoutLoader, LetsTheBuilderCallbackCreateTagsAndWholeSubLayouts) {
    HeadlessHost host(HeadlessHost::ClockMode::Virtual, DemoSkin());
    LayoutLoader loader = host.Context().MakeLoader();
    int built = 0;
    loader.SetBuilder([&](std::string_view tag, LayoutLoader& self) -> std::unique_ptr<Control> {
        if (tag == "DemoDevice") {
            ++built;
            return std::make_unique<DemoDevice>();
        }
        if (tag == "LightingEditor") {
            return self.LoadFile("xml/lighting_page.xml").root;
        }
        return nullptr;
    });
    LayoutResult result = loader.LoadString(
        "<VerticalLayout><DemoDevice name='d'/><LightingEditor name='editor'/></VerticalLayout>");
    ASSERT_TRUE(result.ok()) << result.error;
    auto* box = result.root->AsContainer();
    EXPECT_EQ(built, 1);
    EXPECT_EQ(box->GetItemAt(0)->GetClass(), "DemoDevice");
    // The element's own attributes apply to the sub-layout's root.
    EXPECT_EQ(box->GetItemAt(1)->GetName(), "editor");
    EXPECT_NE(box->FindSubControl("deng_speed_slider"), nullptr);
}

TEST_F(ScratchSkin, ReportsAnIncludeCycleInsteadOfRecursing) {
    Write("a.xml", "<VerticalLayout><Include source='xml/b.xml'/></VerticalLayout>");
    Write("xml/b.xml", "<HorizontalLayout><Include source='a.xml'/></HorizontalLayout>");
    LayoutResult result = Load("a.xml");
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error.find("include cycle"), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("xml/b.xml"), std::string::npos) << result.error;
}

TEST_F(ScratchSkin, AllowsTheSameFileIncludedTwiceSideBySide) {
    Write("row.xml", "<Button name='row'/>");
    Write("main.xml",
          "<VerticalLayout><Include source='row.xml' count='2'/>"
          "<Include source='row.xml'/></VerticalLayout>");
    LayoutResult result = Load("main.xml");
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.root->AsContainer()->GetCount(), 3u);
}

TEST_F(ScratchSkin, GivesAnErrorForEveryKindOfBrokenLayout) {
    struct Case {
        const char* name;
        const char* xml;
        const char* expected;
    };
    const Case cases[] = {
        {"truncated.xml", "<VerticalLayout><Button>", "truncated.xml"},
        {"unknown.xml", "<VerticalLayout><Gizmo/></VerticalLayout>",
         "unknown control class <Gizmo>"},
        {"badvalue.xml", "<Slider max='ten'/>", "bad value 'ten'"},
        {"leaf.xml", "<Button><Label/></Button>", "cannot hold children"},
        {"listchild.xml", "<List><Button/></List>", "cannot be placed in <List>"},
        {"noroot.xml", "<Window size='1,1'><Font id='0'/></Window>", "holds no control"},
        {"tworoots.xml", "<Window><Label/><Label/></Window>", "more than one root"},
        {"nosource.xml", "<VerticalLayout><Include/></VerticalLayout>", "needs a source"},
        {"missing.xml", "<VerticalLayout><Include source='nothere.xml'/></VerticalLayout>",
         "cannot open layout nothere.xml"},
        {"escape.xml", "<VerticalLayout><Include source='../../etc/passwd'/></VerticalLayout>",
         "leaves the skin folder"},
        {"absolute.xml", "<VerticalLayout><Include source='/etc/passwd'/></VerticalLayout>",
         "must be relative"},
        {"count.xml", "<VerticalLayout><Include source='x.xml' count='-1'/></VerticalLayout>",
         "bad include count"},
    };
    for (const Case& c : cases) {
        Write(c.name, c.xml);
        LayoutResult result = Load(c.name);
        EXPECT_FALSE(result.ok()) << c.name;
        EXPECT_EQ(result.root, nullptr) << c.name;
        EXPECT_NE(result.error.find(c.expected), std::string::npos)
            << c.name << ": " << result.error;
    }
    EXPECT_NE(Load("not_a_file.xml").error.find("cannot open"), std::string::npos);
}

TEST_F(ScratchSkin, KeepsUnknownAttributesForHostsAndAppClasses) {
    Write("bag.xml", "<Button name='b' lightimage='x.png' Text='Hi'/>");
    LayoutResult result = Load("bag.xml");
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.root->GetAttribute("lightimage"), "x.png");
    // Attribute names match without regard to case.
    EXPECT_EQ(result.root->GetText(), "Hi");
}

TEST_F(ScratchSkin, LoadsAMenuWithSubmenusAndSeparators) {
    LayoutLoader loader(m_factory, DemoSkin());
    LayoutResult result = loader.LoadFile("xml/menu.xml");
    ASSERT_TRUE(result.ok()) << result.error;
    auto* menu = dynamic_cast<Menu*>(result.root.get());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->Items().size(), 4u);
    ASSERT_NE(menu->FindItem("lighting_on"), nullptr);
    EXPECT_TRUE(menu->FindItem("lighting_on")->IsChecked());
    EXPECT_TRUE(menu->Items()[2]->IsSeparator());
}

}  // namespace
