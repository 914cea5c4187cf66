// Exploring from the scene core without a window: one view per start, where
// the view lands on screen, readable partner labels, selection looks that
// come back, walking on by double-click, and removals while exploring.
#include <cstdlib>
#include <memory>

#include <QGuiApplication>

#include "SceneFixture.h"
#include "pathway/ExploreEntity.h"
#include "render/OffscreenGL.h"
#include "support/LayoutHeldOff.h"

namespace {

// A GUI application for the offscreen context, made once for the program.
bool ensureGuiApplication() {
    if (QGuiApplication::instance() == nullptr) {
        if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        static QGuiApplication* app = new QGuiApplication(argc, argv);
        (void)app;
    }
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

class Exploring : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        builtPathway();
        app.setTool(App::kToolLoaded);
    }

    // Starts exploring and lets every animation finish.
    void explore(const std::string& label) {
        app.startExplore(label);
        advance(0.7);
        advance(2.0);
    }

    ExploreEntity* view() { return app.exploreView(); }

    NodeEntity* copyOf(const std::string& id) {
        return static_cast<NodeEntity*>(view()->findExploredNode(id));
    }

    EdgeEntity* edgeCopy(const std::string& a, const std::string& b) {
        for (Entity* child : view()->getChildren()) {
            if (child->getType() != "EdgeEntity") {
                continue;
            }
            auto* edge = static_cast<EdgeEntity*>(child);
            const std::string ea = view()->exploredNodeName(edge->nodeA);
            const std::string eb = view()->exploredNodeName(edge->nodeB);
            if ((ea == a && eb == b) || (ea == b && eb == a)) {
                return edge;
            }
        }
        return nullptr;
    }

    void expectEdgesEndAtShownNodes() {
        for (Entity* child : view()->getChildren()) {
            if (child->getType() == "EdgeEntity") {
                auto* edge = static_cast<EdgeEntity*>(child);
                EXPECT_TRUE(view()->hasChild(edge->nodeA));
                EXPECT_TRUE(view()->hasChild(edge->nodeB));
            }
        }
    }
};

TEST_F(Exploring, OneViewPerStartAfterThePause) {
    app.startExplore("nobody");
    EXPECT_FALSE(app.isExplorePending());

    app.startExplore("A");
    app.startExplore("A");
    app.startExplore("B");
    EXPECT_TRUE(app.isExplorePending());
    EXPECT_EQ(app.idleEntity().activityCount(), 1u) << "one pending start, one view";
    advance(0.3);
    EXPECT_FALSE(app.isExploring());
    advance(0.4);
    ASSERT_TRUE(app.isExploring());
    EXPECT_FALSE(app.isExplorePending());
    EXPECT_EQ(view()->currentProtein, "a");
    for (const char* id : {"a", "b", "p1", "p2", "p3"}) {
        EXPECT_NE(copyOf(id), nullptr) << id;
    }
    app.startExplore("B");
    advance(1.0);
    EXPECT_EQ(view()->currentProtein, "a");

    // Grown partners carry the label a node of their final size would.
    advance(2.0);
    NodeEntity* centre = copyOf("a");
    for (const char* id : {"b", "p1", "p2", "p3"}) {
        NodeEntity* partner = copyOf(id);
        EXPECT_NEAR(partner->getSize().x, centre->getSize().x, 1e-4) << id;
        EXPECT_NEAR(partner->getLabelSize(), centre->getLabelSize(), 1e-6) << id;
        EXPECT_EQ(partner->getLabelText(), partner->getName()) << id;
        EXPECT_FALSE(partner->getLabelText().empty()) << id;
    }

    // Leaving forgets the view; a start pending while the pathway closes or
    // the view is left never opens one.
    app.leaveExplore();
    EXPECT_FALSE(app.isExploring());
    app.startExplore("A");
    app.leaveExplore();
    advance(1.0);
    EXPECT_FALSE(app.isExploring());
    app.startExplore("A");
    app.close();
    advance(1.0);
    EXPECT_FALSE(app.isExploring());
}

