// The render state kept on the CPU side and applied to the current context.
#include "engine/render/RenderDevice.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include <GL/gl.h>

#include "engine/render/Camera.h"
#include "engine/render/RenderMath.h"
#include "engine/render/Texture.h"

#ifndef GL_INCR_WRAP
#define GL_INCR_WRAP 0x8507
#define GL_DECR_WRAP 0x8508
#endif
#ifndef GL_RESCALE_NORMAL
#define GL_RESCALE_NORMAL 0x803A
#endif
#ifndef GL_MAX_TEXTURE_UNITS
#define GL_MAX_TEXTURE_UNITS 0x84E2
#endif

Light Light::directional(const Vector3& towardsLight, const Color3& color, bool specular,
                         bool diffuse) {
    Light light;
    light.position = towardsLight;
    light.w = 0;
    light.color = color;
    light.specular = specular;
    light.diffuse = diffuse;
    return light;
}

struct RenderDevice::State {
    int viewport[4] = {0, 0, 1, 1};
    Color4 clearColor{0, 0, 0, 1};
    int stencilClear = 0;
    float depthClear = 1;

    DepthTest depthTest = DEPTH_LEQUAL;
    bool depthWrite = true;
    bool colorWrite = true;

    StencilTest stencilTest = STENCIL_ALWAYS_PASS;
    int stencilReference = 0;
    StencilOp stencilFail = STENCIL_KEEP, stencilZFail = STENCIL_KEEP, stencilZPass = STENCIL_KEEP;

    BlendFunc blendSrc = BLEND_ONE, blendDst = BLEND_ZERO;
    BlendEq blendEq = BLENDEQ_ADD;

    float lineWidth = 1;
    bool lineSmoothing = false;
    bool alphaTest = false;
    float alphaReference = 0.05f;
    CullFace cullFace = CULL_BACK;
    float offsetFactor = 0, offsetUnits = 0;
    ShadeMode shadeMode = SHADE_FLAT;

    bool lighting = false;
    std::array<bool, MAX_LIGHTS> lightOn{};
    std::array<Light, MAX_LIGHTS> lights{};
    Color4 ambient{0.25f, 0.25f, 0.25f, 1};

    Color4 color{1, 1, 1, 1};
    Vector3 normal{0, 0, 1};
    std::array<std::array<float, 2>, MAX_TEXTURE_UNITS> texCoord{};
    std::array<std::shared_ptr<Texture>, MAX_TEXTURE_UNITS> textures{};

