// The 3D view: an OpenGL widget (compatibility profile, its own framebuffer
// object) that draws the scene through App::doGraphics and hands mouse, wheel
// and keys to the scene core.
#pragma once

#include <memory>
#include <mutex>

#include <QOpenGLWidget>

class App;
class RenderDevice;

class RenderWindow : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit RenderWindow(QWidget* parent = nullptr);
    ~RenderWindow() override;

    void setApp(App* app) { app_ = app; }
    App* app() const { return app_; }
    // Null until the context exists (initializeGL).
    RenderDevice* renderDevice() const { return renderDevice_.get(); }

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    App* app_ = nullptr;
    std::unique_ptr<RenderDevice> renderDevice_;
    // Outermost lock of a frame: paint mutex, then App, then layouter.
    std::mutex paintMutex_;
};
