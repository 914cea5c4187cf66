#include "ui/AnalyzeTabWidget.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextBrowser>
#include <QToolBox>
#include <QVBoxLayout>

#include "app/App.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/ShapeFinder.h"
#include "ui/AnalyzeLists.h"
#include "ui/ExperimentsPanel.h"
#include "ui/FiltersPage.h"
#include "ui/InteractionPage.h"
#include "ui/ProteinPage.h"
#include "ui/VisualsPage.h"

namespace {

// Takes the widget out of the toolbox when it is a page there, deletes it and
// forgets it.
template <typename T>
void deleteAndNull(QToolBox* toolbox, T*& widget) {
    if (widget == nullptr) {
        return;
    }
    if (const int index = toolbox->indexOf(widget); index >= 0) {
        toolbox->removeItem(index);
    }
    delete widget;
    widget = nullptr;
}

}  // namespace

AnalyzeTabWidget::AnalyzeTabWidget(const PageContext& context) : context_(context) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    toolbox_ = new QToolBox;
    layout->addWidget(toolbox_);
    connect(toolbox_, &QToolBox::currentChanged, this, &AnalyzeTabWidget::toolChanged);
}

AnalyzeTabWidget::~AnalyzeTabWidget() {
    delete experimentsPanel_.data();
    for (const QPointer<QDialog>& dialog : infoDialogs_) {
        delete dialog.data();
    }
}

ExperimentsPanel* AnalyzeTabWidget::experimentsPanel() const {
    return experimentsPanel_.data();
}

// ---- assembling and tearing down ----

void AnalyzeTabWidget::assemblePages() {
    tearDownPages();
    {
        // Building the pages must not refill the lists they are building.
        const QSignalBlocker blocker(toolbox_);
        Array<std::string> names;
        context_.app.getProteinNames(names);
        const QStringList qnames = analyzelists::toQStrings(names);
        proteinPage_ = new ProteinPage(context_, qnames);
        toolbox_->insertItem(0, proteinPage_, QIcon(), "Protein");
        connect(proteinPage_, &ProteinPage::infoWanted, this, &AnalyzeTabWidget::showInfoDialog);
        interactionPage_ = new InteractionPage(context_, qnames);
        toolbox_->insertItem(1, interactionPage_, QIcon(), "Interaction");
        connect(interactionPage_, &InteractionPage::infoWanted, this,
                &AnalyzeTabWidget::showInfoDialog);
        proteinListStale_ = false;
        interactionListStale_ = false;
        const PathwayLayoutEntity* pathway = context_.app.pathway();
        if (pathway && pathway->graph().heatmaps && pathway->graph().heatmaps->entryCount() > 0) {
            experimentsPanel_ = new ExperimentsPanel(context_);
            connect(experimentsPanel_, &ExperimentsPanel::proteinChosen, this,
                    &AnalyzeTabWidget::selectProteinInList);
            connect(experimentsPanel_, &ExperimentsPanel::exploreWanted, this,
                    &AnalyzeTabWidget::exploreFromExperiments);
            emit experimentsPanelMade(experimentsPanel_);
        }
        filtersPage_ = new FiltersPage(context_, maximumWidth());
        connect(filtersPage_, &FiltersPage::listsStale, this, &AnalyzeTabWidget::markListsStale);
        toolbox_->insertItem(2, filtersPage_, QIcon(), "Filters and Selectors");
        visualsPage_ = new VisualsPage(context_, maximumWidth());
        toolbox_->insertItem(3, visualsPage_, QIcon(), "Visuals");
        toolbox_->setCurrentIndex(0);
    }
    context_.requestRepaint();
    pagesAssembled_ = true;
}

void AnalyzeTabWidget::resetForPathway() {
    tearDownPages();
    context_.app.close();
    pagesAssembled_ = false;
    emit pathwayClosed();
}

void AnalyzeTabWidget::tearDownPages() {
    const QSignalBlocker blocker(toolbox_);
    // The panel and the later pages first: they may still refer to the lists.
    delete experimentsPanel_.data();
    experimentsPanel_ = nullptr;
    deleteAndNull(toolbox_, filtersPage_);
    deleteAndNull(toolbox_, visualsPage_);
    deleteAndNull(toolbox_, proteinPage_);
    deleteAndNull(toolbox_, interactionPage_);
    // Whatever is left (pages a later change may add) goes too.
    while (toolbox_->count() > 0) {
        QWidget* page = toolbox_->widget(0);
        toolbox_->removeItem(0);
        delete page;
    }
    proteinListStale_ = false;
    interactionListStale_ = false;
    pagesAssembled_ = false;
}