    CoordinateFrame objectToWorld;
    CoordinateFrame cameraToWorld;
    std::array<double, 16> projection{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    bool operator==(const State&) const = default;
};

namespace {

// Depth and stencil tests name the same eight comparisons in the same order.
static_assert(RenderDevice::DEPTH_GREATER == 0 && RenderDevice::STENCIL_GREATER == 0 &&
              RenderDevice::DEPTH_NEVER_PASS == 7 && RenderDevice::STENCIL_NEVER_PASS == 7 &&
              RenderDevice::DEPTH_EQUAL == static_cast<int>(RenderDevice::STENCIL_EQUAL));
constexpr GLenum kComparisons[] = {GL_GREATER,  GL_LESS,  GL_GEQUAL, GL_LEQUAL,
                                   GL_NOTEQUAL, GL_EQUAL, GL_ALWAYS, GL_NEVER};

GLenum glComparison(int test, GLenum fallback) {
    return test >= 0 && test < 8 ? kComparisons[test] : fallback;
}

GLenum glDepth(RenderDevice::DepthTest t) {
    return glComparison(t, GL_LEQUAL);
}

GLenum glStencilTest(RenderDevice::StencilTest t) {
    return glComparison(t, GL_ALWAYS);
}

GLenum glStencilOperation(RenderDevice::StencilOp op) {
    switch (op) {
        case RenderDevice::STENCIL_INCR_WRAP:
            return GL_INCR_WRAP;
        case RenderDevice::STENCIL_DECR_WRAP:
            return GL_DECR_WRAP;
        case RenderDevice::STENCIL_KEEP:
            return GL_KEEP;
        case RenderDevice::STENCIL_INCR:
            return GL_INCR;
        case RenderDevice::STENCIL_DECR:
            return GL_DECR;
        case RenderDevice::STENCIL_REPLACE:
            return GL_REPLACE;
        case RenderDevice::STENCIL_ZERO:
            return GL_ZERO;
        case RenderDevice::STENCIL_INVERT:
            return GL_INVERT;
    }
    return GL_KEEP;
}

GLenum glBlendFactor(RenderDevice::BlendFunc f) {
    switch (f) {
        case RenderDevice::BLEND_SRC_ALPHA:
            return GL_SRC_ALPHA;
        case RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA:
            return GL_ONE_MINUS_SRC_ALPHA;
        case RenderDevice::BLEND_ONE:
            return GL_ONE;
        case RenderDevice::BLEND_ZERO:
            return GL_ZERO;
        case RenderDevice::BLEND_SRC_COLOR:
            return GL_SRC_COLOR;
        case RenderDevice::BLEND_DST_COLOR:
            return GL_DST_COLOR;
        case RenderDevice::BLEND_ONE_MINUS_SRC_COLOR:
            return GL_ONE_MINUS_SRC_COLOR;
        case RenderDevice::BLEND_DST_ALPHA:
            return GL_DST_ALPHA;
        case RenderDevice::BLEND_ONE_MINUS_DST_ALPHA:
            return GL_ONE_MINUS_DST_ALPHA;
    }
    return GL_ONE;
}

GLenum glBlendEquationMode(RenderDevice::BlendEq e) {
    switch (e) {
        case RenderDevice::BLENDEQ_ADD:
            return GL_FUNC_ADD;
        case RenderDevice::BLENDEQ_SUBTRACT:
            return GL_FUNC_SUBTRACT;
        case RenderDevice::BLENDEQ_REVERSE_SUBTRACT:
            return GL_FUNC_REVERSE_SUBTRACT;
        case RenderDevice::BLENDEQ_MIN:
            return GL_MIN;
        case RenderDevice::BLENDEQ_MAX:
            return GL_MAX;
    }
    return GL_FUNC_ADD;
}

GLenum glPrimitive(RenderDevice::Primitive p) {
    switch (p) {
        case RenderDevice::LINES:
            return GL_LINES;
        case RenderDevice::LINE_STRIP:
            return GL_LINE_STRIP;
        case RenderDevice::TRIANGLES:
            return GL_TRIANGLES;
        case RenderDevice::TRIANGLE_STRIP:
            return GL_TRIANGLE_STRIP;
        case RenderDevice::TRIANGLE_FAN:
            return GL_TRIANGLE_FAN;
        case RenderDevice::QUADS:
            return GL_QUADS;
        case RenderDevice::QUAD_STRIP:
            return GL_QUAD_STRIP;
        case RenderDevice::POINTS:
            return GL_POINTS;
    }
    return GL_POINTS;
}

// Kinds whose primitives stand alone, so that two runs of them drawn as one
// give the same picture.
bool independent(RenderDevice::Primitive p) {
    return p == RenderDevice::LINES || p == RenderDevice::TRIANGLES || p == RenderDevice::QUADS ||
           p == RenderDevice::POINTS;
}

// Vertices per primitive of an independent kind; a primitive left short is dropped, as glEnd does.
std::size_t verticesPer(RenderDevice::Primitive p) {
    switch (p) {
        case RenderDevice::LINES:
            return 2;
        case RenderDevice::TRIANGLES:
            return 3;
        case RenderDevice::QUADS:
            return 4;
        default:
            return 1;
    }
}

void applyPolygonOffset(float factor, float units) {
    if (factor == 0 && units == 0) {
        glDisable(GL_POLYGON_OFFSET_FILL);
    } else {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(factor, units);
    }
}

void loadMatrix(const glm::mat4& m) {
    glLoadMatrixf(&m[0][0]);
}

// Texture units the context offers, capped by what the state tracks.
int queryTextureUnits() {
    GLint units = 1;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    if (units < 1)
        units = 1;
    return units < RenderDevice::MAX_TEXTURE_UNITS ? units : RenderDevice::MAX_TEXTURE_UNITS;
}

}  // namespace

RenderDevice::RenderDevice() : state_(std::make_unique<State>()) {}

RenderDevice::~RenderDevice() = default;

void RenderDevice::init() {
    flush();
    GLint vp[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, vp);
    for (int i = 0; i < 4; ++i)
        state_->viewport[i] = vp[i];
    beginFrame();
}

int RenderDevice::textureUnits() {
    if (textureUnits_ == 0)
        textureUnits_ = queryTextureUnits();
    return textureUnits_;
}

void RenderDevice::pushState() {
    stack_.push_back(*state_);
}

void RenderDevice::popState() {
    if (stack_.empty()) {
        std::fprintf(stderr, "RenderDevice: popState without pushState\n");
        return;
    }
    // What was gathered belongs to the state being left, which the context
    // still holds: drawn under it.
    if (!positions_.empty() && !sameButVertexAttributes(stack_.back(), *state_))
        flush();
    State previous = std::move(*state_);
    *state_ = std::move(stack_.back());
    stack_.pop_back();
    applyState(&previous);
}

bool RenderDevice::sameButVertexAttributes(const State& a, State& b) {
    // Compared in place: this runs at every pop inside a batch, and a copy of
    // the state would also copy its texture handles.
    const Color4 color = b.color;
    const Vector3 normal = b.normal;
    const auto texCoord = b.texCoord;
    b.color = a.color;
    b.normal = a.normal;
    b.texCoord = a.texCoord;
    const bool same = a == b;
    b.color = color;
    b.normal = normal;
    b.texCoord = texCoord;
    return same;
}

void RenderDevice::beginFrame() {
    flush();
    sentSinceFlush_ = 0;
    // Settings that never change: colours drive the lit material, normals are
    // rescaled with the object-to-world matrix.
    textureUnits_ = queryTextureUnits();
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_RESCALE_NORMAL);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);
    applyState(nullptr);
}

