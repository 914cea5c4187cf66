// The "Analyze" tab: the pages on the open pathway (Protein, Interaction,
// Filters and Selectors, Visuals) in a toolbox, and the experiments panel;
// what the scene core asks of the window's lists arrives here through
// AnalyzeServices.
//
// The tab creates every page and the panel in assemblePages and deletes them
// when the pages are torn down; the window places the panel it announces.
#pragma once

#include <string>

#include <QPointer>
#include <QWidget>

#include "app/AnalyzeServices.h"
#include "ui/PageContext.h"

class ExperimentsPanel;
class FiltersPage;
class InteractionPage;
class ProteinPage;
class QDialog;
class QToolBox;
class VisualsPage;

class AnalyzeTabWidget : public QWidget, public AnalyzeServices {
    Q_OBJECT
public:
    explicit AnalyzeTabWidget(const PageContext& context);
    // Closes the info dialogs that are still open (they have no parent).
    ~AnalyzeTabWidget() override;

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

    // The pages; null while they are not assembled.
    QToolBox* toolBox() const { return toolbox_; }
    ProteinPage* proteinPage() const { return proteinPage_; }
    InteractionPage* interactionPage() const { return interactionPage_; }
    FiltersPage* filtersPage() const { return filtersPage_; }
    VisualsPage* visualsPage() const { return visualsPage_; }
    // Null until a pathway with experiments is assembled.
    ExperimentsPanel* experimentsPanel() const;
    bool proteinListStale() const { return proteinListStale_; }
    bool interactionListStale() const { return interactionListStale_; }
    // The exact HTML handed to the last info dialog.
    const std::string& infoDialogHtml() const { return infoDialogHtml_; }
    // The info dialog made last; null once it was closed.
    QDialog* lastInfoDialog() const;

    // AnalyzeServices
    void selectProteinInList(const std::string& name) override;
    void selectInteractionInLists(const std::string& name1, const std::string& name2) override;
    void listsChanged() override;
    void exploreSelected() override;
    std::string currentExperimentName() const override;

signals:
    // The pages went with the pathway: there is nothing left to analyze.
    void pathwayClosed();
    // A pathway with experiments got its panel, for the window to place.
    void experimentsPanelMade(QWidget* panel);

public slots:
    void toolChanged(int index);
    void updateImageProcessor();
    // The view left the explore view: "Explore!" shows that it is closed.
    void exploreLeft();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // Deletes every page and the experiments panel (signals blocked, pointers
    // nulled); the pathway stays open.
    void tearDownPages();
    void showInfoDialog(const std::string& title, const std::string& html);
    // A double click in the experiments panel: explores around that protein,
    // leaving an open explore view first.
    void exploreFromExperiments(const std::string& name);

    PageContext context_;
    QToolBox* toolbox_ = nullptr;
    ProteinPage* proteinPage_ = nullptr;
    InteractionPage* interactionPage_ = nullptr;
    FiltersPage* filtersPage_ = nullptr;
    VisualsPage* visualsPage_ = nullptr;
    // Lives in the main window's splitter, which may delete it before this tab.
    QPointer<ExperimentsPanel> experimentsPanel_;

    // Every info dialog still open, oldest first; each deletes itself when closed.
    QList<QPointer<QDialog>> infoDialogs_;

    bool pagesAssembled_ = false;
    bool proteinListStale_ = false;
    bool interactionListStale_ = false;
    std::string infoDialogHtml_;
};
