#include "ui/QGWindow.h"

#include <algorithm>

#include <QOpenGLContext>

#include "ui/RenderWindow.h"

QSurfaceFormat QGWindow::formatFor(const Settings& settings) {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    // The render device draws in immediate mode: never a core profile.
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(settings.alphaBits > 0 ? settings.alphaBits : 0);
    format.setDepthBufferSize(settings.depthBits > 0 ? settings.depthBits : 0);
    format.setStencilBufferSize(settings.stencilBits > 0 ? settings.stencilBits : 0);
    format.setStereo(settings.stereo);
    return format;
}

QGWindow::QGWindow(const Settings& settings, QWidget* parent)
    : widget_(new RenderWindow(formatFor(settings), parent)) {
    widget_->resize(settings.width, settings.height);
}

void QGWindow::getSettings(Settings& settings) const {
    const QSurfaceFormat format = widget_->format();
    settings.alphaBits = std::max(format.alphaBufferSize(), 0);
    settings.depthBits = std::max(format.depthBufferSize(), 0);
    settings.stencilBits = std::max(format.stencilBufferSize(), 0);
    settings.fsaaSamples = std::max(format.samples(), 1);
    settings.stereo = format.stereo();
}

int QGWindow::width() const {
    return widget_->width();
}

int QGWindow::height() const {
    return widget_->height();
}

Rect2D QGWindow::dimensions() const {
    return Rect2D::xywh(0, 0, static_cast<float>(width()), static_cast<float>(height()));
}

void QGWindow::setDimensions(const Rect2D& rectangle) {
    widget_->setGeometry(static_cast<int>(rectangle.x0()), static_cast<int>(rectangle.y0()),
                         static_cast<int>(rectangle.width()), static_cast<int>(rectangle.height()));
}

void QGWindow::setPosition(int x, int y) {
    widget_->move(x, y);
}

void QGWindow::setInputCapture(bool capture) {
    if (capture) {
        widget_->grabKeyboard();
    } else {
        widget_->releaseKeyboard();
    }
}

void QGWindow::setMouseVisible(bool visible) {
    if (visible) {
        widget_->unsetCursor();
    } else {
        widget_->setCursor(Qt::BlankCursor);
    }
}

bool QGWindow::makeCurrent() {
    if (!widget_->context())
        return false;
    widget_->makeCurrent();
    return QOpenGLContext::currentContext() == widget_->context();
}

void QGWindow::doneCurrent() {
    widget_->doneCurrent();
}