// Sends the state to OpenGL: all of it without a previous state, else only
// what differs from it (the context is taken to hold the previous state).
void RenderDevice::applyState(const State* previous) {
    const State& s = *state_;
    const State* p = previous;
    if (!p || !std::equal(s.viewport, s.viewport + 4, p->viewport))
        glViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
    if (!p || !(s.clearColor == p->clearColor))
        glClearColor(s.clearColor.r, s.clearColor.g, s.clearColor.b, s.clearColor.a);
    if (!p || s.stencilClear != p->stencilClear)
        glClearStencil(s.stencilClear);
    if (!p || s.depthClear != p->depthClear)
        glClearDepth(s.depthClear);

    if (!p)
        glEnable(GL_DEPTH_TEST);
    if (!p || s.depthTest != p->depthTest)
        glDepthFunc(glDepth(s.depthTest));
    if (!p || s.depthWrite != p->depthWrite)
        glDepthMask(s.depthWrite ? GL_TRUE : GL_FALSE);
    if (!p || s.colorWrite != p->colorWrite) {
        GLboolean c = s.colorWrite ? GL_TRUE : GL_FALSE;
        glColorMask(c, c, c, c);
    }

    if (!p || s.stencilTest != p->stencilTest || s.stencilReference != p->stencilReference ||
        s.stencilFail != p->stencilFail || s.stencilZFail != p->stencilZFail ||
        s.stencilZPass != p->stencilZPass)
        applyStencil();
    if (!p || s.blendSrc != p->blendSrc || s.blendDst != p->blendDst || s.blendEq != p->blendEq)
        applyBlend();

    if (!p || s.lineWidth != p->lineWidth)
        glLineWidth(s.lineWidth);
    if (!p || s.lineSmoothing != p->lineSmoothing) {
        if (s.lineSmoothing)
            glEnable(GL_LINE_SMOOTH);
        else
            glDisable(GL_LINE_SMOOTH);
    }
    if (!p || s.alphaTest != p->alphaTest || s.alphaReference != p->alphaReference) {
        if (s.alphaTest) {
            glEnable(GL_ALPHA_TEST);
            glAlphaFunc(GL_GEQUAL, s.alphaReference);
        } else {
            glDisable(GL_ALPHA_TEST);
        }
    }
    if (!p || s.cullFace != p->cullFace) {
        if (s.cullFace == CULL_NONE) {
            glDisable(GL_CULL_FACE);
        } else {
            glEnable(GL_CULL_FACE);
            glCullFace(s.cullFace == CULL_FRONT ? GL_FRONT : GL_BACK);
        }
    }
    if (!p || s.offsetFactor != p->offsetFactor || s.offsetUnits != p->offsetUnits)
        applyPolygonOffset(s.offsetFactor, s.offsetUnits);
    if (!p || s.shadeMode != p->shadeMode)
        glShadeModel(s.shadeMode == SHADE_FLAT ? GL_FLAT : GL_SMOOTH);

    if (!p || !(s.ambient == p->ambient)) {
        float ambient[4] = {s.ambient.r, s.ambient.g, s.ambient.b, s.ambient.a};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    }
    if (!p || s.lighting != p->lighting) {
        if (s.lighting)
            glEnable(GL_LIGHTING);
        else
            glDisable(GL_LIGHTING);
    }

    int units = textureUnits();
    bool unitChanged = false;
    for (int u = 0; u < units; ++u) {
        if (p && s.textures[u] == p->textures[u] && s.texCoord[u] == p->texCoord[u])
            continue;
        unitChanged = true;
        glActiveTexture(GL_TEXTURE0 + u);
        const std::shared_ptr<Texture>& t = s.textures[u];
        unsigned int id = t ? t->openGLID() : 0;
        if (id != 0) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, id);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        } else {
            glBindTexture(GL_TEXTURE_2D, 0);
            glDisable(GL_TEXTURE_2D);
        }
        glMultiTexCoord2f(GL_TEXTURE0 + u, s.texCoord[u][0], s.texCoord[u][1]);
    }
    if (unitChanged)
        glActiveTexture(GL_TEXTURE0);

    bool cameraChanged = !p || !(s.cameraToWorld == p->cameraToWorld);
    if (cameraChanged || !(s.objectToWorld == p->objectToWorld) || s.projection != p->projection)
        applyMatrices();
    if (cameraChanged || s.lightOn != p->lightOn || s.lights != p->lights)
        applyLights();
    if (!p || !(s.color == p->color))
        glColor4f(s.color.r, s.color.g, s.color.b, s.color.a);
    if (!p || !(s.normal == p->normal))
        glNormal3f(s.normal.x, s.normal.y, s.normal.z);
}

