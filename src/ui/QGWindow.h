// The window the render device draws on: creates the 3D view with the
// surface format the settings ask for and answers what the device needs of a
// window (size, format, making its context current). Qt's event loop stays
// the only main loop. The adapter observes the widget; the widget belongs to
// the Qt parent given to the constructor.
#pragma once

#include <QSurfaceFormat>

#include "engine/Rect2D.h"

class QWidget;
class RenderWindow;

class QGWindow {
public:
    struct Settings {
        int width = 960;
        int height = 600;
        int alphaBits = 8;
        int depthBits = 24;
        int stencilBits = 8;
        int fsaaSamples = 1;
        bool stereo = false;
    };

    // The compatibility-profile, double-buffered RGBA format for `settings`.
    static QSurfaceFormat formatFor(const Settings& settings);

    QGWindow(const Settings& settings, QWidget* parent);
    virtual ~QGWindow() = default;
    QGWindow(const QGWindow&) = delete;
    QGWindow& operator=(const QGWindow&) = delete;

    RenderWindow* widget() const { return widget_; }

    // Writes the depth, alpha and stencil bits, the sample count and stereo of
    // the format in use (the one obtained once the context exists); other
    // fields stay as they were.
    void getSettings(Settings& settings) const;

    int width() const;
    int height() const;
    Rect2D dimensions() const;
    // Left, top, width and height, each truncated to whole pixels.
    void setDimensions(const Rect2D& rectangle);
    void setPosition(int x, int y);

    // Keyboard grabbed or released.
    void setInputCapture(bool capture);
    // A hidden mouse blanks the cursor over the view; the view stays visible.
    void setMouseVisible(bool visible);

    // Makes the view's context current (false before the context exists).
    bool makeCurrent();
    void doneCurrent();

private:
    RenderWindow* widget_;
};
