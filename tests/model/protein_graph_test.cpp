// The protein graph: network build from a source, importance, distances, names,
// positions, exploration scores, heatmap texts and its file section.
#include "model/ProteinGraph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <string>

#include <unistd.h>

#include "model/FakeDataSource.h"
#include "model/TextFile.h"

namespace {

Array<std::string> nodesOf(const PropertyGraph& g) {
    Array<std::string> out;
    g.getNodes(out);
    return out;
}

Array<std::string> importantOf(const ProteinGraph& g) {
    Array<std::string> out;
    g.getImportantProteins(out);
    return out;
}

std::string distanceOf(const ProteinGraph& g, const std::string& a, const std::string& b) {
    std::string d;
    return g.getDistance(a, b, d) ? d : "-";
}

FakeDataSource& fakeOf(ProteinGraph& g) {
    auto fake = std::make_unique<FakeDataSource>();
    FakeDataSource& ref = *fake;
    g.source = std::move(fake);
    return ref;
}

void expectNear(const Vector3& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-5);
    EXPECT_NEAR(v.y, y, 1e-5);
    EXPECT_NEAR(v.z, z, 1e-5);
}

Vector3 storedOf(const ProteinGraph& g, const std::string& node, const char* key = "position") {
    const Property* p = g.findNodeProperty(node, key);
    return p ? p->getVector3() : Vector3(-99, -99, -99);
}

class ProteinGraphFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("corvidane_pgraph2_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string writeFile(const Array<std::string>& lines) {
        const std::string path = (dir_ / ("p" + std::to_string(counter_++) + ".txt")).string();
        std::ofstream out(path, std::ios::binary);
        for (const std::string& line : lines) {
            out << line << "\n";
        }
        return path;
    }
    bool loadInto(ProteinGraph& g, const std::string& path) {
        TextFileReader reader;
        reader.open(path);
        const bool ok = g.load(reader);
        reader.close();
        return ok;
    }

    std::filesystem::path dir_;
    int counter_ = 0;
};

TEST(ProteinGraphTest, BuildFromSourceMarksSeedsAndTheirEdges) {
    ProteinGraph g;
    EXPECT_FALSE(g.buildFromSource(PropertyGraph(), 1, 0, "human"));

    FakeDataSource& fake = fakeOf(g);
    fake.addInteraction("a", "x", 700);
    fake.addInteraction("x", "y", 800);
    fake.addInteraction("b", "z", 100);  // below the confidence
    PropertyGraph seeds;
    seeds.addEdge("a", "b");

    ASSERT_TRUE(g.buildFromSource(seeds, 2, 500, "human"));
    ASSERT_EQ(fake.callCount("expandNetwork"), 1);
    EXPECT_EQ(fake.calls[0].ids, (Array<std::string>{"a", "b"}));
    EXPECT_EQ(fake.calls[0].confidence, 500);
    EXPECT_EQ(fake.calls[0].levels, 2);
    EXPECT_EQ(fake.calls[0].species, "human");

    EXPECT_EQ(nodesOf(g), (Array<std::string>{"a", "x", "y", "b"}));
    EXPECT_TRUE(g.isImportant("a"));
    EXPECT_TRUE(g.isImportant("b"));
    EXPECT_FALSE(g.isImportant("x"));
    EXPECT_TRUE(g.isInteractionImportant("b", "a"));
    EXPECT_FALSE(g.isInteractionImportant("a", "x"));
    EXPECT_EQ(g.findEdgeProperty("x", "a", "confidence")->getValue(), "700");
    EXPECT_EQ(g.findEdgeProperty("a", "b", "confidence"), nullptr);
}

TEST(ProteinGraphTest, CopiesOfAProteinEachKeepTheirInteractions) {
    ProteinGraph g;
    FakeDataSource& fake = fakeOf(g);
    fake.addInteraction("P1", "X", 900);
    fake.addInteraction("P1_2", "X", 900);
    fake.addInteraction("X", "P1", 900);  // the same pair again
    PropertyGraph seeds;
    seeds.addNode("P1");
    seeds.addNode("P1_2");
    ASSERT_TRUE(g.buildFromSource(seeds, 1, 0, ""));
    Array<std::string> from, to;
    g.getEdges(from, to, false);
    EXPECT_EQ(from.size(), 2u);
    EXPECT_TRUE(g.hasEdge("X", "P1"));
    EXPECT_TRUE(g.hasEdge("X", "P1_2"));
    EXPECT_EQ(importantOf(g), (Array<std::string>{"P1", "P1_2"}));
}

