#include "ui/CreateTabWidget.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextEdit>
#include <QVBoxLayout>

#include "app/App.h"
#include "datasources/HPRDDataSource.h"
#include "datasources/StringDataSource.h"
#include "model/HeatmapSeries.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "ui/Dialogs.h"
#include "ui/PanelWidgets.h"

namespace {

constexpr const char* kNomenclatureFile = "./data/PROTEIN_NOMENCLATURE.txt";
constexpr const char* kInteractionFile = "./data/PROTEIN_INTERACTIONS.txt";

QPushButton* narrowButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setMaximumWidth(60);
    return button;
}

}  // namespace

CreateTabWidget::CreateTabWidget(const PageContext& context) : context_(context) {
    layout_ = new QVBoxLayout(this);
    layout_->setAlignment(Qt::AlignTop);
    buildSourcePage(true);
}

// Out of line: the owned source and store are complete types only here.
CreateTabWidget::~CreateTabWidget() = default;

App* CreateTabWidget::app() const {
    return &context_.app;
}

void CreateTabWidget::warn(const QString& text) {
    context_.dialogs.warning(this, "Protein Application", text);
}

// ---- the source page ----

void CreateTabWidget::buildSourcePage(bool closeCurrent) {
    // The button that asked for this may be one of the widgets going away.
    for (QWidget* step : steps_) {
        layout_->removeWidget(step);
        step->hide();
        step->deleteLater();
    }
    steps_.clear();
    startOverButton_ = nullptr;
    sourcesGroup_ = buildModeGroup_ = experimentsGroup_ = drawingGroup_ = parametersGroup_ =
        nullptr;
    hprdButton_ = stringButton_ = standardButton_ = paintButton_ = existingButton_ =
        allExperimentalButton_ = nullptr;
    addExperimentButton_ = sourceNextButton_ = painterNextButton_ = finishButton_ = nullptr;
    placeProteinButton_ = placeInteractionButton_ = deleteProteinButton_ =
        deleteInteractionButton_ = nullptr;
    levelsBox_ = filterConnectivityBox_ = filterPathsBox_ = confidenceBox_ = nullptr;

    auto* page = new QWidget(this);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);

    startOverButton_ = new QPushButton("Start over", page);
    pageLayout->addWidget(startOverButton_);
    pageLayout->addStretch();

    sourcesGroup_ = new QGroupBox("Available Datasources", page);
    auto* sourcesLayout = new QVBoxLayout(sourcesGroup_);
    hprdButton_ = new QRadioButton("HPRD", sourcesGroup_);
    stringButton_ = new QRadioButton("STRING", sourcesGroup_);
    // Only a pathway that already uses STRING (opened from the File tab) gets it.
    stringButton_->setEnabled(false);
    hprdButton_->setChecked(true);
    sourcesLayout->addWidget(hprdButton_);
    sourcesLayout->addWidget(stringButton_);
    pageLayout->addWidget(sourcesGroup_);

    buildModeGroup_ = new QGroupBox("Build mode", page);
    auto* modeLayout = new QVBoxLayout(buildModeGroup_);
    standardButton_ = new QRadioButton("Standard", buildModeGroup_);
    paintButton_ = new QRadioButton("Paint on image", buildModeGroup_);
    existingButton_ = new QRadioButton("From existing", buildModeGroup_);
    standardButton_->setChecked(true);
    modeLayout->addWidget(standardButton_);
    modeLayout->addWidget(paintButton_);
    modeLayout->addWidget(existingButton_);
    pageLayout->addWidget(buildModeGroup_);

    experimentsGroup_ = new QGroupBox("Experimental Data", page);
    auto* experimentsLayout = new QVBoxLayout(experimentsGroup_);
    addExperimentButton_ = new QPushButton("Add Experiment", experimentsGroup_);
    allExperimentalButton_ =
        new WrappingRadioButton("All Experimental Proteins", experimentsGroup_);
    experimentsLayout->addWidget(addExperimentButton_);
    experimentsLayout->addWidget(allExperimentalButton_);
    pageLayout->addWidget(experimentsGroup_);

    sourceNextButton_ = narrowButton("Next", page);
    pageLayout->addWidget(sourceNextButton_);

    connect(startOverButton_, &QPushButton::clicked, this, &CreateTabWidget::startOver);
    connect(addExperimentButton_, &QPushButton::clicked, this,
            &CreateTabWidget::addExperimentalData);
    connect(sourceNextButton_, &QPushButton::clicked, this, &CreateTabWidget::createPainter);

    layout_->addWidget(page);
    steps_.append(page);

    experiments_.reset();
    advanced_ = false;
    if (closeCurrent) {
        closeCurrentPathway();
    }
}

