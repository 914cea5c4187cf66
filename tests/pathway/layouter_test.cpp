// The layout pass on small hand-checked pathways: the spring, wall, anchor and
// repulsion terms, which proteins move, the grid, and odd positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>

#include <QPointer>

#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"

namespace {

// A unit pathway, as the scene core makes it.
std::unique_ptr<PathwayLayoutEntity> makePathway() {
    return std::make_unique<PathwayLayoutEntity>(Vector3(0, 0, 0), "pathway", Vector3(1, 1, 0.01f),
                                                 Color4(1, 1, 1, 1));
}

NodeEntity* small(PathwayLayoutEntity& p, float x, float y, float z = 0) {
    return p.createNode(CoordinateFrame(Vector3(x, y, z)), "n", false);
}

Vector3 at(const NodeEntity* node) {
    return node->getLocalFrame().translation;
}

// Runs passes with their timing lines kept out of the test output.
void passes(PathwayLayouter& layouter, int count = 1) {
    testing::internal::CaptureStdout();
    for (int i = 0; i < count; ++i) {
        layouter.layoutPass();
    }
    testing::internal::GetCapturedStdout();
}

void setForce(PathwayLayoutEntity& p, double LayoutForces::*field, double value) {
    LayoutForces forces = p.layoutForces();
    forces.*field = value;
    p.setLayoutForces(forces);
}

// A protein with `degree` neighbours in the graph.
NodeEntity* hub(PathwayLayoutEntity& p, const std::string& id, int degree, float x, float y) {
    p.graph().addNode(id);
    for (int i = 0; i < degree; ++i) {
        p.graph().addEdge(id, id + "n" + std::to_string(i));
    }
    NodeEntity* node = small(p, x, y);
    p.registerNode(id, node);
    return node;
}

TEST(LayoutPass, EdgeSpringPullsTwoProteinsTogether) {
    auto p = makePathway();
    NodeEntity* a = small(*p, 0.4f, -0.5f);
    NodeEntity* b = small(*p, 0.6f, -0.5f);
    p->createEdge(a, b, false);
    setForce(*p, &LayoutForces::springForce, 1000);  // s = 0.01, far above the walls' 3e-8
    PathwayLayouter layouter(p.get());
    layouter.step = 100;
    passes(layouter);
    // stretch 0.2 - 0.0005; force = 0.01 * 0.1995^2 * 0.2 = 7.96005e-5, times 100.
    EXPECT_NEAR(at(a).x, 0.4f + 0.00796005f, 1e-5);
    EXPECT_NEAR(at(b).x, 0.6f - 0.00796005f, 1e-5);
    EXPECT_FLOAT_EQ(at(a).y, -0.5f);
    EXPECT_FLOAT_EQ(at(b).y, -0.5f);
}

// The pass keeps end indices and degrees between passes; a protein removed
// and one created since must not leave an edge pulling on the protein that
// took the removed one's place in the list.
TEST(LayoutPass, ListChangesBetweenPassesAreSeen) {
    auto p = makePathway();
    NodeEntity* a = small(*p, 0.4f, -0.5f);
    NodeEntity* b = small(*p, 0.6f, -0.5f);
    NodeEntity* d = small(*p, 0.5f, -0.7f);
    p->createEdge(a, b, false);
    setForce(*p, &LayoutForces::springForce, 1000);
    PathwayLayouter layouter(p.get());
    layouter.step = 100;
    passes(layouter);

    p->removeNode(b);
    // Likely at b's address; d now holds b's index.
    NodeEntity* c = small(*p, 0.4f, -0.3f);
    p->createEdge(a, c, false);
    const Vector3 a0 = at(a), c0 = at(c), d0 = at(d);
    passes(layouter);
    EXPECT_GT(at(a).y, a0.y + 1e-4f) << "a is pulled up towards c";
    EXPECT_LT(at(c).y, c0.y - 1e-4f);
    // Only the walls move d, by about 1e-5; a spring would pull it by 1e-3.
    EXPECT_NEAR(at(d).x, d0.x, 1e-4) << "d has no interaction";
    EXPECT_NEAR(at(d).y, d0.y, 1e-4);
}

TEST(LayoutPass, WallPushesByAtMostTheStepLimit) {
    auto p = makePathway();
    NodeEntity* near = small(*p, 1e-4f, -0.5f);
    PathwayLayouter layouter(p.get());
    passes(layouter);
    // 3e-9 / 1e-12 = 3000 along +x, cut to 0.01; top and bottom cancel.
    EXPECT_NEAR(at(near).x, 1e-4f + 0.01f, 1e-6);
    EXPECT_FLOAT_EQ(at(near).y, -0.5f);

    // Outside the area, every wall still pushes inward.
    auto q = makePathway();
    NodeEntity* left = small(*q, -0.3f, -0.5f);
    NodeEntity* below = small(*q, 0.5f, -1.4f);
    NodeEntity* corner = small(*q, 1.2f, 0.2f);
    PathwayLayouter outside(q.get());
    passes(outside);
    EXPECT_NEAR(at(left).x, -0.29f, 1e-6);
    EXPECT_NEAR(at(below).y, -1.39f, 1e-6);
    EXPECT_LT(at(corner).x, 1.2f);
    EXPECT_LT(at(corner).y, 0.2f);
}

TEST(LayoutPass, AnchorOnlyWhenThereIsOnePerProtein) {
    auto p = makePathway();
    NodeEntity* node = small(*p, 0.5f, -0.5f);
    p->setInitialPositions({Vector3(0.7f, -0.5f, 0)});
    PathwayLayouter layouter(p.get());
    layouter.step = 100;
    passes(layouter);
    // 0.25 * (0.01 + 1e-5) * 0.2^2 * 0.2 = 2.002e-5, times 100.
    EXPECT_NEAR(at(node).x, 0.5f + 0.002002f, 1e-6);

    for (auto anchors :
         {Array<Vector3>{}, Array<Vector3>{Vector3(0.7f, -0.5f, 0), Vector3(0.7f, -0.5f, 0)}}) {
        auto q = makePathway();
        NodeEntity* still = small(*q, 0.5f, -0.5f);
        q->setInitialPositions(anchors);
        PathwayLayouter other(q.get());
        other.step = 100;
        passes(other);
        // At the centre the walls cancel exactly, so nothing else moves it.
        EXPECT_EQ(at(still), Vector3(0.5f, -0.5f, 0));
    }
}

TEST(LayoutPass, RepulsionGrowsWithTheHubLevelsAndStopsAtTheCutOff) {
    // Two proteins 0.05 apart: gap 0.05 - 2 * 0.5 * 0.01 = 0.04, force on
    // each 2 * 1e-7 / 0.0016 = 1.25e-4 away from the other.
    auto moveWith = [](double degreeWeight) {
        auto p = makePathway();
        NodeEntity* a = hub(*p, "A", 9, 0.475f, -0.5f);
        hub(*p, "B", 20, 0.525f, -0.5f);
        setForce(*p, &LayoutForces::degreeWeight, degreeWeight);
        PathwayLayouter layouter(p.get());
        layouter.step = 5;
        passes(layouter);
        EXPECT_EQ(layouter.degrees, (Array<int32_t>{9, 20}));
        return 0.475f - at(a).x;
    };
    EXPECT_NEAR(moveWith(0), 6.25e-4, 2e-6);
    // Levels 3 and 4: the smaller, 3, gives (1 + 1)^3 = 8.
    EXPECT_NEAR(moveWith(1), 8 * 6.25e-4, 1e-5);

    // In one big cell, a partner 0.6 away changes nothing, one 0.4 away does.
    auto leftMove = [](float partnerX) {
        auto p = makePathway();
        setForce(*p, &LayoutForces::cellSize, 1.0);
        NodeEntity* a = small(*p, 0.2f, -0.5f);
        if (partnerX > 0) {
            p->createNode(CoordinateFrame(Vector3(partnerX, -0.5f, 0)), "fixed", true);
        }
        PathwayLayouter layouter(p.get());
        layouter.step = 1000;
        passes(layouter);
        return at(a).x - 0.2f;
    };
    const float alone = leftMove(0);
    EXPECT_FLOAT_EQ(leftMove(0.8f), alone);
    EXPECT_LT(leftMove(0.6f), alone);
}

TEST(LayoutPass, BoxGapFollowsTheBoxOutline) {
    auto p = makePathway();
    NodeEntity* a = small(*p, 0.5f, -0.5f);
    NodeEntity* b = small(*p, 0.6f, -0.5f);
    a->setSize(0.04f, 0.02f, 0);
    b->setSize(0.04f, 0.02f, 0);
    // Along x half of each half width counts: 0.1 - 0.01 - 0.01.
    EXPECT_NEAR(PathwayLayouter::boxGap(a, b), 0.08, 1e-6);
    b->setLocalFrame(CoordinateFrame(Vector3(0.5f, -0.6f, 0)));
    EXPECT_NEAR(PathwayLayouter::boxGap(a, b), 0.1 - 0.01, 1e-6);
    // At 45 degrees the half diagonal, sqrt(0.02^2 + 0.01^2).
    b->setLocalFrame(CoordinateFrame(Vector3(0.6f, -0.6f, 0)));
    EXPECT_NEAR(PathwayLayouter::boxGap(a, b), std::sqrt(0.02) - std::sqrt(0.0005), 1e-6);
    // Overlapping or coincident boxes keep the smallest gap.
    b->setLocalFrame(CoordinateFrame(Vector3(0.505f, -0.5f, 0)));
    EXPECT_DOUBLE_EQ(PathwayLayouter::boxGap(a, b), 1e-05);
    b->setLocalFrame(CoordinateFrame(Vector3(0.5f, -0.5f, 0)));
    EXPECT_DOUBLE_EQ(PathwayLayouter::boxGap(a, b), 1e-05);
}

TEST(LayoutPass, OnlyProteinsOfTheEdgeContainerMoveAndZStays) {
    auto p = makePathway();
    NodeEntity* important =
        p->createNode(CoordinateFrame(Vector3(1e-4f, -0.5f, 0.001f)), "i", true);
    NodeEntity* hidden = small(*p, 0.01f, -0.3f, -1);
    NodeEntity* turned = small(*p, 0.3f, -0.02f, 0.25f);
    CoordinateFrame frame = turned->getLocalFrame();
    frame.rotation = Matrix3::fromEulerAnglesXYZ(0.3f, 0.2f, 0.1f);
    turned->setLocalFrame(frame);
    NodeEntity* other = small(*p, 0.7f, -0.9f);
    p->setInitialPositions({Vector3(0.2f, -0.2f, 50), Vector3(0.5f, -0.5f, -50),
                            Vector3(0.1f, -0.1f, 3), Vector3(0.9f, -0.1f, 9)});
    p->createEdge(important, other, true);
    p->createEdge(hidden, turned, false);
    PathwayLayouter layouter(p.get());
    passes(layouter, 30);
    EXPECT_EQ(at(important), Vector3(1e-4f, -0.5f, 0.001f));
    EXPECT_FLOAT_EQ(at(hidden).z, -1);
    EXPECT_FLOAT_EQ(at(turned).z, 0.25f);
    EXPECT_FLOAT_EQ(at(other).z, 0);
    EXPECT_NE(at(turned).x, 0.3f);
    EXPECT_EQ(turned->getLocalFrame().rotation, Matrix3());
}

TEST(LayoutPass, OddPositionsStayFiniteAndCoincidentOnesSeparate) {
    auto build = [](PathwayLayoutEntity& p) {
        Array<NodeEntity*> made;
        for (int i = 0; i < 4; ++i) {
            made.push_back(small(p, 0.5f, -0.5f));  // all at one place
        }
        made.push_back(small(p, 0.505f, -0.5f));  // overlapping
        made.push_back(small(p, -0.35f, 0.2f));   // outside, top left
        made.push_back(small(p, 5, -7));          // far outside
        made.push_back(small(p, 0, 0));           // on two walls
        for (std::size_t i = 1; i < made.size(); ++i) {
            p.createEdge(made[i - 1], made[i], false);
        }
        return made;
    };
    auto p = makePathway();
    auto q = makePathway();
    const auto made = build(*p);
    const auto twin = build(*q);
    NodeEntity* lost = small(*p, std::numeric_limits<float>::quiet_NaN(), -0.5f);
    small(*q, std::numeric_limits<float>::quiet_NaN(), -0.5f);
    p->setInitialPositions(Array<Vector3>(p->nodes().size(), Vector3(0.5f, -0.5f, 0)));
    q->setInitialPositions(p->initialPositions());

    PathwayLayouter layouter(p.get());
    PathwayLayouter again(q.get());
    passes(layouter);
    passes(again);
    for (std::size_t i = 0; i < made.size(); ++i) {
        EXPECT_TRUE(at(made[i]).isFinite()) << i;
        EXPECT_EQ(at(made[i]), at(twin[i])) << "the same pathway moves the same way " << i;
    }
    for (int i = 0; i < 4; ++i) {
        for (int k = i + 1; k < 4; ++k) {
            EXPECT_NE(at(made[i]), at(made[k]));
        }
    }
    EXPECT_TRUE(std::isnan(at(lost).x));

    // Proteins outside the grid sit in the nearest edge cell.
    ASSERT_EQ(layouter.cells.nx, 10);
    ASSERT_EQ(layouter.cells.ny, 10);
    EXPECT_EQ(layouter.cells.cell(0, 0).size(), 2u);  // the top-left one and (0, 0)
    EXPECT_EQ(layouter.cells.cell(9, 9).size(), 1u);
    passes(layouter, 50);
    for (NodeEntity* node : made) {
        EXPECT_TRUE(at(node).isFinite());
    }
}

TEST(LayoutPass, GridListsProteinsInNodeOrder) {
    auto p = makePathway();
    small(*p, 0.55f, -0.35f);
    small(*p, 0.05f, -0.05f);
    small(*p, 0.51f, -0.31f);
    small(*p, 0.59f, -0.39f);
    PathwayLayouter layouter(p.get());
    passes(layouter);
    const auto cell = layouter.cells.cell(5, 3);
    EXPECT_EQ(Array<int32_t>(cell.begin(), cell.end()), (Array<int32_t>{0, 2, 3}));
    EXPECT_EQ(layouter.cells.cell(0, 0).size(), 1u);

    // A pathway too large for its own grid still lays out, in bounded memory.
    auto huge = std::make_unique<PathwayLayoutEntity>(
        Vector3(0, 0, 0), "pathway", Vector3(5000, 5000, 0.01f), Color4(1, 1, 1, 1));
    NodeEntity* a = small(*huge, 100.0f, -100.0f);
    NodeEntity* b = small(*huge, 100.05f, -100.0f);
    NodeEntity* far = small(*huge, 100.25f, -100.0f);
    PathwayLayouter big(huge.get());
    passes(big);
    EXPECT_LE(static_cast<double>(big.cells.nx) * big.cells.ny, 4096.0);
    EXPECT_LT(at(a).x, 100.0f);
    EXPECT_GT(at(b).x, 100.05f);
    // 0.15 from b is beyond the neighbouring cells of the pathway's own grid.
    EXPECT_EQ(at(far).x, 100.25f);
}

// Repulsion and walls summed pair by pair in double, as a check on the pass's
// vector loop: proteins of neighbouring cells of the pathway's own grid that
// are closer than 0.5 repel with the weight of the lower level.
Array<Vector3> expectedMoves(const PathwayLayoutEntity& p, const Array<NodeEntity*>& nodes,
                             const Array<int>& levels, double step) {
    const double c = 0.01 * p.layoutForces().repulsiveForce;
    const double side = p.layoutForces().cellSize;
    const double w = p.getSize().x, h = p.getSize().y;
    auto cell = [&](double v, double extent) {
        return std::clamp(std::floor(v / side), 0.0, std::ceil(extent / side) - 1);
    };
    Array<Vector3> moves;
    for (const NodeEntity* a : nodes) {
        const Vector3 pa = at(a);
        double fx = 0, fy = 0;
        for (std::size_t j = 0; j < nodes.size(); ++j) {
            const NodeEntity* b = nodes[j];
            const Vector3 pb = at(b);
            const double dx = static_cast<double>(pa.x) - pb.x;
            const double dy = static_cast<double>(pa.y) - pb.y;
            const double length = std::sqrt(dx * dx + dy * dy);
            if (a == b || length > 0.5 || std::abs(cell(pa.x, w) - cell(pb.x, w)) > 1 ||
                std::abs(cell(-pa.y, h) - cell(-pb.y, h)) > 1) {
                continue;
            }
            if (length == 0) {
                // At one place: a fixed direction from the two indices (the
                // turn phi lo + psi hi), away from the higher one, at the
                // smallest gap.
                const std::size_t ia = static_cast<std::size_t>(
                    std::find(nodes.begin(), nodes.end(), a) - nodes.begin());
                const std::size_t lo = std::min(ia, j), hi = std::max(ia, j);
                const double turns =
                    std::fmod(0.6180339887498949 * lo + 0.4142135623730950 * hi, 1.0);
                const double sign = ia < j ? 1.0 : -1.0;
                const int level = std::min(levels[ia], levels[j]);
                const double push = 2 * c * 1e-5 *
                                    std::pow(1 + p.layoutForces().degreeWeight, level) /
                                    (PathwayLayouter::MIN_GAP * PathwayLayouter::MIN_GAP);
                fx += sign * push * std::cos(2 * 3.1415926535898 * turns);
                fy += sign * push * std::sin(2 * 3.1415926535898 * turns);
                continue;
            }
            const double gap = PathwayLayouter::boxGap(a, b);
            const int level =
                std::min(levels[static_cast<std::size_t>(std::find(nodes.begin(), nodes.end(), a) -
                                                         nodes.begin())],
                         levels[j]);
            const double f =
                2 * c * 1e-5 * std::pow(1 + p.layoutForces().degreeWeight, level) / (gap * gap);
            fx += f * dx / length;
            fy += f * dy / length;
        }
        const double kw = 3e-5 * c * c;
        fx += kw / std::pow(pa.x, 3) - kw / std::pow(w - pa.x, 3);
        fy += -kw / std::pow(-pa.y, 3) + kw / std::pow(pa.y + h, 3);
        moves.push_back(Vector3(static_cast<float>(fx * step), static_cast<float>(fy * step), 0));
    }
    return moves;
}

// The moves one pass should make, the positions before it and the largest
// expected move, from a pass whose step keeps that move a little under the
// step limit, so that none is cut.
struct UncutPass {
    Array<Vector3> expected;
    Array<Vector3> before;
    double largest = 0;
};

UncutPass uncutPass(PathwayLayoutEntity& p, const Array<NodeEntity*>& nodes,
                    const Array<int>& levels) {
    double strongest = 0;
    for (const Vector3& f : expectedMoves(p, nodes, levels, 1.0)) {
        strongest = std::max(strongest, static_cast<double>(f.length()));
    }
    const double step = 0.5 * PathwayLayouter::MAX_STEP / strongest;
    UncutPass pass;
    pass.expected = expectedMoves(p, nodes, levels, step);
    for (NodeEntity* node : nodes) {
        pass.before.push_back(at(node));
    }
    PathwayLayouter layouter(&p);
    layouter.step = step;
    passes(layouter);
    for (const Vector3& e : pass.expected) {
        pass.largest = std::max(pass.largest, static_cast<double>(e.length()));
    }
    return pass;
}

TEST(LayoutPass, CrowdedRepulsionMatchesThePairByPairSum) {
    // Crowded enough that one column of a 3 x 3 block holds more proteins
    // than the vector loop has lanes; on the pathway's own grid and on a
    // merged one (a pathway too large for its own grid).
    for (const float extent : {1.0f, 5000.0f}) {
        auto p = std::make_unique<PathwayLayoutEntity>(
            Vector3(0, 0, 0), "pathway", Vector3(extent, extent, 0.01f), Color4(1, 1, 1, 1));
        p->style().smallProteinSize = Vector3(0.001f / extent, 0.001f / extent, 0.0001f);
        setForce(*p, &LayoutForces::degreeWeight, 0.5);
        const float cx = extent == 1.0f ? 0.5f : 2.0f;
        Array<NodeEntity*> nodes;
        Array<int> levels;
        uint32_t seed = 7;
        auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<float>(seed >> 8) / static_cast<float>(1u << 24);
        };
        for (int i = 0; i < 90; ++i) {
            const int degree = i % 5 == 0 ? 1 << (i % 4) : 0;
            const std::string id = "P" + std::to_string(i);
            NodeEntity* node =
                hub(*p, id, degree, cx - 0.17f + 0.34f * next(), -cx + 0.17f - 0.34f * next());
            nodes.push_back(node);
            levels.push_back(degree <= 1 ? 0 : static_cast<int>(std::log2(degree)));
        }
        const auto [expected, before, largest] = uncutPass(*p, nodes, levels);
        ASSERT_GT(largest, 0);
        ASSERT_LT(largest, PathwayLayouter::MAX_STEP) << "no move is cut to the step limit";
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const Vector3 moved = at(nodes[i]) - before[i];
            EXPECT_NEAR(moved.x, expected[i].x, 2e-3 * largest) << extent << " " << i;
            EXPECT_NEAR(moved.y, expected[i].y, 2e-3 * largest) << extent << " " << i;
        }
    }
}

