// Images over QImage in three fixed byte layouts.
#include "engine/render/Image.h"

#include <algorithm>
#include <cstdio>

namespace {

QImage normalised(const QImage& in) {
    if (in.isNull())
        return {};
    switch (in.format()) {
        case QImage::Format_Grayscale8:
        case QImage::Format_RGB888:
        case QImage::Format_RGBA8888:
            return in;
        default:
            break;
    }
    if (in.hasAlphaChannel())
        return in.convertToFormat(QImage::Format_RGBA8888);
    if (in.isGrayscale() && in.depth() <= 8)
        return in.convertToFormat(QImage::Format_Grayscale8);
    return in.convertToFormat(QImage::Format_RGB888);
}

}  // namespace

Image::Image(int width, int height, int channels) {
    QImage::Format format = channels == 1   ? QImage::Format_Grayscale8
                            : channels == 3 ? QImage::Format_RGB888
                                            : QImage::Format_RGBA8888;
    if (width <= 0 || height <= 0)
        return;
    image_ = QImage(width, height, format);
    if (format == QImage::Format_RGBA8888)
        image_.fill(QColor(0, 0, 0, 255));
    else
        image_.fill(0);
}

Image::Image(const QImage& image) : image_(normalised(image)) {}

Image Image::fromFile(const std::string& path, bool* ok) {
    Image image;
    bool loaded = image.load(path);
    if (ok)
        *ok = loaded;
    return image;
}

bool Image::load(const std::string& path) {
    QImage loaded;
    if (!loaded.load(QString::fromStdString(path))) {
        std::fprintf(stderr, "cannot read image %s\n", path.c_str());
        return false;
    }
    image_ = normalised(loaded);
    return true;
}

bool Image::save(const std::string& path) const {
    if (image_.isNull() || !image_.save(QString::fromStdString(path))) {
        std::fprintf(stderr, "cannot write image %s\n", path.c_str());
        return false;
    }
    return true;
}

int Image::channels() const {
    switch (image_.format()) {
        case QImage::Format_Grayscale8:
            return 1;
        case QImage::Format_RGB888:
            return 3;
        case QImage::Format_RGBA8888:
            return 4;
        default:
            return 0;
    }
}

Color4uint8 Image::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return {};
    const uchar* p = image_.constScanLine(y);
    switch (channels()) {
        case 1:
            return {p[x], p[x], p[x], 255};
        case 3:
            return {p[3 * x], p[3 * x + 1], p[3 * x + 2], 255};
        case 4:
            return {p[4 * x], p[4 * x + 1], p[4 * x + 2], p[4 * x + 3]};
        default:
            return {};
    }
}

void Image::setPixel(int x, int y, const Color4uint8& c) {
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return;
    uchar* p = image_.scanLine(y);
    switch (channels()) {
        case 1:
            p[x] = c.r;
            break;
        case 3:
            p[3 * x] = c.r, p[3 * x + 1] = c.g, p[3 * x + 2] = c.b;
            break;
        case 4:
            p[4 * x] = c.r, p[4 * x + 1] = c.g, p[4 * x + 2] = c.b, p[4 * x + 3] = c.a;
            break;
        default:
            break;
    }
}

void Image::setAlpha(int x, int y, std::uint8_t a) {
    if (channels() != 4)
        return;
    Color4uint8 c = pixel(x, y);
    c.a = a;
    setPixel(x, y, c);
}

Image Image::subImage(int x, int y, int w, int h) const {
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + w, width()), y1 = std::min(y + h, height());
    if (x1 <= x0 || y1 <= y0)
        return {};
    Image out;
    out.image_ = image_.copy(x0, y0, x1 - x0, y1 - y0);
    return out;
}

Image Image::toRGBA() const {
    Image out;
    if (!image_.isNull())
        out.image_ = image_.convertToFormat(QImage::Format_RGBA8888);
    return out;
}

Image Image::toRGB() const {
    Image out;
    if (!image_.isNull())
        out.image_ = image_.convertToFormat(QImage::Format_RGB888);
    return out;
}
