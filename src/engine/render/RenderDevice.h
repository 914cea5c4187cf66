// Drawing over whatever OpenGL context (compatibility profile) is current: a
// stack of render states, matrices from a camera, one directional light,
// primitives sent vertex by vertex. The vertices go into client-side arrays;
// inside a batch, primitives of one independent kind (lines, triangles,
// quads, points) sent under unchanged state are drawn together by one call,
// which spares the driver thousands of small draws per frame.
#pragma once

#include <memory>
#include <vector>

#include "engine/Color3.h"
#include "engine/Color4.h"
#include "engine/CoordinateFrame.h"
#include "engine/Rect2D.h"
#include "engine/Vector3.h"

class Camera;
class Texture;

// A light as the fixed-function pipeline sees it: w = 0 is directional
// (position is the direction towards the light), w = 1 is a point light.
struct Light {
    Vector3 position{0, 0, 1};
    float w = 0;
    Color3 color{1, 1, 1};
    bool diffuse = true;
    bool specular = true;

    bool operator==(const Light&) const = default;

    static Light directional(const Vector3& towardsLight, const Color3& color, bool specular = true,
                             bool diffuse = true);
};

class RenderDevice {
public:
    enum Primitive {
        LINES,
        LINE_STRIP,
        TRIANGLES,
        TRIANGLE_STRIP,
        TRIANGLE_FAN,
        QUADS,
        QUAD_STRIP,
        POINTS
    };
    enum DepthTest {
        DEPTH_GREATER,
        DEPTH_LESS,
        DEPTH_GEQUAL,
        DEPTH_LEQUAL,
        DEPTH_NOTEQUAL,
        DEPTH_EQUAL,
        DEPTH_ALWAYS_PASS,
        DEPTH_NEVER_PASS
    };
    enum StencilTest {
        STENCIL_GREATER,
        STENCIL_LESS,
        STENCIL_GEQUAL,
        STENCIL_LEQUAL,
        STENCIL_NOTEQUAL,
        STENCIL_EQUAL,
        STENCIL_ALWAYS_PASS,
        STENCIL_NEVER_PASS
    };
    enum StencilOp {
        STENCIL_INCR_WRAP,
        STENCIL_DECR_WRAP,
        STENCIL_KEEP,
        STENCIL_INCR,
        STENCIL_DECR,
        STENCIL_REPLACE,
        STENCIL_ZERO,
        STENCIL_INVERT
    };
    enum BlendFunc {
        BLEND_SRC_ALPHA,
        BLEND_ONE_MINUS_SRC_ALPHA,
        BLEND_ONE,
        BLEND_ZERO,
        BLEND_SRC_COLOR,
        BLEND_DST_COLOR,
        BLEND_ONE_MINUS_SRC_COLOR,
        BLEND_DST_ALPHA,
        BLEND_ONE_MINUS_DST_ALPHA
    };
    enum BlendEq {
        BLENDEQ_ADD,
        BLENDEQ_SUBTRACT,
        BLENDEQ_REVERSE_SUBTRACT,
        BLENDEQ_MIN,
        BLENDEQ_MAX
    };
    enum CullFace { CULL_FRONT, CULL_BACK, CULL_NONE };
    enum ShadeMode { SHADE_FLAT, SHADE_SMOOTH };

    static constexpr int MAX_TEXTURE_UNITS = 4;
    static constexpr int MAX_LIGHTS = 8;

    RenderDevice();
    virtual ~RenderDevice();
    RenderDevice(const RenderDevice&) = delete;
    RenderDevice& operator=(const RenderDevice&) = delete;

    // Applies the whole default state to the current context; call once the
    // context is current (and again after switching to another context).
    void init();
    // Sends the whole state again: at the start of a frame, in case other code
    // (the window system, a painter) changed the context in between.
    void beginFrame();

    void pushState();
    void popState();

    void setViewport(const Rect2D& viewport);
    void setViewport(int x, int y, int width, int height);
    // x, y, width, height in pixels.
    void viewport(int* x, int* y, int* width, int* height) const;
    Rect2D viewport() const;
    int width() const;
    int height() const;

    void setColorClearValue(const Color4& color);
    void setStencilClearValue(int value);
    void setDepthClearValue(float value);
    void clear(bool color = true, bool depth = true, bool stencil = true);

    void setDepthTest(DepthTest test);
    void setDepthWrite(bool enabled);
    void setColorWrite(bool enabled);