void CreateTabWidget::startOver() {
    // The open pathway is the user's, built or not; only the tab's own steps,
    // its tool and its painting go.
    if (advanced_ && drawingIsCurrent()) {
        app()->setPainting(false);
        app()->setTool(App::kToolSelect);
    }
    buildSourcePage(false);
}

void CreateTabWidget::addExperimentalData() {
    if (!experimentsGroup_) {
        return;
    }
    const QString file = context_.dialogs.openFileName(nullptr, "", "", "");
    if (file.isEmpty()) {
        return;
    }
    if (!experiments_) {
        experiments_ = std::make_unique<HeatmapSeries>();
    }
    if (!experiments_->loadExperimentFile(file.toStdString(), 0)) {
        warn("The experiment file could not be read:\n" + file);
        return;
    }
    experimentsGroup_->layout()->addWidget(new QLabel(experimentLabel(file), experimentsGroup_));
}

void CreateTabWidget::discardInvalidExperimentals() {
    if (!experiments_) {
        return;
    }
    for (int i = 0; i < experiments_->entryCount();) {
        if (experiments_->experimentAt(i).empty()) {
            experiments_->removeEntry(i);
        } else {
            ++i;
        }
    }
}

SourceChoice CreateTabWidget::checkedSource() const {
    return stringButton_ && stringButton_->isChecked() ? SourceChoice::String : SourceChoice::HPRD;
}

BuildModeChoice CreateTabWidget::checkedBuildMode() const {
    if (paintButton_ && paintButton_->isChecked())
        return BuildModeChoice::PaintOnImage;
    if (existingButton_ && existingButton_->isChecked())
        return BuildModeChoice::FromExisting;
    return BuildModeChoice::Standard;
}

// ---- pathways and the data source ----

void CreateTabWidget::reclaimDataSource() {
    App* a = app();
    if (lentSource_ && a && a->pathway() && a->pathway()->graph().source.get() == lentSource_) {
        source_ = std::move(a->pathway()->graph().source);
    }
    lentSource_ = nullptr;
}

void CreateTabWidget::lendDataSource(SourceChoice choice) {
    App* a = app();
    // A source is kept for the next pathway while it is of the wanted kind and works.
    if (!source_ || sourceKind_ != choice || !source_->failure().empty()) {
        source_.reset();
        sourceKind_ = choice;
        if (choice == SourceChoice::HPRD) {
            source_ = std::make_unique<HPRDDataSource>(kNomenclatureFile, kInteractionFile, "",
                                                       &context_.window);
        } else {
            source_ = std::make_unique<StringDataSource>("postgre");
        }
    }
    a->pathway()->setDataSourceName(sourceName(choice));
    lentSource_ = source_.get();
    a->pathway()->graph().source = std::move(source_);
}

void CreateTabWidget::closeCurrentPathway() {
    App* a = app();
    if (!a) {
        return;
    }
    reclaimDataSource();
    emit closingPathway();
    // Joins the layout thread and drops painting and the shape finder.
    a->close();
    a->setPainting(false);
    a->setTool(App::kToolSelect);
}

void CreateTabWidget::abandon(const QString& text) {
    warn(text);
    closeCurrentPathway();
    buildSourcePage(false);
}

// ---- the painter step ----

void CreateTabWidget::createPainter() {
    enterPainterStep(false);
}

void CreateTabWidget::continueUnbuiltPathway() {
    enterPainterStep(true);
}

bool CreateTabWidget::chooseSpecies(int current) {
    const std::optional<QString> answer = context_.dialogs.item(
        this, "Choose the species", "Species:", speciesChoices(), current, false);
    if (!answer) {
        return false;
    }
    species_ = answer->toStdString();
    return true;
}

