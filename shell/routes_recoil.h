#pragma once
// The recoil pattern editor's routes: gun and bullet choice, the direction
// checks, the three fields (each stored when left) and the reset button, on
// the current page when it is a mouse's.

#include "shell/event_routes.h"

class CMainWnd;

void AddRecoilRoutes(app::EventRoutes& routes, CMainWnd& window);
