// The network build: defaults of levels and confidence, both filters, unique
// identifiers for repeated proteins, stimulus seeds from the experiments, and
// refusing to build from a source that failed.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "SceneFixture.h"
#include "app/App.h"
#include "app/NetworkBuild.h"
#include "datasources/HPRDDataSource.h"
#include "engine/render/Image.h"
#include "model/FakeDataSource.h"
#include "model/HeatmapSeries.h"
#include "model/ProteinGraph.h"
#include "pathway/ImageProcessorSelection.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/ShapeFinder.h"
#include "scene/EdgeEntity.h"
#include "scene/NodeEntity.h"

namespace {

class NetworkBuild : public testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("corvidane-build-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        app.createPathway((folder / "built.pth").string());
        auto owned = std::make_unique<FakeDataSource>();
        source = owned.get();
        graph().source = std::move(owned);
    }
    void TearDown() override {
        app.close();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    ProteinGraph& graph() { return app.pathway()->graph(); }

    // A hand-placed protein with its seed entry.
    NodeEntity* place(const std::string& label, const std::string& id, float x, float y) {
        if (!id.empty()) {
            parameters.seeds[label] = id;
        }
        return app.pathway()->createNode(CoordinateFrame(Vector3(x, y, 0.1f)), label, true);
    }

    bool build() { return app.buildgraph(parameters); }

    std::filesystem::path folder;
    App app;
    FakeDataSource* source = nullptr;
    GraphBuilderParameters parameters;
};

}  // namespace

namespace {

// The last expansion the source was asked for.
const FakeDataSource::Call* lastExpansion(const FakeDataSource& source) {
    const FakeDataSource::Call* found = nullptr;
    for (const auto& call : source.calls) {
        found = call.operation == "expandNetwork" ? &call : found;
    }
    return found;
}

}  // namespace

TEST_F(NetworkBuild, DefaultsSeedEdgesNamesPositionsAndDistances) {
    NodeEntity* a = place("A", "a", 0.2f, -0.3f);
    NodeEntity* b = place("B", "b", 0.6f, -0.3f);
    NodeEntity* loose = place("Loose", "", 0.4f, -0.6f);
    app.pathway()->createEdge(a, b, true);
    app.pathway()->createEdge(a, loose, true);
    // A chain a - p1 - ... - p8 handed back whole whatever the levels.
    source->returnEverything = true;
    std::string previous = "a";
    for (int i = 1; i <= 8; ++i) {
        source->addInteraction(previous, "p" + std::to_string(i));
        previous = "p" + std::to_string(i);
    }
    source->names["p3"] = "Third";

    ASSERT_TRUE(build());
    ASSERT_NE(lastExpansion(*source), nullptr);
    EXPECT_EQ(lastExpansion(*source)->levels, 2);
    EXPECT_EQ(lastExpansion(*source)->confidence, 900);
    std::string distance;
    EXPECT_TRUE(graph().getDistance("a", "p6", distance)) << "levels + 5 = 7 reaches six steps";
    EXPECT_FALSE(graph().getDistance("a", "p7", distance));
    EXPECT_TRUE(graph().isInteractionImportant("a", "b"));
    EXPECT_FALSE(graph().hasEdge("a", "")) << "an unknown label takes part in no seed edge";
    EXPECT_EQ(graph().getProteinName("a"), "A");
    EXPECT_EQ(graph().getProteinName("p3"), "Third");
    Array<std::string> ids;
    graph().getNodes(ids);
    for (const std::string& id : ids) {
        EXPECT_NE(graph().findNodeProperty(id, "name"), nullptr) << id;
        EXPECT_NE(graph().findNodeProperty(id, "position"), nullptr) << id;
    }
    EXPECT_TRUE(app.pathway()->hasNetwork());
    EXPECT_TRUE(std::filesystem::exists(folder / "built.pth"));

    parameters.levels = "3";
    parameters.conf = "950.9";
    ASSERT_TRUE(build());
    EXPECT_EQ(lastExpansion(*source)->levels, 3);
    EXPECT_EQ(lastExpansion(*source)->confidence, 950) << "truncated";
}

