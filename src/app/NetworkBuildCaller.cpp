#include "app/NetworkBuildCaller.h"

#include <cstdio>
#include <limits>
#include <unordered_set>

#include "app/App.h"
#include "app/NetworkBuild.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "pathway/ImageProcessorSelection.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/ShapeFinder.h"
#include "scene/EdgeEntity.h"
#include "scene/NodeEntity.h"

namespace {

bool sameRegion(const ImageProcessorSelection* a, const ImageProcessorSelection* b) {
    return a == b || (a != nullptr && b != nullptr && a->open == b->open && a->x0 == b->x0 &&
                      a->y0 == b->y0 && a->x1 == b->x1 && a->y1 == b->y1);
}

}  // namespace

bool NetworkBuildCaller::build(const GraphBuilderParameters& parameters, std::string* why) {
    return buildNetwork(app_.pathway(), parameters, app_.pathwayPath(), app_.mainWindow(), why);
}

void NetworkBuildCaller::keepPaintedInteractions(PathwayLayoutEntity& pathway) {
    if (!pathway.fromImage()) {
        return;
    }
    painted_.clear();
    for (EdgeEntity* edge : pathwayEdges(pathway)) {
        NodeEntity* a = edge->getNodeA();
        NodeEntity* b = edge->getNodeB();
        if (a == nullptr || b == nullptr) {
            continue;
        }
        const std::string idA = pathway.getNodeId(a);
        const std::string idB = pathway.getNodeId(b);
        auto found = pathway.edgeSelections().find(idA + "-" + idB);
        if (found == pathway.edgeSelections().end()) {
            found = pathway.edgeSelections().find(idB + "-" + idA);
        }
        // A region that is not found has nothing to pair with later.
        if (found != pathway.edgeSelections().end() && found->second != nullptr) {
            painted_[found->second] = {a->getName(), b->getName()};
        }
    }
    pathway.childList().clear();
}

void NetworkBuildCaller::assignSelectionProteins() {
    PathwayLayoutEntity* pathway = app_.pathway();
    if (!pathway || !pathway->shapeFinder()) {
        return;
    }
    ShapeFinder& finder = *pathway->shapeFinder();
    const std::size_t noted = pathway->nodeToIdLines().size();
    // Seed entries tied to their region by the region's identifier; files
    // without such records pair regions with entries in order instead.
    const bool recorded = !pathway->nodeSelections().empty();
    Array<bool> claimed(noted, false);
    std::size_t cursor = 0;
    std::unordered_set<std::string> given;
    Table<std::string, NodeEntity*> created;  // label -> node made here

    auto entryFor = [&](const ImageProcessorSelection* region) -> std::ptrdiff_t {
        if (!recorded) {
            while (cursor < noted && claimed[cursor]) {
                ++cursor;
            }
            return cursor < noted ? static_cast<std::ptrdiff_t>(cursor) : -1;
        }
        for (const auto& [key, stored] : pathway->nodeSelections()) {
            if (!sameRegion(stored, region)) {
                continue;
            }
            for (std::size_t i = 0; i < noted; ++i) {
                if (!claimed[i] && beforeDelimiter(pathway->nodeToIdLines()[i], "#") == key) {
                    return static_cast<std::ptrdiff_t>(i);
                }
            }
        }
        return -1;
    };

    // Paired before any record changes, so that an identifier given to one
    // region cannot take over the record of another.
    const Array<std::unique_ptr<ImageProcessorSelection>>& regions = finder.getSelections();
    Array<std::ptrdiff_t> entries(regions.size(), -1);
    for (std::size_t r = 0; r < regions.size(); ++r) {
        if (!regions[r]->open) {
            entries[r] = entryFor(regions[r].get());
            if (entries[r] >= 0) {
                claimed[static_cast<std::size_t>(entries[r])] = true;
            }
        }
    }
    for (std::size_t r = 0; r < regions.size(); ++r) {
        ImageProcessorSelection* region = regions[r].get();
        if (region->open) {
            continue;
        }
        std::string label, id;
        bool fromSeeds = false;
        const std::ptrdiff_t entry = entries[r];
        if (entry >= 0) {
            const std::string& line = pathway->nodeToIdLines()[static_cast<std::size_t>(entry)];
            label = afterDelimiter(line, "#");
            id = beforeDelimiter(line, "#");
            fromSeeds = true;
        } else if (!app_.askProtein(region, label, id)) {
            continue;
        }
        if (label.empty() && id.empty()) {
            label = id = "just_some_label";
        }
        const std::string unique = uniqueProteinId(id, given);
        if (fromSeeds && unique != id) {
            // The entry must name the node's identifier, or the region loses it.
            pathway->nodeToIdLines()[static_cast<std::size_t>(entry)] = unique + "#" + label;
        }
        id = unique;

        const double cx = (region->x0 + region->x1) / 2.0;
        const double cy = (region->y0 + region->y1) / 2.0;
        Vector3 local =
            pathway->getGlobalFrame().pointToObjectSpace(finder.pixelToWorld(cx, cy, 0));
        local.z = 0.1f;
        NodeEntity* node = pathway->createNode(CoordinateFrame(local), label, true);
        if (app_.font()) {
            node->setFont(app_.font());
        }
        pathway->graph().setImportant(id);
        pathway->registerNode(id, node);
        pathway->nodeSelections()[id] = region;
        pathway->addSelectedNodeId(id);
        created[label] = node;
        if (!fromSeeds) {
            pathway->nodeToIdLines().push_back(id + "#" + label);
        }
    }

    // Only interactions are made from here on: the proteins stay as listed.
    const Array<NodeEntity*> nodes = pathwayNodes(*pathway);
    auto byLabel = [&](const std::string& label) -> NodeEntity* {
        if (auto it = created.find(label); it != created.end()) {
            return it->second;
        }
        for (NodeEntity* node : nodes) {
            if (node->getName() == label) {
                return node;
            }
        }
        return nullptr;
    };
    auto nearest = [&](const Vector3& point) -> NodeEntity* {
        NodeEntity* best = nullptr;
        float bestDistance = std::numeric_limits<float>::infinity();
        for (NodeEntity* node : nodes) {
            const float d = (node->getGlobalFrame().translation - point).length();
            if (d < bestDistance) {
                bestDistance = d;
                best = node;
            }
        }
        return best;
    };

    for (const auto& owned : regions) {
        ImageProcessorSelection* region = owned.get();
        if (!region->open) {
            continue;
        }
        NodeEntity* a = nullptr;
        NodeEntity* b = nullptr;
        if (auto it = painted_.find(region); it != painted_.end()) {
            a = byLabel(it->second.first);
            b = byLabel(it->second.second);
        } else {
            a = nearest(region->startPoint);
            b = nearest(region->endPoint);
        }
        if (a == nullptr || b == nullptr || a == b) {
            std::fprintf(stderr,
                         "corvidane: a painted line (%g, %g)-(%g, %g) has no two proteins at "
                         "its ends; skipped\n",
                         static_cast<double>(region->x0), static_cast<double>(region->y0),
                         static_cast<double>(region->x1), static_cast<double>(region->y1));
            continue;
        }
        pathway->createEdge(a, b, true);
        pathway->edgeSelections()[pathway->getNodeId(a) + "-" + pathway->getNodeId(b)] = region;
    }
    app_.requestRepaint();
}
