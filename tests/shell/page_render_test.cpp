// The device pages rendered by the Qt host: key buttons land where the layout
// puts them and show their LED colours. With VELDMARK_SCREENSHOT_DIR set,
// each page is also saved as a PNG for a person to look at.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "platform/ui/button.h"
#include "platform/ui/window.h"
#include "shell/controls/device_key_button.h"
#include "shell/qt/control_view.h"
#include "shell/qt/qt_host.h"
#include "shell/qt/window_view.h"
#include "tests/shell/skin_test_support.h"

namespace {

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "shell_page_render_test";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

  private:
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Red | blue << 8 | green << 16, as the device pages hand colours to their LEDs.
uint32_t LedColor(int index) {
    static const uint32_t wheel[] = {0x0000FF, 0x00FF80, 0x00FF00, 0xFFFF00,
                                     0xFF8000, 0x00FFFF, 0xFF00FF};
    return wheel[(index / 3) % 7];
}

class PageRenderTest : public ::testing::Test {
  protected:
    PageRenderTest() : host(skintest::SkinFolder()) {
        skintest::RegisterStandIns(host.Factory());
        RegisterShellControls(host.Factory());
        host.ApplyStyleSheet();
        host.Language().LoadFile(skintest::SkinFolder() / "lan_en.xml");
    }

    ui::Window& Show(const std::string& file, const std::string& name) {
        window = std::make_unique<ui::Window>(host.Context(), name);
        std::string error;
        EXPECT_TRUE(window->LoadLayout(file, skintest::TagBuilder(), &error)) << error;
        window->SetSize({1350, 810});
        window->Show();
        QTest::qWait(300);
        return *window;
    }

    QWidget* WidgetOf(const std::string& control) {
        ui::Control* c = window->FindControl(control);
        qthost::ControlView* view = c ? host.ViewOf(*window)->ViewOf(c) : nullptr;
        return view ? view->Widget() : nullptr;
    }

    void LightKeys() {
        for (ui::Control* c : window->FindControlsByClass("DeviceKeyButton")) {
            auto* key = static_cast<CDeviceKeyButtonUI*>(c);
            const auto n = ui::SplitIndexedName(key->GetUserData());
            if (n) {
                key->ShowLed(LedColor(n->number), 255, true);
            }
        }
        QTest::qWait(100);
    }

    QImage Grab(const std::string& shot) {
        const QPixmap pixels = host.ViewOf(*window)->grab();
        if (const char* dir = std::getenv("VELDMARK_SCREENSHOT_DIR")) {
            pixels.save(QString::fromStdString(std::string(dir) + "/" + shot + ".png"));
        }
        return pixels.toImage();
    }

    // The colour at the middle of the under-glow strip of a key, in window pixels.
    QColor GlowOf(const QImage& image, const std::string& key) {
        QWidget* w = WidgetOf(key);
        const QPoint at = w->mapTo(host.ViewOf(*window), QPoint(w->width() / 2, w->height() - 5));
        return image.pixelColor(at);
    }

    // The text of a button fits in the room the style leaves inside its
    // border and padding.
    // The text of a button, check box or option fits in the room the style
    // leaves beside its mark and inside its border and padding, and the whole
    // control lies inside the window.
    static void ExpectTextFits(const QAbstractButton& button, const std::string& where) {
        QStyleOptionButton option;
        option.initFrom(&button);
        option.text = button.text();
        const QStyle::SubElement contents =
            qobject_cast<const QCheckBox*>(&button)      ? QStyle::SE_CheckBoxContents
            : qobject_cast<const QRadioButton*>(&button) ? QStyle::SE_RadioButtonContents
                                                         : QStyle::SE_PushButtonContents;
        const QRect room = button.style()->subElementRect(contents, &option, &button);
        EXPECT_LE(QFontMetrics(button.font()).horizontalAdvance(option.text), room.width())
            << where << " cuts \"" << option.text.toStdString() << "\" (room for " << room.width()
            << " of " << button.width() << " pixels)";
        const QWidget* top = button.window();
        const QRect inWindow(button.mapTo(top, QPoint(0, 0)), button.size());
        EXPECT_TRUE(top->rect().contains(inWindow))
            << where << " lies partly outside the window: " << inWindow.x() << "," << inWindow.y()
            << " " << inWindow.width() << "x" << inWindow.height() << " in " << top->width() << "x"
            << top->height();
    }

