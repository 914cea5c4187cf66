#include "ui/RenderWindow.h"

#include <cstdio>

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSurfaceFormat>

#include "app/App.h"
#include "engine/render/RenderDevice.h"

namespace {
QSurfaceFormat viewFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setAlphaBufferSize(8);
    return format;
}
}  // namespace

RenderWindow::RenderWindow(QWidget* parent) : QOpenGLWidget(parent) {
    setFormat(viewFormat());
}

RenderWindow::~RenderWindow() {
    makeCurrent();
    if (app_ && app_->renderDevice == renderDevice_.get()) app_->renderDevice = nullptr;
    renderDevice_.reset();
    doneCurrent();
}

void RenderWindow::initializeGL() {
    renderDevice_ = std::make_unique<RenderDevice>();
    renderDevice_->init();
}

void RenderWindow::paintGL() {
    std::lock_guard<std::mutex> lock(paintMutex_);
    auto* gl = context()->functions();
    if (!app_) {
        gl->glClearColor(0, 0, 0, 0);
        gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return;
    }
    std::fputs("paintGL\n", stdout);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    renderDevice_->beginFrame();
    const qreal ratio = devicePixelRatioF();
    renderDevice_->setViewport(0, 0, static_cast<int>(width() * ratio),
                               static_cast<int>(height() * ratio));
    app_->renderDevice = renderDevice_.get();
    app_->doGraphics();
}
