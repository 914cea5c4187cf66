#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <QFileDialog>
#include <QGroupBox>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolBox>

#include "KeyScript.h"
#include "SamplePathway.h"
#include "SamplePathways.h"
#include "app/App.h"
#include "model/Property.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/CreateTabWidget.h"
#include "ui/ExperimentsPanel.h"
#include "ui/OpenTabWidget.h"
#include "ui/ProteinPage.h"
#include "ui/VisualsPage.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The built sample pathway with its side files, copied into `folder`.
fs::path copyBuilt(const fs::path& folder) {
    return samplepathways::copyBuilt(folder);
}

// The unbuilt sample pathway with its picture, copied into `folder`.
fs::path copyUnbuilt(const fs::path& folder) {
    const fs::path samples = fs::path(CORVIDANE_SOURCE_DIR) / "samples";
    for (const char* name : {"egfr.pth", "egfr_background.png"}) {
        fs::copy_file(samples / name, folder / name, fs::copy_options::overwrite_existing);
    }
    return folder / "egfr.pth";
}

QPushButton* button(QWidget* parent, const QString& text) {
    for (QPushButton* candidate : parent->findChildren<QPushButton*>()) {
        if (candidate->text() == text) {
            return candidate;
        }
    }
    return nullptr;
}

// The tab with the built sample beside it, alone or in the window.
template <typename Base>
class FileTabSteps : public Base {
protected:
    void SetUp() override {
        Base::SetUp();
        built = copyBuilt(this->folder.path());
        ASSERT_FALSE(built.empty()) << "the sample batch job failed";
    }

    // Opens through the button, as the user does.
    void open(const fs::path& path) {
        this->dialogs->openFiles.push_back(QString::fromStdString(path.string()));
        QTest::mouseClick(button(fileTab, "Open Pathway"), Qt::LeftButton);
    }

    bool said(const std::string& text) const {
        const std::vector<std::string>& calls = this->dialogs->calls;
        return std::find(calls.begin(), calls.end(), "message:" + text) != calls.end();
    }

    OpenTabWidget* fileTab = nullptr;
    fs::path built;
};

class FilePage : public FileTabSteps<PageTest> {
protected:
    FilePage() { fileTab = page.get(); }
    std::unique_ptr<OpenTabWidget> page = std::make_unique<OpenTabWidget>(context);
};

// The tab in the window, which shows what it opened.
class FileTab : public FileTabSteps<WindowTest> {
protected:
    void SetUp() override {
        FileTabSteps::SetUp();
        fileTab = window->fileTab();
        analyze = window->analyzeTab();
    }

    AnalyzeTabWidget* analyze = nullptr;
};

TEST_F(FilePage, ButtonsAreInOrder) {
    const QList<QPushButton*> buttons = fileTab->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 3);
    EXPECT_EQ(buttons[0]->text(), "Open Pathway");
    EXPECT_EQ(buttons[1]->text(), "Save Pathway");
    EXPECT_EQ(buttons[2]->text(), "Save As Pathway");
}

TEST_F(FileTab, BuiltPathwayOpensOnTheAnalyzeTabWithItsPagesFilled) {
    open(built);
    EXPECT_EQ(dialogs->calls.front(), "open:Select a pathway file (.pth)");
    ASSERT_NE(app().pathway(), nullptr);
    EXPECT_EQ(app().pathwayPath(), built.string());
    EXPECT_TRUE(window->tabWidget()->isTabEnabled(2));
    EXPECT_EQ(window->tabWidget()->currentIndex(), 2);
    EXPECT_TRUE(analyze->pagesAssembled());
    EXPECT_FALSE(app().isPainting());
    Array<std::string> ids;
    app().pathway()->graph().getNodes(ids);
    EXPECT_EQ(analyze->proteinPage()->list()->count(), static_cast<int>(ids.size()));
    EXPECT_GT(ids.size(), 10u);
    // The sample carries experiment colours.
    EXPECT_NE(analyze->experimentsPanel(), nullptr);

    // Opening it again replaces the pages, it does not add to them.
    open(built);
    EXPECT_EQ(analyze->toolBox()->count(), 4);
    EXPECT_EQ(analyze->proteinPage()->list()->count(), static_cast<int>(ids.size()));
}

