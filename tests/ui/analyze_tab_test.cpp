#include <memory>
#include <string>

#include <QCoreApplication>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBox>

#include "AnalyzeTabFixture.h"
#include "KeyScript.h"
#include "PageFixture.h"
#include "SamplePathway.h"
#include "StdoutCapture.h"
#include "WindowFixture.h"
#include "app/App.h"
#include "model/Property.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "ui/AnalyzeCards.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/FiltersPage.h"
#include "ui/InteractionPage.h"
#include "ui/ProteinPage.h"
#include "ui/RenderWindow.h"
#include "ui/VisualsPage.h"

namespace {

const std::string kTeal = "<p><font color=\"#008080\"><b>";

QStringList texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) {
        out << list->item(i)->text();
    }
    return out;
}

QString current(const QListWidget* list) {
    return list->currentItem() ? list->currentItem()->text() : QString();
}

// A pathway made by hand in the graph only: "p53" and "P53" are two proteins,
// both bound to MDM2.
class AnalyzeTab : public WithAnalyzeTab<PageTest> {
protected:
    void SetUp() override {
        core.createPathway((folder.path() / "hand.pth").string());
        graph = &core.pathway()->graph();
        addProtein("P1", "p53", "tumour suppressor");
        addProtein("P2", "P53", "other");
        addProtein("P3", "MDM2", "ligase");
        graph->addEdge("P1", "P3");
        graph->addEdge("P2", "P3");
        graph->addEdgeProperty("P3", "P1", std::make_unique<Property>("confidence", "900"));
        graph->setRating("annotation", 1);
        graph->setRating("confidence", 1);
        graph->setRating("links", 2);
        core.pathway()->setHasNetwork(true);
        makeTab();
    }

    void addProtein(const std::string& id, const std::string& name, const std::string& note) {
        graph->addNode(id);
        graph->setProteinName(id, name);
        graph->addNodeProperty(id, std::make_unique<Property>("annotation", note));
        graph->addNodeProperty(id, std::make_unique<Property>("links", "http://x.org/" + id));
    }

    std::string cardOf(const std::string& name, const std::string& note, const std::string& id) {
        return kTeal + "Id: </b></font>" + name + "</p>" + kTeal + "annotation: </b></font><br>" +
               note + "<br></p>" + kTeal + "links: </b></font><br><a href=\"http://x.org/" + id +
               "\">http://x.org/" + id + "</a><br></p>";
    }

    ProteinGraph* graph = nullptr;
};

TEST_F(AnalyzeTab, AssemblesFourPagesInOrderWithSortedListsAndRebuildsWithoutDuplicates) {
    QToolBox* toolbox = tab->toolBox();
    ASSERT_EQ(toolbox->count(), 4);
    EXPECT_EQ(toolbox->itemText(0), "Protein");
    EXPECT_EQ(toolbox->itemText(1), "Interaction");
    EXPECT_EQ(toolbox->itemText(2), "Filters and Selectors");
    EXPECT_EQ(toolbox->itemText(3), "Visuals");
    EXPECT_EQ(toolbox->widget(2), tab->filtersPage());
    EXPECT_EQ(toolbox->widget(3), tab->visualsPage());
    EXPECT_EQ(toolbox->currentIndex(), 0);
    EXPECT_EQ(tab->experimentsPanel(), nullptr);
    EXPECT_TRUE(tab->pagesAssembled());
    EXPECT_EQ(texts(tab->proteinPage()->list()), QStringList({"MDM2", "P53", "p53"}));
    EXPECT_EQ(texts(tab->interactionPage()->firstList()), QStringList({"MDM2", "P53", "p53"}));
    EXPECT_EQ(tab->interactionPage()->secondList()->count(), 0);

    // A second assembly (a reload) replaces the pages instead of adding to them.
    tab->assemblePages();
    ASSERT_EQ(toolbox->count(), 4);
    EXPECT_EQ(toolbox->widget(2), tab->filtersPage());
    EXPECT_EQ(texts(tab->proteinPage()->list()), QStringList({"MDM2", "P53", "p53"}));
}

TEST_F(AnalyzeTab, ProteinCardShowsTheRatedPropertiesOfTheChosenProtein) {
    tab->proteinPage()->list()->setCurrentRow(2);
    EXPECT_EQ(tab->proteinPage()->cardHtml(), cardOf("p53", "tumour suppressor", "P1"));
    // Filtered out since the list was filled: the no-information text.
    graph->addTag("P3", "filter");
    tab->proteinPage()->list()->setCurrentRow(0);
    EXPECT_EQ(tab->proteinPage()->cardHtml(), analyzecards::noProteinCard());
}

