// The `ui` requests against the main window on the headless host: they act
// through the person's operations (so the window hears the same
// notifications), find names the way a person looks, and refuse what a
// person could not do without changing anything.

#include "shell/ui_script.h"

#include <gtest/gtest.h>

#include "main_wnd_fixture.h"
#include "platform/ui/range_controls.h"
#include "profile/controls/device_profile_ui.h"

namespace {

class UiScriptTest : public MainWndTest {
  protected:
    void StartWithPad() {
        Plug(sim::DeviceKind::Mousepad);
        Start();
        ASSERT_TRUE(WaitFor([&] { return window->CurrentPage() == Pad(); }));
        script = std::make_shared<app::UiScript>(*window, nullptr);
        window->AddNotifyHandler([this](const ui::Notification& n) {
            if (!n.Is(ui::notify::kTimer)) {
                heard.push_back(n.type + " " + n.SenderName());
            }
        });
    }

    // Runs one request and the loop until it is answered.
    std::string Ask(std::vector<std::string> words) {
        std::optional<std::string> reply;
        script->Handle(words, [&](std::string text) { reply = std::move(text); });
        WaitFor([&] { return reply.has_value(); });
        return reply.value_or("(no reply)");
    }

    int Profiles() {
        auto* list = Pad()->FindSubControl<CDeviceProfileUI>("DeviceProfileItem");
        return list ? static_cast<int>(list->List().GetEntries().size()) : -1;
    }

