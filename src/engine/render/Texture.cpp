// Lazily uploaded textures and the global texture cache.
#include "engine/render/Texture.h"

#include <algorithm>
#include <cstdio>

#include <QCoreApplication>
#include <QOpenGLContext>

#include <GL/gl.h>

Table<std::string, std::shared_ptr<Texture>> textureCache;

namespace {

// The next mipmap level of an RGBA image: each pixel the mean of up to 2 x 2,
// colours weighted by alpha so that transparent black does not darken the edges.
QImage halved(const QImage& in) {
    const int w = in.width(), h = in.height();
    const int ow = std::max(1, w / 2), oh = std::max(1, h / 2);
    QImage out(ow, oh, QImage::Format_RGBA8888);
    for (int y = 0; y < oh; ++y) {
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < ow; ++x) {
            int sum[3] = {0, 0, 0}, alpha = 0, count = 0;
            for (int dy = 0; dy < 2; ++dy) {
                int sy = std::min(2 * y + dy, h - 1);
                const uchar* src = in.constScanLine(sy);
                for (int dx = 0; dx < 2; ++dx) {
                    int sx = std::min(2 * x + dx, w - 1);
                    const uchar* p = src + 4 * sx;
                    for (int k = 0; k < 3; ++k)
                        sum[k] += p[k] * p[3];
                    alpha += p[3];
                    ++count;
                }
            }
            for (int k = 0; k < 3; ++k)
                dst[4 * x + k] = uchar(alpha > 0 ? (sum[k] + alpha / 2) / alpha : 0);
            dst[4 * x + 3] = uchar((alpha + count / 2) / count);
        }
    }
    return out;
}

}  // namespace

Texture::Texture(std::string name, Image image)
    : name_(std::move(name)),
      image_(std::move(image)),
      width_(image_.width()),
      height_(image_.height()) {}

std::shared_ptr<Texture> Texture::alphaPage(const std::string& name, int width, int height,
                                            int levels) {
    auto page = std::make_shared<Texture>(name, Image());
    page->width_ = width;
    page->height_ = height;
    page->alphaLevels_ = std::max(1, levels);
    return page;
}

bool Texture::uploadedElsewhere() const {
    QOpenGLContext* current = QOpenGLContext::currentContext();
    return id_ != 0 &&
           !(current && context_ && QOpenGLContext::areSharing(current, context_.data()));
}

void Texture::writeAlpha(int level, int x, int y, int w, int h, std::vector<uint8_t> alpha) {
    pending_.push_back({level, x, y, w, h, std::move(alpha)});
}

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
    if (alphaLevels_ > 0)
        return current ? alphaPageID(current) : 0;
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
    QImage level = image_.toRGBA().qimage();
    opaque_ = white_ = true;
    for (int y = 0; y < level.height() && opaque_; ++y) {
        const uchar* row = level.constScanLine(y);
        for (int x = 0; x < 4 * level.width(); x += 4) {
            opaque_ = opaque_ && row[x + 3] == 255;
            white_ = white_ && opaque_ && row[x] == 255 && row[x + 1] == 255 && row[x + 2] == 255;
        }
    }
    int levelIndex = 0;
    while (true) {
        glTexImage2D(GL_TEXTURE_2D, levelIndex, GL_RGBA, level.width(), level.height(), 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, level.constBits());
        if (level.width() == 1 && level.height() == 1)
            break;
        level = halved(level);
        ++levelIndex;
    }
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    id_ = id;
    context_ = current;
    return id_;
}

unsigned int Texture::alphaPageID(QOpenGLContext* current) {
    const bool fresh =
        !(id_ != 0 && context_ && QOpenGLContext::areSharing(current, context_.data()));
    if (!fresh && pending_.empty())
        return id_;
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    if (fresh) {
        GLuint id = 0;
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, alphaLevels_ - 1);
        // Blank, so that what no label covers never shows.
        const std::vector<uint8_t> blank(std::size_t(width_) * std::size_t(height_), 0);
        for (int level = 0; level < alphaLevels_; ++level)
            glTexImage2D(GL_TEXTURE_2D, level, GL_ALPHA8, std::max(1, width_ >> level),
                         std::max(1, height_ >> level), 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                         blank.data());
        id_ = id;
        context_ = current;
    } else {
        glBindTexture(GL_TEXTURE_2D, id_);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const Block& b : pending_)
        glTexSubImage2D(GL_TEXTURE_2D, b.level, b.x, b.y, b.w, b.h, GL_ALPHA, GL_UNSIGNED_BYTE,
                        b.alpha.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    pending_.clear();
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    return id_;
}