TEST(ProteinGraphTest, UniqueDisplayNames) {
    ProteinGraph g;
    for (const char* id : {"p", "q", "r"}) {
        g.addNode(id);
        g.setProteinName(id, "X");
    }
    EXPECT_EQ(g.getProteinName("p"), "X");
    EXPECT_EQ(g.getProteinName("q"), "X_1");
    EXPECT_EQ(g.getProteinName("r"), "X_2");
    EXPECT_EQ(g.getNodeByName("X_1"), "q");
    g.setProteinName("p", "X");
    EXPECT_EQ(g.getProteinName("p"), "X");
    g.setProteinName("p", "Y");
    EXPECT_EQ(g.getNodeByName("X"), "");
    g.setProteinName("r", "X");
    EXPECT_EQ(g.getProteinName("r"), "X");
    EXPECT_EQ(g.getNodeByName("X_2"), "");

    g.addNode("nameless");
    EXPECT_EQ(g.getProteinName("nameless"), "nameless");
    EXPECT_FALSE(g.setProteinName("missing", "Z"));
}

TEST(ProteinGraphTest, ImportantCacheFollowsRemovalAndRebuilds) {
    ProteinGraph g;
    g.addEdge("s", "t");
    g.addNode("u");
    g.setImportant("s");
    g.setImportant("u");
    g.setProteinName("u", "U");
    g.buildImportantCache();
    EXPECT_EQ(importantOf(g), (Array<std::string>{"s", "u"}));

    g.removeNode("u");
    EXPECT_EQ(importantOf(g), (Array<std::string>{"s"}));
    EXPECT_FALSE(g.isImportant("u"));
    EXPECT_EQ(g.getNodeByName("U"), "");
    // The name is free again.
    g.addNode("v");
    g.setProteinName("v", "U");
    EXPECT_EQ(g.getProteinName("v"), "U");

    g.removeNodeProperty("s", g.findNodeProperty("s", "important"));
    g.buildImportantCache();
    EXPECT_TRUE(importantOf(g).empty());
}

TEST(ProteinGraphTest, BreadthFirstDistancesOnAChainAndADisconnectedPart) {
    ProteinGraph g;
    g.addEdge("seed", "a");
    g.addEdge("a", "b");
    g.addEdge("b", "c");
    g.addEdge("island", "far");
    g.setImportant("seed");
    g.setDistance("old", "entry", "9#x");

    g.breadthFirstSearch(3);
    EXPECT_EQ(distanceOf(g, "seed", "a"), "1#seed");
    EXPECT_EQ(distanceOf(g, "b", "seed"), "2#a");
    EXPECT_EQ(distanceOf(g, "seed", "c"), "-");
    EXPECT_EQ(distanceOf(g, "seed", "island"), "-");
    EXPECT_EQ(distanceOf(g, "old", "entry"), "-");  // the group is rebuilt
    EXPECT_EQ(g.getDistancesToImportant("c"), (Array<std::string>{"1000#none"}));
    EXPECT_EQ(g.getDistancesToImportant("a"), (Array<std::string>{"1#seed"}));

    g.breadthFirstSearch(1);
    EXPECT_EQ(distanceOf(g, "seed", "a"), "-");
    g.breadthFirstSearch(100);  // ends although the island is never reached
    EXPECT_EQ(distanceOf(g, "seed", "c"), "3#b");
}

TEST(ProteinGraphTest, ApplyNamesAfterSeedNamesLeavesEveryProteinNamed) {
    ProteinGraph g;
    FakeDataSource& fake = fakeOf(g);
    fake.addInteraction("s1", "a");
    fake.addInteraction("a", "b");
    fake.addInteraction("s2", "c");
    fake.names["s1"] = "SourceName";
    fake.names["a"] = "Alpha";
    fake.names["b"] = "";  // the source knows no name
    PropertyGraph seeds;
    seeds.addNode("s1");
    seeds.addNode("s2");
    ASSERT_TRUE(g.buildFromSource(seeds, 2, 0, ""));
    g.setProteinName("s1", "Label1");  // s2 has no label

    ASSERT_TRUE(g.applyNames(true));
    EXPECT_EQ(fake.callCount("getNames"), 1);
    EXPECT_EQ(g.getProteinName("s1"), "Label1");
    EXPECT_EQ(g.getProteinName("s2"), "s2");
    EXPECT_EQ(g.getProteinName("a"), "Alpha");
    EXPECT_EQ(g.getProteinName("b"), "b");
    for (const std::string& id : nodesOf(g)) {
        EXPECT_NE(g.findNodeProperty(id, "name"), nullptr) << id;
    }

    ASSERT_TRUE(g.applyNames(false));
    EXPECT_EQ(g.getProteinName("s1"), "SourceName");

    ProteinGraph sourceless;
    EXPECT_FALSE(sourceless.applyNames(true));
    EXPECT_FALSE(sourceless.loadProperties());
}

