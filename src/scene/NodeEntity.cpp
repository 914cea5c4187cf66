// Node geometry, label fitting, stencil clipping, picking and hover magnification.
#include "scene/NodeEntity.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <typeinfo>

#include "engine/Plane.h"
#include "engine/Vector2.h"
#include "engine/render/Draw.h"
#include "engine/render/Font.h"
#include "engine/render/RenderDevice.h"
#include "engine/render/Texture.h"
#include "scene/SlotPool.h"

int NodeEntity::frameClipCount = 0;

NodeEntity::ActivityScale::ActivityScale(const Vector3& from_, const Vector3& to_,
                                         NodeEntity* target_, double duration)
    : Activity(duration), from(from_), to(to_), target(target_) {}

void NodeEntity::ActivityScale::update() {
    Activity::update();
    if (target == nullptr) {
        return;
    }
    const float p = static_cast<float>(progress());
    const float width = from.x + (to.x - from.x) * p;
    const float current = target->size.x;
    // A node of width 0 has no factor that could give it a width.
    if (current == 0 || !std::isfinite(current)) {
        return;
    }
    target->scale(static_cast<double>(width / current));
}

NodeEntity::SetScaledUpActivity::SetScaledUpActivity(NodeEntity* target_, bool value_,
                                                     double duration)
    : Activity(duration), target(target_), value(value_) {}

void NodeEntity::SetScaledUpActivity::update() {
    Activity::update();
    if (done && target != nullptr) {
        target->scaledUp = value;
    }
}

NodeEntity::NodeEntity(const CoordinateFrame& frame, const std::string& name_, int shapeKind_,
                       const Vector3& size_, const Color4& color_, bool fullLabel_) {
    type = "NodeEntity";
    // This runs update before the values below are stored; the members'
    // defaults make that first rebuild harmless.
    setLocalFrame(frame);
    name = name_;
    shapeKind = shapeKind_;
    size = size_;
    color = color_;
    fullLabel = fullLabel_;
    labelSize = size.y * 0.5;
    update();
}

NodeEntity::~NodeEntity() = default;

void* NodeEntity::operator new(std::size_t size) {
    return allocateSlot<NodeEntity>(size);
}

void NodeEntity::operator delete(void* p, std::size_t size) {
    releaseSlot<NodeEntity>(p, size);
}

void NodeEntity::setSize(float x, float y, float z) {
    size = Vector3(x, y, z);
    update();
}

void NodeEntity::setLabelSize(double s) {
    labelSize = s;
    update();
}

void NodeEntity::setName(const std::string& n) {
    name = n;
    update();
}

void NodeEntity::setTexture(std::shared_ptr<Texture> t) {
    texture = std::move(t);
    update();
}

void NodeEntity::setColor(float r, float g, float b, float a) {
    color = Color4(r, g, b, a);
    update();
}

void NodeEntity::setFontColor(float r, float g, float b, float a) {
    fontColor = Color4(r, g, b, a);
    update();
}

void NodeEntity::setFont(std::shared_ptr<Font> f) {
    font = f;
    for (Entity* child : children) {
        child->setFont(f);
    }
    update();
}

namespace {

// Bitwise equality of two rotations: cheaper than the float comparison (no
// call, no branch per element), and stricter but for NaNs, which the full
// frame change would not clean up either.
bool sameBits(const Matrix3& a, const Matrix3& b) {
    uint32_t differ = 0;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            differ |= std::bit_cast<uint32_t>(a.m[r][c]) ^ std::bit_cast<uint32_t>(b.m[r][c]);
        }
    }
    return differ == 0;
}

// Labels are UTF-8: cut whole characters, never half of one.
bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool hasTwoCharacters(const std::string& text) {
    int n = 0;
    for (std::size_t i = 0; i < text.size() && n < 2; ++i) {
        n += isContinuation(text[i]) ? 0 : 1;
    }
    return n >= 2;
}

// The first `longest` bytes of text, cut before a whole character, followed by
// "_" when something was cut.
std::string bounded(const std::string& text, std::size_t longest) {
    if (text.size() <= longest) {
        return text;
    }
    std::size_t cut = longest;
    while (cut > 0 && isContinuation(text[cut])) {
        --cut;
    }
    return text.substr(0, cut) + "_";
}

}  // namespace

