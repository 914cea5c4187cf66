#include "ui/FiltersPage.h"

#include <optional>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/App.h"
#include "model/Property.h"
#include "model/ProteinGraph.h"
#include "model/SelectorKinds.h"
#include "pathway/PathwayLayoutEntity.h"
#include "ui/Dialogs.h"
#include "ui/PanelWidgets.h"

namespace {

// Filter rows go under "Keep pathway", newest on top: after the kind row and
// the two keep boxes of the Filters group.
constexpr int kFirstFilterRow = 3;
const QString kCurrentSelection = QStringLiteral("Current Selection");
const QString kWarningTitle = QStringLiteral("Protein Application");
const QString kUnstorableName = QStringLiteral(
    "Selection names cannot hold blanks, \"|\" or line breaks, or be a lone \"{\" or \"}\". "
    "Please type in another name");
const QString kTakenName =
    QStringLiteral("Selection names need to be unique. Please type in another name");

QString joinIds(const Array<std::string>& ids) {
    QStringList out;
    for (const std::string& id : ids) {
        out << QString::fromStdString(id);
    }
    return out.join(' ');
}

// Rem and Inv, then the threshold slider across the panel, as filters and the
// selector show them: beside the buttons the slider is too short to drag.
QVBoxLayout* controlRow(QPushButton*& remove, QPushButton*& invert, QSlider*& slider) {
    auto* rows = new QVBoxLayout;
    auto* buttons = new QHBoxLayout;
    remove = new QPushButton("Rem");
    invert = new QPushButton("Inv");
    buttons->addWidget(remove);
    buttons->addWidget(invert);
    buttons->addStretch();
    slider = new QSlider(Qt::Horizontal);
    rows->addLayout(buttons);
    rows->addWidget(slider);
    return rows;
}

// The range of a new rule; the value is set before anything listens to it.
void prepareSlider(QSlider* slider, const Selector& rule) {
    slider->setMinimum(rule.getMinThreshold());
    slider->setMaximum(rule.getMaxThreshold());
    slider->setSingleStep(1);
    slider->setValue(rule.getMinThreshold());
}

}  // namespace

QString filterDescriptionHtml(const std::string& describeText) {
    return "<p><font color=\"#008080\">" + QString::fromStdString(describeText) + "</font></p>";
}

QString selectionNameProblem(const QString& name, const Array<std::string>& taken) {
    // A blank would split the stored list of names, "|" or a line break would
    // break the pathway file.
    bool unstorable =
        name.isEmpty() || name.contains('|') || !Property::isStorableName(name.toStdString());
    for (const QChar c : name) {
        unstorable = unstorable || c.isSpace();
    }
    if (unstorable) {
        return kUnstorableName;
    }
    for (const std::string& known : taken) {
        if (known == name.toStdString()) {
            return kTakenName;
        }
    }
    return {};
}

