#include "app/SelectTool.h"

#include "app/AnalyzeServices.h"
#include "app/App.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/NodeEntity.h"

void SelectTool::press(const Ray& ray, bool /*right*/) {
    PathwayLayoutEntity& pathway = *app_.pathway();
    AnalyzeServices* lists = app_.analyzeTab();
    NodeEntity* node = pickProtein(ray);
    if (node == nullptr) {
        if (!app_.isControlDown()) {
            pathway.clearSelectedNodes();
            if (pathway.hasNetwork() && lists) {
                lists->selectProteinInList("");
            }
        }
        app_.requestRepaint();
        return;
    }
    const std::string id = pathway.getNodeId(node);
    if (pathway.hasNetwork() && !id.empty() && pathway.graph().hasNode(id) && lists) {
        // The list selects it in the scene in turn.
        lists->selectProteinInList(pathway.graph().getProteinName(id));
    } else {
        app_.selectProtein(node->getName());
    }
    app_.requestRepaint();
}
