#include "ui/AnalyzeTabWidget.h"

#include "ui/MyQTWindow.h"

AnalyzeTabWidget::AnalyzeTabWidget(MyQTWindow* window) : window_(window) {}

void AnalyzeTabWidget::selectProteinInList(const std::string&) {}
void AnalyzeTabWidget::selectInteractionInLists(const std::string&, const std::string&) {}
void AnalyzeTabWidget::listsChanged() {}
void AnalyzeTabWidget::exploreSelected() {}
std::string AnalyzeTabWidget::currentExperimentName() const { return {}; }
