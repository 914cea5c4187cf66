// Picking and editing through the scene core without a window: selecting with
// and without Control, the placing and deleting tools, renaming and removing
// by identity, the camera limits and the protein search.
#include <algorithm>
#include <limits>

#include <QImage>
#include <QRect>

#include "SceneFixture.h"
#include "engine/Plane.h"
#include "pathway/ShapeFinder.h"

namespace {

Array<std::string> tableKeys(const PathwayLayoutEntity& pathway) {
    Array<std::string> keys;
    for (const auto& [key, node] : pathway.nodeTable()) {
        keys.push_back(key);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

bool holdsNode(const PathwayLayoutEntity& pathway, const NodeEntity* node) {
    return std::any_of(pathway.nodes().begin(), pathway.nodes().end(),
                       [node](const auto& n) { return n.get() == node; });
}

}  // namespace

class Editing : public SceneTest {
protected:
    // Places a protein with tool 10 at a point of the pathway (fractions of its size).
    NodeEntity* place(const std::string& label, const std::string& id, float fx, float fy) {
        app.setTool(App::kToolPlaceProtein);
        answers.emplace_back(label, id);
        const Vector3 size = app.pathway()->getSize();
        const std::size_t before = app.pathway()->nodes().size();
        pressAt(app.pathway()->getGlobalFrame().pointToWorldSpace(
            Vector3(fx * size.x, -fy * size.y, 0)));
        return app.pathway()->nodes().size() > before ? app.pathway()->nodes().back().get()
                                                      : nullptr;
    }
};

TEST_F(Editing, PlacedProteinsAreKeyedByCountSelectedAndSeeded) {
    newPathway();
    NodeEntity* a = place("GRB2", "P1", 0.2f, 0.2f);
    NodeEntity* b = place("SOS1", "P2", 0.5f, 0.5f);
    NodeEntity* c = place("EGFR", "P3", 0.8f, 0.3f);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(tableKeys(*app.pathway()), (Array<std::string>{"1", "2", "3"}));
    EXPECT_EQ(app.pathway()->getNode("1"), a);
    EXPECT_EQ(app.pathway()->getNode("3"), c);
    EXPECT_EQ(app.pathway()->getSelectedNodes(), (Array<std::string>{"3"}));
    EXPECT_EQ(app.pathway()->nodeToIdLines(),
              (Array<std::string>{"P1#GRB2", "P2#SOS1", "P3#EGFR"}));
    EXPECT_EQ(askedWithRegion, (std::vector<bool>{false, false, false}));
    // Where the press was, in the pathway's plane.
    const Vector3 at = b->getLocalFrame().translation;
    EXPECT_NEAR(at.x, 0.5f * app.pathway()->getSize().x, 0.02f);
    EXPECT_NEAR(at.y, -0.5f * app.pathway()->getSize().y, 0.02f);

    // A label or identifier that would corrupt the file: nothing changes.
    for (const char* bad : {"tab\there", "line\nbreak"}) {
        EXPECT_EQ(place(bad, "P9", 0.3f, 0.7f), nullptr) << bad;
    }
    for (const char* bad : {"P|9", "P#9"}) {
        EXPECT_EQ(place("Fine", bad, 0.3f, 0.7f), nullptr) << bad;
    }
    EXPECT_EQ(app.pathway()->nodes().size(), 3u);
    EXPECT_EQ(app.pathway()->nodeToIdLines().size(), 3u);

    // A key a removal left in use is not handed out again.
    app.setTool(App::kToolDeleteProtein);
    press(b);
    ASSERT_EQ(app.pathway()->getNode("2"), nullptr);
    NodeEntity* d = place("KRAS", "P4", 0.6f, 0.8f);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(app.pathway()->getNode("3"), c);
    EXPECT_EQ(app.pathway()->getNodeId(d), "4");
}

TEST_F(Editing, SelectingWithAndWithoutControl) {
    newPathway();
    NodeEntity* a = place("GRB2", "P1", 0.2f, 0.2f);
    NodeEntity* b = place("SOS1", "P2", 0.7f, 0.6f);
    app.setTool(App::kToolSelect);

    press(a);
    EXPECT_EQ(app.pathway()->getSelectedNodes(), (Array<std::string>{"1"}));
    app.setCtrlDown();
    press(b);
    EXPECT_EQ(app.pathway()->getSelectedNodes(), (Array<std::string>{"1", "2"}));
    pressEmpty();
    EXPECT_EQ(app.pathway()->getSelectedNodes().size(), 2u) << "Control keeps the selection";
    press(a);
    EXPECT_EQ(app.pathway()->getSelectedNodes(), (Array<std::string>{"2"})) << "toggled off";
    app.setCtrlUp();
    pressEmpty();
    EXPECT_TRUE(app.pathway()->getSelectedNodes().empty());
    EXPECT_TRUE(analyze.proteins.empty()) << "an unbuilt pathway has no lists to clear";

    // Every protein with the label toggles; a node with no table entry is
    // selected by itself, not with every other such node.
    NodeEntity* loose1 =
        app.pathway()->createNode(CoordinateFrame(Vector3(1, -1, 0)), "Loose", true);
    NodeEntity* loose2 =
        app.pathway()->createNode(CoordinateFrame(Vector3(2, -2, 0)), "Other", true);
    press(loose1);
    ASSERT_EQ(app.pathway()->getSelectedNodes().size(), 1u);
    EXPECT_TRUE(app.pathway()->isNodeSelected(loose1));
    EXPECT_FALSE(app.pathway()->isNodeSelected(loose2));
    EXPECT_FALSE(app.pathway()->isNodeSelected(a));
}

TEST_F(Editing, InteractionToolJoinsTwoDifferentProteinsOnly) {
    newPathway();
    NodeEntity* a = place("A", "PA", 0.2f, 0.2f);
    NodeEntity* b = place("B", "PB", 0.7f, 0.6f);
    NodeEntity* c = place("C", "PC", 0.8f, 0.2f);
    app.setTool(App::kToolPlaceInteraction);

    press(a);
    press(a);
    press(b);
    ASSERT_EQ(app.pathway()->edges().size(), 1u);
    const EdgeEntity* ab = app.pathway()->edges()[0].get();
    EXPECT_EQ(ab->nodeA, a);
    EXPECT_EQ(ab->nodeB, b);
    EXPECT_TRUE(app.pathway()->hasChild(ab));

    // An interaction is no end: C, then the A-B line, then A joins C and A.
    press(c);
    pressAt((ab->endPointA() + ab->endPointB()) * 0.5f);
    ASSERT_EQ(app.pathway()->edges().size(), 1u);
    press(a);
    ASSERT_EQ(app.pathway()->edges().size(), 2u);
    for (const auto& edge : app.pathway()->edges()) {
        EXPECT_EQ(edge->nodeA->getType(), "NodeEntity");
        EXPECT_EQ(edge->nodeB->getType(), "NodeEntity");
    }
    EXPECT_EQ(app.pathway()->edges()[1]->nodeA, c);

    // A first end that is deleted meanwhile is forgotten, never joined.
    press(b);
    ASSERT_EQ(app.firstEnd(), b);
    app.removeProtein(b);
    EXPECT_EQ(app.firstEnd(), nullptr);
    press(c);
    EXPECT_EQ(app.firstEnd(), c);
    EXPECT_EQ(app.pathway()->edges().size(), 1u) << "only C-A is left";
    app.close();
    EXPECT_EQ(app.firstEnd(), nullptr);
}

TEST_F(Editing, DeleteToolsRemoveThroughTheDocument) {
    newPathway();
    NodeEntity* a = place("A", "PA", 0.2f, 0.2f);
    NodeEntity* b = place("B", "PB", 0.7f, 0.6f);
    NodeEntity* twin = place("B", "PB2", 0.8f, 0.2f);
    NodeEntity* c = place("C", "PC", 0.5f, 0.8f);
    app.setTool(App::kToolPlaceInteraction);
    press(a);
    press(b);
    press(b);
    press(c);
    press(a);
    press(c);
    ASSERT_EQ(app.pathway()->edges().size(), 3u);
    const EdgeEntity* ac = app.pathway()->edges()[2].get();
    const Vector3 acMiddle = (ac->endPointA() + ac->endPointB()) * 0.5f;

    // Tool 12 takes B with both its interactions and its own seed entry only.
    app.setTool(App::kToolDeleteProtein);
    const int changes = analyze.changes;
    press(b);
    EXPECT_FALSE(holdsNode(*app.pathway(), b));
    EXPECT_EQ(app.pathway()->edges().size(), 1u);
    EXPECT_EQ(app.pathway()->nodeToIdLines(), (Array<std::string>{"PA#A", "PB2#B", "PC#C"}));
    EXPECT_EQ(app.pathway()->getNode("2"), nullptr);
    EXPECT_EQ(app.pathway()->getNode("3"), twin);
    EXPECT_GT(analyze.changes, changes);

    // Tool 13: the A-C line goes and cannot be picked any more.
    app.setTool(App::kToolDeleteInteraction);
    pressAt(acMiddle);
    EXPECT_TRUE(app.pathway()->edges().empty());
    app.setTool(App::kToolPlaceInteraction);
    const auto [x, y] = pixelOf(acMiddle);
    EXPECT_EQ(app.pick(x, y), nullptr);

    // A press on empty space with a deleting tool does nothing.
    app.setTool(App::kToolDeleteProtein);
    pressEmpty();
    EXPECT_EQ(app.pathway()->nodes().size(), 3u);
}

TEST_F(Editing, RenameAndRemoveByIdentityNotLabel) {
    builtPathway();
    NodeEntity* p1 = node("p1");
    NodeEntity* p2 = node("p2");
    ASSERT_TRUE(p1 && p2);

    for (const char* bad : {"", "a\tb", "a\nb", "a\rb"}) {
        EXPECT_FALSE(app.renameProtein(p1, bad)) << bad;
    }
    EXPECT_EQ(p1->getName(), "P1");
    EXPECT_EQ(analyze.changes, 0);

    // Two proteins with one label stay two proteins.
    ASSERT_TRUE(app.renameProtein(p2, "P1"));
    EXPECT_EQ(p2->getName(), "P1");
    EXPECT_EQ(app.pathway()->graph().getProteinName("p1"), "P1");
    EXPECT_EQ(app.pathway()->graph().getProteinName("p2"), "P1_1");
    EXPECT_EQ(analyze.changes, 1);
    EXPECT_FALSE(app.renameProtein(nullptr, "X"));
    NodeEntity stranger(CoordinateFrame(), "S", 0, Vector3(1, 1, 1), Color4(1, 1, 1, 1), false);
    EXPECT_FALSE(app.renameProtein(&stranger, "X"));

    // The listed name "P1_1" is p2; "P1" is exactly one of them, never both.
    app.removeProteinByName("P1_1");
    EXPECT_EQ(node("p2"), nullptr);
    EXPECT_NE(node("p1"), nullptr);
    EXPECT_FALSE(app.pathway()->graph().hasNode("p2"));
    app.removeProteinByName("nobody");
    EXPECT_NE(node("p1"), nullptr);
    app.removeProteinByName("P1");
    EXPECT_EQ(node("p1"), nullptr);
    EXPECT_TRUE(app.pathway()->graph().hasNode("a"));

    // Removing an interaction of the network takes it from the graph too.
    EdgeEntity* ab = app.pathway()->findEdge("a", "b");
    ASSERT_NE(ab, nullptr);
    app.removeInteraction(ab);
    EXPECT_EQ(app.pathway()->findEdge("a", "b"), nullptr);
    EXPECT_FALSE(app.pathway()->graph().hasEdge("a", "b"));
    app.removeInteraction(ab);  // already gone: ignored
    app.removeProtein(nullptr);
}

TEST_F(Editing, BuiltPathwaySelectsThroughTheAnalyzeLists) {
    builtPathway();
    app.setTool(App::kToolLoaded);
    NodeEntity* a = node("a");
    ASSERT_NE(a, nullptr);
    press(a);
    EXPECT_EQ(analyze.proteins, (std::vector<std::string>{"A"}));
    pressEmpty();
    EXPECT_EQ(analyze.proteins.back(), "");
    EXPECT_TRUE(app.pathway()->getSelectedNodes().empty());

    // The list selects by name in turn: every node with the label toggles.
    app.selectProtein("A");
    EXPECT_EQ(app.pathway()->getSelectedNodes(), (Array<std::string>{"a"}));
    app.setCtrlDown();
    app.selectProtein("P2");
    app.selectProtein("A");
    EXPECT_EQ(app.pathway()->getSelectedNodes(), (Array<std::string>{"p2"}));
    app.setCtrlUp();

    // A double-click on a protein asks the Analyze tab to explore; one on
    // nothing does not.
    const auto [x, y] = pixelOf(a);
    app.doubleClick(x, y);
    EXPECT_EQ(analyze.explores, 1);
    const auto [ex, ey] =
        pixelOf(app.pathway()->getGlobalFrame().pointToWorldSpace(Vector3(0.02f, -0.02f, 0)));
    app.doubleClick(ex, ey);
    EXPECT_EQ(analyze.explores, 1);
}

TEST_F(Editing, CameraStaysInFrontOfThePlaneAndFinite) {
    newPathway();
    const Rect2D seen = app.screenToPlane();
    EXPECT_NEAR(seen.center().x, 0, 1e-4);
    EXPECT_NEAR(seen.center().y, 0, 1e-4);
    EXPECT_NEAR(seen.width() / seen.height(), static_cast<float>(kWidth) / kHeight, 1e-3);

    app.zoom(-100);
    EXPECT_FLOAT_EQ(app.camera().position().z, App::kMinCameraZ);
    app.panDrag(420, 300, 400, 300);
    EXPECT_TRUE(app.camera().position().isFinite());
    EXPECT_LT(app.camera().position().x, 0) << "the scene follows the mouse";
    app.zoom(1e30);
    EXPECT_FLOAT_EQ(app.camera().position().z, App::kMaxCameraZ);
    app.zoom(std::numeric_limits<double>::quiet_NaN());
    app.zoom(std::numeric_limits<double>::infinity());
    EXPECT_TRUE(app.camera().position().isFinite());
    EXPECT_LE(app.camera().position().z, App::kMaxCameraZ);

    // Looking away from the plane: no ray meets it, nothing moves.
    app.camera().lookAt(app.camera().position() + Vector3(0, 0, 1), Vector3(0, 1, 0));
    const CoordinateFrame before = app.camera().coordinateFrame();
    app.panDrag(500, 300, 100, 100);
    EXPECT_EQ(app.camera().position(), before.translation);
    EXPECT_EQ(app.screenToPlane().area(), 0.0f);
    answers.emplace_back("X", "PX");
    app.setTool(App::kToolPlaceProtein);
    app.mousePress(400, 300, false);
    EXPECT_TRUE(app.pathway()->nodes().empty());
    EXPECT_TRUE(askedWithRegion.empty()) << "nothing to place on: no question";

    // No viewport: no ray at all.
    app.setFallbackViewport(Rect2D());
    EXPECT_EQ(app.pick(10, 10), nullptr);
    app.mousePress(10, 10, false);
    app.drag(10, 10, 20, 20);
    app.panDrag(10, 10, 20, 20);
    EXPECT_TRUE(app.camera().position().isFinite());
}

TEST_F(Editing, SearchHandsBackStructuredHits) {
    newPathway();
    app.setSpecies("hsa");
    source->searchResults["grb"] = {"01", "02"};
    source->names = {{"01", "GRB2, isoform 1"}, {"02", "GRB7"}};
    source->annotations = {{"01", "adaptor, SH2 domain"}};
    source->interactionCounts = {{"01", 57}, {"02", 3}};

    const std::vector<App::ProteinHit> hits = app.searchProteins("grb");
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].id, "01");
    EXPECT_EQ(hits[0].name, "GRB2, isoform 1");
    EXPECT_EQ(hits[0].interactionCount, 57);
    EXPECT_EQ(hits[0].annotation, "adaptor, SH2 domain");
    EXPECT_EQ(hits[1].annotation, "");
    ASSERT_EQ(window.dialogs.size(), 1u);
    EXPECT_EQ(window.dialogs[0].label, "Looking for proteins");
    EXPECT_EQ(window.dialogs[0].maximum, 4);
    EXPECT_EQ(window.steps, (std::vector<int>{0, 1, 4}));
    for (const auto& call : source->calls) {
        if (call.operation == "getInteractionCounts" || call.operation == "searchProteins") {
            EXPECT_EQ(call.species, "hsa") << call.operation;
        }
    }