std::string NodeEntity::fitLabel(const std::string& text, double labelSize, double width,
                                 const Font* font) {
    if (font == nullptr || !hasTwoCharacters(text)) {
        return bounded(text, LONGEST_LABEL);
    }
    // Widths of growing prefixes, each one character more: the scan stops at
    // the first that is too wide or too long, so a long name costs no more
    // than its fit.
    const std::size_t fits = font->fittingPrefix(text, labelSize, width, LONGEST_LABEL);
    if (fits == text.size()) {
        return text;
    }
    return fits == 0 ? std::string() : text.substr(0, fits) + "_";
}

void NodeEntity::update() {
    updateContent();
}

bool NodeEntity::contentCurrent() const {
    const ContentInputs& c = content;
    return c.valid && c.texture == texture.get() && c.font == font.get() && c.width == size.x &&
           c.labelSize == labelSize && c.fullLabel == fullLabel && c.color == color &&
           c.cacheSize == textureCache.size() && c.name == name && c.shapeName == shapeName;
}

void NodeEntity::updateContent() {
    if (texture == nullptr) {
        auto entry = textureCache.find(shapeName);
        if (entry != textureCache.end()) {
            drawTexture = entry->second;
        }
        drawColor = color;
    } else {
        drawTexture = texture;
        drawColor = Color4(1, 1, 1, 1);
        textured = true;
    }

    if (fullLabel) {
        labelText = bounded(name, LONGEST_LABEL);
    } else if (!fitted.valid || fitted.name != name || fitted.labelSize != labelSize ||
               fitted.width != size.x || fitted.font != font.get()) {
        labelText = fitLabel(name, labelSize, size.x, font.get());
        fitted = {true, name, labelSize, size.x, font.get(), labelText};
    } else {
        labelText = fitted.label;
    }

    labelExtent = font != nullptr ? font->bounds(labelText, labelSize) : Vector2();
    content = {true,  fullLabel, textureCache.size(), shapeName, texture.get(),
               color, name,      labelSize,           size.x,    font.get()};
}

// Points of the node's own plane (z = 0) from its first two axes.
Vector3 NodeEntity::corner(float across, float along) const {
    const Vector3 right = globalFrame.rotation.column(0), up = globalFrame.rotation.column(1);
    return right * (across * (size.x / 2)) + up * (along * (size.y / 2)) + globalFrame.translation;
}

// The label frame only shifts the node's frame, so no rotation product.
CoordinateFrame NodeEntity::getLabelFrame() const {
    const Vector3 right = globalFrame.rotation.column(0), up = globalFrame.rotation.column(1);
    return CoordinateFrame(
        globalFrame.rotation,
        (up * (labelExtent.y / 2) - right * (labelExtent.x / 2)) + globalFrame.translation);
}

// Frame operations rebuild the content only when its inputs moved, which
// keeps the layout thread's write-back cheap.
void NodeEntity::frameUpdate() {
    if (!contentCurrent()) {
        updateContent();
    }
}

AABox NodeEntity::worldBox() const {
    return AABox(globalFrame.pointToWorldSpace(size * -0.5f),
                 globalFrame.pointToWorldSpace(size * 0.5f));
}

void NodeEntity::beginRender(RenderDevice* rd, const CoordinateFrame& clipFrame,
                             const AABox& clipBox) {
    rd->pushState();
    if (clip) {
        const CoordinateFrame objectToWorld = rd->objectToWorldMatrix();
        rd->setObjectToWorldMatrix(clipFrame);
        if (frameClipCount == 0) {
            rd->setStencilConstant(1);
            rd->setStencilTest(RenderDevice::STENCIL_NEVER_PASS);
            rd->setStencilOp(RenderDevice::STENCIL_INCR, RenderDevice::STENCIL_KEEP,
                             RenderDevice::STENCIL_KEEP);
            Draw::box(clipBox, rd, Color4(1, 1, 1, 1), Color4::clear());
            frameClipCount = 1;
            clipOpener = true;
        } else {
            rd->setStencilTest(RenderDevice::STENCIL_NEVER_PASS);
            rd->setStencilOp(RenderDevice::STENCIL_INCR, RenderDevice::STENCIL_KEEP,
                             RenderDevice::STENCIL_KEEP);
            Draw::box(clipBox, rd, Color4(1, 1, 1, 1), Color4::clear());
            rd->setStencilTest(RenderDevice::STENCIL_GREATER);
            rd->setStencilOp(RenderDevice::STENCIL_DECR, RenderDevice::STENCIL_KEEP,
                             RenderDevice::STENCIL_KEEP);
            Draw::box(clipBox, rd, Color4(1, 1, 1, 1), Color4::clear());
        }
        rd->setObjectToWorldMatrix(objectToWorld);
        rd->setStencilTest(RenderDevice::STENCIL_LEQUAL);
        rd->setStencilOp(RenderDevice::STENCIL_KEEP, RenderDevice::STENCIL_KEEP,
                         RenderDevice::STENCIL_KEEP);
    }
    if (unclipped) {
        rd->setStencilTest(RenderDevice::STENCIL_ALWAYS_PASS);
    }
    if (childrenFirst) {
        renderEntities(rd, children.items(), childLabelsWhenQuick || !rd->quickFrame());
    }
}

