// The layout thread running while another thread edits the pathway through
// the document's operations; meant to be run under the thread sanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "engine/Ray.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"

namespace {

Ray downAt(float x, float y) {
    return Ray::fromOriginAndDirection(Vector3(x, y, 5), Vector3(0, 0, -1));
}

// A protein of the network, entered where the layout looks for it.
NodeEntity* addProtein(PathwayLayoutEntity& p, const std::string& id, float x, float y) {
    NodeEntity* node = p.createNode(CoordinateFrame(Vector3(x, y, 0)), id, false);
    p.withLayoutLocked([&] { p.graph().addNode(id); });
    p.registerNode(id, node);
    return node;
}

void addInteraction(PathwayLayoutEntity& p, const std::string& a, const std::string& b) {
    NodeEntity* na = p.getNode(a);
    NodeEntity* nb = p.getNode(b);
    EdgeEntity* edge = p.createEdge(na, nb, false);
    p.withLayoutLocked([&] { p.graph().addEdge(a, b); });
    p.registerEdge(a, b, edge);
}

TEST(LayoutThread, EditsWhileTheThreadRuns) {
    PathwayLayoutEntity p(Vector3(0, 0, 0), "pathway", Vector3(1, 1, 0.01f), Color4(1, 1, 1, 1));
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.05f, 0.95f);
    int next = 0;
    auto newId = [&] { return "P" + std::to_string(next++); };
    Array<std::string> alive;
    for (int i = 0; i < 150; ++i) {
        alive.push_back(newId());
        addProtein(p, alive.back(), unit(random), -unit(random));
    }
    for (int i = 0; i < 300; ++i) {
        addInteraction(p, alive[random() % alive.size()], alive[random() % alive.size()]);
    }
    p.setInitialPositions(Array<Vector3>(p.nodes().size(), Vector3(0.5f, -0.5f, 0)));

    testing::internal::CaptureStdout();
    p.startLayouter();
    std::atomic<bool> editing{true};
    std::thread editor([&] {
        std::mt19937 r(11);
        std::uniform_real_distribution<float> place(0.05f, 0.95f);
        for (int round = 0; round < 200; ++round) {
            const std::string id = newId();
            addProtein(p, id, place(r), -place(r));
            addInteraction(p, id, alive[r() % alive.size()]);
            alive.push_back(id);

            const std::string dragged = alive[r() % alive.size()];
            p.addSelectedNodeId(dragged);
            const float x = place(r), y = -place(r);
            p.drag(downAt(x, y), downAt(x + 0.01f, y - 0.01f));
            p.clearSelectedNodes();

            const std::size_t victim = r() % alive.size();
            p.removeNode(p.getNode(alive[victim]));
            alive.erase(alive.begin() + static_cast<std::ptrdiff_t>(victim));
            LayoutForces forces = p.layoutForces();
            forces.repulsiveForce = 1.0 + (round % 10);
            p.setLayoutForces(forces);
            if (round == 100) {
                p.startLayouter();  // a restart in the middle
            }
        }
        editing = false;
    });
    // Meanwhile this thread reads the frames as the render does.
    float sum = 0;
    while (editing) {
        p.withLayoutLocked([&] {
            for (const auto& node : p.nodes()) {
                sum += node->getGlobalFrame().translation.x;
            }
        });
    }
    editor.join();
    p.stopLayouter();
    testing::internal::GetCapturedStdout();

    EXPECT_TRUE(std::isfinite(sum));
    EXPECT_EQ(p.nodes().size(), 150u);
    for (const auto& node : p.nodes()) {
        EXPECT_TRUE(node->getLocalFrame().translation.isFinite());
        EXPECT_FLOAT_EQ(node->getLocalFrame().translation.z, 0);
    }
    for (const auto& edge : p.edges()) {
        EXPECT_NE(p.getNodeId(edge->nodeA), "");
        EXPECT_NE(p.getNodeId(edge->nodeB), "");
    }
}

}  // namespace
