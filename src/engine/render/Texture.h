// A 2-D texture that keeps its image on the CPU and uploads it on first use
// with a current context, so creating one needs no OpenGL. Repeats, with
// mipmaps; the image's top row is t = 0.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

    // An alpha-only texture of `levels` mipmap levels, filled piece by piece
    // through writeAlpha and kept only on the GPU: a new context gets it blank.
    static std::shared_ptr<Texture> alphaPage(const std::string& name, int width, int height,
                                              int levels);

    explicit Texture(std::string name, Image image);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    const std::string& name() const { return name_; }
    int width() const { return width_; }
    int height() const { return height_; }
    const Image& image() const { return image_; }

    // The OpenGL name in the current context, uploading first when needed;
    // 0 without a current context or for an empty image.
    unsigned int openGLID();
    bool isUploaded() const { return id_ != 0; }
    // Every texel of every level has alpha 1, or is opaque white (which
    // leaves a modulated colour as it is); known once uploaded.
    bool opaque() const { return opaque_; }
    bool white() const { return white_; }
    // Uploaded, but to a context the current one does not share: what an
    // alpha page held is not there.
    bool uploadedElsewhere() const;

    // Queues w x h alpha bytes for the block at (x, y) of a level of an alpha
    // page; sent at the next openGLID.
    void writeAlpha(int level, int x, int y, int w, int h, std::vector<uint8_t> alpha);

private:
    unsigned int alphaPageID(QOpenGLContext* current);

    std::string name_;
    Image image_;
    int width_ = 0;
    int height_ = 0;
    // Mipmap levels of an alpha page; 0 for a texture made from an image.
    int alphaLevels_ = 0;
    struct Block {
        int level, x, y, w, h;
        std::vector<uint8_t> alpha;
    };
    std::vector<Block> pending_;
    bool opaque_ = false;
    bool white_ = false;
    unsigned int id_ = 0;
    QPointer<QOpenGLContext> context_;
};

// Name to texture, filled from the texture folder at start.
extern Table<std::string, std::shared_ptr<Texture>> textureCache;