    std::shared_ptr<app::UiScript> script;
    std::vector<std::string> heard;
};

TEST_F(UiScriptTest, SettingASliderRaisesWhatLettingGoOfADragRaises) {
    StartWithPad();
    auto* slider = Pad()->FindSubControl<ui::Slider>("deng_light_slider");
    ASSERT_NE(slider, nullptr);
    slider->UserDrag(1);
    slider->UserCommit(1);
    ASSERT_EQ(heard.back(), "valuechanged deng_light_slider");
    heard.clear();

    EXPECT_EQ(Ask({"set", "deng_light_slider", "value", "3"}), "ok");
    EXPECT_EQ(heard, std::vector<std::string>{"valuechanged deng_light_slider"});
    EXPECT_EQ(slider->GetValue(), 3);
    EXPECT_EQ(Ask({"get", "deng_light_slider", "value"}), "ok\n3");
    EXPECT_EQ(Ask({"get", "deng_light_slider", "max"}), "ok\n4");

    // Out of range: refused, nothing raised, nothing changed.
    heard.clear();
    EXPECT_EQ(Ask({"set", "deng_light_slider", "value", "9"}).rfind("error: Slider", 0), 0u);
    EXPECT_TRUE(heard.empty());
    EXPECT_EQ(slider->GetValue(), 3);
}

TEST_F(UiScriptTest, AClickOnTheProfileButtonAddsAProfile) {
    StartWithPad();
    ASSERT_EQ(Profiles(), 1);
    EXPECT_EQ(Ask({"click", "device_add_btn"}), "ok");
    EXPECT_EQ(Profiles(), 2);
    EXPECT_EQ(Ask({"get", "device_profile_combo", "items"}), "ok\nProfile 1\nProfile 2");
    EXPECT_EQ(Ask({"get", "device_profile_combo", "cursel"}), "ok\n1");
    EXPECT_EQ(Ask({"get", "--page", "mousepad", "device_profile_name_edit", "text"}),
              "ok\nProfile 2");
}

TEST_F(UiScriptTest, UnknownAmbiguousAndLackingNamesAreRefused) {
    StartWithPad();
    EXPECT_EQ(Ask({"click", "no_such_button"}), "error: no control named \"no_such_button\"");
    EXPECT_EQ(
        Ask({"get", "--page", "toaster", "device_add_btn", "text"}).rfind("error: unknown page", 0),
        0u);
    // Each page has its profile buttons: on a page that is not current the name
    // still finds one, through --page.
    EXPECT_EQ(Ask({"get", "--page", "keyboard", "device_add_btn", "class"}), "ok\nButton");
    // Without a current page the four pages' buttons are candidates.
    bus->Unplug(bus->Find(sim::DeviceKind::Mousepad));
    ASSERT_TRUE(WaitFor([&] { return window->CurrentPage() == nullptr; }));
    const std::string ambiguous = Ask({"click", "device_add_btn"});
    EXPECT_EQ(ambiguous.rfind("error: \"device_add_btn\" is ambiguous: ", 0), 0u) << ambiguous;
    EXPECT_NE(ambiguous.find("mousepad page: "), std::string::npos) << ambiguous;
    EXPECT_EQ(Profiles(), 1);

    const std::string lacking = Ask({"get", "--page", "mousepad", "device_add_btn", "value"});
    EXPECT_EQ(lacking.rfind("error: Button \"device_add_btn\" has no property \"value\"", 0), 0u)
        << lacking;
    EXPECT_EQ(Ask({"set", "--page", "mousepad", "device_profile_combo", "cursel", "5"})
                  .rfind("error: Combo", 0),
              0u);
    EXPECT_EQ(Ask({"set", "--page", "mousepad", "device_add_btn", "visible", "false"})
                  .rfind("error: Button \"device_add_btn\": a person cannot change its visible", 0),
              0u);
}

TEST_F(UiScriptTest, TypingIntoAnEditFocusesItTypesAndLeavesIt) {
    StartWithPad();
    EXPECT_EQ(Ask({"click", "profile_fun_spread_btn"}), "ok");
    EXPECT_EQ(Ask({"get", "device_profile_name_edit", "visible"}), "ok\ntrue");
    heard.clear();
    EXPECT_EQ(Ask({"set", "device_profile_name_edit", "text", "Game night"}), "ok");
    EXPECT_EQ(heard, (std::vector<std::string>{"setfocus device_profile_name_edit",
                                               "textchanged device_profile_name_edit",
                                               "killfocus device_profile_name_edit"}));
    EXPECT_EQ(Ask({"click", "device_profile_edit_save_btn"}), "ok");
    EXPECT_EQ(Ask({"get", "device_profile_combo", "items"}), "ok\nGame night");
}

TEST_F(UiScriptTest, WaitAnswersWhenTheValueComesOrWhenTheTimeIsUp) {
    StartWithPad();
    std::optional<std::string> reply;
    script->Handle({"wait", "device_profile_combo", "cursel", "1", "--timeout", "3000"},
                   [&](std::string text) { reply = std::move(text); });
    EXPECT_FALSE(reply.has_value());
    window->Context().dispatcher.Post(
        [&] { Pad()->FindSubControl<ui::Button>("device_add_btn")->UserClick(); });
    ASSERT_TRUE(WaitFor([&] { return reply.has_value(); }));
    EXPECT_EQ(*reply, "ok\n1");

    reply.reset();
    script->Handle({"wait", "device_profile_combo", "cursel", "0", "--timeout", "200"},
                   [&](std::string text) { reply = std::move(text); });
    host->AdvanceBy(150);
    EXPECT_FALSE(reply.has_value());
    host->AdvanceBy(100);
    EXPECT_EQ(reply, "error: timed out waiting for device_profile_combo cursel 0 (it is 1)");
}

TEST_F(UiScriptTest, TreeListsEveryControlBelowAName) {
    StartWithPad();
    const std::string tree = Ask({"tree", "profile_menu_layout"});
    EXPECT_EQ(tree.rfind("ok\nVerticalLayout \"profile_menu_layout\" hidden enabled\n", 0), 0u)
        << tree;
    EXPECT_NE(tree.find("\n    Button \"device_add_btn\" hidden enabled \""), std::string::npos)
        << tree;
}

}  // namespace

namespace {

TEST_F(UiScriptTest, AProfileMessageComesInTheApplicationsMessageBox) {
    StartWithPad();
    EXPECT_EQ(Ask({"click", "profile_fun_spread_btn"}), "ok");
    EXPECT_EQ(Ask({"set", "device_profile_name_edit", "text", "PROFILE 1"}), "ok");
    const size_t plainBoxes = host->Host().CountCalls("message");
    EXPECT_EQ(Ask({"click", "device_profile_edit_save_btn"}), "ok");
    EXPECT_EQ(host->Host().CountCalls("modal msgwnd"), 1u);  // the name is taken
    EXPECT_EQ(host->Host().CountCalls("message"), plainBoxes);
}

}  // namespace
