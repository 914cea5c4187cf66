// Drawing the pathway once per frame.
#include "engine/render/Draw.h"
#include "engine/render/Font.h"
#include "engine/render/RenderDevice.h"
#include "engine/render/Texture.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/ShapeFinder.h"

void PathwayLayoutEntity::renderPathway(RenderDevice* rd, bool drawShapeFinder) {
    if (rd == nullptr) {
        return;
    }
    // The layout thread moves proteins only between frames.
    std::lock_guard<std::mutex> lock(layoutMutex);
    // Thousands of proteins and interactions: gathered into few draws.
    rd->beginBatch();
    const float w = size.x, h = size.y, d = size.z;
    beginRender(rd, globalFrame, AABox(Vector3(0, 0, -d / 2), Vector3(w, -h, d / 2)));
    rd->setObjectToWorldMatrix(CoordinateFrame());

    if (hasChild(edgeContainer_.get())) {
        // Small interactions and proteins are drawn before everything else.
        removeChild(edgeContainer_.get());
        children.insert(children.begin(), edgeContainer_.get());
    }

    // The body is the picture itself: a box around the plane would hide it.
    const Vector3 corners[4] = {
        globalFrame.pointToWorldSpace(Vector3(0, 0, 0)),
        globalFrame.pointToWorldSpace(Vector3(w, 0, 0)),
        globalFrame.pointToWorldSpace(Vector3(w, -h, 0)),
        globalFrame.pointToWorldSpace(Vector3(0, -h, 0)),
    };
    rd->setTexture(0, background_);
    rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA, RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
    rd->setColor(background_ ? Color4(1, 1, 1, 1) : color);
    rd->setNormal(globalFrame.vectorToWorldSpace(Vector3(0, 0, 1)));
    rd->beginPrimitive(RenderDevice::QUADS);
    // The picture's top row is t = 0 and lies along the pathway's top edge.
    rd->setTexCoord(0, 0, 0);
    rd->sendVertex(corners[0]);
    rd->setTexCoord(0, 0, 1);
    rd->sendVertex(corners[3]);
    rd->setTexCoord(0, 1, 1);
    rd->sendVertex(corners[2]);
    rd->setTexCoord(0, 1, 0);
    rd->sendVertex(corners[1]);
    rd->endPrimitive();
    rd->setBlendFunc(RenderDevice::BLEND_ONE, RenderDevice::BLEND_ZERO);
    rd->setTexture(0, nullptr);

    if (font != nullptr) {
        const std::string title = fitLabel(name, labelSize, w, font.get());
        const Vector2 extent = font->bounds(title, labelSize);
        const CoordinateFrame at(
            Vector3(w / 2 - extent.x / 2, extent.y / 2 - 0.05f, d / 2 + 0.001f));
        font->draw3D(rd, title, globalFrame * at, labelSize, Color4(1, 1, 1, 1), Color4::clear(),
                     Font::XALIGN_LEFT, Font::YALIGN_TOP, Font::PROPORTIONAL_SPACING);
    }

    if (!noInteractions_) {
        Array<std::string> neighbours;
        for (const std::string& id : selection_.ids()) {
            NodeEntity* node = getNode(id);
            if (node == nullptr) {
                continue;
            }
            rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA,
                             RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
            rd->setLineSmoothing(true);
            neighbours.clear();
            graph_->getNeighbours(id, neighbours);
            for (const std::string& other : neighbours) {
                if (interactionsBetween_ && !selection_.contains(other)) {
                    continue;
                }
                NodeEntity* end = getNode(other);
                if (end == nullptr) {
                    continue;
                }
                rd->setLineWidth(3.0f);
                rd->setColor(style_.highlightingColor);
                rd->setNormal(Vector3(0, 0, 1));
                rd->beginPrimitive(RenderDevice::LINES);
                rd->sendVertex(node->getGlobalFrame().translation);
                rd->sendVertex(end->getGlobalFrame().translation);
                rd->endPrimitive();
            }
            rd->setBlendFunc(RenderDevice::BLEND_ONE, RenderDevice::BLEND_ZERO);
        }
    }

    if (!childrenFirst) {
        renderEntities(rd, children.items());
    }

    if (!noProteins_) {
        for (const std::string& id : selection_.ids()) {
            NodeEntity* node = getNode(id);
            if (node == nullptr) {
                continue;
            }
            rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA,
                             RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
            rd->setLineSmoothing(true);
            const Vector3 at = node->getGlobalFrame().translation;
            const Vector3 start = at + Vector3(0, 0.08f, 0.05f);
            Draw::arrow(start, at - start, rd, Color4(1, 0, 0, 0.3f));
            rd->setBlendFunc(RenderDevice::BLEND_ONE, RenderDevice::BLEND_ZERO);
        }
    }

    // The children were drawn above; the closing half must not draw them again.
    const bool drawnFirst = childrenFirst;
    childrenFirst = true;
    endRender(rd);
    childrenFirst = drawnFirst;

    if (drawShapeFinder && shapeFinder_) {
        shapeFinder_->render(rd);
    }
    rd->endBatch();
}
