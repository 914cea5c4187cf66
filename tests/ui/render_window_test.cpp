// The 3D view: what its mouse, wheel and keys hand to the scene core, the
// context menu it opens on a right click, and the editing slots behind it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "KeyScript.h"
#include "SamplePathway.h"
#include "StdoutCapture.h"
#include "app/App.h"
#include "engine/render/Texture.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/EdgeEntity.h"
#include "scene/NodeEntity.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/ProteinPage.h"
#include "ui/RenderWindow.h"

namespace {

// Answers the next popup menu from inside its event loop: records its entries
// (those of the "Interaction" sub-menu apart) and triggers the entry `choose`
// of the menu or, failing that, of the sub-menu; closes it in any case.
class MenuAnswer {
public:
    explicit MenuAnswer(QString choose = {}) : choose_(std::move(choose)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(5);
    }
    bool seen = false;
    std::vector<std::string> entries;
    std::vector<std::string> subEntries;
    std::string subTitle;

private:
    void poll() {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        timer_.stop();
        seen = true;
        QAction* chosen = nullptr;
        QAction* chosenInSub = nullptr;
        for (QAction* action : menu->actions()) {
            if (QMenu* sub = action->menu()) {
                subTitle = sub->title().toStdString();
                for (QAction* inner : sub->actions()) {
                    subEntries.push_back(inner->text().toStdString());
                    if (!chosenInSub && inner->text() == choose_)
                        chosenInSub = inner;
                }
            } else {
                entries.push_back(action->text().toStdString());
                if (!chosen && action->text() == choose_)
                    chosen = action;
            }
        }
        if (!chosen)
            chosen = chosenInSub;
        if (chosen)
            chosen->trigger();
        menu->close();
    }
    QString choose_;
    QTimer timer_;
};

// The view alone, shown at about the size the window gives it.
class RenderWindowTest : public PageTest {
protected:
    using PageTest::PageTest;
    void SetUp() override {
        shown = std::make_unique<RenderWindow>();
        view = shown.get();
        view->setApp(&core);
        view->setWindow(&services, &context.dialogs);
        view->resize(680, 680);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    }
    void TearDown() override {
        // As the window goes: the pathway first, then the view.
        core.close();
        shown.reset();
        PageTest::TearDown();
    }

    // Three proteins "P0", "P1", "P2" (ids "id0".."id2") spread over the view,
    // with the interactions P0-P1 and P1-P2.
    void makePathway() {
        stdoutOf([&] { app->createPathway("made.pth"); });
        pathway = app->pathway();
        ASSERT_NE(pathway, nullptr);
        const Vector3 size = pathway->getSize();
        NodeEntity* made[3];
        for (int i = 0; i < 3; ++i) {
            const Vector3 at(size.x * (0.2f + 0.3f * i), -size.y * (0.3f + 0.2f * i), 0.001f);
            made[i] = pathway->createNode(CoordinateFrame(at), "P" + std::to_string(i), true);
            pathway->registerNode("id" + std::to_string(i), made[i]);
        }
        for (int i = 0; i < 2; ++i) {
            EdgeEntity* edge = pathway->createEdge(made[i], made[i + 1], true);
            pathway->registerEdge("id" + std::to_string(i), "id" + std::to_string(i + 1), edge);
        }
    }

    // A widget point where the scene core picks an entity of that type.
    std::optional<QPoint> pointOn(const std::string& type) {
        for (int y = 4; y < view->height(); y += 6) {
            for (int x = 4; x < view->width(); x += 6) {
                Entity* hit = app->pick(x, y);
                if (hit && hit->getType() == type)
                    return QPoint(x, y);
            }
        }
        return std::nullopt;
    }
    std::optional<QPoint> emptyPoint() {
        for (int y = 4; y < view->height(); y += 8) {
            for (int x = 4; x < view->width(); x += 8) {
                if (!app->pick(x, y))
                    return QPoint(x, y);
            }
        }
        return std::nullopt;
    }

    void wheel(int delta) {
        const QPointF at(view->width() / 2.0, view->height() / 2.0);
        QWheelEvent event(at, view->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &event);
    }

    // Selects the protein `id` as the pathway's one selected protein and
    // prepares the menu over nothing.
    NodeEntity* selectOnly(const std::string& id) {
        pathway->clearSelectedNodes();
        pathway->addSelectedNodeId(id);
        NodeEntity* node = pathway->getNode(id);
        stdoutOf([&] { view->prepareContextMenuFor(nullptr); });
        return node;
    }
    EdgeEntity* anyEdge() { return pathway->edges().empty() ? nullptr : pathway->edges()[0].get(); }

