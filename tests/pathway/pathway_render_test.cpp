// Drawing the pathway in an offscreen context: the background picture the
// right way up and unhidden, highlight lines only around selected proteins.
#include <gtest/gtest.h>

#include <memory>

#include <QImage>

#include "engine/render/Font.h"
#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "render/OffscreenGL.h"
#include "scene/EdgeEntity.h"

namespace {

constexpr int kW = 200;
constexpr int kH = 200;
constexpr float kDistance = 3.0f;

bool pureRed(const QColor& c) {
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

int countPureRed(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += pureRed(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return n;
}

// Red top half, blue bottom half.
std::shared_ptr<Texture> redOverBlue(std::uint8_t alpha = 255) {
    Image picture(8, 8, 4);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            picture.setPixel(x, y,
                             y < 4 ? Color4uint8{255, 0, 0, alpha} : Color4uint8{0, 0, 255, alpha});
        }
    }
    return Texture::fromImage("background", picture);
}

class PathwayRendering : public ::testing::Test {
protected:
    void SetUp() override {
        gl = std::make_unique<OffscreenGL>(kW, kH);
        REQUIRE_GL(*gl);
        gl->lookFrom(kDistance);
        gl->rd()->setColorClearValue(Color4(0, 0, 0, 1));
        NodeEntity::frameClipCount = 0;
        // A 2 x 2 pathway centred on the origin, seen straight on.
        pathway = std::make_unique<PathwayLayoutEntity>(Vector3(-1, 1, 0), "pathway",
                                                        Vector3(2, 2, 0.01f), Color4(1, 1, 1, 1));
        pathway->setBackgroundTexture(nullptr);
    }

    // Two proteins joined by an interaction, both in the node table.
    void addPair() {
        ProteinGraph& g = pathway->graph();
        g.addEdge("A", "B");
        a = pathway->createNode(CoordinateFrame(Vector3(0.4f, -1.0f, 0.001f)), "A", true);
        b = pathway->createNode(CoordinateFrame(Vector3(1.6f, -1.0f, 0.001f)), "B", true);
        pathway->registerNode("A", a);
        pathway->registerNode("B", b);
    }

    // A large and a small labelled protein joined by an interaction, the
    // large one up left of the centre, the small one down right.
    void addLabelledPair() {
        pathway->setFont(Font::fromFile(Font::DEFAULT_FONT_FILE));
        pathway->style().largeProteinSize = pathway->style().smallProteinSize =
            Vector3(0.3f, 0.15f, 0.001f);
        a = pathway->createNode(CoordinateFrame(Vector3(0.5f, -0.5f, 0)), "LL", true);
        b = pathway->createNode(CoordinateFrame(Vector3(1.5f, -1.5f, 0)), "SS", false);
        pathway->createEdge(a, b, false);
        pathway->setEdgesVisible(true);
    }

    QImage draw() {
        gl->rd()->clear();
        pathway->renderPathway(gl->rd(), true);
        return gl->grab();
    }

    std::unique_ptr<OffscreenGL> gl;
    std::unique_ptr<PathwayLayoutEntity> pathway;
    NodeEntity* a = nullptr;
    NodeEntity* b = nullptr;
};

}  // namespace

TEST_F(PathwayRendering, BackgroundIsUprightAndNotHiddenByTheBody) {
    pathway->setBackgroundTexture(redOverBlue());
    const QImage image = draw();
    const QColor top = image.pixelColor(kW / 2, kH / 2 - 15);
    const QColor bottom = image.pixelColor(kW / 2, kH / 2 + 15);
    EXPECT_GT(top.red(), 200);
    EXPECT_LT(top.blue(), 60);
    EXPECT_GT(bottom.blue(), 200);
    EXPECT_LT(bottom.red(), 60);
}