TEST_F(AnalyzeTab, SelectProteinInListPrefersTheExactNameAndRefreshesTheSameProteinTwice) {
    tab->toolBox()->setCurrentIndex(3);
    tab->selectProteinInList("p53");
    EXPECT_EQ(tab->toolBox()->currentIndex(), 0);
    EXPECT_EQ(current(tab->proteinPage()->list()), "p53");
    tab->selectProteinInList("P53");
    EXPECT_EQ(current(tab->proteinPage()->list()), "P53");
    EXPECT_EQ(tab->proteinPage()->cardHtml(), cardOf("P53", "other", "P2"));

    // Only the letter case differs: the case-insensitive match is taken.
    tab->selectProteinInList("mdm2");
    EXPECT_EQ(current(tab->proteinPage()->list()), "MDM2");

    // The same protein again refreshes its card although the item stays current.
    graph->getNodeProperties("P3")->getProperty("annotation")->setValue("E3 ligase");
    tab->selectProteinInList("MDM2");
    EXPECT_EQ(tab->proteinPage()->cardHtml(), cardOf("MDM2", "E3 ligase", "P3"));

    tab->selectProteinInList("TP73");
    EXPECT_EQ(tab->proteinPage()->list()->currentItem(), nullptr);
    EXPECT_EQ(tab->proteinPage()->cardHtml(), analyzecards::noProteinCard());
}

TEST_F(AnalyzeTab, InteractionListsFollowTheFirstProteinAndShowTheInteractionCard) {
    tab->selectInteractionInLists("MDM2", "p53");
    EXPECT_EQ(tab->toolBox()->currentIndex(), 1);
    EXPECT_EQ(texts(tab->interactionPage()->secondList()), QStringList({"P53", "p53"}));
    EXPECT_EQ(current(tab->interactionPage()->secondList()), "p53");
    EXPECT_EQ(tab->interactionPage()->cardHtml(), kTeal + "Interaction: </b></font>MDM2 - p53</p>" +
                                                      kTeal +
                                                      "confidence: </b></font><br>900<br></p>");

    // A partner that is not listed leaves the second list without a current item.
    tab->selectInteractionInLists("p53", "P53");
    EXPECT_EQ(texts(tab->interactionPage()->secondList()), QStringList({"MDM2"}));
    EXPECT_EQ(tab->interactionPage()->secondList()->currentItem(), nullptr);

    // A filtered-out protein has no partners to offer.
    graph->addTag("P3", "filter");
    tab->interactionPage()->firstList()->setCurrentRow(0);
    EXPECT_EQ(tab->interactionPage()->secondList()->count(), 0);
    EXPECT_EQ(tab->interactionPage()->cardHtml(), analyzecards::noInteractionCard());
}

TEST_F(AnalyzeTab, StaleListsAreRefilledOnceWhenTheirPageIsShown) {
    graph->setProteinName("P3", "HDM2");
    tab->markListsStale();
    tab->toolBox()->setCurrentIndex(1);
    EXPECT_EQ(texts(tab->interactionPage()->firstList()), QStringList({"HDM2", "P53", "p53"}));
    EXPECT_FALSE(tab->interactionListStale());
    // The protein list waits for its own page.
    EXPECT_TRUE(tab->proteinListStale());
    EXPECT_EQ(texts(tab->proteinPage()->list()), QStringList({"MDM2", "P53", "p53"}));

    // Not stale any more: switching back and forth refills nothing.
    graph->setProteinName("P2", "TP53");
    tab->toolBox()->setCurrentIndex(0);
    tab->toolBox()->setCurrentIndex(1);
    EXPECT_EQ(texts(tab->interactionPage()->firstList()), QStringList({"HDM2", "P53", "p53"}));
    EXPECT_EQ(texts(tab->proteinPage()->list()), QStringList({"HDM2", "TP53", "p53"}));

    // An edit refreshes both at once.
    graph->setProteinName("P1", "TP53a");
    tab->listsChanged();
    EXPECT_EQ(texts(tab->proteinPage()->list()), QStringList({"HDM2", "TP53", "TP53a"}));
    EXPECT_EQ(texts(tab->interactionPage()->firstList()), QStringList({"HDM2", "TP53", "TP53a"}));
}

