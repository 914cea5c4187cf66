// Nodes, containers and edges drawn into an offscreen framebuffer and read back.
#include <QColor>

#include "SceneTestSupport.h"
#include "engine/Vector2.h"
#include "engine/render/Font.h"
#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "render/OffscreenGL.h"
#include "scene/ContainerEntity.h"
#include "scene/EdgeEntity.h"

namespace {

constexpr int kW = 128, kH = 96;
constexpr float kDistance = 3;

// Pixel (from the top-left) where the camera at (0, 0, kDistance) sees (x, y, 0).
QPoint toPixel(const Camera& camera, float x, float y) {
    const double t = std::tan(camera.fieldOfView() / 2);
    const double aspect = double(kW) / kH;
    const double nx = x / (kDistance * t * aspect), ny = y / (kDistance * t);
    return {int((nx + 1) * kW / 2), int((1 - ny) * kH / 2)};
}

class SceneDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) {
            GTEST_SKIP() << "no X display for OpenGL";
        }
        gl = std::make_unique<OffscreenGL>(kW, kH);
        ASSERT_TRUE(gl->ok()) << "no offscreen OpenGL context";
        camera = gl->lookFrom(kDistance);
        rd()->setColorClearValue(Color4(0, 0, 0, 1));
        rd()->clear();
        NodeEntity::frameClipCount = 0;
    }

    RenderDevice* rd() { return gl->rd(); }
    QColor at(const QImage& image, float x, float y) {
        const QPoint p = toPixel(camera, x, y);
        return image.pixelColor(p.x(), p.y());
    }

    std::unique_ptr<OffscreenGL> gl;
    Camera camera;
};

TEST_F(SceneDrawing, NodeFillsItsRectangleInItsColour) {
    NodeEntity node(CoordinateFrame(), "", 0, Vector3(1, 0.5f, 0.01f), Color4(1, 0, 0, 1), false);
    node.shapeName = "scene-test-none";
    node.update();
    node.render(rd());
    const QImage image = gl->grab();
    EXPECT_EQ(at(image, 0, 0), QColor(255, 0, 0));
    EXPECT_EQ(at(image, 0.45f, 0.2f), QColor(255, 0, 0));
    EXPECT_EQ(at(image, 0.6f, 0), QColor(0, 0, 0));
    EXPECT_EQ(at(image, 0, 0.3f), QColor(0, 0, 0));

    // Shape kind 7 draws nothing of its own.
    rd()->clear();
    node.shapeKind = 7;
    node.render(rd());
    EXPECT_EQ(at(gl->grab(), 0, 0), QColor(0, 0, 0));
}

TEST_F(SceneDrawing, ExplicitTextureIsUprightAndUntinted) {
    // Top half red, bottom half blue.
    Image picture(8, 8, 3);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            picture.setPixel(x, y,
                             y < 4 ? Color4uint8{255, 0, 0, 255} : Color4uint8{0, 0, 255, 255});
        }
    }
    NodeEntity node(CoordinateFrame(), "", 0, Vector3(1, 1, 0.01f), Color4(0, 1, 0, 1), false);
    node.setTexture(Texture::fromImage("scene-test-picture", picture));
    node.render(rd());
    const QImage image = gl->grab();
    const QColor top = at(image, 0, 0.4f), bottom = at(image, 0, -0.4f);
    EXPECT_GT(top.red(), 200);
    EXPECT_LT(top.blue(), 60);
    EXPECT_GT(bottom.blue(), 200);
    EXPECT_LT(bottom.red(), 60);
    EXPECT_LT(top.green(), 30);
}

