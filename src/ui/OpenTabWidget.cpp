#include "ui/OpenTabWidget.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/App.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"
#include "ui/Dialogs.h"

namespace {

// Tried on a document outside the scene before anything is closed, so that a
// file that cannot be read leaves the open pathway as it was.
bool readable(const std::string& path) {
    PathwayLayoutEntity trial(Vector3(0, 0, 0), "pathway", Vector3(1, 1, 0.01f),
                              Color4(1, 1, 1, 1));
    trial.setVisual(false);
    return trial.loadPathway(path, nullptr);
}

const char* const kCaption = "Select a pathway file (.pth)";
const char* const kFilter = "*.pth";
const char* const kNoPathway = "no pathway is open";
}  // namespace

OpenTabWidget::OpenTabWidget(const PageContext& context) : context_(context) {
    auto* layout = new QVBoxLayout(this);
    auto* open = new QPushButton("Open Pathway");
    auto* save = new QPushButton("Save Pathway");
    auto* saveAs = new QPushButton("Save As Pathway");
    layout->addWidget(open);
    layout->addWidget(save);
    layout->addWidget(saveAs);
    layout->addStretch();
    connect(open, &QPushButton::clicked, this, &OpenTabWidget::loadPathway);
    connect(save, &QPushButton::clicked, this, &OpenTabWidget::savePathway);
    connect(saveAs, &QPushButton::clicked, this, &OpenTabWidget::savePathwayAs);
}

bool OpenTabWidget::openPathway(const std::string& path) {
    App& app = context_.app;
    if (app.pathway() && !readable(path)) {
        context_.dialogs.message(nullptr, "could not open pathway!");
        return false;
    }
    emit replacingPathway();
    // Whatever else is open goes too; closing joins its layout thread.
    app.close();
    if (!app.loadPathway(path)) {
        context_.dialogs.message(nullptr, "could not open pathway!");
        return false;
    }
    const bool built = app.pathway()->hasNetwork();
    if (built) {
        app.setPainting(false);
    }
    emit pathwayOpened(built);
    return true;
}

void OpenTabWidget::loadPathway() {
    const QString file = context_.dialogs.openFileName(nullptr, kCaption, startFolder(), kFilter);
    if (file.isEmpty()) {
        return;
    }
    openPathway(file.toStdString());
}

QString OpenTabWidget::startFolder() const {
    const App& app = context_.app;
    if (app.pathway() && !app.pathwayPath().empty()) {
        return QFileInfo(QString::fromStdString(app.pathwayPath())).absolutePath();
    }
    return QDir::currentPath();
}

bool OpenTabWidget::saveTo(const std::string& path) {
    PathwayLayoutEntity& pathway = *context_.app.pathway();
    if (pathway.layouter() && pathway.layouter()->isRunning()) {
        // The graph keeps the positions of the last stop; take the ones shown.
        pathway.storePositions();
    }
    if (!pathway.savePathway(path)) {
        context_.dialogs.message(nullptr, "could not save pathway!");
        return false;
    }
    return true;
}

void OpenTabWidget::savePathway() {
    App& app = context_.app;
    if (!app.pathway()) {
        context_.dialogs.message(nullptr, kNoPathway);
        return;
    }
    saveTo(app.pathwayPath());
}

void OpenTabWidget::savePathwayAs() {
    App& app = context_.app;
    if (!app.pathway()) {
        context_.dialogs.message(nullptr, kNoPathway);
        return;
    }
    const QString file = context_.dialogs.saveFileName(nullptr, kCaption, startFolder(), kFilter);
    if (file.isEmpty() || !saveTo(file.toStdString())) {
        return;
    }
    // The new file becomes the open pathway; a layout that was running goes on
    // on it (one thread: the old one is joined by the reload).
    const bool layoutWasRunning =
        app.pathway()->layouter() && app.pathway()->layouter()->isRunning();
    if (openPathway(file.toStdString()) && layoutWasRunning && app.pathway()->hasNetwork()) {
        emit layoutToResume();
    }
}

void OpenTabWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    context_.requestRepaint();
}
