// The "Filters and Selectors" page of the Analyze tab: stacked filters that
// hide the proteins their rule does not keep, one selector that selects by a
// rule, and the named selections stored in the pathway.
//
// The page observes the pathway it was built for. It cleans up after itself
// (filter tags, the selector's selection) when it goes while that pathway
// still exists, and touches nothing once the pathway's graph is gone.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "engine/Table.h"
#include "ui/PageContext.h"

class App;
class PathwayLayoutEntity;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QSlider;
class QTextBrowser;
class QVBoxLayout;
class Selector;
class SelectorFactory;

// The tool-box texts of the selection rules.
QString filterDescriptionHtml(const std::string& describeText);
// Why a selection name cannot be kept, or "" when it can; `taken` are the
// names the pathway already holds.
QString selectionNameProblem(const QString& name, const Array<std::string>& taken);

class FiltersPage : public QWidget {
    Q_OBJECT
public:
    // Builds the page for the current pathway of the context's App, for a tab
    // `tabWidth` pixels wide at most.
    FiltersPage(const PageContext& context, int tabWidth);
    // Takes the filters' tags off and clears the selector's selection when the
    // pathway is still there.
    ~FiltersPage() override;

    // One filter: its rule and the controls of its row, kept together so that
    // no cancel or removal can put them out of step.
    struct FilterRow {
        std::unique_ptr<Selector> selector;
        QWidget* panel = nullptr;
        QTextBrowser* description = nullptr;
        QPushButton* remove = nullptr;
        QPushButton* invert = nullptr;
        QSlider* slider = nullptr;
    };

    // ---- what tests and the tab look at ----
    int filterCount() const { return static_cast<int>(filters_.size()); }
    // Oldest first.
    const FilterRow& filter(int index) const { return *filters_[index]; }
    Selector* selector() const { return selector_.get(); }
    QSlider* selectorSlider() const { return selectorSlider_; }
    QTextBrowser* selectorDescription() const { return selectorDescription_; }
    QWidget* selectorPanel() const { return selectorPanel_; }
    QComboBox* filterKinds() const { return filterKinds_; }
    QComboBox* selectorKinds() const { return selectorKinds_; }
    QPushButton* addFilterButton() const { return addFilterButton_; }
    QPushButton* addSelectorButton() const { return addSelectorButton_; }
    QCheckBox* keepExperimentals() const { return keepExperimentals_; }
    QCheckBox* keepPathway() const { return keepPathway_; }
    QCheckBox* noInteractions() const { return noInteractions_; }
    QCheckBox* noProteins() const { return noProteins_; }
    QCheckBox* interactionsBetween() const { return interactionsBetween_; }
    QPushButton* expandButton() const { return expandButton_; }
    QPushButton* invertButton() const { return invertButton_; }
    QPushButton* saveSelectionButton() const { return saveSelectionButton_; }
    QPushButton* deleteSelectionButton() const { return deleteSelectionButton_; }
    QListWidget* savedSelections() const { return savedSelections_; }

signals:
    // A filter changed which proteins are shown.
    void listsStale();

public slots:
    void filterChanged(int value);
    void addFilter();
    void removeFilter();
    void invertFilter();
    void addSelector();
    void selectorChanged(int value);
    void removeSelector();
    void invertSelector();
    void saveCurrentSelection();
    void savedSelectionChanged();
    void synchFilteredList();
    void edgesOrNodesSelection(int state);
    void expandSelection();
    void invertSelection();
    void removeFromSelections();

private:
    // The pathway the page was built for, or null once its graph is gone.
    PathwayLayoutEntity* pathway() const;
    App* app() const;
    void repaint();
    void filtersChanged();
    // Which factory a combo box names; null when none.
    SelectorFactory* factoryAt(int index) const;
    // For a "Path" factory, asks which proteins the paths join and hands them
    // to it; false when the user cancelled. Other factories need nothing.
    bool choosePathProteins(SelectorFactory* factory);
    // Marks the graph with the newest filter at `value`, under the layout lock.
    void markNewest(int value);
    void setRowEnabled(FilterRow& row, bool enabled);
    // Takes a row widget out of the page; it is deleted once its own button
    // has finished signalling.
    static void discardPanel(QWidget* panel);
    void fillSavedSelections();

    PageContext context_;
    PathwayLayoutEntity* pathway_ = nullptr;
    std::weak_ptr<const void> graphLifetime_;

    QVBoxLayout* filtersLayout_ = nullptr;
    QComboBox* filterKinds_ = nullptr;
    QPushButton* addFilterButton_ = nullptr;
    QCheckBox* keepExperimentals_ = nullptr;
    QCheckBox* keepPathway_ = nullptr;
    std::vector<std::unique_ptr<FilterRow>> filters_;

    QVBoxLayout* selectorsLayout_ = nullptr;
    QComboBox* selectorKinds_ = nullptr;
    QPushButton* addSelectorButton_ = nullptr;
    std::unique_ptr<Selector> selector_;
    QWidget* selectorPanel_ = nullptr;
    QTextBrowser* selectorDescription_ = nullptr;
    QSlider* selectorSlider_ = nullptr;

    QCheckBox* noInteractions_ = nullptr;
    QCheckBox* noProteins_ = nullptr;
    QCheckBox* interactionsBetween_ = nullptr;
    // Which of "No Interactions" and "No Proteins" was turned on last; never both.
    bool noInteractionsLast_ = false;
    bool noProteinsLast_ = false;
    QPushButton* expandButton_ = nullptr;
    QPushButton* invertButton_ = nullptr;
    QPushButton* saveSelectionButton_ = nullptr;
    // One item per saved selection; each item carries its ids joined by blanks.
    QListWidget* savedSelections_ = nullptr;
    QPushButton* deleteSelectionButton_ = nullptr;
};