TEST(LayoutPass, StackedStartMatchesThePairwisePushesAndSeparates) {
    // The start the network build gives: many proteins on a few points, of
    // several levels and two box sizes (the pathway's own proteins are
    // larger and never move), two places close enough to repel each other,
    // and a few proteins alone. The pushes within a place are summed in
    // closed form, proteins alike at one place repel as one entry: the moves
    // must be the pair-by-pair sums up to the order of additions.
    auto build = [](PathwayLayoutEntity& p, Array<NodeEntity*>& nodes, Array<int>& levels) {
        setForce(p, &LayoutForces::degreeWeight, 0.5);
        const std::pair<float, float> places[] = {{0.3f, -0.3f}, {0.33f, -0.31f}, {0.7f, -0.6f}};
        for (int i = 0; i < 130; ++i) {
            const auto [x, y] = places[i % 3 == 2 && i % 7 != 0 ? 2 : i % 2];
            const int degree = 1 << (i % 4);
            if (i % 17 == 5) {
                nodes.push_back(p.createNode(CoordinateFrame(Vector3(x, y, 0)), "fixed", true));
                levels.push_back(0);
                continue;
            }
            const std::string id = "P" + std::to_string(i);
            nodes.push_back(hub(p, id, degree, x, y));
            levels.push_back(static_cast<int>(std::log2(degree)));
        }
        for (int i = 0; i < 6; ++i) {
            nodes.push_back(small(p, 0.1f + 0.13f * i, -0.85f + 0.02f * i));
            levels.push_back(0);
        }
    };
    auto p = makePathway();
    auto twin = makePathway();
    Array<NodeEntity*> nodes, twinNodes;
    Array<int> levels, twinLevels;
    build(*p, nodes, levels);
    build(*twin, twinNodes, twinLevels);

    const auto [expected, before, largest] = uncutPass(*p, nodes, levels);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i]->getParent() == p.get()) {
            continue;  // the pathway's own proteins do not move
        }
        const Vector3 moved = at(nodes[i]) - before[i];
        EXPECT_NEAR(moved.x, expected[i].x, 1e-5 * largest) << i;
        EXPECT_NEAR(moved.y, expected[i].y, 1e-5 * largest) << i;
    }

    // At full step every protein of a place leaves it in its own direction,
    // the same on every run; nothing turns into NaN.
    PathwayLayouter again(twin.get());
    passes(again, 3);
    for (std::size_t i = 0; i < twinNodes.size(); ++i) {
        EXPECT_TRUE(at(twinNodes[i]).isFinite()) << i;
    }
    for (std::size_t i = 0; i < twinNodes.size(); ++i) {
        for (std::size_t k = i + 1; k < twinNodes.size(); ++k) {
            const bool fixedPair =
                twinNodes[i]->getParent() == twin.get() && twinNodes[k]->getParent() == twin.get();
            if (!fixedPair) {
                EXPECT_NE(at(twinNodes[i]), at(twinNodes[k])) << i << " " << k;
            }
        }
    }
    auto third = makePathway();
    Array<NodeEntity*> thirdNodes;
    Array<int> thirdLevels;
    build(*third, thirdNodes, thirdLevels);
    PathwayLayouter once(third.get());
    passes(once, 3);
    for (std::size_t i = 0; i < twinNodes.size(); ++i) {
        EXPECT_EQ(at(thirdNodes[i]), at(twinNodes[i])) << i;
    }
}