    qthost::QtHost host;
    std::unique_ptr<ui::Window> window;
};

TEST_F(PageRenderTest, KeyboardKeysAreLaidWhereTheLayoutPutsThemAndGlowInTheirColour) {
    Show("XML/DeviceXml/keyboarddevice.xml", "keyboard");
    LightKeys();
    const QImage image = Grab("keyboard_page");
    ASSERT_FALSE(image.isNull());
    for (const char* name : {"key_0", "key_64", "key_108", "key_124"}) {
        QWidget* w = WidgetOf(name);
        ASSERT_NE(w, nullptr) << name;
        const ui::Rect pos = window->FindControl(name)->GetFloatPos();
        EXPECT_EQ(w->geometry(), QRect(pos.left, pos.top, pos.Width(), pos.Height())) << name;
        EXPECT_TRUE(w->isVisible()) << name;
    }
    // Keys show their LED's colour; the page's colour word is red | blue << 8 | green << 16.
    for (int led : {0, 22, 64, 108}) {
        const uint32_t c = LedColor(led);
        const QColor glow = GlowOf(image, "key_" + std::to_string(led));
        EXPECT_NEAR(glow.red(), static_cast<int>(c & 0xFF), 40) << led;
        EXPECT_NEAR(glow.blue(), static_cast<int>((c >> 8) & 0xFF), 40) << led;
        EXPECT_NEAR(glow.green(), static_cast<int>((c >> 16) & 0xFF), 40) << led;
    }
    EXPECT_FALSE(WidgetOf("key_62")->isVisible());  // a table position this keyboard lacks
}

TEST_F(PageRenderTest, MouseAndHeadsetPagesShowTheirDevices) {
    Show("XML/DeviceXml/mousedevice.xml", "mouse");
    LightKeys();
    QImage mouse = Grab("mouse_page");
    ASSERT_FALSE(mouse.isNull());
    ASSERT_NE(WidgetOf("key_0"), nullptr);
    EXPECT_TRUE(WidgetOf("key_0")->isVisible());
    EXPECT_TRUE(WidgetOf("logo")->isVisible());

    Show("XML/DeviceXml/hs6533device.xml", "headset");
    LightKeys();
    QImage headset = Grab("headset_page");
    ASSERT_FALSE(headset.isNull());
    ASSERT_NE(WidgetOf("hs_light_0"), nullptr);
    EXPECT_TRUE(WidgetOf("6533_eq_hz_slider_0") != nullptr);
}

// Every button of the profile list says what it does, in both languages: its
// text draws something and fits inside the button.
TEST_F(PageRenderTest, ProfileButtonsShowTheirWholeText) {
    for (const char* language : {"lan_en.xml", "lan_cn.xml"}) {
        host.Language().LoadFile(skintest::SkinFolder() / language);
        ui::Window& page = Show("XML/DeviceXml/mousedevice.xml", "mouse");  // the narrowest
        page.FindControl("profile_menu_layout")->SetVisible(true);
        QTest::qWait(100);
        int checked = 0;
        for (ui::Control* c : page.FindControlsByClass("Button")) {
            bool inProfiles = false;
            for (ui::Control* p = c; p != nullptr; p = p->GetParent()) {
                inProfiles = inProfiles || p->GetName() == "DeviceProfileItem";
            }
            auto* button = qobject_cast<QAbstractButton*>(WidgetOf(c->GetName()));
            if (!inProfiles || button == nullptr) {
                continue;
            }
            ++checked;
            const std::string where = std::string(language) + " " + c->GetName();
            const QString text = button->text();
            ASSERT_FALSE(text.isEmpty()) << where;
            ExpectTextFits(*button, where);
            const QImage withText = button->grab().toImage();
            const ui::TextValue saved = c->GetTextValue();
            c->SetText("");
            QTest::qWait(20);
            const QImage without = button->grab().toImage();
            if (saved.isKey) {
                c->SetTextKey(saved.text);
            } else {
                c->SetText(saved.text);
            }
            EXPECT_NE(withText, without) << where << " draws no text";
        }
        EXPECT_EQ(checked, 8) << language;
    }
}

// No button on a device page cuts its text, in either language.
// No button, check box or option on a device page cuts its text or reaches
// past the window, in either language, at the size the main window gives a
// page (its 1350 pixels less the device column).
TEST_F(PageRenderTest, ButtonsOfEveryPageFitTheirText) {
    const std::pair<const char*, const char*> pages[] = {
        {"XML/DeviceXml/keyboarddevice.xml", "keyboard"},
        {"XML/DeviceXml/mousedevice.xml", "mouse"},
        {"XML/DeviceXml/mousepaddevice.xml", "mousepad"},
        {"XML/DeviceXml/hs6533device.xml", "headset"}};
    for (const char* language : {"lan_en.xml", "lan_cn.xml"}) {
        host.Language().LoadFile(skintest::SkinFolder() / language);
        for (const auto& [file, name] : pages) {
            ui::Window& page = Show(file, name);
            page.SetSize({1178, 746});
            // Shown by the program for a device that takes part in a group.
            if (ui::Control* same = page.FindControl("deng_same_mode")) {
                same->SetVisible(true);
            }
            QTest::qWait(100);
            int checked = 0;
            for (const char* kind : {"Button", "CheckBox", "Option"}) {
                for (ui::Control* c : page.FindControlsByClass(kind)) {
                    auto* button = qobject_cast<QAbstractButton*>(WidgetOf(c->GetName()));
                    if (button != nullptr && button->isVisible() && !button->text().isEmpty()) {
                        ++checked;
                        ExpectTextFits(*button,
                                       std::string(language) + " " + name + " " + c->GetName());
                    }
                }
            }
            EXPECT_GT(checked, 0) << language << " " << name;
        }
    }
}

}  // namespace
