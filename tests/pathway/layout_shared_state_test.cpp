// What the layout thread reads - the id tables and the forces - is written only
// by operations that wait for the layout mutex, so a pass holding it never sees
// a half-written table or a torn set of forces.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "pathway/PathwayLayoutEntity.h"

namespace {

// Runs `write` on another thread while this one holds the layout mutex, as a
// layout pass does; true when the write waited for the mutex to be released.
bool waitsForTheLayoutMutex(PathwayLayoutEntity& p, const std::function<void()>& write) {
    std::atomic<bool> done{false};
    std::unique_lock<std::mutex> pass(p.layoutMutex);
    std::thread writer([&] {
        write();
        done = true;
    });
    // Not a timing test: the write cannot finish while the mutex is held, so
    // a finished write after this pause is a fault whatever the machine's speed.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const bool finishedEarly = done;
    pass.unlock();
    writer.join();
    return !finishedEarly && done;
}

TEST(LayoutSharedState, WritesWaitForTheLayoutMutex) {
    PathwayLayoutEntity p(Vector3(0, 0, 0), "pathway", Vector3(1, 1, 0.01f), Color4(1, 1, 1, 1));
    NodeEntity* a = p.createNode(CoordinateFrame(Vector3(0.2f, -0.2f, 0)), "A", false);
    NodeEntity* b = p.createNode(CoordinateFrame(Vector3(0.4f, -0.2f, 0)), "B", false);
    EdgeEntity* edge = p.createEdge(a, b, false);

    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.registerNode("a", a); }));
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.registerNode("b", b); }));
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.registerEdge("a", "b", edge); }));
    LayoutForces forces;
    forces.springForce = 3;
    forces.cellSize = 0.5;
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.setLayoutForces(forces); }));

    EXPECT_EQ(p.getNode("a"), a);
    EXPECT_EQ(p.nodeTable().size(), 2u);
    EXPECT_EQ(p.findEdge("b", "a"), edge);
    EXPECT_EQ(p.layoutForces().springForce, 3);
    EXPECT_EQ(p.layoutForces().cellSize, 0.5);
    EXPECT_EQ(p.layoutForces().edgeLength, LayoutForces{}.edgeLength);
}

}  // namespace