// A pass shared out among the team's threads gives the positions of the pass
// on one thread, bit for bit: from a spread start (each pair met on its own)
// and from a stacked one (alike proteins at one place met as one entry).
// Enough proteins that the snapshot and the write-back are shared as well.
TEST(LayoutPass, EveryCoreGivesThePositionsOfOneThread) {
    auto build = [](PathwayLayoutEntity& p, bool stacked) {
        setForce(p, &LayoutForces::degreeWeight, 0.5);
        uint32_t seed = 11;
        auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<float>(seed >> 8) / static_cast<float>(1u << 24);
        };
        Array<NodeEntity*> nodes;
        for (int i = 0; i < 4500; ++i) {
            const bool onStack = stacked && i % 3 == 0;
            const float x = onStack ? 0.25f + 0.5f * (i % 2) : 0.02f + 0.96f * next();
            const float y = onStack ? -0.5f : -0.02f - 0.96f * next();
            nodes.push_back(hub(p, "P" + std::to_string(i), i % 7 == 0 ? 9 : 1, x, y));
        }
        for (std::size_t i = 1; i < nodes.size(); i += 2) {
            p.createEdge(nodes[i - 1], nodes[i], false);
        }
        return nodes;
    };
    for (const bool stacked : {false, true}) {
        auto one = makePathway();
        auto every = makePathway();
        const Array<NodeEntity*> alone = build(*one, stacked);
        const Array<NodeEntity*> shared = build(*every, stacked);
        PathwayLayouter single(one.get()), many(every.get());
        single.threads = 1;
        many.threads = 8;
        passes(single, 4);
        // The stacked start is shared out as while a slow view moves.
        PathwayLayouter::yieldToDrawing(stacked);
        passes(many, 4);
        PathwayLayouter::yieldToDrawing(false);
        std::size_t differing = 0;
        for (std::size_t i = 0; i < alone.size(); ++i) {
            const Vector3 a = at(alone[i]), b = at(shared[i]);
            differing += std::bit_cast<uint32_t>(a.x) != std::bit_cast<uint32_t>(b.x) ||
                         std::bit_cast<uint32_t>(a.y) != std::bit_cast<uint32_t>(b.y);
        }
        EXPECT_EQ(differing, 0u) << (stacked ? "stacked" : "spread");
    }
}

