// The message box answers through the host: only its confirm button confirms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/trace/trace.h"
#include "platform/ui/button.h"
#include "platform/ui/headless_host.h"
#include "shell/message_box.h"
#include "tests/shell/skin_test_support.h"

namespace {

class MessageBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RegisterShellControls(host.Factory());
        ASSERT_TRUE(host.Language().LoadFile(skintest::SkinFolder() / "lan_en.xml"));
        platform::trace::SetSink([this](std::string_view line) { traces.emplace_back(line); });
    }
    void TearDown() override { platform::trace::SetSink({}); }

    // Runs the box with a modal runner that clicks `button` (or closes it
    // with `code` when `button` is empty) and records what the box showed.
    int Answer(const std::string& button, int dpi = 96, int buttons = 1, int code = 0) {
        host.Host().SetModalRunner([&, button, code](ui::Window& w) {
            shown.title = w.FindControl("MessageTitle")->GetText();
            shown.text = w.FindControl("MessageText")->GetText();
            shown.cancelVisible = w.FindControl("cancel_btn")->IsVisible();
            shown.size = w.GetSize();
            if (button.empty()) {
                w.Close(code);
            } else {
                w.FindControl<ui::Button>(button)->UserClick();
            }
            return w.GetCloseCode();
        });
        return shell::ShowMessage(host.Context(), nullptr, title, text, dpi, isKey, buttons);
    }

    ui::HeadlessHost host{ui::HeadlessHost::ClockMode::Virtual, skintest::SkinFolder()};
    std::vector<std::string> traces;
    std::string title = "Profiles";
    std::string text = "message_text_5";
    bool isKey = true;
    struct {
        std::string title, text;
        bool cancelVisible = false;
        ui::Size size;
    } shown;
};

TEST_F(MessageBoxTest, ConfirmAnswersOneAndEveryOtherWayOutAnswersZero) {
    EXPECT_EQ(Answer("confirm_btn"), 1);
    EXPECT_EQ(Answer("cancel_btn"), 0);
    EXPECT_EQ(Answer("closebtn"), 0);
    // Closed by the desktop with a code that happens to be 1: still not a confirmation.
    EXPECT_EQ(Answer("", 96, 1, 1), 0);
    EXPECT_EQ(host.Host().CountCalls("modal msgwnd"), 4u);
}

TEST_F(MessageBoxTest, TextIsAKeyOrPlainTextAndEmptyTextsKeepTheLayouts) {
    Answer("confirm_btn");
    EXPECT_EQ(shown.title, "Profiles");
    EXPECT_EQ(shown.text, "That name is already used.");
    isKey = false;
    Answer("confirm_btn");
    EXPECT_EQ(shown.text, "message_text_5");
    title.clear();
    text.clear();
    Answer("confirm_btn");
    EXPECT_EQ(shown.title, "Notice");
    EXPECT_EQ(shown.text, "");
}

TEST_F(MessageBoxTest, OneButtonModeHidesCancel) {
    Answer("confirm_btn", 96, 0);
    EXPECT_FALSE(shown.cancelVisible);
    Answer("confirm_btn", 96, 1);
    EXPECT_TRUE(shown.cancelVisible);
}

TEST_F(MessageBoxTest, UnsupportedDpiFallsBackToNinetySixWithATrace) {
    Answer("confirm_btn", 100);
    const ui::Size base = shown.size;
    EXPECT_EQ(traces, std::vector<std::string>{"MSG_WND DPI SET ERROR"});
    traces.clear();
    Answer("confirm_btn", 192);
    EXPECT_TRUE(traces.empty());
    EXPECT_EQ(shown.size.width, base.width * 2);
    EXPECT_EQ(shown.size.height, base.height * 2);
    EXPECT_EQ(shell::MessageDpi(48), 48);
    EXPECT_EQ(shell::MessageDpi(0), 96);
}

TEST_F(MessageBoxTest, MissingLayoutShowsNothingAndAnswersZero) {
    host.Context().layoutAliases["XML_MSG"] = "XML/no_such_box.xml";
    host.Host().ScriptModalResult(1);
    EXPECT_EQ(shell::ShowMessage(host.Context(), nullptr, "t", "x", 96, false, 1), 0);
    EXPECT_EQ(host.Host().CountCalls("modal"), 0u);
}

}  // namespace
