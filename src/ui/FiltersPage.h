// Placeholder of an Analyze tab part; filled in by its own work.
#pragma once

#include <QWidget>

class AnalyzeTabWidget;
class MyQTWindow;

class FiltersPage : public QWidget {
    Q_OBJECT
public:
    FiltersPage(MyQTWindow* window, AnalyzeTabWidget* tab);

private:
    MyQTWindow* window_;
    AnalyzeTabWidget* tab_;
};
