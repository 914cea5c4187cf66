// Drawing the pathway once per frame, and the stored neighbourhood positions of
// hub proteins that the explore view reads from the ".cache" side file.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include <QtConcurrent/QtConcurrentMap>

#include "engine/render/Draw.h"
#include "engine/render/Font.h"
#include "engine/render/RenderDevice.h"
#include "engine/render/Texture.h"
#include "model/Cache.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "model/Trace.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PointSpreading.h"
#include "pathway/ShapeFinder.h"

namespace {

// Proteins with more partners than this get stored neighbourhood positions.
constexpr int kHubDegree = 50;

std::string positionCacheName(bool positionSet) {
    return std::string("exppos") + (positionSet ? "1" : "0");
}

// The same hub and set always spread the same way, whichever thread runs it.
std::uint64_t seedFor(const std::string& id, bool positionSet) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : id) {
        h = (h ^ c) * 1099511628211ull;
    }
    return h ^ (positionSet ? 0x9E3779B97F4A7C15ull : 0);
}

// Lays out points given as fractions of the pathway in a rectangle of their
// own; `out` gets the rectangle's frame size first and then the points.
void spreadNeighbourhood(const Array<Vector3>& fractions, bool positionSet, std::uint64_t seed,
                         Array<Vector3>& out) {
    out.clear();
    if (fractions.empty()) {
        return;
    }
    float minX = fractions[0].x, maxX = minX, minY = fractions[0].y, maxY = minY;
    for (const Vector3& p : fractions) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const float w0 = std::fabs(maxX - minX);
    const float h0 = std::fabs(maxY - minY);
    float w = std::max(w0, 0.1f);
    float h = std::max(h0, 0.1f);
    if (h < w && h / w < 0.7f) {
        h = 0.7f * w;
    } else if (h > w && w / h < 0.7f) {
        w = 0.7f * h;
    }
    const double r = positionSet ? static_cast<double>(w) / h : 1.0;
    const double n = static_cast<double>(fractions.size());
    const double s = std::max(1.35 * std::sqrt(n) - 1.0, 0.5);
    const float height = static_cast<float>(std::sqrt(s / r));
    const float width = static_cast<float>(r * height);

    Array<Vector3> points;
    points.reserve(fractions.size());
    for (const Vector3& p : fractions) {
        // A flat extent puts every point in the middle of that axis.
        const float x = w0 > 0 ? (p.x - minX) / w0 * width : 0.5f * width;
        const float y = h0 > 0 ? (p.y - maxY) / h0 * height : -0.5f * height;
        points.emplace_back(x, y, 0.005f);
    }
    spreadPoints(1000, 400.0, 10000.0, width, height, points, positionSet, seed);
    out.emplace_back(width + 0.2f, height + 0.2f, 0.0f);
    for (const Vector3& p : points) {
        out.push_back(p + Vector3(0.1f, -0.1f, 0));
    }
}