TEST_F(NetworkBuild, ConnectivityFilterRemovesLowDegreeProteinsButNotSeeds) {
    place("A", "a", 0.2f, -0.3f);
    place("B", "b", 0.6f, -0.3f);
    // h has three partners; l1, l2, l3 and the seed b have one.
    source->addInteraction("a", "h");
    source->addInteraction("h", "l1");
    source->addInteraction("h", "l2");
    source->addInteraction("b", "l3");
    parameters.filterConnectivity = 3;
    ASSERT_TRUE(build());
    for (const char* kept : {"a", "b", "h"}) {
        EXPECT_TRUE(graph().hasNode(kept)) << kept;
    }
    for (const char* removed : {"l1", "l2", "l3"}) {
        EXPECT_FALSE(graph().hasNode(removed)) << removed;
    }
    Array<std::string> neighbours;
    graph().getNeighbours("h", neighbours);
    EXPECT_EQ(neighbours, Array<std::string>{"a"}) << "no half-edge to a removed protein";
    EXPECT_FALSE(graph().hasNodeTags("h")) << "the filter's tags are gone";
}

TEST_F(NetworkBuild, PathFilterZeroOnlyRaisesTheConnectivityThreshold) {
    place("A", "a", 0.2f, -0.3f);
    place("B", "b", 0.6f, -0.3f);
    source->addInteraction("a", "m");
    source->addInteraction("m", "b");
    source->addInteraction("a", "dead");
    parameters.filterConnectivity = 0;
    parameters.filterPaths = 0;
    ASSERT_TRUE(build());
    EXPECT_TRUE(graph().hasNode("dead")) << "degree 1 passes threshold 1; no path filter";
}

TEST_F(NetworkBuild, PathFilterJoinsSeedsAndMeasuredProteinsAndKeepsSeeds) {
    place("A", "a", 0.2f, -0.3f);
    place("B", "b", 0.6f, -0.3f);  // on no path, degree 0
    source->addInteraction("a", "m");
    source->addInteraction("m", "e");
    source->addInteraction("a", "dead");
    HeatmapSeries store;
    store.addEntry("E", "e", "", "2.0", "first", "");
    store.computeColours("first");
    parameters.experiments = &store;
    parameters.filterPaths = 1;
    ASSERT_TRUE(build());
    EXPECT_TRUE(graph().hasNode("a"));
    EXPECT_TRUE(graph().hasNode("b")) << "important proteins survive both filters";
    EXPECT_TRUE(graph().hasNode("m")) << "m joins the seed to a measured protein";
    EXPECT_FALSE(graph().hasNode("dead"));
    EXPECT_NE(graph().findNodeProperty("e", "heatmap"), nullptr);
}

TEST_F(NetworkBuild, RepeatedProteinBecomesPAndP0WithTheirOwnPositions) {
    place("First", "P", 0.25f, -0.5f);
    place("Second", "P", 0.75f, -0.25f);
    ASSERT_TRUE(build());
    ASSERT_TRUE(graph().hasNode("P"));
    ASSERT_TRUE(graph().hasNode("P_0"));
    EXPECT_FALSE(graph().hasNode("P_1"));
    // Whichever child came first is P; its name and position stay its own.
    const std::string first = graph().getProteinName("P") == "First" ? "P" : "P_0";
    const std::string second = first == "P" ? "P_0" : "P";
    EXPECT_EQ(graph().getProteinName(second), "Second");
    Vector3 p, q;
    ASSERT_TRUE(graph().getProteinPosition(first, p));
    ASSERT_TRUE(graph().getProteinPosition(second, q));
    EXPECT_NEAR(p.x, 0.25f, 1e-5);
    EXPECT_NEAR(p.y, -0.5f, 1e-5);
    EXPECT_NEAR(q.x, 0.75f, 1e-5);
    EXPECT_NEAR(q.y, -0.25f, 1e-5);
}

TEST_F(NetworkBuild, EntireExpandsExperimentProteinsWithoutMakingThemImportant) {
    place("A", "a", 0.2f, -0.3f);
    source->addInteraction("a", "n");
    source->addInteraction("x", "y");
    HeatmapSeries store;
    store.addEntry("X", "x", "", "1.5", "first", "");
    store.addEntry("A", "a", "", "0.5", "first", "");
    store.computeColours("first");
    parameters.experiments = &store;
    parameters.entire = true;
    ASSERT_TRUE(build());
    const Array<std::string>& seeds = lastExpansion(*source)->ids;
    EXPECT_NE(std::find(seeds.begin(), seeds.end(), "x"), seeds.end());
    EXPECT_TRUE(graph().hasNode("y")) << "x was expanded like a seed";
    EXPECT_FALSE(graph().isImportant("x"));
    EXPECT_TRUE(graph().isImportant("a"));
    EXPECT_FALSE(graph().hasNode("stimulus"));
}