TEST(LayoutPass, EmptyPathwayPrintsBothTimesOnly) {
    auto p = makePathway();
    PathwayLayouter layouter(p.get());
    testing::internal::CaptureStdout();
    layouter.layoutPass();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("prepare Cells time = "), std::string::npos);
    EXPECT_NE(out.find("\nfast layout time == "), std::string::npos);
    EXPECT_TRUE(p->nodes().empty());
}

// An interaction between proteins the pathway does not hold has no ends in
// the pass: it pulls nothing, also when the pathway holds no protein at all.
TEST(LayoutPass, InteractionWithForeignEndsPullsNothing) {
    auto p = makePathway();
    NodeEntity a(CoordinateFrame(Vector3(0.4f, -0.5f, 0)), "a", 0, Vector3(0.02f, 0.01f, 0),
                 Color4(1, 0, 0, 1), false);
    NodeEntity b(CoordinateFrame(Vector3(0.6f, -0.5f, 0)), "b", 0, Vector3(0.02f, 0.01f, 0),
                 Color4(1, 0, 0, 1), false);
    EdgeEntity* edge = p->createEdge(&a, &b, false);
    setForce(*p, &LayoutForces::springForce, 1000);
    PathwayLayouter layouter(p.get());
    passes(layouter);
    EXPECT_EQ(at(&a), Vector3(0.4f, -0.5f, 0));

    NodeEntity* own = small(*p, 0.5f, -0.5f);
    layouter.step = 100;
    passes(layouter);
    // Only the walls, which balance at the centre.
    EXPECT_NEAR(at(own).x, 0.5f, 1e-6);
    EXPECT_NEAR(at(own).y, -0.5f, 1e-6);
    p->removeEdge(edge);  // it observes a and b, which go first
}

