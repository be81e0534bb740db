#pragma once
// The Qt host's side of the skin wiring: stylesheets of the skin folder for
// the whole program (their url() references resolved against their own
// folder), the main window's client-area position on the screen, and a
// chooser pop-up without a frame that closes when the user presses anywhere
// else in the program or the desktop takes the activation away from it.
//
// UI thread only. The hooks must not outlive the host or the main window.

#include "shell/skin_wiring.h"

namespace qthost {
class QtHost;
}
namespace ui {
class Window;
}

namespace shell {

SkinHooks QtSkinHooks(qthost::QtHost& host, const ui::Window& mainWindow);

}  // namespace shell
