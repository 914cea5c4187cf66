// A 2-D texture that keeps its image on the CPU and uploads it on first use
// with a current context, so creating one needs no OpenGL. Repeats, with
// mipmaps; the image's top row is t = 0.
#pragma once

#include <memory>
#include <string>

#include <QPointer>

#include "engine/Table.h"
#include "engine/render/Image.h"

class QOpenGLContext;

class Texture {
public:
    static std::shared_ptr<Texture> fromImage(const std::string& name, const Image& image);
    // Null, with a warning on stderr, when the file cannot be read. The name
    // is the path unless one is given.
    static std::shared_ptr<Texture> fromFile(const std::string& path, const std::string& name = "");

    explicit Texture(std::string name, Image image);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    const std::string& name() const { return name_; }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    const Image& image() const { return image_; }

    // The OpenGL name in the current context, uploading first when needed;
    // 0 without a current context or for an empty image.
    unsigned int openGLID();
    bool isUploaded() const { return id_ != 0; }

private:
    std::string name_;
    Image image_;
    unsigned int id_ = 0;
    QPointer<QOpenGLContext> context_;
};

// Name to texture, filled from the texture folder at start.
extern Table<std::string, std::shared_ptr<Texture>> textureCache;
