#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolBox>

#include "PageFixture.h"
#include "SamplePathways.h"
#include "WindowFixture.h"
#include "app/App.h"
#include "datasources/HPRDDataSource.h"
#include "datasources/StringDataSource.h"
#include "datasources/string_test_server.h"
#include "model/HeatmapSeries.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/CreateTabWidget.h"
#include "ui/OpenTabWidget.h"
#include "ui/ProteinFinder.h"
#include "ui/QtDialogs.h"
#include "ui/RenderWindow.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSamples = fs::path(CORVIDANE_SOURCE_DIR) / "samples";

// The tab's steps, on the tab alone or in the window.
template <typename Base>
class CreateTabSteps : public Base {
protected:
    virtual CreateTabWidget* tab() const = 0;
    QString scratch(const char* name) const {
        return QString::fromStdString((this->folder.path() / name).string());
    }
    void click(QAbstractButton* button) {
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // The source page's "Next" with the save dialog answering `file`.
    void next(const QString& file) {
        this->dialogs->saveFiles.push_back(file);
        click(tab()->sourceNextButton());
    }
    // What the place-protein tool leaves: a node and its seed line.
    void placeSeed(const std::string& label, const std::string& id, float x, float y) {
        this->app().pathway()->createNode(CoordinateFrame(Vector3(x, y, 0.1f)), label, true);
        this->app().pathway()->nodeToIdLines().push_back(id + "#" + label);
    }
    bool asked(const std::string& call) const {
        const std::vector<std::string>& calls = this->dialogs->calls;
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
    static std::string bytesOf(const QString& path) {
        std::ifstream in(path.toStdString(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // The source page as it is fresh: nothing past it, choices open.
    void expectFreshSourcePage() {
        EXPECT_FALSE(tab()->advanced());
        ASSERT_NE(tab()->sourceNextButton(), nullptr);
        EXPECT_TRUE(tab()->sourceNextButton()->isEnabled());
        EXPECT_TRUE(tab()->sourcesGroup()->isEnabled());
        EXPECT_TRUE(tab()->hprdButton()->isChecked());
        EXPECT_TRUE(tab()->standardButton()->isChecked());
        EXPECT_EQ(tab()->drawingGroup(), nullptr);
        EXPECT_EQ(tab()->painterNextButton(), nullptr);
        EXPECT_EQ(tab()->parametersGroup(), nullptr);
        EXPECT_EQ(tab()->experiments(), nullptr);
    }
};

class CreatePageTest : public CreateTabSteps<PageTest> {
protected:
    CreateTabWidget* tab() const override { return page.get(); }
    std::unique_ptr<CreateTabWidget> page = std::make_unique<CreateTabWidget>(context);
};

class CreateTabTest : public CreateTabSteps<WindowTest> {
protected:
    CreateTabWidget* tab() const override { return window->createTab(); }
    // Skips (fails under CI) without the tests' PostgreSQL; callers return
    // when the test is then skipped or failed.
    void requireStringServer() {
        pointOdbcAtTestServer();
        if (StringDataSource("postgre").isOpen())
            return;
        if (runningUnderCi())
            FAIL() << "the test database is not reachable";
        GTEST_SKIP() << "no test database (run scripts/services start)";
    }
    // The STRING sample opened from the File tab, its species answered; the
    // copy of an earlier call is opened as it is.
    void openStringSample() {
        for (const char* name : {"egfr_string.pth", "egfr_background.png"}) {
            fs::copy_file(kSamples / name, folder.path() / name, fs::copy_options::skip_existing);
        }
        dialogs->items.push_back(QString("Human"));
        ASSERT_TRUE(window->fileTab()->openPathway(scratch("egfr_string.pth").toStdString()));
    }
    // The next protein asked for is chosen in the real finder by typing `text`,
    // Return and a click on the match named `name`.
    void typeIntoTheFinder(const QString& text, const QString& name) {
        dialogs->finder = [=](App& app, const ImageProcessorSelection* region, std::string& label,
                              std::string& id) {
            QTimer::singleShot(0, [=] {
                auto* finder = qobject_cast<ProteinFinder*>(QApplication::activeModalWidget());
                ASSERT_NE(finder, nullptr);
                QTest::keyClicks(finder->searchBox(), text);
                QTest::keyClick(finder->searchBox(), Qt::Key_Return);
                const auto found = finder->matchList()->findItems(name, Qt::MatchExactly);
                if (found.isEmpty()) {
                    ADD_FAILURE() << "no match named " << name.toStdString();
                    finder->reject();
                    return;
                }
                QListWidget* list = finder->matchList();
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(found[0]).center());
                QTest::mouseClick(finder->placeButton(), Qt::LeftButton);
            });
            return QtDialogs().findProtein(nullptr, app, region, label, id);
        };
    }
    void showWindow() {
        window->resize(900, 700);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void clickView(double fx, double fy) {
        QWidget* view = window->renderWindow();
        QTest::mouseClick(
            view, Qt::LeftButton, {},
            QPoint(static_cast<int>(view->width() * fx), static_cast<int>(view->height() * fy)));
    }
};

const char* const kWarnFileName = "warning:You need to specify a file name. Aborting.";

TEST_F(CreatePageTest, FreshTabOffersHprdAndStandard) {
    expectFreshSourcePage();
    EXPECT_EQ(tab()->startOverButton()->text(), "Start over");
    EXPECT_EQ(tab()->sourcesGroup()->title(), "Available Datasources");
    EXPECT_EQ(tab()->buildModeGroup()->title(), "Build mode");
    EXPECT_EQ(tab()->experimentsGroup()->title(), "Experimental Data");
    EXPECT_FALSE(tab()->stringButton()->isEnabled());
    EXPECT_FALSE(tab()->allExperimentalButton()->isChecked());
    EXPECT_EQ(tab()->paintButton()->text(), "Paint on image");
    EXPECT_EQ(tab()->existingButton()->text(), "From existing");
    EXPECT_LE(tab()->sourceNextButton()->maximumWidth(), 60);
    EXPECT_EQ(app().pathway(), nullptr);
}

TEST_F(CreatePageTest, CancelledSaveNameReturnsToTheSourcePageAndKeepsWhatWasOpen) {
    app().createPathway(scratch("open.pth").toStdString());
    PathwayLayoutEntity* open = app().pathway();
    tab()->paintButton()->setChecked(true);
    click(tab()->sourceNextButton());
    EXPECT_TRUE(asked("save:Choose a pathway name under which to save"));
    EXPECT_TRUE(asked(kWarnFileName));
    EXPECT_FALSE(asked("open:Select a pathway image to paint on"));
    EXPECT_EQ(app().pathway(), open);
    EXPECT_FALSE(app().isPainting());
    expectFreshSourcePage();
}

TEST_F(CreatePageTest, StandardNextCreatesThePathwayWithHprdAndTheTools) {
    next(scratch("new.pth"));
    ASSERT_NE(app().pathway(), nullptr);
    EXPECT_EQ(app().pathwayPath(), scratch("new.pth").toStdString());
    EXPECT_EQ(app().pathway()->dataSourceName(), "HPRD");
    EXPECT_EQ(app().pathway()->buildMode(), "Standard");
    EXPECT_NE(dynamic_cast<HPRDDataSource*>(app().pathway()->graph().source.get()), nullptr);
    // HPRD needs no species.
    EXPECT_TRUE(std::none_of(dialogs->calls.begin(), dialogs->calls.end(),
                             [](const std::string& c) { return c.rfind("item:", 0) == 0; }));
    EXPECT_EQ(tab()->species(), "");
    EXPECT_TRUE(tab()->advanced());
    EXPECT_TRUE(app().isPainting());
    EXPECT_FALSE(tab()->sourceNextButton()->isEnabled());
    EXPECT_FALSE(tab()->sourcesGroup()->isEnabled());
    EXPECT_FALSE(tab()->buildModeGroup()->isEnabled());
    ASSERT_NE(tab()->drawingGroup(), nullptr);
    EXPECT_EQ(tab()->drawingGroup()->title(), "Draw the pathway");
    EXPECT_EQ(tab()->placeProteinButton()->text(), "Place Protein");
    EXPECT_EQ(tab()->deleteInteractionButton()->text(), "Delete Interaction");
    ASSERT_NE(tab()->painterNextButton(), nullptr);
}

TEST_F(CreatePageTest, DrawingToolsAreExclusive) {
    next(scratch("tools.pth"));
    click(tab()->placeProteinButton());
    EXPECT_EQ(app().tool(), App::kToolPlaceProtein);
    click(tab()->deleteProteinButton());
    EXPECT_FALSE(tab()->placeProteinButton()->isChecked());
    EXPECT_TRUE(tab()->deleteProteinButton()->isChecked());
    EXPECT_FALSE(tab()->placeInteractionButton()->isChecked());
    EXPECT_FALSE(tab()->deleteInteractionButton()->isChecked());
    EXPECT_EQ(app().tool(), App::kToolDeleteProtein);
    click(tab()->deleteProteinButton());
    EXPECT_FALSE(tab()->deleteProteinButton()->isChecked());
    EXPECT_EQ(app().tool(), App::kToolSelect);
    click(tab()->placeInteractionButton());
    click(tab()->deleteInteractionButton());
    EXPECT_EQ(app().tool(), App::kToolDeleteInteraction);
    EXPECT_FALSE(tab()->placeInteractionButton()->isChecked());
}

TEST_F(CreatePageTest, ParametersStepForHprdHasNoConfidence) {
    next(scratch("params.pth"));
    click(tab()->painterNextButton());
    EXPECT_FALSE(tab()->painterNextButton()->isEnabled());
    ASSERT_NE(tab()->parametersGroup(), nullptr);
    EXPECT_EQ(tab()->parametersGroup()->title(), "Network parameters");
    EXPECT_EQ(tab()->levelsBox()->text(), "1");
    EXPECT_EQ(tab()->levelsBox()->maximum(), 5);
    EXPECT_EQ(tab()->filterConnectivityBox()->value(), -1);
    EXPECT_EQ(tab()->filterConnectivityBox()->maximum(), 100);
    EXPECT_EQ(tab()->filterPathsBox()->value(), -1);
    EXPECT_EQ(tab()->filterPathsBox()->maximum(), 4);
    EXPECT_EQ(tab()->confidenceBox(), nullptr);
    QStringList labels;
    for (QLabel* label : tab()->parametersGroup()->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_FALSE(labels.contains("Confidence"));
    ASSERT_NE(tab()->finishButton(), nullptr);
    EXPECT_EQ(tab()->finishButton()->text(), "Finish");
}

TEST_F(CreateTabTest, StartOverResetsTheTabOnlyAndKeepsWhatIsOpen) {
    // A built pathway, laid out as the user watches: it stays open and unchanged.
    const fs::path built = samplepathways::copyBuilt(folder.path());
    ASSERT_FALSE(built.empty());
    ASSERT_TRUE(window->fileTab()->openPathway(built.string()));
    PathwayLayoutEntity* open = app().pathway();
    window->analyzeTab()->setLayoutRunning(true);
    dialogs->openFiles.push_back(QString::fromStdString((kSamples / "egf_5min.txt").string()));
    click(tab()->addExperimentButton());
    click(tab()->startOverButton());
    QCoreApplication::processEvents();
    EXPECT_EQ(app().pathway(), open);
    EXPECT_EQ(app().pathwayPath(), built.string());
    ASSERT_NE(open->layouter(), nullptr);
    EXPECT_TRUE(open->layouter()->isRunning());
    EXPECT_TRUE(window->tabWidget()->isTabEnabled(2));
    EXPECT_TRUE(window->analyzeTab()->pagesAssembled());
    expectFreshSourcePage();

    // The tab's own drawing: its tool and painting go, the drawn pathway stays.
    next(scratch("first.pth"));
    click(tab()->placeProteinButton());
    placeSeed("EGFR", "00001", 0.3f, -0.3f);
    const DataSource* first = app().pathway()->graph().source.get();
    ASSERT_NE(first, nullptr);
    click(tab()->startOverButton());
    QCoreApplication::processEvents();
    ASSERT_NE(app().pathway(), nullptr);
    EXPECT_EQ(app().pathwayPath(), scratch("first.pth").toStdString());
    EXPECT_EQ(app().pathway()->nodeToIdLines(), (Array<std::string>{"00001#EGFR"}));
    EXPECT_FALSE(app().isPainting());
    EXPECT_EQ(app().tool(), App::kToolSelect);
    expectFreshSourcePage();

    next(scratch("second.pth"));
    ASSERT_NE(app().pathway(), nullptr);
    EXPECT_EQ(app().pathway()->graph().source.get(), first) << "the HPRD files were read again";
    EXPECT_EQ(app().tool(), App::kToolSelect);
}

TEST_F(CreatePageTest, StepsOfAPathwayReplacedElsewhereLeadBackToTheSourcePage) {
    next(scratch("drawn.pth"));
    // What the File tab does when it opens another file.
    app().close();
    ASSERT_TRUE(app().loadPathway((kSamples / "egfr.pth").string()));
    click(tab()->placeProteinButton());
    EXPECT_NE(app().tool(), App::kToolPlaceProtein);
    expectFreshSourcePage();
    EXPECT_EQ(app().pathwayPath(), (kSamples / "egfr.pth").string());
}

TEST_F(CreatePageTest, PaintOnImageAsksForTheImageAndShowsTheNote) {
    tab()->paintButton()->setChecked(true);
    next(scratch("painted.pth"));
    EXPECT_TRUE(asked(
        "warning:You need to specify a pathway image.\n If you don't have one choose standard "
        "mode.\nAborting."));
    EXPECT_EQ(app().pathway(), nullptr);
    expectFreshSourcePage();

    std::ofstream(scratch("not-an-image.png").toStdString()) << "text";
    tab()->paintButton()->setChecked(true);
    dialogs->openFiles.push_back(scratch("not-an-image.png"));
    next(scratch("painted.pth"));
    EXPECT_EQ(app().pathway(), nullptr) << "a pathway without its image stayed current";
    EXPECT_FALSE(app().isPainting());
    expectFreshSourcePage();

    tab()->paintButton()->setChecked(true);
    dialogs->openFiles.push_back(
        QString::fromStdString((kSamples / "egfr_background.png").string()));
    next(scratch("painted.pth"));
    ASSERT_NE(app().pathway(), nullptr);
    EXPECT_NE(app().pathway()->shapeFinder(), nullptr);
    EXPECT_EQ(app().pathway()->buildMode(), "From Image");
    EXPECT_TRUE(app().isPainting());
    EXPECT_EQ(tab()->placeProteinButton(), nullptr);
    ASSERT_NE(tab()->drawingGroup(), nullptr);
    QTextEdit* note = tab()->drawingGroup()->findChild<QTextEdit*>();
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->toPlainText(), "Just paint on the pathway");
}

TEST_F(CreatePageTest, FromExistingCopiesAReadablePathwayOnly) {
    tab()->existingButton()->setChecked(true);
    dialogs->openFiles.push_back(scratch("missing.pth"));
    next(scratch("copy.pth"));
    EXPECT_TRUE(asked("open:Choose a pathway to copy and rebuild"));
    EXPECT_EQ(app().pathway(), nullptr);
    EXPECT_EQ(dialogs->calls.back().rfind("warning:", 0), 0u);
    expectFreshSourcePage();

    tab()->existingButton()->setChecked(true);
    dialogs->openFiles.push_back(QString::fromStdString((kSamples / "egfr.pth").string()));
    next(scratch("copy.pth"));
    ASSERT_NE(app().pathway(), nullptr);
    EXPECT_EQ(app().pathwayPath(), scratch("copy.pth").toStdString());
    EXPECT_EQ(app().pathway()->buildMode(), "Standard");
    EXPECT_NE(tab()->placeProteinButton(), nullptr);
}

TEST_F(CreatePageTest, ExperimentsAreListedByFileNameAndBadOnesRefused) {
    click(tab()->addExperimentButton());
    EXPECT_EQ(tab()->experiments(), nullptr) << "a cancelled file made a store";

    dialogs->openFiles.push_back(scratch("missing.txt"));
    click(tab()->addExperimentButton());
    EXPECT_EQ(dialogs->calls.back().rfind("warning:", 0), 0u);

    dialogs->openFiles.push_back(QString::fromStdString((kSamples / "egf_5min.txt").string()));
    click(tab()->addExperimentButton());
    ASSERT_NE(tab()->experiments(), nullptr);
    EXPECT_GT(tab()->experiments()->entryCount(), 0);
    QStringList labels;
    for (QLabel* label : tab()->experimentsGroup()->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_EQ(labels, QStringList{"egf_5min.txt"});

    click(tab()->startOverButton());
    EXPECT_EQ(tab()->experiments(), nullptr);
}

TEST_F(CreateTabTest, BuildsTheNetworkOnTheHprdSampleAndHandsOverToAnalyze) {
    showWindow();
    next(scratch("built.pth"));
    click(tab()->placeProteinButton());
    dialogs->proteins.push_back(std::pair<std::string, std::string>("EGFR", "00001"));
    clickView(1.0 / 3, 1.0 / 3);
    dialogs->proteins.push_back(std::pair<std::string, std::string>("GRB2", "00005"));
    clickView(2.0 / 3, 2.0 / 3);
    ASSERT_EQ(app().pathway()->nodeToIdLines(), (Array<std::string>{"00001#EGFR", "00005#GRB2"}));

    click(tab()->painterNextButton());
    tab()->levelsBox()->setValue(2);
    click(tab()->finishButton());
    QCoreApplication::processEvents();

    ASSERT_NE(app().pathway(), nullptr);
    EXPECT_TRUE(app().pathway()->hasNetwork());
    EXPECT_EQ(app().pathwayPath(), scratch("built.pth").toStdString());
    EXPECT_TRUE(fs::exists(scratch("built.pth").toStdString()));
    Array<std::string> ids;
    app().pathway()->graph().getNodes(ids);
    EXPECT_GT(ids.size(), 2u);
    EXPECT_TRUE(app().pathway()->graph().isImportant("00001"));
    EXPECT_TRUE(app().pathway()->graph().isImportant("00005"));
    EXPECT_TRUE(window->tabWidget()->isTabEnabled(2));
    EXPECT_EQ(window->tabWidget()->currentIndex(), 2);
    EXPECT_TRUE(window->analyzeTab()->pagesAssembled());
    EXPECT_EQ(window->analyzeTab()->toolBox()->currentIndex(), 3);
    ASSERT_NE(app().pathway()->layouter(), nullptr);
    EXPECT_TRUE(app().pathway()->layouter()->isRunning());
    EXPECT_FALSE(app().isPainting());
    expectFreshSourcePage();
}

TEST_F(CreateTabTest, BuildsTheStringSamplePathwayOpenedFromTheFileTab) {
    requireStringServer();
    if (IsSkipped() || HasFailure())
        return;
    openStringSample();
    EXPECT_EQ(window->tabWidget()->currentIndex(), 1);
    ASSERT_TRUE(tab()->advanced());
    EXPECT_TRUE(tab()->stringButton()->isChecked());
    EXPECT_EQ(app().species(), "Human");

    click(tab()->painterNextButton());
    ASSERT_NE(tab()->confidenceBox(), nullptr);
    tab()->confidenceBox()->setValue(700);
    tab()->levelsBox()->setValue(2);
    click(tab()->finishButton());
    QCoreApplication::processEvents();

    EXPECT_FALSE(std::any_of(dialogs->calls.begin(), dialogs->calls.end(),
                             [](const std::string& c) { return c.rfind("warning:", 0) == 0; }));
    ASSERT_NE(app().pathway(), nullptr);
    EXPECT_TRUE(app().pathway()->hasNetwork());
    Array<std::string> ids;
    app().pathway()->graph().getNodes(ids);
    EXPECT_GT(ids.size(), 7u);
    EXPECT_TRUE(app().pathway()->graph().isImportant("9606.ENSP00000275493"));
    EXPECT_EQ(window->tabWidget()->currentIndex(), 2);
    expectFreshSourcePage();
}

TEST_F(CreateTabTest, AFailedBuildSaysWhyAndKeepsTheDrawingForAnotherTry) {
    // Without the HPRD files the source is empty and the build refuses.
    const fs::path data = folder.path() / "data";
    fs::remove(data);
    next(scratch("nodata.pth"));
    placeSeed("EGFR", "00001", 0.3f, -0.3f);
    click(tab()->painterNextButton());
    tab()->levelsBox()->setValue(2);
    click(tab()->finishButton());
    QCoreApplication::processEvents();
    ASSERT_FALSE(dialogs->calls.empty());
    EXPECT_EQ(dialogs->calls.back(),
              "warning:The network could not be built: the HPRD files could not be read (no "
              "proteins or no interactions loaded).\nThe proteins stay as drawn; press Finish to "
              "try again.");
    ASSERT_NE(app().pathway(), nullptr);
    EXPECT_FALSE(app().pathway()->hasNetwork());
    EXPECT_EQ(app().pathway()->nodeToIdLines(), (Array<std::string>{"00001#EGFR"}));
    EXPECT_EQ(app().pathway()->nodes().size(), 1u);
    EXPECT_FALSE(window->tabWidget()->isTabEnabled(2));
    ASSERT_NE(tab()->finishButton(), nullptr);
    EXPECT_EQ(tab()->levelsBox()->value(), 2);

    // Once the files are back, Finish builds with a source that reads them.
    fs::create_directory_symlink(fs::path(CORVIDANE_SOURCE_DIR) / "data", data);
    click(tab()->finishButton());
    QCoreApplication::processEvents();
    ASSERT_NE(app().pathway(), nullptr);
    EXPECT_TRUE(app().pathway()->hasNetwork());
    EXPECT_TRUE(app().pathway()->graph().isImportant("00001"));
    EXPECT_EQ(window->tabWidget()->currentIndex(), 2);
    expectFreshSourcePage();
}

TEST_F(CreateTabTest, AStringProteinPlacedInTheFinderSurvivesSaveAndReopen) {
    requireStringServer();
    if (IsSkipped() || HasFailure())
        return;
    showWindow();
    openStringSample();
    click(tab()->placeProteinButton());
    typeIntoTheFinder("TP53", "TP53|string");
    clickView(0.8, 0.3);
    ASSERT_EQ(app().pathway()->nodeToIdLines().back(), "9606.ENSP00000269305#TP53|string");

    // A placed protein is read back at the depth of the others, so the file
    // is stable from the first reopening on.
    std::string saved;
    for (int round = 0; round < 3; ++round) {
        if (round > 0) {
            openStringSample();
            ASSERT_EQ(app().pathway()->nodeToIdLines().back(), "9606.ENSP00000269305#TP53|string");
        }
        window->fileTab()->savePathway();
        const std::string now = bytesOf(scratch("egfr_string.pth"));
        ASSERT_NE(now.find("\nTP53|string\t(("), std::string::npos);
        if (round == 2) {
            EXPECT_EQ(now, saved);
        }
        saved = now;
    }
    EXPECT_FALSE(std::any_of(dialogs->calls.begin(), dialogs->calls.end(),
                             [](const std::string& c) { return c.rfind("warning:", 0) == 0; }));
}

TEST_F(CreateTabTest, FailedReloadWarnsAndKeepsTheAnalyzeTabOff) {
    next(scratch("spoilt.pth"));
    placeSeed("EGFR", "00001", 0.3f, -0.3f);
    click(tab()->painterNextButton());
    // Spoils the file as soon as the build has written it (the build's last
    // progress step runs the event loop once more).
    const std::string path = scratch("spoilt.pth").toStdString();
    QTimer spoiler;
    QObject::connect(&spoiler, &QTimer::timeout, [&] {
        if (fs::exists(path)) {
            std::ofstream(path, std::ios::trunc) << "";
            spoiler.stop();
        }
    });
    spoiler.start(0);
    click(tab()->finishButton());
    QCoreApplication::processEvents();
    ASSERT_FALSE(spoiler.isActive()) << "the build wrote nothing";
    EXPECT_EQ(dialogs->calls.back().rfind("warning:", 0), 0u);
    EXPECT_EQ(app().pathway(), nullptr);
    EXPECT_FALSE(window->tabWidget()->isTabEnabled(2));
    expectFreshSourcePage();
}

TEST_F(CreateTabTest, ContinuingAStringPathwayAsksItsSpeciesAndOffersConfidence) {
    // Its seeds are human: that is offered first. Cancelling leaves no STRING
    // pathway behind an HPRD source page.
    ASSERT_TRUE(app().loadPathway((kSamples / "egfr_string.pth").string()));
    tab()->continueUnbuiltPathway();
    EXPECT_TRUE(asked("item:Choose the species"));
    EXPECT_EQ(dialogs->lastItems, (QStringList{"Mouse", "Human"}));
    EXPECT_EQ(dialogs->lastCurrent, 1);
    EXPECT_EQ(app().pathway(), nullptr);
    expectFreshSourcePage();

    ASSERT_TRUE(app().loadPathway((kSamples / "egfr_string.pth").string()));
    PathwayLayoutEntity* loaded = app().pathway();
    dialogs->items.push_back(QString("Human"));
    tab()->continueUnbuiltPathway();
    EXPECT_FALSE(asked("save:Choose a pathway name under which to save"));
    EXPECT_EQ(app().pathway(), loaded);
    EXPECT_TRUE(tab()->stringButton()->isChecked());
    EXPECT_EQ(tab()->species(), "Human");
    EXPECT_EQ(app().pathway()->dataSourceName(), "String");
    EXPECT_NE(dynamic_cast<StringDataSource*>(app().pathway()->graph().source.get()), nullptr);
    EXPECT_NE(tab()->placeProteinButton(), nullptr);
    click(tab()->painterNextButton());
    ASSERT_NE(tab()->confidenceBox(), nullptr);
    EXPECT_EQ(tab()->confidenceBox()->value(), 900);
    EXPECT_EQ(tab()->confidenceBox()->maximum(), 1000);
}

}  // namespace
