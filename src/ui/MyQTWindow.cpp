#include "ui/MyQTWindow.h"

#include <cstdio>

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLayout>
#include <QProgressDialog>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBox>
#include <QVBoxLayout>

#include "app/App.h"
#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "model/Trace.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/ShapeFinder.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/CreateTabWidget.h"
#include "ui/OpenTabWidget.h"
#include "ui/ProgressDialogService.h"
#include "ui/QGWindow.h"
#include "ui/QtDialogs.h"
#include "ui/RenderWindow.h"

namespace {
constexpr int kCreateTab = 1;
constexpr int kAnalyzeTab = 2;
constexpr int kVisualsPage = 3;
}  // namespace

// One text, as the panel has always looked (the "#FFOECE" stop included).
const char* const MyQTWindow::tabStyleSheet =
    ".QWidget {background-color : rgb(254,254,254)}"
    "QGroupBox { background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,stop: 0 #E0E0E0, "
    "stop: 1 #FFFFFF);  border: 2px solid gray;   border-radius: 5px;  margin-top: 4ex; }"
    "QGroupBox::title {subcontrol-origin: margin; subcontrol-position: top center; padding: 0 "
    "3px; background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #FFOECE, stop: 1 "
    "#FFFFFF); }"
    "QToolBox::tab {background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #F1F1F1, "
    "stop: 0.4 #EEEEEE,   stop: 0.5 #E8E8E8, stop: 1.0 #E3E3E3);  border-radius: 5px;   color: "
    "black; border: 2px solid gray; }"
    "QToolBox::tab:selected {  font: italic;color: black;}"
    "QListWidget {border: 2px solid gray; border-radius : 5px;}"
    "QTextBrowser {border: 2px solid gray; border-radius : 5px;}"
    "QPushButton { border: 2px solid #8f8f91; border-radius: 3px;  background-color: "
    "qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #f6f7fa, stop: 1 #dadbde);}"
    "QPushButton:pressed { background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,stop: 0 "
    "#fadbde, stop: 1 #f9f7fa);}"
    "QPushButton:checked { background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,stop: 0 "
    "#fadbde, stop: 1 #f9f7fa);}"
    "QPushButton:hover { border: 2px solid #cf6f81;}";

MyQTWindow::MyQTWindow(int x, int y, int width, int height, std::unique_ptr<Dialogs> dialogs)
    : dialogs_(dialogs ? std::move(dialogs) : std::make_unique<QtDialogs>()),
      progress_(std::make_unique<ProgressDialogService>(this)) {
    setGeometry(x, y, width, height);
    auto* layout = new QHBoxLayout(this);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(splitter_);

    QGWindow::Settings settings;
    settings.width = 200;
    settings.height = 200;
    adapter_ = std::make_unique<QGWindow>(settings, splitter_);
    renderWindow_ = adapter_->widget();
    renderWindow_->setWindow(this, dialogs_.get());

    auto* panel = new QWidget;
    panel->setMaximumWidth(200);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    auto* tabHolder = new QWidget;
    auto* tabHolderLayout = new QVBoxLayout(tabHolder);
    tabHolderLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(tabHolder);
    tabWidget_ = new QTabWidget;
    tabWidget_->setStyleSheet(tabStyleSheet);
    tabWidget_->setMaximumWidth(200);
    tabHolderLayout->addWidget(tabWidget_);

    // The App exists before the pages that work on it, and before anything
    // can show the window, so no handler of the view ever runs without it.
    app_ = std::make_unique<App>();
    pageContext_ = std::make_unique<PageContext>(PageContext{*app_, *dialogs_, *this});

    fileTab_ = new OpenTabWidget(*pageContext_);
    analyzeTab_ = new AnalyzeTabWidget(*pageContext_);
    analyzeTab_->setMaximumWidth(190);
    createTab_ = new CreateTabWidget(*pageContext_);
    tabWidget_->addTab(fileTab_, "File");
    // The wizard grows downwards past any window height: it scrolls, so the
    // window can be as short as the screen it is on.
    auto* createScroll = new QScrollArea;
    createScroll->setWidgetResizable(true);
    createScroll->setFrameShape(QFrame::NoFrame);
    createScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    createScroll->setWidget(createTab_);
    // Each step is appended below the last: show the newest.
    QScrollBar* createBar = createScroll->verticalScrollBar();
    connect(createBar, &QScrollBar::rangeChanged, createBar,
            [createBar](int, int maximum) { createBar->setValue(maximum); });
    tabWidget_->addTab(createScroll, "Create");
    tabWidget_->addTab(analyzeTab_, "Analyze");
    tabWidget_->setTabEnabled(kAnalyzeTab, false);

    splitter_->addWidget(panel);
    splitter_->addWidget(renderWindow_);
    setWindowTitle("Protein App");

    connectPages();

    app_->setMainWindow(this);
    app_->setAnalyzeTab(analyzeTab_);
    app_->init();
    app_->setProteinAsker(
        [this](const ImageProcessorSelection* region, std::string& label, std::string& id) {
            return app_ && dialogs_->findProtein(createTab_, *app_, region, label, id);
        });
    renderWindow_->setApp(app_.get());

    refreshTimer_ = new QTimer(this);
    stopTimer_ = new QTimer(this);
    stopTimer_->setSingleShot(true);
    imageTimer_ = new QTimer(this);
    connect(refreshTimer_, &QTimer::timeout, this, &MyQTWindow::refreshTimerSlot);
    connect(stopTimer_, &QTimer::timeout, this, &MyQTWindow::refreshControlerSlot);
    connect(imageTimer_, &QTimer::timeout, this, &MyQTWindow::imageProcessorUpdater);
}

