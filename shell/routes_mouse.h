#pragma once
// The mouse page's routes: sensitivity stages (checks, sliders while dragged
// and when let go, fields when left), the mirrored sensitivity pair, the
// sub-page options, the five desktop pointer settings, and the restore
// button; plus the one route of the report-rate options, which asks the
// current page (mouse or keyboard) what its option means.

#include "shell/event_routes.h"

class CMainWnd;

void AddMouseRoutes(app::EventRoutes& routes, CMainWnd& window);