TEST_F(NetworkBuild, FailedSourceMissingSourceOrUnwritableFileAnswersFalse) {
    place("A", "a", 0.2f, -0.3f);
    graph().source =
        std::make_unique<HPRDDataSource>((folder / "no-nomenclature.txt").string(),
                                         (folder / "no-interactions.txt").string(), "", nullptr);
    EXPECT_FALSE(build());
    graph().source.reset();
    EXPECT_FALSE(build());
    EXPECT_FALSE(std::filesystem::exists(folder / "built.pth")) << "no network of bare seeds";

    // The reason comes back, and the pathway is as it was: no network, no
    // stimulus node, the same graph and source, so the build can run again.
    auto fake = std::make_unique<FakeDataSource>();
    fake->addInteraction("a", "n");
    const DataSource* kept = fake.get();
    graph().source = std::move(fake);
    const ProteinGraph* before = &graph();
    HeatmapSeries store;
    store.addEntry("X", "x", "", "1.5", "first", "");
    parameters.experiments = &store;
    parameters.entire = true;
    app.setPathwayPath((folder / "missing-folder" / "built.pth").string());
    std::string why;
    EXPECT_FALSE(app.buildgraph(parameters, &why));
    EXPECT_NE(why.find("missing-folder/built.pth could not be written: No such file"),
              std::string::npos)
        << why;
    EXPECT_FALSE(app.pathway()->hasNetwork());
    EXPECT_EQ(&graph(), before);
    EXPECT_EQ(graph().source.get(), kept);
    EXPECT_FALSE(graph().hasNode("n"));
    EXPECT_EQ(app.pathway()->getChildren().size(), 1u) << "the stimulus node stayed";
    app.setPathwayPath((folder / "built.pth").string());
    ASSERT_TRUE(build());
    EXPECT_TRUE(graph().hasNode("n"));

    App empty;
    EXPECT_FALSE(empty.buildgraph(parameters));
}

TEST_F(NetworkBuild, SourceFailureReachesTheBuildThroughTheInterface) {
    place("A", "a", 0.2f, -0.3f);
    source->addInteraction("a", "b");
    source->failureText = "scripted outage";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(build());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("scripted outage"), std::string::npos);
    EXPECT_EQ(source->callCount("expandNetwork"), 0) << "a failed source is not asked";

    // A source that fails while it expands leaves no half-built network behind.
    source->failureText.clear();
    source->expansionFailure = "lost the connection";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(build());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("lost the connection"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "built.pth"));
}

TEST(NetworkBuildAlone, BuildsAPathwayWithoutAnAppAndAlwaysClosesItsProgress) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() /
        ("corvidane-build-alone-" + std::to_string(::getpid()) + ".pth");
    PathwayLayoutEntity pathway(Vector3(0, 0, 0), "pathway", Vector3(1, 1, 0.01f),
                                Color4(1, 1, 1, 1));
    pathway.setVisual(false);
    auto owned = std::make_unique<FakeDataSource>();
    owned->addInteraction("a", "b");
    pathway.graph().source = std::move(owned);
    pathway.createNode(CoordinateFrame(Vector3(0.2f, -0.3f, 0.1f)), "A", true);
    GraphBuilderParameters parameters;
    parameters.seeds["A"] = "a";

    RecordingWindow window;
    ASSERT_TRUE(buildNetwork(&pathway, parameters, file.string(), &window));
    EXPECT_TRUE(pathway.graph().hasNode("b"));
    EXPECT_TRUE(std::filesystem::exists(file));
    ASSERT_EQ(window.dialogs.size(), 1u);
    EXPECT_EQ(window.dialogs[0].maximum, 16);
    ASSERT_FALSE(window.steps.empty());
    EXPECT_EQ(window.steps.back(), 16);

    // A failed build closes its dialog too, and without a window nothing is asked.
    window.steps.clear();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(buildNetwork(nullptr, parameters, file.string(), &window));
    EXPECT_FALSE(buildNetwork(&pathway, parameters, (file / "not-a-folder.pth").string(), nullptr));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(window.steps, std::vector<int>{16});
    std::filesystem::remove(file);
}

namespace {

// A pathway painted on a 100 x 100 image mapped onto its unit box.
class PaintedRegions : public testing::Test {
protected:
    void SetUp() override {
        app.createPathway("painted.pth");
        image = Image(100, 100, 3);
        app.pathway()->setShapeFinder(
            std::make_shared<ShapeFinder>(&image, 0.f, 0.f, 0.f, 1.f, 1.f, 0.01f, nullptr));
    }
    ImageProcessorSelection* region(float x0, float y0, float x1, float y1, bool open) {
        app.pathway()->shapeFinder()->addSelection(
            std::make_unique<ImageProcessorSelection>(x0, y0, x1, y1, open));
        return app.pathway()->shapeFinder()->getSelections().back().get();
    }
    // What the reader keeps of a protein region: a copy under its identifier.
    void record(const std::string& id, float x0, float y0, float x1, float y1) {
        copies.push_back(std::make_shared<ImageProcessorSelection>(x0, y0, x1, y1, false));
        app.pathway()->nodeSelections()[id] = copies.back().get();
    }
    NodeEntity* child(const std::string& label) {
        for (Entity* e : app.pathway()->getChildren()) {
            if (e->getType() == "NodeEntity" && static_cast<NodeEntity*>(e)->getName() == label) {
                return static_cast<NodeEntity*>(e);
            }
        }
        return nullptr;
    }
    int edgeCount() {
        int n = 0;
        for (Entity* e : app.pathway()->getChildren()) {
            n += e->getType() == "EdgeEntity" ? 1 : 0;
        }
        return n;
    }

