// The "Analyze" tab: the pages on the open pathway (Protein, Interaction,
// Filters and Selectors, Visuals) and the experiments panel; what the scene
// core asks of the window's lists arrives here through AnalyzeServices.
#pragma once

#include <QWidget>

#include "app/AnalyzeServices.h"

class ExperimentsPanel;
class FiltersPage;
class MyQTWindow;
class VisualsPage;

class AnalyzeTabWidget : public QWidget, public AnalyzeServices {
    Q_OBJECT
public:
    explicit AnalyzeTabWidget(MyQTWindow* window);

    MyQTWindow* window() const { return window_; }

    // Builds every page for the current pathway (tearing down what exists first).
    void assemblePages();
    // Tears the pages down and closes the current pathway.
    void resetForPathway();
    bool pagesAssembled() const { return pagesAssembled_; }
    // A filter or an edit changed which proteins are shown: the lists are
    // refilled when their page is next shown.
    void markListsStale();
    // "Adjust positioning" on or off, as if the user pressed it.
    void setLayoutRunning(bool running);

    FiltersPage* filtersPage() const { return filtersPage_; }
    VisualsPage* visualsPage() const { return visualsPage_; }
    // Null until a pathway with experiments is assembled.
    ExperimentsPanel* experimentsPanel() const { return experimentsPanel_; }

    // AnalyzeServices
    void selectProteinInList(const std::string& name) override;
    void selectInteractionInLists(const std::string& name1, const std::string& name2) override;
    void listsChanged() override;
    void exploreSelected() override;
    std::string currentExperimentName() const override;

private:
    MyQTWindow* window_;
    bool pagesAssembled_ = false;
    FiltersPage* filtersPage_ = nullptr;
    VisualsPage* visualsPage_ = nullptr;
    ExperimentsPanel* experimentsPanel_ = nullptr;
};