void CreateTabWidget::enterPainterStep(bool cont) {
    App* a = app();
    if (!a || (cont && !a->pathway())) {
        return;
    }
    Dialogs& dialogs = context_.dialogs;
    if (cont) {
        // The File tab has just loaded this pathway: it must stay open.
        if (advanced_) {
            buildSourcePage(false);
        }
        (sourceFromName(a->pathway()->dataSourceName()) == SourceChoice::String ? stringButton_
                                                                                : hprdButton_)
            ->setChecked(true);
        switch (buildModeFromName(a->pathway()->buildMode())) {
            case BuildModeChoice::Standard:
                standardButton_->setChecked(true);
                break;
            case BuildModeChoice::PaintOnImage:
                paintButton_->setChecked(true);
                break;
            case BuildModeChoice::FromExisting:
                existingButton_->setChecked(true);
                break;
        }
    }
    const SourceChoice source = checkedSource();
    const BuildModeChoice mode = checkedBuildMode();

    // Every question is asked before anything is closed, so a cancel leaves
    // the pathway that was open as it was.
    QString file;
    QString image;
    QString existing;
    if (!cont) {
        file = dialogs.saveFileName(nullptr, "Choose a pathway name under which to save",
                                    "mypathway.pth", "*.pth");
        if (file.isEmpty()) {
            warn("You need to specify a file name. Aborting.");
            buildSourcePage(false);
            return;
        }
    }
    species_.clear();
    if (source == SourceChoice::String &&
        !chooseSpecies(cont ? speciesOfSeeds(a->pathway()->nodeToIdLines()) : 0)) {
        // A pathway opened to be continued goes with the question, so that
        // what is shown and the fresh source page agree.
        if (cont) {
            closeCurrentPathway();
        }
        buildSourcePage(false);
        return;
    }
    if (!cont && mode == BuildModeChoice::PaintOnImage) {
        image = dialogs.openFileName(nullptr, "Select a pathway image to paint on", "",
                                     "Images (*.png *.xpm *.jpg)");
        if (image.isEmpty()) {
            warn(
                "You need to specify a pathway image.\n If you don't have one choose standard "
                "mode.\nAborting.");
            buildSourcePage(false);
            return;
        }
    }
    if (!cont && mode == BuildModeChoice::FromExisting) {
        existing =
            dialogs.openFileName(nullptr, "Choose a pathway to copy and rebuild", "", "*.pth");
        if (existing.isEmpty()) {
            warn(
                "You need to select an exisitng pahtway.\n If you don't have one choose "
                "standard mode.\nAborting.");
            buildSourcePage(false);
            return;
        }
    }

    if (!cont) {
        closeCurrentPathway();
        bool created = false;
        QString failure;
        switch (mode) {
            case BuildModeChoice::Standard:
                a->createPathway(file.toStdString());
                created = a->pathway() != nullptr;
                failure = "The pathway could not be created.\nAborting.";
                break;
            case BuildModeChoice::PaintOnImage:
                created = a->createPathwayFromImage(file.toStdString(), image.toStdString());
                failure = "The pathway image " + image + " could not be read.\nAborting.";
                break;
            case BuildModeChoice::FromExisting:
                created = a->createPathwayFromExisting(file.toStdString(), existing.toStdString());
                failure = "The pathway " + existing + " could not be read.\nAborting.";
                break;
        }
        if (!created || !a->pathway()) {
            abandon(failure);
            return;
        }
    }

    lendDataSource(source);
    // The protein finder searches for the same species as the build.
    a->setSpecies(species_);
    const PainterKind kind = painterKind(mode, a->pathway()->shapeFinder() != nullptr);
    a->pathway()->setBuildMode(painterBuildMode(kind));

    advanced_ = true;
    drawingPath_ = a->pathwayPath();
    sourceNextButton_->setEnabled(false);
    sourcesGroup_->setEnabled(false);
    buildModeGroup_->setEnabled(false);
    a->setPainting(true);
    a->setTool(App::kToolSelect);
    addPainterStep(kind);
    emit pathwayShown();
}

void CreateTabWidget::addPainterStep(PainterKind kind) {
    drawingGroup_ = new QGroupBox("Draw the pathway", this);
    auto* drawingLayout = new QVBoxLayout(drawingGroup_);
    if (kind == PainterKind::Tools) {
        auto tool = [&](const char* text, void (CreateTabWidget::*slot)()) {
            auto* button = new QPushButton(text, drawingGroup_);
            button->setCheckable(true);
            drawingLayout->addWidget(button);
            connect(button, &QPushButton::clicked, this, slot);
            return button;
        };
        placeProteinButton_ = tool("Place Protein", &CreateTabWidget::placeProteins);
        placeInteractionButton_ = tool("Place Interaction", &CreateTabWidget::placeInteractions);
        deleteProteinButton_ = tool("Delete Protein", &CreateTabWidget::deleteProteins);
        deleteInteractionButton_ = tool("Delete Interaction", &CreateTabWidget::deleteInteractions);
    } else {
        auto* note = new QTextEdit("Just paint on the pathway", drawingGroup_);
        note->setReadOnly(true);
        note->setMaximumHeight(40);
        drawingLayout->addWidget(note);
    }
    layout_->addWidget(drawingGroup_);
    steps_.append(drawingGroup_);

    painterNextButton_ = narrowButton("Next", this);
    connect(painterNextButton_, &QPushButton::clicked, this,
            &CreateTabWidget::createGraphBuilderParameters);
    layout_->addWidget(painterNextButton_);
    steps_.append(painterNextButton_);
}

bool CreateTabWidget::drawingIsCurrent() const {
    const App* a = app();
    return a && a->pathway() && !a->pathway()->hasNetwork() && a->pathwayPath() == drawingPath_;
}

bool CreateTabWidget::stepIsCurrent() {
    if (drawingIsCurrent()) {
        return true;
    }
    buildSourcePage(false);
    return false;
}

