// The window as a new user meets it: one walk through the real main window,
// each step checked on the scene and on disk. The dialogs are scripted, the
// working folder is a scratch one with the HPRD sample data linked.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBox>

#include "SamplePathways.h"
#include "WindowFixture.h"
#include "app/App.h"
#include "model/ProteinGraph.h"
#include "pathway/ExploreEntity.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"
#include "scene/EdgeEntity.h"
#include "scene/NodeEntity.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/CreateTabWidget.h"
#include "ui/ExperimentsPanel.h"
#include "ui/FiltersPage.h"
#include "ui/OpenTabWidget.h"
#include "ui/ProteinPage.h"
#include "ui/RenderWindow.h"
#include "ui/VisualsPage.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPatience = 30000;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

QPushButton* buttonNamed(QWidget* parent, const QString& text) {
    for (QPushButton* candidate : parent->findChildren<QPushButton*>()) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

// Triggers the entry `choose` of the next popup menu from inside its loop.
class MenuAnswer {
public:
    explicit MenuAnswer(QString choose) : choose_(std::move(choose)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            timer_.stop();
            seen = true;
            for (QAction* action : menu->actions()) {
                if (action->text() == choose_) {
                    action->trigger();
                    break;
                }
            }
            menu->close();
        });
        timer_.start(5);
    }
    bool seen = false;

private:
    QString choose_;
    QTimer timer_;
};

// What a reopened pathway must give back of each protein.
struct Remembered {
    Vector3 position;
    Color4 color;
};

class Scenario : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->resize(1000, 760);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        view = window->renderWindow();
    }

    App& app() { return *window->app(); }
    PathwayLayoutEntity* pathway() { return app().pathway(); }
    AnalyzeTabWidget* analyze() { return window->analyzeTab(); }
    CreateTabWidget* create() { return window->createTab(); }
    std::string scratch(const char* name) const { return (folder.path() / name).string(); }

    void click(QAbstractButton* button) {
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void clickView(QPoint at) { QTest::mouseClick(view, Qt::LeftButton, {}, at); }
    void openFromFileTab(const std::string& path) {
        dialogs->openFiles.push_back(QString::fromStdString(path));
        click(buttonNamed(window->fileTab(), "Open Pathway"));
    }
    bool said(const std::string& call) const {
        return std::find(dialogs->calls.begin(), dialogs->calls.end(), call) !=
               dialogs->calls.end();
    }
    bool warned() const {
        return std::any_of(dialogs->calls.begin(), dialogs->calls.end(),
                           [](const std::string& c) { return c.starts_with("warning:"); });
    }

    // A view point where the scene core picks an entity accepted by `wanted`.
    template <class Wanted>
    std::optional<QPoint> pointWhere(Wanted wanted) {
        for (int y = 3; y < view->height(); y += 5) {
            for (int x = 3; x < view->width(); x += 5) {
                if (Entity* hit = app().pick(x, y); hit && wanted(hit))
                    return QPoint(x, y);
            }
        }
        return std::nullopt;
    }
    std::optional<QPoint> pointOnProtein(const std::string& label) {
        return pointWhere([&](Entity* hit) {
            return hit->getType() == "NodeEntity" &&
                   static_cast<NodeEntity*>(hit)->getName() == label;
        });
    }
    // The proteins the filters leave.
    Array<std::string> proteinsShown() {
        Array<std::string> ids;
        pathway()->graph().getNodes(ids);
        return ids;
    }
    NodeEntity* nodeLabelled(const std::string& label) {
        for (const auto& node : pathway()->nodes()) {
            if (node->getName() == label)
                return node.get();
        }
        return nullptr;
    }
    std::map<std::string, Remembered> remember() {
        return pathway()->withLayoutLocked([this] {
            std::map<std::string, Remembered> out;
            for (const auto& node : pathway()->nodes()) {
                out[node->getName()] = {node->getGlobalFrame().translation, node->getColor()};
            }
            return out;
        });
    }

    RenderWindow* view = nullptr;
};

