// Positions of proteins on the pathway plane, the initial placement of a built
// network, and exploration scores.
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "model/ProteinGraph.h"
#include "model/TextConversions.h"

namespace {

[[gnu::format(printf, 1, 2)]] void trace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}

bool isFinite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

bool ProteinGraph::storedPosition(const std::string& node, Vector3& out) const {
    const Property* position = findNodeProperty(node, "position");
    const Vector3 stored = position ? position->getVector3() : Vector3();
    if (!position || !isFinite(stored)) {
        trace("ProteinGraph, getProteinPosition\n");
        return false;
    }
    out = Vector3(stored.x, stored.y, 0.0f);
    return true;
}

bool ProteinGraph::getProteinPosition(const std::string& node, Vector3& out) const {
    Vector3 stored;
    if (!storedPosition(node, stored)) {
        return false;
    }
    out = Vector3(stored.x * scaleX, stored.y * scaleY, 0.0f);
    return true;
}

void ProteinGraph::setPosition(const std::string& node, const Vector3& p) {
    setNodeValue(node, "position", vector3ToString(p));
}

// Reads the stored fractions directly rather than scaling and unscaling them,
// which also keeps a graph with a scale of 0 meaningful.
bool ProteinGraph::approximatePosition(const std::string& node, Vector3& p) const {
    if (!isNodeVisible(node)) {
        return false;
    }
    if (isImportant(node)) {
        return storedPosition(node, p);
    }
    Array<std::string> important;
    getImportantProteins(important);
    const Array<std::string> distances = getDistancesToImportant(node);
    if (distances.size() != important.size()) {
        trace("ProteinGraph, approximatePosition\n");
        return false;
    }

    // Only levels 1 to 9 have a weight; anything else (a level read from a file
    // as 0 or below, or "1000#none") does not count.
    constexpr int kLevels = 10;
    Array<int> levels(distances.size());
    int count[kLevels] = {};
    for (size_t j = 0; j < distances.size(); ++j) {
        levels[j] = stringToInt(beforeDelimiter(distances[j], "#"));
        if (levels[j] >= 1 && levels[j] < kLevels) {
            ++count[levels[j]];
        }
    }

    Vector3 sum;
    double total = 0.0;
    for (size_t j = 0; j < distances.size(); ++j) {
        const int level = levels[j];
        if (level < 1 || level >= kLevels) {
            continue;
        }
        Vector3 position;
        if (!storedPosition(important[j], position)) {
            return false;
        }
        const double weight = levelWeights[level - 1] / count[level] * 100.0;
        const float w = static_cast<float>(weight);
        sum = Vector3(sum.x + position.x * w, sum.y + position.y * w, sum.z + position.z * w);
        total += weight;
    }
    if (total != 0.0) {
        const float t = static_cast<float>(total);
        p = Vector3(sum.x / t, sum.y / t, sum.z / t);
    }
    return true;
}

void ProteinGraph::computePositions(bool approximate) {
    trace("computing positions\n");
    Array<std::string> ids;
    getNodes(ids);
    trace("interpolating positions\n");
    for (size_t i = 0; i < ids.size(); ++i) {
        const std::string& node = ids[i];
        Vector3 p(0, 0, 0);
        const bool known = approximate ? approximatePosition(node, p) : storedPosition(node, p);
        if (!known) {
            continue;
        }
        if (p == Vector3(0, 0, 0)) {
            p = Vector3(0.85f, -0.85f, 0.0f);
        }
        setPosition(node, p);
        const std::string text = vector3ToString(p);
        addNodeProperty(node, std::make_unique<Property>("initialPosition", text));
        trace(" %d/%d  %s\n", static_cast<int>(i), static_cast<int>(ids.size()), text.c_str());
    }
}

double ProteinGraph::getExplorationScore(const std::string& node) const {
    const Property* score = findNodeProperty(node, "exploration score");
    return score ? stringToDouble(score->getValue()) : 0.0;
}

void ProteinGraph::setExplorationScore(const std::string& node, double score) {
    setNodeValue(node, "exploration score", doubleToString(score));
}

void ProteinGraph::addExplorationScore(const std::string& node, double delta) {
    setExplorationScore(node, getExplorationScore(node) + delta);
}

double ProteinGraph::neighbourhoodScore(const std::string& node, int depth) const {
    const double own = getExplorationScore(node);
    if (depth <= 0) {
        return own < scoreCap ? own : scoreCap;
    }
    Array<std::string> neighbours;
    getNeighbours(node, neighbours);
    double mean = 0.0;
    if (!neighbours.empty()) {
        for (const std::string& b : neighbours) {
            mean += neighbourhoodScore(b, depth - 1);
        }
        mean /= static_cast<double>(neighbours.size());
    }
    const double total = own + 0.5 * mean;
    // A NaN score counts as past the cap.
    return total <= scoreCap ? total : scoreCap;
}