// ---- lists ----

void AnalyzeTabWidget::toolChanged(int index) {
    if (index == 0 && proteinListStale_ && proteinPage_) {
        proteinPage_->refill();
        proteinListStale_ = false;
    } else if (index == 1 && interactionListStale_ && interactionPage_) {
        interactionPage_->refill();
        interactionListStale_ = false;
    }
}

void AnalyzeTabWidget::markListsStale() {
    proteinListStale_ = true;
    interactionListStale_ = true;
}

void AnalyzeTabWidget::listsChanged() {
    markListsStale();
    toolChanged(0);
    toolChanged(1);
}

void AnalyzeTabWidget::selectProteinInList(const std::string& name) {
    if (!proteinPage_) {
        return;
    }
    toolbox_->setCurrentIndex(0);
    proteinPage_->showProtein(name);
}

void AnalyzeTabWidget::selectInteractionInLists(const std::string& name1,
                                                const std::string& name2) {
    if (!interactionPage_) {
        return;
    }
    toolbox_->setCurrentIndex(1);
    interactionPage_->showInteraction(name1, name2);
}

// ---- exploring ----

void AnalyzeTabWidget::exploreSelected() {
    if (proteinPage_) {
        proteinPage_->exploreSelected();
    }
}

void AnalyzeTabWidget::exploreFromExperiments(const std::string& name) {
    if (!proteinPage_) {
        return;
    }
    // An open view is left first: "Explore!" explores only from the pathway.
    if (QPushButton* explore = proteinPage_->exploreButton(); explore->isChecked()) {
        explore->setChecked(false);
        proteinPage_->startExploring();
    }
    selectProteinInList(name);
    exploreSelected();
}

void AnalyzeTabWidget::exploreLeft() {
    if (proteinPage_) {
        // setChecked emits no clicked(), so the page's explore slot does not run again.
        proteinPage_->exploreButton()->setChecked(false);
    }
}

// ---- info dialogs ----

void AnalyzeTabWidget::showInfoDialog(const std::string& title, const std::string& html) {
    infoDialogHtml_ = html;
    auto* dialog = new QDialog(nullptr);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setMinimumSize(600, 300);
    auto* layout = new QHBoxLayout(dialog);
    auto* browser = new QTextBrowser;
    browser->setOpenExternalLinks(true);
    browser->setMinimumSize(600, 300);
    browser->setHtml(QString::fromStdString(html));
    layout->addWidget(browser);
    dialog->setWindowTitle(QString::fromStdString(title));
    infoDialogs_.removeAll(nullptr);
    infoDialogs_.append(dialog);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

QDialog* AnalyzeTabWidget::lastInfoDialog() const {
    return infoDialogs_.isEmpty() ? nullptr : infoDialogs_.last().data();
}

// ---- the rest ----

void AnalyzeTabWidget::setLayoutRunning(bool running) {
    if (visualsPage_) {
        visualsPage_->setLayoutRunning(running);
    }
}

std::string AnalyzeTabWidget::currentExperimentName() const {
    return experimentsPanel_ ? experimentsPanel_->currentExperimentName() : std::string();
}

void AnalyzeTabWidget::updateImageProcessor() {
    // As the window's image timer does; there may be no finder.
    if (ShapeFinder* finder = context_.app.shapeFinder()) {
        finder->tick();
        context_.requestRepaint();
    }
}

void AnalyzeTabWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    context_.requestRepaint();
}

void AnalyzeTabWidget::keyPressEvent(QKeyEvent* event) {
    App& app = context_.app;
    switch (event->key()) {
        case Qt::Key_Delete:
            // The list's focus within its window, not the X server's focus: a
            // window that is not active yet still knows which child has the keys.
            if (QListWidget* list = proteinPage_ ? proteinPage_->list() : nullptr;
                list && list->window()->focusWidget() == list && list->currentItem()) {
                app.removeProteinByName(list->currentItem()->text().toStdString());
            }
            break;
        case Qt::Key_Escape:
            if (analyzelists::exploring(app)) {
                app.leaveExplore();
                context_.window.startTimers(20, 5000);
                exploreLeft();
            }
            context_.requestRepaint();
            break;
        case Qt::Key_Control:
            app.setCtrlDown();
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

void AnalyzeTabWidget::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Control) {
        context_.app.setCtrlUp();
        return;
    }
    QWidget::keyReleaseEvent(event);
}