void NodeEntity::endRender(RenderDevice* rd) {
    if (!childrenFirst) {
        renderEntities(rd, children.items(), childLabelsWhenQuick || !rd->quickFrame());
    }
    rd->popState();
    if (clipOpener) {
        frameClipCount = 0;
        clipOpener = false;
    }
}

void NodeEntity::renderLabel(RenderDevice* rd) {
    if (!labelShown()) {
        return;
    }
    font->draw3D(rd, labelText, getLabelFrame(), labelSize, fontColor, Color4::clear(),
                 Font::XALIGN_LEFT, Font::YALIGN_TOP, Font::PROPORTIONAL_SPACING);
}

void NodeEntity::renderBody(RenderDevice* rd) {
    rd->setTexture(1, drawTexture);
    rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA, RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
    rd->setColor(drawColor);
    const Vector3 corners[4] = {topLeft(), topRight(), bottomLeft(), bottomRight()};
    rd->setNormal(Plane(corners[0], corners[2], corners[3]).normal());
    rd->beginPrimitive(RenderDevice::QUADS);
    rd->setTexCoord(1, 0, 0);
    rd->sendVertex(corners[0]);
    rd->setTexCoord(1, 0, 1);
    rd->sendVertex(corners[2]);
    rd->setTexCoord(1, 1, 1);
    rd->sendVertex(corners[3]);
    rd->setTexCoord(1, 1, 0);
    rd->sendVertex(corners[1]);
    rd->endPrimitive();
}

void NodeEntity::renderBodyAndLabel(RenderDevice* rd) {
    if (shapeKind == 5) {
        renderLabel(rd);
        return;
    }
    if (!hasBody()) {
        return;
    }
    renderBody(rd);
    rd->setTexture(1, nullptr);
    rd->setBlendFunc(RenderDevice::BLEND_ONE, RenderDevice::BLEND_ZERO);
    renderLabel(rd);
}

bool NodeEntity::plain(const Entity* entity) {
    if (typeid(*entity) != typeid(NodeEntity)) {
        return false;
    }
    const auto* node = static_cast<const NodeEntity*>(entity);
    return node->children.empty() && !node->clip && !node->unclipped;
}

void NodeEntity::renderEntities(RenderDevice* rd, const Array<Entity*>& entities, bool labels) {
    rd->beginBatch();
    std::size_t i = 0;
    while (i < entities.size()) {
        std::size_t end = i;
        while (end < entities.size() && plain(entities[end])) {
            ++end;
        }
        if (end == i) {
            entities[i++]->render(rd);
        } else {
            renderPlainRun(rd, entities, i, end, labels);
            i = end;
        }
    }
    rd->endBatch();
}

void NodeEntity::renderPlainRun(RenderDevice* rd, const Array<Entity*>& entities, std::size_t begin,
                                std::size_t end, bool labels) {
    rd->pushState();
    for (std::size_t i = begin; i < end; ++i) {
        auto* node = static_cast<NodeEntity*>(entities[i]);
        if (!node->bodyHidden && node->hasBody()) {
            node->renderBody(rd);
        }
    }
    rd->popState();
    if (!labels) {
        return;
    }

    const Font* open = nullptr;
    for (std::size_t i = begin; i < end; ++i) {
        auto* node = static_cast<NodeEntity*>(entities[i]);
        const Font* font = node->font.get();
        if (node->bodyHidden || !(node->hasBody() || node->shapeKind == 5) || !node->labelShown()) {
            continue;
        }
        if (font != open) {
            if (open != nullptr) {
                open->endLabels(rd);
            }
            open = font->beginLabels(rd) ? font : nullptr;
            if (open == nullptr) {
                continue;
            }
        }
        font->label(rd, node->labelText, node->getLabelFrame(), node->labelSize, node->fontColor,
                    Color4::clear(), Font::XALIGN_LEFT, Font::YALIGN_TOP,
                    Font::PROPORTIONAL_SPACING);
    }
    if (open != nullptr) {
        open->endLabels(rd);
    }
}

