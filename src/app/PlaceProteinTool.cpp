#include "app/PlaceProteinTool.h"

#include <cstdio>

#include "app/App.h"
#include "engine/Plane.h"
#include "model/TextConversions.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/NodeEntity.h"

std::string PlaceProteinTool::freeNodeKey(const PathwayLayoutEntity& pathway) {
    std::size_t n = pathway.nodes().size();
    std::string key = intToString(static_cast<int>(n));
    while (pathway.nodeTable().contains(key)) {
        key = intToString(static_cast<int>(++n));
    }
    return key;
}

const std::string* PlaceProteinTool::placedSeedId(const std::string& key) const {
    auto placed = placedSeedIds_.find(key);
    return placed == placedSeedIds_.end() ? nullptr : &placed->second;
}

void PlaceProteinTool::press(const Ray& ray, bool /*right*/) {
    const Vector3 world = ray.intersection(Plane());
    if (!world.isFinite()) {
        return;
    }
    std::string label, id;
    if (!app_.askProtein(nullptr, label, id)) {
        return;
    }
    if (!App::isPlaceable(label, id)) {
        std::fprintf(stderr,
                     "corvidane: the protein \"%s\" (%s) is not placed: a label may not hold a "
                     "tab or a line break, an identifier not these nor \"#\" or \"|\"\n",
                     label.c_str(), id.c_str());
        return;
    }
    PathwayLayoutEntity& pathway = *app_.pathway();
    const Vector3 local = pathway.getGlobalFrame().pointToObjectSpace(world);
    NodeEntity* node = pathway.createNode(CoordinateFrame(local), label, true);
    if (app_.font() && !node->getFont()) {
        node->setFont(app_.font());
    }
    // Keyed by the node count, as placed proteins have always been; a key a
    // removal left in use is skipped so that no other node is overwritten.
    const std::string key = freeNodeKey(pathway);
    pathway.registerNode(key, node);
    pathway.clearSelectedNodes();
    pathway.addSelectedNodeId(key);
    pathway.nodeToIdLines().push_back(id + "#" + label);
    placedSeedIds_[key] = id;
    app_.requestRepaint();
}
