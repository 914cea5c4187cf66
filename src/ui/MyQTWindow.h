// The one top-level window: the tab panel on the left, the 3D view on the
// right; owns the scene core, the three timers and the dialogs, offers the
// window services that lower code reaches through WindowServices, and routes
// what one page announces to the others.
#pragma once

#include <memory>

#include <QWidget>

#include "model/WindowServices.h"
#include "ui/Dialogs.h"
#include "ui/PageContext.h"

class AnalyzeTabWidget;
class App;
class CreateTabWidget;
class Dialogs;
class OpenTabWidget;
class ProgressDialogService;
class QGWindow;
class QSplitter;
class QTabWidget;
class QTimer;
class RenderWindow;

class MyQTWindow : public QWidget, public WindowServices {
    Q_OBJECT
public:
    // The style sheet of the tab panel.
    static const char* const tabStyleSheet;

    // Null dialogs means the real Qt dialogs; tests pass scripted ones. The
    // window is built hidden, with its App; the caller shows it.
    MyQTWindow(int x, int y, int width, int height, std::unique_ptr<Dialogs> dialogs = nullptr);
    // Closes the current pathway (joining the layout thread), then takes the
    // widgets down while the App they observe still exists.
    ~MyQTWindow() override;

    App* app() const { return app_.get(); }
    Dialogs& dialogs() const { return *dialogs_; }
    RenderWindow* renderWindow() const { return renderWindow_; }
    QGWindow* windowAdapter() const { return adapter_.get(); }
    QTabWidget* tabWidget() const { return tabWidget_; }
    OpenTabWidget* fileTab() const { return fileTab_; }
    CreateTabWidget* createTab() const { return createTab_; }
    AnalyzeTabWidget* analyzeTab() const { return analyzeTab_; }
    QSplitter* splitter() const { return splitter_; }
    QTimer* refreshTimer() const { return refreshTimer_; }
    QTimer* stopTimer() const { return stopTimer_; }
    QTimer* imageTimer() const { return imageTimer_; }
    ProgressDialogService& progress() const { return *progress_; }

    // Fits the open pathway to the view as the window's layout settles: the
    // experiments panel enters or leaves the splitter after a pathway was
    // first fitted, so every road that opens or builds one ends here.
    void fitPathwayToSettledView();

    // WindowServices
    void createProgressDialog(int minimum, int maximum, const std::string& label) override;
    void stepProgress(int value) override;
    void requestRepaint() override;
    void makeBackground(const Image& image) override;
    void startShapeFinderTimer(int intervalMs) override;
    void stopShapeFinderTimer() override;
    void startTimers(double refreshMs, double stopMs) override;

public slots:
    void refreshTimerSlot();
    void refreshControlerSlot();
    void imageProcessorUpdater();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void connectPages();
    // Assembles the Analyze pages for the open pathway and shows them.
    void showAnalysis();
    // Takes the Analyze pages down with the open pathway and locks the tab.
    void closeAnalysis();

    std::unique_ptr<Dialogs> dialogs_;
    std::unique_ptr<ProgressDialogService> progress_;
    std::unique_ptr<QGWindow> adapter_;
    QSplitter* splitter_ = nullptr;
    RenderWindow* renderWindow_ = nullptr;
    QTabWidget* tabWidget_ = nullptr;
    OpenTabWidget* fileTab_ = nullptr;
    AnalyzeTabWidget* analyzeTab_ = nullptr;
    CreateTabWidget* createTab_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QTimer* stopTimer_ = nullptr;
    QTimer* imageTimer_ = nullptr;
    // Declared last: destroyed first, after the destructor closed its pathway.
    std::unique_ptr<App> app_;
    std::unique_ptr<PageContext> pageContext_;
};
