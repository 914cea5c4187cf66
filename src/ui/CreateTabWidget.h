// The "Create" tab: a wizard that grows downwards. The source page (data
// source, build mode, experiment files) leads to the painter step (a new
// pathway to draw on or paint over), then to the network parameters, and
// "Finish" builds the network, loads it and announces it for analysis.
//
// The tab owns the data source and the experiment store. While a pathway is
// being drawn its graph holds the source (the graph's own slot is an owning
// one); the tab takes it back before it closes that pathway, so that the HPRD
// files are read once and not again for every new pathway.
#pragma once

#include <memory>
#include <string>

#include <QWidget>

#include "ui/CreateTabChoices.h"
#include "ui/PageContext.h"

class App;
class DataSource;
class HeatmapSeries;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QVBoxLayout;

class CreateTabWidget : public QWidget {
    Q_OBJECT
public:
    explicit CreateTabWidget(const PageContext& context);
    ~CreateTabWidget() override;

    // Throws away every step and shows a fresh source page; with closeCurrent
    // the current pathway is closed too.
    void buildSourcePage(bool closeCurrent);
    // After the File tab opened a pathway whose network is not built: goes on
    // at the painter step for that pathway, asking for no file.
    void continueUnbuiltPathway();

    // True once the painter step has been entered.
    bool advanced() const { return advanced_; }
    const std::string& species() const { return species_; }
    HeatmapSeries* experiments() const { return experiments_.get(); }

    // The controls of the current steps; null where the step is not shown.
    QPushButton* startOverButton() const { return startOverButton_; }
    QRadioButton* hprdButton() const { return hprdButton_; }
    QRadioButton* stringButton() const { return stringButton_; }
    QRadioButton* standardButton() const { return standardButton_; }
    QRadioButton* paintButton() const { return paintButton_; }
    QRadioButton* existingButton() const { return existingButton_; }
    QGroupBox* sourcesGroup() const { return sourcesGroup_; }
    QGroupBox* buildModeGroup() const { return buildModeGroup_; }
    QGroupBox* experimentsGroup() const { return experimentsGroup_; }
    QPushButton* addExperimentButton() const { return addExperimentButton_; }
    QRadioButton* allExperimentalButton() const { return allExperimentalButton_; }
    QPushButton* sourceNextButton() const { return sourceNextButton_; }
    QGroupBox* drawingGroup() const { return drawingGroup_; }
    QPushButton* placeProteinButton() const { return placeProteinButton_; }
    QPushButton* placeInteractionButton() const { return placeInteractionButton_; }
    QPushButton* deleteProteinButton() const { return deleteProteinButton_; }
    QPushButton* deleteInteractionButton() const { return deleteInteractionButton_; }
    QPushButton* painterNextButton() const { return painterNextButton_; }
    QGroupBox* parametersGroup() const { return parametersGroup_; }
    QSpinBox* levelsBox() const { return levelsBox_; }
    QSpinBox* filterConnectivityBox() const { return filterConnectivityBox_; }
    QSpinBox* filterPathsBox() const { return filterPathsBox_; }
    QSpinBox* confidenceBox() const { return confidenceBox_; }
    QPushButton* finishButton() const { return finishButton_; }

signals:
    // The open pathway is about to be closed: nothing is left to analyze.
    void closingPathway();
    // The painter step opened its pathway, to be fitted to the view.
    void pathwayShown();
    // The network was built and loaded: the pathway is ready for analysis.
    void networkBuilt();

public slots:
    void placeProteins();
    void placeInteractions();
    void deleteProteins();
    void deleteInteractions();
    void bindData();
    void createPainter();
    void createGraphBuilderParameters();
    void addExperimentalData();
    void discardInvalidExperimentals();
    void startOver();

private:
    App* app() const;
    // The painter step for a new pathway (cont false) or the current one.
    void enterPainterStep(bool cont);
    // Asks the species of a STRING pathway, offering `current` first; false
    // when cancelled.
    bool chooseSpecies(int current);
    // A warning titled "Protein Application".
    void warn(const QString& text);
    // Gives up the step: a warning, the current pathway closed, a fresh page.
    void abandon(const QString& text);
    // Closes the current pathway (its pages, layout thread, painting and shape
    // finder with it), taking the data source back first.
    void closeCurrentPathway();
    // Takes the data source back from the current pathway's graph.
    void reclaimDataSource();
    // The source of the checked kind for the current pathway, reused when the
    // tab holds a working one.
    void lendDataSource(SourceChoice source);
    void addPainterStep(PainterKind kind);
    // Checks `own` alone and sets its tool; 9 when it was released.
    void selectTool(QPushButton* own, int tool);
    // Whether the pathway the painter step was made for is still the open one,
    // unbuilt (the File tab may have opened another).
    bool drawingIsCurrent() const;
    // False, after going back to a fresh source page, when it is not.
    bool stepIsCurrent();
    SourceChoice checkedSource() const;
    BuildModeChoice checkedBuildMode() const;

    PageContext context_;
    std::unique_ptr<HeatmapSeries> experiments_;
    std::unique_ptr<DataSource> source_;
    // Which kind source_ is, so that a working source of the other kind is not reused.
    SourceChoice sourceKind_ = SourceChoice::HPRD;
    // The source lent to the current pathway's graph; compared, never read.
    const DataSource* lentSource_ = nullptr;
    std::string species_;
    // The file of the pathway the painter step was made for.
    std::string drawingPath_;
    bool advanced_ = false;

    QVBoxLayout* layout_ = nullptr;
    // Every step shown, in order; deleted later when the page is rebuilt.
    QList<QWidget*> steps_;

    QPushButton* startOverButton_ = nullptr;
    QGroupBox* sourcesGroup_ = nullptr;
    QRadioButton* hprdButton_ = nullptr;
    QRadioButton* stringButton_ = nullptr;
    QGroupBox* buildModeGroup_ = nullptr;
    QRadioButton* standardButton_ = nullptr;
    QRadioButton* paintButton_ = nullptr;
    QRadioButton* existingButton_ = nullptr;
    QGroupBox* experimentsGroup_ = nullptr;
    QPushButton* addExperimentButton_ = nullptr;
    QRadioButton* allExperimentalButton_ = nullptr;
    QPushButton* sourceNextButton_ = nullptr;
    QGroupBox* drawingGroup_ = nullptr;
    QPushButton* placeProteinButton_ = nullptr;
    QPushButton* placeInteractionButton_ = nullptr;
    QPushButton* deleteProteinButton_ = nullptr;
    QPushButton* deleteInteractionButton_ = nullptr;
    QPushButton* painterNextButton_ = nullptr;
    QGroupBox* parametersGroup_ = nullptr;
    QSpinBox* levelsBox_ = nullptr;
    QSpinBox* filterConnectivityBox_ = nullptr;
    QSpinBox* filterPathsBox_ = nullptr;
    QSpinBox* confidenceBox_ = nullptr;
    QPushButton* finishButton_ = nullptr;
};
