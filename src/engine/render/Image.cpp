// Images over QImage in three fixed byte layouts.
#include "engine/render/Image.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "engine/RegularFile.h"

namespace {

std::atomic<long long> decodeAttempts{0};

// Converts pixel by pixel on the calling thread: QImage's own conversions
// hand large images to a thread pool, which the thread sanitizer cannot follow.
QImage convert(const QImage& in, QImage::Format target) {
    if (in.isNull())
        return {};
    if (in.format() == target)
        return in;
    const int w = in.width(), h = in.height();
    QImage out(w, h, target);
    if (out.isNull())
        return {};
    const QImage::Format from = in.format();
    const bool premultiplied = in.pixelFormat().premultiplied() == QPixelFormat::Premultiplied;
    for (int y = 0; y < h; ++y) {
        const uchar* src = in.constScanLine(y);
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < w; ++x) {
            int r, g, b, a;
            if (from == QImage::Format_RGBA8888 || from == QImage::Format_RGBX8888) {
                r = src[4 * x], g = src[4 * x + 1], b = src[4 * x + 2];
                a = from == QImage::Format_RGBA8888 ? src[4 * x + 3] : 255;
            } else if (from == QImage::Format_RGB888) {
                r = src[3 * x], g = src[3 * x + 1], b = src[3 * x + 2], a = 255;
            } else if (from == QImage::Format_Grayscale8) {
                r = g = b = src[x], a = 255;
            } else if (from == QImage::Format_ARGB32 || from == QImage::Format_RGB32) {
                QRgb c = reinterpret_cast<const QRgb*>(src)[x];
                r = qRed(c), g = qGreen(c), b = qBlue(c);
                a = from == QImage::Format_ARGB32 ? qAlpha(c) : 255;
            } else {
                QRgb c = in.pixel(x, y);
                if (premultiplied)
                    c = qUnpremultiply(c);
                r = qRed(c), g = qGreen(c), b = qBlue(c), a = qAlpha(c);
            }
            switch (target) {
                case QImage::Format_Grayscale8:
                    dst[x] = uchar(qGray(r, g, b));
                    break;
                case QImage::Format_RGB888:
                    dst[3 * x] = uchar(r), dst[3 * x + 1] = uchar(g), dst[3 * x + 2] = uchar(b);
                    break;
                case QImage::Format_RGBA8888:
                    dst[4 * x] = uchar(r), dst[4 * x + 1] = uchar(g), dst[4 * x + 2] = uchar(b),
                            dst[4 * x + 3] = uchar(a);
                    break;
                case QImage::Format_ARGB32:
                    reinterpret_cast<QRgb*>(dst)[x] = qRgba(r, g, b, a);
                    break;
                case QImage::Format_RGB32:
                    reinterpret_cast<QRgb*>(dst)[x] = qRgb(r, g, b);
                    break;
                default:
                    out.setPixel(x, y, qRgba(r, g, b, a));
                    break;
            }
        }
    }
    return out;
}

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
        return convert(in, QImage::Format_RGBA8888);
    if (in.isGrayscale() && in.depth() <= 8)
        return convert(in, QImage::Format_Grayscale8);
    return convert(in, QImage::Format_RGB888);
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

long long Image::filesDecoded() {
    return decodeAttempts.load(std::memory_order_relaxed);
}

bool Image::load(const std::string& path) {
    decodeAttempts.fetch_add(1, std::memory_order_relaxed);
    std::string bytes, why;
    if (!readRegularFile(path, maxFileBytes, bytes, &why)) {
        std::fprintf(stderr, "cannot read image %s: %s\n", path.c_str(), why.c_str());
        return false;
    }
    const auto data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QImage loaded;
    // The content tells the format; the extension helps those that carry no signature.
    const std::size_t dot = path.rfind('.');
    const std::string suffix = dot == std::string::npos ? std::string() : path.substr(dot + 1);
    if (!loaded.loadFromData(data) && !loaded.loadFromData(data, suffix.c_str())) {
        std::fprintf(stderr, "cannot read image %s\n", path.c_str());
        return false;
    }
    image_ = normalised(loaded);
    return true;
}

bool Image::save(const std::string& path) const {
    // The writers take these layouts as they are, with no conversion of their own.
    QImage::Format native = channels() == 4   ? QImage::Format_ARGB32
                            : channels() == 1 ? QImage::Format_Grayscale8
                                              : QImage::Format_RGB32;
    if (image_.isNull() || !convert(image_, native).save(QString::fromStdString(path))) {
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
    out.image_ = convert(image_, QImage::Format_RGBA8888);
    return out;
}

Image Image::toRGB() const {
    Image out;
    out.image_ = convert(image_, QImage::Format_RGB888);
    return out;
}
