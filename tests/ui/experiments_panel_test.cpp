// The clustering files and their answer as plain functions, and the
// experiments panel on the built sample pathway with the real k-means program.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBox>

#include "AnalyzeTabFixture.h"
#include "SamplePathway.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "model/Trace.h"
#include "pathway/ExploreEntity.h"
#include "scene/Glyph.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/ExperimentsPanel.h"
#include "ui/ProteinPage.h"
#include "ui/VisualsPage.h"

namespace {

const Vector3 kWhite(1, 1, 1);

// A stand-in clustering program written in the working folder.
QString script(const char* name, const std::string& body) {
    std::ofstream(name) << "#!/bin/sh\n" << body;
    QFile::setPermissions(name, QFile::permissions(name) | QFileDevice::ExeOwner);
    return QDir::current().absoluteFilePath(name);
}

TEST(ClusteringFiles, EntryValuesOnTheEntrysOwnScale) {
    // Blue 0.5 and red 0.8: low -0.5, high 0.8, range 1.3.
    EXPECT_EQ(clustering::entryValues({Vector3(0, 0, 0.5f), Vector3(0.8f, 0.8f, 0)}),
              (std::vector<double>{0.0, 1.0}));
    // Red shades all below 0.25, no blue: marked.
    EXPECT_EQ(clustering::entryValues({Vector3(0.1f, 0.1f, 0), Vector3(0.2f, 0.2f, 0)}),
              (std::vector<double>{100.0, 100.0}));
    // A missing value is no down-regulation: it sits at "no change".
    const std::vector<double> withGap =
        clustering::entryValues({Vector3(0, 0, 0.5f), kWhite, Vector3(0.5f, 0.5f, 0)});
    ASSERT_EQ(withGap.size(), 3u);
    EXPECT_DOUBLE_EQ(withGap[0], 0.0);
    EXPECT_DOUBLE_EQ(withGap[1], 0.5);
    EXPECT_DOUBLE_EQ(withGap[2], 1.0);
    EXPECT_EQ(clustering::entryValues({Vector3(0.9f, 0.9f, 0), kWhite})[1], 0.0);
    // Nothing measured: marked.
    EXPECT_EQ(clustering::entryValues({kWhite, kWhite}), (std::vector<double>{100.0, 100.0}));
}

TEST(ClusteringFiles, ExactBytes) {
    EXPECT_EQ(clustering::dataText({{Vector3(0, 0, 0.5f), Vector3(0.8f, 0.8f, 0)},
                                    {Vector3(0.1f, 0.1f, 0), Vector3(0, 0, 0)},
                                    {Vector3(0, 0, 1), Vector3(1, 1, 0), Vector3(0, 0, 0)}}),
              "0. 1. \n100. 100. \n0. 1. 0.5 \n");
    EXPECT_EQ(clustering::configText(3, 12, 4),
              "show_assignments yes\ndim 3\ndata_size 12\nread_data_pts clustering_data.in\n"
              "silent yes\nkcenters 4\nmax_tot_stage 2000 0 0 0\nmin_consec_rdl 0.01\n"
              "run_kmeans EZ-hybrid\n");
}

TEST(ClusteringAnswer, RegroupingOrders) {
    // Clusters 1, 0, 1: separator, entry 2, separator, entry 3, entry 1, separator.
    EXPECT_EQ(clustering::regroup({1, 0, 1}, 3), (std::vector<int>{-1, 1, -1, 2, 0, -1}));
    // One cluster: the later entry above the earlier.
    EXPECT_EQ(clustering::regroup({0, 0, 0}, 1), (std::vector<int>{-1, 2, 1, 0}));
    // Clusters in reverse store order come out in cluster order.
    EXPECT_EQ(clustering::regroup({2, 1, 0}, 3), (std::vector<int>{-1, 2, -1, 1, -1, 0}));
    // An empty cluster keeps its separator; an entry of cluster -1 is left out.
    EXPECT_EQ(clustering::regroup({0, 2}, 3), (std::vector<int>{-1, 0, -1, -1, 1}));
    EXPECT_EQ(clustering::regroup({1, -1, 0}, 2), (std::vector<int>{-1, 2, -1, 0}));
}

TEST(ClusteringAnswer, ReadsTheBlockAndRefusesWhatDoesNotFit) {
    const std::vector<std::string> good = {
        "header",          "  (Cluster assignments:", "  Point  Centre",
        "  -----  ------", "    0  1  0.5",           "    1  0  0.1"};
    std::vector<int> clusters;
    std::string why;
    ASSERT_TRUE(clustering::readAssignments(good, 2, 2, clusters, why)) << why;
    EXPECT_EQ(clusters, (std::vector<int>{1, 0}));

    EXPECT_FALSE(clustering::readAssignments({"  (Cluster assignments: ", "a", "b", "0 0"}, 1, 1,
                                             clusters, why));
    EXPECT_NE(why.find("no cluster assignments"), std::string::npos);
    // A line without a second field leaves its entry out.
    std::vector<std::string> short_ = good;
    short_.back() = "    1";
    ASSERT_TRUE(clustering::readAssignments(short_, 2, 2, clusters, why)) << why;
    EXPECT_EQ(clusters, (std::vector<int>{1, -1}));
    // c = k, a negative number, a field that is no number.
    EXPECT_FALSE(clustering::readAssignments(good, 2, 1, clusters, why));
    for (const char* line : {"    1  -1  0", "    1  x  0", "    1  1.5  0"}) {
        std::vector<std::string> bad = good;
        bad.back() = line;
        EXPECT_FALSE(clustering::readAssignments(bad, 2, 2, clusters, why)) << line;
    }
    // Fewer lines than entries.
    EXPECT_FALSE(clustering::readAssignments(good, 3, 2, clusters, why));
    EXPECT_NE(why.find("2 of the 3"), std::string::npos) << why;
}

class ExperimentsPanelTest : public SamplePageTest {
protected:
    void makePanel() {
        panel = new ExperimentsPanel(context);
        panel->setClusteringProgram(CORVIDANE_KMEANS_PROGRAM);
    }
    void TearDown() override {
        delete panel;
        SamplePageTest::TearDown();
    }
    const HeatmapSeries& store() { return *pathway()->graph().heatmaps; }
    QListWidget* currentList() { return panel->list(panel->tabs()->currentIndex()); }
    QStringList texts(QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    int entriesOf(const std::string& experiment) {
        int n = 0;
        for (int i = 0; i < store().entryCount(); ++i)
            n += store().experimentAt(i) == experiment;
        return n;
    }
    void expectWarnedAndUnclustered(const char* what) {
        ASSERT_FALSE(dialogs->calls.empty()) << what;
        EXPECT_EQ(dialogs->calls.back().rfind("warning:", 0), 0u) << what;
        dialogs->calls.clear();
        QStringList sorted = texts(currentList());
        EXPECT_FALSE(sorted.contains(ExperimentsPanel::kSeparator)) << what;
        EXPECT_EQ(sorted.size(), entriesOf(panel->currentExperimentName())) << what;
        QStringList expected = sorted;
        expected.sort();
        EXPECT_EQ(sorted, expected) << what;
    }

    ExperimentsPanel* panel = nullptr;
};

TEST_F(ExperimentsPanelTest, OneTabPerExperimentWithItsEntries) {
    ASSERT_NE(pathway()->graph().heatmaps, nullptr);
    Array<std::string> names;
    store().experimentNames(names);
    ASSERT_GE(names.size(), 2u);
    makePanel();

    EXPECT_EQ(panel->maximumWidth(), 300);
    ASSERT_EQ(panel->tabs()->count(), static_cast<int>(names.size()));
    EXPECT_EQ(panel->tabs()->currentIndex(), panel->tabs()->count() - 1);
    for (int t = 0; t < panel->tabs()->count(); ++t) {
        EXPECT_EQ(panel->tabs()->tabText(t).toStdString(), names[t]);
        EXPECT_EQ(panel->list(t)->count(), entriesOf(names[t]));
    }
    EXPECT_EQ(panel->currentExperimentName(), names.back());

    // An entry's text, tool tip and colour strip.
    const int entry = [&] {
        for (int i = 0; i < store().entryCount(); ++i) {
            if (store().experimentAt(i) == names.back())
                return i;
        }
        return -1;
    }();
    ASSERT_GE(entry, 0);
    const std::string text = pathway()->graph().getProteinName(store().proteinAt(entry)) + " @ " +
                             beforeDelimiter(store().detailAt(entry), "_");
    const auto found = currentList()->findItems(QString::fromStdString(text), Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << text;
    EXPECT_EQ(found[0]->toolTip().toStdString(), text + "\n" + store().noteAt(entry));
    // Drawn at the size shown: 5 pixels a value, as 25 x 50 scaled into 60 x 10.
    EXPECT_EQ(found[0]->icon().availableSizes().value(0),
              QSize(5 * static_cast<int>(store().coloursAt(entry).size()), 10));
}

TEST_F(ExperimentsPanelTest, ClustersTheCurrentExperimentWithTheProgram) {
    makePanel();
    const int n = currentList()->count();
    ASSERT_GE(n, 3);
    panel->kBox()->setValue(3);
    QTest::mouseClick(panel->clusterButton(), Qt::LeftButton);
    EXPECT_EQ(dialogs->calls, std::vector<std::string>{"progress:Clustering..."});

    const QStringList rows = texts(currentList());
    EXPECT_EQ(rows.size(), n + 3);
    EXPECT_EQ(rows.count(ExperimentsPanel::kSeparator), 3);
    EXPECT_EQ(rows.front(), ExperimentsPanel::kSeparator);
    // The files stay, with one data line per entry.
    std::ifstream data("clustering_data.in");
    int lines = 0;
    for (std::string line; std::getline(data, line);)
        ++lines;
    EXPECT_EQ(lines, n);
    std::ifstream out("clustering.out");
    std::stringstream answer;
    answer << out.rdbuf();
    EXPECT_NE(answer.str().find("  (Cluster assignments:\n"), std::string::npos);

    // A separator is no protein: choosing or double-clicking it does nothing.
    currentList()->setCurrentRow(0);
    panel->experimentDoubleClick(currentList()->item(0));
    EXPECT_FALSE(app().isExploring());
    // Refilling undoes the grouping.
    panel->cluster(-1);
    EXPECT_EQ(currentList()->count(), n);
}

TEST_F(ExperimentsPanelTest, EveryClusteringFailureIsToldAndLeavesTheListUnclustered) {
    makePanel();
    const int n = currentList()->count();
    panel->cluster(0);
    expectWarnedAndUnclustered("k = 0");
    panel->cluster(n + 1);
    expectWarnedAndUnclustered("k > N");

    panel->setClusteringProgram(QDir::current().absoluteFilePath("no-such-program"));
    panel->cluster(2);
    expectWarnedAndUnclustered("missing program");

    panel->setClusteringProgram(script("quiet.sh", "echo nothing here\n"));
    panel->cluster(2);
    expectWarnedAndUnclustered("no marker");

    std::string everyLine;
    for (int i = 0; i < n; ++i)
        everyLine += "echo '  " + std::to_string(i) + "  2  0.1'\n";
    panel->setClusteringProgram(
        script("toolarge.sh", "echo '  (Cluster assignments:'\necho h1\necho h2\n" + everyLine));
    panel->cluster(2);
    expectWarnedAndUnclustered("c = k");

    panel->setClusteringProgram(script("fails.sh", "echo '  (Cluster assignments:'\nexit 3\n"));
    panel->cluster(2);
    ASSERT_FALSE(dialogs->calls.empty());
    EXPECT_NE(dialogs->calls.back().find("exit status 3"), std::string::npos)
        << dialogs->calls.back();
    expectWarnedAndUnclustered("exit status");

    // Entries with different numbers of values cannot be points of one space.
    HeatmapSeries& series = *pathway()->graph().heatmaps;
    series.addEntry("", series.proteinAt(0), "extra", "", panel->currentExperimentName(), "",
                    HeatmapColours{Vector3(0, 0, 0)});
    panel->cluster(-1);
    panel->setClusteringProgram(CORVIDANE_KMEANS_PROGRAM);
    panel->cluster(2);
    ASSERT_FALSE(dialogs->calls.empty());
    EXPECT_NE(dialogs->calls.back().find("same number of values"), std::string::npos);
    expectWarnedAndUnclustered("unequal colour counts");
}

TEST_F(ExperimentsPanelTest, AnEntryOfManyValuesGetsAStripOfTheShownSize) {
    HeatmapColours many(100000, Vector3(0, 0, 1));
    many.front() = Vector3(1, 0, 0);
    many.back() = Vector3(0, 1, 0);
    many[99999 * 59 / 60 - 10] = Vector3(std::nanf(""), 2, -1);  // not drawn
    HeatmapSeries& series = *pathway()->graph().heatmaps;
    Array<std::string> names;
    series.experimentNames(names);
    series.addEntry("", series.proteinAt(0), "many", "", names.back(), "", many);
    makePanel();
    const auto found = currentList()->findItems("@ many", Qt::MatchEndsWith);
    ASSERT_EQ(found.size(), 1);
    const QIcon icon = found[0]->icon();
    ASSERT_EQ(icon.availableSizes(), QList<QSize>{QSize(60, 10)});
    const QImage strip = icon.pixmap(QSize(60, 10)).toImage();
    EXPECT_EQ(strip.pixel(0, 9), qRgb(255, 0, 0));
    EXPECT_EQ(strip.pixel(30, 0), qRgb(0, 0, 255));
    EXPECT_EQ(strip.pixel(59, 5), qRgb(0, 0, 255)) << "column 59 shows value 98333";
}

TEST_F(ExperimentsPanelTest, TheWindowLivesWhileTheProgramRunsAndCancelChangesNothing) {
    makePanel();
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    panel->cluster(2);
    const QStringList grouped = texts(currentList());
    ASSERT_EQ(grouped.count(ExperimentsPanel::kSeparator), 2);

    // The real dialog, its Cancel clicked by a timer that fires while the
    // program sleeps: the event loop goes on.
    panel->setClusteringProgram(script("sleeps.sh", "exec sleep 30\n"));
    dialogs->realProgress = true;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (++ticks != 5)
            return;
        auto* progress = panel->findChild<QProgressDialog*>();
        ASSERT_NE(progress, nullptr);
        QPushButton* cancel = progress->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->text(), "Cancel");
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    ticker.start(20);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(panel->clusterButton(), Qt::LeftButton);
    EXPECT_LT(clock.elapsed(), 20000) << "the program was not stopped";
    EXPECT_GE(ticks, 5) << "the event loop stood still";
    EXPECT_EQ(panel->findChild<QProgressDialog*>(), nullptr);
    EXPECT_EQ(texts(currentList()), grouped);
    EXPECT_EQ(dialogs->calls.back(), "progress:Clustering...");

    // Past its time limit the program is stopped, the user told, the list kept.
    dialogs->realProgress = false;
    panel->setClusteringTimeLimit(200);
    panel->cluster(3);
    EXPECT_EQ(dialogs->calls.back(),
              "warning:Could not cluster \"" + panel->currentExperimentName() +
                  "\": the clustering program did not finish within 0.2 s; it was stopped.");
    EXPECT_EQ(texts(currentList()), grouped);
    EXPECT_FALSE(dialogs->cancelProgress) << "the progress stayed open";
}

TEST_F(ExperimentsPanelTest, ClusteringFilesAreWrittenAfreshAndShortLinesLeaveEntriesOut) {
    makePanel();
    const int n = currentList()->count();
    // FIFOs would block whoever opens them.
    for (const char* name : {"clustering_data.in", "clustering.out"}) {
        ASSERT_EQ(::mkfifo(name, 0600), 0) << name;
    }
    std::string lines = "echo '  (Cluster assignments:'\necho h1\necho h2\necho '    0'\n";
    for (int i = 1; i < n; ++i)
        lines += "echo '  " + std::to_string(i) + "  0  0.1'\n";
    panel->setClusteringProgram(script("short.sh", lines));
    testing::internal::CaptureStdout();
    panel->cluster(1);
    traceFlush();
    const std::string traced = testing::internal::GetCapturedStdout();
    EXPECT_EQ(dialogs->calls, std::vector<std::string>{"progress:Clustering..."});
    EXPECT_TRUE(std::filesystem::is_regular_file("clustering_data.in"));
    // One colour-count line per entry.
    const std::string dim = std::to_string(store().coloursAt(0).size()) + "\n";
    std::size_t counted = 0;
    for (std::size_t at = traced.find(dim); at != std::string::npos;
         at = traced.find(dim, at + 1)) {
        counted += at == 0 || traced[at - 1] == '\n';
    }
    EXPECT_GE(counted, static_cast<std::size_t>(n));
    EXPECT_EQ(currentList()->count(), n) << "the first entry is left out, a separator added";
}

TEST_F(ExperimentsPanelTest, WithoutExperimentsThePanelStaysCollapsed) {
    pathway()->graph().heatmaps.reset();
    makePanel();
    EXPECT_EQ(panel->tabs()->count(), 0);
    EXPECT_EQ(panel->maximumWidth(), 10);
    EXPECT_EQ(panel->currentExperimentName(), "");
    panel->cluster(3);
    panel->cluster(-1);
    EXPECT_TRUE(dialogs->calls.empty());
}

}  // namespace

namespace {

// The panel and the Visuals page as the Analyze tab builds and removes them.
class AssembledPanelTest : public SamplePathwayTest {
protected:
    AnalyzeTabWidget& tab() { return *window->analyzeTab(); }
    void assemble() {
        testing::internal::CaptureStdout();
        tab().assemblePages();
        testing::internal::GetCapturedStdout();
        if (ExperimentsPanel* panel = tab().experimentsPanel()) {
            panel->setClusteringProgram(CORVIDANE_KMEANS_PROGRAM);
        }
    }
};

TEST_F(AssembledPanelTest, PlacedBetweenTheTabsAndTheViewAndRemovedWithThePages) {
    assemble();
    assemble();
    ExperimentsPanel* panel = tab().experimentsPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(window->splitter()->count(), 3);
    EXPECT_EQ(window->splitter()->indexOf(panel), 1);
    ASSERT_NE(tab().visualsPage(), nullptr);
    EXPECT_EQ(tab().toolBox()->indexOf(tab().visualsPage()), 3);
    EXPECT_EQ(tab().toolBox()->itemText(3), "Visuals");
    EXPECT_EQ(app().currentTabName(), panel->currentExperimentName());

    tab().setLayoutRunning(true);
    EXPECT_TRUE(tab().visualsPage()->adjustButton()->isChecked());
    panel->cluster(2);
    EXPECT_EQ(dialogs->calls, std::vector<std::string>{"progress:Clustering..."});

    // The pages may go while the program runs: the run ends quietly.
    panel->setClusteringProgram(script("sleeps.sh", "exec sleep 30\n"));
    testing::internal::CaptureStdout();
    QTimer::singleShot(100, [&] { tab().resetForPathway(); });
    QElapsedTimer clock;
    clock.start();
    panel->cluster(2);
    testing::internal::GetCapturedStdout();
    EXPECT_LT(clock.elapsed(), 10000) << "the program outlived the panel";
    EXPECT_EQ(tab().experimentsPanel(), nullptr);
    EXPECT_EQ(window->splitter()->count(), 2);
    EXPECT_EQ(app().pathway(), nullptr);
}

using PanelOfTheTab = WithAnalyzeTab<SamplePageTest>;

TEST_F(PanelOfTheTab, DoubleClickExploresAndATabChangeRefreshesTheView) {
    ExperimentsPanel* panel = tab->experimentsPanel();
    ASSERT_NE(panel, nullptr);
    QListWidget* list = panel->list(panel->tabs()->currentIndex());
    ASSERT_GT(list->count(), 1);

    QListWidgetItem* first = list->item(0);
    const QString protein = first->text().section(" @ ", 0, 0);
    list->setCurrentRow(0);
    ASSERT_NE(tab->proteinPage()->list()->currentItem(), nullptr);
    EXPECT_EQ(tab->proteinPage()->list()->currentItem()->text(), protein);

    testing::internal::CaptureStdout();
    panel->experimentDoubleClick(first);
    const bool opened = exploring();
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(opened);
    EXPECT_EQ(tab->proteinPage()->list()->currentItem()->text(), protein);

    // The plane takes the transparency at once while the view is open.
    tab->visualsPage()->explorePlaneAlphaSlider()->setValue(40);
    EXPECT_FLOAT_EQ(app().exploreView()->getColor().a, 0.4f);

    // Another tab: the open view now shows that experiment.
    testing::internal::CaptureStdout();
    panel->tabs()->setCurrentIndex(0);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(app().isExploring());
    EXPECT_EQ(app().currentTabName(), panel->tabs()->tabText(0).toStdString());
    int heatmapFactories = 0;
    for (GlyphFactory* factory : app().exploreView()->glyphFactories) {
        if (factory->name != "HeatmapGlyph")
            continue;
        ++heatmapFactories;
        EXPECT_EQ(static_cast<HeatmapGlyphFactory*>(factory)->experiment,
                  panel->tabs()->tabText(0).toStdString());
    }
    EXPECT_GT(heatmapFactories, 0);

    // Double-clicking another entry leaves the view and explores from the pathway.
    QListWidget* other = panel->list(0);
    QListWidgetItem* last = other->item(other->count() - 1);
    testing::internal::CaptureStdout();
    panel->experimentDoubleClick(last);
    const bool reopened = exploring();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(reopened);
    EXPECT_EQ(tab->proteinPage()->list()->currentItem()->text(), last->text().section(" @ ", 0, 0));
}

}  // namespace
