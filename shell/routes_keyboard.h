#pragma once
// The keyboard page's routes: the key repeat delay, rate and the field to try
// them in (applied to the desktop, not sent), the three key lock flags (sent in
// the keyboard's settings record), the custom colour buttons, and a key
// button's click on the lighting tab, which paints that key in custom mode.
// The report-rate options share one route with the mouse page (routes_mouse).

#include "shell/event_routes.h"

class CMainWnd;
class CVeldmarkUSBDevice;

void AddKeyboardRoutes(app::EventRoutes& routes, CMainWnd& window);

namespace app {
// A key button clicked on the lighting tab of a keyboard page: paints that
// key with the lighting colour (custom mode only). Other pages: nothing.
void PaintKeyboardKey(CVeldmarkUSBDevice& page, int index);
}  // namespace app