    testing::internal::CaptureStdout();
    EXPECT_TRUE(app.searchProteins("nothing like it").empty());
    EXPECT_NE(testing::internal::GetCapturedStdout().find("No protein found.\n"),
              std::string::npos);
    app.close();
    EXPECT_TRUE(app.searchProteins("grb").empty());
}

TEST_F(Editing, UnbuiltFileNodesAreSelectedAndDeletedOneByOne) {
    newPathway();
    place("GRB2", "P1", 0.2f, 0.2f);
    place("GRB2", "P2", 0.7f, 0.6f);
    place("SOS1", "P3", 0.5f, 0.8f);
    ASSERT_TRUE(app.pathway()->savePathway(file("hand.pth")));
    app.setMainWindow(nullptr);
    ASSERT_TRUE(app.loadPathway(file("hand.pth")));
    app.fitToView(true);
    app.setMainWindow(&window);
    ASSERT_EQ(app.pathway()->nodes().size(), 3u);
    ASSERT_TRUE(app.pathway()->nodeTable().empty()) << "a file keeps no keys of placed proteins";
    EXPECT_EQ(app.tool(), App::kToolLoaded);

    // Selecting a protein the node table does not know: itself and its
    // namesake, never the unrelated SOS1.
    NodeEntity* sos = app.pathway()->findNodeByName("SOS1");
    NodeEntity* grb = app.pathway()->findNodeByName("GRB2");
    press(grb);
    EXPECT_TRUE(app.pathway()->isNodeSelected(grb));
    EXPECT_FALSE(app.pathway()->isNodeSelected(sos));
    EXPECT_EQ(app.pathway()->getSelectedNodes().size(), 2u);
    app.doubleClick(pixelOf(grb).first, pixelOf(grb).second);
    EXPECT_EQ(analyze.explores, 0) << "an unbuilt pathway is not explored";

    // Deleting one GRB2 takes exactly one of the two GRB2 seed entries.
    app.setTool(App::kToolDeleteProtein);
    press(grb);
    EXPECT_EQ(app.pathway()->nodes().size(), 2u);
    Array<std::string> seeds = app.pathway()->nodeToIdLines();
    EXPECT_EQ(std::count_if(seeds.begin(), seeds.end(),
                            [](const std::string& s) { return s.ends_with("#GRB2"); }),
              1);
    EXPECT_EQ(seeds.size(), 2u);
}

