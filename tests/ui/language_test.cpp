#include "platform/ui/language_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/ui/edit.h"
#include "platform/ui/headless_host.h"
#include "platform/ui/list.h"
#include "platform/ui/window.h"

namespace {

using namespace ui;

std::filesystem::path DemoLanguage(const char* file) {
    const char* data = std::getenv("VELDMARK_DATA_DIR");
    return std::filesystem::path(data != nullptr ? data : "data") / "skin" / "demo" / "lang" / file;
}

struct TextChanges : TreeObserver {
    std::vector<std::string> names;
    void OnPropertyChanged(Control& c, Property p) override {
        if (p == Property::Text || p == Property::Tooltip || p == Property::EditState) {
            names.push_back(c.GetName());
        }
    }
    void OnChildInserted(Container&, Control&, size_t) override {}
    void OnChildRemoving(Container&, Control&, size_t) override {}
};

TEST(LanguageTable, SwitchingReResolvesEveryKeyedTextAndTellsTheHost) {
    HeadlessHost host;
    std::string error;
    ASSERT_TRUE(host.Language().LoadFile(DemoLanguage("en.xml"), &error)) << error;
    Window window(host.Context(), "main");
    LayoutLoader loader = host.Context().MakeLoader();
    LayoutResult layout = loader.LoadString(
        "<VerticalLayout><Label name='title' textkey='demo_title'/>"
        "<Button name='close' tooltipkey='demo_close' text='x'/>"
        "<RichEdit name='input' hintkey='demo_repeat_hint'/>"
        "<Label name='plain' text='demo_title'/>"
        "<Combo name='modes'><ListLabelElement name='static' textkey='demo_mode_static'/></Combo>"
        "</VerticalLayout>");
    ASSERT_TRUE(layout.ok()) << layout.error;
    window.Attach(std::move(layout.root));
    EXPECT_EQ(window.FindControl("title")->GetText(), "Veldmark demo");
    EXPECT_EQ(window.FindControl<Combo>("modes")->GetItem(0)->GetText(), "Static");

    TextChanges changes;
    window.AddObserver(&changes);
    ASSERT_TRUE(host.Language().LoadFile(DemoLanguage("cn.xml"), &error)) << error;
    EXPECT_EQ(window.FindControl("title")->GetText(), "Veldmark 演示");
    EXPECT_EQ(window.FindControl("close")->GetTooltip(), "关闭");
    EXPECT_EQ(window.FindControl("close")->GetText(), "x");
    EXPECT_EQ(window.FindControl<Edit>("input")->GetHint(), "在此输入以试验重复速度");
    EXPECT_EQ(window.FindControl("plain")->GetText(), "demo_title");  // plain text is not a key
    EXPECT_EQ(host.Language().FontFace(), "Noto Sans CJK TC Regular");
    EXPECT_EQ(changes.names, (std::vector<std::string>{"title", "close", "input", "static"}));
    window.RemoveObserver(&changes);
}

TEST(LanguageTable, AMissingKeyShowsTheKeyAndABrokenFileKeepsTheTable) {
    LanguageTable table;
    int switches = 0;
    table.AddListener([&] { ++switches; });
    ASSERT_TRUE(
        table.LoadString("<Language name='t'><Text key='a'>A</Text>"
                         "<Text key='b' value='B'/></Language>"));
    EXPECT_EQ(table.Resolve("a"), "A");
    EXPECT_EQ(table.Resolve("b"), "B");
    EXPECT_EQ(table.Resolve("message_text_99"), "message_text_99");
    std::string error;
    EXPECT_FALSE(table.LoadString("<Language><Text>no key</Text></Language>", &error));
    EXPECT_NE(error.find("without key"), std::string::npos);
    EXPECT_FALSE(table.LoadString("<Strings/>", &error));
    EXPECT_FALSE(table.LoadString("<Language><Text key='a'>", &error));
    EXPECT_FALSE(table.LoadFile("/nonexistent/lang.xml", &error));
    EXPECT_EQ(table.Resolve("a"), "A");
    EXPECT_EQ(switches, 1);
}

}  // namespace
