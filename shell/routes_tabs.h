#pragma once
// The function tabs of every page's profile list ("deng_Op_tab" 1,
// "key_Op_tab" 2, "macro_Op_tab" 3, "system_Op_tab" 4, "cursor_Op_tab" 5,
// "6533_voice_Op_tab" 6, "magic_Op_tab" 7): the current page shows that
// function, and the profile list shows the chosen tab as the only selected one.

#include "shell/event_routes.h"

class CMainWnd;

void AddFunctionTabRoutes(app::EventRoutes& routes, CMainWnd& window);