FiltersPage::FiltersPage(const PageContext& context, int tabWidth) : context_(context) {
    App* core = app();
    if (core != nullptr && core->pathway()) {
        pathway_ = core->pathway();
        graphLifetime_ = pathway_->graph().lifetime();
    }

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(3, 3, 3, 3);
    setMaximumWidth(static_cast<int>(tabWidth * 0.95));
    QStringList kinds;
    if (core != nullptr) {
        for (SelectorFactory* factory : core->selectorFactories()) {
            kinds << QString::fromStdString(factory->getName());
        }
    }

    auto* filtersGroup = new QGroupBox("Filters");
    filtersLayout_ = new QVBoxLayout(filtersGroup);
    narrowSideMargins(filtersLayout_);
    // The kind above its button: side by side both are cut in the panel.
    auto* filterKindRow = new QVBoxLayout;
    filterKinds_ = new QComboBox;
    filterKinds_->addItems(kinds);
    fitComboToPanel(filterKinds_);
    addFilterButton_ = new QPushButton("Add Filter");
    filterKindRow->addWidget(filterKinds_);
    filterKindRow->addWidget(addFilterButton_);
    filtersLayout_->addLayout(filterKindRow);
    keepExperimentals_ = new QCheckBox("Keep experimentals");
    keepPathway_ = new QCheckBox("Keep pathway");
    filtersLayout_->addWidget(keepExperimentals_);
    filtersLayout_->addWidget(keepPathway_);
    filtersLayout_->addStretch();
    page->addWidget(filtersGroup);

    auto* selectorsGroup = new QGroupBox("Selectors");
    selectorsLayout_ = new QVBoxLayout(selectorsGroup);
    narrowSideMargins(selectorsLayout_);
    auto* selectorKindRow = new QVBoxLayout;
    selectorKinds_ = new QComboBox;
    selectorKinds_->addItems(kinds);
    fitComboToPanel(selectorKinds_);
    addSelectorButton_ = new QPushButton("Add Selector");
    selectorKindRow->addWidget(selectorKinds_);
    selectorKindRow->addWidget(addSelectorButton_);
    selectorsLayout_->addLayout(selectorKindRow);
    page->addWidget(selectorsGroup);

    auto* selectionsGroup = new QGroupBox("Selections");
    auto* selections = new QVBoxLayout(selectionsGroup);
    narrowSideMargins(selections);
    noInteractions_ = new QCheckBox("No Interactions");
    noProteins_ = new QCheckBox("No Proteins");
    interactionsBetween_ = new QCheckBox("Interactions between");
    selections->addWidget(noInteractions_);
    selections->addWidget(noProteins_);
    selections->addWidget(interactionsBetween_);
    auto* expandRow = new QHBoxLayout;
    expandButton_ = new QPushButton("Expand");
    invertButton_ = new QPushButton("Invert");
    expandRow->addWidget(expandButton_);
    expandRow->addWidget(invertButton_);
    selections->addLayout(expandRow);
    saveSelectionButton_ = new QPushButton("Save Current Selection");
    savedSelections_ = new QListWidget;
    savedSelections_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    deleteSelectionButton_ = new QPushButton("Delete Selection");
    selections->addWidget(saveSelectionButton_);
    selections->addWidget(savedSelections_);
    selections->addWidget(deleteSelectionButton_);
    page->addWidget(selectionsGroup);
    fillSavedSelections();

    connect(addFilterButton_, &QPushButton::clicked, this, &FiltersPage::addFilter);
    connect(addSelectorButton_, &QPushButton::clicked, this, &FiltersPage::addSelector);
    for (QCheckBox* box : {noInteractions_, noProteins_, interactionsBetween_}) {
        connect(box, &QCheckBox::stateChanged, this, &FiltersPage::edgesOrNodesSelection);
    }
    connect(expandButton_, &QPushButton::clicked, this, &FiltersPage::expandSelection);
    connect(invertButton_, &QPushButton::clicked, this, &FiltersPage::invertSelection);
    connect(saveSelectionButton_, &QPushButton::clicked, this, &FiltersPage::saveCurrentSelection);
    connect(deleteSelectionButton_, &QPushButton::clicked, this,
            &FiltersPage::removeFromSelections);
    connect(savedSelections_, &QListWidget::itemSelectionChanged, this,
            &FiltersPage::savedSelectionChanged);
    page->addStretch();
}

FiltersPage::~FiltersPage() {
    // The children go after this destructor: none of them may reach a slot.
    for (QObject* child : findChildren<QObject*>()) {
        child->disconnect(this);
    }
    PathwayLayoutEntity* p = pathway();
    if (p != nullptr) {
        const bool hadFilters = !filters_.empty();
        // A rule untags the graph the layout reads as it goes.
        p->withLayoutLocked([this] {
            while (!filters_.empty()) {
                filters_.back()->selector.reset();
                filters_.pop_back();
            }
        });
        if (hadFilters) {
            p->updateVisibility(false, false);
        }
        if (selector_) {
            p->clearSelectedNodes();
        }
    }
    // Without the graph the rules leave it alone when they go.
    filters_.clear();
    selector_.reset();
}

