// CPU images with 1, 3 or 4 byte channels, loaded and saved through QImage
// (the format follows the file's extension). Row 0 is the top row.
#pragma once

#include <cstdint>
#include <string>

#include <QImage>

struct Color4uint8 {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Color4uint8&) const = default;
};

class Image {
public:
    Image() = default;
    // A black image (alpha 255) of 1, 3 or 4 channels; other counts give 4.
    Image(int width, int height, int channels);
    // Takes a copy converted to 1, 3 or 4 channels, keeping alpha when present.
    explicit Image(const QImage& image);

    // Largest picture file read: far beyond any background, short of what a
    // mistaken name (a disk image, a device) would cost.
    static constexpr long long maxFileBytes = 256LL << 20;

    // Only a regular file of at most maxFileBytes is read.
    static Image fromFile(const std::string& path, bool* ok = nullptr);
    [[nodiscard]] bool load(const std::string& path);
    [[nodiscard]] bool save(const std::string& path) const;
    // How many files this process has tried to decode: what tests and
    // benchmarks count to tell a decode saved from one repeated.
    static long long filesDecoded();

    bool isNull() const { return image_.isNull(); }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    int channels() const;
    bool hasAlpha() const { return channels() == 4; }

    // Pixels outside the image read as opaque black and ignore writes.
    // A 1-channel pixel reads as grey; writing it stores r.
    Color4uint8 pixel(int x, int y) const;
    void setPixel(int x, int y, const Color4uint8& color);
    std::uint8_t alpha(int x, int y) const { return pixel(x, y).a; }
    void setAlpha(int x, int y, std::uint8_t a);

    // The part clipped to the image; empty when nothing of it lies inside.
    Image subImage(int x, int y, int width, int height) const;
    Image toRGBA() const;
    Image toRGB() const;

    const QImage& qimage() const { return image_; }

private:
    QImage image_;
};
