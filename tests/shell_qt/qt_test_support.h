#pragma once
// Shared by the Qt host tests: one QApplication for the whole test program (offscreen
// unless told otherwise), the demo skin, and a fixture that loads a window and records
// every notification it raises.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/window.h"
#include "shell/qt/control_view.h"
#include "shell/qt/qt_host.h"
#include "shell/qt/window_view.h"

namespace qthost_test {

std::string DemoSkinFolder();

struct Heard {
    std::string type;
    std::string sender;
    intptr_t wParam = 0;
    intptr_t lParam = 0;
};

class QtHostTest : public ::testing::Test {
  protected:
    QtHostTest();
    ~QtHostTest() override;

    // Loads a layout file of the demo skin (or XML text when `xml` is set) into a new shown
    // window and records its notifications.
    ui::Window& Load(const std::string& file);
    ui::Window& LoadXml(const std::string& xml);
    // Lets posted events (layout requests, deferred deletes) run.
    static void Settle();

    qthost::WindowView& ViewOf(ui::Window& window) { return *host.ViewOf(window); }
    QWidget* WidgetOf(const std::string& name);
    template <typename W>
    W* WidgetAs(const std::string& name) {
        return qobject_cast<W*>(WidgetOf(name));
    }
    // Types heard from `sender`; the focus moves that every press brings ("setfocus",
    // "killfocus") only when asked for.
    std::vector<std::string> HeardTypes(const std::string& sender, bool withFocus = false) const;
    // Everything heard except focus moves, as "type:sender".
    std::vector<std::string> HeardActions() const;
    void ClearHeard() { heard.clear(); }

    qthost::QtHost host;
    std::unique_ptr<ui::Window> window;
    std::vector<Heard> heard;

  private:
    void Attach();
};

}  // namespace qthost_test
