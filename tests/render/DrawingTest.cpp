// Pixels drawn through the render device in an offscreen context.
#include <QColor>

#include <gtest/gtest.h>

#include "OffscreenGL.h"
#include "engine/render/Draw.h"
#include "engine/render/Image.h"
#include "engine/render/Texture.h"

namespace {

constexpr int kW = 128, kH = 96;

QColor at(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

QColor centre(const QImage& image) {
    return at(image, kW / 2, kH / 2);
}

// Pixel (from the top-left) where the camera at (0, 0, d), looking down -z,
// sees the world point p on the plane z = 0.
QPointF toPixel(const Camera& camera, float d, float x, float y) {
    double t = std::tan(camera.fieldOfView() / 2);
    double aspect = double(kW) / kH;
    double nx = x / (d * t * aspect), ny = y / (d * t);
    return {(nx + 1) * kW / 2, (1 - ny) * kH / 2};
}

// The colour where the camera at (0, 0, 1) sees (x, y, 0).
QColor seen(const QImage& image, const Camera& camera, float x, float y) {
    QPointF p = toPixel(camera, 1, x, y);
    return at(image, int(p.x()), int(p.y()));
}

void quad(RenderDevice* rd, float x0, float y0, float x1, float y1, float z = 0) {
    rd->beginPrimitive(RenderDevice::QUADS);
    rd->setNormal(Vector3(0, 0, 1));
    rd->setTexCoord(0, 0, 0);
    rd->sendVertex(x0, y1, z);
    rd->setTexCoord(0, 0, 1);
    rd->sendVertex(x0, y0, z);
    rd->setTexCoord(0, 1, 1);
    rd->sendVertex(x1, y0, z);
    rd->setTexCoord(0, 1, 0);
    rd->sendVertex(x1, y1, z);
    rd->endPrimitive();
}

// A fresh offscreen context per test; skipped without an X display.
class Drawing : public testing::Test {
protected:
    void SetUp() override { REQUIRE_GL(gl); }

    // Clears to `clear` and looks at the origin from (0, 0, distance).
    Camera start(float distance, const Color4& clear = Color4(0, 0, 0, 1)) {
        rd->setColorClearValue(clear);
        rd->clear();
        return gl.lookFrom(distance);
    }

    OffscreenGL gl{kW, kH};
    RenderDevice* rd = gl.rd();
};

}  // namespace

TEST_F(Drawing, ClearsToTheClearColour) {
    rd->setColorClearValue(Color4(0, 0.1f, 0, 1));
    rd->clear();
    QColor c = centre(gl.grab());
    EXPECT_EQ(c.red(), 0);
    EXPECT_NEAR(c.green(), 26, 1);
}

TEST_F(Drawing, TexturedQuadIsUprightAndUploadsOnFirstUse) {
    // Made before any context exists: nothing is uploaded yet.
    Image image(2, 2, 3);
    image.setPixel(0, 0, {255, 0, 0, 255});
    image.setPixel(1, 0, {255, 0, 0, 255});
    image.setPixel(0, 1, {0, 0, 255, 255});
    image.setPixel(1, 1, {0, 0, 255, 255});
    auto texture = Texture::fromImage("updown", image);
    EXPECT_FALSE(texture->isUploaded());

    Camera camera = start(1);
    rd->setTexture(0, texture);
    quad(rd, -0.3f, -0.3f, 0.3f, 0.3f);
    rd->setTexture(0, nullptr);
    EXPECT_TRUE(texture->isUploaded());

    QImage out = gl.grab();
    QColor t = seen(out, camera, 0, 0.2f), b = seen(out, camera, 0, -0.2f);
    EXPECT_GT(t.red(), 200);
    EXPECT_LT(t.blue(), 60);
    EXPECT_GT(b.blue(), 200);
    EXPECT_LT(b.red(), 60);
}

TEST_F(Drawing, BlendingMixesAndOneZeroReplaces) {
    start(1);
    rd->setColor(Color4(1, 0, 0, 1));
    quad(rd, -1, -1, 1, 1);

    rd->pushState();
    rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA, RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
    rd->setColor(Color4(0, 1, 0, 0.5f));
    quad(rd, -1, 0, 1, 1, 0.01f);
    rd->popState();

    // Back to (ONE, ZERO): the colour replaces whatever was there, alpha or not.
    rd->setColor(Color4(0, 0, 1, 0.5f));
    quad(rd, -1, -1, 1, -0.1f, 0.01f);

    QImage out = gl.grab();
    QColor mixed = at(out, kW / 2, kH / 4), replaced = at(out, kW / 2, 7 * kH / 8);
    EXPECT_NEAR(mixed.red(), 128, 3);
    EXPECT_NEAR(mixed.green(), 128, 3);
    EXPECT_EQ(replaced.red(), 0);
    EXPECT_EQ(replaced.blue(), 255);
}

TEST_F(Drawing, StencilClipKeepsDrawingInsideTheBox) {
    Camera camera = start(1);

    // Mark the box in the stencil buffer only, then draw where it is marked.
    rd->pushState();
    rd->setStencilConstant(1);
    rd->setStencilTest(RenderDevice::STENCIL_NEVER_PASS);
    rd->setStencilOp(RenderDevice::STENCIL_INCR, RenderDevice::STENCIL_KEEP,
                     RenderDevice::STENCIL_KEEP);
    Draw::box(Vector3(-0.1f, -0.1f, 0), Vector3(0.1f, 0.1f, 0), rd, Color4(1, 1, 1, 1),
              Color4::clear());
    rd->setStencilTest(RenderDevice::STENCIL_LEQUAL);
    rd->setStencilOp(RenderDevice::STENCIL_KEEP, RenderDevice::STENCIL_KEEP,
                     RenderDevice::STENCIL_KEEP);
    rd->setColor(Color4(1, 1, 0, 1));
    quad(rd, -1, -1, 1, 1, 0.01f);
    rd->popState();

    QImage out = gl.grab();
    QPointF inside = toPixel(camera, 1, 0.05f, 0.05f), outside = toPixel(camera, 1, 0.2f, 0.2f);
    EXPECT_EQ(at(out, int(inside.x()), int(inside.y())), QColor(255, 255, 0));
    EXPECT_EQ(at(out, int(outside.x()), int(outside.y())), QColor(0, 0, 0));

    // After the pop the stencil test is off again: the whole quad shows.
    rd->setColor(Color4(0, 1, 1, 1));
    quad(rd, -1, -1, 1, 1, 0.02f);
    out = gl.grab();
    EXPECT_EQ(at(out, int(outside.x()), int(outside.y())), QColor(0, 255, 255));
}

TEST_F(Drawing, TranslucentBoxBlendsOverWhatIsBehind) {
    start(2, Color4(1, 0, 0, 1));
    Draw::box(Vector3(-0.3f, -0.3f, -0.3f), Vector3(0.3f, 0.3f, 0.3f), rd, Color4(0, 0, 1, 0.5f),
              Color4::clear());
    QColor c = centre(gl.grab());
    // Two layers (back and front faces) of half blue over red.
    EXPECT_NEAR(c.red(), 64, 4);
    EXPECT_NEAR(c.blue(), 191, 4);

    // The translucent passes write no depth: an opaque quad behind still shows through.
    rd->clear();
    Draw::box(Vector3(-0.3f, -0.3f, -0.3f), Vector3(0.3f, 0.3f, 0.3f), rd, Color4(0, 0, 1, 0.5f),
              Color4::clear());
    rd->setColor(Color4(0, 1, 0, 1));
    quad(rd, -1, -1, 1, 1, -0.5f);
    c = centre(gl.grab());
    EXPECT_EQ(c, QColor(0, 255, 0));
}

TEST_F(Drawing, WireBoxDrawsOnlyItsEdges) {
    Camera camera = start(1);
    Draw::box(Vector3(-0.2f, -0.2f, 0), Vector3(0.2f, 0.2f, 0), rd, Color4::clear(),
              Color4(1, 1, 1, 1));
    QImage out = gl.grab();
    QPointF edge = toPixel(camera, 1, -0.2f, 0);
    int lit = 0;
    for (int dx = -1; dx <= 1; ++dx)
        lit += at(out, int(edge.x()) + dx, int(edge.y())).red() > 128;
    EXPECT_GT(lit, 0);
    EXPECT_EQ(centre(out), QColor(0, 0, 0));
}

TEST_F(Drawing, PopStateRestoresColourMatricesAndTextures) {
    start(1);
    rd->setColor(Color4(1, 0, 0, 1));
    rd->pushState();
    rd->setColor(Color4(0, 1, 0, 1));
    rd->setObjectToWorldMatrix(CoordinateFrame(Vector3(5, 0, 0)));
    Image white(1, 1, 3);
    white.setPixel(0, 0, {0, 0, 255, 255});
    rd->setTexture(0, Texture::fromImage("blue", white));
    rd->setDepthWrite(false);
    rd->popState();
    EXPECT_EQ(rd->objectToWorldMatrix(), CoordinateFrame());
    quad(rd, -1, -1, 1, 1);
    EXPECT_EQ(centre(gl.grab()), QColor(255, 0, 0));
}

TEST_F(Drawing, ObjectToWorldMatrixMovesWhatIsDrawn) {
    Camera camera = start(1);
    rd->setObjectToWorldMatrix(CoordinateFrame(Vector3(0.25f, 0, 0)));
    rd->setColor(Color4(1, 1, 1, 1));
    quad(rd, -0.05f, -0.05f, 0.05f, 0.05f);
    QImage out = gl.grab();
    EXPECT_EQ(seen(out, camera, 0.25f, 0), QColor(255, 255, 255));
    EXPECT_EQ(centre(out), QColor(0, 0, 0));
}

TEST_F(Drawing, LightingFromTheFrontKeepsTheColourOfAFacingQuad) {
    start(1);
    rd->enableLighting();
    rd->setLight(0, Light::directional(Vector3(0, 0, 100), Color3(1, 1, 1)));
    rd->setColor(Color4(0.4f, 0.4f, 0.4f, 1));
    quad(rd, -1, -1, 1, 1);
    // Diffuse 1 plus the global ambient 0.25.
    QColor c = centre(gl.grab());
    EXPECT_NEAR(c.red(), int(0.4 * 1.25 * 255), 3);
    rd->disableLighting();
}

TEST_F(Drawing, CameraRaysThroughCentreAndCornersHitTheirPixels) {
    Camera camera;
    camera.setPosition(Vector3(0.3f, -0.2f, 3));
    camera.lookAt(Vector3(0.1f, 0.1f, 0));
    rd->setProjectionAndCameraMatrix(camera);
    Rect2D viewport = rd->viewport();
    const int pixels[5][2] = {{kW / 2, kH / 2}, {0, 0}, {kW - 1, 0}, {0, kH - 1}, {kW - 1, kH - 1}};
    for (const auto& p : pixels) {
        rd->setColorClearValue(Color4(0, 0, 0, 1));
        rd->clear();
        Ray ray = camera.worldRay(p[0] + 0.5f, p[1] + 0.5f, viewport);
        float t = -ray.origin.z / ray.direction.z;
        Vector3 hit = ray.pointAt(t);
        rd->setColor(Color4(1, 1, 1, 1));
        float s = 0.01f;  // about a third of a pixel at this distance
        quad(rd, hit.x - s, hit.y - s, hit.x + s, hit.y + s);
        QImage out = gl.grab();
        EXPECT_EQ(at(out, p[0], p[1]), QColor(255, 255, 255)) << "pixel " << p[0] << ", " << p[1];
    }
}

TEST_F(Drawing, TextureOnUnitOneTakesTheCoordinatesOfUnitOne) {
    Image image(1, 2, 3);
    image.setPixel(0, 0, {0, 255, 0, 255});
    image.setPixel(0, 1, {255, 0, 255, 255});
    Camera camera = start(1);
    rd->setTexture(1, Texture::fromImage("unit1", image));
    rd->beginPrimitive(RenderDevice::QUADS);
    rd->setTexCoord(1, 0, 0);
    rd->sendVertex(-0.3f, 0.3f, 0);
    rd->setTexCoord(1, 0, 1);
    rd->sendVertex(-0.3f, -0.3f, 0);
    rd->setTexCoord(1, 1, 1);
    rd->sendVertex(0.3f, -0.3f, 0);
    rd->setTexCoord(1, 1, 0);
    rd->sendVertex(0.3f, 0.3f, 0);
    rd->endPrimitive();
    rd->setTexture(1, nullptr);
    QImage out = gl.grab();
    // Texel centres (t = 1/4 and 3/4), away from the filtering across the wrap.
    QColor t = seen(out, camera, 0, 0.15f), b = seen(out, camera, 0, -0.15f);
    EXPECT_GT(t.green(), 240);
    EXPECT_LT(t.red(), 15);
    EXPECT_GT(b.red(), 240);
    EXPECT_LT(b.green(), 15);
}

TEST_F(Drawing, NestedStatesComeBackInOrder) {
    start(1);
    rd->setColor(Color4(1, 0, 0, 1));
    quad(rd, -1, -1, 1, 1);
    rd->pushState();
    rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA, RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
    rd->setDepthWrite(false);
    rd->pushState();
    rd->setBlendFunc(RenderDevice::BLEND_ONE, RenderDevice::BLEND_ZERO);
    rd->setDepthWrite(true);
    rd->popState();
    // Blending is back on: half green over red.
    rd->setColor(Color4(0, 1, 0, 0.5f));
    quad(rd, -1, -1, 1, 1, 0.01f);
    rd->popState();
    rd->popState();  // one too many: ignored
    QColor c = centre(gl.grab());
    EXPECT_NEAR(c.red(), 128, 3);
    EXPECT_NEAR(c.green(), 128, 3);
}

TEST_F(Drawing, CylinderSphereAndArrowCoverTheirCentres) {
    Camera camera = gl.lookFrom(2);
    auto drawn = [&](auto draw, float x, float y) {
        rd->setColorClearValue(Color4(0, 0, 0, 1));
        rd->clear();
        draw();
        QImage out = gl.grab();
        double t = std::tan(camera.fieldOfView() / 2) * 2;
        int px = int((x / (t * kW / kH) + 1) * kW / 2), py = int((1 - y / t) * kH / 2);
        return at(out, px, py);
    };
    const Color4 yellow(1, 1, 0, 1);
    EXPECT_EQ(
        drawn([&] { Draw::cylinder(Vector3(-0.5f, 0, 0), Vector3(0.5f, 0, 0), 0.1f, rd, yellow); },
              0.3f, 0),
        QColor(255, 255, 0));
    EXPECT_EQ(drawn([&] { Draw::sphere(Vector3(0.2f, 0.1f, 0), 0.15f, rd, yellow); }, 0.2f, 0.1f),
              QColor(255, 255, 0));
    // The arrow points down at the origin: its head is near the tip, its shaft above.
    EXPECT_EQ(
        drawn([&] { Draw::arrow(Vector3(0, 0.6f, 0), Vector3(0, -0.6f, 0), rd, yellow); }, 0, 0.1f),
        QColor(255, 255, 0));
    EXPECT_EQ(drawn([&] { Draw::arrow(Vector3(0, 0.6f, 0), Vector3(0, -0.6f, 0), rd, yellow); },
                    0.3f, 0.1f),
              QColor(0, 0, 0));
}

TEST_F(Drawing, BeginFrameUndoesChangesMadeBehindTheDevicesBack) {
    start(1);
    // As a window system or a painter might leave the context.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_ONE);
    glDisable(GL_DEPTH_TEST);
    glColor4f(0, 0, 0, 0);
    rd->beginFrame();
    quad(rd, -1, -1, 1, 1);
    EXPECT_EQ(centre(gl.grab()), QColor(255, 255, 255));
}

// What a batch gathers is drawn as if each primitive had been drawn at its
// end: each vertex keeps the colour it was sent with, a state change in the
// middle applies only to what follows it, and a primitive left short is
// dropped without shifting the ones after it.
TEST_F(Drawing, BatchDrawsLikePrimitiveByPrimitive) {
    auto scene = [&] {
        rd->setColor(Color4(1, 0, 0, 1));
        quad(rd, -0.6f, -0.3f, -0.2f, 0.3f);
        // Three vertices of a quad and no fourth: nothing of it.
        rd->beginPrimitive(RenderDevice::QUADS);
        rd->sendVertex(-1, -1, 0);
        rd->sendVertex(1, -1, 0);
        rd->sendVertex(1, 1, 0);
        rd->endPrimitive();
        rd->setColor(Color4(0, 1, 0, 1));
        quad(rd, -0.1f, -0.3f, 0.1f, 0.3f);
        // Half green over the red quad's right part, blended.
        rd->pushState();
        rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA, RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
        rd->setColor(Color4(0, 1, 0, 0.5f));
        quad(rd, -0.4f, -0.3f, -0.2f, 0.3f, 0.01f);
        rd->popState();
        // A fan between two quads of the same kind.
        rd->setColor(Color4(0, 0, 1, 1));
        rd->beginPrimitive(RenderDevice::TRIANGLE_FAN);
        rd->sendVertex(0.3f, -0.3f, 0);
        rd->sendVertex(0.5f, -0.3f, 0);
        rd->sendVertex(0.5f, 0.3f, 0);
        rd->sendVertex(0.3f, 0.3f, 0);
        rd->endPrimitive();
        rd->setColor(Color4(1, 1, 0, 1));
        quad(rd, 0.55f, -0.3f, 0.65f, 0.3f);
        // A run longer than one draw, whose overlapping blends keep their order.
        rd->pushState();
        rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA, RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
        for (int i = 0; i < 1500; ++i) {
            rd->setColor(Color4(float(i % 2), float(i % 3) / 2, float(i % 5) / 4, 0.5f));
            quad(rd, -0.9f + i * 0.001f, 0.35f, -0.7f + i * 0.001f, 0.45f);
        }
        rd->popState();
    };
    Camera camera = start(1);
    scene();
    const QImage oneByOne = gl.grab();

    start(1);
    rd->beginBatch();
    scene();
    rd->endBatch();
    const QImage batched = gl.grab();

    EXPECT_EQ(batched, oneByOne);
    EXPECT_EQ(seen(oneByOne, camera, -0.5f, 0), QColor(255, 0, 0));
    EXPECT_EQ(seen(oneByOne, camera, 0, 0), QColor(0, 255, 0));
    EXPECT_NEAR(seen(oneByOne, camera, -0.3f, 0).red(), 128, 3);
    EXPECT_EQ(seen(oneByOne, camera, 0.4f, 0), QColor(0, 0, 255));
    EXPECT_EQ(seen(oneByOne, camera, 0.6f, 0), QColor(255, 255, 0));
    EXPECT_EQ(seen(oneByOne, camera, 0.2f, -0.38f), QColor(0, 0, 0)) << "the short quad drew";
}

// Inside a batch nothing reaches the framebuffer before the batch ends or
// the state changes; reading back in between needs a flush.
TEST_F(Drawing, BatchIsDrawnWhenItEndsOrIsFlushed) {
    start(1);
    rd->beginBatch();
    rd->beginBatch();
    rd->setColor(Color4(1, 1, 1, 1));
    quad(rd, -1, -1, 1, 1);
    rd->endBatch();
    EXPECT_EQ(centre(gl.grab()), QColor(0, 0, 0)) << "the outer batch is still open";
    rd->flush();
    EXPECT_EQ(centre(gl.grab()), QColor(255, 255, 255));
    rd->setColor(Color4(1, 0, 0, 1));
    quad(rd, -1, -1, 1, 1, 0.01f);
    rd->endBatch();
    EXPECT_EQ(centre(gl.grab()), QColor(255, 0, 0));
}