// Create a network from two hand-placed proteins, look at it, edit it, save
// it and read it back.
TEST_F(Scenario, CreateExploreEditSaveAndReopen) {
    // --- 1. Create tab, HPRD, Standard, a new file name.
    window->tabWidget()->setCurrentIndex(1);
    ASSERT_TRUE(create()->hprdButton()->isChecked());
    ASSERT_TRUE(create()->standardButton()->isChecked());
    dialogs->saveFiles.push_back(QString::fromStdString(scratch("walk.pth")));
    click(create()->sourceNextButton());
    ASSERT_NE(pathway(), nullptr);
    ASSERT_NE(create()->placeProteinButton(), nullptr);

    // Two proteins through the finder, then an interaction between them.
    const QPoint left(view->width() / 3, view->height() / 2);
    const QPoint right(view->width() * 2 / 3, view->height() / 2);
    click(create()->placeProteinButton());
    dialogs->proteins.push_back(std::pair<std::string, std::string>("EGFR", "00001"));
    clickView(left);
    dialogs->proteins.push_back(std::pair<std::string, std::string>("GRB2", "00005"));
    clickView(right);
    ASSERT_EQ(pathway()->nodes().size(), 2u);
    click(create()->placeInteractionButton());
    EXPECT_EQ(app().tool(), App::kToolPlaceInteraction);
    clickView(left);
    clickView(right);
    EXPECT_EQ(pathway()->edges().size(), 1u);

    // Delete GRB2 (its interaction goes with it), place it again, reconnect.
    click(create()->deleteProteinButton());
    clickView(right);
    EXPECT_EQ(pathway()->nodes().size(), 1u);
    EXPECT_EQ(pathway()->edges().size(), 0u);
    EXPECT_EQ(pathway()->nodeToIdLines(), (Array<std::string>{"00001#EGFR"}));
    click(create()->placeProteinButton());
    dialogs->proteins.push_back(std::pair<std::string, std::string>("GRB2", "00005"));
    clickView(right);
    click(create()->placeInteractionButton());
    clickView(left);
    clickView(right);
    EXPECT_EQ(pathway()->nodes().size(), 2u);
    EXPECT_EQ(pathway()->edges().size(), 1u);
    EXPECT_EQ(pathway()->nodeToIdLines(), (Array<std::string>{"00001#EGFR", "00005#GRB2"}));

    // Next, two levels, a connectivity filter, Finish.
    click(create()->painterNextButton());
    create()->levelsBox()->setValue(2);
    create()->filterConnectivityBox()->setValue(2);
    click(create()->finishButton());
    QCoreApplication::processEvents();
    ASSERT_FALSE(warned()) << dialogs->calls.back();
    ASSERT_NE(pathway(), nullptr);
    ASSERT_TRUE(pathway()->hasNetwork());
    ASSERT_TRUE(fs::exists(scratch("walk.pth")));
    EXPECT_NE(readFile(scratch("walk.pth")).find("GRB2"), std::string::npos);
    Array<std::string> ids;
    pathway()->graph().getNodes(ids);
    EXPECT_GT(ids.size(), 2u);
    EXPECT_TRUE(pathway()->graph().isImportant("00001"));
    EXPECT_TRUE(pathway()->graph().isImportant("00005"));
    EXPECT_EQ(window->tabWidget()->currentIndex(), 2);
    ASSERT_TRUE(analyze()->pagesAssembled());
    EXPECT_EQ(analyze()->proteinPage()->list()->count(), static_cast<int>(ids.size()));
    ASSERT_NE(pathway()->layouter(), nullptr);
    EXPECT_TRUE(pathway()->layouter()->isRunning());
    VisualsPage* visuals = analyze()->visualsPage();
    ASSERT_NE(visuals, nullptr);
    EXPECT_TRUE(visuals->adjustButton()->isChecked());

    // --- 2. The list and the scene agree on the selection. The layout is
    // stopped first so that the proteins stay where the clicks look for them.
    click(visuals->adjustButton());
    EXPECT_FALSE(visuals->layoutRunning());
    EXPECT_FALSE(pathway()->layouter() && pathway()->layouter()->isRunning());
    analyze()->toolBox()->setCurrentIndex(0);
    analyze()->selectProteinInList("GRB2");
    ASSERT_NE(analyze()->proteinPage()->list()->currentItem(), nullptr);
    EXPECT_EQ(analyze()->proteinPage()->list()->currentItem()->text(), "GRB2");
    const Array<std::string> selected = pathway()->getSelectedNodes();
    ASSERT_EQ(selected.size(), 1u);
    ASSERT_NE(pathway()->getNode(selected[0]), nullptr);
    EXPECT_EQ(pathway()->getNode(selected[0])->getName(), "GRB2");

    const std::optional<QPoint> egfr = pointOnProtein("EGFR");
    ASSERT_TRUE(egfr) << "EGFR is nowhere in the view";
    clickView(*egfr);
    ASSERT_NE(analyze()->proteinPage()->list()->currentItem(), nullptr);
    EXPECT_EQ(analyze()->proteinPage()->list()->currentItem()->text(), "EGFR");

    analyze()->proteinPage()->openInfoPopup();
    ASSERT_NE(analyze()->lastInfoDialog(), nullptr);
    EXPECT_TRUE(analyze()->lastInfoDialog()->windowTitle().contains("EGFR"));
    analyze()->lastInfoDialog()->close();

    // Explore around EGFR, walk on to a partner by a double click, Escape.
    click(analyze()->proteinPage()->exploreButton());
    EXPECT_TRUE(analyze()->proteinPage()->exploreButton()->isChecked());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return app().isExploring() && !app().isAnimating(); }, kPatience));
    const std::string first = app().exploreView()->currentProtein;
    ExploreEntity* explore = app().exploreView();
    const Entity* centre = explore->findExploredNode(first);
    const std::optional<QPoint> partner = pointWhere([&](Entity* hit) {
        return hit->getType() == "NodeEntity" && hit != centre && explore->ownsEntity(hit);
    });
    ASSERT_TRUE(partner) << "no partner of " << first << " in the explore view";
    QTest::mouseDClick(view, Qt::LeftButton, {}, *partner);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return app().isExploring() && app().exploreView()->currentProtein != first; },
        kPatience));
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(app().isExploring());
    EXPECT_FALSE(analyze()->proteinPage()->exploreButton()->isChecked());

    // --- 3. A connectivity filter and a Path filter between the two seeds,
    // saved as a selection; removing both brings every protein back.
    FiltersPage* filters = analyze()->filtersPage();
    ASSERT_NE(filters, nullptr);
    analyze()->toolBox()->setCurrentIndex(2);
    const std::size_t everyone = proteinsShown().size();
    clickView(*egfr);
    QTest::keyPress(view, Qt::Key_Control);
    const std::optional<QPoint> grb2Seed = pointOnProtein("GRB2");
    ASSERT_TRUE(grb2Seed);
    clickView(*grb2Seed);
    QTest::keyRelease(view, Qt::Key_Control);
    ASSERT_EQ(pathway()->getSelectedNodes().size(), 2u);
    dialogs->texts.push_back(QString("Ends"));
    click(filters->saveSelectionButton());
    ASSERT_EQ(filters->savedSelections()->count(), 1);

    filters->filterKinds()->setCurrentIndex(
        filters->filterKinds()->findText("Protein Connectivity"));
    click(filters->addFilterButton());
    ASSERT_EQ(filters->filterCount(), 1);
    filters->filter(0).slider->setValue(3);
    const std::size_t connected = proteinsShown().size();
    EXPECT_LT(connected, everyone);
    EXPECT_GT(connected, 0u);
    filters->filterKinds()->setCurrentIndex(filters->filterKinds()->findText("Path"));
    dialogs->items.push_back(QString("Ends"));
    click(filters->addFilterButton());
    ASSERT_EQ(filters->filterCount(), 2);
    EXPECT_LE(proteinsShown().size(), connected);
    click(filters->filter(1).remove);
    click(filters->filter(0).remove);
    EXPECT_EQ(filters->filterCount(), 0);
    EXPECT_EQ(proteinsShown().size(), everyone);
    for (const auto& node : pathway()->nodes()) {
        EXPECT_GT(node->getLocalFrame().translation.z, -0.5f) << node->getName() << " stays hidden";
    }

    // --- 4. Rename and recolour through the context menu, a size on the
    // Visuals page, the layout switched on and off again.
    std::optional<QPoint> grb2 = pointOnProtein("GRB2");
    ASSERT_TRUE(grb2) << "GRB2 is nowhere in the view";
    dialogs->texts.push_back(QString("GRB2x"));
    {
        MenuAnswer answer("&Rename");
        QTest::mouseClick(view, Qt::RightButton, {}, *grb2);
        ASSERT_TRUE(answer.seen);
    }
    NodeEntity* renamed = nodeLabelled("GRB2x");
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(nodeLabelled("GRB2"), nullptr);
    dialogs->colors.push_back(QColor(255, 0, 255));
    {
        MenuAnswer answer("&Change Color");
        QTest::mouseClick(view, Qt::RightButton, {}, *grb2);
        ASSERT_TRUE(answer.seen);
    }
    EXPECT_EQ(renamed->getColor().r, 1.0f);
    EXPECT_EQ(renamed->getColor().g, 0.0f);
    EXPECT_EQ(renamed->getColor().b, 1.0f);

    analyze()->toolBox()->setCurrentIndex(3);
    const std::string sizeClass = visuals->sizeClassBox()->currentText().toStdString();
    const int newSize = visuals->sizeSlider()->value() == 60 ? 40 : 60;
    visuals->sizeSlider()->setValue(newSize);
    EXPECT_EQ(visuals::sizeSliderValue(*pathway(), sizeClass), newSize);
    click(visuals->adjustButton());
    EXPECT_TRUE(pathway()->layouter() && pathway()->layouter()->isRunning());
    click(visuals->adjustButton());
    EXPECT_FALSE(pathway()->layouter() && pathway()->layouter()->isRunning());
    EXPECT_FALSE(visuals->adjustButton()->isChecked());

    // --- 5. Save, reopen from the File tab, and get the same pathway back.
    click(buttonNamed(window->fileTab(), "Save Pathway"));
    EXPECT_FALSE(said("message:could not save pathway!"));
    const std::string saved = readFile(scratch("walk.pth"));
    EXPECT_NE(saved.find("GRB2x"), std::string::npos);
    const std::map<std::string, Remembered> before = remember();
    const std::size_t nodesBefore = pathway()->nodes().size();

    openFromFileTab(scratch("walk.pth"));
    ASSERT_NE(pathway(), nullptr);
    EXPECT_EQ(window->tabWidget()->currentIndex(), 2);
    EXPECT_EQ(pathway()->nodes().size(), nodesBefore);
    const std::map<std::string, Remembered> after = remember();
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [name, was] : before) {
        const auto found = after.find(name);
        ASSERT_NE(found, after.end()) << name;
        const Remembered& now = found->second;
        EXPECT_NEAR(now.position.x, was.position.x, 1e-3) << name;
        EXPECT_NEAR(now.position.y, was.position.y, 1e-3) << name;
        EXPECT_NEAR(now.color.r, was.color.r, 1e-2) << name;
        EXPECT_NEAR(now.color.g, was.color.g, 1e-2) << name;
        EXPECT_NEAR(now.color.b, was.color.b, 1e-2) << name;
    }
    EXPECT_NE(analyze()->proteinPage()->list()->count(), 0);
    ASSERT_NE(analyze()->filtersPage(), nullptr);
    ASSERT_EQ(analyze()->filtersPage()->savedSelections()->count(), 1);
    EXPECT_EQ(analyze()->filtersPage()->savedSelections()->item(0)->text(), "Ends");
    // Saved again untouched, the file is the same byte for byte.
    if (pathway()->layouter() && pathway()->layouter()->isRunning()) {
        analyze()->setLayoutRunning(false);
    }
    click(buttonNamed(window->fileTab(), "Save Pathway"));
    EXPECT_EQ(readFile(scratch("walk.pth")), saved);
}

