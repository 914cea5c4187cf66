// The Filters and Selectors page on a pathway built from the sample HPRD
// files: stacked filters and their rows, the keep boxes, the Path rule's
// choice of proteins, the selector, named selections and the selection modes.
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLayout>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTextBrowser>

#include "SamplePathway.h"
#include "app/App.h"
#include "model/ProteinGraph.h"
#include "model/SelectorKinds.h"
#include "model/TextConversions.h"
#include "pathway/PathwayLayoutEntity.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/FiltersPage.h"

namespace {

using Ids = Array<std::string>;

Ids sorted(Ids ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
}

class FiltersPageTest : public SamplePageTest {
protected:
    void SetUp() override {
        SamplePageTest::SetUp();
        for (const std::string& id : all())
            degrees[id] = graph().degree(id);
        page = std::make_unique<FiltersPage>(context, 190);
    }
    void TearDown() override {
        page.reset();
        SamplePageTest::TearDown();
    }

    PathwayLayoutEntity& pathway() { return *app().pathway(); }
    ProteinGraph& graph() { return pathway().graph(); }

    Ids visible() {
        Ids ids;
        graph().getNodes(ids);
        return sorted(ids);
    }
    Ids all() {
        graph().filteringEnabled = false;
        Ids ids = visible();
        graph().filteringEnabled = true;
        return ids;
    }
    float layer(const std::string& id) {
        return pathway().getNode(id)->getLocalFrame().translation.z;
    }
    bool shown(const std::string& id) { return layer(id) > -0.5f; }

    void choose(QComboBox* kinds, const QString& name) {
        const int index = kinds->findText(name);
        ASSERT_GE(index, 0) << name.toStdString();
        kinds->setCurrentIndex(index);
    }
    void addFilter(const QString& kind) {
        choose(page->filterKinds(), kind);
        page->addFilterButton()->click();
    }
    void saveSelection(const Ids& ids, const QString& name) {
        pathway().clearSelectedNodes();
        for (const std::string& id : ids)
            pathway().addSelectedNodeId(id);
        dialogs->texts.push_back(name);
        page->saveSelectionButton()->click();
    }
    // What the view shows of every protein and interaction, and what a save writes.
    struct Scene {
        std::map<std::string, float> layers;
        std::vector<std::string> interactions;
        Array<std::string> file;
    };
    Scene scene() {
        Scene now;
        for (const auto& [id, node] : pathway().nodeTable()) {
            now.layers[id] = layer(id);
        }
        for (const auto& edge : pathway().edges()) {
            now.interactions.push_back(vector3ToString(edge->endPointA()) + " " +
                                       vector3ToString(edge->endPointB()) +
                                       (edge->hidden ? " hidden" : ""));
        }
        pathway().writePathway(now.file);
        return now;
    }
    bool listed(const std::string& id) {
        Array<std::string> names;
        app().getProteinNames(names);
        return std::find(names.begin(), names.end(), graph().getProteinName(id)) != names.end();
    }
    bool pickable(const std::string& id) {
        const Vector3 at = pathway().getNode(id)->getGlobalFrame().translation;
        const Ray down = Ray::fromOriginAndDirection(at + Vector3(0, 0, 1), -Vector3::unitZ());
        return pathway().pickEntity(down) == pathway().getNode(id);
    }

    // Degree as the connectivity rule sees it when no filter hides anything.
    int degree(const std::string& id) { return degrees.at(id); }
    Table<std::string, int> degrees;

