// What a page of the tab panel is built with: the scene core it works on, the
// dialogs it asks through and the window's services (repaints, animation
// timers, progress). The window makes one for all its pages, tests make one
// over a scripted window: a page never needs the main window itself, and
// anything else it has to tell the window goes up as a signal.
#pragma once

#include "model/WindowServices.h"

class App;
class Dialogs;

struct PageContext {
    App& app;
    Dialogs& dialogs;
    WindowServices& window;

    void requestRepaint() const { window.requestRepaint(); }
};