    std::unique_ptr<RenderWindow> shown;
    RenderWindow* view = nullptr;
    App* app = &core;
    PathwayLayoutEntity* pathway = nullptr;
};

class RealDialogsViewTest : public RenderWindowTest {
protected:
    RealDialogsViewTest() : RenderWindowTest(true) {}
};

// The keys go where Qt sends typed keys: to the menu and to the dialog it opens.
TEST_F(RealDialogsViewTest, TheMenuAndTheRenameDialogTakeTheKeyboard) {
    makePathway();
    const std::optional<QPoint> at = pointOn("NodeEntity");
    const std::optional<QPoint> onEdge = pointOn("EdgeEntity");
    ASSERT_TRUE(at && onEdge);
    auto* node = static_cast<NodeEntity*>(app->pick(at->x(), at->y()));
    const std::string name = node->getName();
    QTest::mouseClick(view, Qt::LeftButton, {}, *at);
    ASSERT_EQ(pathway->getSelectedNodes().size(), 1u);
    const auto rightClick = [&](QPoint where, Qt::KeyboardModifiers modifiers) {
        stdoutOf([&] {
            QTest::mousePress(view, Qt::RightButton, modifiers, where);
            QTest::mouseRelease(view, Qt::RightButton, modifiers, where);
        });
    };

    // Escape closes the menu; a Control let go meanwhile reaches the view.
    KeyScript escape;
    escape.then("menu", KeyScript::menu, [](QWidget*) {
        QTest::keyRelease(KeyScript::routed, Qt::Key_Control);
        QTest::keyClick(KeyScript::routed, Qt::Key_Escape);
    });
    escape.then("menu closed by Escape", KeyScript::closed, [](QWidget*) {});
    QTest::keyPress(view, Qt::Key_Control);
    rightClick(*onEdge, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !escape.failure.empty() || escape.done(); }, 10000));
    EXPECT_TRUE(escape.done()) << escape.failure;
    EXPECT_FALSE(app->isControlDown());
    EXPECT_EQ(node->getName(), name);

    // The arrows and Return choose "&Rename"; the name is typed into Qt's dialog.
    KeyScript rename;
    rename.then("menu", KeyScript::menu, [](QWidget*) {
        QTest::keyClick(KeyScript::routed, Qt::Key_Down);
        QTest::keyClick(KeyScript::routed, Qt::Key_Down);
        QTest::keyClick(KeyScript::routed, Qt::Key_Return);
    });
    rename.then("rename dialog", KeyScript::modal<QInputDialog>, [](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Select A New Protein Name");
        QTest::keyClicks(KeyScript::routed, "EGFR2");
        QTest::keyClick(KeyScript::routed, Qt::Key_Return);
    });
    rightClick(*at, {});
    EXPECT_TRUE(rename.done()) << rename.failure;
    EXPECT_EQ(node->getName(), "EGFR2");
}

TEST(RenderWindowWithoutApp, EveryHandlerOnlyClears) {
    RenderWindow view;
    view.resize(120, 90);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QPoint at(60, 45);
    const std::string out = stdoutOf([&] {
        QTest::mousePress(&view, Qt::RightButton, {}, at);
        QTest::mouseMove(&view, at + QPoint(10, 5));
        QTest::mouseRelease(&view, Qt::RightButton, {}, at + QPoint(10, 5));
        QTest::mouseClick(&view, Qt::RightButton, {}, at);
        QTest::mouseDClick(&view, Qt::LeftButton, {}, at);
        QTest::keyClick(&view, Qt::Key_Escape);
        QTest::keyClick(&view, Qt::Key_Control);
        QWheelEvent event(at, view.mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &event);
        QCoreApplication::processEvents();
    });
    EXPECT_FALSE(contains(out, "paintGL")) << out;
    EXPECT_FALSE(contains(out, "context menu")) << out;
    EXPECT_EQ(view.paintCount(), 0);
    EXPECT_FALSE(view.lastMenuPlan().show);
    const QImage frame = view.grabFramebuffer();
    EXPECT_EQ(frame.pixelColor(5, 5), QColor(0, 0, 0, 0));
}

