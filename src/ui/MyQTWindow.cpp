#include "ui/MyQTWindow.h"

#include <cstdio>

#include <QHBoxLayout>
#include <QProgressDialog>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/App.h"
#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/ShapeFinder.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/CreateTabWidget.h"
#include "ui/OpenTabWidget.h"
#include "ui/ProgressDialogService.h"
#include "ui/QtDialogs.h"
#include "ui/RenderWindow.h"

namespace {
void trace(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}
}  // namespace

MyQTWindow::MyQTWindow(int x, int y, int width, int height, std::unique_ptr<Dialogs> dialogs)
    : dialogs_(dialogs ? std::move(dialogs) : std::make_unique<QtDialogs>()),
      progress_(std::make_unique<ProgressDialogService>(this)) {
    setGeometry(x, y, width, height);
    auto* layout = new QHBoxLayout(this);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(splitter_);

    renderWindow_ = new RenderWindow(nullptr);

    auto* panel = new QWidget;
    panel->setMaximumWidth(200);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    tabWidget_ = new QTabWidget;
    tabWidget_->setMaximumWidth(200);
    panelLayout->addWidget(tabWidget_);

    fileTab_ = new OpenTabWidget(this);
    analyzeTab_ = new AnalyzeTabWidget(this);
    analyzeTab_->setMaximumWidth(190);
    createTab_ = new CreateTabWidget(this);
    tabWidget_->addTab(fileTab_, "File");
    tabWidget_->addTab(createTab_, "Create");
    tabWidget_->addTab(analyzeTab_, "Analyze");
    tabWidget_->setTabEnabled(2, false);

    splitter_->addWidget(panel);
    splitter_->addWidget(renderWindow_);
    setWindowTitle("Protein App");

    app_ = std::make_unique<App>();
    app_->mainWindow = this;
    app_->analyzeTab = analyzeTab_;
    app_->init();
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
    // The layout thread must be joined before the widgets it repaints go.
    if (app_) app_->close();
}

void MyQTWindow::createProgressDialog(int minimum, int maximum, const std::string& label) {
    progress_->createProgressDialog(minimum, maximum, label);
}

void MyQTWindow::stepProgress(int value) { progress_->stepProgress(value); }

void MyQTWindow::requestRepaint() {
    trace("qt repaing gl\n");
    renderWindow_->update();
}

void MyQTWindow::makeBackground(const Image& image) {
    if (!app_ || !app_->pathway) return;
    app_->pathway->background = Texture::fromImage("background", image);
    requestRepaint();
}

void MyQTWindow::startShapeFinderTimer(int intervalMs) { imageTimer_->start(intervalMs); }

void MyQTWindow::stopShapeFinderTimer() { imageTimer_->stop(); }

void MyQTWindow::startTimers(double refreshMs, double stopMs) {
    trace("starting timer\n");
    refreshTimer_->start(static_cast<int>(refreshMs));
    stopTimer_->start(static_cast<int>(stopMs));
    if (app_) app_->animating = true;
}

void MyQTWindow::refreshTimerSlot() {
    if (app_) app_->update(0.0);
}

void MyQTWindow::refreshControlerSlot() {
    trace("stopping timer\n");
    refreshTimer_->stop();
}

void MyQTWindow::imageProcessorUpdater() {
    if (!app_ || !app_->shapeFinder) return;
    app_->shapeFinder->tick();
    requestRepaint();
}