    App app;
    Image image;
    Array<std::shared_ptr<ImageProcessorSelection>> copies;
};

}  // namespace

TEST_F(PaintedRegions, SeedEntriesFollowTheirRegionNotTheirPlaceInTheList) {
    region(10, 10, 30, 30, false);
    region(60, 60, 80, 80, false);
    ImageProcessorSelection* line = region(30, 30, 60, 60, true);
    region(0, 90, 99, 99, true);  // no record, ends unknown: skipped
    // The first region's protein was entered second.
    app.pathway()->nodeToIdLines() = {"b#B", "a#A"};
    record("a", 10, 10, 30, 30);
    record("b", 60, 60, 80, 80);
    app.paintedInteractions()[line] = {"A", "B"};

    app.assignSelectionProteins();
    NodeEntity* a = child("A");
    NodeEntity* b = child("B");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NEAR(a->getLocalFrame().translation.x, 0.2f, 1e-5);
    EXPECT_NEAR(a->getLocalFrame().translation.y, -0.2f, 1e-5);
    EXPECT_NEAR(b->getLocalFrame().translation.x, 0.7f, 1e-5);
    EXPECT_EQ(app.pathway()->getNode("a"), a);
    EXPECT_TRUE(app.pathway()->isIdSelected("b"));
    EXPECT_EQ(app.pathway()->nodeToIdLines().size(), 2u)
        << "entries from the list are not repeated";
    EXPECT_EQ(edgeCount(), 1) << "the unresolvable line makes no interaction";
    ASSERT_TRUE(app.pathway()->edgeSelections().contains("a-b"));
    EXPECT_EQ(app.pathway()->edgeSelections()["a-b"], line);
}

TEST_F(PaintedRegions, UnrecordedRegionsWithoutAFinderCountAsCancelled) {
    region(10, 10, 30, 30, false);
    region(60, 60, 80, 80, false);
    app.pathway()->nodeToIdLines() = {"a#A"};
    record("a", 60, 60, 80, 80);
    app.assignSelectionProteins();
    ASSERT_NE(child("A"), nullptr);
    EXPECT_NEAR(child("A")->getLocalFrame().translation.x, 0.7f, 1e-5);
    EXPECT_EQ(app.pathway()->getChildren().size(), 1u);

    // With a finder the answer becomes a seed entry; the same identifier
    // twice is made unique, and the recorded region keeps its own entry.
    app.setProteinAsker([](const ImageProcessorSelection*, std::string& label, std::string& id) {
        label = "Other";
        id = "a";
        return true;
    });
    app.pathway()->childList().clear();
    app.assignSelectionProteins();
    ASSERT_NE(child("Other"), nullptr);
    ASSERT_NE(child("A"), nullptr);
    EXPECT_NEAR(child("A")->getLocalFrame().translation.x, 0.7f, 1e-5);
    EXPECT_EQ(app.pathway()->nodeToIdLines(), (Array<std::string>{"a_0#A", "a#Other"}));
    EXPECT_EQ(app.pathway()->getNode("a"), child("Other"));
    EXPECT_EQ(app.pathway()->getNode("a_0"), child("A"));
}

TEST_F(PaintedRegions, WithoutRecordsEntriesGoInOrderAndEmptyAnswersGetAPlaceholder) {
    region(10, 10, 30, 30, false);
    region(60, 60, 80, 80, false);
    app.pathway()->nodeToIdLines() = {"a#A"};
    app.setProteinAsker([](const ImageProcessorSelection*, std::string& label, std::string& id) {
        label.clear();
        id.clear();
        return true;
    });
    app.assignSelectionProteins();
    ASSERT_NE(child("A"), nullptr);
    EXPECT_NEAR(child("A")->getLocalFrame().translation.x, 0.2f, 1e-5);
    ASSERT_NE(child("just_some_label"), nullptr);
    EXPECT_EQ(app.pathway()->nodeToIdLines().back(), "just_some_label#just_some_label");
}