void NodeEntity::render(RenderDevice* rd) {
    if (rd == nullptr) {
        return;
    }
    beginRender(rd, CoordinateFrame(), worldBox());
    if (!bodyHidden) {
        renderBodyAndLabel(rd);
    }
    endRender(rd);
}

Entity* NodeEntity::pick(const Ray& ray) {
    const float t = ray.intersectionTime(worldBox());
    if (std::isfinite(t) && t >= 0) {
        return this;
    }
    for (Entity* child : children) {
        if (Entity* hit = child->pick(ray)) {
            return hit;
        }
    }
    return nullptr;
}

bool NodeEntity::rayEvent(const Ray&, int) {
    return false;
}

bool NodeEntity::mousePress(const Ray& ray, int button) {
    for (Entity* child : children) {
        child->mousePress(ray, button);
    }
    if (pick(ray) == this) {
        pressed = true;
        return true;
    }
    return false;
}

bool NodeEntity::mouseRelease(const Ray& ray, int button) {
    for (Entity* child : children) {
        child->mouseRelease(ray, button);
    }
    pressed = false;
    return true;
}

bool NodeEntity::mouseMove(const Ray& first, const Ray& second) {
    if (pressed) {
        return true;
    }
    const bool firstHits = pick(first) == this;
    const bool secondHits = pick(second) == this;
    if (!scaledUp && firstHits && !secondHits) {
        add(new SetScaledUpActivity(this, true, 0.01));
        animateScale(1.2, 0.01);
    } else if (scaledUp && !firstHits && secondHits) {
        add(new SetScaledUpActivity(this, false, 0.01));
        animateScale(0.8333, 0.01);
    }
    return false;
}

bool NodeEntity::drag(const Ray&, const Ray&) {
    return false;
}

bool NodeEntity::userEvent(int) {
    return false;
}

bool NodeEntity::updateActivities() {
    bool busy = ActivityManager::update();
    for (Entity* child : children) {
        if (child->updateActivities()) {
            busy = true;
        }
    }
    return busy;
}

void NodeEntity::scale(double factor) {
    size = Vector3(static_cast<float>(size.x * factor), static_cast<float>(size.y * factor),
                   static_cast<float>(size.z * factor));
    labelSize *= factor;
    invalidateContent();
    for (Entity* child : children) {
        child->scale(factor);
    }
}

void NodeEntity::updateGlobalFrame(const CoordinateFrame& parentGlobal) {
    Entity::updateGlobalFrame(parentGlobal);
    frameUpdate();
}

void NodeEntity::propagateFrames() {
    Entity::propagateFrames();
    frameUpdate();
}

void NodeEntity::frameChanged(const CoordinateFrame& frame) {
    Entity::frameChanged(frame);
    frameUpdate();
}

void NodeEntity::notifyFrameChanged() {
    Entity::notifyFrameChanged();
    frameUpdate();
}

void NodeEntity::moveInParent(const Vector3& translation) {
    static constexpr Matrix3 unturned;
    if (parent == nullptr || !sameBits(localFrame.rotation, unturned) ||
        !sameBits(globalFrame.rotation, parent->getGlobalFrame().rotation)) {
        setLocalFrame(CoordinateFrame(Matrix3(), translation));
        return;
    }
    localFrame.translation = translation;
    globalFrame.translation = parent->getGlobalFrame().pointToWorldSpace(translation);
    if (!children.empty()) {
        Entity::propagateFrames();
    }
    // The inputs behind the setters are current unless invalidated; only
    // what can be written around them is compared.
    const ContentInputs& c = content;
    if (!(c.valid && c.fullLabel == fullLabel && c.cacheSize == textureCache.size() &&
          c.shapeName == shapeName)) {
        updateContent();
    }
}

void NodeEntity::animateScale(double factor, double duration) {
    const float f = static_cast<float>(factor);
    add(new ActivityScale(size, size * f, this, duration));
}