// The built sample with experiments: cluster the first experiment and explore
// from one of its entries.
TEST_F(Scenario, ClusterAnExperimentAndExploreAnEntry) {
    const fs::path built = samplepathways::copyBuilt(folder.path());
    ASSERT_FALSE(built.empty()) << "the sample batch job failed";
    openFromFileTab(built.string());
    ASSERT_NE(pathway(), nullptr);
    ExperimentsPanel* panel = analyze()->experimentsPanel();
    ASSERT_NE(panel, nullptr);
    panel->setClusteringProgram(CORVIDANE_KMEANS_PROGRAM);
    panel->tabs()->setCurrentIndex(0);
    QListWidget* list = panel->list(0);
    const int entries = list->count();
    ASSERT_GE(entries, 3);
    panel->kBox()->setValue(3);
    click(panel->clusterButton());
    EXPECT_FALSE(warned()) << dialogs->calls.back();
    ASSERT_EQ(list->count(), entries + 3);
    EXPECT_EQ(list->item(0)->text(), ExperimentsPanel::kSeparator);
    EXPECT_TRUE(fs::exists(folder.path() / "clustering.out"));

    QListWidgetItem* entry = list->item(1);
    ASSERT_NE(entry->text(), ExperimentsPanel::kSeparator);
    const QString protein = entry->text().section(" @ ", 0, 0);
    list->setCurrentItem(entry);
    const QRect cell = list->visualItemRect(entry);
    // A double click is a press and release first: the list acts on the press it saw.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_TRUE(analyze()->proteinPage()->exploreButton()->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return app().isExploring(); }, kPatience))
        << "pending " << app().isExplorePending();
    ASSERT_NE(analyze()->proteinPage()->list()->currentItem(), nullptr);
    EXPECT_EQ(analyze()->proteinPage()->list()->currentItem()->text(), protein);
    EXPECT_TRUE(analyze()->proteinPage()->exploreButton()->isChecked());
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(app().isExploring());
}