TEST_F(SceneDrawing, ClippingContainerConfinesItsChildren) {
    // A 1 x 1 clipping panel centred on the origin holding a 3 x 3 green node.
    ContainerEntity panel(CoordinateFrame(Vector3(-0.5f, 0.5f, 0)), "", Vector3(1, 1, 0.01f),
                          Color4(1, 1, 1, 1));
    panel.clip = true;
    panel.bodyHidden = true;
    NodeEntity big(CoordinateFrame(), "", 0, Vector3(3, 3, 0.01f), Color4(0, 1, 0, 1), false);
    panel.addChild(&big);
    big.setLocalFrame(CoordinateFrame(Vector3(0.5f, -0.5f, 0.001f)));
    panel.render(rd());
    EXPECT_EQ(NodeEntity::frameClipCount, 0);
    const QImage image = gl->grab();
    EXPECT_EQ(at(image, 0, 0), QColor(0, 255, 0));
    EXPECT_EQ(at(image, 0.4f, -0.4f), QColor(0, 255, 0));
    EXPECT_EQ(at(image, 0.8f, 0), QColor(0, 0, 0));
    EXPECT_EQ(at(image, 0, -0.8f), QColor(0, 0, 0));

    // Without the clip the whole child shows.
    rd()->clear();
    panel.clip = false;
    panel.render(rd());
    EXPECT_EQ(at(gl->grab(), 0.8f, 0), QColor(0, 255, 0));
}

// A second clip inside an open one increments and then decrements over its
// own box, so what follows stays confined to the outer clip only.
TEST_F(SceneDrawing, NestedClipKeepsTheOuterClip) {
    ContainerEntity panel(CoordinateFrame(Vector3(-0.5f, 0.5f, 0)), "", Vector3(1, 1, 0.01f),
                          Color4(1, 1, 1, 1));
    panel.clip = true;
    panel.bodyHidden = true;
    // A clipping node over x from 0.2 to 0.8, y from -0.3 to 0.3.
    NodeEntity window(CoordinateFrame(), "", 0, Vector3(0.6f, 0.6f, 0.01f), Color4(1, 1, 1, 1),
                      false);
    window.clip = true;
    window.bodyHidden = true;
    NodeEntity big(CoordinateFrame(), "", 0, Vector3(3, 3, 0.01f), Color4(0, 1, 0, 1), false);
    panel.addChild(&window);
    window.setLocalFrame(CoordinateFrame(Vector3(1.0f, -0.5f, 0.002f)));
    window.addChild(&big);
    big.setLocalFrame(CoordinateFrame(Vector3(0, 0, 0.001f)));
    panel.render(rd());
    EXPECT_EQ(NodeEntity::frameClipCount, 0);
    const QImage image = gl->grab();
    EXPECT_EQ(at(image, 0.35f, 0), QColor(0, 255, 0));
    EXPECT_EQ(at(image, 0, 0), QColor(0, 255, 0));
    EXPECT_EQ(at(image, 0.35f, 0.4f), QColor(0, 255, 0));
    EXPECT_EQ(at(image, 0.65f, 0), QColor(0, 0, 0));
    EXPECT_EQ(at(image, -0.8f, 0), QColor(0, 0, 0));

    // The outer clip is released with its opener: the next frame clips afresh.
    rd()->clear();
    panel.clip = false;
    window.render(rd());
    EXPECT_EQ(at(gl->grab(), 0, 0), QColor(0, 0, 0));
    EXPECT_EQ(at(gl->grab(), 0.65f, 0), QColor(0, 255, 0));
}

TEST_F(SceneDrawing, LabelIsDrawnInsideTheBoxItsBoundsGive) {
    auto font = Font::fromFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    ASSERT_TRUE(font) << "DejaVu Sans (fonts-dejavu-core) is missing";
    NodeEntity node(CoordinateFrame(), "HHHH", 0, Vector3(2, 0.6f, 0.01f), Color4(0, 0, 0, 1),
                    false);
    node.setLabelSize(0.3);
    node.setFontColor(1, 1, 1, 1);
    node.setFont(font);
    ASSERT_EQ(node.getLabelText(), "HHHH");
    node.render(rd());
    const QImage image = gl->grab();
    const Vector3 topLeft = node.getLabelFrame().translation;
    const Vector2 extent = font->bounds("HHHH", 0.3);
    const QPoint low = toPixel(camera, topLeft.x, topLeft.y);
    const QPoint high = toPixel(camera, topLeft.x + extent.x, topLeft.y - extent.y);
    int inside = 0, outside = 0;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            if (image.pixelColor(x, y).red() < 128) {
                continue;
            }
            const bool in =
                x >= low.x() - 1 && x <= high.x() + 1 && y >= low.y() - 1 && y <= high.y() + 1;
            (in ? inside : outside) += 1;
        }
    }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);

    // A node showing an explicit texture has no label.
    rd()->clear();
    node.setTexture(Texture::fromImage("scene-test-black", Image(1, 1, 3)));
    node.render(rd());
    const QImage plain = gl->grab();
    int bright = 0;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            bright += plain.pixelColor(x, y).red() >= 128 ? 1 : 0;
        }
    }
    EXPECT_EQ(bright, 0);
}