void CreateTabWidget::selectTool(QPushButton* own, int tool) {
    App* a = app();
    if (!own || !a || !stepIsCurrent()) {
        return;
    }
    if (!own->isChecked()) {
        a->setTool(App::kToolSelect);
        return;
    }
    for (QPushButton* other : {placeProteinButton_, placeInteractionButton_, deleteProteinButton_,
                               deleteInteractionButton_}) {
        if (other && other != own) {
            other->setChecked(false);
        }
    }
    a->setTool(tool);
}

void CreateTabWidget::placeProteins() {
    selectTool(placeProteinButton_, App::kToolPlaceProtein);
}

void CreateTabWidget::placeInteractions() {
    selectTool(placeInteractionButton_, App::kToolPlaceInteraction);
}

void CreateTabWidget::deleteProteins() {
    selectTool(deleteProteinButton_, App::kToolDeleteProtein);
}

void CreateTabWidget::deleteInteractions() {
    selectTool(deleteInteractionButton_, App::kToolDeleteInteraction);
}

// ---- the network parameters and the build ----

void CreateTabWidget::createGraphBuilderParameters() {
    App* a = app();
    if (!painterNextButton_ || !a || !stepIsCurrent()) {
        return;
    }
    painterNextButton_->setEnabled(false);
    // Asks the protein of every region painted on the image.
    a->assignSelectionProteins();

    parametersGroup_ = new QGroupBox("Network parameters", this);
    parametersGroup_->setMinimumHeight(180);
    auto* parametersLayout = new QVBoxLayout(parametersGroup_);
    auto spinBox = [](int minimum, int maximum, int value, QWidget* parent) {
        auto* box = new QSpinBox(parent);
        box->setMinimumHeight(box->sizeHint().height());
        box->setRange(minimum, maximum);
        box->setValue(value);
        return box;
    };
    parametersLayout->addWidget(new QLabel("Levels", parametersGroup_));
    levelsBox_ = spinBox(1, 5, 1, parametersGroup_);
    parametersLayout->addWidget(levelsBox_);

    auto* filters = new QGroupBox("Filters", parametersGroup_);
    auto* filtersLayout = new QVBoxLayout(filters);
    filtersLayout->addWidget(new QLabel("Filter Connectivity", filters));
    filterConnectivityBox_ = spinBox(-1, 100, -1, filters);
    filtersLayout->addWidget(filterConnectivityBox_);
    filtersLayout->addWidget(new QLabel("Filter Paths", filters));
    filterPathsBox_ = spinBox(-1, 4, -1, filters);
    filtersLayout->addWidget(filterPathsBox_);
    parametersLayout->addWidget(filters);

    if (checkedSource() == SourceChoice::String) {
        parametersLayout->addWidget(new QLabel("Confidence", parametersGroup_));
        confidenceBox_ = spinBox(0, 1000, 900, parametersGroup_);
        parametersLayout->addWidget(confidenceBox_);
    }
    layout_->addWidget(parametersGroup_);
    steps_.append(parametersGroup_);

    finishButton_ = narrowButton("Finish", this);
    connect(finishButton_, &QPushButton::clicked, this, &CreateTabWidget::bindData);
    layout_->addWidget(finishButton_);
    steps_.append(finishButton_);
}

void CreateTabWidget::bindData() {
    App* a = app();
    if (!a || !levelsBox_ || !stepIsCurrent()) {
        return;
    }
    NetworkChoices choices;
    choices.source = checkedSource();
    choices.levels = levelsBox_->text();
    if (confidenceBox_) {
        choices.confidence = confidenceBox_->value();
    }
    choices.filterConnectivity = filterConnectivityBox_->value();
    choices.filterPaths = filterPathsBox_->value();
    choices.allExperimentalProteins = allExperimentalButton_ && allExperimentalButton_->isChecked();
    // A source that failed (files missing, the database away) is opened
    // afresh, so that Finish works again once the cause is mended.
    if (const DataSource* used = a->pathway()->graph().source.get();
        used == nullptr || !used->failure().empty()) {
        reclaimDataSource();
        lendDataSource(choices.source);
    }
    const std::string path = a->pathwayPath();
    const GraphBuilderParameters parameters = networkParameters(
        choices, a->pathway()->nodeToIdLines(), path, species_, experiments_.get());

    std::string why;
    if (!a->buildgraph(parameters, &why)) {
        // The drawing stays, so that the user can mend the cause and try again.
        warn("The network could not be built: " + QString::fromStdString(why) +
             ".\nThe proteins stay as drawn; press Finish to try again.");
        return;
    }
    // The network reaches the scene only through the file just written.
    reclaimDataSource();
    if (!a->loadPathway(path)) {
        abandon("The built pathway could not be loaded.\nAborting.");
        return;
    }
    a->setPainting(false);
    emit networkBuilt();
    buildSourcePage(false);
}