// A pathway file cut short is refused with the message; the window goes on.
TEST_F(Scenario, TruncatedPathwayIsRefusedAndTheWindowGoesOn) {
    const fs::path built = samplepathways::copyBuilt(folder.path());
    ASSERT_FALSE(built.empty()) << "the sample batch job failed";
    openFromFileTab(built.string());
    ASSERT_NE(pathway(), nullptr);
    const std::string original = readFile(built);

    const fs::path truncated = folder.path() / "cut.pth";
    std::ofstream(truncated, std::ios::binary) << original.substr(0, original.size() / 2);
    const PathwayLayoutEntity* before = pathway();
    const int proteins = analyze()->proteinPage()->list()->count();
    openFromFileTab(truncated.string());
    EXPECT_TRUE(said("message:could not open pathway!"));
    // The pathway open before stays open as it was, and its file is untouched.
    EXPECT_EQ(pathway(), before);
    EXPECT_TRUE(analyze()->pagesAssembled());
    EXPECT_TRUE(window->tabWidget()->isTabEnabled(2));
    EXPECT_EQ(analyze()->proteinPage()->list()->count(), proteins);
    EXPECT_EQ(readFile(built), original);
    view->update();
    QCoreApplication::processEvents();

    // The window answers as before.
    openFromFileTab(built.string());
    ASSERT_NE(pathway(), nullptr);
    EXPECT_TRUE(analyze()->pagesAssembled());
    EXPECT_GT(analyze()->proteinPage()->list()->count(), 10);
}

}  // namespace