void RenderDevice::applyStencil() {
    const State& s = *state_;
    bool off = s.stencilTest == STENCIL_ALWAYS_PASS && s.stencilFail == STENCIL_KEEP &&
               s.stencilZFail == STENCIL_KEEP && s.stencilZPass == STENCIL_KEEP;
    if (off) {
        glDisable(GL_STENCIL_TEST);
        return;
    }
    glEnable(GL_STENCIL_TEST);
    glStencilMask(~0u);
    glStencilFunc(glStencilTest(s.stencilTest), s.stencilReference, ~0u);
    glStencilOp(glStencilOperation(s.stencilFail), glStencilOperation(s.stencilZFail),
                glStencilOperation(s.stencilZPass));
}

void RenderDevice::applyBlend() {
    const State& s = *state_;
    if (s.blendSrc == BLEND_ONE && s.blendDst == BLEND_ZERO && s.blendEq == BLENDEQ_ADD) {
        glDisable(GL_BLEND);
        return;
    }
    glEnable(GL_BLEND);
    glBlendFunc(glBlendFactor(s.blendSrc), glBlendFactor(s.blendDst));
    glBlendEquation(glBlendEquationMode(s.blendEq));
}

void RenderDevice::applyMatrices() {
    const State& s = *state_;
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(s.projection.data());
    glMatrixMode(GL_MODELVIEW);
    glm::mat4 view = renderMath::toGlm(renderMath::inverse(s.cameraToWorld));
    loadMatrix(view * renderMath::toGlm(s.objectToWorld));
}

void RenderDevice::applyLights() {
    const State& s = *state_;
    // Light positions are taken through the modelview matrix: give them in world space.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    loadMatrix(renderMath::toGlm(renderMath::inverse(s.cameraToWorld)));
    for (int i = 0; i < MAX_LIGHTS; ++i) {
        GLenum id = GL_LIGHT0 + i;
        if (!s.lightOn[i]) {
            glDisable(id);
            continue;
        }
        const Light& l = s.lights[i];
        float position[4] = {l.position.x, l.position.y, l.position.z, l.w};
        float color[4] = {l.color.r, l.color.g, l.color.b, 1};
        float black[4] = {0, 0, 0, 1};
        glLightfv(id, GL_POSITION, position);
        glLightfv(id, GL_AMBIENT, black);
        glLightfv(id, GL_DIFFUSE, l.diffuse ? color : black);
        glLightfv(id, GL_SPECULAR, l.specular ? color : black);
        glEnable(id);
    }
    glPopMatrix();
}