TEST_F(PathwayRendering, HighlightsOnlyAroundSelectedProteins) {
    addPair();
    EXPECT_EQ(countPureRed(draw()), 0) << "nothing selected, nothing highlighted";

    pathway->addSelectedNodeId("A");
    pathway->setNoProteins(true);
    const QImage lined = draw();
    // The line runs between the two proteins, through the middle of the view.
    EXPECT_GT(countPureRed(lined), 20);
    EXPECT_TRUE(pureRed(lined.pixelColor(kW / 2, kH / 2)) ||
                pureRed(lined.pixelColor(kW / 2, kH / 2 + 1)) ||
                pureRed(lined.pixelColor(kW / 2, kH / 2 - 1)));

    pathway->setNoInteractions(true);
    EXPECT_EQ(countPureRed(draw()), 0);

    // Only between selected proteins: A alone has no selected partner.
    pathway->setNoInteractions(false);
    pathway->setInteractionsBetween(true);
    EXPECT_EQ(countPureRed(draw()), 0);
    pathway->addSelectedNodeId("B");
    EXPECT_GT(countPureRed(draw()), 20);
}

TEST_F(PathwayRendering, SmallProteinsAreDrawnFirstAndTheStateIsRestored) {
    addPair();
    pathway->setEdgesVisible(true);
    draw();
    ASSERT_FALSE(pathway->getChildren().empty());
    EXPECT_EQ(pathway->getChildren().front(), pathway->edgeContainer());
    EXPECT_FALSE(pathway->childrenFirst);
    EXPECT_EQ(NodeEntity::frameClipCount, 0);
}

// A quick frame (the view moving, frames slow) leaves out the small
// proteins' labels only; the frame after it is the full picture again.
TEST_F(PathwayRendering, QuickFramesDropSmallLabelsAndTheStillFrameIsWhole) {
    addLabelledPair();
    const QImage full = draw();
    gl->rd()->setQuickFrame(true);
    const QImage quick = draw();
    gl->rd()->setQuickFrame(false);
    EXPECT_EQ(draw(), full);

    auto differing = [&](int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                n += quick.pixel(x, y) != full.pixel(x, y) ? 1 : 0;
            }
        }
        return n;
    };
    // The large protein's box is drawn alike; the small one lost its label.
    // (About 64 pixels a unit: the proteins are 32 pixels off the centre.)
    EXPECT_EQ(differing(kW / 2 - 40, kW / 2 - 24, kH / 2 - 36, kH / 2 - 28), 0);
    EXPECT_GT(differing(kW / 2 + 24, kW / 2 + 40, kH / 2 + 28, kH / 2 + 36), 5);
}

// Blending and textures that cannot change a pixel are left out: over an
// opaque or a translucent picture, beside interactions and shapes that still
// need them, both frames keep every pixel.
TEST_F(PathwayRendering, SkippedWorkChangesNoPixel) {
    Image white(4, 4, 3);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            white.setPixel(x, y, Color4uint8{255, 255, 255, 255});
        }
    }
    textureCache["empty"] = Texture::fromImage("empty", white);
    textureCache["ovalglow"] = redOverBlue(200);
    addLabelledPair();
    EdgeEntity* translucent = pathway->createEdge(b, a, true);
    translucent->color = Color4(0.2f, 0.9f, 0.4f, 0.5f);
    translucent->width = 5;
    translucent->offsetA = CoordinateFrame(Vector3(0.05f, 0.1f, 0));
    // Smoothing gives an opaque line translucent edges.
    EdgeEntity* thick = pathway->createEdge(a, b, true);
    thick->width = 3;
    thick->offsetB = CoordinateFrame(Vector3(0, 0.5f, 0));
    for (const int alpha : {255, 128}) {
        pathway->setBackgroundTexture(redOverBlue(std::uint8_t(alpha)));
        for (const bool quick : {true, false}) {
            gl->rd()->setQuickFrame(quick);
            RenderDevice::skipNeedlessWork = false;
            const QImage whole = draw();
            RenderDevice::skipNeedlessWork = true;
            EXPECT_EQ(draw(), whole) << "alpha " << alpha << (quick ? ", quick" : ", still");
        }
    }
    gl->rd()->setQuickFrame(false);
    textureCache.erase("empty");
    textureCache.erase("ovalglow");
}
