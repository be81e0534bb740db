// The switchboard: which route a notification reaches, by type and name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/button.h"
#include "shell/event_routes.h"

namespace {

struct Call {
    std::string route;
    std::string name;
    int index;
};

class EventRoutesTest : public ::testing::Test {
  protected:
    app::RouteHandler Record(std::string route) {
        return [this, route](const app::RouteCall& call) {
            calls.push_back({route, call.name, call.index});
        };
    }
    bool Send(std::string_view type, const std::string& name) {
        ui::Button sender;
        sender.SetName(name);
        return routes.Dispatch(ui::Notification{std::string(type), &sender});
    }

    app::EventRoutes routes;
    std::vector<Call> calls;
};

TEST(SplitIndexedName, TakesTheDecimalNumberAfterTheLastUnderscore) {
    std::string prefix;
    int number = -1;
    ASSERT_TRUE(app::SplitIndexedName("DPI_slider_3", prefix, number));
    EXPECT_EQ(prefix, "DPI_slider_");
    EXPECT_EQ(number, 3);
    ASSERT_TRUE(app::SplitIndexedName("key_0126", prefix, number));
    EXPECT_EQ(prefix, "key_");
    EXPECT_EQ(number, 126);
}

TEST(SplitIndexedName, RefusesNamesWithoutUnderscoreOrNumber) {
    std::string prefix = "kept";
    int number = 7;
    EXPECT_FALSE(app::SplitIndexedName("closebtn", prefix, number));
    EXPECT_FALSE(app::SplitIndexedName("deng_edit_R", prefix, number));
    EXPECT_FALSE(app::SplitIndexedName("key_", prefix, number));
    EXPECT_FALSE(app::SplitIndexedName("key_1x", prefix, number));
    EXPECT_FALSE(app::SplitIndexedName("key_9999999999", prefix, number));
    EXPECT_EQ(prefix, "kept");
    EXPECT_EQ(number, 7);
}

TEST_F(EventRoutesTest, NamesMatchWithoutRegardToCaseUnlessExact) {
    routes.On("click", "default_btn", Record("default"));
    routes.On("click", "profile_fun_spread_btn", Record("spread"), app::NameMatch::Exact);
    EXPECT_TRUE(Send("click", "Default_BTN"));
    EXPECT_TRUE(Send("click", "profile_fun_spread_btn"));
    EXPECT_FALSE(Send("click", "Profile_fun_spread_btn"));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].route, "default");
    EXPECT_EQ(calls[0].name, "Default_BTN");
    EXPECT_EQ(calls[0].index, -1);
    EXPECT_EQ(calls[1].route, "spread");
}

TEST_F(EventRoutesTest, RoutesAreSeparatedByNotificationType) {
    routes.On("click", "deng_same_mode", Record("click"));
    routes.On("killfocus", "deng_edit_R", Record("edit"));
    EXPECT_FALSE(Send("selectchanged", "deng_same_mode"));
    EXPECT_FALSE(Send("click", "deng_edit_R"));
    EXPECT_TRUE(Send("killfocus", "deng_edit_R"));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].route, "edit");
}

TEST_F(EventRoutesTest, IndexedRoutesComeBeforeNamesAndCarryTheNumber) {
    routes.OnIndexed("click", "key_", Record("key"));
    routes.On("click", "key_5", Record("name"));
    routes.On("click", "key_butt_keysave", Record("save"));
    EXPECT_TRUE(Send("click", "key_5"));
    EXPECT_TRUE(Send("click", "key_butt_keysave"));
    // A different prefix before the number is not the indexed route.
    EXPECT_FALSE(Send("click", "orvix_key_5"));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].route, "key");
    EXPECT_EQ(calls[0].index, 5);
    EXPECT_EQ(calls[1].route, "save");
}

TEST_F(EventRoutesTest, ALaterRouteReplacesTheEarlierOne) {
    routes.On("click", "minbtn", Record("first"));
    routes.On("click", "MINBTN", Record("second"));
    EXPECT_TRUE(Send("click", "minbtn"));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].route, "second");
}

TEST_F(EventRoutesTest, NotificationsWithoutSenderReachNothing) {
    routes.On("click", "", Record("empty"));
    EXPECT_FALSE(routes.Dispatch(ui::Notification{"click", nullptr}));
    EXPECT_TRUE(calls.empty());
}

}  // namespace
