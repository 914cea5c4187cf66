// An offscreen compatibility-profile context with a framebuffer object (colour,
// depth, stencil) and pixel readback for the drawing tests.
#pragma once

#include <cmath>
#include <cstdlib>
#include <memory>

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>

#include <GL/gl.h>

#include <gtest/gtest.h>

#include "engine/render/Camera.h"
#include "engine/render/RenderDevice.h"

class OffscreenGL {
public:
    OffscreenGL(int width, int height) : width_(width), height_(height) {
        QSurfaceFormat format;
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        format.setVersion(2, 1);
        format.setDepthBufferSize(24);
        format.setStencilBufferSize(8);
        surface_.setFormat(format);
        surface_.create();
        context_.setFormat(format);
        if (!context_.create() || !context_.makeCurrent(&surface_))
            return;
        QOpenGLFramebufferObjectFormat fboFormat;
        fboFormat.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
        fbo_ = std::make_unique<QOpenGLFramebufferObject>(width, height, fboFormat);
        if (!fbo_->isValid() || !fbo_->bind()) {
            fbo_.reset();
            return;
        }
        rd_.init();
        rd_.setViewport(0, 0, width, height);
    }

    ~OffscreenGL() {
        if (fbo_) {
            fbo_->release();
            fbo_.reset();
        }
        context_.doneCurrent();
    }

    bool ok() const { return fbo_ != nullptr; }
    RenderDevice* rd() { return &rd_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // The framebuffer's bytes as they are (alpha left out), rows from the top.
    QImage grab() {
        QImage image(width_, height_, QImage::Format_RGBX8888);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        // OpenGL's rows run bottom-up.
        for (int y = 0; y < height_; ++y)
            glReadPixels(0, height_ - 1 - y, width_, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                         image.scanLine(y));
        for (int y = 0; y < height_; ++y) {
            uchar* row = image.scanLine(y);
            for (int x = 0; x < width_; ++x)
                row[4 * x + 3] = 255;
        }
        return image;
    }

    // Camera at (0, 0, distance) looking at the origin, taken by the device.
    Camera lookFrom(float distance) {
        Camera camera;
        camera.setPosition(Vector3(0, 0, distance));
        camera.lookAt(Vector3(0, 0, 0));
        rd_.setProjectionAndCameraMatrix(camera);
        return camera;
    }

private:
    int width_, height_;
    QOffscreenSurface surface_;
    QOpenGLContext context_;
    std::unique_ptr<QOpenGLFramebufferObject> fbo_;
    RenderDevice rd_;
};

// Skips without an X display; with one, a context that cannot be made fails.
#define REQUIRE_GL(gl)                                           \
    do {                                                         \
        if (!std::getenv("DISPLAY"))                             \
            GTEST_SKIP() << "no X display for OpenGL";           \
        ASSERT_TRUE((gl).ok()) << "no offscreen OpenGL context"; \
    } while (0)