    std::unique_ptr<FiltersPage> page;
};

TEST_F(FiltersPageTest, BuildingThePageChangesNothingAndListsTheRules) {
    const Ids before = all();
    ASSERT_GT(before.size(), 10u);
    EXPECT_EQ(visible(), before);
    for (const std::string& id : before)
        EXPECT_FALSE(graph().hasNodeTags(id)) << id;
    EXPECT_EQ(page->filterCount(), 0);
    EXPECT_EQ(page->selector(), nullptr);
    ASSERT_EQ(page->filterKinds()->count(), 6);
    EXPECT_EQ(page->filterKinds()->itemText(2), "Path");
    EXPECT_EQ(page->selectorKinds()->itemText(5), "Pathway Proteins");
    EXPECT_FALSE(page->keepPathway()->isChecked());
    EXPECT_FALSE(page->keepExperimentals()->isChecked());
    EXPECT_EQ(page->maximumWidth(), 180);
}

TEST_F(FiltersPageTest, FiltersAreNumberedStackedAndOnlyTheNewestCanChange) {
    addFilter("Protein Connectivity");
    addFilter("Protein Annotation");
    ASSERT_EQ(page->filterCount(), 2);
    EXPECT_EQ(page->filter(0).selector->getTag(), "Filter1");
    EXPECT_EQ(page->filter(1).selector->getTag(), "Filter2");
    // The newest row sits on top, directly under the keep boxes.
    QLayout* rows = page->filter(0).panel->parentWidget()->layout();
    EXPECT_LT(rows->indexOf(page->filter(1).panel), rows->indexOf(page->filter(0).panel));
    for (QWidget* w :
         std::initializer_list<QWidget*>{page->filter(0).slider, page->filter(0).remove,
                                         page->filter(0).invert, page->filter(0).description}) {
        EXPECT_FALSE(w->isEnabled());
    }
    EXPECT_TRUE(page->filter(1).slider->isEnabled());

    QPointer<QWidget> removedPanel = page->filter(1).panel;
    page->filter(1).remove->click();
    ASSERT_EQ(page->filterCount(), 1);
    EXPECT_TRUE(page->filter(0).slider->isEnabled());
    EXPECT_TRUE(page->filter(0).remove->isEnabled());
    EXPECT_TRUE(page->filter(0).description->isEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(removedPanel.isNull());

    addFilter("Already explored");
    ASSERT_EQ(page->filterCount(), 2);
    EXPECT_EQ(page->filter(1).selector->getTag(), "Filter2");
    EXPECT_EQ(page->filter(1).selector->getName(), "Already Explored");
}

TEST_F(FiltersPageTest, ThresholdDescriptionAndInvertAtTheLastThreshold) {
    addFilter("Protein Connectivity");
    const FiltersPage::FilterRow& row = page->filter(0);
    EXPECT_EQ(row.description->toolTip(),
              "Selects protein that gave more interactions than a certain number");
    EXPECT_EQ(row.description->toPlainText(),
              QString("Selected proteins that have more or equal %1 interactions")
                  .arg(row.slider->minimum()));
    EXPECT_EQ(visible(), all()) << "the smallest threshold keeps every protein";

    row.slider->setValue(3);
    EXPECT_EQ(row.description->toPlainText(),
              "Selected proteins that have more or equal 3 interactions");
    const Ids everyone = all();
    int hidden = 0;
    for (const std::string& id : everyone) {
        const bool low = degree(id) < 3;
        hidden += low;
        EXPECT_EQ(graph().hasNodeTags(id), low) << id;
        EXPECT_EQ(shown(id), !low) << id;
    }
    ASSERT_GT(hidden, 0);

    row.invert->click();
    EXPECT_EQ(row.slider->value(), 3);
    EXPECT_EQ(row.description->toPlainText(),
              "Selected proteins that have less than 3 interactions");
    for (const std::string& id : everyone) {
        EXPECT_EQ(graph().hasNodeTags(id), degree(id) >= 3) << id;
    }

    page->filter(0).remove->click();
    EXPECT_EQ(visible(), everyone);
    for (const std::string& id : everyone)
        EXPECT_TRUE(shown(id)) << id;
}

TEST_F(FiltersPageTest, AFilterAddedAndRemovedLeavesTheSceneAndTheFileAsTheyWere) {
    int measured = 0, important = 0, plain = 0;
    for (const std::string& id : all()) {
        const bool seed = graph().isImportant(id);
        const bool data = graph().findNodeProperty(id, "heatmap") != nullptr;
        important += seed;
        measured += data && !seed;
        plain += !data && !seed;
    }
    ASSERT_GT(measured, 0);
    ASSERT_GT(important, 0);
    ASSERT_GT(plain, 0);
    const Scene before = scene();

    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    choose(page->filterKinds(), "Protein Connectivity");
    QTest::mouseClick(page->addFilterButton(), Qt::LeftButton);
    ASSERT_EQ(page->filterCount(), 1);
    EXPECT_EQ(scene().layers, before.layers) << "the smallest threshold hides nothing";
    EXPECT_EQ(scene().interactions, before.interactions);

    QTest::keyClick(page->filter(0).slider, Qt::Key_End);
    ASSERT_LT(visible().size(), all().size());
    QTest::mouseClick(page->filter(0).remove, Qt::LeftButton);
    ASSERT_EQ(page->filterCount(), 0);
    const Scene after = scene();
    EXPECT_EQ(after.layers, before.layers);
    EXPECT_EQ(after.interactions, before.interactions);
    EXPECT_EQ(after.file, before.file);
}

TEST_F(FiltersPageTest, KeptSeedsStayListedAndPickableAcrossLaterFilters) {
    Ids seeds;
    for (const std::string& id : all()) {
        if (graph().isImportant(id)) {
            seeds.push_back(id);
        }
    }
    ASSERT_FALSE(seeds.empty());
    auto keptEverywhere = [&](const char* when) {
        for (const std::string& id : seeds) {
            EXPECT_TRUE(shown(id) && listed(id) && pickable(id)) << id << " " << when;
            EXPECT_FLOAT_EQ(layer(id), 0.001f) << id << " " << when;
        }
    };
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    addFilter("Protein Connectivity");
    QTest::keyClick(page->filter(0).slider, Qt::Key_End);
    auto hidden = std::find_if(seeds.begin(), seeds.end(), [&](auto& id) { return !shown(id); });
    ASSERT_NE(hidden, seeds.end());
    EXPECT_FALSE(listed(*hidden));

    // On the box itself: the widget is wider than its box and text.
    QTest::mouseClick(page->keepPathway(), Qt::LeftButton, {}, QPoint(8, 8));
    ASSERT_TRUE(page->keepPathway()->isChecked());
    EXPECT_FALSE(shown(*hidden)) << "the box acts at the next threshold change";
    QTest::keyClick(page->filter(0).slider, Qt::Key_Left);
    keptEverywhere("at the next threshold");

    addFilter("Protein Connectivity");
    QTest::keyClick(page->filter(1).slider, Qt::Key_End);
    keptEverywhere("under a second filter");
    QTest::mouseClick(page->filter(1).remove, Qt::LeftButton);
    keptEverywhere("after its removal");
    EXPECT_LT(visible().size(), all().size()) << "the first filter still hides the rest";
    QTest::mouseClick(page->filter(0).remove, Qt::LeftButton);
    EXPECT_EQ(visible(), all());
}

TEST_F(FiltersPageTest, PathRuleAsksForItsProteinsAndACancelLeavesNothing) {
    addFilter("Protein Connectivity");
    saveSelection({"not", "used"}, "Saved");
    ASSERT_EQ(page->savedSelections()->count(), 1);

    addFilter("Path");
    EXPECT_EQ(dialogs->calls.back(), "item:Selection");
    EXPECT_EQ(dialogs->lastItems, (QStringList{"Current Selection", "Saved"}));
    EXPECT_EQ(page->filterCount(), 1) << "cancelled";
    EXPECT_TRUE(page->filter(0).slider->isEnabled());
    page->filter(0).remove->click();

    choose(page->selectorKinds(), "Path");
    page->addSelectorButton()->click();
    EXPECT_EQ(page->selector(), nullptr);
    EXPECT_EQ(page->selectorPanel(), nullptr);

    // Paths between two seeds: at the smallest threshold only the two stay.
    Ids seeds;
    for (const std::string& id : all()) {
        if (graph().isImportant(id) && seeds.size() < 2)
            seeds.push_back(id);
    }
    ASSERT_EQ(seeds.size(), 2u);
    saveSelection(seeds, "Ends");
    pathway().clearSelectedNodes();
    dialogs->items.push_back(QString("Ends"));
    addFilter("Path");
    ASSERT_EQ(page->filterCount(), 1);
    EXPECT_EQ(page->filter(0).selector->getName(), "Path");
    EXPECT_EQ(visible(), sorted(seeds));
    EXPECT_EQ(page->filter(0).slider->maximum(),
              static_cast<PathSelector&>(*page->filter(0).selector).getMaxPathLength() + 1);
    page->filter(0).slider->setValue(page->filter(0).slider->maximum());
    EXPECT_EQ(visible(), all());
}

TEST_F(FiltersPageTest, SelectionNamesAreRefusedWithAReasonAndAskedAgain) {
    const Ids some = {all()[0], all()[1]};
    saveSelection(some, "First");
    ASSERT_EQ(page->savedSelections()->count(), 1);
    dialogs->calls.clear();

    for (const char* bad : {"First", " ", "two words", "a|b", "line\nbreak"}) {
        dialogs->texts.push_back(bad);
    }
    dialogs->texts.push_back(QString("Second"));
    page->saveSelectionButton()->click();
    ASSERT_EQ(dialogs->calls.size(), 11u);
    EXPECT_EQ(dialogs->calls[1],
              "warning:Selection names need to be unique. Please type in another name");
    for (int k = 3; k <= 9; k += 2) {
        EXPECT_EQ(dialogs->calls[k].rfind("warning:Selection names cannot hold blanks", 0), 0u)
            << dialogs->calls[k];
    }
    ASSERT_EQ(page->savedSelections()->count(), 2);
    EXPECT_EQ(page->savedSelections()->item(1)->text(), "Second");
    EXPECT_EQ(pathway().getSelectionNames(), (Ids{"First", "Second"}));
    EXPECT_EQ(pathway().getSavedSelection("Second"), some);

    // A cancel and an empty name save nothing, without a warning.
    dialogs->calls.clear();
    page->saveSelectionButton()->click();
    dialogs->texts.push_back(QString());
    page->saveSelectionButton()->click();
    EXPECT_EQ(dialogs->calls, (std::vector<std::string>(2, "text:Selection Name")));
    EXPECT_EQ(page->savedSelections()->count(), 2);
    EXPECT_EQ(pathway().getSelectionNames().size(), 2u);
}

TEST_F(FiltersPageTest, SavedSelectionsCombineAndSeveralAreDeletedAtOnce) {
    const Ids ids = all();
    saveSelection({ids[0], ids[1]}, "A");
    saveSelection({ids[2]}, "B");
    saveSelection({ids[3], ids[1]}, "C");
    pathway().clearSelectedNodes();
    QListWidget* list = page->savedSelections();
    ASSERT_EQ(list->count(), 3);

    list->item(0)->setSelected(true);
    list->item(2)->setSelected(true);
    EXPECT_EQ(sorted(pathway().getSelectedNodes()), sorted({ids[0], ids[1], ids[3]}));

    page->deleteSelectionButton()->click();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "B");
    EXPECT_EQ(pathway().getSelectionNames(), Ids{"B"});
    EXPECT_TRUE(pathway().getSavedSelection("A").empty());
    EXPECT_TRUE(pathway().getSavedSelection("C").empty());
    list->item(0)->setSelected(true);
    EXPECT_EQ(pathway().getSelectedNodes(), Ids{ids[2]});

    // Expand adds the neighbours, invert takes the rest.
    pathway().clearSelectedNodes();
    pathway().addSelectedNodeId(ids[2]);
    page->expandButton()->click();
    Ids neighbours;
    graph().getNeighbours(ids[2], neighbours);
    EXPECT_EQ(pathway().getSelectedNodes().size(), neighbours.size() + 1);
    page->invertButton()->click();
    EXPECT_EQ(pathway().getSelectedNodes().size(), ids.size() - neighbours.size() - 1);
}

TEST_F(FiltersPageTest, NoInteractionsAndNoProteinsExcludeEachOther) {
    QCheckBox* edges = page->noInteractions();
    QCheckBox* proteins = page->noProteins();
    QCheckBox* between = page->interactionsBetween();
    auto state = [&] {
        EXPECT_EQ(pathway().noInteractions(), edges->isChecked());
        EXPECT_EQ(pathway().noProteins(), proteins->isChecked());
        EXPECT_EQ(pathway().interactionsBetween(), between->isChecked());
        return std::string(edges->isChecked() ? "I" : "-") + (proteins->isChecked() ? "P" : "-") +
               (between->isChecked() ? "B" : "-");
    };
    edges->click();
    EXPECT_EQ(state(), "I--");
    proteins->click();
    EXPECT_EQ(state(), "-P-");
    edges->click();
    EXPECT_EQ(state(), "I--");
    proteins->click();
    EXPECT_EQ(state(), "-P-");
    between->click();
    EXPECT_EQ(state(), "-PB");
    proteins->click();  // off
    edges->click();
    EXPECT_EQ(state(), "I-B");
    edges->click();  // off, then on again
    edges->click();
    proteins->click();
    EXPECT_EQ(state(), "-PB");
    between->click();
    EXPECT_EQ(state(), "-P-");
}

TEST_F(FiltersPageTest, OneSelectorThatGoesWithThePage) {
    choose(page->selectorKinds(), "Protein Connectivity");
    page->addSelectorButton()->click();
    ASSERT_NE(page->selector(), nullptr);
    EXPECT_EQ(page->selector()->getTag(), "Selector1");
    EXPECT_EQ(sorted(pathway().getSelectedNodes()), all()) << "smallest threshold";
    page->selectorSlider()->setValue(3);
    EXPECT_EQ(page->selectorDescription()->toPlainText(),
              "Selected proteins that have more or equal 3 interactions");
    for (const std::string& id : pathway().getSelectedNodes())
        EXPECT_GE(degree(id), 3) << id;
    EXPECT_EQ(visible(), all()) << "a selector hides nothing";
    const size_t atThree = pathway().getSelectedNodes().size();
    page->invertSelector();
    EXPECT_EQ(pathway().getSelectedNodes().size(), all().size() - atThree);

    // A second one replaces the first; its rule may join the first one's selection.
    const Ids chosen = pathway().getSelectedNodes();
    QPointer<QWidget> firstPanel = page->selectorPanel();
    choose(page->selectorKinds(), "Path");
    dialogs->items.push_back(QString("Current Selection"));
    page->addSelectorButton()->click();
    ASSERT_NE(page->selector(), nullptr);
    EXPECT_EQ(page->selector()->getName(), "Path");
    EXPECT_TRUE(firstPanel->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(firstPanel.isNull());
    auto* path = dynamic_cast<PathSelectorFactory*>(app().selectorFactories()[2]);
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->getProteins(), chosen);

    // The page goes before its pathway closes, as a reset does: the selection goes too.
    page.reset();
    EXPECT_TRUE(pathway().getSelectedNodes().empty());
}

TEST_F(FiltersPageTest, APageOutlivingItsPathwayTouchesNothing) {
    addFilter("Protein Connectivity");
    page->filter(0).slider->setValue(3);
    page->selectorKinds()->setCurrentIndex(0);
    page->addSelectorButton()->click();
    const std::string file = app().pathwayPath();
    app().close();
    page->filter(0).slider->setValue(2);
    page->addFilter();
    page->saveCurrentSelection();
    page->savedSelectionChanged();
    page.reset();

    // The Analyze tab's pages: assembling again on the same pathway replaces
    // the page, whose filters and selection go with it.
    ASSERT_TRUE(app().loadPathway(file));
    auto tab = std::make_unique<AnalyzeTabWidget>(context);
    tab->assemblePages();
    ASSERT_NE(tab->filtersPage(), nullptr);
    tab->filtersPage()->addFilter();
    tab->filtersPage()->filter(0).slider->setValue(3);
    tab->filtersPage()->addSelector();
    ASSERT_LT(visible().size(), all().size());
    ASSERT_FALSE(pathway().getSelectedNodes().empty());
    tab->assemblePages();
    EXPECT_EQ(visible(), all());
    EXPECT_TRUE(pathway().getSelectedNodes().empty());

    // And a page that goes with the window, after the window closed its pathway.
    tab->filtersPage()->addFilter();
    tab->filtersPage()->addSelector();
    app().close();
    tab.reset();
}

TEST_F(FiltersPageTest, AFilteredPathwayAndItsSelectionsSurviveSaveAndReopen) {
    const Ids everyone = all();
    addFilter("Protein Connectivity");
    page->filter(0).slider->setValue(page->filter(0).slider->maximum());
    ASSERT_LT(visible().size(), everyone.size());
    saveSelection(visible(), "Hubs");
    const Ids hubs = pathway().getSelectedNodes();

    const std::string saved = (folder.path() / "saved.pth").string();
    ASSERT_TRUE(pathway().savePathway(saved));
    page.reset();
    ASSERT_TRUE(app().loadPathway(saved));
    EXPECT_EQ(all(), everyone) << "hidden proteins are part of the pathway";
    EXPECT_EQ(visible(), everyone);

    page = std::make_unique<FiltersPage>(context, 190);
    ASSERT_EQ(page->savedSelections()->count(), 1);
    EXPECT_EQ(page->savedSelections()->item(0)->text(), "Hubs");
    page->savedSelections()->item(0)->setSelected(true);
    EXPECT_EQ(pathway().getSelectedNodes(), hubs);
}

}  // namespace
