#include "app/DeleteProteinTool.h"

#include <algorithm>

#include "app/App.h"
#include "app/PlaceProteinTool.h"
#include "model/TextConversions.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/NodeEntity.h"

void DeleteProteinTool::press(const Ray& ray, bool /*right*/) {
    PathwayLayoutEntity& pathway = *app_.pathway();
    NodeEntity* node = pickProtein(ray);
    if (node == nullptr) {
        return;
    }
    // Exactly one seed entry goes: the one of this node's identifier; a node
    // known by its label only takes the first entry of that label.
    const std::string key = pathway.getNodeId(node);
    const std::string* placed = key.empty() ? nullptr : placing_.placedSeedId(key);
    const std::string seedId = placed != nullptr ? *placed : key;
    Array<std::string>& seeds = pathway.nodeToIdLines();
    auto entry = seeds.end();
    if (!seedId.empty()) {
        entry = std::find_if(seeds.begin(), seeds.end(), [&](const std::string& line) {
            return beforeDelimiter(line, "#") == seedId &&
                   afterDelimiter(line, "#") == node->getName();
        });
        if (entry == seeds.end()) {
            entry = std::find_if(seeds.begin(), seeds.end(), [&](const std::string& line) {
                return beforeDelimiter(line, "#") == seedId;
            });
        }
    }
    if (entry == seeds.end() && placed == nullptr) {
        entry = std::find_if(seeds.begin(), seeds.end(), [&](const std::string& line) {
            return afterDelimiter(line, "#") == node->getName();
        });
    }
    if (entry != seeds.end()) {
        seeds.erase(entry);
    }
    app_.removeProtein(node);
}
