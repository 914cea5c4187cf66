// Positions of proteins on the pathway plane, the initial placement of a built
// network, and exploration scores.
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "model/Trace.h"

namespace {

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

// The important proteins with their numbers in the distance table and their
// stored positions, looked up once for all the proteins placed after them.
struct ProteinGraph::ImportantPlaces {
    Array<std::string> ids;
    Array<int> numbers;
    // 0 not looked up yet, 1 stored, 2 missing.
    Array<char> known;
    Array<Vector3> at;
};

ProteinGraph::ImportantPlaces ProteinGraph::importantPlaces() const {
    ImportantPlaces places;
    getImportantProteins(places.ids);
    places.numbers.reserve(places.ids.size());
    for (const std::string& id : places.ids) {
        places.numbers.push_back(distances.find(id));
    }
    places.known.assign(places.ids.size(), 0);
    places.at.resize(places.ids.size());
    return places;
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
    ImportantPlaces places = importantPlaces();
    return approximateFrom(node, places, p);
}

bool ProteinGraph::approximateFrom(const std::string& node, ImportantPlaces& places,
                                   Vector3& p) const {
    // Only levels 1 to 9 have a weight; anything else (a level read from a file
    // as 0 or below, or no distance at all) does not count.
    constexpr int kLevels = 10;
    constexpr int kNone = 1000;
    const int number = distances.find(node);
    Array<int> levels(places.ids.size(), kNone);
    int count[kLevels] = {};
    for (size_t j = 0; j < levels.size(); ++j) {
        if (number >= 0 && places.numbers[j] >= 0) {
            distances.level(places.numbers[j], number, levels[j]);
        }
        if (levels[j] >= 1 && levels[j] < kLevels) {
            ++count[levels[j]];
        }
    }

    Vector3 sum;
    double total = 0.0;
    for (size_t j = 0; j < levels.size(); ++j) {
        const int level = levels[j];
        if (level < 1 || level >= kLevels) {
            continue;
        }
        if (places.known[j] == 0) {
            places.known[j] = storedPosition(places.ids[j], places.at[j]) ? 1 : 2;
        } else if (places.known[j] == 2) {
            trace("ProteinGraph, getProteinPosition\n");
        }
        if (places.known[j] == 2) {
            return false;
        }
        const Vector3& position = places.at[j];
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
    ImportantPlaces places = importantPlaces();
    for (size_t i = 0; i < ids.size(); ++i) {
        const std::string& node = ids[i];
        Vector3 p(0, 0, 0);
        bool known = false;
        if (!approximate || isImportant(node)) {
            known = storedPosition(node, p);
        } else {
            known = approximateFrom(node, places, p);
        }
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