TEST(LayoutThread, StartStopStartLeavesOneThread) {
    auto p = makePathway();
    NodeEntity* node = small(*p, 1e-3f, -0.5f);
    auto position = [&] { return p->withLayoutLocked([&] { return at(node); }); };
    testing::internal::CaptureStdout();
    p->startLayouter();
    QPointer<QThread> first = p->layouter();
    ASSERT_TRUE(first);
    EXPECT_EQ(p->layouter()->step, 1.0);
    p->startLayouter();
    EXPECT_TRUE(first.isNull()) << "the earlier layouter is deleted";
    ASSERT_NE(p->layouter(), nullptr);
    for (int i = 0; i < 5000 && position().x <= 1e-3f; ++i) {
        QThread::msleep(1);
    }
    p->stopLayouter();
    EXPECT_TRUE(p->layouter()->isFinished());
    const Vector3 stopped = at(node);
    EXPECT_GT(stopped.x, 1e-3f);
    p->stopLayouter();  // again: nothing to wait for
    EXPECT_EQ(at(node), stopped) << "no pass after the stop";
    p->startLayouter();
    EXPECT_FALSE(p->layouter()->isFinished());
    p.reset();  // the document stops the thread before it lets its nodes go
    testing::internal::GetCapturedStdout();
}

}  // namespace