PathwayLayoutEntity* FiltersPage::pathway() const {
    return graphLifetime_.expired() ? nullptr : pathway_;
}

App* FiltersPage::app() const {
    return &context_.app;
}

void FiltersPage::repaint() {
    context_.requestRepaint();
}

void FiltersPage::filtersChanged() {
    repaint();
    emit listsStale();
}

SelectorFactory* FiltersPage::factoryAt(int index) const {
    App* core = app();
    if (core == nullptr || index < 0) {
        return nullptr;
    }
    const Array<SelectorFactory*> factories = core->selectorFactories();
    return index < static_cast<int>(factories.size()) ? factories[index] : nullptr;
}

bool FiltersPage::choosePathProteins(SelectorFactory* factory) {
    auto* path = dynamic_cast<PathSelectorFactory*>(factory);
    PathwayLayoutEntity* p = pathway();
    if (path == nullptr || factory->getName() != "Path" || p == nullptr) {
        return true;
    }
    QStringList offered{kCurrentSelection};
    for (int row = 0; row < savedSelections_->count(); ++row) {
        offered << savedSelections_->item(row)->text();
    }
    const std::optional<QString> answer =
        context_.dialogs.item(this, "Selection", "Choose a selection", offered, 0, false);
    if (!answer) {
        return false;
    }
    Array<std::string> proteins;
    if (*answer == kCurrentSelection) {
        proteins = p->getSelectedNodes();
    } else {
        for (int row = 0; row < savedSelections_->count(); ++row) {
            const QListWidgetItem* item = savedSelections_->item(row);
            if (item->text() == *answer) {
                for (const QString& id :
                     item->data(Qt::UserRole).toString().split(' ', Qt::SkipEmptyParts)) {
                    proteins.push_back(id.toStdString());
                }
                break;
            }
        }
    }
    path->setProteins(std::move(proteins));
    return true;
}

void FiltersPage::markNewest(int value) {
    pathway()->withLayoutLocked([&] { filters_.back()->selector->markGraph(value); });
}

void FiltersPage::setRowEnabled(FilterRow& row, bool enabled) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{row.slider, row.remove, row.invert, row.description}) {
        control->setEnabled(enabled);
    }
}

void FiltersPage::discardPanel(QWidget* panel) {
    panel->hide();
    if (QWidget* parent = panel->parentWidget(); parent != nullptr && parent->layout()) {
        parent->layout()->removeWidget(panel);
    }
    panel->deleteLater();
}

void FiltersPage::fillSavedSelections() {
    QSignalBlocker blocker(savedSelections_);
    savedSelections_->clear();
    PathwayLayoutEntity* p = pathway();
    if (p == nullptr) {
        return;
    }
    for (const std::string& name : p->getSelectionNames()) {
        auto* item = new QListWidgetItem(QString::fromStdString(name));
        item->setData(Qt::UserRole, joinIds(p->getSavedSelection(name)));
        savedSelections_->addItem(item);
    }
}

// ---- filters ----

void FiltersPage::addFilter() {
    PathwayLayoutEntity* p = pathway();
    SelectorFactory* factory = factoryAt(filterKinds_->currentIndex());
    if (p == nullptr || factory == nullptr || !choosePathProteins(factory)) {
        return;
    }
    auto row = std::make_unique<FilterRow>();
    row->selector =
        factory->create("Filter" + std::to_string(filters_.size() + 1), &p->graph(), true);
    if (!row->selector) {
        return;
    }
    row->panel = new QWidget;
    auto* layout = new QVBoxLayout(row->panel);
    layout->setContentsMargins(0, 0, 0, 0);
    row->description = new QTextBrowser;
    row->description->setMaximumHeight(60);
    row->description->setToolTip(QString::fromStdString(factory->getDescription()));
    layout->addWidget(row->description);
    layout->addLayout(controlRow(row->remove, row->invert, row->slider));
    prepareSlider(row->slider, *row->selector);

    // Only the newest filter can still be tuned or removed.
    if (!filters_.empty()) {
        setRowEnabled(*filters_.back(), false);
    }
    filtersLayout_->insertWidget(kFirstFilterRow, row->panel);
    connect(row->remove, &QPushButton::clicked, this, &FiltersPage::removeFilter);
    connect(row->invert, &QPushButton::clicked, this, &FiltersPage::invertFilter);
    connect(row->slider, &QSlider::valueChanged, this, &FiltersPage::filterChanged);
    const int minimum = row->selector->getMinThreshold();
    filters_.push_back(std::move(row));
    filterChanged(minimum);
}