TEST_F(FileTab, UnbuiltPathwayGoesToTheCreateTab) {
    open(built);
    QPointer<QWidget> panel = analyze->experimentsPanel();
    ASSERT_NE(panel, nullptr);
    open(copyUnbuilt(folder.path()));
    // The experiments of the pathway before are gone, not only forgotten.
    EXPECT_EQ(panel, nullptr);
    EXPECT_EQ(analyze->experimentsPanel(), nullptr);
    ASSERT_NE(app().pathway(), nullptr);
    EXPECT_FALSE(app().pathway()->hasNetwork());
    EXPECT_EQ(window->tabWidget()->currentIndex(), 1);
    EXPECT_FALSE(analyze->pagesAssembled());
    EXPECT_EQ(analyze->toolBox()->count(), 0);
    EXPECT_FALSE(window->tabWidget()->isTabEnabled(2));
    // The Create tab goes on at its painter step for this pathway, asking for no file.
    CreateTabWidget* create = window->createTab();
    EXPECT_TRUE(create->advanced());
    EXPECT_NE(create->drawingGroup(), nullptr);
    ASSERT_NE(create->hprdButton(), nullptr);
    EXPECT_TRUE(create->hprdButton()->isChecked());
    EXPECT_TRUE(create->standardButton()->isChecked());
    for (const std::string& call : dialogs->calls) {
        EXPECT_NE(call.rfind("save:", 0), 0u) << call;
    }

    // Opening a built pathway now sends the Create tab back to a fresh source page.
    open(built);
    EXPECT_FALSE(create->advanced());
    EXPECT_NE(create->sourcesGroup(), nullptr);
    EXPECT_EQ(create->drawingGroup(), nullptr);
    EXPECT_EQ(window->tabWidget()->currentIndex(), 2);
}

TEST_F(FileTab, UnreadableFilesSaySoAndLeaveTheOpenPathwayAsItWas) {
    open(built);
    const PathwayLayoutEntity* before = app().pathway();
    open(folder.path() / "missing.pth");
    EXPECT_TRUE(said("could not open pathway!"));
    EXPECT_EQ(app().pathway(), before);
    EXPECT_TRUE(analyze->pagesAssembled());
    EXPECT_TRUE(window->tabWidget()->isTabEnabled(2));

    // A file cut off inside its node section: nothing half-read becomes current.
    const std::string text = readFile(built);
    const fs::path truncated = folder.path() / "truncated.pth";
    std::ofstream(truncated, std::ios::binary) << text.substr(0, text.find("NODES") + 20);
    dialogs->calls.clear();
    open(truncated);
    EXPECT_TRUE(said("could not open pathway!"));
    EXPECT_EQ(app().pathway(), before);

    // With nothing open, a failed open leaves nothing open.
    app().close();
    analyze->resetForPathway();
    dialogs->calls.clear();
    open(truncated);
    EXPECT_TRUE(said("could not open pathway!"));
    EXPECT_EQ(app().pathway(), nullptr);
    EXPECT_FALSE(analyze->pagesAssembled());

    // A cancelled file dialog changes nothing.
    open(built);
    dialogs->calls.clear();
    QTest::mouseClick(button(fileTab, "Open Pathway"), Qt::LeftButton);
    EXPECT_EQ(dialogs->calls.size(), 1u);
    EXPECT_NE(app().pathway(), nullptr);
    EXPECT_TRUE(analyze->pagesAssembled());
}

TEST_F(FilePage, SavesWithoutAPathwaySaySoAndAskForNoFile) {
    QTest::mouseClick(button(fileTab, "Save Pathway"), Qt::LeftButton);
    QTest::mouseClick(button(fileTab, "Save As Pathway"), Qt::LeftButton);
    EXPECT_EQ(dialogs->calls, (std::vector<std::string>{"message:no pathway is open",
                                                        "message:no pathway is open"}));
}

TEST_F(FilePage, SavedPathwayReopensAndSavesByteIdentically) {
    open(built);
    QTest::mouseClick(button(fileTab, "Save Pathway"), Qt::LeftButton);
    const std::string first = readFile(built);
    ASSERT_FALSE(first.empty());
    open(built);
    QTest::mouseClick(button(fileTab, "Save Pathway"), Qt::LeftButton);
    EXPECT_EQ(readFile(built), first);
    EXPECT_FALSE(said("could not save pathway!"));
}

TEST_F(FilePage, SaveThatCannotBeWrittenSaysSo) {
    open(built);
    app().setPathwayPath((folder.path() / "no-such-folder" / "x.pth").string());
    QTest::mouseClick(button(fileTab, "Save Pathway"), Qt::LeftButton);
    EXPECT_TRUE(said("could not save pathway!"));
}

