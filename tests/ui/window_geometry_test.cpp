// The window at 1000 x 700, as a user on a small screen meets it: every road
// that opens or builds a pathway shows the whole pathway in the view, no page
// holds the window taller, and every control shows its whole text and range.
#include <filesystem>
#include <string>

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBox>

#include "SamplePathways.h"
#include "StdoutCapture.h"
#include "WindowFixture.h"
#include "app/App.h"
#include "engine/Plane.h"
#include "engine/Rect2D.h"
#include "pathway/PathwayLayoutEntity.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/CreateTabWidget.h"
#include "ui/ExperimentsPanel.h"
#include "ui/OpenTabWidget.h"
#include "ui/RenderWindow.h"

namespace {

namespace fs = std::filesystem;

QPushButton* button(QWidget* parent, const QString& text) {
    for (QPushButton* candidate : parent->findChildren<QPushButton*>()) {
        if (candidate->text() == text && candidate->isVisible() && candidate->isEnabled()) {
            return candidate;
        }
    }
    return nullptr;
}

std::string describe(const QWidget* w) {
    QString text;
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) {
        text = b->text();
    } else if (const auto* l = qobject_cast<const QLabel*>(w)) {
        text = l->text();
    } else if (const auto* c = qobject_cast<const QComboBox*>(w)) {
        text = c->currentText();
    }
    return std::string(w->metaObject()->className()) + " \"" + text.toStdString() + "\" " +
           std::to_string(w->width()) + "x" + std::to_string(w->height()) + " wants " +
           std::to_string(w->sizeHint().width()) + "x" +
           std::to_string(w->minimumSizeHint().height());
}

bool showsCurrentEntry(const QComboBox& combo) {
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.rect = combo.rect();
    const QRect field = combo.style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, &combo);
    return field.width() - 2 >= combo.fontMetrics().horizontalAdvance(combo.currentText());
}

// The controls shown under `root` that are cut or squeezed: narrower than their
// text or range needs, lower than they need, or cut off at the side.
std::vector<std::string> squeezed(const QWidget* root) {
    std::vector<std::string> out;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        const bool control = qobject_cast<const QAbstractButton*>(w) ||
                             qobject_cast<const QLabel*>(w) || qobject_cast<const QComboBox*>(w) ||
                             qobject_cast<const QAbstractSpinBox*>(w) ||
                             qobject_cast<const QSlider*>(w);
        // A tab bar sizes its own scroll arrows.
        const bool own = qobject_cast<const QTabBar*>(w->parentWidget());
        if (!control || own || !w->isVisible() || w->visibleRegion().isEmpty()) {
            continue;
        }
        // A text that wraps needs its longest word across and its lines down;
        // a combo box, its current entry (its list opens as wide as it needs).
        const bool wraps = w->hasHeightForWidth();
        const auto* combo = qobject_cast<const QComboBox*>(w);
        const bool narrow =
            combo ? !showsCurrentEntry(*combo)
                  : w->width() < (wraps ? w->minimumSizeHint() : w->sizeHint()).width();
        const bool low =
            w->height() < (wraps ? w->heightForWidth(w->width()) : w->minimumSizeHint().height());
        const bool cut = w->visibleRegion().boundingRect().width() < w->width();
        if (narrow || low || cut) {
            out.push_back(describe(w) + (cut ? " cut" : ""));
        }
    }
    return out;
}

class SmallWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->resize(1000, 700);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    App& app() { return *window->app(); }

    void click(QWidget* parent, const QString& text) {
        // Steps a page adds are shown from the event loop.
        QCoreApplication::processEvents();
        QPushButton* target = button(parent, text);
        ASSERT_NE(target, nullptr) << text.toStdString();
        stdoutOf([&] {
            QTest::mouseClick(target, Qt::LeftButton);
            QTest::qWait(50);
        });
    }

    // The pathway's rectangle on the plane z = 0 against the part of the
    // plane the view shows: fitted, they are the same.
    void expectFitted(const char* road) {
        SCOPED_TRACE(road);
        const App& app = *window->app();
        ASSERT_NE(app.pathway(), nullptr);
        const RenderWindow* view = window->renderWindow();
        const Rect2D shown = Rect2D::xywh(0, 0, static_cast<float>(view->width()),
                                          static_cast<float>(view->height()));
        const Vector3 topLeft = app.camera().worldRay(0, 0, shown).intersection(Plane());
        const Vector3 bottomRight =
            app.camera().worldRay(shown.width(), shown.height(), shown).intersection(Plane());
        const Vector3 origin = app.pathway()->getGlobalFrame().translation;
        const Vector3 size = app.pathway()->getSize();
        const float tolerance = 0.01f * (bottomRight.x - topLeft.x);
        EXPECT_NEAR(origin.x, topLeft.x, tolerance);
        EXPECT_NEAR(origin.y, topLeft.y, tolerance);
        EXPECT_NEAR(origin.x + size.x, bottomRight.x, tolerance);
        EXPECT_NEAR(origin.y - size.y, bottomRight.y, tolerance);
    }
};