    // The stencil test is active unless it passes always and all three
    // operations keep.
    void setStencilTest(StencilTest test);
    void setStencilConstant(int reference);
    void setStencilOp(StencilOp fail, StencilOp zfail, StencilOp zpass);

    // (ONE, ZERO, ADD) turns blending off.
    void setBlendFunc(BlendFunc src, BlendFunc dst, BlendEq eq = BLENDEQ_ADD);
    void setLineWidth(float width);
    void setLineSmoothing(bool enabled);
    void setAlphaTest(bool enabled, float reference = 0.05f);
    void setCullFace(CullFace face);
    // Pulls filled polygons towards the viewer (negative values) so that they win
    // over coplanar ones drawn before; (0, 0) is off.
    void setPolygonOffset(float factor, float units);
    void setShadeMode(ShadeMode mode);

    void enableLighting();
    void disableLighting();
    void setLight(int index, const Light& light);
    void removeLight(int index);
    void setAmbientLightColor(const Color3& color);
    void setAmbientLightColor(const Color4& color);

    void setObjectToWorldMatrix(const CoordinateFrame& frame);
    CoordinateFrame objectToWorldMatrix() const;
    void setCameraToWorldMatrix(const CoordinateFrame& frame);
    CoordinateFrame cameraToWorldMatrix() const;
    // Perspective from the camera for the current viewport, and the camera's frame.
    void setProjectionAndCameraMatrix(const Camera& camera);

    // Where the current camera shows a world point: its pixel (x right, y
    // down from the viewport's top-left corner) and how many pixels a world
    // unit across the view measures there. False for a point at or behind
    // the camera.
    bool project(const Vector3& world, float* x, float* y, float* pixelsPerUnit) const;

    // Frames drawn while the view moves and a full frame is too slow: lines
    // without smoothing and fewer labels. Set by the scene core per frame.
    void setQuickFrame(bool quick) { quickFrame_ = quick; }
    bool quickFrame() const { return quickFrame_; }

    // Runs of opaque primitives (opaque colours and textures, no smoothing)
    // are drawn without the usual alpha blending, and white textures are
    // left out, which gives the same pixels; off only to compare against.
    static inline bool skipNeedlessWork = true;

    // A null texture unbinds the unit.
    void setTexture(int unit, std::shared_ptr<Texture> texture);

    // Opens (nested pairs count) and closes a batch. Closing the outermost
    // draws what is gathered; so does any change of the state but the colour,
    // normal and texture coordinates, which go with each vertex. Outside a
    // batch every primitive is drawn at its end.
    void beginBatch();
    void endBatch();
    // Draws what is gathered now.
    void flush();

    void setColor(const Color4& color);
    void setNormal(const Vector3& normal);
    void setTexCoord(int unit, float s, float t);
    void beginPrimitive(Primitive primitive);
    void sendVertex(const Vector3& vertex);
    void sendVertex(float x, float y, float z);
    void endPrimitive();

private:
    struct State;
    void applyState(const State* previous);
    void applyMatrices();
    void applyLights();
    void applyBlend();
    void applyStencil();
    bool blendingNeedless() const;

    int textureUnits();
    // Whether two states differ in more than what goes with each vertex; `b`
    // is changed during the comparison and left as it was.
    static bool sameButVertexAttributes(const State& a, State& b);

    // One vertex attribute of the gathered vertices: a single value while
    // every vertex has it, an array once they differ.
    struct Channel {
        explicit Channel(int floats) : size(floats) {}
        int size;
        bool varying = false;
        float first[4] = {0, 0, 0, 0};
        std::vector<float> values;
        void add(const float* value, std::size_t index);
        void truncate(std::size_t count);
    };

    std::unique_ptr<State> state_;
    int textureUnits_ = 0;
    std::vector<State> stack_;
    bool inPrimitive_ = false;

    bool quickFrame_ = false;
    int batchDepth_ = 0;
    static constexpr std::size_t kVerticesPerDraw = 2048;
    static constexpr std::size_t kVerticesPerFlush = 8192;
    std::size_t sentSinceFlush_ = 0;
    // The gathered vertices, of one primitive kind; the open primitive starts at primitiveStart_.
    Primitive gathered_ = POINTS;
    std::vector<float> positions_;
    std::size_t primitiveStart_ = 0;
    Channel colors_{4};
    Channel normals_{3};
    Channel texCoords_[MAX_TEXTURE_UNITS] = {Channel(2), Channel(2), Channel(2), Channel(2)};
    // Units whose coordinates matter: those with a texture bound when the first vertex came.
    bool unitUsed_[MAX_TEXTURE_UNITS] = {false, false, false, false};
};