void RenderDevice::setViewport(int x, int y, int width, int height) {
    flush();
    int* v = state_->viewport;
    v[0] = x, v[1] = y, v[2] = width, v[3] = height;
    glViewport(x, y, width, height);
}

void RenderDevice::setViewport(const Rect2D& v) {
    setViewport(int(v.x0()), int(v.y0()), int(v.width()), int(v.height()));
}

Rect2D RenderDevice::viewport() const {
    const int* v = state_->viewport;
    return Rect2D::xywh(float(v[0]), float(v[1]), float(v[2]), float(v[3]));
}

void RenderDevice::viewport(int* x, int* y, int* width, int* height) const {
    if (x)
        *x = state_->viewport[0];
    if (y)
        *y = state_->viewport[1];
    if (width)
        *width = state_->viewport[2];
    if (height)
        *height = state_->viewport[3];
}

int RenderDevice::width() const {
    return state_->viewport[2];
}

int RenderDevice::height() const {
    return state_->viewport[3];
}

void RenderDevice::setColorClearValue(const Color4& color) {
    flush();
    state_->clearColor = color;
    glClearColor(color.r, color.g, color.b, color.a);
}

void RenderDevice::setStencilClearValue(int value) {
    flush();
    state_->stencilClear = value;
    glClearStencil(value);
}

void RenderDevice::setDepthClearValue(float value) {
    flush();
    state_->depthClear = value;
    glClearDepth(value);
}

void RenderDevice::clear(bool color, bool depth, bool stencil) {
    flush();
    // Clearing obeys the write masks: open them for the clear only.
    GLbitfield bits = 0;
    if (color) {
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        bits |= GL_COLOR_BUFFER_BIT;
    }
    if (depth) {
        glDepthMask(GL_TRUE);
        bits |= GL_DEPTH_BUFFER_BIT;
    }
    if (stencil) {
        glStencilMask(~0u);
        bits |= GL_STENCIL_BUFFER_BIT;
    }
    if (bits)
        glClear(bits);
    GLboolean c = state_->colorWrite ? GL_TRUE : GL_FALSE;
    glColorMask(c, c, c, c);
    glDepthMask(state_->depthWrite ? GL_TRUE : GL_FALSE);
}

void RenderDevice::setDepthTest(DepthTest test) {
    if (state_->depthTest == test)
        return;
    flush();
    state_->depthTest = test;
    glDepthFunc(glDepth(test));
}

void RenderDevice::setDepthWrite(bool enabled) {
    if (state_->depthWrite == enabled)
        return;
    flush();
    state_->depthWrite = enabled;
    glDepthMask(enabled ? GL_TRUE : GL_FALSE);
}

void RenderDevice::setColorWrite(bool enabled) {
    if (state_->colorWrite == enabled)
        return;
    flush();
    state_->colorWrite = enabled;
    GLboolean c = enabled ? GL_TRUE : GL_FALSE;
    glColorMask(c, c, c, c);
}

void RenderDevice::setStencilTest(StencilTest test) {
    if (state_->stencilTest == test)
        return;
    flush();
    state_->stencilTest = test;
    applyStencil();
}

void RenderDevice::setStencilConstant(int reference) {
    if (state_->stencilReference == reference)
        return;
    flush();
    state_->stencilReference = reference;
    applyStencil();
}

void RenderDevice::setStencilOp(StencilOp fail, StencilOp zfail, StencilOp zpass) {
    if (state_->stencilFail == fail && state_->stencilZFail == zfail &&
        state_->stencilZPass == zpass)
        return;
    flush();
    state_->stencilFail = fail;
    state_->stencilZFail = zfail;
    state_->stencilZPass = zpass;
    applyStencil();
}

void RenderDevice::setBlendFunc(BlendFunc src, BlendFunc dst, BlendEq eq) {
    if (state_->blendSrc == src && state_->blendDst == dst && state_->blendEq == eq)
        return;
    flush();
    state_->blendSrc = src;
    state_->blendDst = dst;
    state_->blendEq = eq;
    applyBlend();
}

void RenderDevice::setLineWidth(float width) {
    if (state_->lineWidth == width)
        return;
    flush();
    state_->lineWidth = width;
    glLineWidth(width);
}