// A protein's position as fractions of the pathway; one without a stored
// position is placed as the network build would place it, else in the middle.
Vector3 fractionOf(const ProteinGraph& graph, const std::string& id, const Vector3& box) {
    Vector3 p;
    if (graph.getProteinPosition(id, p)) {
        for (int i = 0; i < 3; ++i) {
            p[i] = box[i] != 0 ? p[i] / box[i] : 0;
        }
    } else if (!graph.approximatePosition(id, p)) {
        p = Vector3(0.5f, -0.5f, 0);
    }
    return p;
}

}  // namespace

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

    if (hasChild(edgeContainer.get())) {
        // Small interactions and proteins are drawn before everything else.
        removeChild(edgeContainer.get());
        children.insert(children.begin(), edgeContainer.get());
    }

    // The body is the picture itself: a box around the plane would hide it.
    const Vector3 corners[4] = {
        globalFrame.pointToWorldSpace(Vector3(0, 0, 0)),
        globalFrame.pointToWorldSpace(Vector3(w, 0, 0)),
        globalFrame.pointToWorldSpace(Vector3(w, -h, 0)),
        globalFrame.pointToWorldSpace(Vector3(0, -h, 0)),
    };
    rd->setTexture(0, background);
    rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA, RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
    rd->setColor(background ? Color4(1, 1, 1, 1) : color);
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

    if (!noInteractions) {
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
            graph->getNeighbours(id, neighbours);
            for (const std::string& other : neighbours) {
                if (interactionsBetween && !selection_.contains(other)) {
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

    if (!noProteins) {
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

    if (drawShapeFinder && shapeFinder) {
        shapeFinder->render(rd);
    }
    rd->endBatch();
}

void PathwayLayoutEntity::computeNeighbourhoodPositions(Array<std::string> ids,
                                                        Array<Vector3>& out) {
    Array<Vector3> fractions;
    fractions.reserve(ids.size());
    for (const std::string& id : ids) {
        fractions.push_back(fractionOf(*graph, id, size));
    }
    spreadNeighbourhood(fractions, positionSet, seedFor(ids.empty() ? "" : ids[0], positionSet),
                        out);
}

void PathwayLayoutEntity::storeNeighbourhoodPositions(Array<std::string> ids,
                                                      Array<Vector3> positions, Cache* cache) {
    if (cache == nullptr || ids.empty()) {
        return;
    }
    std::string value;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        value += ids[i];
        value += i + 1 < ids.size() ? "|" : "#";
    }
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (i > 0) {
            value += "|";
        }
        value += vector3ToString(positions[i]);
    }
    if (!cache->insert(positionCacheName(positionSet), ids[0], value)) {
        std::fprintf(stderr, "pathway: cannot store the neighbourhood of %s\n", ids[0].c_str());
    }
}

void PathwayLayoutEntity::cacheNeighbourhoodPositions(Cache* cache) {
    if (cache == nullptr) {
        return;
    }
    const bool remembered = positionSet;

    // What is missing is found, and the inputs gathered, here on the calling
    // thread; only the spreading runs on the workers.
    struct Job {
        Array<std::string> ids;
        Array<Vector3> fractions;
        bool set = true;
        Array<Vector3> out;
    };
    Array<Job> jobs;
    Array<std::string> nodeIds;
    graph->getNodes(nodeIds);
    const int n = static_cast<int>(nodeIds.size());
    Array<Vector3> found;
    for (int i = 0; i < n; ++i) {
        const std::string& id = nodeIds[static_cast<std::size_t>(i)];
        if (graph->degree(id) <= kHubDegree) {
            continue;
        }
        Array<std::string> ids;
        graph->getNeighbours(id, ids);
        ids.insert(ids.begin(), id);
        for (bool set : {true, false}) {
            positionSet = set;
            if (lookupNeighbourhoodPositions(ids, found, cache)) {
                continue;
            }
            trace("caching positions %d|%d %d\n", i, n, static_cast<int>(ids.size()));
            Job job;
            job.ids = ids;
            job.set = set;
            for (const std::string& member : ids) {
                job.fractions.push_back(fractionOf(*graph, member, size));
            }
            jobs.push_back(std::move(job));
        }
    }

    // The largest spreads first (a job costs rounds x points^2), so that the
    // last ones to finish are small; the results are stored in the jobs' order.
    Array<Job*> order;
    order.reserve(jobs.size());
    for (Job& job : jobs) {
        order.push_back(&job);
    }
    std::stable_sort(order.begin(), order.end(), [](const Job* a, const Job* b) {
        return a->fractions.size() > b->fractions.size();
    });
    // The pool hands the jobs over inside Qt, where a race checker cannot see
    // it. Each job travels in an atomic slot instead: stored here, acquired by
    // its spread before anything of the job is read and stored back after the
    // result, acquired again below. The map reads no other data of ours (the
    // function captures nothing), so every hand-over is visible.
    Array<std::atomic<Job*>> handOver(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        handOver[i].store(order[i], std::memory_order_release);
    }
    QtConcurrent::blockingMap(handOver, [](std::atomic<Job*>& slot) {
        Job* job = slot.load(std::memory_order_acquire);
        spreadNeighbourhood(job->fractions, job->set, seedFor(job->ids[0], job->set), job->out);
        slot.store(job, std::memory_order_release);
    });
    for (const std::atomic<Job*>& slot : handOver) {
        slot.load(std::memory_order_acquire);
    }

    for (Job& job : jobs) {
        positionSet = job.set;
        storeNeighbourhoodPositions(job.ids, job.out, cache);
    }
    positionSet = remembered;
}
