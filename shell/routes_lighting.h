#pragma once
// The lighting editor's routes of the main window: every lighting edit the
// user makes on the current page's editor (mode, brightness, speed,
// direction, colour cycle, palette colour, the red, green and blue edits,
// preset colours, the keyboard's zone and custom-colour lists) and the
// "deng_same_mode" click that puts every device in step.
//
// Each edit reads the page's lighting record, changes the bytes the control
// stands for and ends the same way: the page stores the record (and its
// profile document), saves the profile, applies the lighting, and sends its
// settings with the screen size. Edits of the page's own effect take it out
// of a synchronised group first; a preset colour or a keyboard list choice
// keeps it in. Without a current page, or without its lighting editor,
// nothing happens.

#include "shell/event_routes.h"

class CMainWnd;

void AddLightingRoutes(app::EventRoutes& routes, CMainWnd& window);