TEST_F(RenderWindowTest, WheelAndDragsMoveTheCamera) {
    const float z = app->camera().position().z;
    wheel(120);
    EXPECT_NEAR(app->camera().position().z, z + 0.4f, 1e-5f);
    wheel(-120);
    EXPECT_NEAR(app->camera().position().z, z, 1e-5f);

    // A right drag pans and opens no menu, though a click would have one.
    makePathway();
    const std::optional<QPoint> node = pointOn("NodeEntity");
    ASSERT_TRUE(node);
    QTest::mouseClick(view, Qt::LeftButton, {}, *node);
    ASSERT_EQ(pathway->getSelectedNodes().size(), 1u);
    const Vector3 before = app->camera().position();
    MenuAnswer answer;
    const std::string out = stdoutOf([&] {
        QTest::mousePress(view, Qt::RightButton, Qt::ControlModifier, *node);
        QTest::mouseMove(view, *node + QPoint(30, 20));
        QTest::mouseMove(view, *node + QPoint(60, 40));
        QTest::mouseRelease(view, Qt::RightButton, Qt::ControlModifier, *node + QPoint(60, 40));
        QCoreApplication::processEvents();
    });
    EXPECT_FALSE(answer.seen);
    EXPECT_FALSE(contains(out, "context menu\n"));
    const Vector3 after = app->camera().position();
    // The scene follows the mouse: right and down on screen moves the camera left and up.
    EXPECT_LT(after.x, before.x);
    EXPECT_GT(after.y, before.y);
    EXPECT_FLOAT_EQ(after.z, before.z);
}

TEST_F(RenderWindowTest, EscapeOnlyRepaintsUnlessExploring) {
    makePathway();
    QCoreApplication::processEvents();
    const int frames = view->paintCount();
    const Vector3 camera = app->camera().position();
    const std::string out = stdoutOf([&] {
        QTest::keyClick(view, Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->paintCount() > frames; }));
    });
    EXPECT_FALSE(contains(out, "starting timer"));
    EXPECT_TRUE(services.timers.empty());
    EXPECT_EQ(app->camera().position(), camera);

    // Control reaches the scene core's multi-selection flag.
    QTest::keyPress(view, Qt::Key_Control);
    EXPECT_TRUE(app->isControlDown());
    QTest::keyRelease(view, Qt::Key_Control);
    EXPECT_FALSE(app->isControlDown());
}

class ExploreKeysTest : public SamplePathwayTest {};

TEST_F(ExploreKeysTest, EscapeLeavesTheExploreViewAndUnchecksExplore) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    RenderWindow* view = window->renderWindow();
    stdoutOf([&] { window->analyzeTab()->assemblePages(); });
    QPushButton* explore = window->analyzeTab()->proteinPage()->exploreButton();
    explore->setChecked(true);
    int clicks = 0;
    QObject::connect(explore, &QPushButton::clicked, [&] { ++clicks; });
    app().setAnimationSpeed(0);
    stdoutOf([&] {
        app().startExplore("EGFR");
        for (int i = 0; i < 5 && !app().isExploring(); ++i) {
            app().setAnimating(true);
            app().update();
        }
    });
    ASSERT_TRUE(app().isExploring());

    const std::string out = stdoutOf([&] { QTest::keyClick(view, Qt::Key_Escape); });
    EXPECT_FALSE(app().isExploring());
    EXPECT_TRUE(contains(out, "starting timer\n"));
    EXPECT_EQ(window->refreshTimer()->interval(), 20);
    EXPECT_EQ(window->stopTimer()->interval(), 5000);
    EXPECT_FALSE(explore->isChecked());
    EXPECT_EQ(clicks, 0);
}

TEST_F(RenderWindowTest, RightClickOnAProteinOffersTheProteinEntries) {
    makePathway();
    const std::optional<QPoint> node = pointOn("NodeEntity");
    ASSERT_TRUE(node);
    auto* picked = static_cast<NodeEntity*>(app->pick(node->x(), node->y()));
    dialogs->colors.push_back(QColor(255, 0, 0));
    MenuAnswer answer("&Change Color");
    const std::string out = stdoutOf([&] { QTest::mouseClick(view, Qt::RightButton, {}, *node); });
    ASSERT_TRUE(answer.seen) << out;
    EXPECT_TRUE(contains(out, "context menu\n"));
    EXPECT_EQ(answer.entries,
              (std::vector<std::string>{"&Delete", "&Rename", "&Change Color", "&Change Font Color",
                                        "&Change Shape", "&Change Size"}));
    EXPECT_TRUE(answer.subEntries.empty());
    EXPECT_EQ(picked->getColor().r, 1.0f);
    EXPECT_EQ(picked->getColor().g, 0.0f);
    // Nothing of the menu outlives it.
    EXPECT_TRUE(view->selection().empty());
    EXPECT_EQ(view->selectedInteraction(), nullptr);
}

