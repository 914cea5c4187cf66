#include "pathway/NeighbourhoodPositions.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include <QtConcurrent/QtConcurrentMap>

#include "model/Cache.h"
#include "model/Cacher.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "model/Trace.h"
#include "pathway/PointSpreading.h"

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

NeighbourhoodPositions::NeighbourhoodPositions() = default;
NeighbourhoodPositions::~NeighbourhoodPositions() = default;

Cache* NeighbourhoodPositions::cache() const {
    return cacher_ ? &cacher_->getCache() : nullptr;
}

void NeighbourhoodPositions::openSideFile(const std::string& path) {
    cacher_ = std::make_unique<Cacher>(path);
}

void NeighbourhoodPositions::closeSideFile() {
    cacher_.reset();
}

void NeighbourhoodPositions::saveSideFile(const std::string& path) {
    if (!cacher_) {
        return;
    }
    // Every save rewrites the side file, beside the file just written.
    Cache& cache = cacher_->getCache();
    if (cache.getFileName() == path) {
        cache.markChanged();
        if (!cacher_->save2()) {
            std::fprintf(stderr, "pathway: cannot write %s\n", path.c_str());
        }
    } else if (!cache.saveAs(path)) {
        // Save as: the cache moves with the pathway.
        std::fprintf(stderr, "pathway: cannot write %s\n", path.c_str());
    } else {
        cacher_ = std::make_unique<Cacher>(path);
    }
}

bool NeighbourhoodPositions::lookup(const Array<std::string>& ids, Array<Vector3>& out,
                                    const Cache* cache) const {
    return lookupIn(positionSet_, ids, out, cache);
}

bool NeighbourhoodPositions::lookupIn(bool set, const Array<std::string>& ids, Array<Vector3>& out,
                                      const Cache* cache) {
    if (cache == nullptr || ids.empty()) {
        return false;
    }
    std::string value;
    if (!cache->lookup(positionCacheName(set), ids[0], value)) {
        return false;
    }
    const std::size_t hash = value.find('#');
    if (hash == std::string::npos) {
        return false;
    }
    const Array<std::string> storedIds = split(value.substr(0, hash), "|");
    const Array<std::string> positions = split(value.substr(hash + 1), "|");
    if (positions.empty() || storedIds.size() != positions.size() - 1 ||
        storedIds.size() != ids.size()) {
        return false;
    }
    out.clear();
    out.push_back(stringToVector3(positions[0]));
    for (const std::string& id : ids) {
        auto at = std::find(storedIds.begin(), storedIds.end(), id);
        if (at == storedIds.end()) {
            return false;
        }
        out.push_back(
            stringToVector3(positions[static_cast<std::size_t>(at - storedIds.begin()) + 1]));
    }
    return true;
}

void NeighbourhoodPositions::compute(const ProteinGraph& graph, const Vector3& pathwaySize,
                                     const Array<std::string>& ids, Array<Vector3>& out) const {
    Array<Vector3> fractions;
    fractions.reserve(ids.size());
    for (const std::string& id : ids) {
        fractions.push_back(fractionOf(graph, id, pathwaySize));
    }
    spreadNeighbourhood(fractions, positionSet_, seedFor(ids.empty() ? "" : ids[0], positionSet_),
                        out);
}

void NeighbourhoodPositions::store(const Array<std::string>& ids, const Array<Vector3>& positions,
                                   Cache* cache) const {
    storeIn(positionSet_, ids, positions, cache);
}

void NeighbourhoodPositions::storeIn(bool set, const Array<std::string>& ids,
                                     const Array<Vector3>& positions, Cache* cache) {
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
    if (!cache->insert(positionCacheName(set), ids[0], value)) {
        std::fprintf(stderr, "pathway: cannot store the neighbourhood of %s\n", ids[0].c_str());
    }
}

void NeighbourhoodPositions::cacheHubs(const ProteinGraph& graph, const Vector3& pathwaySize,
                                       Cache* cache) const {
    if (cache == nullptr) {
        return;
    }
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
    graph.getNodes(nodeIds);
    const int n = static_cast<int>(nodeIds.size());
    Array<Vector3> found;
    for (int i = 0; i < n; ++i) {
        const std::string& id = nodeIds[static_cast<std::size_t>(i)];
        if (graph.degree(id) <= kHubDegree) {
            continue;
        }
        Array<std::string> ids;
        graph.getNeighbours(id, ids);
        ids.insert(ids.begin(), id);
        for (bool set : {true, false}) {
            if (lookupIn(set, ids, found, cache)) {
                continue;
            }
            trace("caching positions %d|%d %d\n", i, n, static_cast<int>(ids.size()));
            Job job;
            job.ids = ids;
            job.set = set;
            for (const std::string& member : ids) {
                job.fractions.push_back(fractionOf(graph, member, pathwaySize));
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

    for (const Job& job : jobs) {
        storeIn(job.set, job.ids, job.out, cache);
    }
}
