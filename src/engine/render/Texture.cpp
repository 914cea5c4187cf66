// Lazily uploaded textures and the global texture cache.
#include "engine/render/Texture.h"

#include <algorithm>
#include <cstdio>

#include <QCoreApplication>
#include <QOpenGLContext>

#include <GL/gl.h>

Table<std::string, std::shared_ptr<Texture>> textureCache;

Texture::Texture(std::string name, Image image)
    : name_(std::move(name)), image_(std::move(image)) {}

std::shared_ptr<Texture> Texture::fromImage(const std::string& name, const Image& image) {
    return std::make_shared<Texture>(name, image);
}

std::shared_ptr<Texture> Texture::fromFile(const std::string& path, const std::string& name) {
    Image image;
    if (!image.load(path))
        return nullptr;
    return std::make_shared<Texture>(name.empty() ? path : name, std::move(image));
}

Texture::~Texture() {
    // The name belongs to the context it was made in; without that context
    // current it cannot be freed here and goes with the context instead.
    // Textures of the global cache die after the application: ask Qt nothing then.
    if (id_ == 0 || !context_ || !QCoreApplication::instance())
        return;
    QOpenGLContext* current = QOpenGLContext::currentContext();
    if (current && QOpenGLContext::areSharing(current, context_.data())) {
        GLuint id = id_;
        glDeleteTextures(1, &id);
    }
}

unsigned int Texture::openGLID() {
    QOpenGLContext* current = QOpenGLContext::currentContext();
    if (!current || image_.isNull())
        return 0;
    if (id_ != 0 && context_ && QOpenGLContext::areSharing(current, context_.data()))
        return id_;

    // First use, or the context that held the upload is gone: upload again.
    // Leave the unit's binding as it was: the render device mirrors it.
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);

    // Rows go up in order, so the image's top row lands at t = 0.
    QImage level = image_.qimage().convertToFormat(QImage::Format_RGBA8888);
    int levelIndex = 0;
    while (true) {
        glTexImage2D(GL_TEXTURE_2D, levelIndex, GL_RGBA, level.width(), level.height(), 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, level.constBits());
        if (level.width() == 1 && level.height() == 1)
            break;
        level = level.scaled(std::max(1, level.width() / 2), std::max(1, level.height() / 2),
                             Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        ++levelIndex;
    }
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    id_ = id;
    context_ = current;
    return id_;
}