TEST_F(RenderWindowTest, RightClickOnAnInteractionOffersOnlyItsEntries) {
    makePathway();
    const std::optional<QPoint> edgePoint = pointOn("EdgeEntity");
    ASSERT_TRUE(edgePoint);
    auto* edge = static_cast<EdgeEntity*>(app->pick(edgePoint->x(), edgePoint->y()));
    const double width = edge->width;
    pathway->addSelectedNodeId(pathway->getNodeId(edge->getNodeA()));
    dialogs->items.push_back(QString("+200%"));
    MenuAnswer answer("&Change Size");
    QTest::mouseClick(view, Qt::RightButton, {}, *edgePoint);
    ASSERT_TRUE(answer.seen);
    EXPECT_EQ(answer.entries,
              (std::vector<std::string>{"&Delete", "&Change Color", "&Change Size"}));
    EXPECT_TRUE(answer.subEntries.empty());
    EXPECT_TRUE(pathway->getSelectedNodes().empty());
    EXPECT_DOUBLE_EQ(edge->width, 2 * width);
    EXPECT_EQ(dialogs->lastItems,
              (QStringList{"-200%", "-400%", "-800%", "0%", "+200%", "+400%", "+800%"}));

    // Nothing under the mouse and nothing selected: no menu at all.
    const std::optional<QPoint> empty = emptyPoint();
    ASSERT_TRUE(empty);
    MenuAnswer none;
    QTest::mouseClick(view, Qt::RightButton, {}, *empty);
    QCoreApplication::processEvents();
    EXPECT_FALSE(none.seen);
    EXPECT_FALSE(view->lastMenuPlan().show);
}

TEST_F(RenderWindowTest, ControlOverAnInteractionAddsTheInteractionSubMenu) {
    makePathway();
    const std::optional<QPoint> edgePoint = pointOn("EdgeEntity");
    ASSERT_TRUE(edgePoint);
    auto* edge = static_cast<EdgeEntity*>(app->pick(edgePoint->x(), edgePoint->y()));
    const std::string a = pathway->getNodeId(edge->getNodeA());
    const std::string b = pathway->getNodeId(edge->getNodeB());
    pathway->addSelectedNodeId(a);
    pathway->addSelectedNodeId(b);
    MenuAnswer answer("&Delete");
    QTest::keyPress(view, Qt::Key_Control);
    QTest::mouseClick(view, Qt::RightButton, Qt::ControlModifier, *edgePoint);
    QTest::keyRelease(view, Qt::Key_Control);
    ASSERT_TRUE(answer.seen);
    // Two proteins: no "&Rename"; the first "&Delete" is the proteins'.
    EXPECT_EQ(answer.entries,
              (std::vector<std::string>{"&Delete", "&Change Color", "&Change Font Color",
                                        "&Change Shape", "&Change Size"}));
    EXPECT_EQ(answer.subTitle, "Interaction");
    EXPECT_EQ(answer.subEntries,
              (std::vector<std::string>{"&Delete", "&Change Color", "&Change Size"}));
    // The proteins' "&Delete" ran: both ends went, and the interaction with them.
    EXPECT_EQ(pathway->getNode(a), nullptr);
    EXPECT_EQ(pathway->getNode(b), nullptr);
    EXPECT_EQ(pathway->findEdge(a, b), nullptr);
}

TEST_F(RenderWindowTest, StaleIdentifiersAndRemovedEntitiesAreNeverTouched) {
    makePathway();
    const std::string id = "id1";
    pathway->clearSelectedNodes();
    pathway->addSelectedNodeId("no-such-protein");
    pathway->addSelectedNodeId(id);
    const ContextMenuPlan plan = view->prepareContextMenuFor(nullptr);
    // The stale identifier is skipped, so one protein is selected and may be renamed.
    ASSERT_TRUE(plan.show);
    ASSERT_EQ(view->selection().size(), 1u);
    EXPECT_EQ(view->selection()[0], pathway->getNode(id));
    EXPECT_EQ(plan.entries[1].text, "&Rename");

    // Only a stale identifier and nothing under the mouse: no menu.
    pathway->clearSelectedNodes();
    pathway->addSelectedNodeId("no-such-protein");
    EXPECT_FALSE(view->prepareContextMenuFor(nullptr).show);

    // An interaction removed between the menu and its slot.
    EdgeEntity* edge = anyEdge();
    ASSERT_NE(edge, nullptr);
    pathway->clearSelectedNodes();
    ASSERT_TRUE(view->prepareContextMenuFor(edge).takesInteraction);
    EXPECT_EQ(view->selectedInteraction(), edge);
    app->removeInteraction(edge);
    EXPECT_EQ(view->selectedInteraction(), nullptr);
    view->changeInteractionColor();
    view->changeInteractionSize();
    view->deleteInteraction();
    EXPECT_TRUE(dialogs->calls.empty());

    // A protein removed between the menu and its slot.
    NodeEntity* node = selectOnly(id);
    ASSERT_EQ(view->selection().size(), 1u);
    app->removeProtein(node);
    EXPECT_TRUE(view->selection().empty());
    view->changeProteinColor();
    view->changeProteinName();
    view->deleteProtein();
    EXPECT_TRUE(dialogs->calls.empty());

    // Without a pathway nothing is offered and nothing is printed.
    app->close();
    EXPECT_EQ(stdoutOf([&] { EXPECT_FALSE(view->prepareContextMenuFor(nullptr).show); }), "");
}