TEST_F(FilePage, SaveWhileTheLayoutRunsWritesThePositionsShown) {
    open(built);
    PathwayLayoutEntity& pathway = *app().pathway();
    // A protein the layout moves (held by the edge container, not the pathway).
    NodeEntity* moving = nullptr;
    for (const auto& node : pathway.nodes()) {
        if (node->getParent() == pathway.edgeContainer()) {
            moving = node.get();
            break;
        }
    }
    ASSERT_NE(moving, nullptr);
    const std::string id = pathway.getNodeId(moving);
    const std::string stored = pathway.graph().findNodeProperty(id, "position")->getValue();
    const Vector3 start = moving->getLocalFrame().translation;
    pathway.startLayouter();
    // QTRY_* would not fail a gtest test.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return pathway.withLayoutLocked(
                [&] { return moving->getLocalFrame().translation != start; });
        },
        20000));
    QTest::mouseClick(button(fileTab, "Save Pathway"), Qt::LeftButton);
    pathway.stopLayouter();

    open(built);
    EXPECT_NE(app().pathway()->graph().findNodeProperty(id, "position")->getValue(), stored);
}

TEST_F(FileTab, SaveAsOpensTheNewFileAndKeepsOneLayoutThreadRunning) {
    open(built);
    app().pathway()->startLayouter();
    const fs::path copy = folder.path() / "copy.pth";
    dialogs->saveFiles.push_back(QString::fromStdString(copy.string()));
    QTest::mouseClick(button(fileTab, "Save As Pathway"), Qt::LeftButton);
    EXPECT_EQ(std::count(dialogs->calls.begin(), dialogs->calls.end(),
                         "save:Select a pathway file (.pth)"),
              1);
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_TRUE(fs::exists(folder.path() / "copy_img.png"));
    EXPECT_TRUE(fs::exists(folder.path() / "copy.pth.cache"));
    ASSERT_NE(app().pathway(), nullptr);
    EXPECT_EQ(app().pathwayPath(), copy.string());
    EXPECT_EQ(window->tabWidget()->currentIndex(), 2);
    EXPECT_TRUE(analyze->pagesAssembled());
    EXPECT_EQ(analyze->toolBox()->count(), 4);
    // The layout goes on on the reloaded pathway, and only there.
    EXPECT_TRUE(analyze->visualsPage()->layoutRunning());
    if (app().pathway()->layouter()) {
        EXPECT_TRUE(app().pathway()->layouter()->isRunning());
    }
}

// Qt's own file dialogs, answered with keys.
class FileDialogsTest : public PageTest {
protected:
    FileDialogsTest() : PageTest(true) {}

    // Clicks `text` and checks the folder the file dialog starts in, where
    // `keys` then act.
    void answer(const QString& text, const fs::path& startsIn, std::function<void()> keys) {
        KeyScript script;
        script.then("file dialog", KeyScript::modal<QFileDialog>, [&, keys](QWidget* dialog) {
            EXPECT_EQ(
                fs::canonical(
                    static_cast<QFileDialog*>(dialog)->directory().absolutePath().toStdString()),
                fs::canonical(startsIn));
            keys();
        });
        QTest::mouseClick(button(&page, text), Qt::LeftButton);
        EXPECT_TRUE(script.done()) << script.failure;
    }

    OpenTabWidget page{context};
};

TEST_F(FileDialogsTest, SaveAsAddsPthToABareNameAndBothStartBesideTheOpenPathway) {
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    const auto cancel = [] { QTest::keyClick(KeyScript::routed, Qt::Key_Escape); };
    // Nothing open: the working folder.
    answer("Open Pathway", fs::current_path(), cancel);

    const fs::path elsewhere = folder.path() / "pathways";
    fs::create_directory(elsewhere);
    const fs::path built = copyBuilt(elsewhere);
    ASSERT_TRUE(page.openPathway(built.string()));
    answer("Save As Pathway", elsewhere, [] {
        QTest::keyClicks(KeyScript::routed, "copy");
        QTest::keyClick(KeyScript::routed, Qt::Key_Return);
    });
    EXPECT_TRUE(fs::exists(elsewhere / "copy.pth"));
    EXPECT_FALSE(fs::exists(elsewhere / "copy"));
    EXPECT_EQ(core.pathwayPath(), (elsewhere / "copy.pth").string());
    answer("Open Pathway", elsewhere, cancel);
}

}  // namespace