TEST_F(Editing, PaintingDrawsStrokesInsteadOfEditing) {
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int x = 16; x < 48; ++x) {
        for (int y = 12; y < 36; ++y) {
            picture.setPixel(x, y, qRgb(200, 30, 30));
        }
    }
    ASSERT_TRUE(picture.save(QString::fromStdString(file("picture.png"))));
    app.setMainWindow(&window);
    ASSERT_TRUE(app.createPathwayFromImage(file("painted.pth"), file("picture.png")));
    ASSERT_NE(app.shapeFinder(), nullptr);
    app.setPainting(true);
    app.setTool(App::kToolPlaceProtein);
    answers.emplace_back("X", "PX");

    // A stroke across the picture: press, three drags, release.
    const Vector3 size = app.pathway()->getSize();
    auto at = [&](float fx, float fy) {
        return pixelOf(app.pathway()->getGlobalFrame().pointToWorldSpace(
            Vector3(fx * size.x, -fy * size.y, 0)));
    };
    auto [x0, y0] = at(0.1f, 0.5f);
    app.mousePress(x0, y0, false);
    int lastX = x0, lastY = y0;
    testing::internal::CaptureStdout();
    for (float f : {0.3f, 0.5f, 0.7f, 0.9f}) {
        const auto [x, y] = at(f, 0.5f);
        app.drag(x, y, lastX, lastY);
        lastX = x;
        lastY = y;
    }
    const std::string printed = testing::internal::GetCapturedStdout();
    app.mouseRelease(lastX, lastY, false);
    EXPECT_EQ(printed.find("drag\n"), std::string::npos) << "the pathway was not dragged";
    EXPECT_TRUE(askedWithRegion.empty()) << "no protein was placed";
    EXPECT_TRUE(app.pathway()->nodes().empty());
    ASSERT_FALSE(window.dialogs.empty());
    EXPECT_EQ(window.dialogs.back().label, "Finding shape...");

    // A right press rejects; closing forgets the finder.
    app.mousePress(x0, y0, true);
    app.close();
    EXPECT_EQ(app.shapeFinder(), nullptr);
    app.mousePress(x0, y0, false);
    app.mouseRelease(x0, y0, false);
}

