// Font measuring (CPU only, any thread) and a label drawn where its bounds say.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <QColor>

#include <gtest/gtest.h>

#include "OffscreenGL.h"
#include "engine/render/Font.h"
#include "support/RunWithin.h"

namespace {

const char* kDejaVu = Font::DEFAULT_FONT_FILE;

std::shared_ptr<Font> dejaVu() {
    static std::shared_ptr<Font> font = Font::fromFile(kDejaVu);
    return font;
}

}  // namespace

TEST(Font, BoundsAreTheSumOfAdvancesByOneAndAHalfSize) {
    auto font = dejaVu();
    ASSERT_TRUE(font) << "DejaVu Sans (fonts-dejavu-core) is missing";
    Vector2 b = font->bounds("ABC", 0.1);
    EXPECT_FLOAT_EQ(b.y, 0.15f);
    EXPECT_NEAR(b.x, font->advance('A', 0.1) + font->advance('B', 0.1) + font->advance('C', 0.1),
                1e-6);
    // Proportional: an i is narrower than an M; twice the size is twice the width.
    EXPECT_LT(font->advance('i', 1), font->advance('M', 1));
    EXPECT_NEAR(font->bounds("ABC", 0.2).x, 2 * b.x, 1e-6);
    EXPECT_GT(b.x, 0.1f);
    EXPECT_LT(b.x, 0.3f);

    Vector2 empty = font->bounds("", 0.1);
    EXPECT_EQ(empty.x, 0);
    EXPECT_FLOAT_EQ(empty.y, 0.15f);
}

TEST(Font, TextIsReadAsUtf8WithStrayBytesAsLatin1) {
    auto font = dejaVu();
    ASSERT_TRUE(font);
    double eAcute = font->advance(0xE9, 1);
    EXPECT_GT(eAcute, 0);
    EXPECT_NEAR(font->textWidth("\xC3\xA9", 1), eAcute, 1e-9);  // é in UTF-8
    EXPECT_NEAR(font->textWidth("\xE9", 1), eAcute, 1e-9);      // é in Latin-1
    // Beyond Latin-1 measures as '?'; control characters take no room.
    EXPECT_NEAR(font->textWidth("\xE2\x82\xAC", 1), font->advance('?', 1), 1e-9);
    EXPECT_EQ(font->textWidth("\t\n", 1), 0);
}

TEST(Font, MissingOrBrokenFontFileGivesNoFont) {
    EXPECT_EQ(Font::fromFile("/nonexistent/font.ttf"), nullptr);
    EXPECT_EQ(Font::fromFile(""), nullptr);
    EXPECT_EQ(Font::fromFile(CORVIDANE_SOURCE_DIR "/CMakeLists.txt"), nullptr);
    // A FIFO would keep the window from ever appearing; /dev/zero would eat the memory.
    const std::string fifo = "/tmp/corvidane-font-fifo-" + std::to_string(::getpid());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        EXPECT_EQ(runWithin(10, [&] { return Font::fromFile(path) ? 1 : 0; }), 0) << path;
    }
    ::unlink(fifo.c_str());
}

TEST(Font, FixedAdvancesForTests) {
    std::array<float, Font::GLYPH_COUNT> advances{};
    advances.fill(0.5f);
    auto font = Font::fromAdvances(advances);
    EXPECT_FLOAT_EQ(font->bounds("abcd", 0.2).x, 0.4f);
    EXPECT_FLOAT_EQ(font->bounds("abcd", 0.2).y, 0.3f);
    // It has no glyphs to draw: drawing is a no-op, never a crash.
    font->draw3D(nullptr, "abcd", CoordinateFrame(), 0.2, Color4(0, 0, 0, 1));
}