TEST(ProteinGraphPositionsTest, ScaledPositionsAndMissingOnes) {
    ProteinGraph g;
    g.scaleX = 2;
    g.scaleY = 3;
    g.addNode("n");
    g.setPosition("n", Vector3(1, 1, 5));
    Vector3 p(7, 7, 7);
    ASSERT_TRUE(g.getProteinPosition("n", p));
    expectNear(p, 2, 3, 0);

    g.addNode("unplaced");
    p = Vector3(7, 7, 7);
    EXPECT_FALSE(g.getProteinPosition("unplaced", p));
    EXPECT_EQ(p, Vector3(7, 7, 7));
    g.addNodeProperty("n", std::make_unique<Property>("initialPosition", "(9, 9, 0)"));
    g.computePositions(false);  // skips the unplaced protein, keeps n's initial position
    EXPECT_EQ(g.findNodeProperty("unplaced", "position"), nullptr);
    expectNear(storedOf(g, "n"), 1, 1, 0);
    EXPECT_EQ(g.findNodeProperty("n", "initialPosition")->getValue(), "(9, 9, 0)");
}

TEST(ProteinGraphPositionsTest, WeightedMeanOfImportantProteins) {
    ProteinGraph g;
    // mid is one level from A and from B; mixed is one from A and two from B.
    g.addEdge("A", "mid");
    g.addEdge("B", "mid");
    g.addEdge("A", "mixed");
    g.addEdge("mixed", "C");
    g.addNode("alone");
    g.addEdge("O1", "origin");
    for (const char* seed : {"A", "B"}) {
        g.setImportant(seed);
    }
    g.setPosition("A", Vector3(0, 0, 0));
    g.setPosition("B", Vector3(2, 0, 0));
    g.breadthFirstSearch(3);
    g.buildImportantCache();

    Vector3 p;
    ASSERT_TRUE(g.approximatePosition("mid", p));
    expectNear(p, 1, 0, 0);

    // One level from A and two from B: weights 80 and 16.
    g.addNode("m");
    g.setDistance("A", "m", "1#A");
    g.setDistance("B", "m", "2#x");
    ASSERT_TRUE(g.approximatePosition("m", p));
    expectNear(p, 2.0f * 16 / 96, 0, 0);

    // mixed is three steps from B, beyond maxLevels 3: only A counts.
    ASSERT_TRUE(g.approximatePosition("mixed", p));
    expectNear(p, 0, 0, 0);

    // With more levels C is two from A and four from B.
    g.breadthFirstSearch(6);
    ASSERT_TRUE(g.approximatePosition("C", p));
    const float wA = 16.0f, wB = 0.8f * 0.2f * 0.2f * 0.2f * 100.0f;
    expectNear(p, 2 * wB / (wA + wB), 0, 0);

    g.computePositions(true);
    expectNear(storedOf(g, "alone"), 0.85f, -0.85f, 0);
    expectNear(storedOf(g, "origin"), 0.85f, -0.85f, 0);
    // A, at the origin, comes first and moves; mid then lies between its new place and B.
    expectNear(storedOf(g, "A"), 0.85f, -0.85f, 0);
    expectNear(storedOf(g, "mid"), 1.425f, -0.425f, 0);
    expectNear(storedOf(g, "B", "initialPosition"), 2, 0, 0);
}

TEST(ProteinGraphPositionsTest, OddDistanceLevelsAndAZeroScaleAreHarmless) {
    ProteinGraph g;  // scales stay 0
    g.addEdge("A", "n");
    g.addNode("B");
    g.setImportant("A");
    g.setImportant("B");
    g.setPosition("A", Vector3(0.25f, -0.5f, 3));
    g.setPosition("B", Vector3(4, 4, 0));
    g.buildImportantCache();
    g.setDistance("A", "n", "0#A");   // a level below 1, as a file may hold
    g.setDistance("B", "n", "12#x");  // beyond the weight table
    Vector3 p(5, 5, 5);
    ASSERT_TRUE(g.approximatePosition("n", p));
    EXPECT_EQ(p, Vector3(5, 5, 5));

    ASSERT_TRUE(g.approximatePosition("A", p));
    expectNear(p, 0.25f, -0.5f, 0);
    g.computePositions(true);
    expectNear(storedOf(g, "A"), 0.25f, -0.5f, 0);
    expectNear(storedOf(g, "n"), 0.85f, -0.85f, 0);

    // An important protein without a position cannot place its neighbours.
    ProteinGraph h;
    h.addEdge("S", "m");
    h.setImportant("S");
    h.breadthFirstSearch(2);
    p = Vector3(5, 5, 5);
    EXPECT_FALSE(h.approximatePosition("m", p));
    EXPECT_EQ(p, Vector3(5, 5, 5));
    h.computePositions(true);
    EXPECT_EQ(h.findNodeProperty("m", "position"), nullptr);
}