TEST_F(AnalyzeTab, ResetTearsEverythingDownEvenTwiceAndWithStaleListsOnPageOne) {
    const QSignalSpy closed(tab.get(), &AnalyzeTabWidget::pathwayClosed);
    tab->toolBox()->setCurrentIndex(1);
    tab->markListsStale();
    tab->resetForPathway();
    EXPECT_EQ(tab->toolBox()->count(), 0);
    EXPECT_EQ(tab->proteinPage(), nullptr);
    EXPECT_EQ(tab->interactionPage(), nullptr);
    EXPECT_EQ(tab->filtersPage(), nullptr);
    EXPECT_EQ(tab->visualsPage(), nullptr);
    EXPECT_EQ(tab->experimentsPanel(), nullptr);
    EXPECT_FALSE(tab->pagesAssembled());
    EXPECT_EQ(app().pathway(), nullptr);
    EXPECT_EQ(closed.count(), 1);

    tab->resetForPathway();
    EXPECT_EQ(tab->toolBox()->count(), 0);
    // Calls from the scene core find no lists and do nothing.
    tab->selectProteinInList("p53");
    tab->selectInteractionInLists("p53", "MDM2");
    tab->listsChanged();
    tab->exploreSelected();
    EXPECT_EQ(tab->currentExperimentName(), "");
}

TEST_F(AnalyzeTab, ExploreIsUncheckedWheneverExploringDoesNotStart) {
    QPushButton* explore = tab->proteinPage()->exploreButton();
    ASSERT_TRUE(explore->isCheckable());
    // No current protein.
    QTest::mouseClick(explore, Qt::LeftButton);
    EXPECT_FALSE(explore->isChecked());
    // A protein without a node in the scene cannot be explored around.
    tab->proteinPage()->list()->setCurrentRow(0);
    tab->exploreSelected();
    EXPECT_FALSE(explore->isChecked());
    EXPECT_FALSE(app().isExploring());
}

TEST_F(AnalyzeTab, InfoDialogsAreMadeAnewEachTimeAndDeletedWhenClosed) {
    tab->proteinPage()->openInfoPopup();
    EXPECT_EQ(tab->lastInfoDialog(), nullptr);

    graph->addNodeProperty("P1", std::make_unique<Property>("experimental", "in vivo#x#src"));
    tab->proteinPage()->list()->setCurrentRow(2);
    tab->proteinPage()->openInfoPopup();
    QPointer<QDialog> first = tab->lastInfoDialog();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), "info for p53");
    EXPECT_EQ(tab->infoDialogHtml(),
              analyzecards::proteinDialogText("P1", graph->getNodeProperties("P1")));
    tab->proteinPage()->openInfoPopup();
    QPointer<QDialog> second = tab->lastInfoDialog();
    EXPECT_NE(second, first);
    EXPECT_NE(first, nullptr);

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(tab->lastInfoDialog(), second.data());

    tab->selectInteractionInLists("MDM2", "p53");
    tab->interactionPage()->openInfoPopup();
    EXPECT_EQ(tab->lastInfoDialog()->windowTitle(), "info for MDM2<->p53");
    EXPECT_EQ(tab->infoDialogHtml(), kTeal + "Confidence: </b></font>900</p>");
}

TEST_F(AnalyzeTab, ControlKeyIsForwardedToTheSceneCore) {
    QTest::keyPress(tab.get(), Qt::Key_Control);
    EXPECT_TRUE(app().isControlDown());
    QTest::keyRelease(tab.get(), Qt::Key_Control);
    EXPECT_FALSE(app().isControlDown());
    // Escape while not exploring leaves the button as it is.
    QTest::keyClick(tab.get(), Qt::Key_Escape);
    EXPECT_FALSE(app().isExploring());
}

}  // namespace