void FiltersPage::filterChanged(int value) {
    PathwayLayoutEntity* p = pathway();
    if (p == nullptr || filters_.empty()) {
        return;
    }
    markNewest(value);
    p->updateVisibility(keepPathway_->isChecked(), keepExperimentals_->isChecked());
    filtersChanged();
    FilterRow& row = *filters_.back();
    std::string text;
    row.selector->describe(text);
    row.description->setHtml(filterDescriptionHtml(text));
}

void FiltersPage::invertFilter() {
    if (filters_.empty() || pathway() == nullptr) {
        return;
    }
    Selector& rule = *filters_.back()->selector;
    rule.invert();
    filterChanged(rule.getLastThreshold());
}

void FiltersPage::removeFilter() {
    if (filters_.empty()) {
        return;
    }
    std::unique_ptr<FilterRow> row = std::move(filters_.back());
    filters_.pop_back();
    row->slider->disconnect(this);
    if (PathwayLayoutEntity* p = pathway()) {
        p->withLayoutLocked([&row] { row->selector.reset(); });
        p->updateVisibility(false, false);
    }
    discardPanel(row->panel);
    filtersChanged();
    if (!filters_.empty()) {
        setRowEnabled(*filters_.back(), true);
    }
}

void FiltersPage::synchFilteredList() {
    PathwayLayoutEntity* p = pathway();
    if (p == nullptr || filters_.empty()) {
        return;
    }
    markNewest(filters_.back()->slider->value());
    p->updateVisibility(false, false);
    filtersChanged();
}

// ---- the selector ----

void FiltersPage::addSelector() {
    PathwayLayoutEntity* p = pathway();
    SelectorFactory* factory = factoryAt(selectorKinds_->currentIndex());
    if (p == nullptr || factory == nullptr) {
        return;
    }
    // Asked before the old selector goes: removing it clears the selection it
    // made, which may be the set the new paths should join.
    const bool chosen = choosePathProteins(factory);
    removeSelector();
    if (!chosen) {
        return;
    }
    selector_ = factory->create("Selector1", &p->graph(), false);
    if (!selector_) {
        return;
    }
    selectorPanel_ = new QWidget;
    auto* layout = new QVBoxLayout(selectorPanel_);
    layout->setContentsMargins(3, 3, 3, 3);
    selectorDescription_ = new QTextBrowser;
    selectorDescription_->setMaximumHeight(50);
    selectorDescription_->setToolTip(QString::fromStdString(factory->getDescription()));
    layout->addWidget(selectorDescription_);
    QPushButton* remove = nullptr;
    QPushButton* invert = nullptr;
    layout->addLayout(controlRow(remove, invert, selectorSlider_));
    prepareSlider(selectorSlider_, *selector_);
    selectorsLayout_->addWidget(selectorPanel_);
    connect(remove, &QPushButton::clicked, this, &FiltersPage::removeSelector);
    connect(invert, &QPushButton::clicked, this, &FiltersPage::invertSelector);
    connect(selectorSlider_, &QSlider::valueChanged, this, &FiltersPage::selectorChanged);
    selectorChanged(selector_->getMinThreshold());
}

void FiltersPage::selectorChanged(int value) {
    PathwayLayoutEntity* p = pathway();
    if (p == nullptr || !selector_) {
        return;
    }
    Array<std::string> ids;
    selector_->select(value, ids);
    p->clearSelectedNodes();
    for (const std::string& id : ids) {
        p->addSelectedNodeId(id);
    }
    std::string text;
    selector_->describe(text);
    selectorDescription_->setHtml(filterDescriptionHtml(text));
    repaint();
}