TEST(ProteinGraphPositionsTest, ExplorationScores) {
    ProteinGraph g;
    g.addEdge("n", "b1");
    g.addEdge("n", "b2");
    g.addNode("alone");
    g.addNode("big");
    EXPECT_EQ(g.getExplorationScore("n"), 0.0);
    g.setExplorationScore("n", 4);
    g.addExplorationScore("n", 6);
    g.setExplorationScore("b1", 20);
    g.setExplorationScore("b2", 40);
    g.setExplorationScore("alone", 7);
    g.setExplorationScore("big", 60);

    EXPECT_DOUBLE_EQ(g.getExplorationScore("n"), 10);
    EXPECT_DOUBLE_EQ(g.neighbourhoodScore("n", 1), 25);
    EXPECT_DOUBLE_EQ(g.neighbourhoodScore("alone", 1), 7);
    for (int depth = 0; depth < 3; ++depth) {
        EXPECT_DOUBLE_EQ(g.neighbourhoodScore("big", depth), 50) << depth;
    }
    g.setExplorationScore("n", std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(g.neighbourhoodScore("n", 0), 50);
    EXPECT_DOUBLE_EQ(g.neighbourhoodScore("n", 1), 50);
    EXPECT_DOUBLE_EQ(g.neighbourhoodScore("b1", 1), 45);  // 20 + 0.5 * capped 50
}

TEST(ProteinGraphTest, WriteHeatmapsAppendsOneTextPerEntry) {
    HeatmapSeries store;
    store.addEntry("S10", "P1", "pY", "1\t2", "exp.txt", "n1",
                   HeatmapColours{Vector3(1, 0, 0), Vector3(0, 0, 0.5f)});
    store.addEntry("S11", "P1", "pS", "3", "exp.txt", "", HeatmapColours{});
    store.addEntry("S12", "absent", "pT", "3", "exp.txt", "", HeatmapColours{Vector3(1, 1, 1)});
    ProteinGraph g;
    g.addNode("P1");
    g.writeHeatmaps(nullptr);
    EXPECT_EQ(g.findNodeProperty("P1", "heatmap"), nullptr);

    g.writeHeatmaps(&store);
    const Array<std::string> expected{"exp.txt\tpY\tn1\t(1, 0, 0, 1)\t(0, 0, 0.5, 1)",
                                      "exp.txt\tpS\t\t"};
    EXPECT_EQ(g.findNodeProperty("P1", "heatmap")->values, expected);
    EXPECT_FALSE(g.hasNode("absent"));
    g.writeHeatmaps(&store);
    EXPECT_EQ(g.findNodeProperty("P1", "heatmap")->values.size(), 4u);
}

TEST_F(ProteinGraphFileTest, SaveLoadKeepsRatingsHeatmapsAndHiddenProteins) {
    ProteinGraph g;
    g.addEdge("P1", "P2");
    g.addEdge("P2", "P3");
    g.addEdge("P3", "P3");
    g.setImportant("P1");
    g.setProteinName("P1", "One");
    g.setProteinName("P2", "Two");
    g.setRating("longname", 1);
    g.setRating("link", 2);
    g.addNodeProperty(
        "P2", std::make_unique<Property>("heatmap",
                                         Array<std::string>{"e1\td\tn\t(1, 0, 0, 1)\t(0, 1, 0, 1)",
                                                            "short\tvalue", "e2\t\t\t"}));
    g.addTag("P3", "selector");

    Array<std::string> lines;
    g.save(lines);
    EXPECT_TRUE(g.filteringEnabled);
    EXPECT_EQ(lines.back(), "ENDPROPRATING");

    ProteinGraph back;
    back.setProteinName("stale", "x");
    ASSERT_TRUE(loadInto(back, writeFile(lines)));
    EXPECT_EQ(nodesOf(back), (Array<std::string>{"P1", "P2", "P3"}));
    EXPECT_FALSE(back.hasEdge("P3", "P3"));
    EXPECT_TRUE(back.hasEdge("P2", "P3"));
    EXPECT_EQ(back.getNodeByName("Two"), "P2");
    EXPECT_TRUE(back.isImportant("P1"));
    EXPECT_EQ(importantOf(back), (Array<std::string>{"P1"}));
    Array<std::string> rated;
    back.getPropertiesWithRating(2, rated);
    EXPECT_EQ(rated, (Array<std::string>{"link"}));

    ASSERT_NE(back.heatmaps, nullptr);
    ASSERT_EQ(back.heatmaps->entryCount(), 2);
    EXPECT_EQ(back.heatmaps->proteinAt(0), "P2");
    EXPECT_EQ(back.heatmaps->experimentAt(0), "e1");
    EXPECT_EQ(back.heatmaps->detailAt(0), "d");
    EXPECT_EQ(back.heatmaps->noteAt(0), "n");
    ASSERT_EQ(back.heatmaps->coloursAt(0).size(), 2u);
    EXPECT_EQ(back.heatmaps->coloursAt(0)[1], Vector3(0, 1, 0));
    EXPECT_EQ(back.heatmaps->experimentAt(1), "e2");
    EXPECT_TRUE(back.heatmaps->coloursAt(1).empty());

    Array<std::string> again;
    back.save(again);
    Array<std::string> firstWithoutLoop;
    ProteinGraph copy;
    ASSERT_TRUE(loadInto(copy, writeFile(again)));
    copy.save(firstWithoutLoop);
    EXPECT_EQ(firstWithoutLoop, again);
}

TEST_F(ProteinGraphFileTest, RatingLinesAndTruncatedSections) {
    ProteinGraph g;
    g.addNode("a");
    Array<std::string> lines;
    g.save(lines);
    lines.insert(lines.end() - 1, "noEquals");
    ProteinGraph back;
    ASSERT_TRUE(loadInto(back, writeFile(lines)));
    Array<std::string> zero;
    back.getPropertiesWithRating(0, zero);
    EXPECT_EQ(zero, (Array<std::string>{"noEquals"}));

    for (size_t cut = 0; cut + 1 < lines.size(); ++cut) {
        ProteinGraph truncated;
        EXPECT_FALSE(
            loadInto(truncated, writeFile(Array<std::string>(lines.begin(), lines.begin() + cut))))
            << cut;
    }
    EXPECT_FALSE(g.setRating("a=b", 1));
    EXPECT_FALSE(g.setRating("ENDPROPRATING", 1));
}

}  // namespace