namespace {

// A picture with a red and a blue box on white, in the test's folder.
constexpr int kPictureWidth = 128, kPictureHeight = 96;
const QRect kRedBox(16, 12, 32, 24), kBlueBox(80, 50, 32, 30);

}  // namespace

class PaintedPathway : public Editing {
protected:
    void SetUp() override {
        Editing::SetUp();
        QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
        picture.fill(Qt::white);
        for (const auto& [box, colour] :
             {std::pair(kRedBox, qRgb(200, 30, 30)), std::pair(kBlueBox, qRgb(30, 30, 200))}) {
            for (int x = box.left(); x <= box.right(); ++x) {
                for (int y = box.top(); y <= box.bottom(); ++y)
                    picture.setPixel(x, y, colour);
            }
        }
        ASSERT_TRUE(picture.save(QString::fromStdString(file("picture.png"))));
        // A shown App: creating and opening fit the pathway to the view.
        app.setMainWindow(&window);
    }
    // Where a pixel of the picture lies in the world: on the pathway, whose
    // box the picture fills.
    Vector3 onPicture(double px, double py) const {
        const Vector3 size = app.pathway()->getSize();
        return app.pathway()->getGlobalFrame().pointToWorldSpace(
            Vector3(px / kPictureWidth * size.x, -py / kPictureHeight * size.y, 0));
    }
    // A closed stroke drawn around `box` with the mouse, and its search run out.
    void paintAround(const QRect& box) {
        app.setPainting(true);
        const QRect around = box.adjusted(-4, -4, 4, 4);
        const QPoint corners[] = {around.topLeft(), around.topRight(), around.bottomRight(),
                                  around.bottomLeft(), around.topLeft()};
        std::pair<int, int> last = pixelOf(onPicture(corners[0].x(), corners[0].y()));
        app.mousePress(last.first, last.second, false);
        for (int side = 0; side < 4; ++side) {
            for (int step = 1; step <= 8; ++step) {
                const QPointF p = corners[side] + (corners[side + 1] - corners[side]) * step / 8.0;
                const auto now = pixelOf(onPicture(p.x(), p.y()));
                app.drag(now.first, now.second, last.first, last.second);
                last = now;
            }
        }
        app.mouseRelease(last.first, last.second, false);
        ASSERT_NE(app.shapeFinder(), nullptr);
        EXPECT_GE(app.shapeFinder()->stroke.size(), 24u) << "the stroke lost points";
        for (int tick = 0; tick < 1000 && app.shapeFinder()->isSearching(); ++tick) {
            app.shapeFinder()->tick();
        }
    }
    // The protein labelled `label` sits on the middle of `box` of the picture.
    void expectOn(const std::string& label, const QRect& box) {
        const NodeEntity* found = nullptr;
        for (const auto& node : app.pathway()->nodes()) {
            if (node->getName() == label)
                found = node.get();
        }
        ASSERT_NE(found, nullptr) << label;
        const Vector3 at = found->getLocalFrame().translation;
        const Vector3 size = app.pathway()->getSize();
        const QPointF centre = QRectF(box).center();
        EXPECT_NEAR(at.x / size.x * kPictureWidth, centre.x(), 3) << label;
        EXPECT_NEAR(-at.y / size.y * kPictureHeight, centre.y(), 3) << label;
    }
};