void RenderDevice::setLineSmoothing(bool enabled) {
    if (state_->lineSmoothing == enabled)
        return;
    flush();
    state_->lineSmoothing = enabled;
    if (enabled)
        glEnable(GL_LINE_SMOOTH);
    else
        glDisable(GL_LINE_SMOOTH);
}

void RenderDevice::setAlphaTest(bool enabled, float reference) {
    if (state_->alphaTest == enabled && state_->alphaReference == reference)
        return;
    flush();
    state_->alphaTest = enabled;
    state_->alphaReference = reference;
    if (enabled) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GEQUAL, reference);
    } else {
        glDisable(GL_ALPHA_TEST);
    }
}

void RenderDevice::setCullFace(CullFace face) {
    if (state_->cullFace == face)
        return;
    flush();
    state_->cullFace = face;
    if (face == CULL_NONE) {
        glDisable(GL_CULL_FACE);
    } else {
        glEnable(GL_CULL_FACE);
        glCullFace(face == CULL_FRONT ? GL_FRONT : GL_BACK);
    }
}

void RenderDevice::setPolygonOffset(float factor, float units) {
    if (state_->offsetFactor == factor && state_->offsetUnits == units)
        return;
    flush();
    state_->offsetFactor = factor;
    state_->offsetUnits = units;
    applyPolygonOffset(factor, units);
}

void RenderDevice::setShadeMode(ShadeMode mode) {
    if (state_->shadeMode == mode)
        return;
    flush();
    state_->shadeMode = mode;
    glShadeModel(mode == SHADE_FLAT ? GL_FLAT : GL_SMOOTH);
}

void RenderDevice::enableLighting() {
    if (state_->lighting)
        return;
    flush();
    state_->lighting = true;
    glEnable(GL_LIGHTING);
}

void RenderDevice::disableLighting() {
    if (!state_->lighting)
        return;
    flush();
    state_->lighting = false;
    glDisable(GL_LIGHTING);
}

void RenderDevice::setLight(int index, const Light& light) {
    if (index < 0 || index >= MAX_LIGHTS)
        return;
    if (state_->lightOn[index] && state_->lights[index] == light)
        return;
    flush();
    state_->lightOn[index] = true;
    state_->lights[index] = light;
    applyLights();
}

void RenderDevice::removeLight(int index) {
    if (index < 0 || index >= MAX_LIGHTS)
        return;
    if (!state_->lightOn[index])
        return;
    flush();
    state_->lightOn[index] = false;
    glDisable(GL_LIGHT0 + index);
}

void RenderDevice::setAmbientLightColor(const Color3& color) {
    setAmbientLightColor(Color4(color.r, color.g, color.b, 1));
}

void RenderDevice::setAmbientLightColor(const Color4& color) {
    if (state_->ambient == color)
        return;
    flush();
    state_->ambient = color;
    float ambient[4] = {color.r, color.g, color.b, color.a};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
}

void RenderDevice::setObjectToWorldMatrix(const CoordinateFrame& frame) {
    if (state_->objectToWorld == frame)
        return;
    flush();
    state_->objectToWorld = frame;
    applyMatrices();
}

CoordinateFrame RenderDevice::objectToWorldMatrix() const {
    return state_->objectToWorld;
}

void RenderDevice::setCameraToWorldMatrix(const CoordinateFrame& frame) {
    if (state_->cameraToWorld == frame)
        return;
    flush();
    state_->cameraToWorld = frame;
    applyMatrices();
    applyLights();
}

CoordinateFrame RenderDevice::cameraToWorldMatrix() const {
    return state_->cameraToWorld;
}

void RenderDevice::setProjectionAndCameraMatrix(const Camera& camera) {
    std::array<double, 16> projection;
    camera.projectionMatrix(float(state_->viewport[2]), float(state_->viewport[3]),
                            projection.data());
    if (projection != state_->projection) {
        flush();
        state_->projection = projection;
        applyMatrices();
    }
    setCameraToWorldMatrix(camera.coordinateFrame());
}