TEST(ProteinGraphTest, BreadthFirstDistancesMatchAPlainSearchOnARandomNetwork) {
    ProteinGraph g;
    unsigned state = 12345;
    auto next = [&](unsigned bound) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % bound;
    };
    for (int i = 0; i < 400; ++i) {
        g.addEdge("p" + std::to_string(next(150)), "p" + std::to_string(next(150)));
    }
    g.addEdge("p3", "p4");  // two seeds side by side: the pair keeps its first entry
    for (const char* seed : {"p3", "p4", "p77", "p140"}) {
        g.setImportant(seed);
    }
    g.addTag("p10", "hidden");  // a hidden protein is not passed through
    g.buildImportantCache();
    g.breadthFirstSearch(5);

    // The search as a plain breadth-first walk over display neighbours.
    std::map<std::pair<std::string, std::string>, std::string> expected;
    for (const std::string& seed : importantOf(g)) {
        std::map<std::string, int> level{{seed, 0}};
        Array<std::string> queue{seed}, neighbours;
        for (size_t j = 0; j < queue.size(); ++j) {
            if (level[queue[j]] + 1 >= 5) {
                continue;
            }
            g.getNeighbours(queue[j], neighbours);
            for (const std::string& b : neighbours) {
                if (level.emplace(b, level[queue[j]] + 1).second) {
                    queue.push_back(b);
                    if (!expected.count({b, seed})) {
                        expected[{seed, b}] = std::to_string(level[b]) + "#" + queue[j];
                    }
                }
            }
        }
    }
    Array<std::string> all;
    g.filteringEnabled = false;
    g.getNodes(all);
    int found = 0;
    for (const std::string& seed : importantOf(g)) {
        for (const std::string& node : all) {
            std::string d;
            const bool here = g.getDistance(seed, node, d);
            auto it = expected.find({seed, node});
            if (it == expected.end()) {
                it = expected.find({node, seed});
            }
            ASSERT_EQ(here, it != expected.end()) << seed << " " << node;
            if (here) {
                EXPECT_EQ(d, it->second) << seed << " " << node;
                ++found;
            }
        }
    }
    EXPECT_GT(found, 200);
    EXPECT_EQ(distanceOf(g, "p4", "p3"), "1#p3");
}
