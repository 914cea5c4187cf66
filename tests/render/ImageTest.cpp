// Images: channel layouts, bounds-checked pixel access, cut-outs, files.
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "support/RunWithin.h"

namespace {

std::filesystem::path scratchDir() {
    auto dir =
        std::filesystem::temp_directory_path() / ("corvidane-render-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace

TEST(Image, ChannelsAndPixelsOfEachLayout) {
    Image rgb(4, 3, 3), rgba(4, 3, 4), grey(4, 3, 1);
    EXPECT_EQ(rgb.channels(), 3);
    EXPECT_EQ(rgba.channels(), 4);
    EXPECT_EQ(grey.channels(), 1);
    EXPECT_FALSE(rgb.hasAlpha());
    EXPECT_TRUE(rgba.hasAlpha());
    EXPECT_EQ(rgb.width(), 4);
    EXPECT_EQ(rgb.height(), 3);
    EXPECT_EQ(rgba.pixel(1, 1), (Color4uint8{0, 0, 0, 255}));

    rgb.setPixel(3, 2, {10, 20, 30, 40});
    EXPECT_EQ(rgb.pixel(3, 2), (Color4uint8{10, 20, 30, 255}));  // no alpha to keep
    rgba.setPixel(3, 2, {10, 20, 30, 40});
    EXPECT_EQ(rgba.pixel(3, 2), (Color4uint8{10, 20, 30, 40}));
    rgba.setAlpha(3, 2, 99);
    EXPECT_EQ(rgba.alpha(3, 2), 99);
    grey.setPixel(0, 0, {77, 1, 2, 3});
    EXPECT_EQ(grey.pixel(0, 0), (Color4uint8{77, 77, 77, 255}));
}

TEST(Image, OutsideReadsBlackAndIgnoresWrites) {
    Image image(2, 2, 4);
    image.setPixel(-1, 0, {255, 255, 255, 255});
    image.setPixel(2, 0, {255, 255, 255, 255});
    image.setPixel(0, 2, {255, 255, 255, 255});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(image.pixel(x, y), (Color4uint8{0, 0, 0, 255}));
    EXPECT_EQ(image.pixel(5, 5), (Color4uint8{0, 0, 0, 255}));
    EXPECT_EQ(Image().pixel(0, 0), (Color4uint8{0, 0, 0, 255}));
    EXPECT_TRUE(Image().isNull());
    EXPECT_TRUE(Image(0, 5, 3).isNull());
}

TEST(Image, SubImageIsClippedAndToRGBAKeepsColours) {
    Image image(5, 4, 3);
    image.setPixel(2, 1, {1, 2, 3, 255});
    Image part = image.subImage(2, 1, 2, 2);
    EXPECT_EQ(part.width(), 2);
    EXPECT_EQ(part.height(), 2);
    EXPECT_EQ(part.pixel(0, 0), (Color4uint8{1, 2, 3, 255}));
    Image clipped = image.subImage(4, 3, 10, 10);
    EXPECT_EQ(clipped.width(), 1);
    EXPECT_EQ(clipped.height(), 1);
    EXPECT_TRUE(image.subImage(7, 7, 2, 2).isNull());

    Image rgba = part.toRGBA();
    EXPECT_EQ(rgba.channels(), 4);
    EXPECT_EQ(rgba.pixel(0, 0), (Color4uint8{1, 2, 3, 255}));
    rgba.setAlpha(0, 0, 0);
    EXPECT_EQ(rgba.pixel(0, 0).a, 0);
    EXPECT_EQ(part.pixel(0, 0).a, 255);  // a copy, not a view
}

TEST(Image, SavesAndLoadsByExtension) {
    auto dir = scratchDir();
    Image image(3, 2, 4);
    image.setPixel(0, 0, {200, 100, 50, 128});
    image.setPixel(2, 1, {0, 255, 0, 255});
    std::string png = (dir / "a.png").string();
    ASSERT_TRUE(image.save(png));
    Image back;
    ASSERT_TRUE(back.load(png));
    EXPECT_EQ(back.channels(), 4);
    EXPECT_EQ(back.pixel(0, 0), (Color4uint8{200, 100, 50, 128}));
    EXPECT_EQ(back.pixel(2, 1), (Color4uint8{0, 255, 0, 255}));

    std::string bmp = (dir / "a.bmp").string();
    ASSERT_TRUE(image.toRGB().save(bmp));
    bool ok = false;
    Image fromBmp = Image::fromFile(bmp, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(fromBmp.channels(), 3);
    EXPECT_EQ(fromBmp.pixel(2, 1), (Color4uint8{0, 255, 0, 255}));

    Image missing;
    EXPECT_FALSE(missing.load((dir / "none.png").string()));
    EXPECT_TRUE(missing.isNull());
    EXPECT_FALSE(Image().save((dir / "empty.png").string()));
    EXPECT_FALSE(image.save((dir / "no-such-dir" / "a.png").string()));
    std::filesystem::remove_all(dir);
}

TEST(Texture, IsMadeWithoutOpenGLAndKeepsItsImage) {
    Image image(8, 4, 3);
    image.setPixel(7, 3, {9, 8, 7, 255});
    auto texture = Texture::fromImage("shape", image);
    EXPECT_EQ(texture->name(), "shape");
    EXPECT_EQ(texture->width(), 8);
    EXPECT_EQ(texture->height(), 4);
    EXPECT_EQ(texture->image().pixel(7, 3), (Color4uint8{9, 8, 7, 255}));
    // No context is current here: nothing is uploaded.
    EXPECT_EQ(texture->openGLID(), 0u);
    EXPECT_FALSE(texture->isUploaded());

    EXPECT_EQ(Texture::fromFile("/nonexistent/picture.png"), nullptr);
}

TEST(Texture, CacheHoldsSharedTexturesByName) {
    auto a = Texture::fromImage("a", Image(1, 1, 3));
    textureCache["roundcont-test"] = a;
    textureCache["rectcont-test"] = Texture::fromImage("b", Image(1, 1, 3));
    ASSERT_TRUE(textureCache.count("roundcont-test"));
    EXPECT_EQ(textureCache["roundcont-test"], a);
    textureCache["roundcont-test"] = Texture::fromImage("c", Image(1, 1, 3));
    EXPECT_EQ(textureCache["roundcont-test"]->name(), "c");
    EXPECT_EQ(a.use_count(), 1);
    textureCache.erase("roundcont-test");
    textureCache.erase("rectcont-test");
}

TEST(Texture, ShippedShapeTexturesLoad) {
    const std::string dir = CORVIDANE_SOURCE_DIR "/resources/textures/";
    for (const char* name : {"default", "ovalglow", "rectcont", "roundcont", "empty", "pathway"}) {
        auto texture = Texture::fromFile(dir + name + ".png", name);
        ASSERT_TRUE(texture) << name;
        EXPECT_EQ(texture->name(), name);
        EXPECT_GT(texture->width(), 0);
    }
    // Shapes are cut out by their alpha; the plain ones are opaque.
    auto oval = Texture::fromFile(dir + "ovalglow.png");
    ASSERT_TRUE(oval);
    EXPECT_EQ(oval->image().pixel(0, 0).a, 0);
    EXPECT_EQ(oval->image().pixel(oval->width() / 2, oval->height() / 2).a, 255);
    EXPECT_FALSE(Texture::fromFile(dir + "empty.png")->image().hasAlpha());
}

TEST(Image, TakesQImagesOfOtherFormats) {
    QImage argb(2, 1, QImage::Format_ARGB32);
    argb.setPixel(0, 0, qRgba(10, 20, 30, 40));
    argb.setPixel(1, 0, qRgba(200, 100, 50, 255));
    Image a(argb);
    EXPECT_EQ(a.channels(), 4);
    EXPECT_EQ(a.pixel(0, 0), (Color4uint8{10, 20, 30, 40}));
    EXPECT_EQ(a.pixel(1, 0), (Color4uint8{200, 100, 50, 255}));

    QImage premultiplied(1, 1, QImage::Format_ARGB32_Premultiplied);
    premultiplied.setPixel(0, 0, qRgba(100, 50, 0, 128));  // stored as given: premultiplied
    Image p(premultiplied);
    EXPECT_EQ(p.pixel(0, 0).a, 128);
    EXPECT_NEAR(p.pixel(0, 0).r, 199, 1);

    QImage rgb32(1, 1, QImage::Format_RGB32);
    rgb32.setPixel(0, 0, qRgb(1, 2, 3));
    Image r(rgb32);
    EXPECT_EQ(r.channels(), 3);
    EXPECT_EQ(r.pixel(0, 0), (Color4uint8{1, 2, 3, 255}));

    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(7, 8, 9), qRgba(1, 2, 3, 0)});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    Image i(indexed);
    EXPECT_EQ(i.channels(), 4);
    EXPECT_EQ(i.pixel(0, 0), (Color4uint8{7, 8, 9, 255}));
    EXPECT_EQ(i.pixel(1, 0).a, 0);
}

// A FIFO would block the read for good and /dev/zero never end.
TEST(Image, OnlyBoundedRegularFilesAreRead) {
    auto dir = scratchDir();
    const std::string fifo = (dir / "picture.png").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = (dir / "huge.png").string();
    std::ofstream{huge};
    std::filesystem::resize_file(huge, Image::maxFileBytes + 1);
    for (const std::string& path : {fifo, std::string("/dev/zero"), huge}) {
        EXPECT_EQ(runWithin(10, [&] { return Image().load(path) ? 1 : 0; }), 0) << path;
    }
    std::filesystem::remove_all(dir);
}
