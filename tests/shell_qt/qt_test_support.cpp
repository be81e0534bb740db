#include "tests/shell_qt/qt_test_support.h"

#include <QDir>
#include <cstdlib>

#include "platform/ui/container.h"

namespace qthost_test {
namespace {

// One application for every test; created before the first test runs.
class QtApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "shell_qt_test";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

  private:
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace

std::string DemoSkinFolder() {
    const char* data = std::getenv("VELDMARK_DATA_DIR");
    const QString root = data != nullptr ? QString(data) : QStringLiteral(VELDMARK_SOURCE_DATA);
    return QDir(root).filePath(QStringLiteral("skin/demo")).toStdString();
}

QtHostTest::QtHostTest() : host(DemoSkinFolder()) {
    host.ApplyStyleSheet();
    host.Language().LoadFile(DemoSkinFolder() + "/lang/en.xml");
    // The demo's program-registered page is a plain vertical layout here.
    host.Factory().Register<ui::VerticalLayout>("DemoDevice");
    window = std::make_unique<ui::Window>(host.Context(), "test");
    window->AddNotifyHandler([this](const ui::Notification& n) {
        heard.push_back({n.type, n.SenderName(), n.wParam, n.lParam});
    });
}

QtHostTest::~QtHostTest() {
    window.reset();
    Settle();
}

ui::Window& QtHostTest::Load(const std::string& file) {
    std::string error;
    EXPECT_TRUE(window->LoadLayout(file, {}, &error)) << error;
    Attach();
    return *window;
}

ui::Window& QtHostTest::LoadXml(const std::string& xml) {
    ui::LayoutLoader loader = host.Context().MakeLoader();
    ui::LayoutResult result = loader.LoadString(xml);
    EXPECT_TRUE(result.ok()) << result.error;
    window->Attach(std::move(result.root), result.window ? &*result.window : nullptr);
    Attach();
    return *window;
}

void QtHostTest::Attach() {
    window->Show();
    QWidget* top = host.ViewOf(*window);
    top->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(top));
    Settle();
    heard.clear();
}

void QtHostTest::Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

QWidget* QtHostTest::WidgetOf(const std::string& name) {
    ui::Control* control = window->FindControl(name);
    qthost::ControlView* view = control ? host.ViewOf(*window)->ViewOf(control) : nullptr;
    return view ? view->Widget() : nullptr;
}

namespace {
bool IsFocusMove(const Heard& h) {
    return h.type == "setfocus" || h.type == "killfocus";
}
}  // namespace

std::vector<std::string> QtHostTest::HeardTypes(const std::string& sender, bool withFocus) const {
    std::vector<std::string> types;
    for (const Heard& h : heard) {
        if (h.sender == sender && (withFocus || !IsFocusMove(h))) {
            types.push_back(h.type);
        }
    }
    return types;
}

std::vector<std::string> QtHostTest::HeardActions() const {
    std::vector<std::string> actions;
    for (const Heard& h : heard) {
        if (!IsFocusMove(h)) {
            actions.push_back(h.type + ":" + h.sender);
        }
    }
    return actions;
}

}  // namespace qthost_test