TEST_F(PaintedPathway, RegionsStayOnThePictureThroughSaveReopenMorePaintingAndBuild) {
    ASSERT_TRUE(app.createPathwayFromImage(file("painted.pth"), file("picture.png")));
    paintAround(kRedBox);
    ASSERT_EQ(app.shapeFinder()->getSelections().size(), 1u);
    ASSERT_TRUE(app.pathway()->savePathway(file("painted.pth")));

    ASSERT_TRUE(app.loadPathway(file("painted.pth")));
    ASSERT_NE(app.shapeFinder(), nullptr);
    EXPECT_EQ(app.shapeFinder()->origin, app.pathway()->getGlobalFrame().translation);
    paintAround(kBlueBox);
    ASSERT_EQ(app.shapeFinder()->getSelections().size(), 2u) << "no shape was found";

    answers = {{"Red", "r"}, {"Blue", "b"}};
    app.assignSelectionProteins();
    expectOn("Red", kRedBox);
    expectOn("Blue", kBlueBox);

    auto owned = std::make_unique<FakeDataSource>();
    owned->addInteraction("r", "b");
    app.pathway()->graph().source = std::move(owned);
    GraphBuilderParameters parameters;
    parameters.seeds = {{"Red", "r"}, {"Blue", "b"}};
    ASSERT_TRUE(app.buildgraph(parameters));
    ASSERT_TRUE(app.loadPathway(file("painted.pth")));
    expectOn("Red", kRedBox);
    expectOn("Blue", kBlueBox);
}

TEST_F(PaintedPathway, FromExistingShowsThePictureWithItsRegionsInPlace) {
    ASSERT_TRUE(app.createPathwayFromImage(file("base.pth"), file("picture.png")));
    paintAround(kRedBox);
    ASSERT_TRUE(app.pathway()->savePathway(file("base.pth")));

    ASSERT_TRUE(app.createPathwayFromExisting(file("copy.pth"), file("base.pth")));
    app.fitToView(true);  // what it does with a render device
    EXPECT_NE(app.pathway()->background(), nullptr) << "painted on a plain frame";
    EXPECT_EQ(app.pathway()->neighbourhoods().cache(), nullptr)
        << "the base's side file would be written";
    ASSERT_NE(app.shapeFinder(), nullptr);
    EXPECT_EQ(app.shapeFinder()->origin, app.pathway()->getGlobalFrame().translation);
    answers = {{"Red", "r"}};
    app.assignSelectionProteins();
    expectOn("Red", kRedBox);
}