bool RenderDevice::project(const Vector3& world, float* x, float* y, float* pixelsPerUnit) const {
    const Vector3 eye = state_->cameraToWorld.pointToObjectSpace(world);
    const auto& m = state_->projection;  // column-major, as OpenGL takes it
    const double e[4] = {eye.x, eye.y, eye.z, 1.0};
    double clip[4];
    for (int row = 0; row < 4; ++row) {
        clip[row] = m[row] * e[0] + m[4 + row] * e[1] + m[8 + row] * e[2] + m[12 + row] * e[3];
    }
    if (!(clip[3] > 0)) {
        return false;
    }
    const int* v = state_->viewport;
    *x = static_cast<float>((clip[0] / clip[3] + 1) * 0.5 * v[2]);
    *y = static_cast<float>((1 - clip[1] / clip[3]) * 0.5 * v[3]);
    *pixelsPerUnit = static_cast<float>(m[5] * 0.5 * v[3] / clip[3]);
    return true;
}

void RenderDevice::setTexture(int unit, std::shared_ptr<Texture> texture) {
    if (unit < 0 || unit >= MAX_TEXTURE_UNITS)
        return;
    if (state_->textures[unit] == texture)
        return;
    flush();
    state_->textures[unit] = std::move(texture);
    if (unit >= textureUnits())
        return;
    glActiveTexture(GL_TEXTURE0 + unit);
    unsigned int id = state_->textures[unit] ? state_->textures[unit]->openGLID() : 0;
    if (id != 0) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, id);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    } else {
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
    }
    glActiveTexture(GL_TEXTURE0);
}

// Colour, normal and texture coordinates go with each vertex sent after them.
void RenderDevice::setColor(const Color4& color) {
    state_->color = color;
}

void RenderDevice::setNormal(const Vector3& normal) {
    state_->normal = normal;
}

void RenderDevice::setTexCoord(int unit, float s, float t) {
    if (unit < 0 || unit >= MAX_TEXTURE_UNITS)
        return;
    state_->texCoord[unit] = {s, t};
}

void RenderDevice::beginBatch() {
    ++batchDepth_;
}

void RenderDevice::endBatch() {
    if (batchDepth_ > 0 && --batchDepth_ == 0)
        flush();
}

void RenderDevice::beginPrimitive(Primitive primitive) {
    if (inPrimitive_) {
        std::fprintf(stderr, "RenderDevice: beginPrimitive inside a primitive\n");
        return;
    }
    if (!positions_.empty() && (primitive != gathered_ || !independent(primitive)))
        flush();
    inPrimitive_ = true;
    gathered_ = primitive;
    primitiveStart_ = positions_.size() / 3;
}

void RenderDevice::sendVertex(const Vector3& v) {
    sendVertex(v.x, v.y, v.z);
}

void RenderDevice::sendVertex(float x, float y, float z) {
    if (!inPrimitive_)
        return;
    const std::size_t index = positions_.size() / 3;
    if (index == 0) {
        // Texture bindings hold for the whole gathering: changing one draws it first.
        const int units = textureUnits();
        for (int u = 0; u < MAX_TEXTURE_UNITS; ++u)
            unitUsed_[u] = u < units && state_->textures[u] != nullptr;
    }
    positions_.insert(positions_.end(), {x, y, z});
    const State& s = *state_;
    const float color[4] = {s.color.r, s.color.g, s.color.b, s.color.a};
    const float normal[3] = {s.normal.x, s.normal.y, s.normal.z};
    colors_.add(color, index);
    normals_.add(normal, index);
    for (int u = 0; u < MAX_TEXTURE_UNITS; ++u) {
        if (unitUsed_[u])
            texCoords_[u].add(s.texCoord[u].data(), index);
    }
}

void RenderDevice::endPrimitive() {
    if (!inPrimitive_)
        return;
    inPrimitive_ = false;
    if (independent(gathered_)) {
        const std::size_t count = positions_.size() / 3;
        const std::size_t whole = primitiveStart_ + (count - primitiveStart_) /
                                                        verticesPer(gathered_) *
                                                        verticesPer(gathered_);
        if (whole != count) {
            positions_.resize(whole * 3);
            colors_.truncate(whole);
            normals_.truncate(whole);
            for (Channel& c : texCoords_)
                c.truncate(whole);
        }
    }
    // A long run is drawn in parts, so that the rasteriser works on one part
    // while the next is gathered.
    if (batchDepth_ == 0 || !independent(gathered_) || positions_.size() / 3 >= kVerticesPerDraw)
        flush();
}

