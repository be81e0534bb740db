// The Qt host's capture, offscreen (where no program may grab, so it sees the
// window's own input): key codes as the platform reports them become set-1
// records and stay with the capture, clicks are reported and still reach the
// window, and hiding, minimising or deactivating the window ends the capture.

#include "shell/qt/qt_capture.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWindow>

#include "platform/ui/edit.h"
#include "tests/shell_qt/qt_test_support.h"

namespace qthost_test {
namespace {

namespace capture = platform::capture;

struct Sink final : capture::CaptureSink {
    bool OnKeyboard(uint32_t message, const capture::KeyboardRecord& record) override {
        keys.push_back({message, record});
        return capture::IsLockKey(record.vkCode);
    }
    void OnMouse(uint32_t message, const capture::MouseRecord& record) override {
        buttons.push_back({message, record});
    }
    void OnCaptureEnded(capture::EndReason reason) override { ends.push_back(reason); }

    std::vector<std::pair<uint32_t, capture::KeyboardRecord>> keys;
    std::vector<std::pair<uint32_t, capture::MouseRecord>> buttons;
    std::vector<capture::EndReason> ends;
};

class QtCapture : public QtHostTest {
  protected:
    void SetUp() override {
        Load("main.xml");
        service.SetWindow(window.get());
    }
    QWindow* Native() { return ViewOf(*window).windowHandle(); }
    // A key as the platform reports it: the Linux code + 8.
    bool SendKey(QEvent::Type type, int qtKey, uint16_t linuxCode, const QString& text = {},
                 bool repeat = false) {
        QKeyEvent event(type, qtKey, Qt::NoModifier, linuxCode + 8u, 0, 0, text, repeat);
        return QCoreApplication::sendEvent(Native(), &event);
    }
    void Start(bool mouse = true) {
        ASSERT_TRUE(service.Start({true, mouse}, sink).ok);
        ASSERT_TRUE(service.IsActive());
    }

    qthost::QtCaptureService service{host};
    Sink sink;
};

TEST_F(QtCapture, KeysArriveAsSetOneRecordsAndOnlyLockKeysGoOn) {
    EXPECT_FALSE(qthost::QtCaptureService::GrabsDesktop());
    auto* edit = WidgetAs<QLineEdit>("deng_edit_R");
    ASSERT_NE(edit, nullptr);
    window->FindControl<ui::Edit>("deng_edit_R")->SetText("");
    edit->setFocus();
    const QString before = edit->text();
    Start();
    SendKey(QEvent::KeyPress, Qt::Key_Control, 97);
    SendKey(QEvent::KeyPress, Qt::Key_5, 6, "5");
    SendKey(QEvent::KeyRelease, Qt::Key_5, 6, "5");
    SendKey(QEvent::KeyPress, Qt::Key_CapsLock, 58);
    ASSERT_EQ(sink.keys.size(), 4u);
    EXPECT_EQ(sink.keys[0].first, capture::kKeyDown);
    EXPECT_EQ(sink.keys[0].second.scanCode, 0x1Du);
    EXPECT_TRUE(sink.keys[0].second.IsExtended());
    EXPECT_EQ(sink.keys[2].first, capture::kKeyUp);
    EXPECT_EQ(sink.keys[2].second.scanCode, 0x06u);
    EXPECT_EQ(sink.keys[3].second.vkCode, capture::kVkCapsLock);
    // What was typed while capturing never reached the window's edit.
    EXPECT_EQ(edit->text(), before);
    // A key without a row is withheld and not reported.
    SendKey(QEvent::KeyPress, Qt::Key_F35, 84);
    EXPECT_EQ(sink.keys.size(), 4u);
    service.Stop();
    SendKey(QEvent::KeyPress, Qt::Key_5, 6, "5");
    EXPECT_EQ(sink.keys.size(), 4u);
    EXPECT_EQ(edit->text(), before + "5");  // without the capture the edit types
    EXPECT_TRUE(sink.ends.empty());
}

TEST_F(QtCapture, AHeldKeyRepeatsItsPressButIsReleasedOnce) {
    Start();
    SendKey(QEvent::KeyPress, Qt::Key_A, 30, "a");
    // X repeats a held key as a release and a press, both marked as repeats.
    for (int i = 0; i < 3; ++i) {
        SendKey(QEvent::KeyRelease, Qt::Key_A, 30, "a", true);
        SendKey(QEvent::KeyPress, Qt::Key_A, 30, "a", true);
    }
    SendKey(QEvent::KeyRelease, Qt::Key_A, 30, "a");
    std::vector<uint32_t> messages;
    for (const auto& [message, record] : sink.keys) {
        EXPECT_EQ(record.scanCode, 0x1Eu);
        messages.push_back(message);
    }
    EXPECT_EQ(messages,
              (std::vector<uint32_t>{capture::kKeyDown, capture::kKeyDown, capture::kKeyDown,
                                     capture::kKeyDown, capture::kKeyUp}));
}

TEST_F(QtCapture, ButtonsAreReportedWithTheScreenPositionAndStillReachTheWindow) {
    Start();
    QWidget& view = ViewOf(*window);
    const QPoint origin = view.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(service.WindowOrigin().x, origin.x());
    EXPECT_EQ(service.WindowOrigin().y, origin.y());
    const QPoint at = WidgetOf("closebtn")->mapTo(&view, WidgetOf("closebtn")->rect().center());
    const auto send = [&](QEvent::Type type, Qt::MouseButton button) {
        QMouseEvent event(type, QPointF(at), QPointF(origin + at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(Native(), &event);
    };
    send(QEvent::MouseButtonPress, Qt::BackButton);
    send(QEvent::MouseButtonRelease, Qt::BackButton);
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::LeftButton);
    ASSERT_EQ(sink.buttons.size(), 4u);
    EXPECT_EQ(sink.buttons[0].first, capture::kXDown);
    EXPECT_EQ(sink.buttons[0].second.XButton(), capture::kXButtonBack);
    EXPECT_EQ(sink.buttons[0].second.x, origin.x() + at.x());
    EXPECT_EQ(sink.buttons[0].second.y, origin.y() + at.y());
    EXPECT_EQ(sink.buttons[3].first, capture::kLeftUp);
    // The button under the pointer was clicked all the same (a stop button must work).
    EXPECT_EQ(HeardTypes("closebtn"), std::vector<std::string>{"click"});
    // Key capture alone reports no button.
    service.Stop();
    Start(false);
    send(QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_EQ(sink.buttons.size(), 4u);
}

TEST_F(QtCapture, HidingMinimisingOrDeactivatingTheWindowEndsTheCapture) {
    QWidget& view = ViewOf(*window);
    Start();
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(&view, &deactivate);
    Start();
    view.showMinimized();
    Settle();
    view.showNormal();
    Settle();
    Start();
    view.hide();
    EXPECT_EQ(sink.ends, (std::vector<capture::EndReason>{capture::EndReason::Deactivated,
                                                          capture::EndReason::Minimized,
                                                          capture::EndReason::Hidden}));
    EXPECT_FALSE(service.IsActive());
    // A hidden window cannot capture.
    EXPECT_FALSE(service.Start({true, true}, sink).ok);
    SendKey(QEvent::KeyPress, Qt::Key_A, 30);
    EXPECT_TRUE(sink.keys.empty());
}

}  // namespace
}  // namespace qthost_test