TEST_F(Exploring, ViewLandsInsideWhatTheWindowShows) {
    struct Case {
        float width, height;
        Vector3 camera;
        bool tilted;
    };
    const Case cases[] = {
        {800, 600, Vector3(0, 0, 4), false},    {800, 600, Vector3(0.8f, -0.5f, 4), false},
        {1280, 720, Vector3(0, 0, 5), false},   {600, 800, Vector3(-0.5f, 0.3f, 6), false},
        {1000, 800, Vector3(0, 0, 4.5f), true}, {800, 600, Vector3(1.5f, 1.0f, 6), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << "x" << c.height << " camera (" << c.camera.x << ", "
                     << c.camera.y << ", " << c.camera.z << ")" << (c.tilted ? " tilted" : ""));
        app.setFallbackViewport(Rect2D::xywh(0, 0, c.width, c.height));
        app.camera().setPosition(c.camera);
        app.pathway()->setTiltedExplorePlane(c.tilted);
        for (const char* label : {"A", "P2"}) {
            explore(label);
            ASSERT_TRUE(app.isExploring()) << label;
            const CoordinateFrame& frame = view()->getGlobalFrame();
            const Vector3 size = view()->getSize();
            for (const Vector3& corner : {Vector3(0, 0, 0), Vector3(size.x, 0, 0),
                                          Vector3(0, -size.y, 0), Vector3(size.x, -size.y, 0)}) {
                const auto [x, y] = pixelOf(frame.pointToWorldSpace(corner));
                EXPECT_GE(x, 0) << label;
                EXPECT_LE(x, c.width) << label;
                EXPECT_GE(y, 0) << label;
                EXPECT_LE(y, c.height) << label;
            }
            app.leaveExplore();
            advance(1.0);
        }
    }
}

TEST_F(Exploring, SelectionLooksComeBackAndDoubleClickWalksOn) {
    explore("A");
    ASSERT_TRUE(app.isExploring());
    NodeEntity* p1 = copyOf("p1");
    NodeEntity* p2 = copyOf("p2");
    const Color4 p1Colour = p1->getColor();
    const float p1Depth = p1->getLocalFrame().translation.z;
    const float p2Depth = p2->getLocalFrame().translation.z;

    press(p1);
    ASSERT_EQ(app.selectedNode(), p1);
    EXPECT_NEAR(p1->getColor().r, p1Colour.r * 1.5f, 1e-5);
    EXPECT_NEAR(p1->getLocalFrame().translation.z, p1Depth + 0.02f, 1e-6);
    EXPECT_EQ(analyze.proteins.back(), "P1");
    press(p1);
    EXPECT_NEAR(p1->getColor().r, p1Colour.r * 1.5f, 1e-5) << "a second press changes nothing";
    EXPECT_NEAR(p1->getLocalFrame().translation.z, p1Depth + 0.02f, 1e-6);
    EXPECT_EQ(analyze.proteins.size(), 1u);

    for (int round = 0; round < 3; ++round) {
        press(p2);
        press(p1);
    }
    press(p2);
    EXPECT_EQ(p1->getColor(), p1Colour) << "no drift after many selections";
    EXPECT_FLOAT_EQ(p1->getLocalFrame().translation.z, p1Depth);

    // An interaction pick gives the node back its colour and its depth.
    const Color4 p2Lit = p2->getColor();
    EdgeEntity* ap3 = edgeCopy("a", "p3");
    ASSERT_NE(ap3, nullptr);
    const Color4 edgeColour = ap3->color;
    pressAt(ap3->endPointA() + (ap3->endPointB() - ap3->endPointA()) * 0.5f);
    ASSERT_EQ(app.selectedEdge(), ap3);
    EXPECT_EQ(app.selectedNode(), nullptr);
    EXPECT_NE(p2->getColor(), p2Lit);
    EXPECT_FLOAT_EQ(p2->getLocalFrame().translation.z, p2Depth);
    EXPECT_NEAR(ap3->color.g, edgeColour.g * 1.5f, 1e-5);
    ASSERT_FALSE(analyze.interactions.empty());
    EXPECT_EQ(analyze.interactions.back(), (std::pair<std::string, std::string>("A", "P3")));
    press(p2);
    EXPECT_EQ(ap3->color, edgeColour);

    // A double-click on a partner walks on and restarts the timers.
    const auto [x, y] = pixelOf(p2);
    app.doubleClick(x, y);
    EXPECT_EQ(view()->currentProtein, "p2");
    EXPECT_EQ(app.selectedNode(), nullptr);
    ASSERT_FALSE(window.timers.empty());
    EXPECT_EQ(window.timers.back(), (std::pair<double, double>(30, 20000)));
    advance(2.0);
    EXPECT_EQ(copyOf("p1"), nullptr) << "the old partners are cleaned up";
    EXPECT_NE(copyOf("a"), nullptr) << "the way back stays";

    // Closing the pathway forgets the selection with the view.
    press(copyOf("a"));
    ASSERT_NE(app.selectedNode(), nullptr);
    app.close();
    EXPECT_EQ(app.selectedNode(), nullptr);
}