TEST_F(SceneDrawing, TitledFramedContainerDrawsBodyAndTubes) {
    ContainerEntity panel(CoordinateFrame(Vector3(-0.5f, 0.5f, 0)), "title", Vector3(1, 1, 0.01f),
                          Color4(0.2f, 0.2f, 0.8f, 1));
    panel.frameWidth = 0.02;
    panel.setFont(fixedAdvanceFont());
    panel.render(rd());
    const QImage image = gl->grab();
    // Inside the body: the panel's blue, lit or not.
    EXPECT_GT(at(image, 0, -0.2f).blue(), 100);
    // The title strip too.
    EXPECT_GT(at(image, 0.2f, 0.45f).blue(), 100);
    // Outside: nothing.
    EXPECT_EQ(at(image, 0.8f, 0), QColor(0, 0, 0));
}

TEST_F(SceneDrawing, EdgeDrawsALineAndKeepsItsKind) {
    NodeEntity a(CoordinateFrame(Vector3(-0.8f, 0, 0)), "", 7, Vector3(0.1f, 0.1f, 0.1f),
                 Color4(1, 1, 1, 1), false);
    NodeEntity b(CoordinateFrame(Vector3(0.8f, 0, 0)), "", 7, Vector3(0.1f, 0.1f, 0.1f),
                 Color4(1, 1, 1, 1), false);
    EdgeEntity edge(&a, &b, 2, 1, 1, 0, 1, 5.0);
    edge.render(rd());
    EXPECT_EQ(edge.kind, 2);
    QColor mid = at(gl->grab(), 0, 0);
    EXPECT_GT(mid.red(), 150);
    EXPECT_GT(mid.green(), 150);

    rd()->clear();
    edge.hidden = true;
    edge.render(rd());
    EXPECT_EQ(at(gl->grab(), 0, 0), QColor(0, 0, 0));
}

}  // namespace

namespace {

// A run of plain nodes (rectangles, then labels) gives the picture of each
// node drawn by itself when they do not overlap; a node with a child among
// them is drawn by itself, its child too.
TEST_F(SceneDrawing, RunOfPlainNodesDrawsAsEachNodeAlone) {
    auto font = Font::fromFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    ASSERT_TRUE(font) << "DejaVu Sans (fonts-dejavu-core) is missing";
    auto node = [&](float x, const Color4& colour) {
        auto n = std::make_unique<NodeEntity>(CoordinateFrame(Vector3(x, 0, 0)), "HH", 0,
                                              Vector3(0.35f, 0.3f, 0.01f), colour, false);
        n->shapeName = "scene-test-none";
        n->setLabelSize(0.1);
        n->setFontColor(1, 1, 1, 1);
        n->setFont(font);
        return n;
    };
    auto a = node(-0.6f, Color4(1, 0, 0, 1));
    auto b = node(-0.2f, Color4(0, 1, 0, 1));
    auto parent = node(0.2f, Color4(0, 0, 1, 1));
    auto child = node(0.6f, Color4(1, 1, 0, 1));
    parent->addChild(child.get());
    const Array<Entity*> entities{a.get(), b.get(), parent.get()};

    for (Entity* e : entities) {
        e->render(rd());
    }
    const QImage alone = gl->grab();
    rd()->clear();
    NodeEntity::renderEntities(rd(), entities);
    const QImage together = gl->grab();
    EXPECT_EQ(together, alone);
    EXPECT_EQ(at(together, -0.6f, -0.12f), QColor(255, 0, 0));
    // The child stands at 0.6 from its parent.
    EXPECT_EQ(at(together, 0.8f, -0.12f), QColor(255, 255, 0));
}

}  // namespace