TEST(Font, BoundsFromManyThreadsAgree) {
    auto font = dejaVu();
    ASSERT_TRUE(font);
    const double expected = font->bounds("MAPK1 signalling", 0.05).x;
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i)
                if (font->bounds("MAPK1 signalling", 0.05).x != expected)
                    ++mismatches;
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST(LabelDrawing, LabelLiesWithinItsBoundsFromTheTopLeftCorner) {
    auto font = dejaVu();
    ASSERT_TRUE(font);
    const int w = 256, h = 128;
    OffscreenGL gl(w, h);
    REQUIRE_GL(gl);
    RenderDevice* rd = gl.rd();
    rd->setColorClearValue(Color4(0, 0, 0, 1));
    rd->clear();
    gl.lookFrom(1);
    // At distance 1 the view is 2 tan(27.5 deg) high: pixels per world unit.
    double ppu = h / (2 * std::tan(Camera().fieldOfView() / 2));
    const double size = 0.12;
    const std::string text = "HELLO";
    Vector2 b = font->bounds(text, size);
    // Centred on the origin, as a node centres its label.
    CoordinateFrame frame(Vector3(-b.x / 2, b.y / 2, 0));
    font->draw3D(rd, text, frame, size, Color4(1, 1, 1, 1));
    QImage out = gl.grab();

    int minX = w, maxX = -1, minY = h, maxY = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (QColor(out.pixel(x, y)).red() > 128) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    ASSERT_GE(maxX, 0) << "nothing drawn";
    double left = w / 2 - b.x / 2 * ppu, right = w / 2 + b.x / 2 * ppu;
    double top = h / 2 - b.y / 2 * ppu, bottom = h / 2 + b.y / 2 * ppu;
    EXPECT_GE(minX, left - 1);
    EXPECT_LE(maxX, right + 1);
    EXPECT_GE(minY, top - 1);
    EXPECT_LE(maxY, bottom + 1);
    // And it fills most of that width, and a good part of the height.
    EXPECT_GT(maxX - minX, 0.8 * (right - left));
    EXPECT_GT(maxY - minY, 0.4 * (bottom - top));
}

TEST(LabelDrawing, LabelShowsOnItsFaceInItsColourAndLeavesTheStateAsItWas) {
    auto font = dejaVu();
    ASSERT_TRUE(font);
    OffscreenGL gl(128, 96);
    REQUIRE_GL(gl);
    RenderDevice* rd = gl.rd();
    rd->setColorClearValue(Color4(0, 0, 0, 1));
    rd->clear();
    gl.lookFrom(1);
    // A face in the label's own plane, drawn first, as a node's body is.
    rd->setColor(Color4(0, 0, 0, 1));
    rd->beginPrimitive(RenderDevice::QUADS);
    rd->sendVertex(-1, 1, 0);
    rd->sendVertex(-1, -1, 0);
    rd->sendVertex(1, -1, 0);
    rd->sendVertex(1, 1, 0);
    rd->endPrimitive();
    rd->setColor(Color4(0, 0, 1, 1));
    font->draw3D(rd, "WWWW", CoordinateFrame(Vector3(-0.4f, 0.2f, 0)), 0.2, Color4(1, 0, 0, 1));
    QImage out = gl.grab();
    int red = 0;
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            QColor c(out.pixel(x, y));
            if (c.red() > 200)
                ++red;
            EXPECT_EQ(c.blue(), 0);
        }
    EXPECT_GT(red, 50);
    EXPECT_EQ(rd->objectToWorldMatrix(), CoordinateFrame());
}