void FiltersPage::invertSelector() {
    if (!selector_) {
        return;
    }
    selector_->invert();
    selectorChanged(selector_->getLastThreshold());
}

void FiltersPage::removeSelector() {
    if (!selector_) {
        return;
    }
    selector_.reset();
    selectorSlider_->disconnect(this);
    discardPanel(selectorPanel_);
    selectorPanel_ = nullptr;
    selectorDescription_ = nullptr;
    selectorSlider_ = nullptr;
    if (PathwayLayoutEntity* p = pathway()) {
        p->clearSelectedNodes();
    }
    repaint();
}

// ---- selections ----

void FiltersPage::saveCurrentSelection() {
    PathwayLayoutEntity* p = pathway();
    if (p == nullptr) {
        return;
    }
    const QString ids = joinIds(p->getSelectedNodes());
    for (;;) {
        const std::optional<QString> name =
            context_.dialogs.text(this, "Selection Name", "Selection name:", QString());
        // An empty name is a cancel; only a name that cannot be kept is asked again.
        if (!name || name->isEmpty()) {
            return;
        }
        QString problem = selectionNameProblem(*name, p->getSelectionNames());
        if (problem.isEmpty() && !p->saveSelection(name->toStdString())) {
            problem = kUnstorableName;
        }
        if (!problem.isEmpty()) {
            context_.dialogs.warning(this, kWarningTitle, problem);
            continue;
        }
        auto* item = new QListWidgetItem(*name);
        item->setData(Qt::UserRole, ids);
        QSignalBlocker blocker(savedSelections_);
        savedSelections_->addItem(item);
        return;
    }
}

void FiltersPage::savedSelectionChanged() {
    PathwayLayoutEntity* p = pathway();
    if (p == nullptr) {
        return;
    }
    p->clearSelectedNodes();
    for (int row = 0; row < savedSelections_->count(); ++row) {
        const QListWidgetItem* item = savedSelections_->item(row);
        if (!item->isSelected()) {
            continue;
        }
        for (const QString& id :
             item->data(Qt::UserRole).toString().split(' ', Qt::SkipEmptyParts)) {
            p->addSelectedNodeId(id.toStdString());
        }
    }
    repaint();
}

void FiltersPage::removeFromSelections() {
    PathwayLayoutEntity* p = pathway();
    QSignalBlocker blocker(savedSelections_);
    // From the bottom up, so the rows still to visit keep their numbers.
    for (int row = savedSelections_->count() - 1; row >= 0; --row) {
        if (!savedSelections_->item(row)->isSelected()) {
            continue;
        }
        std::unique_ptr<QListWidgetItem> item(savedSelections_->takeItem(row));
        if (p != nullptr) {
            p->removeSelection(item->text().toStdString());
        }
    }
}

void FiltersPage::edgesOrNodesSelection(int) {
    // "No Interactions" and "No Proteins" exclude each other: the one turned on
    // last wins.
    if (!noInteractionsLast_ && noInteractions_->isChecked()) {
        QSignalBlocker blocker(noProteins_);
        noProteins_->setChecked(false);
        noInteractionsLast_ = true;
        noProteinsLast_ = false;
    } else if (!noProteinsLast_ && noProteins_->isChecked()) {
        QSignalBlocker blocker(noInteractions_);
        noInteractions_->setChecked(false);
        noProteinsLast_ = true;
        noInteractionsLast_ = false;
    }
    if (PathwayLayoutEntity* p = pathway()) {
        p->setInteractionsBetween(interactionsBetween_->isChecked());
        p->setNoProteins(noProteins_->isChecked());
        p->setNoInteractions(noInteractions_->isChecked());
    }
    repaint();
}

void FiltersPage::expandSelection() {
    if (PathwayLayoutEntity* p = pathway()) {
        p->expandSelection();
        repaint();
    }
}

void FiltersPage::invertSelection() {
    if (PathwayLayoutEntity* p = pathway()) {
        p->invertSelection();
        repaint();
    }
}
