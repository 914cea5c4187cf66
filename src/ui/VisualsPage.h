// Placeholder of an Analyze tab part; filled in by its own work.
#pragma once

#include <QWidget>

class AnalyzeTabWidget;
class MyQTWindow;

class VisualsPage : public QWidget {
    Q_OBJECT
public:
    VisualsPage(MyQTWindow* window, AnalyzeTabWidget* tab);

    // "Adjust positioning": starts or stops the layout thread and shows it.
    void setLayoutRunning(bool running);
    bool layoutRunning() const { return layoutRunning_; }

private:
    MyQTWindow* window_;
    AnalyzeTabWidget* tab_;
    bool layoutRunning_ = false;
};