MyQTWindow::~MyQTWindow() {
    refreshTimer_->stop();
    stopTimer_->stop();
    imageTimer_->stop();
    // The layout thread must be joined before the widgets it repaints go.
    app_->close();
    // The tabs and the view observe the App: they go first, while it exists.
    delete splitter_;
    splitter_ = nullptr;
    renderWindow_ = nullptr;
    tabWidget_ = nullptr;
    fileTab_ = nullptr;
    createTab_ = nullptr;
    analyzeTab_ = nullptr;
    app_->setAnalyzeTab(nullptr);
    app_->setMainWindow(nullptr);
    app_->setProteinAsker(nullptr);
    app_.reset();
}

void MyQTWindow::connectPages() {
    connect(fileTab_, &OpenTabWidget::replacingPathway, this, [this] {
        if (analyzeTab_->pagesAssembled()) {
            analyzeTab_->resetForPathway();
        }
        if (createTab_->advanced()) {
            createTab_->buildSourcePage(true);
        }
    });
    connect(fileTab_, &OpenTabWidget::pathwayOpened, this, [this](bool built) {
        if (built) {
            showAnalysis();
        } else {
            tabWidget_->setCurrentIndex(kCreateTab);
            createTab_->continueUnbuiltPathway();
        }
        fitPathwayToSettledView();
    });
    connect(fileTab_, &OpenTabWidget::layoutToResume, this,
            [this] { analyzeTab_->setLayoutRunning(true); });

    connect(createTab_, &CreateTabWidget::closingPathway, this, &MyQTWindow::closeAnalysis);
    connect(createTab_, &CreateTabWidget::pathwayShown, this, &MyQTWindow::fitPathwayToSettledView);
    connect(createTab_, &CreateTabWidget::networkBuilt, this, [this] {
        showAnalysis();
        // The Visuals page, where the layout switch is.
        if (analyzeTab_->toolBox()->count() > kVisualsPage) {
            analyzeTab_->toolBox()->setCurrentIndex(kVisualsPage);
        }
        fitPathwayToSettledView();
        analyzeTab_->setLayoutRunning(true);
    });

    connect(analyzeTab_, &AnalyzeTabWidget::pathwayClosed, this,
            [this] { tabWidget_->setTabEnabled(kAnalyzeTab, false); });
    connect(analyzeTab_, &AnalyzeTabWidget::experimentsPanelMade, this,
            [this](QWidget* panel) { splitter_->insertWidget(1, panel); });
    connect(renderWindow_, &RenderWindow::exploreLeft, analyzeTab_, &AnalyzeTabWidget::exploreLeft);
}

void MyQTWindow::showAnalysis() {
    analyzeTab_->assemblePages();
    tabWidget_->setTabEnabled(kAnalyzeTab, true);
    tabWidget_->setCurrentIndex(kAnalyzeTab);
}

void MyQTWindow::closeAnalysis() {
    if (analyzeTab_->pagesAssembled()) {
        analyzeTab_->resetForPathway();
    }
    tabWidget_->setTabEnabled(kAnalyzeTab, false);
}

void MyQTWindow::createProgressDialog(int minimum, int maximum, const std::string& label) {
    progress_->createProgressDialog(minimum, maximum, label);
}

void MyQTWindow::stepProgress(int value) {
    progress_->stepProgress(value);
}

void MyQTWindow::requestRepaint() {
    trace("qt repaing gl\n");
    if (renderWindow_)
        renderWindow_->update();
}

void MyQTWindow::fitPathwayToSettledView() {
    // A panel that came or went resizes the view only as the posted layout
    // requests run.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    renderWindow_->followSize();
    app_->refitToView();
    requestRepaint();
}

void MyQTWindow::makeBackground(const Image& image) {
    if (!app_ || !app_->pathway())
        return;
    app_->pathway()->setBackgroundTexture(Texture::fromImage("background", image));
    requestRepaint();
}

void MyQTWindow::startShapeFinderTimer(int intervalMs) {
    imageTimer_->start(intervalMs);
}

void MyQTWindow::stopShapeFinderTimer() {
    imageTimer_->stop();
}

void MyQTWindow::startTimers(double refreshMs, double stopMs) {
    trace("starting timer\n");
    refreshTimer_->start(static_cast<int>(refreshMs));
    stopTimer_->start(static_cast<int>(stopMs));
    if (app_)
        app_->setAnimating(true);
}

void MyQTWindow::refreshTimerSlot() {
    if (app_)
        app_->update(0.0);
}

void MyQTWindow::refreshControlerSlot() {
    trace("stopping timer\n");
    refreshTimer_->stop();
}

void MyQTWindow::imageProcessorUpdater() {
    // A tick may still be queued when the pathway and its finder are gone.
    if (!app_ || !app_->shapeFinder())
        return;
    app_->shapeFinder()->tick();
    requestRepaint();
}

void MyQTWindow::mousePressEvent(QMouseEvent*) {
    trace("mouse pressed\n");
}

void MyQTWindow::keyReleaseEvent(QKeyEvent*) {}
