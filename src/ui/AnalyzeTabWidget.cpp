#include "ui/AnalyzeTabWidget.h"

#include <cstdio>

#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBox>
#include <QVBoxLayout>

#include "app/App.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "ui/ExperimentsPanel.h"
#include "ui/FiltersPage.h"
#include "ui/MyQTWindow.h"
#include "ui/VisualsPage.h"

namespace {

QStringList toQStrings(const Array<std::string>& names) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names) {
        out << QString::fromStdString(name);
    }
    return out;
}

// The item with exactly that text, else the first whose text differs only in
// letter case ("p53" and "P53" may be two proteins).
QListWidgetItem* findName(QListWidget* list, const std::string& name) {
    const QString text = QString::fromStdString(name);
    QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found.isEmpty()) {
        found = list->findItems(text, Qt::MatchFixedString);
    }
    return found.isEmpty() ? nullptr : found.first();
}

std::string currentText(const QListWidget* list) {
    const QListWidgetItem* item = list ? list->currentItem() : nullptr;
    return item ? item->text().toStdString() : std::string();
}

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

AnalyzeTabWidget::AnalyzeTabWidget(MyQTWindow* window) : window_(window) {
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

App* AnalyzeTabWidget::app() const { return window_->app(); }

bool AnalyzeTabWidget::exploring() const {
    // The view opens at the end of an animation: a pending one counts.
    return app()->isExploring() || app()->isExplorePending();
}

ExperimentsPanel* AnalyzeTabWidget::experimentsPanel() const { return experimentsPanel_.data(); }

analyzecards::Ratings AnalyzeTabWidget::ratings() const {
    analyzecards::Ratings out;
    if (App* core = app(); core && core->pathway) {
        core->pathway->graph->getPropertiesWithRating(1, out.text);
        core->pathway->graph->getPropertiesWithRating(2, out.links);
    }
    return out;
}

// ---- assembling and tearing down ----

void AnalyzeTabWidget::assemblePages() {
    tearDownPages();
    {
        // Building the pages must not refill the lists they are building.
        const QSignalBlocker blocker(toolbox_);
        Array<std::string> names;
        app()->getProteinNames(names);
        const QStringList qnames = toQStrings(names);
        buildProteinPage(qnames);
        buildInteractionPage(qnames);
        const PathwayLayoutEntity* pathway = app()->pathway.get();
        if (pathway && pathway->graph->heatmaps && pathway->graph->heatmaps->entryCount() > 0) {
            experimentsPanel_ = new ExperimentsPanel(window_, this);
        }
        filtersPage_ = new FiltersPage(window_, this);
        toolbox_->insertItem(2, filtersPage_, QIcon(), "Filters and Selectors");
        visualsPage_ = new VisualsPage(window_, this);
        toolbox_->insertItem(3, visualsPage_, QIcon(), "Visuals");
        toolbox_->setCurrentIndex(0);
    }
    window_->requestRepaint();
    pagesAssembled_ = true;
}

void AnalyzeTabWidget::resetForPathway() {
    tearDownPages();
    app()->close();
    pagesAssembled_ = false;
    window_->tabWidget()->setTabEnabled(2, false);
}

void AnalyzeTabWidget::tearDownPages() {
    const QSignalBlocker blocker(toolbox_);
    // The panel and the later pages first: they may still refer to the lists.
    delete experimentsPanel_.data();
    experimentsPanel_ = nullptr;
    deleteAndNull(toolbox_, filtersPage_);
    deleteAndNull(toolbox_, visualsPage_);
    proteinList_ = nullptr;
    proteinInfo_ = nullptr;
    exploreButton_ = nullptr;
    interactors1_ = nullptr;
    interactors2_ = nullptr;
    interactionInfo_ = nullptr;
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
    proteinCardHtml_.clear();
    interactionCardHtml_.clear();
    proteinCardId_.clear();
    interactionCardIds_ = {};
    pagesAssembled_ = false;
}

void AnalyzeTabWidget::buildProteinPage(const QStringList& names) {
    proteinPage_ = new QWidget;
    proteinPage_->setMaximumWidth(180);
    auto* layout = new QVBoxLayout(proteinPage_);
    layout->setContentsMargins(5, 5, 5, 5);
    proteinList_ = new QListWidget;
    exploreButton_ = new QPushButton("Explore!");
    exploreButton_->setCheckable(true);
    proteinInfo_ = new QTextBrowser;
    proteinInfo_->setOpenExternalLinks(true);
    auto* completeInfo = new QPushButton("Complete Info");
    layout->addWidget(proteinList_);
    layout->addWidget(exploreButton_);
    layout->addWidget(proteinInfo_);
    layout->addWidget(completeInfo);
    toolbox_->insertItem(0, proteinPage_, QIcon(), "Protein");

    proteinList_->addItems(names);
    proteinList_->sortItems(Qt::AscendingOrder);
    connect(proteinList_, &QListWidget::currentTextChanged, this,
            &AnalyzeTabWidget::updateProtein);
    connect(exploreButton_, &QPushButton::clicked, this, &AnalyzeTabWidget::startExploring);
    connect(completeInfo, &QPushButton::clicked, this, &AnalyzeTabWidget::openProteinInfoPopup);
    proteinListStale_ = false;
}

void AnalyzeTabWidget::buildInteractionPage(const QStringList& names) {
    interactionPage_ = new QWidget;
    auto* layout = new QVBoxLayout(interactionPage_);
    auto* lists = new QHBoxLayout;
    interactors1_ = new QListWidget;
    interactors2_ = new QListWidget;
    lists->addWidget(interactors1_);
    lists->addWidget(interactors2_);
    layout->addLayout(lists);
    interactionInfo_ = new QTextBrowser;
    interactionInfo_->setOpenExternalLinks(true);
    layout->addWidget(interactionInfo_);
    auto* completeInfo = new QPushButton("Complete Info");
    layout->addWidget(completeInfo);
    connect(completeInfo, &QPushButton::clicked, this,
            &AnalyzeTabWidget::openInteractionInfoPopup);
    toolbox_->insertItem(1, interactionPage_, QIcon(), "Interaction");

    interactors1_->addItems(names);
    connect(interactors1_, &QListWidget::currentTextChanged, this,
            &AnalyzeTabWidget::interactors1Changed);
    connect(interactors2_, &QListWidget::currentTextChanged, this,
            &AnalyzeTabWidget::interactors2Changed);
    interactors1_->sortItems(Qt::AscendingOrder);
    interactionListStale_ = false;
}

// ---- lists and cards ----

void AnalyzeTabWidget::showProteinCard(const std::string& html) {
    proteinCardHtml_ = html;
    proteinInfo_->clear();
    proteinInfo_->setHtml(QString::fromStdString(html));
}

void AnalyzeTabWidget::showInteractionCard(const std::string& html) {
    interactionCardHtml_ = html;
    interactionInfo_->clear();
    interactionInfo_->setHtml(QString::fromStdString(html));
}

void AnalyzeTabWidget::updateProtein(const QString& protein) {
    if (!proteinInfo_) {
        return;
    }
    const std::string name = protein.toStdString();
    const PropertyList* properties = app()->getProteinProperties(name);
    if (properties == nullptr) {
        proteinCardId_.clear();
        showProteinCard(analyzecards::noProteinCard());
        return;
    }
    proteinCardId_ = app()->pathway->graph->getNodeByName(name);
    showProteinCard(analyzecards::proteinCard(name, *properties, ratings()));
    app()->selectProtein(name);
    window_->requestRepaint();
}

void AnalyzeTabWidget::interactors1Changed(const QString& protein) {
    if (!interactors2_) {
        return;
    }
    const std::string name = protein.toStdString();
    std::printf("%s\n", name.c_str());
    std::fflush(stdout);
    interactionCardIds_ = {};
    // The pair the card showed is no longer chosen.
    showInteractionCard(fillPartners(name) ? std::string() : analyzecards::noInteractionCard());
}

bool AnalyzeTabWidget::fillPartners(const std::string& name) {
    const QSignalBlocker blocker(interactors2_);
    interactors2_->clear();
    const PathwayLayoutEntity* pathway = app()->pathway.get();
    const std::string id = pathway ? pathway->graph->getNodeByName(name) : std::string();
    if (!id.empty() && pathway->graph->hasNodeTags(id)) {
        return false;
    }
    Array<std::string> partners;
    app()->getInteractors(name, partners);
    interactors2_->addItems(toQStrings(partners));
    interactors2_->sortItems(Qt::AscendingOrder);
    return true;
}

void AnalyzeTabWidget::interactors2Changed(const QString&) {
    if (!interactors1_ || !interactors1_->currentItem() || !interactors2_->currentItem()) {
        return;
    }
    const std::string a = currentText(interactors1_);
    const std::string b = currentText(interactors2_);
    const PathwayLayoutEntity* pathway = app()->pathway.get();
    const std::string ida = pathway ? pathway->graph->getNodeByName(a) : std::string();
    const std::string idb = pathway ? pathway->graph->getNodeByName(b) : std::string();
    if (ida.empty() || idb.empty() || !pathway->graph->isEdgeVisible(ida, idb)) {
        // Removed or filtered out since the lists were filled.
        interactionCardIds_ = {};
        showInteractionCard(analyzecards::noInteractionCard());
    } else {
        interactionCardIds_ = {ida, idb};
        showInteractionCard(analyzecards::interactionCard(
            a, b, pathway->graph->getEdgeProperties(ida, idb), ratings()));
    }
    window_->requestRepaint();
}

void AnalyzeTabWidget::refill(QListWidget* list) {
    const QSignalBlocker blocker(list);
    list->clear();
    Array<std::string> names;
    app()->getProteinNames(names);
    list->addItems(toQStrings(names));
    list->sortItems(Qt::AscendingOrder);
}

void AnalyzeTabWidget::toolChanged(int index) {
    if (index == 0 && proteinListStale_ && proteinList_) {
        refill(proteinList_);
        followProteinCard();
        proteinListStale_ = false;
    } else if (index == 1 && interactionListStale_ && interactors1_) {
        refill(interactors1_);
        followInteractionCard();
        interactionListStale_ = false;
    }
}

void AnalyzeTabWidget::followProteinCard() {
    const PathwayLayoutEntity* pathway = app()->pathway.get();
    const bool present =
        !proteinCardId_.empty() && pathway && pathway->graph->hasNode(proteinCardId_);
    QListWidgetItem* item =
        present ? findName(proteinList_, pathway->graph->getProteinName(proteinCardId_)) : nullptr;
    {
        const QSignalBlocker blocker(proteinList_);
        proteinList_->setCurrentItem(item);
    }
    const PropertyList* properties =
        item ? app()->getProteinProperties(item->text().toStdString()) : nullptr;
    if (properties != nullptr) {
        showProteinCard(
            analyzecards::proteinCard(item->text().toStdString(), *properties, ratings()));
    } else if (!proteinCardHtml_.empty()) {
        // Removed, or filtered out (then the card comes back with the protein).
        if (!present) {
            proteinCardId_.clear();
        }
        showProteinCard(analyzecards::noProteinCard());
    }
}

void AnalyzeTabWidget::followInteractionCard() {
    const PathwayLayoutEntity* pathway = app()->pathway.get();
    const auto& [ida, idb] = interactionCardIds_;
    const bool present =
        !ida.empty() && pathway && pathway->graph->hasNode(ida) && pathway->graph->hasNode(idb);
    QListWidgetItem* first =
        present ? findName(interactors1_, pathway->graph->getProteinName(ida)) : nullptr;
    QListWidgetItem* second = nullptr;
    {
        const QSignalBlocker blocker(interactors1_);
        interactors1_->setCurrentItem(first);
        if (first == nullptr || !fillPartners(first->text().toStdString())) {
            const QSignalBlocker partnersBlocker(interactors2_);
            interactors2_->clear();
        } else {
            second = findName(interactors2_, pathway->graph->getProteinName(idb));
            const QSignalBlocker partnersBlocker(interactors2_);
            interactors2_->setCurrentItem(second);
        }
    }
    if (second != nullptr) {
        interactors2Changed(second->text());
    } else if (!interactionCardHtml_.empty()) {
        // Removed, or filtered out (then the card comes back with the pair).
        if (!present) {
            interactionCardIds_ = {};
        }
        showInteractionCard(analyzecards::noInteractionCard());
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
    if (!proteinList_) {
        return;
    }
    toolbox_->setCurrentIndex(0);
    QListWidgetItem* match = findName(proteinList_, name);
    if (match == nullptr) {
        proteinList_->setCurrentItem(nullptr);
    } else if (match == proteinList_->currentItem()) {
        // Choosing the current item again emits nothing, yet the card must refresh.
        updateProtein(match->text());
    } else {
        proteinList_->setCurrentItem(match);
    }
}

void AnalyzeTabWidget::selectInteractionInLists(const std::string& name1,
                                                const std::string& name2) {
    if (!interactors1_) {
        return;
    }
    toolbox_->setCurrentIndex(1);
    QListWidgetItem* first = findName(interactors1_, name1);
    if (first == nullptr) {
        return;
    }
    interactors1_->setCurrentItem(first);
    QListWidgetItem* second = findName(interactors2_, name2);
    if (second == nullptr) {
        return;
    }
    if (second == interactors2_->currentItem()) {
        interactors2Changed(second->text());
    } else {
        interactors2_->setCurrentItem(second);
    }
}

// ---- exploring ----

void AnalyzeTabWidget::startExploring() {
    if (!exploreButton_) {
        return;
    }
    if (!exploreButton_->isChecked()) {
        app()->leaveExplore();
        window_->startTimers(20, 5000);
        return;
    }
    const std::string protein = currentText(proteinList_);
    if (!protein.empty()) {
        app()->startExplore(protein);
    }
    if (protein.empty() || !exploring()) {
        // The button shows whether the view is open, not what was asked.
        exploreButton_->setChecked(false);
        return;
    }
    window_->startTimers(30, 20000);
}

void AnalyzeTabWidget::exploreSelected() {
    if (!exploreButton_) {
        return;
    }
    exploreButton_->setChecked(true);
    startExploring();
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

void AnalyzeTabWidget::openProteinInfoPopup() {
    if (!proteinList_ || !proteinList_->currentItem()) {
        return;
    }
    const std::string name = currentText(proteinList_);
    const PathwayLayoutEntity* pathway = app()->pathway.get();
    const std::string id = pathway ? pathway->graph->getNodeByName(name) : std::string();
    showInfoDialog(analyzecards::proteinDialogTitle(name),
                   analyzecards::proteinDialogText(id, app()->getProteinProperties(name)));
}

void AnalyzeTabWidget::openInteractionInfoPopup() {
    if (!interactors1_ || !interactors1_->currentItem() || !interactors2_->currentItem()) {
        return;
    }
    createInteractionInfoPopup(currentText(interactors1_), currentText(interactors2_));
}

void AnalyzeTabWidget::createInteractionInfoPopup(const std::string& first,
                                                  const std::string& second) {
    showInfoDialog(analyzecards::interactionDialogTitle(first, second),
                   analyzecards::interactionDialogText(app()->getInteractionProperties(first, second),
                                                       app()->getProteinProperties(first),
                                                       app()->getProteinProperties(second)));
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

void AnalyzeTabWidget::updateImageProcessor() { window_->imageProcessorUpdater(); }

void AnalyzeTabWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    window_->requestRepaint();
}

void AnalyzeTabWidget::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Delete:
            // The list's focus within its window, not the X server's focus: a
            // window that is not active yet still knows which child has the keys.
            if (proteinList_ && proteinList_->window()->focusWidget() == proteinList_ &&
                proteinList_->currentItem()) {
                app()->removeProteinByName(currentText(proteinList_));
            }
            break;
        case Qt::Key_Escape:
            if (exploring()) {
                app()->leaveExplore();
                window_->startTimers(20, 5000);
                if (exploreButton_) {
                    exploreButton_->setChecked(false);
                }
            }
            window_->requestRepaint();
            break;
        case Qt::Key_Control:
            app()->setCtrlDown();
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

void AnalyzeTabWidget::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Control) {
        app()->setCtrlUp();
        return;
    }
    QWidget::keyReleaseEvent(event);
}