void RenderDevice::flush() {
    if (positions_.empty())
        return;
    const auto count = GLsizei(positions_.size() / 3);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions_.data());
    if (colors_.varying) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, 0, colors_.values.data());
    } else {
        glColor4fv(colors_.first);
    }
    if (normals_.varying) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, normals_.values.data());
    } else {
        glNormal3fv(normals_.first);
    }
    for (int u = 0; u < MAX_TEXTURE_UNITS; ++u) {
        if (!unitUsed_[u])
            continue;
        const Channel& c = texCoords_[u];
        if (c.varying) {
            glClientActiveTexture(GL_TEXTURE0 + u);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, 0, c.values.data());
        } else {
            glMultiTexCoord2f(GL_TEXTURE0 + u, c.first[0], c.first[1]);
        }
    }

    // Blending and textures that cannot change a pixel cost a software
    // rasteriser a read and a mix or a filtered lookup per fragment: draw
    // such a run without them. A white texture modulates nothing.
    const bool unblended = blendingNeedless();
    if (unblended)
        glDisable(GL_BLEND);
    bool whiteUnit[MAX_TEXTURE_UNITS] = {};
    for (int u = 0; u < MAX_TEXTURE_UNITS; ++u) {
        whiteUnit[u] = skipNeedlessWork && unitUsed_[u] && state_->textures[u]->white();
        if (whiteUnit[u]) {
            glActiveTexture(GL_TEXTURE0 + u);
            glDisable(GL_TEXTURE_2D);
        }
    }
    glDrawArrays(glPrimitive(gathered_), 0, count);
    // A software rasteriser starts on what it was sent only when the context
    // is flushed: hand it each large share at once, so that it draws while
    // the rest of the frame is sent.
    sentSinceFlush_ += std::size_t(count);
    if (sentSinceFlush_ >= kVerticesPerFlush) {
        glFlush();
        sentSinceFlush_ = 0;
    }
    if (unblended)
        glEnable(GL_BLEND);
    for (int u = 0; u < MAX_TEXTURE_UNITS; ++u) {
        if (whiteUnit[u]) {
            glActiveTexture(GL_TEXTURE0 + u);
            glEnable(GL_TEXTURE_2D);
        }
    }
    glActiveTexture(GL_TEXTURE0);

    for (int u = 0; u < MAX_TEXTURE_UNITS; ++u) {
        if (unitUsed_[u] && texCoords_[u].varying) {
            glClientActiveTexture(GL_TEXTURE0 + u);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
    }
    glClientActiveTexture(GL_TEXTURE0);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);

    positions_.clear();
    primitiveStart_ = 0;
    colors_.truncate(0);
    normals_.truncate(0);
    for (Channel& c : texCoords_)
        c.truncate(0);
}

bool RenderDevice::blendingNeedless() const {
    const State& s = *state_;
    if (!skipNeedlessWork || s.blendSrc != BLEND_SRC_ALPHA ||
        s.blendDst != BLEND_ONE_MINUS_SRC_ALPHA || s.blendEq != BLENDEQ_ADD)
        return false;
    // Smoothing gives the edges of a line their coverage as alpha; a texture
    // modulates alpha by its own.
    const bool lines = gathered_ == LINES || gathered_ == LINE_STRIP;
    if (lines && s.lineSmoothing)
        return false;
    for (int u = 0; u < MAX_TEXTURE_UNITS; ++u) {
        if (unitUsed_[u] && !s.textures[u]->opaque())
            return false;
    }
    // With alpha 1 the source wins whole: src * 1 + dst * 0, alpha 1 as well.
    if (!colors_.varying)
        return colors_.first[3] == 1.0f;
    for (std::size_t i = 3; i < colors_.values.size(); i += 4) {
        if (colors_.values[i] != 1.0f)
            return false;
    }
    return true;
}

void RenderDevice::Channel::add(const float* value, std::size_t index) {
    if (!varying) {
        if (index == 0) {
            std::memcpy(first, value, sizeof(float) * size);
            return;
        }
        if (std::memcmp(first, value, sizeof(float) * size) == 0)
            return;
        varying = true;
        values.clear();
        for (std::size_t i = 0; i < index; ++i)
            values.insert(values.end(), first, first + size);
    }
    values.insert(values.end(), value, value + size);
}

void RenderDevice::Channel::truncate(std::size_t count) {
    if (count == 0) {
        varying = false;
        values.clear();
    } else if (varying) {
        values.resize(count * size);
    }
}