TEST_F(RenderWindowTest, ProteinSlotsAskThroughTheDialogsAndForgetTheSelection) {
    makePathway();
    const std::string id = "id1";
    NodeEntity* node = selectOnly(id);
    ASSERT_NE(node, nullptr);
    const Color4 colour = node->getColor();
    const std::string label = node->getName();

    // A cancelled colour dialog changes nothing.
    view->changeProteinColor();
    EXPECT_EQ(node->getColor(), colour);
    EXPECT_TRUE(view->selection().empty());

    // Refused names are told, never written.
    for (const char* refused : {"", "a\nb", "a\tb"}) {
        selectOnly(id);
        dialogs->texts.push_back(QString(refused));
        view->changeProteinName();
        EXPECT_EQ(node->getName(), label) << refused;
    }
    EXPECT_EQ(std::count_if(dialogs->calls.begin(), dialogs->calls.end(),
                            [](const std::string& c) { return c.starts_with("warning:"); }),
              3);
    selectOnly(id);
    dialogs->texts.push_back(QString("EGFR2"));
    view->changeProteinName();
    EXPECT_EQ(node->getName(), "EGFR2");

    // The shapes are the texture cache's names, sorted.
    selectOnly(id);
    dialogs->items.push_back(QString("rectcont"));
    view->changeProteinShape();
    QStringList sorted = dialogs->lastItems;
    sorted.sort();
    EXPECT_EQ(dialogs->lastItems, sorted);
    EXPECT_EQ(dialogs->lastItems.size(), static_cast<qsizetype>(textureCache.size()));
    EXPECT_EQ(node->shapeName, "rectcont");

    // Size: a cancelled first list asks nothing more; two answers scale both ways.
    dialogs->calls.clear();
    selectOnly(id);
    view->changeProteinSize();
    EXPECT_EQ(dialogs->calls, (std::vector<std::string>{"item:Choose a horizontal scale factor"}));
    const Vector3 size = node->getSize();
    selectOnly(id);
    dialogs->items = {QString("+50%"), QString("-50%")};
    view->changeProteinSize();
    EXPECT_NEAR(node->getSize().x, size.x * 1.5f, 1e-6f);
    EXPECT_NEAR(node->getSize().y, size.y * 0.5f, 1e-6f);

    selectOnly(id);
    dialogs->colors.push_back(QColor(0, 0, 255));
    view->changeProteinFontColor();
    EXPECT_EQ(node->getFontColor().b, 1.0f);

    selectOnly(id);
    view->threeStarProtein();
    EXPECT_TRUE(view->selection().empty());

    selectOnly(id);
    view->deleteProtein();
    EXPECT_EQ(pathway->getNode(id), nullptr);
    EXPECT_TRUE(view->selection().empty());
}

TEST_F(RenderWindowTest, InteractionSlotsActOnThePickedInteraction) {
    makePathway();
    EdgeEntity* edge = anyEdge();
    ASSERT_NE(edge, nullptr);
    const Color4 colour = edge->color;
    view->prepareContextMenuFor(edge);
    view->changeInteractionColor();  // cancelled
    EXPECT_EQ(edge->color, colour);
    EXPECT_EQ(view->selectedInteraction(), nullptr);

    view->prepareContextMenuFor(edge);
    dialogs->colors.push_back(QColor(0, 255, 0));
    view->changeInteractionColor();
    EXPECT_EQ(edge->color.g, 1.0f);
    EXPECT_EQ(edge->color.r, 0.0f);

    const std::size_t edges = pathway->edges().size();
    view->prepareContextMenuFor(edge);
    view->deleteInteraction();
    EXPECT_EQ(pathway->edges().size(), edges - 1);
}

}  // namespace