TEST_F(Exploring, RemovalsTakeOnlyWhatTheyRemove) {
    explore("A");
    ASSERT_TRUE(app.isExploring());
    press(copyOf("p1"));
    ASSERT_NE(app.selectedNode(), nullptr);

    // An interaction copy: only it goes, with the network's interaction.
    EdgeEntity* ap1 = edgeCopy("a", "p1");
    ASSERT_NE(ap1, nullptr);
    app.removeInteraction(ap1);
    EXPECT_EQ(edgeCopy("a", "p1"), nullptr);
    EXPECT_NE(copyOf("a"), nullptr);
    EXPECT_NE(copyOf("p1"), nullptr);
    EXPECT_NE(copyOf("p2"), nullptr);
    EXPECT_NE(edgeCopy("a", "p2"), nullptr);
    EXPECT_EQ(app.pathway()->findEdge("a", "p1"), nullptr);
    EXPECT_FALSE(app.pathway()->graph().hasEdge("a", "p1"));
    EXPECT_EQ(app.selectedNode(), nullptr);
    const int changes = analyze.changes;

    // The network's interaction: its copy in the view goes with it.
    app.removeInteraction(app.pathway()->findEdge("a", "p3"));
    EXPECT_EQ(edgeCopy("a", "p3"), nullptr);
    EXPECT_NE(copyOf("p3"), nullptr);

    // A partner: its copy and the copies of its interactions.
    press(copyOf("p2"));
    app.removeProteinByName("P2");
    EXPECT_EQ(copyOf("p2"), nullptr);
    EXPECT_EQ(edgeCopy("a", "p2"), nullptr);
    EXPECT_EQ(node("p2"), nullptr);
    EXPECT_EQ(app.selectedNode(), nullptr);
    EXPECT_EQ(analyze.changes, changes + 2);
    expectEdgesEndAtShownNodes();
    app.update();

    // A copy picked in the view stands for its protein.
    app.removeProtein(copyOf("p3"));
    EXPECT_EQ(node("p3"), nullptr);
    EXPECT_EQ(copyOf("p3"), nullptr);
    expectEdgesEndAtShownNodes();

    if (ensureGuiApplication()) {
        OffscreenGL gl(320, 240);
        if (gl.ok()) {
            app.setRenderDevice(gl.rd());
            app.doGraphics();
            app.setRenderDevice(nullptr);
        }
    }

    // The explored protein itself ends the view.
    app.removeProtein(copyOf("a"));
    EXPECT_FALSE(app.isExploring());
    EXPECT_EQ(node("a"), nullptr);
    EXPECT_EQ(app.selectedNode(), nullptr);
    EXPECT_EQ(app.selectedEdge(), nullptr);
}

TEST_F(Exploring, RenamingACopyRenamesTheProtein) {
    explore("A");
    ASSERT_TRUE(app.isExploring());
    EXPECT_FALSE(app.renameProtein(copyOf("p1"), "a\nb"));
    ASSERT_TRUE(app.renameProtein(copyOf("p1"), "Renamed"));
    EXPECT_EQ(copyOf("p1")->getName(), "Renamed");
    EXPECT_EQ(node("p1")->getName(), "Renamed");
    EXPECT_EQ(app.pathway()->graph().getProteinName("p1"), "Renamed");
    EXPECT_EQ(analyze.changes, 1);

    // Selecting by label reaches the protein shown in the view.
    app.selectProtein("Renamed");
    EXPECT_EQ(app.pathway()->getSelectedNodes(), (Array<std::string>{"p1"}));
}

// A protein or interaction that only the graph and the view hold is removed
// from the graph between two layout passes: the layout reads the degrees.
TEST_F(Exploring, GraphOnlyRemovalsWaitForTheLayout) {
    app.pathway()->withLayoutLocked([this] {
        app.pathway()->graph().addNode("q");
        app.pathway()->graph().setProteinName("q", "Q");
        app.pathway()->graph().addEdge("a", "q");
    });
    explore("A");
    ASSERT_NE(copyOf("q"), nullptr);
    ASSERT_EQ(node("q"), nullptr);

    PathwayLayoutEntity& p = *app.pathway();
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { app.removeInteraction(edgeCopy("a", "q")); }));
    EXPECT_FALSE(app.pathway()->graph().hasEdge("a", "q"));
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { app.removeProtein(copyOf("q")); }));
    EXPECT_FALSE(app.pathway()->graph().hasNode("q"));
}
