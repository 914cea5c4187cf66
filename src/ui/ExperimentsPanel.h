// Placeholder of an Analyze tab part; filled in by its own work.
#pragma once

#include <string>

#include <QWidget>

class AnalyzeTabWidget;
class MyQTWindow;

class ExperimentsPanel : public QWidget {
    Q_OBJECT
public:
    ExperimentsPanel(MyQTWindow* window, AnalyzeTabWidget* tab);

    // The experiment of the current tab; "" when there is none.
    std::string currentExperimentName() const;
    // k < 0 fills the current experiment's list; k >= 1 clusters it by k-means.
    void cluster(int k);

private:
    MyQTWindow* window_;
    AnalyzeTabWidget* tab_;
};
