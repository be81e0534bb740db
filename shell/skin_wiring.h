#pragma once
// SkinWiring: joins the main window, the skin chooser and the stored skin
// choice in the running program.
//
// - ApplyStoredTheme / Start bring back the choice stored in main.ini: the
//   theme's stylesheet (best applied before the main window's widgets exist,
//   so they are styled once) and the main window's background (once its
//   layout is loaded).
// - For as long as it lives it receives every skin change: the background
//   goes to CMainWnd::OnSkinChanged, and a change of theme restyles the
//   program.
// - It gives the main window the function its "skinbtn" calls: the chooser
//   pop-up opens under the button. The pop-up is made the first time and
//   kept for the next.
//
// A theme whose stylesheet cannot be read falls back to the default theme,
// then to the skin's own "style.qss". A stored background image the user
// picked from outside the skin that no longer exists shows the default
// background instead (main.ini keeps the choice).
//
// The toolkit comes in through SkinHooks, so the wiring runs on any host.
// Destroy it before the main window: the destructor leaves the skin subject,
// takes the opener back from the window and closes the pop-up.
//
// UI thread only.

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/control.h"
#include "shell/skin_chooser.h"

class CMainWnd;

namespace shell {

struct SkinHooks {
    // Applies a stylesheet of the skin to the whole program; `sheet` is
    // relative to the skin folder. False when it cannot be read (the look
    // then stays as it was).
    std::function<bool(const std::string& sheet)> applyStyleSheet;
    // The screen position of the main window's client area.
    std::function<ui::Point()> clientOrigin;
    // The pop-up has just been shown under its anchor.
    std::function<void(CSkinFrame& chooser)> chooserShown;
};

class SkinWiring {
  public:
    SkinWiring(CMainWnd& window, std::string iniPath, SkinHooks hooks);
    ~SkinWiring();
    SkinWiring(const SkinWiring&) = delete;
    SkinWiring& operator=(const SkinWiring&) = delete;

    // Applies the stored theme's stylesheet only.
    void ApplyStoredTheme();
    // Applies the whole stored choice (the theme only when it is not in
    // effect already). Call once the main window's layout is loaded.
    SkinChoice Start();
    // What "skinbtn" does: opens the chooser under `anchor`. False when the
    // chooser's layout fails to load.
    bool OpenChooser(const ui::Control& anchor);

    // The pop-up, once it has been opened.
    CSkinFrame* Chooser() const { return m_chooser.get(); }
    // The theme whose stylesheet was last applied (empty before).
    const std::string& Theme() const { return m_theme; }

  private:
    void OnSkinChanged(const SkinChangedParam& param);
    void ApplyTheme(const std::string& theme);

    CMainWnd& m_window;
    std::string m_iniPath;
    SkinHooks m_hooks;  // before m_chooser: the hooks may watch the pop-up until it goes
    std::unique_ptr<CSkinFrame> m_chooser;
    std::string m_theme;
    int m_receiver = 0;
};

}  // namespace shell