TEST_F(SmallWindowTest, EveryRoadFitsThePathwayToTheViewAsTheLayoutSettles) {
    const fs::path built = samplepathways::copyBuilt(folder.path());
    ASSERT_FALSE(built.empty());
    const int wideView = window->renderWindow()->width();

    // Opened with experiments: their panel narrows the view.
    dialogs->openFiles.push_back(QString::fromStdString(built.string()));
    click(window->fileTab(), "Open Pathway");
    ASSERT_NE(window->analyzeTab()->experimentsPanel(), nullptr);
    ASSERT_LT(window->renderWindow()->width(), wideView - 100);
    expectFitted("open");

    // A new pathway: the panel goes and the view widens again.
    window->tabWidget()->setCurrentIndex(1);
    CreateTabWidget* create = window->createTab();
    dialogs->saveFiles.push_back(QString::fromStdString((folder.path() / "new.pth").string()));
    click(create, "Next");
    EXPECT_EQ(window->renderWindow()->width(), wideView);
    expectFitted("create");

    // Built with experiments: their panel comes with the pages.
    create->buildSourcePage(true);
    for (const char* file : {"egf_5min.txt", "egf_30min.txt"}) {
        dialogs->openFiles.push_back(QString::fromStdString(
            samplepathways::sourceFile(std::string("samples/") + file).string()));
        click(create, "Add Experiment");
    }
    dialogs->saveFiles.push_back(QString::fromStdString((folder.path() / "built.pth").string()));
    click(create, "Next");
    app().pathway()->createNode(CoordinateFrame(Vector3(0.5f, -0.5f, 0.001f)), "EGFR", true);
    app().pathway()->nodeToIdLines().push_back("00001#EGFR");
    click(create, "Next");
    click(create, "Finish");
    ASSERT_TRUE(app().pathway() && app().pathway()->hasNetwork());
    ASSERT_NE(window->analyzeTab()->experimentsPanel(), nullptr);
    expectFitted("build");
}

TEST_F(SmallWindowTest, EveryPageShowsItsControlsWhole) {
    const auto check = [&](const char* where) {
        QTest::qWait(50);
        // Pages scroll rather than hold the window taller than asked.
        EXPECT_EQ(window->height(), 700) << where;
        for (const std::string& control : squeezed(window.get())) {
            ADD_FAILURE() << where << ": " << control;
        }
    };
    check("file");
    window->tabWidget()->setCurrentIndex(1);
    check("create source");
    CreateTabWidget* create = window->createTab();
    // The wrapped second line of a radio button's text still chooses it.
    QAbstractButton* all = create->allExperimentalButton();
    QTest::mouseClick(all, Qt::LeftButton, {}, QPoint(all->width() / 2, all->height() - 4));
    EXPECT_TRUE(all->isChecked());
    dialogs->saveFiles.push_back(QString::fromStdString((folder.path() / "new.pth").string()));
    click(create, "Next");
    check("create painter");
    click(create, "Next");
    check("create parameters");
    // The tab scrolls to the step just added.
    ASSERT_NE(button(create, "Finish"), nullptr);
    EXPECT_FALSE(button(create, "Finish")->visibleRegion().isEmpty());

    const fs::path built = samplepathways::copyBuilt(folder.path());
    dialogs->openFiles.push_back(QString::fromStdString(built.string()));
    window->tabWidget()->setCurrentIndex(0);
    click(window->fileTab(), "Open Pathway");
    AnalyzeTabWidget* analyze = window->analyzeTab();
    for (int page = 0; page < 4; ++page) {
        analyze->toolBox()->setCurrentIndex(page);
        check(analyze->toolBox()->itemText(page).toStdString().c_str());
        // The Protein and Interaction pages are as white as the plain pages.
        if (page < 2) {
            const QImage shown = analyze->toolBox()->widget(page)->grab().toImage();
            EXPECT_EQ(shown.pixelColor(1, 1).name(), "#fefefe") << page;
        }
    }
    analyze->toolBox()->setCurrentIndex(2);
    click(analyze, "Add Filter");
    click(analyze, "Add Selector");
    check("filters added");

    // A STRING pathway's parameters hold the Confidence box too.
    samplepathways::copyUnbuilt(folder.path());
    fs::copy_file(samplepathways::sourceFile("samples/egfr_string.pth"),
                  folder.path() / "egfr_string.pth");
    dialogs->openFiles.push_back(
        QString::fromStdString((folder.path() / "egfr_string.pth").string()));
    dialogs->items.push_back(QString("Human"));
    window->tabWidget()->setCurrentIndex(0);
    click(window->fileTab(), "Open Pathway");
    click(create, "Next");
    ASSERT_NE(create->confidenceBox(), nullptr);
    check("create parameters with confidence");
}

}  // namespace
