#pragma once
// The headset page's routes: the voice editor (equaliser presets and bands,
// custom presets, microphone and monitoring) and the voice-effect editor.
// Each reaches the current page when it is a headset.

#include "shell/event_routes.h"

class CMainWnd;

void AddHeadsetRoutes(app::EventRoutes& routes, CMainWnd& window);