// Labels gathered into one draw look as each drawn on its own, and a turned
// frame turns its label (the glyphs are placed in world space by the font).
TEST(LabelDrawing, GatheredLabelsMatchSingleOnesAndFollowTheirFrames) {
    auto font = dejaVu();
    ASSERT_TRUE(font);
    OffscreenGL gl(128, 96);
    REQUIRE_GL(gl);
    RenderDevice* rd = gl.rd();
    rd->setColorClearValue(Color4(0, 0, 0, 1));
    gl.lookFrom(1);
    const CoordinateFrame flat(Vector3(-0.5f, 0.3f, 0));
    const CoordinateFrame turned(Matrix3::fromAxisAngle(Vector3(0, 0, 1), 1.5707964f),
                                 Vector3(0.3f, -0.3f, 0));

    rd->clear();
    font->draw3D(rd, "HHH", flat, 0.1, Color4(1, 0, 0, 1));
    font->draw3D(rd, "HHHHH", turned, 0.1, Color4(0, 1, 0, 1));
    const QImage single = gl.grab();

    rd->clear();
    ASSERT_TRUE(font->beginLabels(rd));
    font->label(rd, "HHH", flat, 0.1, Color4(1, 0, 0, 1));
    font->label(rd, "HHHHH", turned, 0.1, Color4(0, 1, 0, 1));
    font->endLabels(rd);
    const QImage gathered = gl.grab();
    EXPECT_EQ(gathered, single);

    // The turned label runs up the view: its green is taller than wide.
    int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
    for (int y = 0; y < single.height(); ++y)
        for (int x = 0; x < single.width(); ++x) {
            if (QColor(single.pixel(x, y)).green() < 128)
                continue;
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    ASSERT_GE(maxX, 0);
    EXPECT_GT(maxY - minY, 2 * (maxX - minX));
}

// A label under four pixels a character is left out, one above is drawn; the
// device tells where the camera shows a point and how large.
TEST(LabelDrawing, UnreadableLabelsAreLeftOut) {
    auto font = dejaVu();
    ASSERT_TRUE(font);
    OffscreenGL gl(128, 96);
    REQUIRE_GL(gl);
    RenderDevice* rd = gl.rd();
    rd->setColorClearValue(Color4(0, 0, 0, 1));
    gl.lookFrom(1);
    float x = 0, y = 0, perUnit = 0;
    ASSERT_TRUE(rd->project(Vector3(0, 0, 0), &x, &y, &perUnit));
    EXPECT_NEAR(x, 64, 0.01);
    EXPECT_NEAR(y, 48, 0.01);
    EXPECT_NEAR(perUnit, 96 / (2 * std::tan(Camera().fieldOfView() / 2)), 0.01);
    EXPECT_FALSE(rd->project(Vector3(0, 0, 2), &x, &y, &perUnit)) << "behind the camera";

    auto lit = [&](double size) {
        rd->clear();
        font->draw3D(rd, "HH", CoordinateFrame(Vector3(-0.2f, 0.1f, 0)), size, Color4(1, 1, 1, 1));
        const QImage out = gl.grab();
        int n = 0;
        for (int py = 0; py < out.height(); ++py)
            for (int px = 0; px < out.width(); ++px)
                n += QColor(out.pixel(px, py)).red() > 0 ? 1 : 0;
        return n;
    };
    EXPECT_EQ(lit(3.9 / perUnit), 0);
    EXPECT_GT(lit(4.1 / perUnit), 0);
}

// A label drawn as one quad of its cached image looks like its glyphs drawn
// one by one, at every mipmap level the cache picks; labels share one page,
// and drawing them again adds nothing.
TEST(LabelDrawing, CachedLabelsLookLikeTheirGlyphs) {
    auto font = dejaVu();
    ASSERT_TRUE(font);
    OffscreenGL gl(256, 192);
    REQUIRE_GL(gl);
    RenderDevice* rd = gl.rd();
    rd->setColorClearValue(Color4(0, 0, 0, 1));
    gl.lookFrom(1);
    auto draw = [&](bool cached) {
        Font::cacheLabels = cached;
        rd->clear();
        ASSERT_TRUE(font->beginLabels(rd));
        double size = 0.2;
        float y = 0.6f;
        for (const char* text : {"AVAWy", "Protein 1234", "\xC3\xA9t\xC3\xA9", "MAPK1", "ij"}) {
            font->label(rd, text, CoordinateFrame(Vector3(-0.7f, y, 0)), size,
                        Color4(1, 0.5f, 0, 1));
            y -= float(1.6 * size);
            size *= 0.55;
        }
        font->endLabels(rd);
        Font::cacheLabels = true;
    };
    draw(false);
    const QImage glyphs = gl.grab();
    draw(true);
    const QImage cached = gl.grab();
    ASSERT_NE(font->labelCache(), nullptr);
    const std::size_t kept = font->labelCache()->size();
    draw(true);
    EXPECT_EQ(gl.grab(), cached);
    EXPECT_EQ(font->labelCache()->size(), kept);
    EXPECT_EQ(font->labelCache()->pageCount(), 1u);

    // Glyphs sit at fractions of a texel that one image cannot all keep:
    // edges move by under half a texel, nothing more.
    long total = 0, lit = 0, litCached = 0;
    for (int y = 0; y < glyphs.height(); ++y)
        for (int x = 0; x < glyphs.width(); ++x) {
            const int a = QColor(glyphs.pixel(x, y)).red(), b = QColor(cached.pixel(x, y)).red();
            total += std::abs(a - b);
            lit += a > 0 ? 1 : 0;
            litCached += b > 0 ? 1 : 0;
        }
    ASSERT_GT(lit, 2000);
    EXPECT_LT(double(total) / double(lit), 16);
    EXPECT_NEAR(double(litCached) / double(lit), 1, 0.05);
}