namespace {

// The built sample open with its pages assembled.
using AnalyzeSample = WithAnalyzeTab<SamplePageTest>;

TEST_F(AnalyzeSample, ExploresAroundTheChosenProteinAndEscapeLeaves) {
    QPushButton* explore = tab->proteinPage()->exploreButton();
    tab->selectProteinInList("EGFR");
    QTest::mouseClick(explore, Qt::LeftButton);
    EXPECT_TRUE(explore->isChecked());
    EXPECT_FALSE(services.timers.empty());
    ASSERT_TRUE(exploring());

    QTest::keyClick(tab.get(), Qt::Key_Escape);
    EXPECT_FALSE(app().isExploring());
    EXPECT_FALSE(explore->isChecked());

    // As a double click in the view asks for it.
    tab->exploreSelected();
    EXPECT_TRUE(explore->isChecked());
    EXPECT_TRUE(app().isExploring() || app().isExplorePending());
    QTest::mouseClick(explore, Qt::LeftButton);
    EXPECT_FALSE(app().isExploring() || app().isExplorePending());
}

TEST_F(AnalyzeSample, DeleteInTheProteinListRemovesTheProteinFromBothLists) {
    tab->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tab.get()));
    tab->selectProteinInList("GRB2");
    // Tests in parallel share one X server, whose focus any of them may hold.
    tab->proteinPage()->list()->setFocus();
    ASSERT_EQ(tab->focusWidget(), tab->proteinPage()->list());
    const int before = tab->proteinPage()->list()->count();
    QTest::keyClick(tab->proteinPage()->list(), Qt::Key_Delete);
    EXPECT_EQ(tab->proteinPage()->list()->count(), before - 1);
    EXPECT_TRUE(tab->proteinPage()->list()->findItems("GRB2", Qt::MatchExactly).isEmpty());
    EXPECT_TRUE(tab->interactionPage()->firstList()->findItems("GRB2", Qt::MatchExactly).isEmpty());
    EXPECT_FALSE(tab->proteinListStale());
    EXPECT_FALSE(tab->interactionListStale());
    EXPECT_EQ(tab->proteinPage()->cardHtml(), analyzecards::noProteinCard());
}

// The tab beside the view, whose context menu edits what the lists show.
class AnalyzeInWindow : public SamplePathwayTest {
protected:
    void SetUp() override {
        SamplePathwayTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        tab = window->analyzeTab();
        tab->assemblePages();
        window->tabWidget()->setTabEnabled(2, true);
        window->tabWidget()->setCurrentIndex(2);
    }

    AnalyzeTabWidget* tab = nullptr;
};

TEST_F(AnalyzeInWindow, CardsDescribeWhatIsSelectedNow) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const auto clickItem = [](QListWidget* list, const QString& text) {
        QListWidgetItem* item = list->findItems(text, Qt::MatchExactly).value(0);
        ASSERT_NE(item, nullptr) << text.toStdString();
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
    };
    // Control and a right click beside the pathway offer the selected
    // protein's entries; `downs` arrows choose one.
    RenderWindow* view = window->renderWindow();
    const auto menuEntry = [&](int downs) {
        KeyScript script;
        script.then("menu", KeyScript::menu, [downs](QWidget*) {
            for (int i = 0; i < downs; ++i)
                QTest::keyClick(KeyScript::routed, Qt::Key_Down);
            QTest::keyClick(KeyScript::routed, Qt::Key_Return);
        });
        QTest::keyPress(view, Qt::Key_Control);
        stdoutOf([&] { QTest::mouseClick(view, Qt::RightButton, Qt::ControlModifier, {3, 3}); });
        QTest::keyRelease(view, Qt::Key_Control);
        EXPECT_TRUE(script.done()) << script.failure;
    };
    QListWidget* proteins = tab->proteinPage()->list();

    clickItem(proteins, "EGFR");
    ASSERT_TRUE(contains(tab->proteinPage()->cardHtml(), "Id: </b></font>EGFR</p>"));
    dialogs->texts.push_back(QString("EGFR2"));
    menuEntry(2);  // "&Rename"
    EXPECT_EQ(current(proteins), "EGFR2");
    EXPECT_TRUE(contains(tab->proteinPage()->cardHtml(), "Id: </b></font>EGFR2</p>"));

    // A new first protein: the pair before is no longer chosen.
    tab->toolBox()->setCurrentIndex(1);
    clickItem(tab->interactionPage()->firstList(), "GRB2");
    clickItem(tab->interactionPage()->secondList(), "EGFR2");
    EXPECT_TRUE(contains(tab->interactionPage()->cardHtml(), "GRB2 - EGFR2"));
    clickItem(tab->interactionPage()->firstList(), "SHC1");
    EXPECT_EQ(tab->interactionPage()->cardHtml(), "");

    tab->toolBox()->setCurrentIndex(0);
    clickItem(proteins, "EGFR2");
    menuEntry(1);  // "&Delete"
    EXPECT_EQ(proteins->currentItem(), nullptr);
    EXPECT_EQ(tab->proteinPage()->cardHtml(), analyzecards::noProteinCard());
}

}  // namespace
