// The "Analyze" tab: the pages on the open pathway (Protein, Interaction,
// Filters and Selectors, Visuals) and the experiments panel; what the scene
// core asks of the window's lists arrives here through AnalyzeServices.
//
// The tab owns the toolbox and the Protein and Interaction pages; the other
// pages and the experiments panel are classes of their own that it creates in
// assemblePages and deletes when the pages are torn down.
#pragma once

#include <string>
#include <utility>

#include <QPointer>
#include <QWidget>

#include "app/AnalyzeServices.h"
#include "ui/AnalyzeCards.h"

class App;
class ExperimentsPanel;
class FiltersPage;
class MyQTWindow;
class QDialog;
class QListWidget;
class QPushButton;
class QTextBrowser;
class QToolBox;
class VisualsPage;

class AnalyzeTabWidget : public QWidget, public AnalyzeServices {
    Q_OBJECT
public:
    explicit AnalyzeTabWidget(MyQTWindow* window);
    // Closes the info dialogs that are still open (they have no parent).
    ~AnalyzeTabWidget() override;

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
    ExperimentsPanel* experimentsPanel() const;

    // The widgets of the first two pages; null while the pages are not assembled.
    QToolBox* toolBox() const { return toolbox_; }
    QListWidget* proteinList() const { return proteinList_; }
    QTextBrowser* proteinInfo() const { return proteinInfo_; }
    QPushButton* exploreButton() const { return exploreButton_; }
    QListWidget* firstInteractorList() const { return interactors1_; }
    QListWidget* secondInteractorList() const { return interactors2_; }
    QTextBrowser* interactionInfo() const { return interactionInfo_; }
    bool proteinListStale() const { return proteinListStale_; }
    bool interactionListStale() const { return interactionListStale_; }
    // The exact HTML last handed to the cards and to the last info dialog.
    const std::string& proteinCardHtml() const { return proteinCardHtml_; }
    const std::string& interactionCardHtml() const { return interactionCardHtml_; }
    const std::string& infoDialogHtml() const { return infoDialogHtml_; }
    // The info dialog made last; null once it was closed.
    QDialog* lastInfoDialog() const;

    // AnalyzeServices
    void selectProteinInList(const std::string& name) override;
    void selectInteractionInLists(const std::string& name1, const std::string& name2) override;
    void listsChanged() override;
    void exploreSelected() override;
    std::string currentExperimentName() const override;

public slots:
    void updateProtein(const QString& protein);
    void interactors1Changed(const QString& protein);
    void interactors2Changed(const QString& ignored);
    void startExploring();
    void openProteinInfoPopup();
    void openInteractionInfoPopup();
    void createInteractionInfoPopup(const std::string& first, const std::string& second);
    void toolChanged(int index);
    void updateImageProcessor();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    App* app() const;
    bool exploring() const;
    analyzecards::Ratings ratings() const;
    void buildProteinPage(const QStringList& names);
    void buildInteractionPage(const QStringList& names);
    // Deletes every page and the experiments panel (signals blocked, pointers
    // nulled); the pathway stays open.
    void tearDownPages();
    void refill(QListWidget* list);
    // After a refill: the card goes on describing its protein or interaction
    // under its current names, shown as the lists' current items, or says it
    // is gone (signals blocked: the scene's selection stays as it is).
    void followProteinCard();
    void followInteractionCard();
    // The partners of `name` in the second list; false, with the list empty,
    // when the protein is filtered out.
    bool fillPartners(const std::string& name);
    void showProteinCard(const std::string& html);
    void showInteractionCard(const std::string& html);
    void showInfoDialog(const std::string& title, const std::string& html);

    MyQTWindow* window_;
    QToolBox* toolbox_ = nullptr;

    QWidget* proteinPage_ = nullptr;
    QListWidget* proteinList_ = nullptr;
    QTextBrowser* proteinInfo_ = nullptr;
    QPushButton* exploreButton_ = nullptr;

    QWidget* interactionPage_ = nullptr;
    QListWidget* interactors1_ = nullptr;
    QListWidget* interactors2_ = nullptr;
    QTextBrowser* interactionInfo_ = nullptr;

    // Every info dialog still open, oldest first; each deletes itself when closed.
    QList<QPointer<QDialog>> infoDialogs_;

    FiltersPage* filtersPage_ = nullptr;
    VisualsPage* visualsPage_ = nullptr;
    // Lives in the main window's splitter, which may delete it before this tab.
    QPointer<ExperimentsPanel> experimentsPanel_;

    bool pagesAssembled_ = false;
    bool proteinListStale_ = false;
    bool interactionListStale_ = false;

    std::string proteinCardHtml_;
    std::string interactionCardHtml_;
    // Graph ids of what the cards describe; empty while they describe nothing.
    std::string proteinCardId_;
    std::pair<std::string, std::string> interactionCardIds_;
    std::string infoDialogHtml_;
};
